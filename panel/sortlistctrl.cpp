#include "panel/sortlistctrl.h"

#include "panel/columnfit.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>

CSortListCtrl::CSortListCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    // The columns share the list's width (FitColumns): there is nothing to scroll sideways.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(header(), &QHeaderView::sectionClicked, this, &CSortListCtrl::columnClicked);
}

void CSortListCtrl::SetColumns(const QStringList& headings, const QList<int>& widths)
{
    setColumnCount(static_cast<int>(headings.size()));
    setHeaderLabels(headings);
    for (int column = 0; column < headings.size() && column < widths.size(); ++column) {
        headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
        setColumnWidth(column, widths[column]);
    }
}

void CSortListCtrl::SetRows(const std::vector<varo::ResultRowTag>& rows)
{
    const QSignalBlocker blocker(this);
    // The selected result stays selected and in view when the same rows come back in another
    // order (a click on 頁); it is a page number, the rows' item data.
    const QList<QTreeWidgetItem*> selected = selectedItems();
    const QVariant selectedPage = selected.isEmpty() ? QVariant() : selected.first()->data(0, Qt::UserRole);
    clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const varo::ResultRowTag& row : rows) {
        auto* item = new QTreeWidgetItem;
        for (int column = 0; column < static_cast<int>(row.columns.size()); ++column)
            item->setText(column, QString::fromStdU16String(row.columns[static_cast<size_t>(column)]));
        item->setData(0, Qt::UserRole, row.itemData);
        items.append(item);
    }
    addTopLevelItems(items);
    if (selectedPage.isValid()) {
        for (QTreeWidgetItem* item : items) {
            if (item->data(0, Qt::UserRole) == selectedPage) {
                setCurrentItem(item);
                scrollToItem(item);
                break;
            }
        }
    }
    FitColumns();
}

// Each column wants the width of its longest text (its heading included); the columns then
// share the list's width by those wants, so that whole names show wherever the width allows.
void CSortListCtrl::FitColumns()
{
    const int columns = columnCount();
    if (columns == 0)
        return;
    std::vector<int> wanted(static_cast<size_t>(columns), 0);
    const QFontMetrics metrics(font());
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 12;
    for (int column = 0; column < columns; ++column) {
        int width = header()->fontMetrics().horizontalAdvance(headerItem()->text(column));
        for (int row = 0; row < topLevelItemCount(); ++row)
            width = std::max(width, metrics.horizontalAdvance(topLevelItem(row)->text(column)));
        wanted[static_cast<size_t>(column)] = width + padding;
    }
    const std::vector<int> widths = varo::FitColumnWidths(wanted, viewport()->width());
    for (int column = 0; column < columns; ++column)
        setColumnWidth(column, widths[static_cast<size_t>(column)]);
}

void CSortListCtrl::resizeEvent(QResizeEvent* event)
{
    QTreeWidget::resizeEvent(event);
    FitColumns();
}

int CSortListCtrl::SelectedRow() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}
