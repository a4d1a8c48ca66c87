#pragma once
// The steps of a comparison run, each a subcommand of varo-peers run in a process of its own,
// so that each engine's peak memory is its own. Each returns the process exit code.

#include "bench/peers/measure.h"
#include "bench/peers/runs.h"

namespace varo::peers {

struct StepOptions {
    std::filesystem::path collection;
    WorkFolder work;
    std::string engine;
    RunPolicy policy;
};

int ExportStep(const StepOptions& options);
/// Builds the engine's index from the exported texts; times it and sizes it.
int IndexStep(const StepOptions& options);
/// Opens the engine's index once and runs the mix in both answer modes.
int QueryStep(const StepOptions& options);
/// Times the rendering of result pages of the collection.
int RenderStep(const StepOptions& options);
/// Compares the answers and prints the table (also written to the file given).
int ReportStep(const StepOptions& options, const std::filesystem::path& markdown);

}  // namespace varo::peers
