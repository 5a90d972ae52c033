#pragma once

#include <QImage>
#include <QPolygonF>
#include <QTransform>

#include <optional>

// A page photographed on a desk: the paper stands out bright against a dark surround on every
// side, and is seen a little from one side, so that its edges converge (keystone). Found, the
// page is drawn flat and upright on a picture of its own, the desk left out, as a scanner
// would have given it.
namespace quillpix::pagelayout {

// The page's four corners on the picture (top left, top right, bottom right, bottom left), when
// the picture's edges are dark on all four sides and a bright piece of paper fills a good part
// of it; none for a scan, a crop or a picture of a screen.
std::optional<QPolygonF> pageCorners(const QImage& picture);

// The page between the corners drawn flat, at the size of its longer edges, on paper of its
// grey; flattening maps the picture's points onto the flat page's.
struct FlatPage {
    QImage picture;
    QTransform flattening;
};
FlatPage flattened(const QImage& picture, const QPolygonF& corners);

} // namespace quillpix::pagelayout
