// The search panel's research with the results: the concordance (用例) and statistics (分布)
// tabs, searching inside the results and the way back, the search history on the keyword
// field, the result list's sort indicator, catalogue order and export, and the citation of the
// page the text view shows.

#include "panel/leftform.h"

#include "panel/tabletransfer.h"
#include "shell/settings.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>

namespace {

const QString kHistoryKey = QStringLiteral("Research/SearchHistory");
const QString kCatalogueOrderKey = QStringLiteral("Research/CatalogueOrder");

// A history entry as the drop-down names it: the text and, in brackets, its options.
QString HistoryText(const varo::SearchHistoryEntryTag& entry)
{
    static const char* const kTargets[] = {"全文", "正文", "注釈"};
    QStringList options{entry.andOr == 0 ? QStringLiteral("and") : QStringLiteral("or"),
                        QString::fromUtf8(kTargets[std::clamp(entry.target, 0, 2)])};
    if (entry.variant != 0)
        options << QStringLiteral("異体字");
    if (entry.refine)
        options << QStringLiteral("結果内");
    return QString::fromStdU16String(entry.query) + QStringLiteral("　（") + options.join(QStringLiteral("・")) +
           QStringLiteral("）");
}

}  // namespace

void CLeftForm::CreateResearchControls()
{
    m_kwic = new CKwicView(this);
    m_kwic->hide();
    m_statistics = new CStatisticsView(this);
    m_statistics->hide();
    m_refine = new QCheckBox(QStringLiteral("結果内検索"), this);
    m_refine->setObjectName(QStringLiteral("refine"));
    m_refine->setToolTip(QStringLiteral("いま一覧にある頁の中だけを検索します"));
    m_narrowing = new QLabel(this);
    m_narrowing->setObjectName(QStringLiteral("narrowing"));
    m_narrowing->setStyleSheet(QStringLiteral("color: rgb(153, 51, 102);"));
    m_narrowing->hide();
    m_wholeScope = new QToolButton(this);
    m_wholeScope->setObjectName(QStringLiteral("wholeScope"));
    m_wholeScope->setText(QStringLiteral("範囲全体に戻す"));
    m_wholeScope->setToolTip(QStringLiteral("絞り込みをやめ、同じ語を検索範囲全体で検索し直します"));
    m_wholeScope->hide();
    m_results->setContextMenuPolicy(Qt::CustomContextMenu);
    m_results->header()->setSortIndicatorShown(true);
}

void CLeftForm::ConnectResearchControls()
{
    connect(m_kwic, &CKwicView::hitChosen, this, [this](uint32_t page, int anchor) {
        m_model->ShowHit(page, anchor);
        FollowContentsSlot(m_model->CurrentVolumeSlot());
        emit stateChanged();
    });
    connect(m_statistics, &CStatisticsView::entryChosen, this, [this](int slot) {
        if (!m_model->NarrowToEntry(slot))
            return;
        OnResultsChanged(false);
        m_tabs->setCurrentIndex(kSearchTab);
        emit stateChanged();
    });
    connect(m_wholeScope, &QToolButton::clicked, this, &CLeftForm::ShowWholeScope);
    connect(m_tabs, &QTabWidget::currentChanged, this,
            [this](int tab) { emit roomWanted(tab == kKwicTab || tab == kStatisticsTab); });
    connect(m_results, &QWidget::customContextMenuRequested, this, &CLeftForm::ShowResultListMenu);
}

void CLeftForm::OnTargetRadio(int code)
{
    // The index set is reopened: the concordance's workers must not read it meanwhile.
    m_kwic->Stop();
    m_model->OnTargetClicked(code);
    m_kwicCurrent = false;
    RefreshResearchTab();
    emit stateChanged();
}

void CLeftForm::OnResultsChanged(bool newSearch)
{
    m_kwic->Stop();
    m_kwicCurrent = false;
    if (newSearch)
        m_statisticsCurrent = false;
    ShowSortIndicator();
    SaveHistory();
    LayoutPanel();
}

void CLeftForm::RefreshResearchTab()
{
    if (m_tabs->currentIndex() == kKwicTab && !m_kwicCurrent)
        StartKwic();
    if (m_tabs->currentIndex() == kStatisticsTab && !m_statisticsCurrent)
        UpdateStatistics();
}

void CLeftForm::StartKwic()
{
    m_kwicCurrent = true;
    const varo::CLeftFormModel& model = *m_model;
    if (model.m_resultList.m_results.empty() || !model.m_index.IsOpen()) {
        m_kwic->Clear();
        return;
    }
    CKwicView::Source source;
    source.index = &model.m_index;
    source.root = model.m_catalogue.m_root.get();
    source.query = model.m_keyWords;
    source.target = model.m_target;
    source.useVariants = model.m_variant != 0;
    source.results = model.m_resultList.m_results;
    m_kwic->Start(std::move(source));
}

