// Draws the program's icon: a page of text with one line framed for reading, and a quill. The
// shapes are listed once and written both as SVG (the scalable icon) and, drawn with Qt, as the
// PNG sizes desktops look for:
//   appicon OUTPUT_FOLDER
// writes quillpix.svg and quillpix-N.png for each size N.
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <vector>

namespace {

constexpr double kCanvas = 256;
const int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

struct Shape {
    enum Kind { Box, Polygon } kind;
    QRectF box;       // Box
    double radius;    // Box corners
    QPolygonF points; // Polygon
    QColor fill;      // transparent: none
    QColor stroke;    // transparent: none
    double strokeWidth;
    double dash; // 0: solid; else dash and gap lengths in canvas units
};

std::vector<Shape> shapes() {
    const QColor ink(43, 43, 43), blue(59, 91, 140), orange(232, 115, 12);
    const QColor none(Qt::transparent);
    std::vector<Shape> s;
    // The page.
    s.push_back({Shape::Box, {40, 16, 176, 224}, 14, {}, Qt::white, blue, 8, 0});
    // Lines of text; the third is the one framed for reading.
    const double widths[] = {120, 96, 120, 72, 104};
    for (int i = 0; i < 5; ++i)
        s.push_back({Shape::Box, {68, 52.0 + 34 * i, widths[i], 14}, 7, {}, ink, none, 0, 0});
    s.push_back({Shape::Box, {56, 108, 148, 50}, 6, {}, QColor(232, 115, 12, 48), orange, 6, 14});
    // The quill, across the page's lower right corner.
    s.push_back({Shape::Polygon,
                 {},
                 0,
                 QPolygonF({{236, 96}, {248, 110}, {172, 226}, {154, 240}, {160, 216}}),
                 blue,
                 Qt::white,
                 4,
                 0});
    return s;
}

QString svgColour(const QColor& c) {
    return c.alpha() == 0 ? QStringLiteral("none") : c.name(QColor::HexRgb);
}

QString svgPaint(const Shape& shape) {
    QString paint = QStringLiteral(" fill=\"%1\"").arg(svgColour(shape.fill));
    if (shape.fill.alpha() != 0 && shape.fill.alpha() != 255)
        paint += QStringLiteral(" fill-opacity=\"%1\"").arg(shape.fill.alphaF(), 0, 'f', 3);
    paint += QStringLiteral(" stroke=\"%1\"").arg(svgColour(shape.stroke));
    if (shape.stroke.alpha() != 0)
        paint +=
            QStringLiteral(" stroke-width=\"%1\" stroke-linejoin=\"round\"").arg(shape.strokeWidth);
    if (shape.dash > 0)
        paint += QStringLiteral(" stroke-dasharray=\"%1 %2\"").arg(shape.dash).arg(shape.dash / 2);
    return paint;
}

bool writeSvg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
           "viewBox=\"0 0 256 256\">\n"
        << "  <title>Quillpix</title>\n";
    for (const Shape& shape : shapes()) {
        if (shape.kind == Shape::Box) {
            out << QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                                  "rx=\"%5\"")
                       .arg(shape.box.x())
                       .arg(shape.box.y())
                       .arg(shape.box.width())
                       .arg(shape.box.height())
                       .arg(shape.radius)
                << svgPaint(shape) << "/>\n";
        } else {
            QStringList points;
            for (const QPointF& p : shape.points)
                points << QStringLiteral("%1,%2").arg(p.x()).arg(p.y());
            out << "  <polygon points=\"" << points.join(QLatin1Char(' ')) << "\""
                << svgPaint(shape) << "/>\n";
        }
    }
    out << "</svg>\n";
    out.flush();
    return file.error() == QFileDevice::NoError;
}

QImage drawPng(int size) {
    QImage picture(size, size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kCanvas, size / kCanvas);
    for (const Shape& shape : shapes()) {
        QPen pen(Qt::NoPen);
        if (shape.stroke.alpha() != 0) {
            pen = QPen(shape.stroke, shape.strokeWidth, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
            if (shape.dash > 0)
                pen.setDashPattern(
                    {shape.dash / shape.strokeWidth, shape.dash / 2 / shape.strokeWidth});
        }
        painter.setPen(pen);
        painter.setBrush(shape.fill.alpha() != 0 ? QBrush(shape.fill) : QBrush(Qt::NoBrush));
        if (shape.kind == Shape::Box)
            painter.drawRoundedRect(shape.box, shape.radius, shape.radius);
        else
            painter.drawPolygon(shape.points);
    }
    painter.end();
    return picture;
}

} // namespace

int main(int argc, char* argv[]) {
    // Shapes only, no text: painting needs no display and no fonts.
    if (argc != 2) {
        std::fprintf(stderr, "usage: appicon OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!writeSvg(folder + QStringLiteral("/quillpix.svg")))
        return 1;
    for (int size : kSizes)
        if (!drawPng(size).save(folder + QStringLiteral("/quillpix-%1.png").arg(size), "PNG"))
            return 1;
    return 0;
}
