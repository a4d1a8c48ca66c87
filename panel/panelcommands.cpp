// The page, volume and hit commands of the main frame and the page slider, with the rules that
// enable them. They move through the current volume m_curRecord of the search panel.
#include "panel/leftformmodel.h"

#include "panel/paneltext.h"

#include <algorithm>
#include <climits>

namespace varo {

const CatalogueRecordTag* CLeftFormModel::CurrentVolume() const
{
    return m_catalogue.IsSlot(m_curRecord) ? &m_catalogue.m_NodeItem[static_cast<size_t>(m_curRecord)] : nullptr;
}

bool CLeftFormModel::CanPreviousPage() const
{
    const CatalogueRecordTag* volume = CurrentVolume();
    return volume != nullptr && int64_t{m_curPage} - volume->curFileName >= 1;
}

bool CLeftFormModel::CanNextPage() const
{
    const CatalogueRecordTag* volume = CurrentVolume();
    // Unsigned on purpose: a page below the volume's first label wraps to a large offset and
    // so never counts as inside the volume.
    return volume != nullptr && m_curPage < INT_MAX &&
           static_cast<uint32_t>(m_curPage) - volume->curFileName + 1u < volume->docNo;
}

bool CLeftFormModel::HasVolumeBetween(int first, int last) const
{
    for (int slot = std::max(first, 1); slot <= last && slot < m_catalogue.m_nodeCount; ++slot) {
        if (m_catalogue.m_NodeItem[static_cast<size_t>(slot)].level == 3)
            return true;
    }
    return false;
}

bool CLeftFormModel::CanPreviousVolume() const
{
    return CurrentVolume() != nullptr && HasVolumeBetween(1, m_curRecord - 1);
}

bool CLeftFormModel::CanNextVolume() const
{
    return CurrentVolume() != nullptr && HasVolumeBetween(m_curRecord + 1, m_catalogue.m_nodeCount - 1);
}

void CLeftFormModel::PreviousPage()
{
    if (CanPreviousPage())
        MoveToPage(m_curPage - 1);
}

void CLeftFormModel::NextPage()
{
    if (CanNextPage())
        MoveToPage(m_curPage + 1);
}

void CLeftFormModel::OnSliderReleased(int position)
{
    if (CurrentVolume() == nullptr)
        return;
    MoveToPage(position);
    // A page that could not be shown leaves the thumb where the shown page is.
    if (m_curPage != position && m_ports.slider != nullptr)
        m_ports.slider->SetPosition(m_curPage);
}

// The current page moves only when its page could be shown, so that the page indicator and
// the slider never name a page the view does not show.
void CLeftFormModel::MoveToPage(int label)
{
    KeepTopPosition();
    if (!m_pageDisplay.ShowPage(m_curRecord, false, label))
        return;
    m_curPage = label;
    if (m_ports.slider != nullptr)
        m_ports.slider->SetPosition(m_curPage);
    ShowPageIndicator();
    NoteShownPlace();
}

int CLeftFormModel::NextVolume()
{
    if (CurrentVolume() == nullptr)
        return 0;
    int slot = m_curRecord + 1;
    while (slot < m_catalogue.m_nodeCount && m_catalogue.m_NodeItem[static_cast<size_t>(slot)].level != 3)
        ++slot;
    if (slot >= m_catalogue.m_nodeCount) {
        ShowMessage(kLastVolumeMessage);
        return 0;
    }
    return EnterVolume(slot);
}

int CLeftFormModel::PreviousVolume()
{
    if (CurrentVolume() == nullptr)
        return 0;
    // The current volume follows the scan: running past the first volume leaves none.
    do
        --m_curRecord;
    while (m_curRecord > 0 && m_catalogue.m_NodeItem[static_cast<size_t>(m_curRecord)].level != 3);
    if (m_curRecord == 0) {
        ShowMessage(kFirstVolumeMessage);
        return 0;
    }
    return EnterVolume(m_curRecord);
}

int CLeftFormModel::EnterVolume(int slot)
{
    KeepTopPosition();
    m_curRecord = slot;
    const bool shown = m_pageDisplay.ShowPage(slot, true, 1);
    m_curPage = m_catalogue.m_NodeItem[static_cast<size_t>(slot)].curFileName;
    SetSliderForVolume(slot);
    ShowPageIndicator();
    if (shown)
        NoteShownPlace();
    return slot;
}

// The slider runs over the volume's page labels, curFileName .. curFileName + docNo - 1.
void CLeftFormModel::SetSliderForVolume(int slot)
{
    if (m_ports.slider == nullptr)
        return;
    const CatalogueRecordTag& volume = m_catalogue.m_NodeItem[static_cast<size_t>(slot)];
    const int first = volume.curFileName;
    const int64_t last = std::clamp<int64_t>(int64_t{first} + volume.docNo - 1, first, INT_MAX);
    m_ports.slider->SetRange(first, static_cast<int>(last));
    m_ports.slider->SetPosition(first);
}

void CLeftFormModel::ShowPageIndicator()
{
    // Called whenever a page of the current volume has been shown: the status bar names it.
    if (const CatalogueRecordTag* volume = CurrentVolume()) {
        const int title = m_catalogue.TreeParentOf(m_curRecord);
        m_shownTitle = m_catalogue.IsSlot(title) ? m_catalogue.m_NodeItem[static_cast<size_t>(title)].Name() : u"";
        m_shownVolume = volume->Name();
        m_shownLabel = DecimalText(m_curPage);
        m_showingResult = false;
    }
    if (m_ports.slider != nullptr)
        m_ports.slider->SetPageText(PageIndicatorText(m_index.GetHeaderWord(), m_curPage));
}

}  // namespace varo
