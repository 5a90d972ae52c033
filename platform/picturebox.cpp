#include "picturebox.h"

#include "greypicture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <cstring>
#include <type_traits>
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

namespace {

bool greyColour(QColor color) {
    const QRgb rgb = color.rgb();
    return qRed(rgb) == qGreen(rgb) && qGreen(rgb) == qBlue(rgb);
}

QImage::Format surfaceFormat(bool grey) {
    return grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32;
}

void fillSurface(QImage& surface, QColor color) {
    if (surface.format() == QImage::Format_Grayscale8)
        surface.fill(uint(qRed(color.rgb())));
    else
        surface.fill(color.rgb() | 0xFF000000u);
}

// The same pixels in colour.
QImage inColour(const QImage& grey) {
    QImage colour(grey.size(), QImage::Format_RGB32);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* from = grey.constScanLine(y);
        auto* to = reinterpret_cast<QRgb*>(colour.scanLine(y));
        for (int x = 0; x < grey.width(); ++x)
            to[x] = 0xFF000000u | from[x] * 0x010101u;
    }
    return colour;
}

// Pixel by pixel, from an RGB32 / ARGB32 or a grey source to a colour or grey surface.
inline void put(QRgb& to, QRgb from) {
    to = from | 0xFF000000u;
}
inline void put(QRgb& to, uchar from) {
    to = 0xFF000000u | from * 0x010101u;
}
inline void put(uchar& to, uchar from) {
    to = from;
}

template <typename Source, typename Target>
void copyRows(const QImage& in, QImage& surface, const QRect& src, const QRect& dst, int dx0,
              int dx1, int dy0, int dy1, const std::vector<int>& column, bool opaque) {
    // Unscaled copies of an opaque picture in the surface's own format move whole row segments.
    const bool unscaled = opaque && std::is_same_v<Source, Target> && src.width() == dst.width();
    int run0 = dx0, run1 = dx0;
    if (unscaled) {
        run0 = std::max(dx0, -src.x());
        run1 = int(std::min<long long>(dx1, (long long)in.width() - src.x()));
    }
    for (int dy = dy0; dy < dy1; ++dy) {
        const long long sy = src.y() + (long long)dy * src.height() / dst.height();
        if (sy < 0 || sy >= in.height())
            continue;
        const auto* from = reinterpret_cast<const Source*>(in.constScanLine(int(sy)));
        Target* to = reinterpret_cast<Target*>(surface.scanLine(dst.y() + dy)) + dst.x();
        if (unscaled) {
            if (run0 < run1)
                std::memcpy(to + run0, from + src.x() + run0, size_t(run1 - run0) * sizeof(Target));
            continue;
        }
        for (int dx = dx0; dx < dx1; ++dx) {
            const int sx = column[size_t(dx - dx0)];
            if (sx >= 0)
                put(to[dx], from[sx]);
        }
    }
}

} // namespace

void PictureBox::resizeSurface(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (!m_surface.isNull() && m_surface.width() == w && m_surface.height() == h)
        return;
    QImage next(w, h, surfaceFormat(greySurface() && greyColour(m_backColor)));
    fillSurface(next, m_backColor);
    if (!m_surface.isNull() && w > 0 && h > 0) {
        const QImage old = next.format() == m_surface.format() ? m_surface : inColour(m_surface);
        const int rows = std::min(h, old.height());
        const size_t bytes = size_t(std::min(w, old.width())) * size_t(old.depth() / 8);
        for (int y = 0; y < rows; ++y)
            std::memcpy(next.scanLine(y), old.constScanLine(y), bytes);
    }
    m_surface = next;
}

void PictureBox::startSurface(int outerWidth, int outerHeight, QColor fill, bool grey) {
    m_picture = QImage();
    const int w = std::max(0, outerWidth - 2 * borderWidth());
    const int h = std::max(0, outerHeight - 2 * borderWidth());
    m_surface = QImage(w, h, surfaceFormat(grey && greyColour(fill)));
    fillSurface(m_surface, fill);
    // The surface has its size already, so the resize keeps it.
    resize(std::max(0, outerWidth), std::max(0, outerHeight));
    update();
}

void PictureBox::fitSurfaceTo(QColor color) {
    if (greySurface() && !greyColour(color))
        m_surface = inColour(m_surface);
}

void PictureBox::fitSurfaceTo(const QImage& source) {
    if (greySurface() && source.format() != QImage::Format_Grayscale8)
        m_surface = inColour(m_surface);
}

