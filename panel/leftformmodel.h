#pragma once
// The search panel without its window: the index set, the catalogue and the scope, the search
// options and the search run, the result list and the page display, and the page, volume and
// hit commands that the main frame offers on them with their enabling rules. The desktop shell
// presents this model; tests drive it through fake ports.
//
// How a shell presents it:
// - after OnInitialUpdate, one contents-tree item per slot 1 .. m_catalogue.m_nodeCount - 1 in
//   slot order, text m_NodeItem[slot].Name(), item data slot, under the item of
//   m_catalogue.TreeParentOf(slot) (0: top level); a selection change calls OnContentsSelect;
// - the option controls write m_andOr and m_variant; the target radios call OnTargetClicked;
//   the 検索 button calls RunSearch, Enter anywhere in the panel OnEnterKey;
// - the result list and paging row show what IPanelView receives; <, >, the page box and
//   header clicks go to m_resultList; a row becoming selected calls OnResultSelected(row);
// - the main frame enables its commands with the Can... rules, runs the actions, and selects
//   the contents-tree item of the slot that NextVolume / PreviousVolume return.

#include "engine/index.h"
#include "panel/bookmarks.h"
#include "panel/catalogue.h"
#include "panel/pagedisplay.h"
#include "panel/panelports.h"
#include "panel/readinghistory.h"
#include "panel/resultlist.h"
#include "panel/searchhistory.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varo {

inline constexpr char16_t kTextSetName[] = u"Index";
/// The scope label before the catalogue has named the scope (the label then names it).
inline constexpr char16_t kInitialScopePath[] = u"";
/// The scope label of the whole-collection scope, which covers every category.
inline constexpr char16_t kWholeCollectionScopePath[] = u"全体（すべての類別）";
inline constexpr char16_t kSummaryCaption[] = u"検索集計：";
inline constexpr char16_t kNoScopeMessage[] = u"検索範囲をまた指定していません。";
inline constexpr char16_t kNoKeywordMessage[] = u"何かキーワードを入力して検索をして下さい。";
/// The scope entry has no node in the catalogue tree (for example when zlq.dir is missing).
inline constexpr char16_t kScopeNotFoundMessage[] = u"検索範囲が目録に見つかりません。";
/// A query the engine refuses: the first character it cannot search follows the colon, and
/// kSearchableText says what can be searched.
inline constexpr char16_t kRefusedCharacterMessage[] = u"検索できない文字が含まれています：";
inline constexpr char16_t kSearchableText[] =
    u"漢字などの文字、ワイルドカード「?」「？」「*」と、語を区切る空白で検索して下さい。";
/// A query of wildcards and blanks only, which no page could ever match.
inline constexpr char16_t kWildcardsOnlyMessage[] = u"ワイルドカード（?　？　*）だけでは検索できません。";
inline constexpr char16_t kLastHitText[] = u"これが最後の検索結果です。";
inline constexpr char16_t kFirstHitText[] = u"これが最初の検索結果です。";
inline constexpr char16_t kNoHitsOnPageText[] = u"この頁には検索結果がありません。";
inline constexpr char16_t kLastVolumeMessage[] = u"もう最後の巻まで至りました。";
inline constexpr char16_t kFirstVolumeMessage[] = u"これ以上戻れません。もう巻一に至っています。";
/// A page the reader saw earlier or kept can no longer be shown (the collection changed).
/// A bookmark whose page the collection no longer has (rebuilt with another catalogue).
inline constexpr char16_t kBookmarkGoneMessage[] =
    u"このしおりの頁は今の資料集に見つかりません。資料集の目録が変わったようです。しおりは一覧に残しておきます。";
inline constexpr char16_t kPlaceGoneMessage[] =
    u"その頁はもう表示できません。資料集が変わったか、頁が読めなくなっています。";

/// Search target codes (the radios 全文, 正文, 注釈), as the renderer takes them.
enum SearchTarget : int {
    TARGET_FULL_TEXT = 0,
    TARGET_MAIN_TEXT = 1,
    TARGET_ANNOTATIONS = 2,
};

/// Where the focus was when Enter was pressed in the panel.
enum class EnterTarget {
    Search,   // the keyword field or the 検索 button
    PageBox,  // the page box of the result list
    Other,    // anything else: Enter starts nothing there
};

/// Why the panel does not hand a query to the engine, as the message the user is shown; empty
/// when the query can be searched. Refused: a character the index cannot hold (the engine's own
/// check names it) or, with wildcardsOnly, nothing but wildcards and blanks.
///   u"君子 abc" => u"検索できない文字が含まれています：a\n..."    u"* ？" => kWildcardsOnlyMessage
std::u16string QueryRefusal(const std::u16string& keywords, bool wildcardsOnly = true);

struct PanelFoldersTag {
    /// The collection: zlq.dir and the text set "Index". Empty: the executable's folder.
    std::u16string data;
    /// Where the private folder of page files is made. Empty: the platform's temporary folder.
    std::u16string temporary;
    /// Where the listing zlq.txt is written. Empty: the current working folder.
    std::u16string listing;
};

