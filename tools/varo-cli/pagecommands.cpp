// render and page: a result page as the renderer makes it, and a stored page as the panel
// shows it, written to standard output byte for byte.

#include "engine/index.h"
#include "platform/nativepath.h"
#include "tools/varo-cli/clipanel.h"
#include "tools/varo-cli/commands.h"
#include "tools/varo-cli/output.h"
#include "tools/varo-cli/querytext.h"

#include <fstream>
#include <iterator>

namespace varo::cli {

namespace {

constexpr char kRenderUsage[] =
    "usage: varo-cli render --page P [--target 0|1|2] [--variants] [--count] QUERY\n"
    "\n"
    "Writes the document that the panel's result page file would hold for page number P (the\n"
    "0-based page record): the page in the result template with every hit of QUERY in the\n"
    "highlighted cell marked and anchored. QUERY is taken as the panel holds it after a search,\n"
    "its terms separated by U+3000 or blanks; an empty QUERY gives an empty document.\n"
    "\n"
    "  --page P       the page number (required)\n"
    "  --target T     0 full text (the default), 1 main text, 2 annotations\n"
    "  --variants     highlight every variant form of the terms too\n"
    "  --count        print the number of anchors instead of the document\n"
    "  --data DIR     the data folder (default: the folder of varo-cli)\n";

constexpr OptionSpec kRenderOptions[] = {
    {"--page", true}, {"--target", true}, {"--variants"}, {"--count"}, {"--data", true}, {"--help"},
};

constexpr char kPageUsage[] =
    "usage: varo-cli page --page P\n"
    "       varo-cli page --slot S [--label L]\n"
    "\n"
    "Writes a stored page as the panel shows it, unchanged: page number P (the 0-based page\n"
    "record), or the first page of the catalogue entry in record slot S, or its page labelled L.\n"
    "\n"
    "  --page P       the page number\n"
    "  --slot S       the catalogue entry, by record slot\n"
    "  --label L      the page label within the entry (default: the entry's first page)\n"
    "  --data DIR     the data folder (default: the folder of varo-cli)\n";

constexpr OptionSpec kPageOptions[] = {
    {"--page", true}, {"--slot", true}, {"--label", true}, {"--data", true}, {"--help"},
};

void OpenIndex(CIndex& index, const std::u16string& dataFolder, int kind)
{
    if (!index.Open(dataFolder, kTextSetName, kind))
        throw CommandFailure(kExitData, DisplayText(kOpenFailedMessage));
}

// The page number of --page, checked against the text store.
uint32_t PageNumber(const CommandContext& context, const CIndex& index)
{
    const auto page = static_cast<uint32_t>(context.args.Integer("--page", 0, UINT32_MAX, 0));
    const uint32_t pages = index.FileList().GetRecordCount();
    if (page >= pages) {
        const std::string range = pages == 0 ? "no pages" : "pages 0 to " + std::to_string(pages - 1);
        throw CommandFailure(kExitUsage, "--page " + std::to_string(page) + ": the collection has " + range);
    }
    return page;
}

// A page record the text store refuses (outside the content file, or longer than a page can
// be) is damaged data: the system's message for data that does not open, and which page.
[[noreturn]] void UnreadablePage(int64_t page)
{
    throw CommandFailure(kExitData, "page " + std::to_string(page) +
                                        " cannot be read from the text store: " + DisplayText(kOpenFailedMessage));
}

std::string ReadPageText(const CIndex& index, uint32_t page)
{
    std::string text;
    if (!index.ReadText(page, text))
        UnreadablePage(page);
    return text;
}

int RunRender(const CommandContext& context)
{
    const Arguments& args = context.args;
    if (!args.Has("--page"))
        throw UsageError("render needs --page P");
    const auto target = static_cast<int>(args.Integer("--target", 0, 2, TARGET_FULL_TEXT));
    std::u16string query;
    if (!DecodeUtf8Strictly(QueryOperand(context), query))
        throw CommandFailure(kExitQuery, "the query is not valid UTF-8");

    CIndex index;
    OpenIndex(index, context.dataFolder, CLeftFormModel::IndexKindForTarget(target));
    const uint32_t page = PageNumber(context, index);
    // The renderer reports an unreadable page as a page without hits; look first.
    ReadPageText(index, page);
    std::string document;
    const int anchors = index.RenderResultPage(page, document, query, target, args.Has("--variants"));
    if (args.Has("--count"))
        WriteLine(context.streams.out, std::to_string(anchors));
    else
        Write(context.streams.out, document);
    return kExitOk;
}

std::string ReadWholeFile(const std::u16string& path)
{
    std::ifstream in(ToNativePath(path), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        throw CommandFailure(kExitData, "the page file cannot be read back");
    return bytes;
}

// Why the panel showed nothing for the entry's page: the label is not in the entry (a bad
// argument), or the page it names cannot be read.
[[noreturn]] void ExplainMissingPage(CLeftFormModel& model, int slot, int label)
{
    const CatalogueRecordTag& entry = model.m_catalogue.m_NodeItem[static_cast<size_t>(slot)];
    int64_t record = -1;
    const bool found = entry.docID > 0 && model.m_index.FindPage(entry.docID - 1, label, record, entry.docNo) &&
                       record >= 0 && record <= int64_t{UINT32_MAX} && entry.HoldsPage(static_cast<uint32_t>(record));
    if (found)
        UnreadablePage(record);
    throw CommandFailure(kExitUsage, "slot " + std::to_string(slot) + " (" + FieldText(entry.Name()) +
                                         ") has no page labelled " + std::to_string(label));
}

int RunPageOfSlot(const CommandContext& context)
{
    const Arguments& args = context.args;
    const auto slot = static_cast<int>(args.Integer("--slot", 1, kCatalogueSlots - 1, 1));
    CliPanel panel(context.dataFolder, TARGET_FULL_TEXT);
    panel.LoadCatalogue();
    CLeftFormModel& model = panel.Model();
    panel.RequireSlot("--slot", slot);
    const bool firstPage = !args.Has("--label");
    const auto label = static_cast<int>(args.Integer("--label", INT32_MIN, INT32_MAX, 0));
    if (!model.ShowPage(slot, firstPage, label))
        ExplainMissingPage(model, slot, firstPage ? model.m_catalogue.m_NodeItem[slot].curFileName : label);
    Write(context.streams.out, ReadWholeFile(panel.ShownFile()));
    return kExitOk;
}

int RunPage(const CommandContext& context)
{
    const Arguments& args = context.args;
    if (!context.args.Operands().empty())
        throw UsageError("page takes no operands");
    if (args.Has("--page") == args.Has("--slot"))
        throw UsageError("page needs either --page P or --slot S");
    if (args.Has("--slot"))
        return RunPageOfSlot(context);
    if (args.Has("--label"))
        throw UsageError("--label goes with --slot");
    CIndex index;
    OpenIndex(index, context.dataFolder, INDEX_FULL_TEXT);
    Write(context.streams.out, ReadPageText(index, PageNumber(context, index)));
    return kExitOk;
}

}  // namespace

const CommandSpec kRenderCommand{"render", kRenderUsage, kRenderOptions, RunRender};
const CommandSpec kPageCommand{"page", kPageUsage, kPageOptions, RunPage};

}  // namespace varo::cli
