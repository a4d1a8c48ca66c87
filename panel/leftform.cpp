#include "panel/leftform.h"

#include "shell/commandids.h"
#include "shell/settings.h"
#include "shell/tooltipresourcebutton.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>

namespace {

using varo::shell::IdName;

template <typename Control, typename... Args>
Control* MakeControl(QWidget* parent, int id, Args&&... args)
{
    auto* control = new Control(std::forward<Args>(args)..., parent);
    control->setObjectName(IdName(id));
    return control;
}

constexpr int kPagingButtonSize = 32;
// The < and > buttons' pictures: four 32 x 32 looks side by side.
const QString kPreviousListPagePicture = QStringLiteral(":/paging-previous.png");
const QString kNextListPagePicture = QStringLiteral(":/paging-next.png");

// The group boxes frame controls that are their siblings, placed for a frame whose caption
// sits on its top line.
const QString kPreviousListPageTip = QStringLiteral("前の一覧頁");
const QString kNextListPageTip = QStringLiteral("次の一覧頁");
const QString kWholeCollectionCaption = QStringLiteral("全体");

const QString kGroupBoxStyle = QStringLiteral(
    "QGroupBox { border: 1px solid palette(mid); border-radius: 3px; margin-top: 7px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 7px; padding: 0 2px; }");

}  // namespace

CLeftForm::CLeftForm(const varo::PanelFoldersTag& folders, QWidget* parent)
    : QWidget(parent), m_messages(this), m_model(std::make_unique<varo::CLeftFormModel>(
                                             folders, varo::PanelPortsTag{&m_messages, nullptr, nullptr, this, this}))
{
    setObjectName(QStringLiteral("CLeftForm"));
    // Clicking anywhere on the panel makes it the active pane.
    setFocusPolicy(Qt::ClickFocus);
    QFont dialogFont(QStringLiteral("Noto Sans CJK JP"), 9);
    dialogFont.setFamilies(
        {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("HanaMinA"), QStringLiteral("HanaMinB")});
    setFont(dialogFont);
    CreateControls();
    CreateResearchControls();
    ConnectControls();
    ConnectResearchControls();
}

CLeftForm::~CLeftForm()
{
    // The concordance's workers read the model's index set, which goes before the child widgets.
    m_kwic->Stop();
}

