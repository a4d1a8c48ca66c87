#include "panel/kwicview.h"

#include "panel/catalogueorder.h"
#include "panel/paneltext.h"
#include "panel/tabletransfer.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Collecting that takes longer than this shows the progress bar and 中止.
constexpr qint64 kBlinkMs = 200;
constexpr int kPollMs = 30;
const QColor kAnnotationColour(0x99, 0x33, 0x66);
const QColor kHitColour(Qt::red);

QElapsedTimer& Clock()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock;
}

// The orders of the order box, in its order.
constexpr varo::KwicOrder kOrders[] = {varo::KwicOrder::Page, varo::KwicOrder::Catalogue, varo::KwicOrder::Before,
                                       varo::KwicOrder::After};

}  // namespace

// ---- The table model ----

void CKwicTableModel::Reset(std::vector<varo::SearchNodeTag> results)
{
    beginResetModel();
    m_results = std::move(results);
    m_lines.clear();
    endResetModel();
}

void CKwicTableModel::Append(std::vector<varo::KwicLineTag> lines)
{
    if (lines.empty())
        return;
    const int first = static_cast<int>(m_lines.size());
    beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
    m_lines.insert(m_lines.end(), std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
    endInsertRows();
}

void CKwicTableModel::Sort(varo::KwicOrder order, const std::vector<uint64_t>& ranks)
{
    emit layoutAboutToBeChanged();
    varo::SortKwicLines(m_lines, order, ranks);
    emit layoutChanged();
}

const varo::KwicLineTag* CKwicTableModel::Line(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < m_lines.size() ? &m_lines[static_cast<size_t>(row)] : nullptr;
}

const varo::SearchNodeTag* CKwicTableModel::ResultOf(int row) const
{
    const varo::KwicLineTag* line = Line(row);
    return line != nullptr && line->result < m_results.size() ? &m_results[line->result] : nullptr;
}

int CKwicTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

int CKwicTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : KWIC_COLUMN_COUNT;
}

QVariant CKwicTableModel::data(const QModelIndex& index, int role) const
{
    const varo::KwicLineTag* line = Line(index.row());
    const varo::SearchNodeTag* result = ResultOf(index.row());
    if (line == nullptr || result == nullptr)
        return {};
    if (role == Qt::TextAlignmentRole) {
        if (index.column() == KWIC_BEFORE || index.column() == KWIC_PAGE)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (index.column() == KWIC_HIT)
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case KWIC_CATEGORY: return QString::fromStdU16String(result->categoryName);
    case KWIC_TITLE: return QString::fromStdU16String(result->titleName);
    case KWIC_VOLUME: return QString::fromStdU16String(result->volumeName);
    case KWIC_PAGE: return QString::fromStdU16String(varo::DecimalText(result->pageLabel));
    case KWIC_BEFORE: return QString::fromStdU16String(std::u16string(line->Before()));
    case KWIC_HIT: return QString::fromStdU16String(std::u16string(line->Hit()));
    case KWIC_AFTER: return QString::fromStdU16String(std::u16string(line->After()));
    default: return {};
    }
}

QVariant CKwicTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kHeadings[KWIC_COLUMN_COUNT] = {"類別", "書名", "巻", "頁", "前", "語", "後"};
    return section >= 0 && section < KWIC_COLUMN_COUNT ? QString::fromUtf8(kHeadings[section]) : QVariant();
}

// ---- The delegate ----

void CKwicDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const CKwicTableModel*>(index.model());
    const varo::KwicLineTag* line = model != nullptr ? model->Line(index.row()) : nullptr;
    const int column = index.column();
    if (line == nullptr || (column != KWIC_BEFORE && column != KWIC_HIT && column != KWIC_AFTER)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : nullptr;
    if (style != nullptr)
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    size_t first = 0;
    size_t end = line->beforeUnits;
    if (column == KWIC_HIT) {
        first = line->beforeUnits;
        end = first + line->hitUnits;
    } else if (column == KWIC_AFTER) {
        first = size_t{line->beforeUnits} + line->hitUnits;
        end = line->text.size();
    }
    // Runs of main text and annotation text, each drawn in its own look.
    struct Run {
        QString text;
        bool note;
    };
    std::vector<Run> runs;
    for (size_t i = first; i < end; ++i) {
        const bool note = line->IsAnnotation(i);
        if (runs.empty() || runs.back().note != note)
            runs.push_back({QString(), note});
        runs.back().text += QChar(line->text[i]);
    }
    QFont mainFont = option.font;
    QFont noteFont = option.font;
    noteFont.setPointSizeF(option.font.pointSizeF() > 0 ? option.font.pointSizeF() * 0.85 : 8);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QColor text =
        selected ? option.palette.color(QPalette::HighlightedText) : option.palette.color(QPalette::Text);
    int width = 0;
    for (const Run& run : runs)
        width += QFontMetrics(run.note ? noteFont : mainFont).horizontalAdvance(run.text);
    const QRect rect = option.rect.adjusted(3, 0, -3, 0);
    int x = rect.left();
    if (column == KWIC_BEFORE)
        x = rect.right() - width;
    else if (column == KWIC_HIT)
        x = rect.left() + (rect.width() - width) / 2;
    const int baseline =
        rect.top() + (rect.height() + QFontMetrics(mainFont).ascent() - QFontMetrics(mainFont).descent()) / 2;
    painter->save();
    painter->setClipRect(option.rect);
    for (const Run& run : runs) {
        painter->setFont(run.note ? noteFont : mainFont);
        // A hit stays red inside an annotation too; the smaller font tells that it is one.
        painter->setPen(selected ? text : column == KWIC_HIT ? kHitColour : run.note ? kAnnotationColour : text);
        painter->drawText(x, baseline, run.text);
        x += QFontMetrics(run.note ? noteFont : mainFont).horizontalAdvance(run.text);
    }
    painter->restore();
}

// ---- The view ----

CKwicView::CKwicView(QWidget* parent)
    : QWidget(parent), m_model(new CKwicTableModel(this)), m_table(new QTableView(this)), m_width(new QSpinBox(this)),
      m_order(new QComboBox(this)), m_export(new QPushButton(QStringLiteral("書き出し"), this)),
      m_status(new QLabel(this)), m_progress(new QProgressBar(this)),
      m_cancel(new QPushButton(QStringLiteral("中止"), this)), m_poll(new QTimer(this))
{
    setObjectName(QStringLiteral("kwicView"));
    m_table->setObjectName(QStringLiteral("kwicTable"));
    m_width->setObjectName(QStringLiteral("kwicWidth"));
    m_order->setObjectName(QStringLiteral("kwicOrder"));
    m_progress->setObjectName(QStringLiteral("kwicProgress"));
    m_cancel->setObjectName(QStringLiteral("kwicCancel"));
    m_status->setObjectName(QStringLiteral("kwicStatus"));

    m_width->setRange(0, varo::kMaxKwicWidth);
    m_width->setValue(varo::kDefaultKwicWidth);
    m_width->setToolTip(QStringLiteral("語の前後に示す字数"));
    m_order->addItems(
        {QStringLiteral("頁順"), QStringLiteral("目録順"), QStringLiteral("前の字順"), QStringLiteral("後の字順")});
    m_order->setToolTip(QStringLiteral("前の字順は語の直前の字から逆に読んで並べます"));
    auto* exportMenu = new QMenu(m_export);
    varo::shell::AddTableActions(exportMenu, this, QStringLiteral("用例"),
                                 [this] { return varo::KwicTable(m_model->Lines(), m_model->Results()); });
    m_export->setMenu(exportMenu);

    m_table->setModel(m_model);
    m_table->setItemDelegate(new CKwicDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setWordWrap(false);
    m_table->setShowGrid(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
    m_table->horizontalHeader()->setHighlightSections(false);
    const int widths[KWIC_COLUMN_COUNT] = {40, 70, 70, 36, 0, 0, 0};
    for (int column = 0; column < KWIC_COLUMN_COUNT; ++column)
        if (widths[column] > 0)
            m_table->setColumnWidth(column, widths[column]);

    m_progress->hide();
    m_cancel->hide();

    auto* options = new QHBoxLayout;
    options->addWidget(new QLabel(QStringLiteral("前後"), this));
    options->addWidget(m_width);
    options->addWidget(new QLabel(QStringLiteral("字"), this));
    options->addSpacing(8);
    options->addWidget(m_order);
    options->addStretch(1);
    options->addWidget(m_export);
    auto* progress = new QHBoxLayout;
    progress->addWidget(m_status, 1);
    progress->addWidget(m_progress, 1);
    progress->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(options);
    layout->addLayout(progress);
    layout->addWidget(m_table, 1);

    connect(m_poll, &QTimer::timeout, this, &CKwicView::Poll);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_job == nullptr)
            return;
        m_cancelled = true;
        Poll();
    });
    connect(m_width, &QSpinBox::valueChanged, this, [this] {
        if (m_source.index != nullptr)
            Restart();
    });
    connect(m_order, &QComboBox::currentIndexChanged, this, [this] {
        if (m_job == nullptr)
            ApplyOrder();
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { OnCurrentRowChanged(current); });
    ShowStatus();
}

