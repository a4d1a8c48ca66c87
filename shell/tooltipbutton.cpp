#include "shell/tooltipbutton.h"

#include <QHelpEvent>
#include <QToolTip>

CToolTipButton::CToolTipButton(QWidget* parent) : QPushButton(parent) {}

CToolTipButton::CToolTipButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void CToolTipButton::EnsureToolTip()
{
    if (m_toolTip.created)
        return;
    m_toolTip.created = true;
    m_toolTip.active = true;
}

void CToolTipButton::SetTipText(const std::optional<QString>& text, bool activate)
{
    if (!text)
        return;
    EnsureToolTip();
    m_toolTip.hasTool = true;
    m_toolTip.text = *text;
    m_toolTip.active = activate;
}

// Every event passes here first, as messages did through the button's pre-translation; the
// tooltip request shows the tool's text over the button while the tooltip is on.
bool CToolTipButton::event(QEvent* event)
{
    EnsureToolTip();
    if (event->type() != QEvent::ToolTip)
        return QPushButton::event(event);
    if (IsTipActive()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), m_toolTip.text, this, rect());
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}