// The controls of dialog 130, tab control first so that the others lie on top of it.
void CLeftForm::CreateControls()
{
    m_tabs = MakeControl<QTabWidget>(this, IDC_TABS);
    m_contents = MakeControl<CContentsTree>(this, IDC_CONTENTS);
    m_prompt = MakeControl<QLabel>(this, IDC_PROMPT);
    MakeControl<QWidget>(this, IDC_QUERY);  // the query input takes its place at first display
    m_search = MakeControl<QPushButton>(this, IDC_SEARCH);
    auto* line = MakeControl<QFrame>(this, IDC_LINE);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    m_line = line;
    m_variant = MakeControl<QCheckBox>(this, IDC_VARIANT, QStringLiteral("簡繁・中日等の異体字の関連"));
    m_methodGroup = MakeControl<QGroupBox>(this, IDC_METHOD_GROUP, QStringLiteral("検索方法："));
    m_and = MakeControl<QRadioButton>(this, IDC_AND, QStringLiteral("and"));
    m_or = MakeControl<QRadioButton>(this, IDC_OR, QStringLiteral("or"));
    m_targetGroup = MakeControl<QGroupBox>(this, IDC_TARGET_GROUP, QStringLiteral("検索対象："));
    m_targets[0] = MakeControl<QRadioButton>(this, IDC_FULL_TEXT, QStringLiteral("全文"));
    m_targets[1] = MakeControl<QRadioButton>(this, IDC_MAIN_TEXT, QStringLiteral("正文"));
    m_targets[2] = MakeControl<QRadioButton>(this, IDC_ANNOTATIONS, QStringLiteral("注釈"));
    m_scopeGroup = MakeControl<QGroupBox>(this, IDC_SCOPE_GROUP, QStringLiteral("検索範囲："));
    m_scope = MakeControl<QLabel>(this, IDC_SCOPE);
    m_scope->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    m_wholeCollection = MakeControl<QPushButton>(this, IDC_WHOLE_COLLECTION, kWholeCollectionCaption);
    m_wholeCollection->setToolTip(QStringLiteral("すべての類別を検索範囲にします。"));
    m_summary = MakeControl<QLabel>(this, IDC_SUMMARY);
    m_results = MakeControl<CSortListCtrl>(this, IDC_RESULTS);
    auto* previousListPage = MakeControl<CToolTipResourceButton>(this, IDC_PREVIOUS_LIST_PAGE, QStringLiteral("<"));
    auto* nextListPage = MakeControl<CToolTipResourceButton>(this, IDC_NEXT_LIST_PAGE, QStringLiteral(">"));
    m_previousListPage = previousListPage;
    m_nextListPage = nextListPage;
    m_pageBox = MakeControl<QLineEdit>(this, IDC_PAGE_BOX);
    m_pageBox->setAlignment(Qt::AlignCenter);
    m_pageBox->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pageBox));
    m_pageCount = MakeControl<QLabel>(this, IDC_PAGE_COUNT);
    m_hiddenEdit = MakeControl<QLineEdit>(this, IDC_HIDDEN_EDIT);
    m_hiddenEdit->hide();
    for (QGroupBox* group : {m_methodGroup, m_targetGroup, m_scopeGroup})
        group->setStyleSheet(kGroupBoxStyle);

    // The two radio pairs are siblings of every other control here: each pair needs a group
    // of its own to exclude only its partner.
    auto* method = new QButtonGroup(this);
    method->addButton(m_and);
    method->addButton(m_or);
    auto* target = new QButtonGroup(this);
    for (QRadioButton* radio : m_targets)
        target->addButton(radio);
    m_and->setChecked(m_model->m_andOr == 0);
    m_or->setChecked(m_model->m_andOr == 1);
    m_variant->setChecked(m_model->m_variant != 0);
    m_targets[m_model->m_target]->setChecked(true);

    // Without their pictures the buttons keep their plain look at the same size.
    for (QAbstractButton* button : {m_previousListPage, m_nextListPage}) {
        button->resize(kPagingButtonSize, kPagingButtonSize);
        button->hide();
    }
    previousListPage->LoadStateBitmap(kPreviousListPagePicture);
    nextListPage->LoadStateBitmap(kNextListPagePicture);
    previousListPage->SetTipText(kPreviousListPageTip, true);
    nextListPage->SetTipText(kNextListPageTip, true);
    m_pageBox->hide();
    m_pageCount->hide();
}

void CLeftForm::ConnectControls()
{
    connect(m_tabs, &QTabWidget::currentChanged, this, &CLeftForm::LayoutPanel);
    connect(m_search, &QPushButton::clicked, this, &CLeftForm::RunSearch);
    connect(m_wholeCollection, &QPushButton::clicked, this, [this] {
        m_model->SetWholeCollectionScope();
        emit stateChanged();
    });
    for (int code = 0; code < 3; ++code) {
        connect(m_targets[code], &QRadioButton::clicked, this, [this, code] { OnTargetRadio(code); });
    }
    connect(m_contents, &QTreeWidget::itemSelectionChanged, this, &CLeftForm::OnContentsSelectionChanged);
    connect(m_results, &QTreeWidget::itemSelectionChanged, this, &CLeftForm::OnResultSelectionChanged);
    connect(m_results, &CSortListCtrl::columnClicked, this, [this](int column) {
        m_model->m_resultList.OnColumnClick(column);
        ShowSortIndicator();
    });
    connect(m_previousListPage, &QAbstractButton::clicked, this, [this] { m_model->m_resultList.PreviousListPage(); });
    connect(m_nextListPage, &QAbstractButton::clicked, this, [this] { m_model->m_resultList.NextListPage(); });
    connect(m_pageBox, &QLineEdit::textChanged, this, &CLeftForm::OnPageBoxEdited);
}