class CLeftFormModel {
public:
    /// Opens the text set "Index" of the data folder with the full-text index kind; a failure
    /// is reported through ports.messages and the panel works on with a closed index set.
    CLeftFormModel(const PanelFoldersTag& folders, const PanelPortsTag& ports);
    ~CLeftFormModel();
    CLeftFormModel(const CLeftFormModel&) = delete;
    CLeftFormModel& operator=(const CLeftFormModel&) = delete;

    // Ports that exist only after the panel (the text view, the toolbar) may be given later.
    void SetTextView(ITextView* view);
    void SetPageSlider(IPageSlider* slider) { m_ports.slider = slider; }
    void SetQueryInput(IQueryInput* input) { m_ports.queryInput = input; }
    void SetPanelView(IPanelView* view);

    /// The panel's first display: sets the summary and scope labels and loads the catalogue.
    void OnInitialUpdate();

    /// The contents tree's selection became slot: the scope follows it, and an item without
    /// children (a volume) becomes the current volume and shows its first page.
    void OnContentsSelect(int slot);
    /// Makes the catalogue entry in slot the scope without showing anything (a scope kept from
    /// an earlier run); false, with the scope unchanged, when slot is no entry.
    bool SetScope(int slot);
    /// Makes every category the scope: a search lists the results of each category in turn.
    void SetWholeCollectionScope();
    bool IsWholeCollectionScope() const { return m_wholeCollection; }

    /// Reads the keywords and lists the pages of the scope that hold hits.
    void RunSearch();
    /// Reopens the index set with kind and makes code the search target.
    void SetTarget(int kind, int code);
    /// A click on the radio of target code (全文 0, 正文 1, 注釈 2).
    void OnTargetClicked(int code);
    /// 全文 0 -> index kind 0, 正文 1 -> 2, 注釈 2 -> 1; -1 for an unknown code.
    static int IndexKindForTarget(int code);
    /// Enter in the panel: applies the page box while there is more than one list page,
    /// otherwise searches.
    void OnEnterKey();
    /// Enter where the focus is: the keyword field and the 検索 button search, the page box
    /// moves to the list page it names, anything else does nothing.
    void OnEnterKey(EnterTarget target);
    /// A row of the result list became selected: shows that result page.
    void OnResultSelected(int row);

    // Commands of the main frame. Each action does nothing while its rule does not hold.
    bool CanPreviousPage() const;
    bool CanNextPage() const;
    bool CanPreviousVolume() const;
    bool CanNextVolume() const;
    bool CanPreviousHit() const { return m_pageDisplay.CanPreviousHit(); }
    bool CanNextHit() const { return m_pageDisplay.CanNextHit(); }
    void PreviousPage();
    void NextPage();
    /// Move to the next or previous volume and show its first page; return its slot, which the
    /// shell selects in the contents tree, or 0 when there was none.
    int NextVolume();
    int PreviousVolume();
    void PreviousHit();
    void NextHit();
    /// What the reader is told when there is no hit further on (next) or back: at the last or
    /// the first hit, or on a page without hits; empty when the hit command can move.
    std::u16string NoFurtherHitText(bool next) const;
    /// Where the reader is, for the status bar: the title, volume and page label of the page
    /// shown and, on a result page, which hit of how many; empty before the first page.
    std::u16string ReaderPositionText() const;
    /// The page slider was released at position: shows that page of the current volume.
    void OnSliderReleased(int position);

    // Back and forward through the pages seen, and showing a page kept earlier (readingplaces.cpp).
    bool CanGoBack() const { return m_readingHistory.CanGoBack(); }
    bool CanGoForward() const { return m_readingHistory.CanGoForward(); }
    /// Shows the page seen before or after the shown one, as it was; returns the slot of the
    /// entry it is read in, which the shell's contents tree follows, or 0. A page that can no
    /// longer be shown is told and the reader stays where they are.
    int GoBack();
    int GoForward();
    /// The page shown now, as the history keeps it; none before the first page.
    std::optional<ReadingPlaceTag> ShownPlace() const;
    /// Shows a page kept earlier (a bookmark, the page of the last run) and enters it into the
    /// history; false, changing nothing, when it cannot be shown.
    bool ShowPlace(const ReadingPlaceTag& place);
    /// The bookmark of the page shown; none before the first page or for a page no entry holds.
    std::optional<BookmarkTag> ShownBookmark() const;
    /// Shows a bookmark's page as stored and enters it into the history; returns the slot of
    /// its entry, which the contents tree follows, or 0, telling the reader, when the collection
    /// no longer has that page.
    int ShowBookmark(const BookmarkTag& bookmark);
    /// The page shown now as the next start opens it again; none before the first page or for
    /// a page no entry holds.
    std::optional<LastPlaceTag> LastPlace() const;
    /// Opens the page of the last run again, as it was shown; false, showing nothing, when the
    /// collection no longer has that page (the caller says so).
    bool Reopen(const LastPlaceTag& place);
    /// The catalogue entry the page commands step through; 0 when there is none.
    int CurrentVolumeSlot() const { return m_curRecord; }
    /// The first volume (in slot order) that holds page record page; 0 when none does.
    int VolumeSlotOf(uint32_t page) const;
    CReadingHistory m_readingHistory;

