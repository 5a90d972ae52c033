#pragma once

#include <QImage>

#include <memory>

struct Pix;

// Leptonica's pictures held the C++ way, and the crossing between them and Qt's.
namespace quillpix::pagelayout {

struct PixDeleter {
    void operator()(Pix* pix) const;
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

// The picture as 8-bit grey, its resolution carried over (0 where it declares none). A picture
// with transparency is taken as lying on white paper.
PixPtr toGreyPix(const QImage& image);
// An 8-bit grey or 1-bit picture as an 8-bit grey QImage (1-bit ink black, paper white).
QImage toGreyImage(const Pix* pix);

} // namespace quillpix::pagelayout
