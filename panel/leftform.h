#pragma once
// The search panel, the left pane of the main window: the tabs 目録 (the contents tree) and
// 検索 (keywords, options, scope, summary, result list and its paging row). Its controls are
// placed by hand, as LayoutPanel's table says, and carry their ids as object names ("1011").
// All the state lives in the panel's model, CLeftFormModel; this widget shows it and hands
// the user's actions to it.

#include "panel/citation.h"
#include "panel/contentstree.h"
#include "panel/kwicview.h"
#include "panel/leftformmodel.h"
#include "panel/sortlistctrl.h"
#include "panel/statisticsview.h"
#include "shell/htmlctrl.h"
#include "shell/messagebox.h"

#include <QWidget>

#include <memory>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QMenu;
class QTabWidget;
class QToolButton;

enum PanelControlId : int {
    IDC_HIDDEN_EDIT = 1001,
    IDC_PROMPT = 1004,
    IDC_RESULTS = 1007,
    IDC_CONTENTS = 1009,
    IDC_TABS = 1010,
    IDC_SEARCH = 1011,
    IDC_AND = 1019,
    IDC_OR = 1020,
    IDC_METHOD_GROUP = 1022,
    IDC_SUMMARY = 1030,
    IDC_SCOPE_GROUP = 1033,
    IDC_SCOPE = 1035,
    IDC_QUERY = 1041,
    IDC_FULL_TEXT = 1042,
    IDC_MAIN_TEXT = 1043,
    IDC_ANNOTATIONS = 1044,
    IDC_TARGET_GROUP = 1045,
    IDC_PREVIOUS_LIST_PAGE = 1055,
    IDC_NEXT_LIST_PAGE = 1057,
    IDC_PAGE_BOX = 1058,
    IDC_PAGE_COUNT = 1059,
    IDC_VARIANT = 1061,
    IDC_LINE = 1062,
    IDC_WHOLE_COLLECTION = 1063,  // makes the whole collection the scope
};

inline constexpr int kContentsTab = 0;
inline constexpr int kSearchTab = 1;
inline constexpr int kKwicTab = 2;
inline constexpr int kStatisticsTab = 3;

class CLeftForm : public QWidget, public varo::IPanelView, public varo::IQueryInput {
    Q_OBJECT
public:
    /// Opens the panel's index set on the data folder (a failure is told in a message box).
    explicit CLeftForm(const varo::PanelFoldersTag& folders, QWidget* parent = nullptr);
    ~CLeftForm() override;

    /// The first display: the query input, the tabs, the labels, the result columns, the
    /// catalogue and the contents tree.
    void OnInitialUpdate();

    /// Places the controls of the selected tab for the panel's current size.
    void LayoutPanel();

    /// Takes back the search target and the scope of an earlier run (after OnInitialUpdate).
    void RestoreSearchState(int target, bool wholeCollection, int scope, const std::u16string& scopePath);

    /// The view the panel's pages are shown in; not owned.
    void SetTextView(varo::ITextView* view);
    varo::CLeftFormModel& Model() { return *m_model; }
    const varo::CLeftFormModel& Model() const { return *m_model; }

    /// Selects the contents-tree item of slot; the selection runs OnContentsSelect.
    void SelectContentsSlot(int slot) { m_contents->SelectSlot(slot); }
    /// Selects slot's item in the contents tree to show where the shown page is read, without
    /// the selection's own effects (the scope and the volume's first page stay as they are).
    void FollowContentsSlot(int slot);
    CContentsTree* ContentsTree() const { return m_contents; }
    CSortListCtrl* ResultList() const { return m_results; }
    CHtmlCtrl* QueryInput() const { return m_queryInput; }
    CKwicView* KwicView() const { return m_kwic; }
    CStatisticsView* StatisticsView() const { return m_statistics; }
    QTabWidget* Tabs() const { return m_tabs; }
    QCheckBox* RefineBox() const { return m_refine; }
    QToolButton* WholeScopeButton() const { return m_wholeScope; }
    QLabel* NarrowingLabel() const { return m_narrowing; }

