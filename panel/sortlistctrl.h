#pragma once
// The result list: a list in rows and columns with full-row single selection. A click on a
// column header is reported as columnClicked; the panel's result model sorts its rows for a
// click on 頁 and hands them back, so that the rows shown and the rows the model knows (and
// renders when one is selected) are always the same.

#include "panel/panelports.h"

#include <QStringList>
#include <QTreeWidget>

#include <vector>

class CSortListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CSortListCtrl(QWidget* parent = nullptr);

    /// Makes the columns: headings, widths in pixels, all left-aligned.
    void SetColumns(const QStringList& headings, const QList<int>& widths);

    /// Replaces every row; each row keeps its item data in Qt::UserRole. Selection signals are
    /// not sent while the rows change; a selected row whose item data comes back stays
    /// selected and is scrolled into view. The columns are fitted to the new texts.
    void SetRows(const std::vector<varo::ResultRowTag>& rows);

    /// The selected row, or -1.
    int SelectedRow() const;

    /// Shares the list's width among the columns by the length of their texts.
    void FitColumns();

signals:
    void columnClicked(int column);

protected:
    void resizeEvent(QResizeEvent* event) override;
};
