#pragma once
// The commands of varo-cli. Each has a name, a usage text, the options it takes and a handler;
// the handler throws CommandFailure (or UsageError) to end with a message and an exit code.

#include "tools/common/arguments.h"
#include "tools/varo-cli/cli.h"

#include <span>
#include <string>
#include <string_view>

namespace varo::cli {

struct CommandContext {
    const Arguments& args;
    /// The data folder: --data, or the executable's folder.
    std::u16string dataFolder;
    Streams streams;
};

struct CommandSpec {
    std::string_view name;
    std::string_view usage;
    std::span<const OptionSpec> options;
    int (*run)(const CommandContext& context);
};

extern const CommandSpec kHitsCommand;
extern const CommandSpec kSearchCommand;
extern const CommandSpec kRenderCommand;
extern const CommandSpec kPageCommand;
extern const CommandSpec kCatalogueCommand;
extern const CommandSpec kKwicCommand;
extern const CommandSpec kStatsCommand;

/// The one query operand (several are joined by blanks); throws UsageError when there is none
/// or when --batch is given too.
std::string QueryOperand(const CommandContext& context);

}  // namespace varo::cli
