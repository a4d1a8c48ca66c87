#pragma once
// The results of a search: one record per hit page inside the scope, named from the catalogue,
// sorted by page label and shown a hundred rows at a time with a paging row under the list.

#include "panel/catalogue.h"
#include "panel/panelports.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varo {

inline constexpr int kRowsPerListPage = 100;

/// One result.
struct SearchNodeTag {
    std::u16string categoryName;
    std::u16string titleName;   // empty when no title of the scope holds the page
    std::u16string volumeName;  // empty when no volume of the scope holds the page
    uint32_t pageNumber = 0;    // 0-based page record
    uint32_t pageLabel = 0;     // label within its volume; 0 when no volume was found
    uint32_t hitCount = 0;
};

class CResultList {
public:
    explicit CResultList(IPanelView* view = nullptr) : m_view(view) {}
    void SetView(IPanelView* view) { m_view = view; }

    /// Turns m_scanPages / m_scanCounts into m_results (pages inside the scope only, sorted by
    /// page label) and empties them; returns the sum of the hit counts of the results. A page
    /// without a count (a count list shorter than the page list) counts 0 hits.
    uint64_t CollectResults(const ContentsNodeTag& scope);

    /// Removes every row from the list (a search run starts with this).
    void ClearRows();

    /// After CollectResults: counts the list pages and shows the first, or hides the paging row
    /// when there are no results.
    void ShowFirstListPage();

    /// Fills the list with list page m_listPage; does nothing when it is out of range.
    void ShowListPage();
    void UpdatePagingControls();

    // Paging reactions.
    void PreviousListPage();
    void NextListPage();
    /// The page box's text changed (typed, or written by the panel itself).
    void OnPageBoxTextChanged(const std::u16string& text);
    /// Goes to the list page the box names, or puts the current number back when it names none.
    void ApplyPageBox();

    /// A click on a column header: column 3 (頁) sorts the rows shown by page label, ascending.
    /// m_results keeps its order.
    void OnColumnClick(int column);

    const std::vector<ResultRowTag>& Rows() const { return m_rows; }
    const PagingStateTag& Paging() const { return m_paging; }
    /// The page number of a row shown, or none.
    std::optional<uint32_t> RowPage(int row) const;

    std::vector<SearchNodeTag> m_results;
    std::vector<uint32_t> m_scanPages;
    std::vector<uint32_t> m_scanCounts;
    int m_listPageCount = 0;
    int m_listPage = 0;

private:
    void PushRows();
    void PushPaging();

    IPanelView* m_view;
    std::vector<ResultRowTag> m_rows;
    PagingStateTag m_paging;
    std::u16string m_pageBoxText;
};

}  // namespace varo
