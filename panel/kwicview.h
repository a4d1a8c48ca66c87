#pragma once
// The concordance tab (用例): every hit of the listed results as one line, the characters before
// it right-aligned against the hit, annotation text in the annotation colour. The lines are a
// table model over the collected lines, not items, so a hundred thousand cost what is on
// screen; they are collected on worker threads (CKwicJob) while the window stays responsive,
// with a progress bar and 中止 when that takes longer than a blink. Choosing a line shows its
// page at that hit.

#include "panel/catalogue.h"
#include "panel/kwicjob.h"
#include "panel/resultlist.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QWidget>

#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;

/// The columns of the concordance.
enum KwicColumn : int {
    KWIC_CATEGORY = 0,
    KWIC_TITLE,
    KWIC_VOLUME,
    KWIC_PAGE,
    KWIC_BEFORE,
    KWIC_HIT,
    KWIC_AFTER,
    KWIC_COLUMN_COUNT,
};

class CKwicTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    /// Starts over with the results whose pages the lines will name.
    void Reset(std::vector<varo::SearchNodeTag> results);
    /// Adds lines at the end.
    void Append(std::vector<varo::KwicLineTag> lines);
    /// Puts the lines in an order.
    void Sort(varo::KwicOrder order, const std::vector<uint64_t>& ranks);

    const varo::KwicLineTag* Line(int row) const;
    const varo::SearchNodeTag* ResultOf(int row) const;
    const std::vector<varo::KwicLineTag>& Lines() const { return m_lines; }
    const std::vector<varo::SearchNodeTag>& Results() const { return m_results; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<varo::SearchNodeTag> m_results;
    std::vector<varo::KwicLineTag> m_lines;
};

/// Draws the before, hit and after cells of a line with annotation text in the colour and size
/// the pages give it; before is right-aligned so that the hits stand in one column.
class CKwicDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class CKwicView : public QWidget {
    Q_OBJECT
public:
    explicit CKwicView(QWidget* parent = nullptr);
    ~CKwicView() override;

    /// What to collect: the search the results come from, and the catalogue for catalogue order.
    struct Source {
        const varo::CIndex* index = nullptr;
        const varo::ContentsNodeTag* root = nullptr;
        std::u16string query;
        int target = 0;
        bool useVariants = true;
        std::vector<varo::SearchNodeTag> results;
    };

    /// Starts collecting the lines of source, dropping what was there.
    void Start(Source source);
    /// Stops collecting and waits for the workers; the index may change after this.
    void Stop();
    /// Stops and empties the view.
    void Clear();
    bool IsCollecting() const { return m_job != nullptr; }

    CKwicTableModel* Model() const { return m_model; }
    QTableView* Table() const { return m_table; }
    QProgressBar* Progress() const { return m_progress; }
    QPushButton* CancelButton() const { return m_cancel; }
    QSpinBox* WidthBox() const { return m_width; }
    QComboBox* OrderBox() const { return m_order; }
    QLabel* Status() const { return m_status; }

signals:
    /// A line was chosen: show page at anchor.
    void hitChosen(uint32_t page, int anchor);

private:
    void Poll();
    void Finish();
    void Restart();
    void ApplyOrder();
    varo::KwicOrder CurrentOrder() const;
    void ShowStatus();
    void OnCurrentRowChanged(const QModelIndex& current);

    CKwicTableModel* m_model;
    QTableView* m_table;
    QSpinBox* m_width;
    QComboBox* m_order;
    QPushButton* m_export;
    QLabel* m_status;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    QTimer* m_poll;
    Source m_source;
    std::unique_ptr<varo::CKwicJob> m_job;
    qint64 m_startedMs = 0;
    bool m_cancelled = false;
};
