#pragma once
// The main window: the search panel and the text view side by side in a splitter, the menus,
// the toolbar and the keys of the command set. The commands move through the pages, volumes
// and hits that the search panel keeps, and tell the text view and the contents tree what to
// show. An update pass enables the commands by their rules when a menu opens and whenever the
// event loop goes idle after something changed.

#include "panel/leftformmodel.h"
#include "shell/commandids.h"
#include "shell/scrolltoolbar.h"

#include <QMainWindow>
#include <QTimer>

#include <map>
#include <optional>
#include <string>
#include <vector>

class CLeftForm;
class CVaroView;
class QAction;
class QLabel;
class QMenu;
class QShortcut;
class ST_SplitterWnd;

/// Where the window finds its collection and its companion files.
struct FrameFoldersTag {
    /// The collection, the page files' parent folder and the folder of the listing zlq.txt.
    varo::PanelFoldersTag panel;
    /// The folder of end.exe and of the user guide; empty: the executable's folder.
    QString program;
};

/// The user guide, beside the executable.
inline const QString kUserGuidePath = QStringLiteral("help/index.html");
/// The companion program started when the window has gone.
inline const QString kEndProgramName = QStringLiteral("end.exe");

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(const FrameFoldersTag& folders, QWidget* parent = nullptr);
    /// Closes the panes in order: the search panel (its index set and page files), then
    /// end.exe is started, then the splitter writes its layout.
    ~CMainFrame() override;

    /// The first display of the panes: the panel loads its catalogue, the view shows blank.
    void OnInitialUpdate();
    /// Brings back what the last run left: the window's place and size, the splitter's
    /// layout, the status bar, the search target and the scope. A first start gets a normal
    /// window of a good size, maximised. Call after OnInitialUpdate, before the window shows.
    void RestoreState();

    enum class Pane { LeftForm, View };
    Pane ActivePane() const { return m_activePane; }

    /// The text view, pane (0, 1) of the splitter.
    CVaroView* GetRightPane() const { return m_pView; }
    CLeftForm* LeftForm() const { return m_pLeftForm; }
    ST_SplitterWnd* Splitter() const { return m_wndSplitter; }
    CSCrollToolBar* ToolBar() const { return m_wndToolBar; }
    QAction* Action(int id) const;

    varo::CBookmarks& Bookmarks() { return m_bookmarks; }
    /// Shows a bookmark's page, or tells why it cannot.
    void OpenBookmark(const varo::BookmarkTag& bookmark);

    /// Whether command id may run now.
    bool IsCommandEnabled(int id) const;
    /// Runs command id when its rule holds, and nothing otherwise.
    void RunCommand(int id);
    /// Applies the enabling rules and the check state to every command.
    void UpdateCommandUI();
    /// Asks for an update pass when the event loop next goes idle.
    void RequestCommandUpdate();

protected:
    QMenu* createPopupMenu() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void GivePanelRoom(bool wide);
    void CreateActions();
    void CreateStatusBar();
    void CreateNoFurtherHitKeys();
    void SaveState() const;
    void PlaceNormalWindow();
    int AvailableWidth() const;
    void OnPrint();
    void CreateMenus();
    void CreateToolBar();
    void OnCreateClient();
    QString ProgramFolder() const;
    std::vector<std::u16string> FindAlternatives(const std::u16string& what) const;

    std::optional<varo::BookmarkTag> ShownBookmark() const;
    void LoadBookmarks();
    void ReopenLastSearch();
    void ReopenLastPlace(const QString& line);
    void SaveBookmarks() const;
    void OnToggleBookmark();
    void OnBookmarkList();
    void OnPrintSetup();
    void OnShowAll();
    void OnNextVolume();
    void OnPreviousVolume();
    void OnHelp();
    void OnAbout();
    void OnOtherPane();
    void OnFocusChanged(QWidget* now);
    void StartEndProgram() const;

    FrameFoldersTag m_folders;
    ST_SplitterWnd* m_wndSplitter = nullptr;
    CSCrollToolBar* m_wndToolBar = nullptr;
    CLeftForm* m_pLeftForm = nullptr;
    // The panel's width before a concordance or statistics tab widened it; 0 while not widened.
    int m_narrowPanelWidth = 0;
    CVaroView* m_pView = nullptr;
    std::map<int, QAction*> m_actions;
    // F3 and Alt+F3 while their hit command cannot move, by command id.
    std::map<int, QShortcut*> m_noFurtherHitKeys;
    QLabel* m_position = nullptr;
    QLabel* m_zoomLevel = nullptr;
    QTimer m_updateTimer;
    varo::CBookmarks m_bookmarks;
    // 前回の続きから開く: the last page and search come back at start.
    bool m_reopen = true;
    // False when the store holds a newer program's bookmarks, which are left as they are.
    bool m_bookmarksWritable = true;
    // The shown page's bookmark, for the page record it was worked out for.
    mutable std::optional<uint32_t> m_bookmarkPage;
    mutable std::optional<varo::BookmarkTag> m_shownBookmark;
    // The pane that last took the focus; the search panel is active at start.
    Pane m_activePane = Pane::LeftForm;
};