void CLeftForm::OnInitialUpdate()
{
    auto* input = new CHtmlCtrl;
    if (input->CreateInPlaceOf(IdName(IDC_QUERY), this) && input->LoadFromResource(QStringLiteral("input.htm"))) {
        m_queryInput = input;
    } else {
        // Without its page the panel works on with no keyword field: every search then finds
        // an empty query.
        delete input;
        delete findChild<QWidget*>(IdName(IDC_QUERY), Qt::FindDirectChildrenOnly);
    }
    m_tabs->insertTab(0, new QWidget, QStringLiteral("検索"));
    m_tabs->insertTab(0, new QWidget, QStringLiteral("目録"));
    m_tabs->insertTab(kKwicTab, new QWidget, QStringLiteral("用例"));
    m_tabs->insertTab(kStatisticsTab, new QWidget, QStringLiteral("分布"));
    m_results->SetColumns({QStringLiteral("類別"), QStringLiteral("書名"), QStringLiteral("巻"), QStringLiteral("頁"),
                           QStringLiteral("箇所")},
                          {45, 80, 60, 60, 40});
    ShowSortIndicator();
    LoadHistory();
    m_tabs->setCurrentIndex(kContentsTab);
    m_model->OnInitialUpdate();  // the labels and the catalogue
    m_contents->Fill(m_model->m_catalogue);
    WatchKeys();
    LayoutPanel();
}

void CLeftForm::RestoreSearchState(int target, bool wholeCollection, int scope, const std::u16string& scopePath)
{
    if (target != m_model->m_target && varo::CLeftFormModel::IndexKindForTarget(target) >= 0) {
        m_targets[target]->setChecked(true);
        m_model->OnTargetClicked(target);
    }
    // A scope is taken back only when its slot still names the same entry.
    if (wholeCollection)
        m_model->SetWholeCollectionScope();
    else if (m_model->m_catalogue.IsSlot(scope) && m_model->m_catalogue.ItemPath(scope) == scopePath)
        m_model->SetScope(scope);
}

void CLeftForm::SetTextView(varo::ITextView* view)
{
    m_model->SetTextView(view);
}

void CLeftForm::ReadOptions()
{
    m_model->m_andOr = m_or->isChecked() ? 1 : 0;
    m_model->m_variant = m_variant->isChecked() ? 1 : 0;
    m_model->m_refine = m_refine->isChecked();
}

void CLeftForm::RunSearch()
{
    ReadOptions();
    m_model->RunSearch();
    m_hiddenEdit->clear();
    OnResultsChanged(true);
    emit stateChanged();
}

void CLeftForm::OnContentsSelectionChanged()
{
    const int slot = m_contents->SelectedSlot();
    if (slot == 0)
        return;
    m_model->OnContentsSelect(slot);
    emit stateChanged();
}

void CLeftForm::OnResultSelectionChanged()
{
    const int row = m_results->SelectedRow();
    if (row < 0)
        return;
    m_model->OnResultSelected(row);
    FollowContentsSlot(m_model->CurrentVolumeSlot());
    emit stateChanged();
}

void CLeftForm::FollowContentsSlot(int slot)
{
    if (slot <= 0 || slot == m_contents->SelectedSlot())
        return;
    const QSignalBlocker blocker(m_contents);
    m_contents->SelectSlot(slot);
    // The tree draws its new selection although its signals were held back.
    m_contents->viewport()->update();
}

void CLeftForm::OnPageBoxEdited(const QString& text)
{
    if (!m_writingPageBox)
        m_model->m_resultList.OnPageBoxTextChanged(text.toStdU16String());
}

void CLeftForm::SetScopeLabel(const std::u16string& text)
{
    m_scope->setText(QString::fromStdU16String(text));
}

void CLeftForm::SetSummary(const std::u16string& text)
{
    m_summary->setText(QString::fromStdU16String(text));
}

