#include "panel/resultlist.h"

#include "panel/catalogueorder.h"
#include "panel/paneltext.h"
#include "panel/scopelookup.h"
#include "text/codeconverter.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

namespace varo {

namespace {

ResultRowTag RowOf(const SearchNodeTag& result)
{
    ResultRowTag row;
    row.columns = {result.categoryName, result.titleName, result.volumeName, DecimalText(result.pageLabel),
                   DecimalText(result.hitCount)};
    row.itemData = result.pageNumber;
    return row;
}

// Code points compared one by one, so that a character beyond the basic plane sorts after every
// character of it, as in the concordance.
bool NameLess(const std::u16string& a, const std::u16string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const uint32_t x = CCodeConverter::DecodeUtf16(a, i);
        const uint32_t y = CCodeConverter::DecodeUtf16(b, j);
        if (x != y)
            return x < y;
    }
    return i == a.size() && j < b.size();
}

bool ColumnLess(int column, const SearchNodeTag& a, const SearchNodeTag& b)
{
    switch (column) {
    case COLUMN_CATEGORY: return NameLess(a.categoryName, b.categoryName);
    case COLUMN_TITLE: return NameLess(a.titleName, b.titleName);
    case COLUMN_VOLUME: return NameLess(a.volumeName, b.volumeName);
    case COLUMN_HITS: return a.hitCount < b.hitCount;
    default: return a.pageLabel < b.pageLabel;
    }
}

// Sorts stably through a permutation: the merges move page indices, and each result, which
// carries three names, is moved once into its place afterwards instead of once per merge pass.
// The order is the one a stable sort of the results themselves gives.
template <class Less>
void StableSortResults(std::vector<SearchNodeTag>& results, Less less)
{
    std::vector<size_t> order(results.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return less(results[a], results[b]); });
    // Place k receives the result from order[k]; each cycle of the permutation is followed
    // with one result held aside, and a place once filled points to itself.
    for (size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start)
            continue;
        SearchNodeTag held = std::move(results[start]);
        size_t place = start;
        while (order[place] != start) {
            const size_t from = order[place];
            results[place] = std::move(results[from]);
            order[place] = place;
            place = from;
        }
        results[place] = std::move(held);
        order[place] = place;
    }
}

}  // namespace

CHitSetShares::CHitSetShares(const std::vector<uint32_t>& pages, const std::vector<uint32_t>& counts)
    : m_pages(pages), m_counts(counts), m_sorted(std::is_sorted(pages.begin(), pages.end()))
{}

void CHitSetShares::Take(const ContentsNodeTag& entry, std::vector<uint32_t>& heldPages,
                         std::vector<uint32_t>& heldCounts) const
{
    heldPages.clear();
    heldCounts.clear();
    if (!m_sorted) {
        for (size_t i = 0; i < m_pages.size(); ++i) {
            if (!entry.HoldsPage(m_pages[i]))
                continue;
            heldPages.push_back(m_pages[i]);
            // Indices rise, so the pages that have a count come first, as in the whole set.
            if (i < m_counts.size())
                heldCounts.push_back(m_counts[i]);
        }
        return;
    }
    // Page numbers counted from 1 below the entry's first come before its share, and from its
    // first on the pages it holds run up to the first one past its end.
    const auto first = std::partition_point(m_pages.begin(), m_pages.end(),
                                            [&](uint32_t page) { return uint64_t{page} + 1 < entry.docID; });
    const auto end = std::partition_point(first, m_pages.end(), [&](uint32_t page) { return entry.HoldsPage(page); });
    heldPages.assign(first, end);
    const size_t from = std::min(static_cast<size_t>(first - m_pages.begin()), m_counts.size());
    const size_t to = std::min(static_cast<size_t>(end - m_pages.begin()), m_counts.size());
    heldCounts.assign(m_counts.begin() + static_cast<std::ptrdiff_t>(from),
                      m_counts.begin() + static_cast<std::ptrdiff_t>(to));
}

uint64_t CResultList::CollectResults(const ContentsNodeTag& scope)
{
    m_results.clear();
    uint64_t total = 0;
    const CScopeLookup lookup(scope);
    const ContentsNodeTag* category = lookup.CategoryOf();
    const std::u16string categoryName = category != nullptr ? category->name : std::u16string();
    // Room for every result at once: a result list of a million pages would otherwise be
    // moved through a dozen ever larger arrays.
    m_results.reserve(static_cast<size_t>(
        std::count_if(m_scanPages.begin(), m_scanPages.end(), [&](uint32_t page) { return scope.HoldsPage(page); })));
    for (size_t i = 0; i < m_scanPages.size(); ++i) {
        const uint32_t page = m_scanPages[i];
        if (!scope.HoldsPage(page))
            continue;
        SearchNodeTag result;
        result.categoryName = categoryName;
        result.titleName = lookup.TitleOf(page);
        if (const ContentsNodeTag* volume = lookup.VolumeOf(page)) {
            result.volumeName = volume->name;
            // The volume holds the page, so page + 1 >= docID: the label counts on from
            // curFileName.
            result.pageLabel = page + 1 - volume->docID + volume->curFileName;
        }
        result.pageNumber = page;
        result.hitCount = i < m_scanCounts.size() ? m_scanCounts[i] : 0;
        total += result.hitCount;
        m_results.push_back(std::move(result));
    }
    std::vector<uint32_t> pages;
    pages.reserve(m_results.size());
    for (const SearchNodeTag& result : m_results)
        pages.push_back(result.pageNumber);
    const std::vector<uint64_t> ranks = CatalogueRanks(scope, pages);
    for (size_t i = 0; i < m_results.size(); ++i)
        m_results[i].catalogueRank = ranks[i];
    m_scanPages.clear();
    m_scanCounts.clear();
    m_sortColumn = m_catalogueOrder ? -1 : COLUMN_PAGE;
    m_sortDescending = false;
    SortResults();
    return total;
}

