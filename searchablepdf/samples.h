#pragma once

#include <QByteArray>
#include <QImage>

// A picture's samples as a PDF image object holds them, without loss.
namespace quillpix::searchablepdf {

// The samples in the fewest bits that keep every pixel, row after row, each row starting on a
// byte: 1 bit a pixel (0 black) for a black-and-white picture, 8 for grey, 3 times 8 for colour.
struct Samples {
    QByteArray data;
    int bits = 8;
    bool grey = false; // one sample a pixel (DeviceGray) rather than three (DeviceRGB)
};

Samples samplesOf(const QImage& image);

} // namespace quillpix::searchablepdf
