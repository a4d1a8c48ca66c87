// search: the search panel's search run, with its summary and its result list.

#include "panel/paneltext.h"
#include "tools/varo-cli/batch.h"
#include "tools/varo-cli/clipanel.h"
#include "tools/varo-cli/commands.h"
#include "tools/varo-cli/jsonwriter.h"
#include "tools/varo-cli/output.h"
#include "tools/varo-cli/querytext.h"

#include <chrono>

namespace varo::cli {

namespace {

constexpr char kUsage[] =
    "usage: varo-cli search [--or] [--target 0|1|2] [--no-variants] [--scope SLOT|all] [--json] QUERY\n"
    "       varo-cli search --batch [options] < QUERIES\n"
    "\n"
    "Runs the search panel's search for QUERY (terms separated by blanks or U+3000) and lists\n"
    "the pages of the scope that hold hits, in list order: category, title, volume, page label,\n"
    "page number and hits, after the summary line.\n"
    "\n"
    "  --or           pages holding any term (default: every term)\n"
    "  --target T     0 full text (the default), 1 main text, 2 annotations\n"
    "  --no-variants  variant characters do not count as the same character\n"
    "  --scope SLOT   the catalogue entry searched, by record slot (default 1, as in the panel);\n"
    "                 all: every top-level entry, their lists one after the other\n"
    "  --json         {\"summary\", \"pages\", \"hits\", \"results\": [{\"category\", \"title\",\n"
    "                 \"volume\", \"label\", \"page\", \"hits\"}]}\n"
    "  --batch        one query per line of standard input, one JSON answer per line, with\n"
    "                 \"elapsed_us\" (time in the engine and the result collection); a refused\n"
    "                 query answers {\"query\", \"error\"}\n"
    "  --data DIR     the data folder (default: the folder of varo-cli)\n";

constexpr OptionSpec kOptions[] = {
    {"--or"},   {"--target", true}, {"--no-variants"}, {"--scope", true},
    {"--json"}, {"--batch"},        {"--data", true},  {"--help"},
};

struct SearchAnswer {
    std::string error;  // the panel refused to search (its message)
    std::u16string summary;
    uint64_t hits = 0;
    std::vector<SearchNodeTag> results;
    int64_t elapsedUs = 0;
};

// The panel's search run over one scope slot, or over every top-level entry in turn: the engine
// is asked once and each entry's results are collected from the same hit set, as a run with
// that entry as the scope would collect them.
class SearchRunner {
public:
    SearchRunner(CliPanel& panel, const Arguments& args) : m_panel(panel)
    {
        CLeftFormModel& model = m_panel.Model();
        model.m_andOr = args.Has("--or") ? 1 : 0;
        model.m_variant = args.Has("--no-variants") ? 0 : 1;
        const std::string scope = args.Value("--scope").value_or("1");
        if (scope == "all") {
            for (int slot = 1; slot < model.m_catalogue.m_nodeCount; ++slot) {
                if (model.m_catalogue.TreeParentOf(slot) == 0)
                    m_scopes.push_back(slot);
            }
        } else {
            const auto slot = static_cast<int>(args.Integer("--scope", 1, kCatalogueSlots - 1, 1));
            m_panel.RequireSlot("--scope", slot);
            m_scopes.push_back(slot);
        }
    }

    SearchAnswer Run(const std::u16string& query)
    {
        CLeftFormModel& model = m_panel.Model();
        // Every query starts from an empty hit set, as on an index just opened.
        model.m_index.m_hitPages.clear();
        model.m_index.m_hitCounts.clear();
        model.m_index.m_hitPageCount = 0;
        m_panel.SetQuery(query);
        SearchAnswer answer;
        const auto start = std::chrono::steady_clock::now();
        for (size_t i = 0; i < m_scopes.size() && answer.error.empty(); ++i) {
            if (i == 0)
                SearchFirstScope(answer);
            else
                CollectScope(m_scopes[i], answer);
        }
        answer.elapsedUs = MicrosecondsSince(start);
        if (m_scopes.size() != 1)
            answer.summary = SummaryText(answer.results.size(), answer.hits);
        return answer;
    }

private:
    void SearchFirstScope(SearchAnswer& answer)
    {
        CLeftFormModel& model = m_panel.Model();
        model.m_scopeRecord = static_cast<uint16_t>(m_scopes.front());
        model.RunSearch();
        answer.error = m_panel.TakeMessages();
        answer.summary = m_panel.Summary();
        Append(model.m_resultList.m_results, answer);
    }

