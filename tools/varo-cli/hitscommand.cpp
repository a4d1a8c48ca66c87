// hits: the engine's hit set right after one search on a freshly opened index.

#include "engine/index.h"
#include "panel/leftformmodel.h"
#include "tools/varo-cli/batch.h"
#include "tools/varo-cli/commands.h"
#include "tools/varo-cli/jsonwriter.h"
#include "tools/varo-cli/output.h"
#include "tools/varo-cli/querytext.h"

#include <chrono>

namespace varo::cli {

namespace {

constexpr char kUsage[] =
    "usage: varo-cli hits [--or] [--kind 0|1|2] [--no-variants] [--no-count] [--json] QUERY\n"
    "       varo-cli hits --batch [options] < QUERIES\n"
    "\n"
    "Searches QUERY (terms separated by blanks) with SearchAnd, or SearchOr with --or, on the\n"
    "index of the kind (0 full text, the default; 1 annotations; 2 main text) and shows the hit\n"
    "set: the query as the search left it (U+3000 between terms), the value returned, the page\n"
    "numbers in hit-set order and the hits per page.\n"
    "\n"
    "  --or           pages holding any term (default: every term)\n"
    "  --kind K       index kind 0, 1 or 2\n"
    "  --no-variants  variant characters do not count as the same character\n"
    "  --no-count     no hit counting (counts stays empty)\n"
    "  --json         {\"query\", \"return\", \"pages\", \"counts\"}\n"
    "  --batch        one query per line of standard input, one JSON answer per line, with\n"
    "                 \"elapsed_us\" (time in the engine); a refused query answers {\"query\", \"error\"}\n"
    "  --data DIR     the data folder (default: the folder of varo-cli)\n";

constexpr OptionSpec kOptions[] = {
    {"--or"},   {"--kind", true}, {"--no-variants"}, {"--no-count"},
    {"--json"}, {"--batch"},      {"--data", true},  {"--help"},
};

struct HitsAnswer {
    std::u16string query;
    int returned = 0;
    CDWordArray pages;
    CDWordArray counts;
    int64_t elapsedUs = 0;
};

class HitsRunner {
public:
    HitsRunner(const std::u16string& dataFolder, int kind, const Arguments& args)
        : m_or(args.Has("--or")), m_variants(!args.Has("--no-variants")), m_count(!args.Has("--no-count"))
    {
        if (!m_index.Open(dataFolder, kTextSetName, kind))
            throw CommandFailure(kExitData, DisplayText(kOpenFailedMessage));
    }

    // Every query starts from an empty hit set, as on an index just opened, so that its answer
    // does not depend on the queries before it.
    HitsAnswer Run(std::u16string query)
    {
        m_index.m_hitPages.clear();
        m_index.m_hitCounts.clear();
        m_index.m_hitPageCount = 0;
        HitsAnswer answer;
        const auto start = std::chrono::steady_clock::now();
        answer.returned =
            m_or ? m_index.SearchOr(query, m_count, m_variants) : m_index.SearchAnd(query, m_count, m_variants);
        answer.elapsedUs = MicrosecondsSince(start);
        answer.query = std::move(query);
        answer.pages = m_index.GetHitPages();
        answer.counts = m_index.GetHitCounts();
        return answer;
    }

private:
    CIndex m_index;
    bool m_or;
    bool m_variants;
    bool m_count;
};

std::string AnswerJson(const HitsAnswer& answer, bool withElapsed)
{
    JsonWriter json;
    json.BeginObject().Key("query").String(answer.query).Key("return").Number(answer.returned);
    json.Key("pages").BeginArray();
    for (uint32_t page : answer.pages)
        json.Number(page);
    json.EndArray().Key("counts").BeginArray();
    for (uint32_t count : answer.counts)
        json.Number(count);
    json.EndArray();
    if (withElapsed)
        json.Key("elapsed_us").Number(answer.elapsedUs);
    json.EndObject();
    return json.Text();
}

void WriteAnswerText(std::FILE* out, const HitsAnswer& answer)
{
    WriteLine(out, "query: " + DisplayText(answer.query));
    WriteLine(out, "return: " + std::to_string(answer.returned));
    WriteLine(out, "pages: " + std::to_string(answer.pages.size()));
    const bool counted = !answer.counts.empty();
    WriteLine(out, counted ? "page\thits" : "page");
    for (size_t i = 0; i < answer.pages.size(); ++i) {
        std::string row = std::to_string(answer.pages[i]);
        if (counted)
            row += "\t" + (i < answer.counts.size() ? std::to_string(answer.counts[i]) : std::string("-"));
        WriteLine(out, row);
    }
}

int RunHits(const CommandContext& context)
{
    const Arguments& args = context.args;
    const int kind = static_cast<int>(args.Integer("--kind", 0, 2, INDEX_FULL_TEXT));
    if (args.Has("--batch")) {
        if (!args.Operands().empty())
            throw UsageError("--batch reads the queries from standard input and takes no QUERY");
        HitsRunner runner(context.dataFolder, kind, args);
        AnswerLines(context.streams, [&](std::string_view line) {
            std::u16string query;
            const std::string reason = CheckQueryBytes(line, query);
            return reason.empty() ? AnswerJson(runner.Run(query), true) : ErrorAnswer(line, reason);
        });
        return kExitOk;
    }
    const std::string bytes = QueryOperand(context);
    HitsRunner runner(context.dataFolder, kind, args);
    std::u16string query;
    if (const std::string reason = CheckQueryBytes(bytes, query); !reason.empty())
        throw CommandFailure(kExitQuery, reason);
    const HitsAnswer answer = runner.Run(query);
    if (args.Has("--json"))
        WriteLine(context.streams.out, AnswerJson(answer, false));
    else
        WriteAnswerText(context.streams.out, answer);
    return kExitOk;
}

}  // namespace

const CommandSpec kHitsCommand{"hits", kUsage, kOptions, RunHits};

}  // namespace varo::cli
