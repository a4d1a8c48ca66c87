// Loads an arbitrary catalogue into a search panel over the fuzz collection and drives the panel
// on it: contents selections, searches within the scope, result pages and list paging, page,
// volume, hit and slider commands and target changes.
//
// Input: u32-prefixed zlq.dir, then operations to the end: u8 op, u16 argument, and for a search
// a query.

#include "fuzz/fuzzcollection.h"
#include "fuzz/fuzzinput.h"

#include "panel/leftformmodel.h"
#include "panel/paneltext.h"
#include "platform/memoryfiles.h"
#include "text/codeconverter.h"

#include <unistd.h>

using namespace varo;

namespace {

const fuzz::ScratchFolder& Folder()
{
    static fuzz::ScratchFolder folder;
    return folder;
}

std::u16string Wide(const std::filesystem::path& path)
{
    return CCodeConverter::Utf8ToUtf16(path.string());
}

// Ports that keep what a check needs: the typed query and the files the view was sent to.
struct Ports : IMessageSink, ITextView, IQueryInput {
    void ShowMessage(const std::u16string&) override { ++messages; }
    void Navigate(const std::u16string& path, const std::u16string&) override { lastPath = path; }
    bool HasDocument() const override { return true; }
    std::vector<std::optional<std::u16string>> InputValues() const override { return {typed}; }

    int messages = 0;
    std::u16string lastPath;
    std::u16string typed;
};

void CheckState(const CLeftFormModel& panel, const Ports& ports)
{
    VARO_FUZZ_CHECK(panel.m_curRecord == 0 || panel.m_catalogue.IsSlot(panel.m_curRecord));
    VARO_FUZZ_CHECK(panel.m_pageDisplay.m_hitIndex >= 0);
    VARO_FUZZ_CHECK(panel.m_pageDisplay.m_hitCount == 0 ||
                    panel.m_pageDisplay.m_hitIndex < panel.m_pageDisplay.m_hitCount);
    const CResultList& list = panel.m_resultList;
    VARO_FUZZ_CHECK(list.m_listPage >= 0 && list.m_listPage <= list.m_listPageCount);
    VARO_FUZZ_CHECK(list.Rows().size() <= static_cast<size_t>(kRowsPerListPage));
    // Pages are shown only from the panel's own folder.
    if (!ports.lastPath.empty())
        VARO_FUZZ_CHECK(ports.lastPath.starts_with(panel.m_pageDisplay.FolderPath() + u"/"));
}

void RunOperation(CLeftFormModel& panel, Ports& ports, fuzz::Reader& input)
{
    const uint8_t op = input.Byte();
    const uint16_t argument = input.U16();
    switch (op % 12) {
    case 0: panel.OnContentsSelect(argument % (panel.m_catalogue.m_nodeCount + 1)); break;
    case 1: panel.NextPage(); break;
    case 2: panel.PreviousPage(); break;
    case 3: panel.NextVolume(); break;
    case 4: panel.PreviousVolume(); break;
    case 5: panel.OnSliderReleased(static_cast<int16_t>(argument)); break;
    case 6:
        ports.typed = input.Query();
        panel.m_andOr = argument & 1;
        panel.m_variant = argument & 2;
        panel.RunSearch();
        break;
    case 7: panel.OnResultSelected(argument % (kRowsPerListPage + 1)); break;
    case 8: panel.NextHit(); break;
    case 9: panel.PreviousHit(); break;
    case 10: panel.OnTargetClicked(argument % 4); break;
    default:
        switch (argument % 4) {
        case 0: panel.m_resultList.NextListPage(); break;
        case 1: panel.m_resultList.PreviousListPage(); break;
        case 2: panel.m_resultList.OnPageBoxTextChanged(DecimalText(static_cast<int16_t>(argument) >> 2)); break;
        default: panel.m_resultList.OnColumnClick((argument >> 2) % 5); break;
        }
        break;
    }
    CheckState(panel, ports);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The collection is read from memory; the panel writes its page files and the listing into
    // real folders.
    fuzz::HoldCollection();
    std::filesystem::create_directories(Folder().Path() / "temporary");
    std::filesystem::create_directories(Folder().Path() / "listing");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Reader input(data, size);
    const std::filesystem::path& folder = Folder().Path();
    MemoryFiles::Put(fuzz::HeldPath(u"zlq.dir"), std::string(input.Blob(4)));
    Ports ports;
    {
        const PanelFoldersTag folders{fuzz::kHeldFolder, Wide(folder / "temporary"), Wide(folder / "listing")};
        CLeftFormModel panel(folders, {&ports, &ports, nullptr, &ports, nullptr});
        panel.OnInitialUpdate();
        VARO_FUZZ_CHECK(panel.m_catalogue.m_nodeCount >= 1 && panel.m_catalogue.m_nodeCount <= kCatalogueSlots);
        for (int operations = 0; !input.Empty() && operations < 32; ++operations)
            RunOperation(panel, ports, input);
    }
    // The panel takes its page files with it.
    VARO_FUZZ_CHECK(std::filesystem::is_empty(folder / "temporary"));
    return 0;
}