void CLeftForm::UpdateStatistics()
{
    m_statisticsCurrent = true;
    // With the whole collection as the scope the catalogue's root holds every entry.
    const bool whole = m_model->IsWholeCollectionScope();
    const varo::ContentsNodeTag* scope = whole ? m_model->m_catalogue.m_root.get() : m_model->ScopeNode();
    if (scope == nullptr || m_model->SearchResults().empty()) {
        m_statistics->Clear();
        return;
    }
    std::vector<varo::StatNodeTag> statistics = varo::HitStatistics(*scope, m_model->SearchResults());
    if (whole)
        statistics.front().name = varo::kWholeCollectionScopePath;
    m_statistics->SetStatistics(std::move(statistics));
}

void CLeftForm::SetNarrowing(const std::u16string& description)
{
    m_narrowing->setText(QString::fromStdU16String(description));
    m_narrowing->setToolTip(m_narrowing->text());
    LayoutPanel();
}

void CLeftForm::ShowWholeScope()
{
    m_model->ShowWholeScope();
    m_and->setChecked(m_model->m_andOr == 0);
    m_or->setChecked(m_model->m_andOr == 1);
    m_variant->setChecked(m_model->m_variant != 0);
    OnResultsChanged(true);
    emit stateChanged();
}

void CLeftForm::ShowSortIndicator()
{
    const varo::CResultList& list = m_model->m_resultList;
    QHeaderView* header = m_results->header();
    if (list.SortColumn() < 0)
        header->setSortIndicator(-1, Qt::AscendingOrder);
    else
        header->setSortIndicator(list.SortColumn(), list.SortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void CLeftForm::SetCatalogueOrder(bool on)
{
    m_model->m_resultList.SetCatalogueOrder(on);
    varo::shell::OpenSettings()->setValue(kCatalogueOrderKey, on);
    OnResultsChanged(false);
}

void CLeftForm::ShowResultListMenu(const QPoint& position)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("resultListMenu"));
    QAction* order = menu.addAction(QStringLiteral("目録順に並べる(&O)"));
    order->setObjectName(QStringLiteral("catalogueOrder"));
    order->setCheckable(true);
    order->setChecked(m_model->m_resultList.CatalogueOrder());
    connect(order, &QAction::toggled, this, &CLeftForm::SetCatalogueOrder);
    menu.addSeparator();
    varo::shell::AddTableActions(&menu, this, QStringLiteral("検索結果"),
                                 [this] { return varo::ResultTable(m_model->m_resultList.m_results); });
    menu.exec(m_results->viewport()->mapToGlobal(position));
}

std::optional<varo::CitationTag> CLeftForm::ShownPageCitation() const
{
    const std::optional<uint32_t> page = m_model->m_pageDisplay.m_shownPage;
    if (!page)
        return std::nullopt;
    return varo::CitationOf(m_model->m_catalogue, *page);
}

void CLeftForm::ShowHistoryMenu()
{
    const std::vector<varo::SearchHistoryEntryTag>& entries = m_model->m_history.Entries();
    if (m_queryInput == nullptr || m_queryInput->Field() == nullptr)
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("historyMenu"));
    for (const varo::SearchHistoryEntryTag& entry : entries)
        menu.addAction(HistoryText(entry), this, [this, entry] { ApplyHistoryEntry(entry); });
    if (entries.empty()) {
        menu.addAction(QStringLiteral("検索の履歴はまだありません"))->setEnabled(false);
    } else {
        menu.addSeparator();
        menu.addAction(QStringLiteral("履歴を消す"), this, [this] {
            m_model->m_history.Clear();
            SaveHistory();
        });
    }
    QLineEdit* field = m_queryInput->Field();
    menu.exec(field->mapToGlobal(QPoint(0, field->height())));
}

void CLeftForm::ApplyHistoryEntry(const varo::SearchHistoryEntryTag& entry)
{
    if (m_queryInput != nullptr && m_queryInput->Field() != nullptr)
        m_queryInput->Field()->setText(QString::fromStdU16String(entry.query));
    m_and->setChecked(entry.andOr == 0);
    m_or->setChecked(entry.andOr == 1);
    m_variant->setChecked(entry.variant != 0);
    m_refine->setChecked(entry.refine);
    const int target = std::clamp(entry.target, 0, 2);
    m_targets[target]->setChecked(true);
    if (target != m_model->m_target)
        OnTargetRadio(target);
}

void CLeftForm::LoadHistory()
{
    const auto settings = varo::shell::OpenSettings();
    std::vector<std::u16string> lines;
    for (const QString& line : settings->value(kHistoryKey).toStringList())
        lines.push_back(line.toStdU16String());
    m_model->m_history.FromLines(lines);
    if (settings->value(kCatalogueOrderKey, false).toBool())
        m_model->m_resultList.SetCatalogueOrder(true);
    if (m_queryInput != nullptr && m_queryInput->Field() != nullptr) {
        QAction* history =
            m_queryInput->Field()->addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
        history->setObjectName(QStringLiteral("history"));
        history->setToolTip(QStringLiteral("検索の履歴（↓キーでも開きます）"));
        connect(history, &QAction::triggered, this, &CLeftForm::ShowHistoryMenu);
    }
}

void CLeftForm::SaveHistory() const
{
    QStringList lines;
    for (const std::u16string& line : m_model->m_history.ToLines())
        lines << QString::fromStdU16String(line);
    varo::shell::OpenSettings()->setValue(kHistoryKey, lines);
}
