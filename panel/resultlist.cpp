#include "panel/resultlist.h"

#include "panel/paneltext.h"
#include "panel/scopelookup.h"

#include <algorithm>
#include <unordered_map>

namespace varo {

namespace {

ResultRowTag RowOf(const SearchNodeTag& result)
{
    ResultRowTag row;
    row.columns = {result.categoryName, result.titleName, result.volumeName, DecimalText(result.pageLabel)};
    row.itemData = result.pageNumber;
    return row;
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
    m_scanPages.clear();
    m_scanCounts.clear();
    // Pages with equal labels keep the order of the hit set.
    std::stable_sort(m_results.begin(), m_results.end(),
                     [](const SearchNodeTag& a, const SearchNodeTag& b) { return a.pageLabel < b.pageLabel; });
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
    if (column != 3)
        return;
    // Each row is compared by the label of the first row that carries its item data, as the
    // list control finds rows by item data.
    std::unordered_map<uint32_t, int64_t> labelOf;
    for (const ResultRowTag& row : m_rows)
        labelOf.try_emplace(row.itemData, LeadingNumber(row.columns[3]));
    std::stable_sort(m_rows.begin(), m_rows.end(), [&labelOf](const ResultRowTag& a, const ResultRowTag& b) {
        return labelOf.at(a.itemData) < labelOf.at(b.itemData);
    });
    PushRows();
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
