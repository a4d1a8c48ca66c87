#pragma once
// The main window's two-column splitter: the search panel on the left, the text view on the
// right. One column can be hidden and brought back at its former width (全表示), and the pane
// sizes are written to the settings store when the splitter goes.

#include <QSplitter>
#include <QString>

class ST_SplitterWnd : public QSplitter {
    Q_OBJECT
public:
    explicit ST_SplitterWnd(int level = 0, QWidget* parent = nullptr);
    ~ST_SplitterWnd() override;

    /// Adds the two panes, the first starting 260 pixels wide and the second taking the rest.
    bool Create(QWidget* first, QWidget* second, bool vertical = true);

    /// Hides column index when none is hidden; brings it back when it is the hidden one.
    void ToggleHidden(int index);
    void CollapseColumn(int column);
    void RestoreColumn();
    /// Copies the current widths into the noted sizes while both columns show.
    void NoteSizes();
    /// Applies the first pane's width from the entry SaveLayout wrote, bounded for a screen
    /// availableWidth pixels wide; false, changing nothing, when there is no sound entry.
    bool LoadLayout(int availableWidth);
    static constexpr int kMinimumPanelWidth = 250;
    static constexpr int kMinimumViewWidth = 300;
    /// Writes "%d %d %d %d" (hidden column, width 0, hidden row, width 1) to the settings
    /// store, section m_section, entry "Panes_<level>".
    void SaveLayout();

    bool m_vertical = true;
    int m_hiddenCol = -1;
    int m_hiddenRow = -1;
    int m_paneSize0 = 100;
    int m_paneSize1 = 100;
    int m_minSize0 = 10;
    int m_minSize1 = 10;
    QString m_section = QStringLiteral("SplitterWnd");
    int m_level = 0;

signals:
    /// The bar between the panes was released after a drag.
    void barReleased();

protected:
    QSplitterHandle* createHandle() override;
};
