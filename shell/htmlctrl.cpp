#include "shell/htmlctrl.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// The page names "Simsun (Founder Extended)", which Linux lacks: a CJK font of the same
// coverage stands in, with Hanazono for the ideographs beyond the basic plane.
const QString kFieldStyle = QStringLiteral(
    "QLineEdit { background: white; color: #666666; font-size: 14px;"
    " font-family: 'Noto Serif CJK TC', 'Noto Sans CJK TC', 'HanaMinA', 'HanaMinB', serif;"
    " border: 1px solid #7F9DB9; padding: 0 2px; }");

}  // namespace

CHtmlCtrl::CHtmlCtrl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("CHtmlCtrl { background: #ECE9D8; }") + kFieldStyle);
}

bool CHtmlCtrl::CreateInPlaceOf(const QString& id, QWidget* parent)
{
    QWidget* placeholder = parent == nullptr ? nullptr : parent->findChild<QWidget*>(id, Qt::FindDirectChildrenOnly);
    if (placeholder == nullptr)
        return false;
    setParent(parent);
    setGeometry(placeholder->geometry());
    setObjectName(id);
    delete placeholder;
    show();
    return true;
}

bool CHtmlCtrl::LoadFromResource(const QString& name)
{
    QFile page(QStringLiteral(":/") + name);
    if (!page.open(QIODevice::ReadOnly))
        return false;
    LoadPage(QString::fromUtf8(page.readAll()));
    return true;
}

void CHtmlCtrl::LoadPage(const QString& html)
{
    qDeleteAll(m_fields);
    m_fields.clear();
    static const QRegularExpression input(QStringLiteral("<input\\b[^>]*>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression name(QStringLiteral("\\bname\\s*=\\s*\"?([^\"\\s>]*)"),
                                         QRegularExpression::CaseInsensitiveOption);
    for (const QRegularExpressionMatch& element : input.globalMatch(html)) {
        auto* field = new QLineEdit(this);
        field->setObjectName(name.match(element.captured()).captured(1));
        field->show();
        m_fields.append(field);
    }
    m_hasDocument = true;
    if (Field() != nullptr)
        setFocusProxy(Field());
    PlaceFields();
}

std::vector<std::optional<QString>> CHtmlCtrl::ReadInputValues() const
{
    std::vector<std::optional<QString>> values;
    if (!m_hasDocument)
        return values;
    for (const QLineEdit* field : m_fields)
        values.emplace_back(field->text());
    return values;
}

void CHtmlCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceFields();
}

// The page has no margins: its field starts at the top left corner and takes the control's
// height; further fields (the program's page has none) follow to the right.
void CHtmlCtrl::PlaceFields()
{
    if (m_fields.isEmpty())
        return;
    const int width = this->width() / static_cast<int>(m_fields.size());
    for (int i = 0; i < m_fields.size(); ++i)
        m_fields[i]->setGeometry(i * width, 0, width, height());
}
