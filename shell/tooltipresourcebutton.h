#pragma once
// A button drawn from one picture holding four looks side by side, left to right: normal,
// pressed, under the mouse, disabled. The button takes the size of one look.

#include "shell/tooltipbutton.h"

#include <QPixmap>

class CToolTipResourceButton : public CToolTipButton {
    Q_OBJECT
public:
    using CToolTipButton::CToolTipButton;

    /// Loads the picture (":/..."), mapping its greys RGB(128, 128, 128), RGB(192, 192, 192)
    /// and RGB(223, 223, 223) to the shadow, face and light colours of the button's palette, so
    /// that the corners take the colour of the panel behind. The button becomes a quarter of
    /// the picture wide and as high as it, where it stands. False when the picture cannot be
    /// loaded: the button then keeps its size and its usual look.
    bool LoadStateBitmap(const QString& resource);

    bool IsHover() const { return m_hover; }
    QSize StateSize() const { return {m_stateWidth, m_stateHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPixmap m_stateBitmap;
    int m_stateWidth = 0;
    int m_stateHeight = 0;
    bool m_hover = false;
};
