// kwic: the concordance of a search, every hit of the listed pages as a line of context.

#include "tools/varo-cli/batch.h"
#include "tools/varo-cli/commands.h"
#include "tools/varo-cli/jsonwriter.h"
#include "tools/varo-cli/output.h"
#include "tools/varo-cli/querycommand.h"
#include "tools/varo-cli/querytext.h"
#include "tools/varo-cli/searchrunner.h"

#include "panel/catalogueorder.h"
#include "panel/kwicjob.h"
#include "panel/paneltext.h"
#include "panel/tableexport.h"

namespace varo::cli {

namespace {

constexpr char kUsage[] =
    "usage: varo-cli kwic [--width N] [--sort before|after|page|catalogue] [search options] [--json] QUERY\n"
    "       varo-cli kwic --batch [options] < QUERIES\n"
    "\n"
    "Runs the search panel's search for QUERY as 'search' does and shows every hit of the listed\n"
    "pages as a line of context (keyword in context): the hits the result page highlights, with\n"
    "up to N characters of the same cell before and after each. Annotation text is written in\n"
    "braces, as the source format writes it ({, } and \\ of the text itself as \\{, \\} and \\\\).\n"
    "After the summary line, one line per hit: category, title, volume, page label, page number,\n"
    "before, hit, after.\n"
    "\n"
    "  --width N      characters on either side, 0 to 100 (default 12)\n"
    "  --sort S       before: by the characters before the hit, nearest first; after: by the\n"
    "                 characters after it; page: in the order of the result list (the default);\n"
    "                 catalogue: in reading order through the catalogue\n"
    "  --or, --target T, --no-variants, --scope SLOT|all\n"
    "                 as for 'search'\n"
    "  --json         {\"summary\", \"pages\", \"hits\", \"lines\": [{\"page\", \"label\", \"before\", \"hit\",\n"
    "                 \"after\", \"category\", \"title\", \"volume\", \"anchor\"}]}; \"hits\" is the\n"
    "                 summary's count, which counts overlapping occurrences that a line does not\n"
    "  --batch        one query per line of standard input, one JSON answer per line, with\n"
    "                 \"elapsed_us\" (time in the search and the line collection); a refused\n"
    "                 query answers {\"query\", \"error\"}\n"
    "  --data DIR     the data folder (default: the folder of varo-cli)\n";

constexpr OptionSpec kOptions[] = {
    {"--or"},         {"--target", true}, {"--no-variants"}, {"--scope", true}, {"--width", true},
    {"--sort", true}, {"--json"},         {"--batch"},       {"--data", true},  {"--help"},
};

KwicOrder SortOption(const Arguments& args)
{
    const std::string sort = args.Value("--sort").value_or("page");
    if (sort == "before")
        return KwicOrder::Before;
    if (sort == "after")
        return KwicOrder::After;
    if (sort == "page")
        return KwicOrder::Page;
    if (sort == "catalogue")
        return KwicOrder::Catalogue;
    throw UsageError("--sort takes before, after, page or catalogue, not " + sort);
}

struct KwicAnswer {
    SearchAnswer search;
    std::vector<KwicLineTag> lines;
};

class KwicRunner {
public:
    KwicRunner(CliPanel& panel, const Arguments& args)
        : m_panel(panel), m_search(panel, args),
          m_width(static_cast<int>(args.Integer("--width", 0, kMaxKwicWidth, kDefaultKwicWidth))),
          m_order(SortOption(args))
    {}

    KwicAnswer Run(const std::u16string& query)
    {
        const auto start = std::chrono::steady_clock::now();
        KwicAnswer answer{m_search.Run(query), {}};
        if (!answer.search.error.empty())
            return answer;
        const CLeftFormModel& model = m_panel.Model();
        std::vector<uint32_t> pages;
        for (const SearchNodeTag& result : answer.search.results)
            pages.push_back(result.pageNumber);
        CKwicJob job(model.m_index, model.m_keyWords, model.m_target, model.m_variant != 0, m_width, pages,
                     CKwicJob::DefaultThreads());
        job.Wait();
        job.TakeLines(answer.lines);
        const std::vector<uint64_t> ranks = m_order == KwicOrder::Catalogue && model.m_catalogue.m_root != nullptr
                                                ? CatalogueRanks(*model.m_catalogue.m_root, pages)
                                                : std::vector<uint64_t>{};
        SortKwicLines(answer.lines, m_order, ranks);
        answer.search.elapsedUs = MicrosecondsSince(start);
        return answer;
    }

private:
    CliPanel& m_panel;
    SearchRunner m_search;
    int m_width;
    KwicOrder m_order;
};

std::string AnswerJson(const KwicAnswer& answer, bool withElapsed)
{
    JsonWriter json;
    json.BeginObject().Key("summary").String(answer.search.summary);
    json.Key("pages").Number(uint64_t{answer.search.results.size()}).Key("hits").Number(answer.search.hits);
    json.Key("lines").BeginArray();
    for (const KwicLineTag& line : answer.lines) {
        const SearchNodeTag& result = answer.search.results[line.result];
        json.BeginObject();
        json.Key("page").Number(result.pageNumber).Key("label").Number(result.pageLabel);
        json.Key("before").String(MarkedBefore(line)).Key("hit").String(MarkedHit(line));
        json.Key("after").String(MarkedAfter(line));
        json.Key("category").String(result.categoryName).Key("title").String(result.titleName);
        json.Key("volume").String(result.volumeName).Key("anchor").Number(line.anchor);
        json.EndObject();
    }
    json.EndArray();
    if (withElapsed)
        json.Key("elapsed_us").Number(answer.search.elapsedUs);
    json.EndObject();
    return json.Text();
}

void WriteAnswerText(std::FILE* out, const KwicAnswer& answer)
{
    WriteLine(out, DisplayText(answer.search.summary));
    if (answer.lines.empty())
        return;
    WriteLine(out, "類別\t書名\t巻\t頁\tpage\tbefore\thit\tafter");
    for (const KwicLineTag& line : answer.lines) {
        const SearchNodeTag& result = answer.search.results[line.result];
        WriteLine(out, FieldText(result.categoryName) + "\t" + FieldText(result.titleName) + "\t" +
                           FieldText(result.volumeName) + "\t" + std::to_string(result.pageLabel) + "\t" +
                           std::to_string(result.pageNumber) + "\t" + FieldText(MarkedBefore(line)) + "\t" +
                           FieldText(MarkedHit(line)) + "\t" + FieldText(MarkedAfter(line)));
    }
}

int RunKwic(const CommandContext& context)
{
    const std::string operand = BatchOrQueryOperand(context);
    CliPanel panel(context.dataFolder, TargetOption(context.args));
    panel.LoadCatalogue();
    KwicRunner runner(panel, context.args);
    return AnswerQueries<KwicAnswer>(context, operand,
                                     {[&](const std::u16string& query) { return runner.Run(query); },
                                      [](const KwicAnswer& answer) { return answer.search.error; }, AnswerJson,
                                      WriteAnswerText});
}

}  // namespace

const CommandSpec kKwicCommand{"kwic", kUsage, kOptions, RunKwic};

}  // namespace varo::cli
