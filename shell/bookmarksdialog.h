#pragma once
// しおりの一覧: the bookmarks with category, title, volume, page and a note the reader edits in
// place. A bookmark whose page the collection no longer has stays listed, marked as not found.
// 開く (or a double click, or Enter) shows the chosen page; 削除 (or Delete) removes it.

#include "panel/bookmarks.h"

#include <QDialog>

#include <functional>

class QTableWidget;
class QPushButton;

class CBookmarksDialog : public QDialog {
    Q_OBJECT
public:
    /// found tells whether the collection has a bookmark's page now.
    CBookmarksDialog(varo::CBookmarks& bookmarks, std::function<bool(const varo::BookmarkTag&)> found,
                     QWidget* parent = nullptr);

    QTableWidget* Table() const { return m_table; }
    /// The row shown for a bookmark that is not found: its page column says so.
    static inline const QString kNotFoundText = QStringLiteral("（見つかりません）");

signals:
    /// The list changed (a note edited, a bookmark removed): the caller stores it.
    void changed();
    /// The reader asked for the bookmark at index; the dialog closes.
    void openRequested(int index);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Fill();
    void OpenSelected();
    void RemoveSelected();
    int SelectedIndex() const;

    varo::CBookmarks& m_bookmarks;
    std::function<bool(const varo::BookmarkTag&)> m_found;
    QTableWidget* m_table = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_remove = nullptr;
    bool m_filling = false;
};
