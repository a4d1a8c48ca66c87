#include "panel/leftformmodel.h"

#include "panel/paneltext.h"
#include "platform/nativepath.h"
#include "text/querysyntax.h"

namespace varo {

namespace {

PanelFoldersTag WithDefaults(PanelFoldersTag folders)
{
    if (folders.data.empty())
        folders.data = ExecutableFolder();
    return folders;
}

}  // namespace

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
}

void CLeftFormModel::OnContentsSelect(int slot)
{
    if (!m_catalogue.IsSlot(slot))
        return;
    m_scopeRecord = static_cast<uint16_t>(slot & 0xFFFF);
    m_scopePath = m_catalogue.ItemPath(slot);
    if (m_ports.panelView != nullptr)
        m_ports.panelView->SetScopeLabel(m_scopePath);
    if (m_catalogue.HasTreeChildren(slot))
        return;
    m_curRecord = slot;
    m_curPage = m_catalogue.m_NodeItem[static_cast<size_t>(slot)].curFileName;
    m_pageDisplay.ShowPage(m_curRecord, true, 1);
    SetSliderForVolume(slot);
    ShowPageIndicator();
}

void CLeftFormModel::RunSearch()
{
    m_pageDisplay.m_hitIndex = 0;
    // Every early end keeps the previous text: it belongs to the results still listed, which a
    // selected row is highlighted with.
    std::u16string keywords;
    if (!ReadKeywords(keywords))
        return;
    if (m_scopeRecord == 0) {
        ShowMessage(kNoScopeMessage);
        return;
    }
    if (keywords.empty()) {
        ShowMessage(kNoKeywordMessage);
        return;
    }
    const ContentsNodeTag* scope = ScopeNode();
    if (scope == nullptr) {
        ShowMessage(kScopeNotFoundMessage);
        return;
    }
    m_keyWords = keywords;
    QueryEngine();

    m_resultList.ClearRows();
    m_resultList.m_scanPages = m_index.GetHitPages();
    m_resultList.m_scanCounts = m_index.GetHitCounts();
    const uint64_t total = m_resultList.CollectResults(*scope);
    if (m_ports.panelView != nullptr)
        m_ports.panelView->SetSummary(SummaryText(m_resultList.m_results.size(), total));
    m_resultList.ShowFirstListPage();
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

void CLeftFormModel::OnResultSelected(int row)
{
    const std::optional<uint32_t> page = m_resultList.RowPage(row);
    if (page)
        m_pageDisplay.ShowResult(*page, m_keyWords, m_target, m_variant != 0);
}

void CLeftFormModel::ShowMessage(const std::u16string& text) const
{
    if (m_ports.messages != nullptr)
        m_ports.messages->ShowMessage(text);
}

}  // namespace varo
