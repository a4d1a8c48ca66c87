#pragma once
// The search panel's search run as the commands search, kwic and stats share it: over one
// scope slot, or over every top-level entry in turn (--scope all), with the options of search.

#include "tools/common/arguments.h"
#include "tools/varo-cli/clipanel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace varo::cli {

/// One scope of an answer: its entry and where its results start in the answer's list.
struct ScopeResultsTag {
    int slot = 0;
    const ContentsNodeTag* node = nullptr;
    size_t firstResult = 0;
};

struct SearchAnswer {
    std::string error;  // the panel refused to search (its message)
    std::u16string summary;
    uint64_t hits = 0;
    std::vector<SearchNodeTag> results;
    std::vector<ScopeResultsTag> scopes;
    int64_t elapsedUs = 0;
};

// The engine is asked once and each entry's results are collected from the same hit set, as a
// run with that entry as the scope would collect them.
class SearchRunner {
public:
    /// Takes --or, --no-variants and --scope from args (throws UsageError for a bad scope).
    SearchRunner(CliPanel& panel, const Arguments& args);

    /// Every query starts from an empty hit set, as on an index just opened.
    SearchAnswer Run(const std::u16string& query);

private:
    void SearchFirstScope(SearchAnswer& answer);
    void CollectScope(int slot, SearchAnswer& answer);
    static void Append(const std::vector<SearchNodeTag>& results, SearchAnswer& answer);

    CliPanel& m_panel;
    std::vector<int> m_scopes;
};

/// The search target of --target (0, 1 or 2; default full text).
int TargetOption(const Arguments& args);

}  // namespace varo::cli
