#pragma once

#include <QImage>
#include <QWidget>

namespace quillpix {

// A picture box: a persistent drawing surface that every drawing goes to, shown inside an
// optional 2-pixel sunken border. Painting only shows the surface, so what is drawn stays
// until it is drawn over. Coordinates are surface pixels, origin at the inner top-left.
//
// The surface is Format_RGB32, or Format_Grayscale8 (a quarter of the memory) while everything
// on it is grey: a grey picture assigned, or startSurface() asked for grey. Drawing anything
// coloured on a grey surface first turns it into colour with the same pixels, so what a grey
// surface shows is always what a colour one would show.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    enum class Border { None, Sunken };
    enum class DrawMode { CopyPen, XorPen };

    static constexpr int kSunkenBorder = 2;

    PictureBox(QWidget* parent, Border border);

    int borderWidth() const { return m_border == Border::Sunken ? kSunkenBorder : 0; }
    // Outer size includes the border; the surface is the inner part.
    void setOuterSize(int width, int height);
    int outerWidth() const { return width(); }
    int outerHeight() const { return height(); }
    int innerWidth() const { return m_surface.width(); }
    int innerHeight() const { return m_surface.height(); }

    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor& color) { m_backColor = color; }
    DrawMode drawMode() const { return m_drawMode; }
    void setDrawMode(DrawMode mode) { m_drawMode = mode; }

    const QImage& surface() const { return m_surface; }
    // Direct access for fast paths that fill the surface themselves; call update() afterwards.
    QImage& surfaceForWriting() { return m_surface; }
    bool greySurface() const { return m_surface.format() == QImage::Format_Grayscale8; }
    // Forgets the assigned picture and starts a surface for the outer size with every pixel
    // `fill`: 8-bit grey when `grey` is asked for and the fill is grey, colour otherwise.
    void startSurface(int outerWidth, int outerHeight, QColor fill, bool grey);

    // Outline of the rectangle with both corners included; each outline pixel is drawn exactly
    // once, so with the exclusive-or pen a second drawing restores the surface.
    void lineBox(int x1, int y1, int x2, int y2, QColor color);
    // Filled rectangle from (x1, y1) up to but not including (x2, y2), in the current mode.
    void fillBox(int x1, int y1, int x2, int y2, QColor color);
    // Nearest-neighbour stretch: destination pixel (dx, dy) of dst takes source pixel
    // (src.x + dx * src.w / dst.w, src.y + dy * src.h / dst.h), integer division. Source pixels
    // outside the image contribute nothing; the destination is clipped to the surface.
    void stretchCopy(const QImage& source, const QRect& src, const QRect& dst);
    // Unscaled copy of size.width x size.height from source at sourceTopLeft to destTopLeft.
    void copyRegion(const QImage& source, QPoint sourceTopLeft, QPoint destTopLeft, QSize size);

    // Assigned picture: with automatic size the box takes the picture's size (plus border);
    // the surface shows the picture from its top-left corner. A grey picture is kept as 8-bit
    // grey, any other as Format_RGB32.
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on) { m_autoSize = on; }
    void setPicture(const QImage& picture);
    // Forgets the assigned picture; the surface goes back to the back colour.
    void clearPicture();
    bool hasPicture() const { return !m_picture.isNull(); }
    const QImage& picture() const { return m_picture; }

Q_SIGNALS:
    void mousePressed(Qt::MouseButton button, double x, double y);
    void mouseMoved(Qt::MouseButtons buttons, double x, double y);
    void mouseReleased(Qt::MouseButton button, double x, double y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void resizeSurface(int innerWidth, int innerHeight);
    void fillWithBackColor();
    // A grey surface becomes colour unless the colour (or every pixel of the source) is grey.
    void fitSurfaceTo(QColor color);
    void fitSurfaceTo(const QImage& source);
    void span(int y, int x0, int x1, QRgb color);
    QPointF toSurface(const QPointF& widgetPos) const;

    Border m_border;
    DrawMode m_drawMode = DrawMode::CopyPen;
    QColor m_backColor;
    bool m_autoSize = false;
    QImage m_surface;
    QImage m_picture;
};

// Paints the whole surface in the back colour with the copy pen; an assigned picture stays
// assigned.
void clearPictureBox(PictureBox* box);

} // namespace quillpix
