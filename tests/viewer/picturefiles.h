#pragma once

#include <QByteArray>
#include <QImage>

namespace quillpix::testing {

// A GIF file of the picture's pixels (at most 256 colours), written with one literal code per
// pixel so no compressor is needed. Qt reads GIF but cannot write it.
QByteArray gifBytes(const QImage& picture);

// The headers of a 24-bit Windows bitmap of the given size, followed by pixelBytes bytes of
// zeros (fewer than the size needs makes a cut-short file).
QByteArray bitmapBytes(int width, int height, qint64 pixelBytes);
qint64 bitmapPixelBytes(int width, int height);

} // namespace quillpix::testing