void CLeftForm::SetResultRows(const std::vector<varo::ResultRowTag>& rows)
{
    m_results->SetRows(rows);
}

void CLeftForm::SetPaging(const varo::PagingStateTag& paging)
{
    m_pagingVisible = paging.visible;
    m_previousListPage->setEnabled(paging.previousEnabled);
    m_nextListPage->setEnabled(paging.nextEnabled);
    m_pageBox->setReadOnly(paging.boxReadOnly);
    const QString boxText = QString::fromStdU16String(paging.boxText);
    if (m_pageBox->text() != boxText) {
        m_writingPageBox = true;
        m_pageBox->setText(boxText);
        m_writingPageBox = false;
    }
    m_pageBox->selectAll();
    m_pageCount->setText(QString::fromStdU16String(paging.countText));
    LayoutPanel();
}

bool CLeftForm::HasDocument() const
{
    return m_queryInput != nullptr && m_queryInput->HasDocument();
}

std::vector<std::optional<std::u16string>> CLeftForm::InputValues() const
{
    std::vector<std::optional<std::u16string>> values;
    if (m_queryInput == nullptr)
        return values;
    for (const std::optional<QString>& value : m_queryInput->ReadInputValues())
        values.push_back(value ? std::optional<std::u16string>(value->toStdU16String()) : std::nullopt);
    return values;
}

void CLeftForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutPanel();
}

