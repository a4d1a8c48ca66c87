#include "panel/statisticsview.h"

#include "panel/tabletransfer.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

enum StatColumn : int { STAT_NAME = 0, STAT_PAGES, STAT_HITS, STAT_COLUMN_COUNT };

constexpr int kSlotRole = Qt::UserRole + 1;
const QColor kBarColour(0xC0, 0x50, 0x40);
constexpr int kNameWidth = 130;
constexpr int kValueWidth = 60;

}  // namespace

// ---- The chart ----

CHitChart::CHitChart(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("hitChart"));
    setMouseTracking(true);
}

int CHitChart::RowHeight() const
{
    return fontMetrics().height() + 6;
}

void CHitChart::SetBars(std::vector<Bar> bars)
{
    m_bars = std::move(bars);
    setMinimumHeight(static_cast<int>(m_bars.size()) * RowHeight() + 4);
    updateGeometry();
    update();
}

QSize CHitChart::sizeHint() const
{
    return {kNameWidth + kValueWidth + 120, static_cast<int>(m_bars.size()) * RowHeight() + 4};
}

int CHitChart::BarAt(const QPoint& point) const
{
    const int row = (point.y() - 2) / RowHeight();
    return point.y() >= 2 && row >= 0 && row < static_cast<int>(m_bars.size()) ? row : -1;
}

void CHitChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    uint64_t most = 1;
    for (const Bar& bar : m_bars)
        most = std::max(most, bar.hits);
    const int rowHeight = RowHeight();
    const int barLeft = kNameWidth + 6;
    const int barRoom = std::max(10, width() - barLeft - kValueWidth - 6);
    const QFontMetrics metrics = fontMetrics();
    for (size_t i = 0; i < m_bars.size(); ++i) {
        const Bar& bar = m_bars[i];
        const int top = 2 + static_cast<int>(i) * rowHeight;
        const QRect nameRect(4, top, kNameWidth, rowHeight);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(nameRect, Qt::AlignRight | Qt::AlignVCenter,
                         metrics.elidedText(bar.name, Qt::ElideMiddle, kNameWidth));
        const int length =
            std::max(1, static_cast<int>(static_cast<double>(bar.hits) / static_cast<double>(most) * barRoom));
        painter.fillRect(QRect(barLeft, top + 3, length, rowHeight - 6), kBarColour);
        painter.drawText(QRect(barLeft + length + 4, top, kValueWidth + 40, rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::number(bar.hits));
    }
}

void CHitChart::mousePressEvent(QMouseEvent* event)
{
    const int bar = BarAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && bar >= 0)
        emit barClicked(m_bars[static_cast<size_t>(bar)].slot);
    QWidget::mousePressEvent(event);
}

// ---- The view ----

CStatisticsView::CStatisticsView(QWidget* parent)
    : QWidget(parent), m_level(new QComboBox(this)), m_total(new QLabel(this)),
      m_export(new QPushButton(QStringLiteral("書き出し"), this)),
      m_items(new QStandardItemModel(0, STAT_COLUMN_COUNT, this)), m_sorted(new QSortFilterProxyModel(this)),
      m_table(new QTableView(this)), m_chart(new CHitChart(this))
{
    setObjectName(QStringLiteral("statisticsView"));
    m_level->setObjectName(QStringLiteral("statisticsLevel"));
    m_table->setObjectName(QStringLiteral("statisticsTable"));
    m_total->setObjectName(QStringLiteral("statisticsTotal"));
    m_level->addItem(QStringLiteral("類別ごと"), 1);
    m_level->addItem(QStringLiteral("書名ごと"), 2);
    m_level->addItem(QStringLiteral("巻ごと"), 3);
    auto* exportMenu = new QMenu(m_export);
    varo::shell::AddTableActions(exportMenu, this, QStringLiteral("分布"),
                                 [this] { return varo::StatisticsTable(m_stats); });
    m_export->setMenu(exportMenu);

    m_items->setHorizontalHeaderLabels({QStringLiteral("名称"), QStringLiteral("頁数"), QStringLiteral("箇所")});
    m_sorted->setSourceModel(m_items);
    m_sorted->setSortRole(Qt::UserRole);
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(-1, Qt::AscendingOrder);  // catalogue order until a header is clicked
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(STAT_NAME, 150);

    auto* chartArea = new QScrollArea(this);
    chartArea->setWidget(m_chart);
    chartArea->setWidgetResizable(true);

    auto* top = new QHBoxLayout;
    top->addWidget(m_level);
    top->addWidget(m_total, 1);
    top->addWidget(m_export);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(chartArea, 3);
    layout->addWidget(m_table, 2);

    connect(m_level, &QComboBox::currentIndexChanged, this, &CStatisticsView::Fill);
    connect(m_sorted, &QAbstractItemModel::layoutChanged, this, &CStatisticsView::UpdateChart);
    connect(m_chart, &CHitChart::barClicked, this, &CStatisticsView::entryChosen);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        emit entryChosen(m_sorted->index(index.row(), STAT_NAME).data(kSlotRole).toInt());
    });
    Fill();
}

int CStatisticsView::CurrentLevel() const
{
    return m_level->currentData().toInt();
}

void CStatisticsView::SetStatistics(std::vector<varo::StatNodeTag> stats)
{
    m_stats = std::move(stats);
    // The level right below the scope shows how its hits spread; a volume shows itself.
    if (!m_stats.empty()) {
        const int level = std::clamp(m_stats.front().level + 1, 1, 3);
        const QSignalBlocker blocker(m_level);
        m_level->setCurrentIndex(m_level->findData(level));
    }
    Fill();
}

void CStatisticsView::Fill()
{
    m_items->removeRows(0, m_items->rowCount());
    const int level = CurrentLevel();
    for (const varo::StatNodeTag& node : m_stats) {
        if (node.level != level)
            continue;
        auto* name = new QStandardItem(QString::fromStdU16String(node.name));
        name->setData(node.slot, kSlotRole);
        name->setData(static_cast<int>(m_items->rowCount()), Qt::UserRole);  // catalogue order
        QList<QStandardItem*> row{name};
        for (uint64_t value : {node.pages, node.hits}) {
            auto* item = new QStandardItem(QString::number(value));
            item->setData(static_cast<qulonglong>(value), Qt::UserRole);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            row.append(item);
        }
        m_items->appendRow(row);
    }
    if (m_stats.empty())
        m_total->setText(QStringLiteral("検索すると、ヒットの分布がここに出ます。"));
    else
        m_total->setText(QStringLiteral("%1：%2 頁、%3 箇所")
                             .arg(QString::fromStdU16String(m_stats.front().name))
                             .arg(m_stats.front().pages)
                             .arg(m_stats.front().hits));
    UpdateChart();
}

void CStatisticsView::UpdateChart()
{
    std::vector<CHitChart::Bar> bars;
    for (int row = 0; row < m_sorted->rowCount(); ++row) {
        const QModelIndex name = m_sorted->index(row, STAT_NAME);
        bars.push_back({name.data(kSlotRole).toInt(), name.data().toString(),
                        m_sorted->index(row, STAT_HITS).data(Qt::UserRole).toULongLong(),
                        m_sorted->index(row, STAT_PAGES).data(Qt::UserRole).toULongLong()});
    }
    m_chart->SetBars(std::move(bars));
}
