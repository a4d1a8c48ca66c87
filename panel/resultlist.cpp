#include "panel/resultlist.h"

#include "panel/catalogueorder.h"
#include "panel/paneltext.h"
#include "panel/scopelookup.h"
#include "text/codeconverter.h"

#include <algorithm>

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

}  // namespace

uint64_t CResultList::CollectResults(const ContentsNodeTag& scope)
{
    m_results.clear();
    uint64_t total = 0;
    const CScopeLookup lookup(scope);
    const ContentsNodeTag* category = lookup.CategoryOf();
    const std::u16string categoryName = category != nullptr ? category->name : std::u16string();
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
        std::stable_sort(m_results.begin(), m_results.end(), [](const SearchNodeTag& a, const SearchNodeTag& b) {
            return a.catalogueRank < b.catalogueRank;
        });
        return;
    }
    const int column = m_sortColumn;
    if (m_sortDescending)
        std::stable_sort(m_results.begin(), m_results.end(),
                         [column](const SearchNodeTag& a, const SearchNodeTag& b) { return ColumnLess(column, b, a); });
    else
        std::stable_sort(m_results.begin(), m_results.end(),
                         [column](const SearchNodeTag& a, const SearchNodeTag& b) { return ColumnLess(column, a, b); });
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