// Applies the pen to one surface row segment [x0, x1), clipped by the caller; a grey surface
// has been fitted to the colour.
void PictureBox::span(int y, int x0, int x1, QRgb color) {
    if (greySurface()) {
        uchar* row = m_surface.scanLine(y);
        const auto level = uchar(qRed(color));
        if (m_drawMode == DrawMode::XorPen)
            for (int x = x0; x < x1; ++x)
                row[x] ^= level;
        else
            std::fill(row + x0, row + x1, level);
        return;
    }
    QRgb* row = reinterpret_cast<QRgb*>(m_surface.scanLine(y));
    if (m_drawMode == DrawMode::XorPen) {
        const QRgb bits = color & 0x00FFFFFF;
        for (int x = x0; x < x1; ++x)
            row[x] ^= bits;
    } else {
        std::fill(row + x0, row + x1, color | 0xFF000000);
    }
}

void PictureBox::lineBox(int x1, int y1, int x2, int y2, QColor color) {
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    const int w = m_surface.width(), h = m_surface.height();
    const QRgb rgb = color.rgb();
    fitSurfaceTo(color);
    auto hspan = [&](int y, int a, int b) { // [a, b] inclusive
        if (y < 0 || y >= h)
            return;
        a = std::max(a, 0);
        b = std::min(b, w - 1);
        if (a <= b)
            span(y, a, b + 1, rgb);
    };
    auto vspan = [&](int x, int a, int b) {
        if (x < 0 || x >= w)
            return;
        for (int y = std::max(a, 0); y <= std::min(b, h - 1); ++y)
            span(y, x, x + 1, rgb);
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
    if (left < right && top < bottom)
        fitSurfaceTo(color);
    for (int y = top; y < bottom; ++y)
        if (left < right)
            span(y, left, right, color.rgb());
    update();
}

void PictureBox::stretchCopy(const QImage& source, const QRect& src, const QRect& dst) {
    if (source.isNull() || src.width() <= 0 || src.height() <= 0 || dst.width() <= 0 ||
        dst.height() <= 0)
        return;
    const QImage::Format format = source.format();
    const bool greySource = format == QImage::Format_Grayscale8;
    const bool opaque = format == QImage::Format_RGB32 || greySource;
    const QImage in = opaque || format == QImage::Format_ARGB32
                          ? source
                          : source.convertToFormat(QImage::Format_RGB32);
    const int dx0 = std::max(0, -dst.x()), dx1 = std::min(dst.width(), m_surface.width() - dst.x());
    const int dy0 = std::max(0, -dst.y()),
              dy1 = std::min(dst.height(), m_surface.height() - dst.y());
    if (dx0 >= dx1 || dy0 >= dy1)
        return;
    fitSurfaceTo(in);

    // The column of every destination pixel is the same on every row, so it is worked out
    // once; -1 marks a column whose source lies outside the picture.
    std::vector<int> column(size_t(dx1 - dx0));
    for (int dx = dx0; dx < dx1; ++dx) {
        const long long sx = src.x() + (long long)dx * src.width() / dst.width();
        column[size_t(dx - dx0)] = sx >= 0 && sx < in.width() ? int(sx) : -1;
    }
    if (greySurface())
        copyRows<uchar, uchar>(in, m_surface, src, dst, dx0, dx1, dy0, dy1, column, opaque);
    else if (greySource)
        copyRows<uchar, QRgb>(in, m_surface, src, dst, dx0, dx1, dy0, dy1, column, opaque);
    else
        copyRows<QRgb, QRgb>(in, m_surface, src, dst, dx0, dx1, dy0, dy1, column, opaque);
    update();
}

void PictureBox::copyRegion(const QImage& source, QPoint sourceTopLeft, QPoint destTopLeft,
                            QSize size) {
    stretchCopy(source, QRect(sourceTopLeft, size), QRect(destTopLeft, size));
}

void PictureBox::setPicture(const QImage& picture) {
    const QImage::Format format = picture.format();
    // A picture the loader kept is taken as it is; a grey one of another format (a grey
    // bitmap's palette) becomes 8-bit grey.
    if (format == QImage::Format_RGB32 || format == QImage::Format_Grayscale8)
        m_picture = picture;
    else if (format != QImage::Format_ARGB32 && format != QImage::Format_ARGB32_Premultiplied &&
             pictures::isGrey(picture))
        m_picture = pictures::keptForm(picture);
    else
        m_picture = picture.convertToFormat(QImage::Format_RGB32);
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
    // A surface still shared with the picture gets fresh pixels rather than a copy to paint over,
    // and so does a grey one that cannot show the colour.
    const bool grey = greySurface() && greyColour(m_backColor);
    if (!m_surface.isDetached() || greySurface() != grey)
        m_surface = QImage(m_surface.size(), surfaceFormat(grey));
    fillSurface(m_surface, m_backColor);
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
