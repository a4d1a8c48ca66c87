// search: the search panel's search run, with its summary and its result list.

#include "panel/paneltext.h"
#include "tools/varo-cli/batch.h"
#include "tools/varo-cli/commands.h"
#include "tools/varo-cli/jsonwriter.h"
#include "tools/varo-cli/output.h"
#include "tools/varo-cli/querycommand.h"
#include "tools/varo-cli/querytext.h"
#include "tools/varo-cli/searchrunner.h"

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
    const std::string operand = BatchOrQueryOperand(context);
    CliPanel panel(context.dataFolder, TargetOption(context.args));
    panel.LoadCatalogue();
    SearchRunner runner(panel, context.args);
    return AnswerQueries<SearchAnswer>(context, operand,
                                       {[&](const std::u16string& query) { return runner.Run(query); },
                                        [](const SearchAnswer& answer) { return answer.error; }, AnswerJson,
                                        WriteAnswerText});
}

}  // namespace

const CommandSpec kSearchCommand{"search", kUsage, kOptions, RunSearch};

}  // namespace varo::cli