CKwicView::~CKwicView()
{
    Stop();
}

void CKwicView::Start(Source source)
{
    Stop();
    m_source = std::move(source);
    Restart();
}

void CKwicView::Stop()
{
    m_poll->stop();
    m_job.reset();  // cancels and waits
    m_progress->hide();
    m_cancel->hide();
}

void CKwicView::Clear()
{
    Stop();
    m_source = {};
    m_model->Reset({});
    ShowStatus();
}

void CKwicView::Restart()
{
    Stop();
    m_cancelled = false;
    m_model->Reset(m_source.results);
    if (m_source.index == nullptr || m_source.results.empty()) {
        ShowStatus();
        return;
    }
    std::vector<uint32_t> pages;
    pages.reserve(m_source.results.size());
    for (const varo::SearchNodeTag& result : m_source.results)
        pages.push_back(result.pageNumber);
    const int width = m_width->value();
    for (int column : {KWIC_BEFORE, KWIC_AFTER})
        m_table->setColumnWidth(column, QFontMetrics(font()).horizontalAdvance(QChar(0x5B57)) * width + 10);
    m_table->setColumnWidth(KWIC_HIT, QFontMetrics(font()).horizontalAdvance(QChar(0x5B57)) * 3 + 10);
    m_job = std::make_unique<varo::CKwicJob>(*m_source.index, m_source.query, m_source.target, m_source.useVariants,
                                             width, std::move(pages), varo::CKwicJob::DefaultThreads());
    m_startedMs = Clock().elapsed();
    m_poll->start(kPollMs);
    Poll();
}

void CKwicView::Poll()
{
    if (m_job == nullptr)
        return;
    if (m_cancelled)
        m_job->Cancel();
    std::vector<varo::KwicLineTag> lines;
    const bool done = m_job->TakeLines(lines);
    m_model->Append(std::move(lines));
    if (done || m_cancelled) {
        Finish();
        return;
    }
    if (Clock().elapsed() - m_startedMs > kBlinkMs) {
        m_progress->setRange(0, static_cast<int>(m_job->PageCount()));
        m_progress->setValue(static_cast<int>(m_job->PagesDone()));
        m_progress->show();
        m_cancel->show();
    }
    ShowStatus();
}

void CKwicView::Finish()
{
    m_poll->stop();
    if (m_cancelled && m_job != nullptr) {
        m_job->Wait();
        std::vector<varo::KwicLineTag> lines;
        m_job->TakeLines(lines);
        m_model->Append(std::move(lines));
    }
    m_job.reset();
    m_progress->hide();
    m_cancel->hide();
    ApplyOrder();
    ShowStatus();
}

varo::KwicOrder CKwicView::CurrentOrder() const
{
    const int index = m_order->currentIndex();
    return index >= 0 && index < static_cast<int>(std::size(kOrders)) ? kOrders[index] : varo::KwicOrder::Page;
}

void CKwicView::ApplyOrder()
{
    std::vector<uint64_t> ranks;
    const varo::KwicOrder order = CurrentOrder();
    if (order == varo::KwicOrder::Catalogue && m_source.root != nullptr) {
        std::vector<uint32_t> pages;
        for (const varo::SearchNodeTag& result : m_model->Results())
            pages.push_back(result.pageNumber);
        ranks = varo::CatalogueRanks(*m_source.root, pages);
    }
    m_model->Sort(order, ranks);
}

void CKwicView::ShowStatus()
{
    const qsizetype lines = m_model->rowCount();
    if (m_job != nullptr)
        m_status->setText(
            QStringLiteral("%1 行（%2 / %3 頁）").arg(lines).arg(m_job->PagesDone()).arg(m_job->PageCount()));
    else if (m_cancelled)
        m_status->setText(QStringLiteral("%1 行（中止しました）").arg(lines));
    else if (m_source.index == nullptr)
        m_status->setText(QStringLiteral("検索すると、語の用例がここに並びます。"));
    else
        m_status->setText(QStringLiteral("%1 行").arg(lines));
}

void CKwicView::OnCurrentRowChanged(const QModelIndex& current)
{
    const varo::KwicLineTag* line = m_model->Line(current.row());
    const varo::SearchNodeTag* result = m_model->ResultOf(current.row());
    if (line != nullptr && result != nullptr)
        emit hitChosen(result->pageNumber, line->anchor);
}
