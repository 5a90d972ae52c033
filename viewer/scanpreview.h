#pragma once

#include <QImage>
#include <QRectF>
#include <QWidget>

namespace quillpix {

// The flatbed's glass as a quick low-resolution scan showed it, and the part of it the user
// dragged out to be scanned. Until a part is dragged, or after a click, the whole glass.
class ScanPreview : public QWidget {
    Q_OBJECT
public:
    explicit ScanPreview(QWidget* parent);

    // The picture covers glass (millimetres); the part dragged before is gone.
    void show(const QImage& picture, const QRectF& glass);
    void clear();
    bool hasPicture() const { return !m_picture.isNull(); }
    // The part dragged out in millimetres of the glass; null for the whole glass.
    QRectF region() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Where the picture is drawn, its shape kept, within the widget.
    QRect pictureRect() const;

    QImage m_picture;
    QRectF m_glass;
    QPoint m_from;
    QRect m_dragged; // in the widget's pixels, within pictureRect()
    bool m_dragging = false;
};

} // namespace quillpix
