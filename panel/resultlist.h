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
    uint64_t catalogueRank = 0;  // the page's place in catalogue order (CatalogueRanks)
};

/// The columns of the result list.
enum ResultColumn : int {
    COLUMN_CATEGORY = 0,
    COLUMN_TITLE = 1,
    COLUMN_VOLUME = 2,
    COLUMN_PAGE = 3,
    COLUMN_HITS = 4,
};

/// Hands each scope entry its share of a hit set: the pages in the entry's range, in the set's
/// order, with their counts. The engine's hit sets are sorted by page, so a share is cut out by
/// binary search and an entry costs no walk over every hit; a set out of order is walked.
class CHitSetShares {
public:
    /// Keeps references: pages and counts must outlive this object.
    CHitSetShares(const std::vector<uint32_t>& pages, const std::vector<uint32_t>& counts);

    /// The pages entry holds into heldPages, and their counts into heldCounts (a count list
    /// shorter than the page list gives a share whose count list is shorter too).
    void Take(const ContentsNodeTag& entry, std::vector<uint32_t>& heldPages, std::vector<uint32_t>& heldCounts) const;

private:
    const std::vector<uint32_t>& m_pages;
    const std::vector<uint32_t>& m_counts;
    bool m_sorted;
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

    /// A click on a column header sorts every result by that column, ascending; a second click
    /// on the same column reverses the order. Equal values keep the list order, so 頁 ascending
    /// is the order a search lists. The list page shown stays.
    void OnColumnClick(int column);
    /// The column the results are sorted by (-1 for catalogue order) and whether descending.
    int SortColumn() const { return m_sortColumn; }
    bool SortDescending() const { return m_sortDescending; }

    /// Lists results in catalogue (reading) order instead of page-label order, from the next
    /// search on and for the results listed now (shown from list page 1).
    void SetCatalogueOrder(bool on);
    bool CatalogueOrder() const { return m_catalogueOrder; }

    /// Replaces the results by others of the same search (a narrowing) and shows them from the
    /// first list page; returns the sum of their hits.
    uint64_t ReplaceResults(std::vector<SearchNodeTag> results);

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
    void SortResults();
    void PushPaging();

    IPanelView* m_view;
    std::vector<ResultRowTag> m_rows;
    PagingStateTag m_paging;
    std::u16string m_pageBoxText;
    bool m_catalogueOrder = false;
    int m_sortColumn = COLUMN_PAGE;
    bool m_sortDescending = false;
};

}  // namespace varo
