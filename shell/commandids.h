#pragma once
// The command ids of the main window. Each command is one QAction whose object name is its id
// as decimal text, so that tests and the toolbar find it by id.

#include <QString>

namespace varo::shell {

enum CommandId : int {
    ID_FILE_PRINT_SETUP = 32776,  // 印刷設定: page setup or print preview, by the active pane
    ID_FILE_PRINT = 32777,        // 印刷: print at once, no dialog
    ID_APP_EXIT = 57665,
    ID_EDIT_COPY = 57634,
    ID_EDIT_SELECT_ALL = 32778,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,  // there is no status bar: always enabled, never checked
    ID_VIEW_SHOW_ALL = 32774,    // 全表示: hide or show the search panel's column
    ID_PREVIOUS_PAGE = 32780,
    ID_NEXT_PAGE = 32781,
    ID_PREVIOUS_VOLUME = 32791,
    ID_NEXT_VOLUME = 32790,
    ID_PREVIOUS_HIT = 32805,
    ID_NEXT_HIT = 32806,
    ID_APP_ABOUT = 57664,
    ID_HELP = 32798,
    ID_EDIT_FIND = 33001,        // 頁内検索: the text view's find bar
    ID_VIEW_ZOOM_IN = 33010,     // 拡大
    ID_VIEW_ZOOM_OUT = 33011,    // 縮小
    ID_VIEW_ZOOM_RESET = 33012,  // 元の大きさ
    ID_GO_BACK = 33020,          // 戻る: the page seen before
    ID_GO_FORWARD = 33021,       // 進む: the page seen after
    ID_BOOKMARK_TOGGLE = 33030,  // しおりを付ける: adds or removes the shown page's bookmark
    ID_BOOKMARK_LIST = 33031,    // しおりの一覧
    ID_VIEW_REOPEN = 33040,      // 前回の続きから開く: the last page comes back at start
    // Reached by keys only.
    ID_FILE_PRINT_DIALOG = 57607,  // Ctrl+P: the text view's print with its dialog
    ID_NEXT_PANE = 57680,          // F6
    ID_PREVIOUS_PANE = 57681,      // Shift+F6
};

/// Object name of a control or command: its id as decimal text (1011 => "1011").
inline QString IdName(int id)
{
    return QString::number(id);
}

}  // namespace varo::shell