// Enter does what the focus says: in the keyword field or on 検索 it searches, in the page box
// it moves to the list page typed there, and elsewhere it starts nothing. The key then goes on
// to the control as usual.
void CLeftForm::WatchKeys()
{
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool CLeftForm::eventFilter(QObject* watched, QEvent* event)
{
    // A key that the focus widget leaves goes on to its parents, through this filter again:
    // only its first delivery counts.
    if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ReadOptions();
            const varo::EnterTarget target = EnterTargetOf(watched);
            m_model->OnEnterKey(target);
            if (target == varo::EnterTarget::Search)
                OnResultsChanged(true);
            emit stateChanged();
        } else if (key == Qt::Key_Down && m_queryInput != nullptr && watched == m_queryInput->Field()) {
            ShowHistoryMenu();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

varo::EnterTarget CLeftForm::EnterTargetOf(const QObject* focus) const
{
    const bool inQueryField =
        m_queryInput != nullptr &&
        (focus == m_queryInput || m_queryInput->isAncestorOf(qobject_cast<const QWidget*>(focus)));
    if (inQueryField || focus == m_search)
        return varo::EnterTarget::Search;
    if (focus == m_pageBox)
        return varo::EnterTarget::PageBox;
    return varo::EnterTarget::Other;
}

void CLeftForm::LayoutPanel()
{
    const int width = this->width();
    const int height = this->height();
    m_tabs->setGeometry(0, 0, width - 1, height - 1);
    const int tab = m_tabs->currentIndex();
    m_kwic->setVisible(tab == kKwicTab);
    m_statistics->setVisible(tab == kStatisticsTab);
    if (tab == kSearchTab) {
        m_contents->hide();
        m_hiddenEdit->hide();
        SetSearchTabVisible(true);
        LayoutSearchTab(width, height);
    } else if (tab == kKwicTab || tab == kStatisticsTab) {
        SetSearchTabVisible(false);
        m_contents->hide();
        QWidget* view = tab == kKwicTab ? static_cast<QWidget*>(m_kwic) : m_statistics;
        view->setGeometry(5, 26, width - 10, height - 30);
        RefreshResearchTab();
    } else {
        SetSearchTabVisible(false);
        m_contents->setGeometry(5, 26, width - 10, height - 30);
        m_contents->show();
    }
    window()->setWindowTitle(varo::shell::kMainWindowCaption);
}

void CLeftForm::SetSearchTabVisible(bool visible)
{
    const QList<QWidget*> controls = {
        m_prompt,     m_search,     m_line,       m_variant,    m_methodGroup, m_and,     m_or,      m_targetGroup,
        m_targets[0], m_targets[1], m_targets[2], m_scopeGroup, m_scope,       m_summary, m_results, m_wholeCollection};
    for (QWidget* control : controls)
        control->setVisible(visible);
    if (m_queryInput != nullptr)
        m_queryInput->setVisible(visible);
    m_refine->setVisible(visible);
    const bool narrowed = visible && m_model->IsNarrowed();
    m_narrowing->setVisible(narrowed);
    m_wholeScope->setVisible(narrowed);
    const bool paging = visible && m_pagingVisible;
    for (QWidget* control : {static_cast<QWidget*>(m_previousListPage), static_cast<QWidget*>(m_nextListPage),
                             static_cast<QWidget*>(m_pageBox), static_cast<QWidget*>(m_pageCount)})
        control->setVisible(paging);
}

void CLeftForm::LayoutSearchTab(int width, int height)
{
    m_prompt->setText(QStringLiteral("キーワードを入力して下さい。"));
    m_prompt->setGeometry(5, 28, width - 10, 15);
    if (m_queryInput != nullptr)
        m_queryInput->setGeometry(5, 45, width - 60, 25);
    m_search->setText(QStringLiteral("検索"));
    m_search->setGeometry(width - 50, 45, 45, 25);
    m_line->setGeometry(4, 75, width - 8, 1);
    m_variant->setGeometry(5, 80, width - 15, 15);
    m_methodGroup->setGeometry(5, 100, width - 10, 40);
    m_and->setGeometry(10, 115, 50, 20);
    m_or->setGeometry(width - 70, 115, 50, 20);
    // 結果内検索 between and and or.
    m_refine->setGeometry(66, 115, std::max(0, width - 142), 20);
    m_targetGroup->setGeometry(5, 145, width - 10, 40);
    const int targetX[3] = {10, 97, 189};
    for (int i = 0; i < 3; ++i)
        m_targets[i]->setGeometry(targetX[i], 160, 60, 20);
    m_scopeGroup->setGeometry(5, 190, width - 10, 40);
    // The 全体 button sits at the right end of the scope box; the label takes the rest.
    const int buttonWidth = m_wholeCollection->sizeHint().width();
    m_wholeCollection->setGeometry(width - 12 - buttonWidth, 203, buttonWidth, 24);
    m_scope->setGeometry(10, 205, width - 30 - buttonWidth - 4, 20);
    m_summary->setGeometry(5, 235, width - 15, 15);
    // A narrowed list gives the line under the summary to the narrowing and the way back.
    int narrowingRow = 0;
    if (m_model->IsNarrowed()) {
        const int wayBackWidth = m_wholeScope->sizeHint().width();
        narrowingRow = 22;
        m_narrowing->setGeometry(5, 251, std::max(0, width - 14 - wayBackWidth), 18);
        m_wholeScope->setGeometry(width - 5 - wayBackWidth, 250, wayBackWidth, 20);
    }
    int reserved = 0;
    LayoutPagingRow(width, height, reserved);
    m_results->setGeometry(5, 250 + narrowingRow, width - 10, height - 254 - reserved - narrowingRow);
}

// The paging row lies at the bottom: < at the left, > at the right, the page box and the page
// count label in the middle. The list gives up the row's height while the row shows.
void CLeftForm::LayoutPagingRow(int width, int height, int& reserved)
{
    if (!m_pagingVisible)
        return;
    const int buttonWidth = m_previousListPage->width();
    const int buttonHeight = m_previousListPage->height();
    const int y = height - buttonHeight - 5;
    reserved = buttonHeight + 2;
    m_previousListPage->setGeometry(5, y, buttonWidth, kPagingButtonSize);
    m_nextListPage->setGeometry(width - buttonWidth - 5, y, buttonWidth, kPagingButtonSize);
    const int boxX = (width - 139) / 2 + 37;
    m_pageBox->setGeometry(boxX, y + 6, 35, 20);
    m_pageCount->setGeometry(boxX + 37, y + 8, 30, 24);
}
