#pragma once
// The contents tree of the 目録 tab: one item per catalogue record, in file order, its item
// data the record slot. Items are joined by dotted lines, with no lines between the top-level
// items; an item that holds others shows a small box with + (closed) or - (open), which a click
// opens or closes, as do a double click and the keyboard. Every item shows a closed volume, and
// an open volume while it is selected. A name wider than the tree is read by scrolling
// sideways or in the item's tooltip, which gives the whole path of the entry.

#include <QTreeWidget>

#include <vector>

namespace varo {
class CCatalogue;
}

class CContentsTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit CContentsTree(QWidget* parent = nullptr);

    /// Makes the items of every loaded record (slots 1 .. m_nodeCount - 1), all collapsed.
    void Fill(const varo::CCatalogue& catalogue);

    /// The item of a record slot, or none.
    QTreeWidgetItem* ItemOf(int slot) const;
    /// The slot of the selected item, or 0.
    int SelectedSlot() const;
    /// Selects the item of slot, opening the items above it so that it shows.
    void SelectSlot(int slot);

protected:
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

private:
    void DrawLines(QPainter* painter, const QRect& rect, const QModelIndex& index) const;
    void DrawExpandBox(QPainter* painter, const QRect& rect, bool expanded) const;

    std::vector<QTreeWidgetItem*> m_items;  // by slot; slot 0 has none
    QIcon m_volumeIcon;
};
