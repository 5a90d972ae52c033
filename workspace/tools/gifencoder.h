#pragma once

#include <QByteArray>
#include <QImage>

namespace quillpix::gif {

// Encodes an indexed picture (QImage::Format_Indexed8, 1 to 256 colours in its colour table)
// as a single-frame GIF89a: one global colour table padded to a power of two, one image
// descriptor, LZW data with a clear code whenever the code table fills. Qt reads GIF but has no
// writer, and the sample pictures and the tests need GIF files made by us.
// Throws std::invalid_argument for any other format, an empty picture, an empty or oversized
// colour table, a pixel index beyond the table, or a side longer than 65535 pixels.
QByteArray encode(const QImage& indexed);

// LZW-compresses the pixel indices as GIF does it (variable code width from minCodeSize + 1
// up to 12 bits, least significant bit first), without the sub-block framing. minCodeSize is
// 2 to 8; every index must be below 1 << minCodeSize.
QByteArray lzwCompress(const QByteArray& indices, int minCodeSize);

} // namespace quillpix::gif
