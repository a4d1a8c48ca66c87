// catalogue: the records of zlq.dir as the panel loads them, as a tree or as JSON. Loading
// writes the listing zlq.txt into the current folder, as the program does at start.

#include "panel/catalogue.h"
#include "tools/varo-cli/commands.h"
#include "tools/varo-cli/jsonwriter.h"
#include "tools/varo-cli/output.h"
#include "tools/varo-cli/querytext.h"
#include "tools/varo-cli/scratchfolder.h"

#include <filesystem>
#include <optional>

namespace varo::cli {

namespace {

constexpr char kUsage[] =
    "usage: varo-cli catalogue [--json]\n"
    "\n"
    "Loads the catalogue zlq.dir and shows its records as the contents tree, each with its\n"
    "record slot, level, docID, docNo and curFileName. Writes the catalogue listing zlq.txt\n"
    "into the current folder (unless that is the data folder, which is never written).\n"
    "\n"
    "  --json         {\"records\": [{\"slot\", \"level\", \"name\", \"docID\", \"docNo\",\n"
    "                 \"curFileName\", \"parent\"}]}; parent is the slot of the item above (0: none)\n"
    "  --data DIR     the data folder (default: the folder of varo-cli)\n";

constexpr OptionSpec kOptions[] = {{"--json"}, {"--data", true}, {"--help"}};

bool IsCurrentFolder(const std::u16string& folder)
{
    std::error_code error;
    return std::filesystem::equivalent(std::filesystem::current_path(error), DisplayText(folder), error);
}

std::string RecordsJson(const CCatalogue& catalogue)
{
    JsonWriter json;
    json.BeginObject().Key("records").BeginArray();
    for (int slot = 1; slot < catalogue.m_nodeCount; ++slot) {
        const CatalogueRecordTag& record = catalogue.m_NodeItem[static_cast<size_t>(slot)];
        json.BeginObject().Key("slot").Number(slot).Key("level").Number(int64_t{record.level});
        json.Key("name").String(record.Name()).Key("docID").Number(record.docID).Key("docNo").Number(record.docNo);
        json.Key("curFileName").Number(uint32_t{record.curFileName}).Key("parent").Number(catalogue.TreeParentOf(slot));
        json.EndObject();
    }
    json.EndArray().EndObject();
    return json.Text();
}

// The contents tree drawn with box lines, one record a line.
class TreeDrawing {
public:
    TreeDrawing(const CCatalogue& catalogue, std::FILE* out)
        : m_catalogue(catalogue), m_out(out), m_children(static_cast<size_t>(catalogue.m_nodeCount))
    {
        for (int slot = 1; slot < catalogue.m_nodeCount; ++slot)
            m_children[static_cast<size_t>(catalogue.TreeParentOf(slot))].push_back(slot);
    }

    // An item's parent always has a smaller slot and a level one less, so the depth stays
    // within the loader's 19 levels.
    void Draw(int parent = 0, const std::string& indent = {})
    {
        const std::vector<int>& children = m_children[static_cast<size_t>(parent)];
        for (size_t i = 0; i < children.size(); ++i) {
            const bool last = i + 1 == children.size();
            const std::string branch = parent == 0 ? "" : last ? "└─ " : "├─ ";
            WriteLine(m_out, indent + branch + Describe(children[i]));
            Draw(children[i], parent == 0 ? indent : indent + (last ? "   " : "│  "));
        }
    }

private:
    std::string Describe(int slot) const
    {
        const CatalogueRecordTag& record = m_catalogue.m_NodeItem[static_cast<size_t>(slot)];
        return FieldText(record.Name()) + "  [slot " + std::to_string(slot) + ", level " +
               std::to_string(record.level) + ", docID " + std::to_string(record.docID) + ", docNo " +
               std::to_string(record.docNo) + ", curFileName " + std::to_string(record.curFileName) + "]";
    }

    const CCatalogue& m_catalogue;
    std::FILE* m_out;
    std::vector<std::vector<int>> m_children;
};

int RunCatalogue(const CommandContext& context)
{
    if (!context.args.Operands().empty())
        throw UsageError("catalogue takes no operands");
    CCatalogue catalogue;
    std::optional<ScratchFolder> elsewhere;
    if (IsCurrentFolder(context.dataFolder)) {
        std::fputs("varo-cli: the current folder is the data folder; zlq.txt is not written there\n",
                   context.streams.err);
        catalogue.SetListingFolder(elsewhere.emplace().Folder());
    }
    RecordingMessageSink messages;
    if (!catalogue.LoadCatalogue(context.dataFolder, &messages)) {
        std::string text;
        for (const std::u16string& message : messages.messages)
            text += DisplayText(message);
        throw CommandFailure(kExitData, text);
    }
    if (context.args.Has("--json"))
        WriteLine(context.streams.out, RecordsJson(catalogue));
    else
        TreeDrawing(catalogue, context.streams.out).Draw();
    return kExitOk;
}

}  // namespace

const CommandSpec kCatalogueCommand{"catalogue", kUsage, kOptions, RunCatalogue};

}  // namespace varo::cli
