#include "shell/mainfrm.h"

#include "panel/leftform.h"
#include "shell/bookmarksdialog.h"
#include "shell/scrolltoolbar.h"
#include "shell/settings.h"
#include "shell/splash.h"
#include "shell/st_splitterwnd.h"
#include "shell/varo.h"
#include "shell/varoview.h"

#include "shell/messagebox.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace {

using namespace varo::shell;

struct CommandTag {
    int id;
    const char* caption;  // menu caption; none for commands reached by keys only
    const char* tip;      // toolbar tooltip; none for commands without a button
    std::vector<QKeySequence> keys;
};

const std::vector<CommandTag>& Commands()
{
    static const std::vector<CommandTag> commands = {
        {ID_FILE_PRINT_SETUP, "印刷設定(&S)", nullptr, {}},
        {ID_FILE_PRINT, "印刷(&P)", "印刷", {}},
        {ID_APP_EXIT, "終了(&X)", nullptr, {QKeySequence(Qt::CTRL | Qt::Key_Q)}},
        {ID_EDIT_COPY,
         "コピー(&C)",
         "コピー",
         {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}},
        {ID_EDIT_SELECT_ALL, "すべて選択(&Q)", "すべて選択", {QKeySequence(Qt::CTRL | Qt::Key_A)}},
        {ID_EDIT_FIND, "頁内検索(&F)...", nullptr, {QKeySequence(Qt::CTRL | Qt::Key_F)}},
        // Ctrl+plus is Ctrl+= on keyboards whose plus needs Shift, and Ctrl+; on Japanese ones.
        {ID_VIEW_ZOOM_IN,
         "拡大(&I)",
         nullptr,
         {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal),
          QKeySequence(Qt::CTRL | Qt::Key_Semicolon)}},
        {ID_VIEW_ZOOM_OUT, "縮小(&O)", nullptr, {QKeySequence(Qt::CTRL | Qt::Key_Minus)}},
        {ID_VIEW_ZOOM_RESET, "元の大きさ(&R)", nullptr, {QKeySequence(Qt::CTRL | Qt::Key_0)}},
        {ID_GO_BACK, "戻る(&B)", nullptr, {QKeySequence(Qt::ALT | Qt::Key_Left)}},
        {ID_GO_FORWARD, "進む(&W)", nullptr, {QKeySequence(Qt::ALT | Qt::Key_Right)}},
        {ID_BOOKMARK_TOGGLE, "しおりを付ける(&D)", nullptr, {QKeySequence(Qt::CTRL | Qt::Key_D)}},
        {ID_BOOKMARK_LIST, "しおりの一覧(&L)...", nullptr, {QKeySequence(Qt::CTRL | Qt::Key_B)}},
        {ID_VIEW_REOPEN, "前回の続きから開く(&C)", nullptr, {}},
        {ID_VIEW_TOOLBAR, "ツールバー(&T)", nullptr, {}},
        {ID_VIEW_STATUS_BAR, "状態バー(&S)", nullptr, {}},
        {ID_VIEW_SHOW_ALL, "全表示(&p)", nullptr, {QKeySequence(Qt::Key_F11)}},
        // Page Up / Page Down alone scroll the shown page; with Ctrl they turn it.
        {ID_PREVIOUS_PAGE, "上の頁へ(&P)", "上の頁", {QKeySequence(Qt::CTRL | Qt::Key_PageUp)}},
        {ID_NEXT_PAGE, "次の頁へ(&N)", "次の頁", {QKeySequence(Qt::CTRL | Qt::Key_PageDown)}},
        {ID_PREVIOUS_VOLUME, "上の巻へ", "上の巻へ", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageUp)}},
        {ID_NEXT_VOLUME, "次の巻へ", "次の巻へ", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageDown)}},
        {ID_PREVIOUS_HIT, "上の検索結果", "上の検索結果", {QKeySequence(Qt::ALT | Qt::Key_F3)}},
        {ID_NEXT_HIT, "次の検索結果", "次の検索結果", {QKeySequence(Qt::Key_F3)}},
        {ID_APP_ABOUT, "バージョン(&A)...", "情報", {}},
        {ID_HELP, "ヘルプ", nullptr, {QKeySequence(Qt::Key_F1)}},
        {ID_FILE_PRINT_DIALOG, nullptr, nullptr, {QKeySequence(Qt::CTRL | Qt::Key_P)}},
        {ID_NEXT_PANE, nullptr, nullptr, {QKeySequence(Qt::Key_F6)}},
        {ID_PREVIOUS_PANE, nullptr, nullptr, {QKeySequence(Qt::SHIFT | Qt::Key_F6)}},
    };
    return commands;
}

