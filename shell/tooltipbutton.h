#pragma once
// A push button with one tooltip of its own, which can be switched off without losing its text.

#include <QPushButton>

#include <optional>

class CToolTipButton : public QPushButton {
    Q_OBJECT
public:
    explicit CToolTipButton(QWidget* parent = nullptr);
    explicit CToolTipButton(const QString& text, QWidget* parent = nullptr);

    /// Gives the button's one tooltip text and switches it on (activate) or off. Without a
    /// text (nullopt) nothing changes. A second call changes the text of the same tooltip.
    void SetTipText(const std::optional<QString>& text, bool activate);

    /// The tooltip's text and whether it shows; empty and off until the first SetTipText.
    QString TipText() const { return m_toolTip.text; }
    bool IsTipActive() const { return m_toolTip.active && m_toolTip.hasTool; }

protected:
    bool event(QEvent* event) override;

private:
    struct ToolTipTag {
        bool created = false;
        bool active = false;
        bool hasTool = false;  // the one tool, id 1, over the whole button
        QString text;
    };

    /// Makes the tooltip, switched on, when the button first needs it.
    void EnsureToolTip();

    ToolTipTag m_toolTip;
};
