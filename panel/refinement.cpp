// Research with the results of a search: searching inside the pages listed, narrowing the list
// to one catalogue entry, the way back to the whole scope, the search history, and showing a
// result page at one chosen hit.

#include "panel/leftformmodel.h"

#include "panel/paneltext.h"

#include <algorithm>

namespace varo {

namespace {

constexpr char16_t kRefinedText[] = u"結果内検索";
constexpr char16_t kNarrowedText[] = u"絞り込み：";

}  // namespace

void CLeftFormModel::ShowHit(uint32_t page, int anchor)
{
    KeepTopPosition();
    if (m_pageDisplay.ShowResult(page, m_keyWords, m_target, m_variant != 0, anchor))
        NoteResultShown(page);
}

// Searching inside the results: the hit set's pages are kept only where the list shows them,
// with the new search's counts. Before any search there is nothing listed to search inside, and
// the search covers the scope.
std::vector<uint32_t> CLeftFormModel::ListedPages() const
{
    std::vector<uint32_t> listed;
    for (const SearchNodeTag& result : m_resultList.m_results)
        listed.push_back(result.pageNumber);
    std::sort(listed.begin(), listed.end());
    return listed;
}

void CLeftFormModel::KeepListedPages(const std::vector<uint32_t>& listed)
{
    if (!m_lastSearch)
        return;
    std::vector<uint32_t>& pages = m_resultList.m_scanPages;
    std::vector<uint32_t>& counts = m_resultList.m_scanCounts;
    size_t kept = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (!std::binary_search(listed.begin(), listed.end(), pages[i]))
            continue;
        pages[kept] = pages[i];
        if (i < counts.size() && kept < counts.size())
            counts[kept] = counts[i];
        ++kept;
    }
    pages.resize(kept);
    counts.resize(std::min(counts.size(), kept));
}

// A search the engine refused changes nothing that the history or the narrowing keep.
void CLeftFormModel::AfterSearch(const std::u16string& typed, bool remember)
{
    m_searchResults = m_resultList.m_results;
    m_narrowSlot = 0;
    if (CIndex::CheckQuery(typed) == 0) {
        m_refined = false;
    } else {
        m_refined = m_refine && m_lastSearch.has_value();
        const SearchHistoryEntryTag entry{typed, m_andOr, m_variant != 0 ? 1 : 0, m_target, m_refined};
        if (remember)
            m_history.Add(entry);
        m_lastSearch = entry;
    }
    ShowNarrowing();
}

bool CLeftFormModel::NarrowToEntry(int slot)
{
    if (!m_lastSearch || !m_catalogue.IsSlot(slot))
        return false;
    const ContentsNodeTag* entry =
        CCatalogue::FindNodeForRecord(m_catalogue.m_root.get(), m_catalogue.m_NodeItem[static_cast<size_t>(slot)]);
    if (entry == nullptr)
        return false;
    std::vector<SearchNodeTag> narrowed;
    for (const SearchNodeTag& result : m_searchResults)
        if (entry->HoldsPage(result.pageNumber))
            narrowed.push_back(result);
    const size_t pages = narrowed.size();
    const uint64_t hits = m_resultList.ReplaceResults(std::move(narrowed));
    if (m_ports.panelView != nullptr)
        m_ports.panelView->SetSummary(SummaryText(pages, hits));
    m_narrowSlot = slot;
    ShowNarrowing();
    return true;
}

void CLeftFormModel::ShowWholeScope()
{
    if (!m_lastSearch)
        return;
    const SearchHistoryEntryTag search = *m_lastSearch;
    m_andOr = search.andOr;
    m_variant = search.variant;
    const bool refine = m_refine;
    m_refine = false;
    if (const std::vector<const ContentsNodeTag*> scopes = ScopeNodes(); !scopes.empty()) {
        m_pageDisplay.m_hitIndex = 0;
        SearchScopes(search.query, scopes, false);
    }
    m_refine = refine;
}

void CLeftFormModel::ShowNarrowing() const
{
    if (m_ports.panelView == nullptr)
        return;
    std::u16string text = m_refined ? kRefinedText : u"";
    if (m_narrowSlot != 0) {
        if (!text.empty())
            text += u"・";
        text += kNarrowedText + m_catalogue.m_NodeItem[static_cast<size_t>(m_narrowSlot)].Name();
    }
    m_ports.panelView->SetNarrowing(text);
}

}  // namespace varo