    void CollectScope(int slot, SearchAnswer& answer)
    {
        CLeftFormModel& model = m_panel.Model();
        const ContentsNodeTag* scope =
            CCatalogue::FindNodeForRecord(model.m_catalogue.m_root.get(), model.m_catalogue.m_NodeItem[slot]);
        if (scope == nullptr) {
            answer.error = DisplayText(kScopeNotFoundMessage);
            return;
        }
        CResultList& list = model.m_resultList;
        list.m_scanPages = model.m_index.GetHitPages();
        list.m_scanCounts = model.m_index.GetHitCounts();
        list.CollectResults(*scope);
        Append(list.m_results, answer);
    }

    static void Append(const std::vector<SearchNodeTag>& results, SearchAnswer& answer)
    {
        for (const SearchNodeTag& result : results) {
            answer.results.push_back(result);
            answer.hits += result.hitCount;
        }
    }

    CliPanel& m_panel;
    std::vector<int> m_scopes;
};

std::string AnswerJson(const SearchAnswer& answer, bool withElapsed)
{
    JsonWriter json;
    json.BeginObject().Key("summary").String(answer.summary);
    json.Key("pages").Number(uint64_t{answer.results.size()}).Key("hits").Number(answer.hits);
    json.Key("results").BeginArray();
    for (const SearchNodeTag& result : answer.results) {
        json.BeginObject();
        json.Key("category").String(result.categoryName).Key("title").String(result.titleName);
        json.Key("volume").String(result.volumeName).Key("label").Number(result.pageLabel);
        json.Key("page").Number(result.pageNumber).Key("hits").Number(result.hitCount);
        json.EndObject();
    }
    json.EndArray();
    if (withElapsed)
        json.Key("elapsed_us").Number(answer.elapsedUs);
    json.EndObject();
    return json.Text();
}

void WriteAnswerText(std::FILE* out, const SearchAnswer& answer)
{
    WriteLine(out, DisplayText(answer.summary));
    if (answer.results.empty())
        return;
    WriteLine(out, "類別\t書名\t巻\t頁\tpage\thits");
    for (const SearchNodeTag& result : answer.results) {
        WriteLine(out, FieldText(result.categoryName) + "\t" + FieldText(result.titleName) + "\t" +
                           FieldText(result.volumeName) + "\t" + std::to_string(result.pageLabel) + "\t" +
                           std::to_string(result.pageNumber) + "\t" + std::to_string(result.hitCount));
    }
}

int RunSearch(const CommandContext& context)
{
    const Arguments& args = context.args;
    const auto target = static_cast<int>(args.Integer("--target", 0, 2, TARGET_FULL_TEXT));
    const bool batch = args.Has("--batch");
    if (batch && !args.Operands().empty())
        throw UsageError("--batch reads the queries from standard input and takes no QUERY");
    const std::string bytes = batch ? std::string() : QueryOperand(context);

    CliPanel panel(context.dataFolder, target);
    panel.LoadCatalogue();
    SearchRunner runner(panel, args);
    if (batch) {
        AnswerLines(context.streams, [&](std::string_view line) {
            // The panel turns U+3000 into blanks before the engine sees the query; the engine's
            // check reads both as blanks, so the query is checked as given.
            std::u16string query;
            if (const std::string reason = CheckQueryBytes(line, query); !reason.empty())
                return ErrorAnswer(line, reason);
            const SearchAnswer answer = runner.Run(query);
            return answer.error.empty() ? AnswerJson(answer, true) : ErrorAnswer(line, answer.error);
        });
        return kExitOk;
    }
    std::u16string query;
    if (const std::string reason = CheckQueryBytes(bytes, query); !reason.empty())
        throw CommandFailure(kExitQuery, reason);
    const SearchAnswer answer = runner.Run(query);
    if (!answer.error.empty())
        throw CommandFailure(kExitData, answer.error);
    if (args.Has("--json"))
        WriteLine(context.streams.out, AnswerJson(answer, false));
    else
        WriteAnswerText(context.streams.out, answer);
    return kExitOk;
}

}  // namespace

const CommandSpec kSearchCommand{"search", kUsage, kOptions, RunSearch};

}  // namespace varo::cli
