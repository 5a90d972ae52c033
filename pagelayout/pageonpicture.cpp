#include "pageonpicture.h"

#include <QLineF>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace quillpix::pagelayout {
namespace {

// The picture is looked at this small: the page is large and its edges straight.
constexpr int kLookSide = 400;
// A desk is darker than the paper by this much at least, on every side, or the paper at least
// this many times as light as the desk.
constexpr int kLeastContrast = 70;
constexpr double kLeastLightRatio = 1.6;
// The strip along each edge that must be desk, as a share of the side.
constexpr double kEdgeStrip = 0.015;
// The page fills this share of the picture at least; a scan's page fills it all.
constexpr double kLeastPageShare = 0.3;
constexpr double kMostPageShare = 0.97;

// Around a page square to the picture, more than this share of the surround lighter than the
// desk by half the least contrast is writing: a dark screen's text around a light panel, not a
// desk.
constexpr double kMostLightSurround = 0.005;

// The light falling across the picture, as a plane fitted to the grey of its edge strips (the
// desk, where there is one): a shadow across a photograph darkens desk and page alike, and
// divided out it leaves the desk evenly dark and the page evenly light. Fitted to a scan's white
// edges it is flat, and changes nothing.
QImage lightDividedOut(const QImage& small, int strip) {
    const int w = small.width();
    const int h = small.height();
    // Least squares for grey = a + b x + c y over the strips' pixels.
    double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, sg = 0, sxg = 0, syg = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (y >= strip && y < h - strip && x >= strip && x < w - strip)
                continue;
            const double g = small.constScanLine(y)[x];
            n += 1;
            sx += x;
            sy += y;
            sxx += double(x) * x;
            syy += double(y) * y;
            sxy += double(x) * y;
            sg += g;
            sxg += x * g;
            syg += y * g;
        }
    const QTransform normal(n, sx, sy, sx, sxx, sxy, sy, sxy, syy);
    bool invertible = false;
    const QTransform inverse = normal.inverted(&invertible);
    if (!invertible)
        return small;
    // The normal equations' solution, the symmetric matrix's inverse applied to the sums.
    const double a = inverse.m11() * sg + inverse.m12() * sxg + inverse.m13() * syg;
    const double b = inverse.m21() * sg + inverse.m22() * sxg + inverse.m23() * syg;
    const double c = inverse.m31() * sg + inverse.m32() * sxg + inverse.m33() * syg;
    const double mean = sg / n;
    if (mean < 1)
        return small;
    QImage out(small.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
        const uchar* in = small.constScanLine(y);
        uchar* line = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double light = std::max(a + b * x + c * y, mean / 4);
            line[x] = uchar(std::clamp(int(std::lround(in[x] * mean / light)), 0, 255));
        }
    }
    return out;
}

int median(std::vector<int> values) {
    if (values.empty())
        return 0;
    auto middle = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The paper's grey: the bright tenth of the middle.
int paperGrey(const QImage& small) {
    const int w = small.width();
    const int h = small.height();
    std::vector<int> middle;
    for (int y = h / 4; y < 3 * h / 4; ++y)
        for (int x = w / 4; x < 3 * w / 4; ++x)
            middle.push_back(small.constScanLine(y)[x]);
    std::sort(middle.begin(), middle.end());
    return middle[middle.size() * 9 / 10];
}

// The lightest of the four edge strips' median greys: the desk is at least as dark as this on
// every side.
int lightestEdge(const QImage& small, int strip) {
    const int w = small.width();
    const int h = small.height();
    std::array<std::vector<int>, 4> edges;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int g = small.constScanLine(y)[x];
            if (y < strip)
                edges[0].push_back(g);
            if (y >= h - strip)
                edges[1].push_back(g);
            if (x < strip)
                edges[2].push_back(g);
            if (x >= w - strip)
                edges[3].push_back(g);
        }
    int lightest = 0;
    for (const std::vector<int>& edge : edges)
        lightest = std::max(lightest, median(edge));
    return lightest;
}

// The paper as reached from start through pixels of cut or lighter: its four outermost points
// (top left, top right, bottom right, bottom left) and its area in pixels.
struct ReachedPaper {
    std::array<QPointF, 4> corners;
    long area = 0;
};

ReachedPaper reachPaper(const QImage& small, QPoint start, int cut) {
    const int w = small.width();
    const int h = small.height();
    std::vector<char> reached(size_t(w) * size_t(h), 0);
    std::vector<QPoint> stack{start};
    reached[size_t(start.y()) * size_t(w) + size_t(start.x())] = 1;
    ReachedPaper paper;
    double best[4] = {-1e9, -1e9, -1e9, -1e9};
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        ++paper.area;
        // Top left is least x + y, top right most x - y, bottom right most x + y, bottom left
        // most y - x.
        const double score[4] = {-double(p.x() + p.y()), double(p.x() - p.y()),
                                 double(p.x() + p.y()), double(p.y() - p.x())};
        for (int k = 0; k < 4; ++k)
            if (score[k] > best[k]) {
                best[k] = score[k];
                paper.corners[size_t(k)] = QPointF(p);
            }
        for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            const QPoint q = p + d;
            if (q.x() < 0 || q.y() < 0 || q.x() >= w || q.y() >= h)
                continue;
            char& mark = reached[size_t(q.y()) * size_t(w) + size_t(q.x())];
            if (!mark && small.constScanLine(q.y())[q.x()] >= cut) {
                mark = 1;
                stack.push_back(q);
            }
        }
    }
    return paper;
}

