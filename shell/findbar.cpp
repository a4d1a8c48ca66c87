#include "shell/findbar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace {

QToolButton* AddButton(QWidget* bar, QHBoxLayout* layout, const QString& name, const QString& text, const QString& tip)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(button);
    return button;
}

}  // namespace

CFindBar::CFindBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FindBar"));
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 3, 3);
    layout->setSpacing(4);
    auto* caption = new QLabel(QStringLiteral("頁内検索："), this);
    layout->addWidget(caption);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("FindText"));
    m_field->setMinimumWidth(160);
    m_field->setToolTip(QStringLiteral("Enter で次、Shift+Enter で前、Esc で閉じます"));
    m_field->installEventFilter(this);
    layout->addWidget(m_field);
    m_count = new QLabel(QStringLiteral("0 / 0"), this);
    m_count->setObjectName(QStringLiteral("FindCount"));
    m_count->setMinimumWidth(m_count->fontMetrics().horizontalAdvance(QStringLiteral("0000 / 0000")));
    layout->addWidget(m_count);
    connect(AddButton(this, layout, QStringLiteral("FindPrevious"), QStringLiteral("▲"),
                      QStringLiteral("前を検索 (Shift+Enter)")),
            &QToolButton::clicked, this, &CFindBar::previousRequested);
    connect(
        AddButton(this, layout, QStringLiteral("FindNext"), QStringLiteral("▼"), QStringLiteral("次を検索 (Enter)")),
        &QToolButton::clicked, this, &CFindBar::nextRequested);
    connect(AddButton(this, layout, QStringLiteral("FindClose"), QStringLiteral("×"), QStringLiteral("閉じる (Esc)")),
            &QToolButton::clicked, this, [this] {
                hide();
                emit closed();
            });
    connect(m_field, &QLineEdit::textChanged, this, &CFindBar::textChanged);
    hide();
}

QString CFindBar::Text() const
{
    return m_field->text();
}

void CFindBar::SetCount(const QString& count, bool notFound)
{
    m_count->setText(count);
    // A field that finds nothing turns pink, as readers know it from browsers.
    m_field->setStyleSheet(notFound ? QStringLiteral("QLineEdit { background: #FFD6D6; }") : QString());
}

void CFindBar::Open()
{
    show();
    raise();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

bool CFindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                emit previousRequested();
            else
                emit nextRequested();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            hide();
            emit closed();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
