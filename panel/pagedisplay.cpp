#include "panel/pagedisplay.h"

#include "panel/paneltext.h"

#include <algorithm>
#include <exception>

namespace varo {

std::u16string AnchorName(int index)
{
    std::u16string digits = DecimalText(index);
    if (index >= 0 && digits.size() < 4)
        digits.insert(0, 4 - digits.size(), u'0');
    return digits;
}

CPageDisplay::CPageDisplay(const CIndex& index, const CCatalogue& catalogue, const std::u16string& temporaryParent)
    : m_index(index), m_catalogue(catalogue), m_files(temporaryParent)
{}

bool CPageDisplay::ShowPage(int slot, bool firstPage, int label)
{
    if (!m_catalogue.IsSlot(slot))
        return false;
    const CatalogueRecordTag& entry = m_catalogue.m_NodeItem[static_cast<size_t>(slot)];
    if (firstPage)
        label = entry.curFileName;
    if (entry.docID == 0)
        return false;
    // Only a page inside the entry's range is the entry's: the scan ends with the range, so
    // that a label the entry lacks does not cost a scan of the whole list file.
    int64_t record = 0;
    if (!m_index.FindPage(entry.docID - 1, label, record, entry.docNo) || record < 0 || record > int64_t{UINT32_MAX} ||
        !entry.HoldsPage(static_cast<uint32_t>(record)))
        return false;
    // Read before the file is replaced, so that a failed read leaves the shown file whole.
    std::string text;
    if (!m_index.ReadText(static_cast<uint32_t>(record), text)) {
        ReportUnreadablePage();
        return false;
    }
    if (!m_files.WriteFile(kPageFileName, text)) {
        ReportUnwritablePage();
        return false;
    }
    Navigate(PageFilePath(), {});
    m_shownPage = static_cast<uint32_t>(record);
    return true;
}

bool CPageDisplay::ShowResult(uint32_t page, const std::u16string& query, int target, bool useVariants, int anchor)
{
    // A closed index set renders nothing, and neither does a page record the text store cannot
    // read (one past the end of a list file cut short, or a text outside the content file): an
    // empty page would pass for a page without hits.
    uint32_t length = 0;
    if (!m_index.IsOpen())
        return false;
    if (!m_index.GetTextLength(page, length)) {
        ReportUnreadablePage();
        return false;
    }
    const std::u16string name = m_firstResultFileNext ? kFirstResultFileName : kSecondResultFileName;
    std::string html;
    int anchors = 0;
    try {
        anchors = m_index.RenderResultPage(page, html, query, target, useVariants);
    } catch (const std::exception&) {
        // A failure while rendering ends the display silently; the view keeps its page.
        return false;
    }
    // The hit state changes only together with the file it describes.
    if (!m_files.WriteFile(name, html)) {
        ReportUnwritablePage();
        return false;
    }
    m_hitCount = anchors;
    m_hitIndex = std::clamp(anchor, 0, std::max(anchors - 1, 0));
    const std::u16string file = m_files.FilePath(name);
    Navigate(file, AnchorName(m_hitIndex));
    m_shownPage = page;
    m_firstResultFileNext = !m_firstResultFileNext;
    m_hitFile = file;
    return true;
}

void CPageDisplay::PreviousHit()
{
    if (!CanPreviousHit())
        return;
    --m_hitIndex;
    Navigate(m_hitFile, AnchorName(m_hitIndex));
}

void CPageDisplay::NextHit()
{
    if (!CanNextHit())
        return;
    ++m_hitIndex;
    Navigate(m_hitFile, AnchorName(m_hitIndex));
}

// A page record that lies outside the content file or claims more than a page can hold: the
// collection is damaged there, which the user is told in the words used for data that does not
// open.
void CPageDisplay::ReportUnreadablePage() const
{
    if (m_messages != nullptr)
        m_messages->ShowMessage(kOpenFailedMessage);
}

// The view keeps the page it shows; the user is told why the new one does not come.
void CPageDisplay::ReportUnwritablePage() const
{
    if (m_messages != nullptr)
        m_messages->ShowMessage(kPageFileUnwritableMessage);
}

void CPageDisplay::Navigate(const std::u16string& path, const std::u16string& anchor)
{
    if (m_view != nullptr)
        m_view->Navigate(path, anchor);
}

}  // namespace varo