// A panel of a screen is a rectangle square to the picture, to the pixel; when the dark around
// it holds writing, the picture is a screen, and drawing the panel flat would lose that writing.
// A page on a desk is seldom square to the pixel, and the desk is bare.
bool screenAround(const QImage& small, const std::array<QPointF, 4>& corner, int desk) {
    const bool square = std::abs(corner[0].y() - corner[1].y()) <= 1 &&
                        std::abs(corner[3].y() - corner[2].y()) <= 1 &&
                        std::abs(corner[0].x() - corner[3].x()) <= 1 &&
                        std::abs(corner[1].x() - corner[2].x()) <= 1;
    if (!square)
        return false;
    long light = 0, surround = 0;
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x) {
            // The paper's own edge, a pixel wide, is neither.
            if (x >= corner[0].x() - 1 && x <= corner[1].x() + 1 && y >= corner[0].y() - 1 &&
                y <= corner[3].y() + 1)
                continue;
            ++surround;
            light += small.constScanLine(y)[x] >= desk + kLeastContrast / 2;
        }
    return light > kMostLightSurround * double(surround);
}

} // namespace

std::optional<QPolygonF> pageCorners(const QImage& picture) {
    if (picture.isNull())
        return std::nullopt;
    const QImage seen =
        picture.convertToFormat(QImage::Format_Grayscale8)
            .scaled(kLookSide, kLookSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const int w = seen.width();
    const int h = seen.height();
    if (w < 20 || h < 20)
        return std::nullopt;
    const int strip = std::max(1, int(std::lround(std::min(w, h) * kEdgeStrip)));
    const QImage small = lightDividedOut(seen, strip);
    const auto grey = [&small](int x, int y) { return int(small.constScanLine(y)[x]); };

    const int paper = paperGrey(small);
    // The desk's grey, where it is lightest.
    const int desk = lightestEdge(small, strip);
    // With the light divided out, paper and desk differ by a factor; a grey desk under the same
    // light stands out by that factor, though less in grey levels than a dark one.
    if (paper - desk < kLeastContrast && paper < kLeastLightRatio * desk)
        return std::nullopt;

    // The paper: what is brighter than halfway, connected to the middle. The very middle may be
    // a character's stroke: the walk starts from the brightest point near it.
    const int cut = (paper + desk) / 2;
    QPoint start(w / 2, h / 2);
    const int near = std::max(1, std::min(w, h) / 20);
    for (int y = h / 2 - near; y <= h / 2 + near; ++y)
        for (int x = w / 2 - near; x <= w / 2 + near; ++x)
            if (grey(x, y) > grey(start.x(), start.y()))
                start = QPoint(x, y);
    if (grey(start.x(), start.y()) < cut)
        return std::nullopt;
    const ReachedPaper reached = reachPaper(small, start, cut);
    const double share = double(reached.area) / (double(w) * h);
    if (share < kLeastPageShare || share > kMostPageShare)
        return std::nullopt;
    if (screenAround(small, reached.corners, desk))
        return std::nullopt;
    const double sx = double(picture.width()) / w;
    const double sy = double(picture.height()) / h;
    QPolygonF corners;
    for (const QPointF& c : reached.corners)
        corners << QPointF((c.x() + 0.5) * sx, (c.y() + 0.5) * sy);
    return corners;
}

FlatPage flattened(const QImage& picture, const QPolygonF& corners) {
    const double width =
        std::max(QLineF(corners[0], corners[1]).length(), QLineF(corners[3], corners[2]).length());
    const double height =
        std::max(QLineF(corners[0], corners[3]).length(), QLineF(corners[1], corners[2]).length());
    FlatPage flat;
    const QPolygonF target{QPointF(0, 0), QPointF(width, 0), QPointF(width, height),
                           QPointF(0, height)};
    if (!QTransform::quadToQuad(corners, target, flat.flattening))
        return {picture, QTransform()};
    flat.picture =
        QImage(QSize(int(std::ceil(width)), int(std::ceil(height))), QImage::Format_Grayscale8);
    flat.picture.fill(Qt::white);
    flat.picture.setDotsPerMeterX(picture.dotsPerMeterX());
    flat.picture.setDotsPerMeterY(picture.dotsPerMeterY());
    QPainter painter(&flat.picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(flat.flattening);
    painter.drawImage(0, 0, picture.convertToFormat(QImage::Format_Grayscale8));
    painter.end();
    return flat;
}

} // namespace quillpix::pagelayout