    // Research with the results (refinement.cpp).
    /// A concordance line was chosen: shows its result page at the line's hit, so that the hit
    /// commands go on from there.
    void ShowHit(uint32_t page, int anchor);
    /// Narrows the listed results to the pages of the catalogue entry in slot (a bar of the
    /// statistics); false when the entry is unknown or no search has run.
    bool NarrowToEntry(int slot);
    /// Runs the last search again over the whole scope: no search inside the results, no
    /// narrowing. Its options come back into the option members.
    void ShowWholeScope();
    bool IsNarrowed() const { return m_refined || m_narrowSlot != 0; }
    /// The results of the last search over its scope, before any narrowing to an entry.
    const std::vector<SearchNodeTag>& SearchResults() const { return m_searchResults; }
    /// The scope entry's node; none when the scope names no node.
    const ContentsNodeTag* ScopeNode() const;

    /// Shows a page of a catalogue entry (see CPageDisplay::ShowPage).
    bool ShowPage(int slot, bool firstPage, int label) { return m_pageDisplay.ShowPage(slot, firstPage, label); }

    CIndex m_index;
    CCatalogue m_catalogue;
    CResultList m_resultList;
    CPageDisplay m_pageDisplay;

    /// Record slot of the scope; 0 means none.
    uint16_t m_scopeRecord = 1;
    std::u16string m_scopePath = kInitialScopePath;
    /// Set while the scope is the whole collection; m_scopeRecord then keeps the entry the
    /// scope had before.
    bool m_wholeCollection = false;
    /// Record slot of the volume the page commands move through; 0 means none.
    int m_curRecord = 0;
    /// Page label of the page last shown from m_curRecord.
    int m_curPage = 0;

    /// The query text of the last search run, as the engine left it.
    std::u16string m_keyWords;
    int m_andOr = 0;    // 0 and, 1 or
    int m_variant = 1;  // nonzero: variant characters count as the same
    int m_target = TARGET_FULL_TEXT;
    /// 結果内検索: the next search keeps only the pages listed now.
    bool m_refine = false;
    /// The searches run, newest first.
    CSearchHistory m_history;
    /// Whether a query of wildcards and blanks only is refused with a message (the desktop)
    /// or searched, which lists nothing (the command line keeps that answer).
    bool m_refuseWildcardsOnly = true;

private:
    bool ReadKeywords(std::u16string& keywords) const;
    std::vector<const ContentsNodeTag*> ScopeNodes() const;
    /// The search run past its checks; remember puts it into the history.
    void SearchScopes(const std::u16string& keywords, const std::vector<const ContentsNodeTag*>& scopes,
                      bool remember = true);
    void QueryEngine();
    void ListResults(const std::vector<const ContentsNodeTag*>& scopes);
    void ClearResults();
    void ShowScopeLabel();
    std::vector<uint32_t> ListedPages() const;
    void KeepListedPages(const std::vector<uint32_t>& listed);
    void AfterSearch(const std::u16string& typed, bool remember);
    void ShowNarrowing() const;
    void ShowMessage(const std::u16string& text) const;

    const CatalogueRecordTag* CurrentVolume() const;
    bool HasVolumeBetween(int first, int last) const;
    void MoveToPage(int label);
    int EnterVolume(int slot);
    void SetSliderForVolume(int slot);
    void ShowPageIndicator();
    bool ShowPlaceAgain(const ReadingPlaceTag& place);
    // Back or forward in the history (step); the slot shown, or 0 when nothing moved.
    int StepThroughHistory(const ReadingPlaceTag* (CReadingHistory::*step)());
    void FollowResultVolume(uint32_t page);
    void NoteResultShown(uint32_t page);
    void KeepTopPosition();
    void NoteShownPlace();

    PanelFoldersTag m_folders;
    PanelPortsTag m_ports;

    // The last search the engine accepted, its results before narrowing, and how the listed
    // results are narrowed.
    std::optional<SearchHistoryEntryTag> m_lastSearch;
    std::vector<SearchNodeTag> m_searchResults;
    bool m_refined = false;
    int m_narrowSlot = 0;
    // The page shown, as the status bar names it.
    std::u16string m_shownTitle;
    std::u16string m_shownVolume;
    std::u16string m_shownLabel;
    bool m_showingResult = false;
    // The search the shown result page was rendered with.
    std::u16string m_shownQuery;
    int m_shownTarget = TARGET_FULL_TEXT;
    bool m_shownVariants = false;
};

}  // namespace varo
