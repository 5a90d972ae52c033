#include "picturebox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <cstring>
#include <vector>

namespace quillpix {

PictureBox::PictureBox(QWidget* parent, Border border)
    : QWidget(parent), m_border(border), m_backColor(palette().color(QPalette::Button)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves count while a drag lasts, whatever buttons are held.
    setMouseTracking(true);
    resizeSurface(0, 0);
}

void PictureBox::setOuterSize(int width, int height) {
    resize(std::max(0, width), std::max(0, height));
    // resize() is deferred for hidden widgets' resize events; the surface follows at once.
    resizeSurface(std::max(0, width) - 2 * borderWidth(), std::max(0, height) - 2 * borderWidth());
}

void PictureBox::resizeEvent(QResizeEvent*) {
    resizeSurface(width() - 2 * borderWidth(), height() - 2 * borderWidth());
}

void PictureBox::resizeSurface(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (!m_surface.isNull() && m_surface.width() == w && m_surface.height() == h)
        return;
    QImage next(w, h, QImage::Format_RGB32);
    next.fill(m_backColor);
    if (!m_surface.isNull() && w > 0 && h > 0) {
        QPainter p(&next);
        p.drawImage(0, 0, m_surface);
    }
    m_surface = next;
}

namespace {

// Applies the pen to one surface row segment [x0, x1), clipped by the caller.
inline void penSpan(QImage& img, int y, int x0, int x1, QRgb color, PictureBox::DrawMode mode) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    if (mode == PictureBox::DrawMode::XorPen) {
        const QRgb bits = color & 0x00FFFFFF;
        for (int x = x0; x < x1; ++x)
            row[x] ^= bits;
    } else {
        std::fill(row + x0, row + x1, color | 0xFF000000);
    }
}

} // namespace

void PictureBox::lineBox(int x1, int y1, int x2, int y2, QColor color) {
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    const int w = m_surface.width(), h = m_surface.height();
    const QRgb rgb = color.rgb();
    auto hspan = [&](int y, int a, int b) { // [a, b] inclusive
        if (y < 0 || y >= h)
            return;
        a = std::max(a, 0);
        b = std::min(b, w - 1);
        if (a <= b)
            penSpan(m_surface, y, a, b + 1, rgb, m_drawMode);
    };
    auto vspan = [&](int x, int a, int b) {
        if (x < 0 || x >= w)
            return;
        for (int y = std::max(a, 0); y <= std::min(b, h - 1); ++y)
            penSpan(m_surface, y, x, x + 1, rgb, m_drawMode);
    };
    hspan(top, left, right);
    if (bottom != top)
        hspan(bottom, left, right);
    // The side lines leave out the corner rows that the top and bottom lines already drew.
    if (bottom - top >= 2) {
        vspan(left, top + 1, bottom - 1);
        if (right != left)
            vspan(right, top + 1, bottom - 1);
    }
    update();
}

void PictureBox::fillBox(int x1, int y1, int x2, int y2, QColor color) {
    const int left = std::max(std::min(x1, x2), 0);
    const int right = std::min(std::max(x1, x2), m_surface.width());
    const int top = std::max(std::min(y1, y2), 0);
    const int bottom = std::min(std::max(y1, y2), m_surface.height());
    for (int y = top; y < bottom; ++y)
        if (left < right)
            penSpan(m_surface, y, left, right, color.rgb(), m_drawMode);
    update();
}