// Pages with equal values keep the order before: the hit set's for a search, the list's for a
// click on a column.
void CResultList::SortResults()
{
    if (m_sortColumn < 0) {
        StableSortResults(m_results, [](const SearchNodeTag& a, const SearchNodeTag& b) {
            return a.catalogueRank < b.catalogueRank;
        });
        return;
    }
    const int column = m_sortColumn;
    if (m_sortDescending)
        StableSortResults(
            m_results, [column](const SearchNodeTag& a, const SearchNodeTag& b) { return ColumnLess(column, b, a); });
    else
        StableSortResults(
            m_results, [column](const SearchNodeTag& a, const SearchNodeTag& b) { return ColumnLess(column, a, b); });
}

void CResultList::SetCatalogueOrder(bool on)
{
    m_catalogueOrder = on;
    m_sortColumn = on ? -1 : COLUMN_PAGE;
    m_sortDescending = false;
    SortResults();
    if (m_listPageCount > 0) {
        m_listPage = 1;
        ShowListPage();
    }
}

uint64_t CResultList::ReplaceResults(std::vector<SearchNodeTag> results)
{
    m_results = std::move(results);
    uint64_t total = 0;
    for (const SearchNodeTag& result : m_results)
        total += result.hitCount;
    SortResults();
    ClearRows();
    ShowFirstListPage();
    return total;
}

void CResultList::ClearRows()
{
    m_rows.clear();
    PushRows();
}

void CResultList::ShowFirstListPage()
{
    m_listPageCount = static_cast<int>((m_results.size() + kRowsPerListPage - 1) / kRowsPerListPage);
    if (m_listPageCount > 0) {
        m_listPage = 1;
        ShowListPage();
        return;
    }
    m_listPage = 0;
    m_paging.visible = false;
    PushPaging();
}

void CResultList::ShowListPage()
{
    if (m_listPage < 1 || m_listPage > m_listPageCount)
        return;
    m_rows.clear();
    UpdatePagingControls();
    const size_t first = static_cast<size_t>(m_listPage - 1) * kRowsPerListPage;
    for (size_t index = first; index < m_results.size() && index < first + kRowsPerListPage; ++index)
        m_rows.push_back(RowOf(m_results[index]));
    PushRows();
}

void CResultList::UpdatePagingControls()
{
    m_paging.visible = m_listPageCount > 0;
    m_paging.previousEnabled = m_listPageCount != 1 && m_listPage != 1;
    m_paging.nextEnabled = m_listPageCount != 1 && m_listPage != m_listPageCount;
    m_paging.boxReadOnly = m_listPageCount == 1;
    m_paging.boxText = DecimalText(m_listPage);
    m_paging.countText = u"/" + DecimalText(m_listPageCount);
    m_pageBoxText = m_paging.boxText;
    PushPaging();
}

void CResultList::PreviousListPage()
{
    if (m_listPage <= 1)
        return;
    --m_listPage;
    ShowListPage();
}

void CResultList::NextListPage()
{
    if (m_listPage >= m_listPageCount)
        return;
    ++m_listPage;
    ShowListPage();
}

void CResultList::OnPageBoxTextChanged(const std::u16string& text)
{
    m_pageBoxText = text;
    ApplyPageBox();
}

void CResultList::ApplyPageBox()
{
    const int64_t wanted = LeadingNumber(m_pageBoxText);
    if (wanted <= 0 || wanted > m_listPageCount) {
        m_paging.boxText = DecimalText(m_listPage);
        m_pageBoxText = m_paging.boxText;
        PushPaging();
        return;
    }
    if (wanted != m_listPage) {
        m_listPage = static_cast<int>(wanted);
        ShowListPage();
    }
}

void CResultList::OnColumnClick(int column)
{
    if (column < COLUMN_CATEGORY || column > COLUMN_HITS)
        return;
    m_sortDescending = column == m_sortColumn && !m_sortDescending;
    m_sortColumn = column;
    SortResults();
    ShowListPage();
}

std::optional<uint32_t> CResultList::RowPage(int row) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size())
        return std::nullopt;
    return m_rows[static_cast<size_t>(row)].itemData;
}

void CResultList::PushRows()
{
    if (m_view != nullptr)
        m_view->SetResultRows(m_rows);
}

void CResultList::PushPaging()
{
    if (m_view != nullptr)
        m_view->SetPaging(m_paging);
}

}  // namespace varo