    /// The citation of the page the text view shows, if the catalogue names it.
    std::optional<varo::CitationTag> ShownPageCitation() const;

    /// The search history as a menu: choosing an entry puts its text and options back.
    void ShowHistoryMenu();
    /// Puts a history entry's text and options into the controls.
    void ApplyHistoryEntry(const varo::SearchHistoryEntryTag& entry);
    /// Runs the last search again over the whole scope (the way back from a narrowing).
    void ShowWholeScope();
    /// Lists the results in catalogue order (or back in page-label order).
    void SetCatalogueOrder(bool on);
    /// Reads the options and searches (the 検索 button).
    void RunSearch();

    // IPanelView
    void SetScopeLabel(const std::u16string& text) override;
    void SetSummary(const std::u16string& text) override;
    void SetResultRows(const std::vector<varo::ResultRowTag>& rows) override;
    void SetPaging(const varo::PagingStateTag& paging) override;
    void SetNarrowing(const std::u16string& description) override;

    // IQueryInput
    bool HasDocument() const override;
    std::vector<std::optional<std::u16string>> InputValues() const override;

signals:
    /// Something that the main window's commands depend on may have changed.
    void stateChanged();
    /// The tab shown needs a wide panel (用例, 分布) or not any more.
    void roomWanted(bool wide);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ConnectControls();
    void ReadOptions();
    void LayoutSearchTab(int width, int height);
    void LayoutPagingRow(int width, int height, int& reserved);
    void SetSearchTabVisible(bool visible);
    void OnContentsSelectionChanged();
    void OnResultSelectionChanged();
    void OnPageBoxEdited(const QString& text);
    void WatchKeys();
    // The research views (用例, 分布) and the result list's extras.
    void CreateResearchControls();
    void ConnectResearchControls();
    void OnResultsChanged(bool newSearch);
    void RefreshResearchTab();
    void StartKwic();
    void UpdateStatistics();
    void ShowSortIndicator();
    void ShowResultListMenu(const QPoint& position);
    void LoadHistory();
    void SaveHistory() const;
    void OnTargetRadio(int code);
    varo::EnterTarget EnterTargetOf(const QObject* focus) const;

    varo::shell::MessageBoxSink m_messages;
    std::unique_ptr<varo::CLeftFormModel> m_model;

    QTabWidget* m_tabs = nullptr;
    CContentsTree* m_contents = nullptr;
    QLabel* m_prompt = nullptr;
    CHtmlCtrl* m_queryInput = nullptr;
    QPushButton* m_search = nullptr;
    QWidget* m_line = nullptr;
    QCheckBox* m_variant = nullptr;
    QGroupBox* m_methodGroup = nullptr;
    QRadioButton* m_and = nullptr;
    QRadioButton* m_or = nullptr;
    QGroupBox* m_targetGroup = nullptr;
    QRadioButton* m_targets[3] = {};
    QGroupBox* m_scopeGroup = nullptr;
    QLabel* m_scope = nullptr;
    QPushButton* m_wholeCollection = nullptr;
    QLabel* m_summary = nullptr;
    CSortListCtrl* m_results = nullptr;
    QAbstractButton* m_previousListPage = nullptr;
    QAbstractButton* m_nextListPage = nullptr;
    QLineEdit* m_pageBox = nullptr;
    QLabel* m_pageCount = nullptr;
    QLineEdit* m_hiddenEdit = nullptr;

    CKwicView* m_kwic = nullptr;
    CStatisticsView* m_statistics = nullptr;
    QCheckBox* m_refine = nullptr;
    QLabel* m_narrowing = nullptr;
    QToolButton* m_wholeScope = nullptr;
    // Whether the research views show what the panel lists now.
    bool m_kwicCurrent = true;
    bool m_statisticsCurrent = true;

    bool m_pagingVisible = false;
    // Set while the panel itself writes the page box, whose own changes are not reactions.
    bool m_writingPageBox = false;
};
