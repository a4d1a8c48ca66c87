#pragma once
// A single-line text box that can lie on the toolbar's background picture: its text is drawn
// straight onto the picture, tiled in line with the parent's.

#include <QBrush>
#include <QLineEdit>

class CXEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CXEdit(QWidget* parent = nullptr);

    /// The background picture (":/..."); empty for the box's usual base colour.
    bool SetBkBitmap(const QString& resource);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_bkBitmapId;
    QBrush m_bkBrush;
};
