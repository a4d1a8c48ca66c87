#include "panel/contentstree.h"

#include "panel/catalogue.h"

#include <QHeaderView>
#include <QPainter>

#include <algorithm>

CContentsTree::CContentsTree(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    // The top-level items get room for their expand box too.
    setRootIsDecorated(true);
    // The column is as wide as its longest name shown, with a scroll bar when that is wider
    // than the tree, so no name ends in "…".
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(20, 20));
    // The item views show the selected mode of an icon for a selected item.
    m_volumeIcon.addPixmap(QPixmap(QStringLiteral(":/volume-closed.png")), QIcon::Normal);
    m_volumeIcon.addPixmap(QPixmap(QStringLiteral(":/volume-open.png")), QIcon::Selected);
}

void CContentsTree::Fill(const varo::CCatalogue& catalogue)
{
    clear();
    m_items.assign(static_cast<size_t>(std::max(catalogue.m_nodeCount, 1)), nullptr);
    for (int slot = 1; slot < catalogue.m_nodeCount; ++slot) {
        QTreeWidgetItem* parent = m_items[static_cast<size_t>(catalogue.TreeParentOf(slot))];
        auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
        item->setText(0, QString::fromStdU16String(catalogue.m_NodeItem[static_cast<size_t>(slot)].Name()));
        item->setToolTip(0, QString::fromStdU16String(catalogue.ItemPath(slot)));
        item->setIcon(0, m_volumeIcon);
        item->setData(0, Qt::UserRole, slot);
        m_items[static_cast<size_t>(slot)] = item;
    }
}

QTreeWidgetItem* CContentsTree::ItemOf(int slot) const
{
    return slot > 0 && static_cast<size_t>(slot) < m_items.size() ? m_items[static_cast<size_t>(slot)] : nullptr;
}

int CContentsTree::SelectedSlot() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? 0 : selected.first()->data(0, Qt::UserRole).toInt();
}

void CContentsTree::SelectSlot(int slot)
{
    QTreeWidgetItem* item = ItemOf(slot);
    if (item == nullptr)
        return;
    setCurrentItem(item);
    scrollToItem(item);
}

// Draws, right to left, the item's own connector (up to its parent's line and across to the
// item) and, for each item above it that has a later sibling, that sibling line passing by.
// Top-level items get no lines. An item with children gets its expand box over its connector.
void CContentsTree::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    DrawLines(painter, rect, index);
    if (model()->hasChildren(index))
        DrawExpandBox(painter, rect, isExpanded(index));
}

// A 9-pixel box with + or -, centred in the item's own part of the branch area.
void CContentsTree::DrawExpandBox(QPainter* painter, const QRect& rect, bool expanded) const
{
    const int indent = indentation();
    const QPoint centre(rect.right() + 1 - indent + indent / 2, rect.top() + rect.height() / 2);
    const QRect box(centre.x() - 4, centre.y() - 4, 9, 9);
    painter->fillRect(box, palette().color(QPalette::Base));
    painter->setPen(palette().color(QPalette::Dark));
    painter->drawRect(box.adjusted(0, 0, -1, -1));
    painter->setPen(palette().color(QPalette::Text));
    painter->drawLine(centre.x() - 2, centre.y(), centre.x() + 2, centre.y());
    if (!expanded)
        painter->drawLine(centre.x(), centre.y() - 2, centre.x(), centre.y() + 2);
}

void CContentsTree::DrawLines(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    const QBrush dots(palette().color(QPalette::Dark), Qt::Dense4Pattern);
    const int indent = indentation();
    const int middleY = rect.top() + rect.height() / 2;
    int right = rect.right() + 1;
    bool ownConnector = true;
    for (QModelIndex node = index; node.parent().isValid(); node = node.parent()) {
        const int middleX = right - indent + indent / 2;
        const bool hasNextSibling = node.sibling(node.row() + 1, 0).isValid();
        if (ownConnector) {
            const int bottom = hasNextSibling ? rect.bottom() : middleY;
            painter->fillRect(QRect(middleX, rect.top(), 1, bottom - rect.top() + 1), dots);
            painter->fillRect(QRect(middleX, middleY, right - middleX, 1), dots);
        } else if (hasNextSibling) {
            painter->fillRect(QRect(middleX, rect.top(), 1, rect.height()), dots);
        }
        ownConnector = false;
        right -= indent;
    }
}
