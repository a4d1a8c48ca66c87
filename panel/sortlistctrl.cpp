#include "panel/sortlistctrl.h"

#include <QHeaderView>
#include <QSignalBlocker>

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
}

int CSortListCtrl::SelectedRow() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}
