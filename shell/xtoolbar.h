#pragma once
// The toolbar base: command buttons drawn from 24-bit picture strips over a tiled background
// picture. The strips hold one image per button in toolbar order, in three looks (normal,
// disabled, hot for the button under the mouse); pixels of the key colour RGB(255, 0, 255) are
// transparent, so the background continues through them. The toolbar is as tall as its
// background picture, which therefore tiles across only.

#include <QBrush>
#include <QPixmap>
#include <QToolBar>

#include <vector>

class QProxyStyle;

/// Paints widget's whole area with brush, a tiling picture, aligned with the same picture
/// tiled over its parent from the parent's origin, so that the two meet without a seam.
void PaintTiledBackground(QPainter& painter, const QWidget& widget, const QBrush& brush);

/// A picture resource as a tiling brush; a null brush when it cannot be loaded.
QBrush TilingBrush(const QString& resource);

/// The strip with the key colour made transparent.
QPixmap KeyedPixmap(const QImage& strip, QRgb key);

class CXToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CXToolBar(QWidget* parent = nullptr);
    ~CXToolBar() override;

    /// The size of one button image; 24 × 24 until set.
    void SetImageSize(int width, int height);
    /// The background picture (a resource path, ":/..."); empty for none, the style's own look.
    /// False when the picture cannot be loaded, which leaves no background.
    bool SetBkBitmap(const QString& resource);
    /// Cuts count images from each of the three strips and gives image i to the i-th button.
    /// False when a strip cannot be loaded; the buttons then keep what they had.
    bool SetImageLists(int count, QRgb mask, const QString& normalId, const QString& disabledId, const QString& hotId);

    const QString& BkBitmap() const { return m_bkBitmapId; }
    int ImageCount() const { return m_imageCount; }
    QSize ImageSize() const { return {m_imageWidth, m_imageHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void actionEvent(QActionEvent* event) override;

private:
    void ApplyImages();

    std::vector<QPixmap> m_normalImages;
    std::vector<QPixmap> m_disabledImages;
    std::vector<QPixmap> m_hotImages;
    int m_imageCount = 0;
    int m_imageWidth = 24;
    int m_imageHeight = 24;
    QString m_bkBitmapId;
    QBrush m_bkBrush;
    // Draws the buttons as bare pictures and the separators and the gripper to suit the
    // background; owned by the toolbar, set on it and on each of its buttons.
    QProxyStyle* m_style = nullptr;
};
