// stats: where the hits of a search cluster, pages and hits per catalogue entry of the scope.

#include "tools/varo-cli/batch.h"
#include "tools/varo-cli/commands.h"
#include "tools/varo-cli/jsonwriter.h"
#include "tools/varo-cli/output.h"
#include "tools/varo-cli/querycommand.h"
#include "tools/varo-cli/querytext.h"
#include "tools/varo-cli/searchrunner.h"

#include "panel/hitstatistics.h"

namespace varo::cli {

namespace {

constexpr char kUsage[] =
    "usage: varo-cli stats [search options] [--json] QUERY\n"
    "       varo-cli stats --batch [options] < QUERIES\n"
    "\n"
    "Runs the search panel's search for QUERY as 'search' does and counts the listed pages and\n"
    "their hits per catalogue entry: the scope first, then every entry below it that holds a\n"
    "listed page, in catalogue order. A page counts for the first entry of each level that holds\n"
    "it, as the result list names its title and volume, so the entries of one level add up to\n"
    "the summary. After the summary line, one line per entry: slot, level, depth below the\n"
    "scope, name, pages, hits.\n"
    "\n"
    "  --or, --target T, --no-variants, --scope SLOT|all\n"
    "                 as for 'search'; with all, every top-level entry and the entries below it\n"
    "  --json         {\"summary\", \"pages\", \"hits\", \"nodes\": [{\"slot\", \"level\", \"name\",\n"
    "                 \"pages\", \"hits\", \"depth\"}]}; \"pages\" and \"hits\" are the summary's\n"
    "  --batch        one query per line of standard input, one JSON answer per line, with\n"
    "                 \"elapsed_us\" (time in the search and the counting); a refused query\n"
    "                 answers {\"query\", \"error\"}\n"
    "  --data DIR     the data folder (default: the folder of varo-cli)\n";

constexpr OptionSpec kOptions[] = {
    {"--or"},   {"--target", true}, {"--no-variants"}, {"--scope", true},
    {"--json"}, {"--batch"},        {"--data", true},  {"--help"},
};

struct StatsAnswer {
    SearchAnswer search;
    std::vector<StatNodeTag> nodes;
};

StatsAnswer Count(SearchRunner& runner, const std::u16string& query)
{
    const auto start = std::chrono::steady_clock::now();
    StatsAnswer answer{runner.Run(query), {}};
    const std::vector<SearchNodeTag>& results = answer.search.results;
    const std::vector<ScopeResultsTag>& scopes = answer.search.scopes;
    for (size_t i = 0; i < scopes.size(); ++i) {
        if (scopes[i].node == nullptr)
            continue;
        const size_t end = i + 1 < scopes.size() ? scopes[i + 1].firstResult : results.size();
        const std::vector<SearchNodeTag> own(results.begin() + static_cast<ptrdiff_t>(scopes[i].firstResult),
                                             results.begin() + static_cast<ptrdiff_t>(end));
        for (StatNodeTag& node : HitStatistics(*scopes[i].node, own))
            answer.nodes.push_back(std::move(node));
    }
    answer.search.elapsedUs = MicrosecondsSince(start);
    return answer;
}

std::string AnswerJson(const StatsAnswer& answer, bool withElapsed)
{
    JsonWriter json;
    json.BeginObject().Key("summary").String(answer.search.summary);
    json.Key("pages").Number(uint64_t{answer.search.results.size()}).Key("hits").Number(answer.search.hits);
    json.Key("nodes").BeginArray();
    for (const StatNodeTag& node : answer.nodes) {
        json.BeginObject().Key("slot").Number(node.slot).Key("level").Number(node.level);
        json.Key("name").String(node.name).Key("pages").Number(node.pages).Key("hits").Number(node.hits);
        json.Key("depth").Number(node.depth).EndObject();
    }
    json.EndArray();
    if (withElapsed)
        json.Key("elapsed_us").Number(answer.search.elapsedUs);
    json.EndObject();
    return json.Text();
}

void WriteAnswerText(std::FILE* out, const StatsAnswer& answer)
{
    WriteLine(out, DisplayText(answer.search.summary));
    if (answer.nodes.empty())
        return;
    WriteLine(out, "slot\tlevel\tdepth\tname\tpages\thits");
    for (const StatNodeTag& node : answer.nodes) {
        WriteLine(out, std::to_string(node.slot) + "\t" + std::to_string(node.level) + "\t" +
                           std::to_string(node.depth) + "\t" + FieldText(node.name) + "\t" +
                           std::to_string(node.pages) + "\t" + std::to_string(node.hits));
    }
}

int RunStats(const CommandContext& context)
{
    const std::string operand = BatchOrQueryOperand(context);
    CliPanel panel(context.dataFolder, TargetOption(context.args));
    panel.LoadCatalogue();
    SearchRunner runner(panel, context.args);
    return AnswerQueries<StatsAnswer>(context, operand,
                                      {[&](const std::u16string& query) { return Count(runner, query); },
                                       [](const StatsAnswer& answer) { return answer.search.error; }, AnswerJson,
                                       WriteAnswerText});
}

}  // namespace

const CommandSpec kStatsCommand{"stats", kUsage, kOptions, RunStats};

}  // namespace varo::cli
