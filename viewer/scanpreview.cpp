#include "scanpreview.h"

#include <QMouseEvent>
#include <QPainter>

namespace quillpix {

ScanPreview::ScanPreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picScanPreview"));
    setMinimumSize(200, 200);
    setCursor(Qt::CrossCursor);
}

void ScanPreview::show(const QImage& picture, const QRectF& glass) {
    m_picture = picture;
    m_glass = glass;
    m_dragged = {};
    update();
}

void ScanPreview::clear() {
    show({}, {});
}

QRect ScanPreview::pictureRect() const {
    if (m_picture.isNull())
        return {};
    const QSize fitted = m_picture.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

QRectF ScanPreview::region() const {
    const QRect shown = pictureRect();
    if (m_dragged.width() < 2 || m_dragged.height() < 2 || shown.isEmpty() || m_glass.isNull())
        return {};
    const double perX = m_glass.width() / shown.width();
    const double perY = m_glass.height() / shown.height();
    return QRectF(m_glass.left() + (m_dragged.left() - shown.left()) * perX,
                  m_glass.top() + (m_dragged.top() - shown.top()) * perY, m_dragged.width() * perX,
                  m_dragged.height() * perY);
}

void ScanPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (m_picture.isNull())
        return;
    painter.drawImage(pictureRect(), m_picture);
    if (m_dragged.isEmpty())
        return;
    painter.setPen(QPen(QColor(0, 120, 215), 2));
    painter.fillRect(m_dragged, QColor(0, 120, 215, 50));
    painter.drawRect(m_dragged);
}

void ScanPreview::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_picture.isNull())
        return;
    m_dragging = true;
    m_from = event->position().toPoint();
    m_dragged = {};
    update();
}

void ScanPreview::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging)
        return;
    // Beyond the picture is beyond the glass.
    m_dragged = QRect(m_from, event->position().toPoint()).normalized() & pictureRect();
    update();
}

void ScanPreview::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    mouseMoveEvent(event);
    m_dragging = false;
}

} // namespace quillpix