constexpr int kSeparator = 0;
constexpr int kStatusMessageMilliseconds = 5000;

const QString kFrameSection = QStringLiteral("MainFrame");
const QString kBookmarkSection = QStringLiteral("Bookmarks");
const QString kLastPlaceGoneText =
    QStringLiteral("前回最後に見ていた頁が今の資料集に見つからないため、目録の初めから始めます。");
constexpr int kLastPlaceMessageMilliseconds = 15000;
const QString kBookmarkAddedText =
    QStringLiteral("この頁にしおりを付けました。「しおり」→「しおりの一覧」（Ctrl+B）で開けます。");
const QString kBookmarkRemovedText = QStringLiteral("この頁のしおりを外しました。");
const QString kBookmarksFullText =
    QStringLiteral("しおりが多すぎて、これ以上付けられません。要らないしおりを一覧から削除して下さい。");
const QString kBookmarksNewerText =
    QStringLiteral("しおりは新しい版の varo で保存されているため、この版では読むことも変えることもできません。");
const QString kPanelSection = QStringLiteral("SearchPanel");

const QString kNoPrinterMessage = QStringLiteral(
    "印刷できるプリンターがありません。プリンターを設定してから、もう一度印刷して下さい。"
    "（Ctrl+P の印刷画面からは PDF ファイルに印刷することもできます。）");
const QString kNoGuideMessage =
    QStringLiteral("ヘルプのファイルが見つかりません：%1\nプログラムをインストールし直して下さい。");
const QString kNoBrowserMessage = QStringLiteral(
    "ヘルプを開くブラウザーが見つかりませんでした。ブラウザーをインストールするか、次のファイルをブラウザーで開いて下さ"
    "い：\n%1");

struct MenuTag {
    const char* caption;
    std::vector<int> items;
};

const std::vector<MenuTag>& Menus()
{
    static const std::vector<MenuTag> menus = {
        {"ファイル(&F)", {ID_FILE_PRINT_SETUP, ID_FILE_PRINT, ID_APP_EXIT}},
        {"編集(&E)", {ID_EDIT_COPY, ID_EDIT_SELECT_ALL, kSeparator, ID_EDIT_FIND}},
        {"表示(&V)",
         {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_SHOW_ALL, kSeparator, ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_OUT,
          ID_VIEW_ZOOM_RESET, kSeparator, ID_GO_BACK, ID_GO_FORWARD, kSeparator, ID_VIEW_REOPEN}},
        {"一覧",
         {ID_PREVIOUS_PAGE, ID_NEXT_PAGE, kSeparator, ID_PREVIOUS_VOLUME, ID_NEXT_VOLUME, kSeparator, ID_PREVIOUS_HIT,
          ID_NEXT_HIT}},
        {"しおり(&B)", {ID_BOOKMARK_TOGGLE, ID_BOOKMARK_LIST}},
        {"ヘルプ(&H)", {ID_APP_ABOUT, ID_HELP}},
    };
    return menus;
}

bool IsInside(const QWidget* widget, const QWidget* pane)
{
    return widget != nullptr && pane != nullptr && (widget == pane || pane->isAncestorOf(widget));
}

}  // namespace

