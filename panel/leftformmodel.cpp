#include "panel/leftformmodel.h"

#include "panel/paneltext.h"
#include "platform/nativepath.h"
#include "text/querysyntax.h"

#include <algorithm>
#include <iterator>

namespace varo {

namespace {

PanelFoldersTag WithDefaults(PanelFoldersTag folders)
{
    if (folders.data.empty())
        folders.data = ExecutableFolder();
    return folders;
}

// How a refused character is named: as itself, or by its code where it would not show (a tab
// or another control character pasted into the field).
std::u16string VisibleCharacter(char16_t unit)
{
    if (unit > 0x20 && !(unit >= 0x7F && unit <= 0xA0))
        return std::u16string(1, unit);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::u16string code = u"U+";
    for (int shift = 12; shift >= 0; shift -= 4)
        code += static_cast<char16_t>(kHex[(unit >> shift) & 0xF]);
    return code;
}

bool IsWildcardOrSeparator(char16_t unit)
{
    return IsTermSeparator(unit) || unit == kStar || IsOneCharWildcard(unit);
}

}  // namespace

std::u16string QueryRefusal(const std::u16string& keywords, bool wildcardsOnly)
{
    const QueryCheckTag check = CheckQuerySyntax(keywords);
    if (check.rejected)
        return kRefusedCharacterMessage + VisibleCharacter(*check.rejected) + u"\n" + kSearchableText;
    if (wildcardsOnly && check.terms > 0 && std::all_of(keywords.begin(), keywords.end(), IsWildcardOrSeparator))
        return std::u16string(kWildcardsOnlyMessage) + u"\n" + kSearchableText;
    return {};
}

CLeftFormModel::CLeftFormModel(const PanelFoldersTag& folders, const PanelPortsTag& ports)
    : m_resultList(ports.panelView), m_pageDisplay(m_index, m_catalogue, folders.temporary),
      m_folders(WithDefaults(folders)), m_ports(ports)
{
    m_pageDisplay.SetTextView(ports.textView);
    m_pageDisplay.SetMessageSink(ports.messages);
    m_catalogue.SetListingFolder(m_folders.listing);
    m_index.SetMessageSink(ports.messages);
    m_index.Open(m_folders.data, kTextSetName, INDEX_FULL_TEXT);
}

CLeftFormModel::~CLeftFormModel()
{
    // The page files and their folder go with m_pageDisplay, the node tree with m_catalogue.
    m_index.Close();
}

void CLeftFormModel::SetTextView(ITextView* view)
{
    m_ports.textView = view;
    m_pageDisplay.SetTextView(view);
}

void CLeftFormModel::SetPanelView(IPanelView* view)
{
    m_ports.panelView = view;
    m_resultList.SetView(view);
}

void CLeftFormModel::OnInitialUpdate()
{
    if (m_ports.panelView != nullptr) {
        m_ports.panelView->SetSummary(kSummaryCaption);
        m_ports.panelView->SetScopeLabel(m_scopePath);
    }
    m_catalogue.LoadCatalogue(m_folders.data, m_ports.messages);
    // The label names the scope a search covers from the start, not only after a selection.
    if (!m_wholeCollection && m_catalogue.IsSlot(m_scopeRecord))
        m_scopePath = m_catalogue.ItemPath(m_scopeRecord);
    ShowScopeLabel();
}

bool CLeftFormModel::SetScope(int slot)
{
    if (!m_catalogue.IsSlot(slot))
        return false;
    m_wholeCollection = false;
    m_scopeRecord = static_cast<uint16_t>(slot & 0xFFFF);
    m_scopePath = m_catalogue.ItemPath(slot);
    ShowScopeLabel();
    return true;
}

void CLeftFormModel::SetWholeCollectionScope()
{
    m_wholeCollection = true;
    m_scopePath = kWholeCollectionScopePath;
    ShowScopeLabel();
}

void CLeftFormModel::ShowScopeLabel()
{
    if (m_ports.panelView != nullptr)
        m_ports.panelView->SetScopeLabel(m_scopePath);
}

void CLeftFormModel::OnContentsSelect(int slot)
{
    if (!SetScope(slot))
        return;
    if (m_catalogue.HasTreeChildren(slot))
        return;
    KeepTopPosition();
    m_curRecord = slot;
    m_curPage = m_catalogue.m_NodeItem[static_cast<size_t>(slot)].curFileName;
    const bool shown = m_pageDisplay.ShowPage(m_curRecord, true, 1);
    SetSliderForVolume(slot);
    ShowPageIndicator();
    if (shown)
        NoteShownPlace();
}

void CLeftFormModel::RunSearch()
{
    m_pageDisplay.m_hitIndex = 0;
    // Every early end keeps the previous text: it belongs to the results still listed, which a
    // selected row is highlighted with.
    std::u16string keywords;
    if (!ReadKeywords(keywords))
        return;
    if (m_scopeRecord == 0 && !m_wholeCollection) {
        ShowMessage(kNoScopeMessage);
        return;
    }
    if (keywords.empty()) {
        ShowMessage(kNoKeywordMessage);
        return;
    }
    const std::vector<const ContentsNodeTag*> scopes = ScopeNodes();
    if (scopes.empty()) {
        ShowMessage(kScopeNotFoundMessage);
        return;
    }
    // The engine would answer a refused query with the previous hit set, which would then be
    // listed as if it answered this one: the user is told why instead, and the list and the
    // summary are emptied so that nothing on screen claims to answer the query.
    if (const std::u16string refusal = QueryRefusal(keywords, m_refuseWildcardsOnly); !refusal.empty()) {
        ClearResults();
        ShowMessage(refusal);
        return;
    }
    SearchScopes(keywords, scopes);
}

void CLeftFormModel::SearchScopes(const std::u16string& keywords, const std::vector<const ContentsNodeTag*>& scopes,
                                  bool remember)
{
    m_keyWords = keywords;
    QueryEngine();
    ListResults(scopes);
    AfterSearch(keywords, remember);
}

// Each scope entry's results are collected from the same hit set and follow one another, as
// runs with each entry as the scope would list them.
void CLeftFormModel::ListResults(const std::vector<const ContentsNodeTag*>& scopes)
{
    m_resultList.ClearRows();
    // Searching inside the results keeps the pages listed now, whichever scope entry lists them.
    const std::vector<uint32_t> listed = m_refine ? ListedPages() : std::vector<uint32_t>{};
    std::vector<SearchNodeTag> results;
    if (scopes.size() > 1) {
        // The results listed now lend their storage to the new ones, as a single scope's
        // results reuse it in CollectResults: a million results fill a hundred megabytes, and
        // memory the program holds already is written much faster than memory just given.
        results = std::move(m_resultList.m_results);
        results.clear();
        results.reserve(m_index.GetHitPages().size());
    }
    uint64_t total = 0;
    // Each scope entry takes only its own share of the hit set: with the whole collection as
    // the scope, a copy of the whole set per top-level entry made listing grow with entries
    // times hits.
    const CHitSetShares shares(m_index.GetHitPages(), m_index.GetHitCounts());
    for (const ContentsNodeTag* scope : scopes) {
        shares.Take(*scope, m_resultList.m_scanPages, m_resultList.m_scanCounts);
        if (m_refine)
            KeepListedPages(listed);
        total += m_resultList.CollectResults(*scope);
        if (scopes.size() == 1)
            break;
        results.insert(results.end(), std::make_move_iterator(m_resultList.m_results.begin()),
                       std::make_move_iterator(m_resultList.m_results.end()));
    }
    if (scopes.size() > 1)
        m_resultList.m_results = std::move(results);
    if (m_ports.panelView != nullptr)
        m_ports.panelView->SetSummary(SummaryText(m_resultList.m_results.size(), total));
    m_resultList.ShowFirstListPage();
}

void CLeftFormModel::ClearResults()
{
    m_resultList.m_results.clear();
    m_resultList.ClearRows();
    m_resultList.ShowFirstListPage();
    if (m_ports.panelView != nullptr)
        m_ports.panelView->SetSummary(kSummaryCaption);
    // Nothing is listed, so nothing is narrowed either.
    m_searchResults.clear();
    m_refined = false;
    m_narrowSlot = 0;
    ShowNarrowing();
}

// The value of the query field's input element(s) with ideographic spaces turned into blanks;
// false when an element reports no value. A field without a document gives an empty text.
bool CLeftFormModel::ReadKeywords(std::u16string& keywords) const
{
    keywords.clear();
    if (m_ports.queryInput == nullptr || !m_ports.queryInput->HasDocument())
        return true;
    for (const std::optional<std::u16string>& value : m_ports.queryInput->InputValues()) {
        if (!value)
            return false;
        keywords = *value;
        ReplaceWideBlanks(keywords);
    }
    return true;
}

const ContentsNodeTag* CLeftFormModel::ScopeNode() const
{
    if (!m_catalogue.IsSlot(m_scopeRecord))
        return nullptr;
    return CCatalogue::FindNodeForRecord(m_catalogue.m_root.get(), m_catalogue.m_NodeItem[m_scopeRecord]);
}

// The scope entry's node, or with the whole collection as the scope the node of every
// top-level entry in catalogue order; empty when the catalogue has none of them.
std::vector<const ContentsNodeTag*> CLeftFormModel::ScopeNodes() const
{
    std::vector<const ContentsNodeTag*> nodes;
    if (!m_wholeCollection) {
        if (const ContentsNodeTag* node = ScopeNode())
            nodes.push_back(node);
        return nodes;
    }
    for (int slot = 1; slot < m_catalogue.m_nodeCount; ++slot) {
        if (m_catalogue.TreeParentOf(slot) != 0)
            continue;
        const auto& record = m_catalogue.m_NodeItem[static_cast<size_t>(slot)];
        if (const ContentsNodeTag* node = CCatalogue::FindNodeForRecord(m_catalogue.m_root.get(), record))
            nodes.push_back(node);
    }
    return nodes;
}

// The engine writes U+3000 back between the terms of an accepted query; m_keyWords keeps that
// form, which the renderer splits on as well.
void CLeftFormModel::QueryEngine()
{
    if (m_andOr == 0)
        m_index.SearchAnd(m_keyWords, true, m_variant != 0);
    else if (m_andOr == 1)
        m_index.SearchOr(m_keyWords, true, m_variant != 0);
}

void CLeftFormModel::SetTarget(int kind, int code)
{
    m_index.Close();
    m_index.Open(m_folders.data, kTextSetName, kind);
    m_target = code;
}

void CLeftFormModel::OnTargetClicked(int code)
{
    const int kind = IndexKindForTarget(code);
    if (kind >= 0)
        SetTarget(kind, code);
}

int CLeftFormModel::IndexKindForTarget(int code)
{
    switch (code) {
    case TARGET_FULL_TEXT: return INDEX_FULL_TEXT;
    case TARGET_MAIN_TEXT: return INDEX_MAIN_TEXT;
    case TARGET_ANNOTATIONS: return INDEX_ANNOTATIONS;
    default: return -1;
    }
}

void CLeftFormModel::OnEnterKey()
{
    if (m_resultList.m_listPageCount > 1)
        m_resultList.ApplyPageBox();
    else
        RunSearch();
}

void CLeftFormModel::OnEnterKey(EnterTarget target)
{
    switch (target) {
    case EnterTarget::Search: RunSearch(); break;
    case EnterTarget::PageBox: m_resultList.ApplyPageBox(); break;
    case EnterTarget::Other: break;
    }
}

void CLeftFormModel::OnResultSelected(int row)
{
    const std::optional<uint32_t> page = m_resultList.RowPage(row);
    KeepTopPosition();
    if (!page || !m_pageDisplay.ShowResult(*page, m_keyWords, m_target, m_variant != 0))
        return;
    NoteResultShown(*page);
    const ResultRowTag& shown = m_resultList.Rows()[static_cast<size_t>(row)];
    m_shownTitle = shown.columns[1];
    m_shownVolume = shown.columns[2];
    m_shownLabel = shown.columns[3];
}

std::u16string CLeftFormModel::NoFurtherHitText(bool next) const
{
    if (m_pageDisplay.m_hitCount == 0)
        return kNoHitsOnPageText;
    if (next && !CanNextHit())
        return kLastHitText;
    if (!next && !CanPreviousHit())
        return kFirstHitText;
    return {};
}

std::u16string CLeftFormModel::ReaderPositionText() const
{
    if (m_shownLabel.empty())
        return {};
    std::u16string text;
    for (const std::u16string* part : {&m_shownTitle, &m_shownVolume}) {
        if (!part->empty())
            text += *part + u"\u3000";
    }
    text += u"第 " + m_shownLabel + u" 頁";
    if (m_showingResult && m_pageDisplay.m_hitCount > 0) {
        text += u"\u3000検索結果 " + DecimalText(m_pageDisplay.m_hitIndex + 1) + u" / " +
                DecimalText(m_pageDisplay.m_hitCount);
    }
    return text;
}

void CLeftFormModel::ShowMessage(const std::u16string& text) const
{
    if (m_ports.messages != nullptr)
        m_ports.messages->ShowMessage(text);
}

}  // namespace varo
