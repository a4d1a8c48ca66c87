#pragma once
// The page slider: a horizontal slider drawn over the toolbar's background picture, with a tick
// at every position. While the thumb is dragged a tooltip shows its position; a move counts as
// ended when the thumb is let go, when a key that moved it comes up, or when a click or a wheel
// step on it is over, and only then does scrollEnded tell the toolbar.

#include <QBrush>
#include <QCursor>
#include <QSlider>

#include <optional>

class QStyleOptionSlider;

class CXSliderCtrl : public QSlider {
    Q_OBJECT
public:
    explicit CXSliderCtrl(QWidget* parent = nullptr);

    /// The background picture (":/..."), tiled in line with the parent's; empty for none.
    bool SetBkBitmap(const QString& resource);
    /// The cursor shown while the slider moves.
    void SetScrollCursor(const QCursor& cursor) { m_scrollCursor = cursor; }

signals:
    /// A move of the slider has ended; value() is where it came to rest.
    void scrollEnded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void OnScrolled();
    void OnDragged(int position);
    void EndScroll();
    int TickX(const QStyleOptionSlider& option, int value) const;

    QString m_bkBitmapId;
    QBrush m_bkBrush;
    std::optional<QCursor> m_scrollCursor;
};