CMainFrame::CMainFrame(const FrameFoldersTag& folders, QWidget* parent) : QMainWindow(parent), m_folders(folders)
{
    // The splash covers the screen while the window is built.
    CSplashWnd::OpenSplash(this, ProgramFolder());
    setObjectName(QStringLiteral("CMainFrame"));
    m_updateTimer.setSingleShot(true);
    m_updateTimer.setInterval(0);
    connect(&m_updateTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    setWindowTitle(kMainWindowCaption);
    // The application icon's large images, and the small icon where a small one is drawn.
    QIcon icon;
    icon.addFile(QStringLiteral(":/varo-48.png"), QSize(48, 48));
    icon.addFile(QStringLiteral(":/varo-32.png"), QSize(32, 32));
    icon.addPixmap(
        QPixmap(QStringLiteral(":/varo-small.png")).scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    setWindowIcon(icon);
    OnCreateClient();
    LoadBookmarks();
    CreateStatusBar();
    CreateNoFurtherHitKeys();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
    qApp->installEventFilter(this);
}

// The mouse's back and forward buttons walk the pages seen, wherever in the window they are
// pressed, as in browsers.
bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (widget != nullptr && widget->window() == this &&
            (button == Qt::BackButton || button == Qt::ForwardButton)) {
            RunCommand(button == Qt::BackButton ? ID_GO_BACK : ID_GO_FORWARD);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

CMainFrame::~CMainFrame()
{
    m_updateTimer.stop();
    qApp->removeEventFilter(this);
    disconnect(qApp, nullptr, this, nullptr);
    SaveState();
    m_wndSplitter->NoteSizes();
    m_wndToolBar->SetPanel(nullptr);
    delete m_pLeftForm;
    m_pLeftForm = nullptr;
    StartEndProgram();
    delete m_wndSplitter;  // writes the layout; the text view goes with it
}

void CMainFrame::CreateActions()
{
    for (const CommandTag& command : Commands()) {
        auto* action = new QAction(this);
        action->setObjectName(IdName(command.id));
        if (command.caption != nullptr)
            action->setText(QString::fromUtf8(command.caption));
        if (command.tip != nullptr) {
            action->setToolTip(QString::fromUtf8(command.tip));
            action->setIconText(QString::fromUtf8(command.tip));
        }
        action->setShortcuts(QList<QKeySequence>(command.keys.begin(), command.keys.end()));
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        // Actions outside the menus still need the window to reach their keys.
        addAction(action);
        m_actions[id] = action;
    }
    m_actions[ID_VIEW_TOOLBAR]->setCheckable(true);
    m_actions[ID_BOOKMARK_TOGGLE]->setCheckable(true);
    m_actions[ID_VIEW_REOPEN]->setCheckable(true);
    m_actions[ID_VIEW_STATUS_BAR]->setCheckable(true);
}

void CMainFrame::CreateMenus()
{
    for (const MenuTag& description : Menus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(description.caption));
        for (int id : description.items) {
            if (id == kSeparator)
                menu->addSeparator();
            else
                menu->addAction(m_actions.at(id));
        }
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }
    // The menu bar has no menu of its own under the right button.
    menuBar()->setContextMenuPolicy(Qt::PreventContextMenu);
}

// The status bar names the page shown on its right; hit messages show on its left for a while.
void CMainFrame::CreateStatusBar()
{
    auto* bar = new QStatusBar(this);
    bar->setObjectName(IdName(ID_VIEW_STATUS_BAR));
    m_position = new QLabel(bar);
    m_position->setObjectName(QStringLiteral("ReaderPosition"));
    bar->addPermanentWidget(m_position);
    // The zoom level, seen without a toolbar.
    m_zoomLevel = new QLabel(bar);
    m_zoomLevel->setObjectName(QStringLiteral("ZoomLevel"));
    bar->addPermanentWidget(m_zoomLevel);
    setStatusBar(bar);
}

// F3 and Alt+F3 where the hit commands cannot move: the keys of the disabled commands say why
// in the status bar instead of doing nothing. They are live only while their command is not.
void CMainFrame::CreateNoFurtherHitKeys()
{
    const std::pair<int, bool> keys[] = {{ID_NEXT_HIT, true}, {ID_PREVIOUS_HIT, false}};
    for (const auto& [id, next] : keys) {
        auto* shortcut = new QShortcut(m_actions.at(id)->shortcuts().first(), this);
        shortcut->setObjectName(IdName(id) + QStringLiteral("-end"));
        shortcut->setEnabled(false);
        const bool forward = next;
        connect(shortcut, &QShortcut::activated, this, [this, forward] {
            const QString text = QString::fromStdU16String(m_pLeftForm->Model().NoFurtherHitText(forward));
            if (!text.isEmpty())
                statusBar()->showMessage(text, kStatusMessageMilliseconds);
        });
        m_noFurtherHitKeys[id] = shortcut;
    }
}

QMenu* CMainFrame::createPopupMenu()
{
    // Qt's own menu of the bars would offer to hide the toolbar, under a blank name.
    return nullptr;
}

void CMainFrame::CreateToolBar()
{
    m_wndToolBar = new CSCrollToolBar(this);
    m_wndToolBar->setObjectName(IdName(ID_VIEW_TOOLBAR));
    // Every button's command exists by now: a missing one is a fault of this program.
    if (!m_wndToolBar->Create([this](int id) { return Action(id); }))
        qFatal("the toolbar names a command the window does not have");
    m_wndToolBar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    m_wndToolBar->setFloatable(false);
    m_wndToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    connect(m_wndToolBar, &QToolBar::visibilityChanged, this, &CMainFrame::RequestCommandUpdate);
}

// The splitter holds the search panel (260 pixels wide) and the text view.
void CMainFrame::OnCreateClient()
{
    m_wndSplitter = new ST_SplitterWnd(0, this);
    m_pLeftForm = new CLeftForm(m_folders.panel);
    m_pView = new CVaroView;
    m_wndSplitter->Create(m_pLeftForm, m_pView, true);
    setCentralWidget(m_wndSplitter);
    m_pLeftForm->SetTextView(m_pView);
    m_pView->SetCitationSource([form = m_pLeftForm] { return form->ShownPageCitation(); });
    m_wndToolBar->SetPanel(&m_pLeftForm->Model());
    m_pLeftForm->Model().SetPageSlider(m_wndToolBar);

    connect(m_pLeftForm, &CLeftForm::stateChanged, this, &CMainFrame::RequestCommandUpdate);
    connect(m_wndToolBar, &CSCrollToolBar::pageChosen, this, &CMainFrame::RequestCommandUpdate);
    connect(m_pView, &CVaroView::navigated, this, &CMainFrame::RequestCommandUpdate);
    connect(m_pView, &QTextEdit::selectionChanged, this, &CMainFrame::RequestCommandUpdate);
    connect(m_pView, &CVaroView::zoomChanged, this, &CMainFrame::RequestCommandUpdate);
    connect(m_pView, &CVaroView::backRequested, this, [this] { RunCommand(ID_GO_BACK); });
    connect(m_pView, &CVaroView::forwardRequested, this, [this] { RunCommand(ID_GO_FORWARD); });
    m_pView->SetFindAlternatives([this](const std::u16string& what) { return FindAlternatives(what); });
    // The panel places its controls for its width when the bar is let go.
    connect(m_wndSplitter, &ST_SplitterWnd::barReleased, this, [this] {
        m_pLeftForm->LayoutPanel();
        m_pLeftForm->update();
    });
    connect(m_pLeftForm, &CLeftForm::roomWanted, this, &CMainFrame::GivePanelRoom);
}

// A concordance line or a statistics table needs more room than the panel's usual width: its
// tabs widen the panel to at most 60 % of the window, and the panel goes back to its width when
// the reader returns to 目録 or 検索. A hidden panel stays hidden.
void CMainFrame::GivePanelRoom(bool wide)
{
    QList<int> sizes = m_wndSplitter->sizes();
    if (sizes.size() != 2 || sizes[0] == 0)
        return;
    const int total = sizes[0] + sizes[1];
    if (wide && m_narrowPanelWidth == 0) {
        const int wanted = std::min(760, total * 3 / 5);
        if (wanted <= sizes[0])
            return;
        m_narrowPanelWidth = sizes[0];
        m_wndSplitter->setSizes({wanted, total - wanted});
    } else if (!wide && m_narrowPanelWidth != 0) {
        m_wndSplitter->setSizes({m_narrowPanelWidth, total - m_narrowPanelWidth});
        m_narrowPanelWidth = 0;
    }
    m_pLeftForm->LayoutPanel();
}

void CMainFrame::OnInitialUpdate()
{
    m_pLeftForm->OnInitialUpdate();
    m_pView->Navigate(CVaroView::kBlank);
    UpdateCommandUI();
}

QAction* CMainFrame::Action(int id) const
{
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

bool CMainFrame::IsCommandEnabled(int id) const
{
    const varo::CLeftFormModel& panel = m_pLeftForm->Model();
    const bool blank = m_pView->IsBlank();
    switch (id) {
    case ID_FILE_PRINT_SETUP:
    case ID_FILE_PRINT:
    case ID_EDIT_SELECT_ALL: return !blank;
    case ID_EDIT_COPY: return m_activePane == Pane::View ? m_pView->CanCopy() : !blank;
    case ID_FILE_PRINT_DIALOG: return m_activePane == Pane::View;
    case ID_PREVIOUS_PAGE: return panel.CanPreviousPage();
    case ID_NEXT_PAGE: return panel.CanNextPage();
    case ID_PREVIOUS_VOLUME: return panel.CanPreviousVolume();
    case ID_NEXT_VOLUME: return panel.CanNextVolume();
    case ID_PREVIOUS_HIT: return panel.CanPreviousHit();
    case ID_NEXT_HIT: return panel.CanNextHit();
    case ID_EDIT_FIND: return !blank;
    case ID_VIEW_ZOOM_IN: return m_pView->CanZoomIn();
    case ID_VIEW_ZOOM_OUT: return m_pView->CanZoomOut();
    case ID_VIEW_ZOOM_RESET: return m_pView->ZoomPercent() != varo::CReadingZoom::kDefaultPercent;
    case ID_BOOKMARK_TOGGLE: return ShownBookmark().has_value();
    case ID_GO_BACK: return panel.CanGoBack();
    case ID_GO_FORWARD: return panel.CanGoForward();
    default: return true;
    }
}

void CMainFrame::UpdateCommandUI()
{
    for (const auto& [id, action] : m_actions)
        action->setEnabled(IsCommandEnabled(id));
    m_actions.at(ID_VIEW_TOOLBAR)->setChecked(!m_wndToolBar->isHidden());
    m_actions.at(ID_VIEW_STATUS_BAR)->setChecked(!statusBar()->isHidden());
    m_actions.at(ID_VIEW_REOPEN)->setChecked(m_reopen);
    const std::optional<varo::BookmarkTag> shown = ShownBookmark();
    m_actions.at(ID_BOOKMARK_TOGGLE)->setChecked(shown && m_bookmarks.IndexOf(*shown));
    for (const auto& [id, shortcut] : m_noFurtherHitKeys)
        shortcut->setEnabled(!m_actions.at(id)->isEnabled());
    m_position->setText(QString::fromStdU16String(m_pLeftForm->Model().ReaderPositionText()));
    m_zoomLevel->setText(QStringLiteral("倍率 %1%").arg(m_pView->ZoomPercent()));
}

void CMainFrame::RequestCommandUpdate()
{
    m_updateTimer.start();
}

// A command that arrives while its rule does not hold (a click queued before the buttons were
// updated) does nothing.
void CMainFrame::RunCommand(int id)
{
    if (!IsCommandEnabled(id))
        return;
    varo::CLeftFormModel& panel = m_pLeftForm->Model();
    switch (id) {
    case ID_FILE_PRINT_SETUP: OnPrintSetup(); break;
    case ID_FILE_PRINT: OnPrint(); break;
    case ID_FILE_PRINT_DIALOG: m_pView->PrintWithDialog(); break;
    case ID_APP_EXIT: close(); break;
    case ID_EDIT_COPY: m_pView->CopySelection(); break;
    case ID_EDIT_SELECT_ALL: m_pView->SelectAllText(); break;
    case ID_EDIT_FIND: m_pView->OpenFindBar(); break;
    case ID_VIEW_ZOOM_IN: m_pView->ZoomIn(); break;
    case ID_VIEW_ZOOM_OUT: m_pView->ZoomOut(); break;
    case ID_VIEW_ZOOM_RESET: m_pView->ZoomReset(); break;
    case ID_BOOKMARK_TOGGLE: OnToggleBookmark(); break;
    case ID_BOOKMARK_LIST: OnBookmarkList(); break;
    case ID_GO_BACK: m_pLeftForm->FollowContentsSlot(panel.GoBack()); break;
    case ID_GO_FORWARD: m_pLeftForm->FollowContentsSlot(panel.GoForward()); break;
    case ID_VIEW_TOOLBAR: m_wndToolBar->setVisible(m_wndToolBar->isHidden()); break;
    case ID_VIEW_STATUS_BAR: statusBar()->setVisible(statusBar()->isHidden()); break;
    case ID_VIEW_SHOW_ALL: OnShowAll(); break;
    case ID_VIEW_REOPEN: m_reopen = !m_reopen; break;
    case ID_PREVIOUS_PAGE: panel.PreviousPage(); break;
    case ID_NEXT_PAGE: panel.NextPage(); break;
    case ID_PREVIOUS_VOLUME: OnPreviousVolume(); break;
    case ID_NEXT_VOLUME: OnNextVolume(); break;
    case ID_PREVIOUS_HIT: panel.PreviousHit(); break;
    case ID_NEXT_HIT: panel.NextHit(); break;
    case ID_APP_ABOUT: OnAbout(); break;
    case ID_HELP: OnHelp(); break;
    case ID_NEXT_PANE:
    case ID_PREVIOUS_PANE: OnOtherPane(); break;
    default: break;
    }
    RequestCommandUpdate();
}

// With the text view active 印刷設定 is its page setup; otherwise the print preview.
void CMainFrame::OnPrintSetup()
{
    if (m_activePane == Pane::View)
        m_pView->PageSetup();
    else
        m_pView->PrintPreview();
}

void CMainFrame::OnPrint()
{
    if (!m_pView->PrintNow())
        ShowMessageBox(this, kNoPrinterMessage);
}

void CMainFrame::OnShowAll()
{
    m_wndSplitter->ToggleHidden(0);
    if (m_pLeftForm->isHidden() && m_activePane == Pane::LeftForm) {
        m_activePane = Pane::View;
        m_pView->setFocus(Qt::OtherFocusReason);
    }
}

// The volume commands show the new volume's first page, then select its item in the contents
// tree, also when it lies under another title or category; the selection shows the same page
// again and makes the volume the scope, as a selection by the user does.
void CMainFrame::OnNextVolume()
{
    const int slot = m_pLeftForm->Model().NextVolume();
    if (slot > 0)
        m_pLeftForm->SelectContentsSlot(slot);
}

void CMainFrame::OnPreviousVolume()
{
    const int slot = m_pLeftForm->Model().PreviousVolume();
    if (slot > 0)
        m_pLeftForm->SelectContentsSlot(slot);
}

// The shown page's bookmark, worked out again only when another page is shown.
std::optional<varo::BookmarkTag> CMainFrame::ShownBookmark() const
{
    const varo::CLeftFormModel& panel = m_pLeftForm->Model();
    if (m_pView->IsBlank())
        return std::nullopt;
    if (panel.m_pageDisplay.m_shownPage != m_bookmarkPage) {
        m_bookmarkPage = panel.m_pageDisplay.m_shownPage;
        m_shownBookmark = panel.ShownBookmark();
    }
    return m_shownBookmark;
}

void CMainFrame::LoadBookmarks()
{
    auto settings = OpenSettings();
    settings->beginGroup(kBookmarkSection);
    const int version = settings->value(QStringLiteral("Version"), varo::CBookmarks::kFormatVersion).toInt();
    std::vector<std::u16string> lines;
    for (const QString& line : settings->value(QStringLiteral("Entries")).toStringList())
        lines.push_back(line.toStdU16String());
    settings->endGroup();
    // A newer program's bookmarks stay in the store as they are.
    m_bookmarksWritable = m_bookmarks.FromLines(version, lines);
}

void CMainFrame::SaveBookmarks() const
{
    if (!m_bookmarksWritable)
        return;
    QStringList lines;
    for (const std::u16string& line : m_bookmarks.ToLines())
        lines << QString::fromStdU16String(line);
    auto settings = OpenSettings();
    settings->beginGroup(kBookmarkSection);
    settings->setValue(QStringLiteral("Version"), varo::CBookmarks::kFormatVersion);
    settings->setValue(QStringLiteral("Entries"), lines);
    settings->endGroup();
}

void CMainFrame::OnToggleBookmark()
{
    const std::optional<varo::BookmarkTag> shown = ShownBookmark();
    if (!shown)
        return;
    if (!m_bookmarksWritable) {
        ShowMessageBox(this, kBookmarksNewerText);
        return;
    }
    const bool wasThere = m_bookmarks.IndexOf(*shown).has_value();
    const bool added = m_bookmarks.Toggle(*shown);
    if (!wasThere && !added) {
        ShowMessageBox(this, kBookmarksFullText);
        return;
    }
    SaveBookmarks();
    statusBar()->showMessage(added ? kBookmarkAddedText : kBookmarkRemovedText, kStatusMessageMilliseconds);
}

void CMainFrame::OnBookmarkList()
{
    if (!m_bookmarksWritable) {
        ShowMessageBox(this, kBookmarksNewerText);
        return;
    }
    const varo::CCatalogue& catalogue = m_pLeftForm->Model().m_catalogue;
    CBookmarksDialog dialog(
        m_bookmarks,
        [&catalogue](const varo::BookmarkTag& bookmark) { return varo::FindBookmark(catalogue, bookmark).has_value(); },
        this);
    connect(&dialog, &CBookmarksDialog::changed, this, &CMainFrame::SaveBookmarks);
    int chosen = -1;
    connect(&dialog, &CBookmarksDialog::openRequested, this, [&chosen](int index) { chosen = index; });
    dialog.exec();
    if (chosen >= 0 && static_cast<size_t>(chosen) < m_bookmarks.Entries().size())
        OpenBookmark(m_bookmarks.Entries()[static_cast<size_t>(chosen)]);
}

void CMainFrame::OpenBookmark(const varo::BookmarkTag& bookmark)
{
    m_pLeftForm->FollowContentsSlot(m_pLeftForm->Model().ShowBookmark(bookmark));
    RequestCommandUpdate();
}

void CMainFrame::OnHelp()
{
    const QString guide = QDir(ProgramFolder()).filePath(kUserGuidePath);
    if (!QFileInfo(guide).isFile())
        ShowMessageBox(this, kNoGuideMessage.arg(QDir::toNativeSeparators(guide)));
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(guide)))
        ShowMessageBox(this, kNoBrowserMessage.arg(QDir::toNativeSeparators(guide)));
}

void CMainFrame::OnAbout()
{
    CAboutDlg dialog(this);
    dialog.exec();
}

// F6 and Shift+F6 both move to the other pane: there are two.
void CMainFrame::OnOtherPane()
{
    if (m_activePane == Pane::LeftForm) {
        m_activePane = Pane::View;
        m_pView->setFocus(Qt::OtherFocusReason);
    } else if (!m_pLeftForm->isHidden()) {
        m_activePane = Pane::LeftForm;
        m_pLeftForm->setFocus(Qt::OtherFocusReason);
    }
}

void CMainFrame::OnFocusChanged(QWidget* now)
{
    if (IsInside(now, m_pView))
        m_activePane = Pane::View;
    else if (IsInside(now, m_pLeftForm))
        m_activePane = Pane::LeftForm;
    RequestCommandUpdate();
}

// With the panel's variant option on, find in page takes every variant of each character, as
// the search does (学 finds 學); otherwise each character stands for itself.
std::vector<std::u16string> CMainFrame::FindAlternatives(const std::u16string& what) const
{
    const varo::CLeftFormModel& panel = m_pLeftForm->Model();
    if (panel.m_variant == 0)
        return varo::CPageFind::Plain(what);
    std::vector<std::u16string> alternatives;
    for (char16_t unit : what) {
        std::u16string accepted(1, unit);
        for (uint32_t variant : panel.m_index.GetVariants(unit)) {
            if (variant <= 0xFFFF && accepted.find(static_cast<char16_t>(variant)) == std::u16string::npos)
                accepted += static_cast<char16_t>(variant);
        }
        alternatives.push_back(std::move(accepted));
    }
    return alternatives;
}

QString CMainFrame::ProgramFolder() const
{
    return m_folders.program.isEmpty() ? QCoreApplication::applicationDirPath() : m_folders.program;
}

// What the next start restores: the window's place and size (maximised or not), whether the
// status bar shows, and the search target and scope. The splitter keeps its own entry.
void CMainFrame::SaveState() const
{
    auto settings = OpenSettings();
    settings->beginGroup(kFrameSection);
    settings->setValue(QStringLiteral("Geometry"), saveGeometry());
    settings->setValue(QStringLiteral("StatusBar"), !statusBar()->isHidden());
    settings->setValue(QStringLiteral("Zoom"), m_pView->ZoomPercent());
    settings->setValue(QStringLiteral("Reopen"), m_reopen);
    // The page shown, for the next start; none when there is none to name.
    const std::optional<varo::LastPlaceTag> last = m_pLeftForm->Model().LastPlace();
    if (last && !m_pView->IsBlank())
        settings->setValue(QStringLiteral("LastPlace"), QString::fromStdU16String(varo::LastPlaceLine(*last)));
    else
        settings->remove(QStringLiteral("LastPlace"));
    settings->endGroup();
    const varo::CLeftFormModel& panel = m_pLeftForm->Model();
    settings->beginGroup(kPanelSection);
    settings->setValue(QStringLiteral("Target"), panel.m_target);
    settings->setValue(QStringLiteral("WholeCollection"), panel.IsWholeCollectionScope());
    settings->setValue(QStringLiteral("Scope"), int{panel.m_scopeRecord});
    settings->setValue(QStringLiteral("ScopePath"), QString::fromStdU16String(panel.m_scopePath));
    settings->endGroup();
}

void CMainFrame::RestoreState()
{
    auto settings = OpenSettings();
    settings->beginGroup(kFrameSection);
    const QByteArray geometry = settings->value(QStringLiteral("Geometry")).toByteArray();
    statusBar()->setVisible(settings->value(QStringLiteral("StatusBar"), true).toBool());
    m_pView->SetZoomPercent(settings->value(QStringLiteral("Zoom"), varo::CReadingZoom::kDefaultPercent).toInt());
    m_reopen = settings->value(QStringLiteral("Reopen"), true).toBool();
    const QString lastPlace = settings->value(QStringLiteral("LastPlace")).toString();
    settings->endGroup();
    settings->beginGroup(kPanelSection);
    const int target = settings->value(QStringLiteral("Target"), varo::TARGET_FULL_TEXT).toInt();
    const bool whole = settings->value(QStringLiteral("WholeCollection"), false).toBool();
    const int scope = settings->value(QStringLiteral("Scope"), 0).toInt();
    const QString scopePath = settings->value(QStringLiteral("ScopePath")).toString();
    settings->endGroup();
    if (m_reopen)
        ReopenLastSearch();
    m_pLeftForm->RestoreSearchState(target, whole, scope, scopePath.toStdU16String());
    if (m_reopen && !lastPlace.isEmpty())
        ReopenLastPlace(lastPlace);
    m_wndSplitter->LoadLayout(AvailableWidth());
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        PlaceNormalWindow();
    RequestCommandUpdate();
}

// The options and the words of the last search come back into the panel, ready to search
// again; a search inside the results is not, since no results are listed yet.
void CMainFrame::ReopenLastSearch()
{
    const auto& searches = m_pLeftForm->Model().m_history.Entries();
    if (searches.empty())
        return;
    varo::SearchHistoryEntryTag last = searches.front();
    last.refine = false;
    m_pLeftForm->ApplyHistoryEntry(last);
}

// The page shown when the program last ended, as it was; a page the collection no longer has
// leaves the start as it was, and the status bar says why.
void CMainFrame::ReopenLastPlace(const QString& line)
{
    const std::optional<varo::LastPlaceTag> last = varo::ParseLastPlaceLine(line.toStdU16String());
    varo::CLeftFormModel& panel = m_pLeftForm->Model();
    if (last && panel.Reopen(*last)) {
        m_pLeftForm->FollowContentsSlot(panel.CurrentVolumeSlot());
        return;
    }
    statusBar()->showMessage(kLastPlaceGoneText, kLastPlaceMessageMilliseconds);
}

// A first start: a normal window of a good reading size in the middle of the screen, which is
// what un-maximising gives; the window itself starts maximised.
void CMainFrame::PlaceNormalWindow()
{
    const QRect available = screen() != nullptr ? screen()->availableGeometry() : QRect(0, 0, 1024, 700);
    const QSize size(std::min(available.width() * 9 / 10, 1280), std::min(available.height() * 9 / 10, 860));
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
    setWindowState(windowState() | Qt::WindowMaximized);
}

int CMainFrame::AvailableWidth() const
{
    return screen() != nullptr ? screen()->availableGeometry().width() : 1024;
}

void CMainFrame::StartEndProgram() const
{
    const QString program = QDir(ProgramFolder()).filePath(kEndProgramName);
    if (QFileInfo(program).isFile())
        QProcess::startDetached(program, {});
}