void PictureBox::stretchCopy(const QImage& source, const QRect& src, const QRect& dst) {
    if (source.isNull() || src.width() <= 0 || src.height() <= 0 || dst.width() <= 0 ||
        dst.height() <= 0)
        return;
    const bool opaque = source.format() == QImage::Format_RGB32;
    const QImage in = opaque || source.format() == QImage::Format_ARGB32
                          ? source
                          : source.convertToFormat(QImage::Format_RGB32);
    const int dx0 = std::max(0, -dst.x()), dx1 = std::min(dst.width(), m_surface.width() - dst.x());
    const int dy0 = std::max(0, -dst.y()),
              dy1 = std::min(dst.height(), m_surface.height() - dst.y());
    if (dx0 >= dx1 || dy0 >= dy1)
        return;

    // The column of every destination pixel is the same on every row, so it is worked out
    // once; -1 marks a column whose source lies outside the picture.
    std::vector<int> column(size_t(dx1 - dx0));
    for (int dx = dx0; dx < dx1; ++dx) {
        const long long sx = src.x() + (long long)dx * src.width() / dst.width();
        column[size_t(dx - dx0)] = sx >= 0 && sx < in.width() ? int(sx) : -1;
    }
    // Unscaled copies of an opaque picture move whole row segments.
    const bool unscaled = opaque && src.width() == dst.width();
    int run0 = dx0, run1 = dx0;
    if (unscaled) {
        run0 = std::max(dx0, -src.x());
        run1 = int(std::min<long long>(dx1, (long long)in.width() - src.x()));
    }
    for (int dy = dy0; dy < dy1; ++dy) {
        const long long sy = src.y() + (long long)dy * src.height() / dst.height();
        if (sy < 0 || sy >= in.height())
            continue;
        const QRgb* from = reinterpret_cast<const QRgb*>(in.constScanLine(int(sy)));
        QRgb* to = reinterpret_cast<QRgb*>(m_surface.scanLine(dst.y() + dy)) + dst.x();
        if (unscaled) {
            if (run0 < run1)
                std::memcpy(to + run0, from + src.x() + run0, size_t(run1 - run0) * sizeof(QRgb));
            continue;
        }
        for (int dx = dx0; dx < dx1; ++dx) {
            const int sx = column[size_t(dx - dx0)];
            if (sx >= 0)
                to[dx] = from[sx] | 0xFF000000;
        }
    }
    update();
}

void PictureBox::copyRegion(const QImage& source, QPoint sourceTopLeft, QPoint destTopLeft,
                            QSize size) {
    stretchCopy(source, QRect(sourceTopLeft, size), QRect(destTopLeft, size));
}

void PictureBox::setPicture(const QImage& picture) {
    m_picture = picture.format() == QImage::Format_RGB32
                    ? picture
                    : picture.convertToFormat(QImage::Format_RGB32);
    const int b = 2 * borderWidth();
    if (m_autoSize) {
        // The surface is exactly the picture: share it instead of copying a full-size scan.
        // Resizing afterwards finds the surface at its size already.
        m_surface = m_picture;
        setOuterSize(m_picture.width() + b, m_picture.height() + b);
    } else if (m_surface.size() == m_picture.size()) {
        m_surface = m_picture;
    } else {
        fillWithBackColor();
        copyRegion(m_picture, {0, 0}, {0, 0}, m_picture.size());
    }
    update();
}

void PictureBox::clearPicture() {
    m_picture = QImage();
    fillWithBackColor();
    update();
}

void PictureBox::fillWithBackColor() {
    // A surface still shared with the picture gets fresh pixels rather than a copy to paint over.
    if (!m_surface.isDetached())
        m_surface = QImage(m_surface.size(), QImage::Format_RGB32);
    m_surface.fill(m_backColor);
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int b = borderWidth();
    if (b > 0) {
        // Sunken: dark lines on the top and left, light ones on the bottom and right.
        const QPalette& pal = palette();
        const int w = width(), h = height();
        p.fillRect(rect(), pal.color(QPalette::Button));
        p.setPen(pal.color(QPalette::Mid));
        p.drawLine(0, 0, w - 1, 0);
        p.drawLine(0, 0, 0, h - 1);
        p.setPen(pal.color(QPalette::Shadow));
        p.drawLine(1, 1, w - 2, 1);
        p.drawLine(1, 1, 1, h - 2);
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(0, h - 1, w - 1, h - 1);
        p.drawLine(w - 1, 0, w - 1, h - 1);
        p.setPen(pal.color(QPalette::Midlight));
        p.drawLine(1, h - 2, w - 2, h - 2);
        p.drawLine(w - 2, 1, w - 2, h - 2);
    }
    p.drawImage(b, b, m_surface);
}

QPointF PictureBox::toSurface(const QPointF& widgetPos) const {
    return widgetPos - QPointF(borderWidth(), borderWidth());
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPointF pos = toSurface(event->position());
    Q_EMIT mousePressed(event->button(), pos.x(), pos.y());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = toSurface(event->position());
    Q_EMIT mouseMoved(event->buttons(), pos.x(), pos.y());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF pos = toSurface(event->position());
    Q_EMIT mouseReleased(event->button(), pos.x(), pos.y());
}

void clearPictureBox(PictureBox* box) {
    box->setDrawMode(PictureBox::DrawMode::CopyPen);
    box->fillBox(0, 0, box->innerWidth(), box->innerHeight(), box->backColor());
}

} // namespace quillpix
