#pragma once
// The statistics tab (分布): how the hits of the last search spread over the entries of the
// scope, for one catalogue level at a time, as a sortable table and a horizontal bar chart
// drawn with Qt. A click on a bar (or a double click on a row) narrows the result list to that
// entry.

#include "panel/hitstatistics.h"

#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

/// The bars: one per row of the table in the table's order, the hits of the entry.
class CHitChart : public QWidget {
    Q_OBJECT
public:
    explicit CHitChart(QWidget* parent = nullptr);

    struct Bar {
        int slot;
        QString name;
        uint64_t hits;
        uint64_t pages;
    };
    void SetBars(std::vector<Bar> bars);
    const std::vector<Bar>& Bars() const { return m_bars; }
    /// The bar at a point, or -1.
    int BarAt(const QPoint& point) const;
    QSize sizeHint() const override;

signals:
    void barClicked(int slot);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int RowHeight() const;
    std::vector<Bar> m_bars;
};

class CStatisticsView : public QWidget {
    Q_OBJECT
public:
    explicit CStatisticsView(QWidget* parent = nullptr);

    /// Shows the statistics of a search (HitStatistics of its scope and results).
    void SetStatistics(std::vector<varo::StatNodeTag> stats);
    void Clear() { SetStatistics({}); }

    QComboBox* LevelBox() const { return m_level; }
    QTableView* Table() const { return m_table; }
    CHitChart* Chart() const { return m_chart; }

signals:
    /// Narrow the result list to the entry in slot.
    void entryChosen(int slot);

private:
    void Fill();
    void UpdateChart();
    int CurrentLevel() const;

    std::vector<varo::StatNodeTag> m_stats;
    QComboBox* m_level;
    QLabel* m_total;
    QPushButton* m_export;
    QStandardItemModel* m_items;
    QSortFilterProxyModel* m_sorted;
    QTableView* m_table;
    CHitChart* m_chart;
};
