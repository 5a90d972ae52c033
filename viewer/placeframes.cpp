#include "placeframes.h"

#include "picturebox.h"

#include <QPainter>

#include <algorithm>

namespace quillpix {

PlaceFrames::PlaceFrames(PictureBox* display) : QWidget(display), m_display(display) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setObjectName(QStringLiteral("placeFrames"));
    hide();
}

void PlaceFrames::setPlaces(const QRect& current, const QList<QRect>& marked) {
    m_current = current;
    m_marked = marked;
    setVisible(!current.isEmpty() || !marked.isEmpty());
    fit();
}

void PlaceFrames::setView(int h, int v, int z) {
    m_h = h;
    m_v = v;
    m_z = std::max(1, z);
    fit();
}

void PlaceFrames::fit() {
    const int border = m_display->borderWidth();
    setGeometry(border, border, m_display->innerWidth(), m_display->innerHeight());
    update();
}

QRect PlaceFrames::onDisplay(const QRect& box) const {
    // A box of a few pixels stays visible at the smallest zoom.
    const int left = box.left() / m_z - m_h;
    const int top = box.top() / m_z - m_v;
    return {left, top, std::max(2, box.width() / m_z), std::max(2, box.height() / m_z)};
}

void PlaceFrames::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(QColor(255, 150, 0), 1));
    for (const QRect& box : m_marked)
        painter.drawRect(onDisplay(box).adjusted(-1, -1, 0, 0));
    if (!m_current.isEmpty()) {
        // Blue beside the marks' amber, on paper and on a dark photo alike.
        painter.setPen(QPen(QColor(0, 90, 255), 2));
        painter.drawRect(onDisplay(m_current).adjusted(-2, -2, 1, 1));
    }
}

} // namespace quillpix
