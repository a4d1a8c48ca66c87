#include "shell/bookmarksdialog.h"

#include "panel/paneltext.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { kCategory, kTitle, kVolume, kPage, kNote, kColumns };

}  // namespace

CBookmarksDialog::CBookmarksDialog(varo::CBookmarks& bookmarks, std::function<bool(const varo::BookmarkTag&)> found,
                                   QWidget* parent)
    : QDialog(parent), m_bookmarks(bookmarks), m_found(std::move(found))
{
    setWindowTitle(QStringLiteral("しおりの一覧"));
    setObjectName(QStringLiteral("BookmarksDialog"));
    m_table = new QTableWidget(0, kColumns, this);
    m_table->setHorizontalHeaderLabels({QStringLiteral("類別"), QStringLiteral("書名"), QStringLiteral("巻"),
                                        QStringLiteral("頁"), QStringLiteral("メモ")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* hint = new QLabel(QStringLiteral("メモの欄はダブルクリックか F2 で書き換えられます。"
                                           "開くには行を選んで「開く」か Enter を押して下さい。"),
                            this);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    m_open = buttons->addButton(QStringLiteral("開く"), QDialogButtonBox::AcceptRole);
    m_open->setObjectName(QStringLiteral("open"));
    m_remove = buttons->addButton(QStringLiteral("削除"), QDialogButtonBox::ActionRole);
    m_remove->setObjectName(QStringLiteral("remove"));
    buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    m_open->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    resize(720, 420);

    connect(m_open, &QPushButton::clicked, this, &CBookmarksDialog::OpenSelected);
    connect(m_remove, &QPushButton::clicked, this, &CBookmarksDialog::RemoveSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int, int column) {
        if (column != kNote)
            OpenSelected();
    });
    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling || item->column() != kNote)
            return;
        m_bookmarks.SetNote(static_cast<size_t>(item->row()), item->text().toStdU16String());
        emit changed();
    });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] {
        m_open->setEnabled(SelectedIndex() >= 0);
        m_remove->setEnabled(SelectedIndex() >= 0);
    });
    Fill();
}

void CBookmarksDialog::Fill()
{
    m_filling = true;
    const auto& entries = m_bookmarks.Entries();
    m_table->setRowCount(static_cast<int>(entries.size()));
    for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
        const varo::BookmarkTag& bookmark = entries[static_cast<size_t>(row)];
        const bool found = m_found ? m_found(bookmark) : true;
        QString page = QString::fromStdU16String(varo::DecimalText(bookmark.label));
        if (!found)
            page += kNotFoundText;
        const QString texts[kColumns] = {
            QString::fromStdU16String(bookmark.category), QString::fromStdU16String(bookmark.title),
            QString::fromStdU16String(bookmark.volume), page, QString::fromStdU16String(bookmark.note)};
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            if (column != kNote)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            if (!found)
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
    if (!entries.empty())
        m_table->selectRow(0);
    m_open->setEnabled(!entries.empty());
    m_remove->setEnabled(!entries.empty());
    m_filling = false;
}

int CBookmarksDialog::SelectedIndex() const
{
    const QList<QTableWidgetItem*> selected = m_table->selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->row();
}

void CBookmarksDialog::OpenSelected()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    accept();
    emit openRequested(index);
}

void CBookmarksDialog::RemoveSelected()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    m_bookmarks.Remove(static_cast<size_t>(index));
    emit changed();
    Fill();
    if (m_table->rowCount() > 0)
        m_table->selectRow(std::min(index, m_table->rowCount() - 1));
}

// Enter opens the chosen bookmark and Delete removes it; while a note is edited its editor
// takes both keys itself, so they do not come here.
void CBookmarksDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        RemoveSelected();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OpenSelected();
        return;
    }
    QDialog::keyPressEvent(event);
}
