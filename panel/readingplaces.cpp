// The places the reader has been: back and forward through the pages seen in this run, the
// neighbours of a result page (the page commands step through the volume it is read in), and
// showing a page kept earlier, as a bookmark or the page of the last run keeps it.

#include "panel/leftformmodel.h"

namespace varo {

int CLeftFormModel::VolumeSlotOf(uint32_t page) const
{
    for (int slot = 1; slot < m_catalogue.m_nodeCount; ++slot) {
        const CatalogueRecordTag& entry = m_catalogue.m_NodeItem[static_cast<size_t>(slot)];
        if (entry.level == 3 && entry.HoldsPage(page))
            return slot;
    }
    return 0;
}

// A result page's neighbours are its volume's pages: the page commands and the slider go on
// from it as from a page opened in the catalogue. A page no volume holds has none.
void CLeftFormModel::FollowResultVolume(uint32_t page)
{
    m_curRecord = VolumeSlotOf(page);
    if (m_curRecord == 0) {
        m_curPage = 0;
        return;
    }
    const CatalogueRecordTag& volume = m_catalogue.m_NodeItem[static_cast<size_t>(m_curRecord)];
    // The volume holds the page, so page + 1 >= docID; the label is the result list's.
    m_curPage = static_cast<int>(int64_t{page} + 1 - volume.docID + volume.curFileName);
    SetSliderForVolume(m_curRecord);
    if (m_ports.slider != nullptr)
        m_ports.slider->SetPosition(m_curPage);
    ShowPageIndicator();
}

// After a result page was rendered with the current search.
void CLeftFormModel::NoteResultShown(uint32_t page)
{
    m_shownQuery = m_keyWords;
    m_shownTarget = m_target;
    m_shownVariants = m_variant != 0;
    FollowResultVolume(page);
    m_showingResult = true;
    NoteShownPlace();
}

void CLeftFormModel::PreviousHit()
{
    m_pageDisplay.PreviousHit();
    if (m_showingResult)
        NoteShownPlace();
}

void CLeftFormModel::NextHit()
{
    m_pageDisplay.NextHit();
    if (m_showingResult)
        NoteShownPlace();
}

std::optional<ReadingPlaceTag> CLeftFormModel::ShownPlace() const
{
    if (!m_pageDisplay.m_shownPage)
        return std::nullopt;
    ReadingPlaceTag place;
    place.result = m_showingResult;
    place.slot = m_curRecord;
    place.label = m_curPage;
    place.page = *m_pageDisplay.m_shownPage;
    if (m_showingResult) {
        place.query = m_shownQuery;
        place.target = m_shownTarget;
        place.variants = m_shownVariants;
        place.anchor = m_pageDisplay.m_hitIndex;
    }
    if (m_ports.textView != nullptr)
        place.topPosition = m_ports.textView->TopPosition();
    return place;
}

// The place the reader leaves is kept with the text at the view's top, so that back and
// forward bring it back there.
void CLeftFormModel::KeepTopPosition()
{
    ReadingPlaceTag* current = m_readingHistory.Current();
    if (current != nullptr && m_ports.textView != nullptr && m_pageDisplay.m_shownPage)
        current->topPosition = m_ports.textView->TopPosition();
}

void CLeftFormModel::NoteShownPlace()
{
    if (const std::optional<ReadingPlaceTag> place = ShownPlace())
        m_readingHistory.Visit(*place);
}

// Shows a place as it was, without entering it into the history.
bool CLeftFormModel::ShowPlaceAgain(const ReadingPlaceTag& place)
{
    if (place.result) {
        if (!m_pageDisplay.ShowResult(place.page, place.query, place.target, place.variants, place.anchor))
            return false;
        m_shownQuery = place.query;
        m_shownTarget = place.target;
        m_shownVariants = place.variants;
        FollowResultVolume(place.page);
        m_showingResult = true;
    } else {
        if (!m_catalogue.IsSlot(place.slot) || !m_pageDisplay.ShowPage(place.slot, false, place.label))
            return false;
        m_curRecord = place.slot;
        m_curPage = place.label;
        SetSliderForVolume(place.slot);
        if (m_ports.slider != nullptr)
            m_ports.slider->SetPosition(m_curPage);
        ShowPageIndicator();
    }
    if (place.topPosition > 0 && m_ports.textView != nullptr)
        m_ports.textView->ScrollToPosition(place.topPosition);
    return true;
}

int CLeftFormModel::GoBack()
{
    return StepThroughHistory(&CReadingHistory::Back);
}

int CLeftFormModel::GoForward()
{
    return StepThroughHistory(&CReadingHistory::Forward);
}

int CLeftFormModel::StepThroughHistory(const ReadingPlaceTag* (CReadingHistory::*step)())
{
    KeepTopPosition();
    const size_t from = m_readingHistory.CurrentIndex();
    const ReadingPlaceTag* place = (m_readingHistory.*step)();
    if (place == nullptr)
        return 0;
    if (!ShowPlaceAgain(*place)) {
        // The reader stays where they were, and so does the history.
        m_readingHistory.Return(from);
        ShowMessage(kPlaceGoneMessage);
        return 0;
    }
    return m_curRecord;
}

std::optional<BookmarkTag> CLeftFormModel::ShownBookmark() const
{
    if (!m_pageDisplay.m_shownPage)
        return std::nullopt;
    return BookmarkOf(m_catalogue, *m_pageDisplay.m_shownPage);
}

int CLeftFormModel::ShowBookmark(const BookmarkTag& bookmark)
{
    const std::optional<BookmarkPlaceTag> found = FindBookmark(m_catalogue, bookmark);
    ReadingPlaceTag place;
    if (found) {
        place.slot = found->slot;
        place.label = found->label;
        place.page = found->page;
    }
    if (!found || !ShowPlace(place)) {
        ShowMessage(kBookmarkGoneMessage);
        return 0;
    }
    return m_curRecord;
}

std::optional<LastPlaceTag> CLeftFormModel::LastPlace() const
{
    const std::optional<ReadingPlaceTag> shown = ShownPlace();
    const std::optional<BookmarkTag> page = ShownBookmark();
    if (!shown || !page)
        return std::nullopt;
    return LastPlaceTag{*page,           shown->result, shown->query,      shown->target,
                        shown->variants, shown->anchor, shown->topPosition};
}

bool CLeftFormModel::Reopen(const LastPlaceTag& last)
{
    const std::optional<BookmarkPlaceTag> found = FindBookmark(m_catalogue, last.page);
    if (!found)
        return false;
    ReadingPlaceTag place;
    place.result = last.result;
    place.slot = found->slot;
    place.label = found->label;
    place.page = found->page;
    place.query = last.query;
    place.target = last.target;
    place.variants = last.variants;
    place.anchor = last.anchor;
    place.topPosition = last.topPosition;
    return ShowPlace(place);
}

bool CLeftFormModel::ShowPlace(const ReadingPlaceTag& place)
{
    KeepTopPosition();
    if (!ShowPlaceAgain(place))
        return false;
    NoteShownPlace();
    return true;
}

}  // namespace varo
