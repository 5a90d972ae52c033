#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

// The bytes a scanner hands over for one page, made into a picture. Free of the device: the
// frames are plain values, so every layout the devices send can be checked without one.
namespace quillpix::scanner {

// What one frame holds: grey, red, green and blue interleaved, or one colour band of a
// three-pass device.
enum class FrameKind { Grey, Rgb, Red, Green, Blue };

struct Frame {
    FrameKind kind = FrameKind::Grey;
    int depth = 8; // bits per sample: 1, 8 or 16
    int pixelsPerLine = 0;
    int bytesPerLine = 0; // may hold padding after the last pixel
    // -1 when the device did not know beforehand (a hand or sheet scanner): the data decides.
    int lines = -1;
    QByteArray data;
};

// The page: one grey or RGB frame, or one frame of each colour band in any order. Lineart
// (grey, 1 bit) stays a 1-bit picture with 1 as black; 16-bit samples (in this machine's byte
// order, as the devices send them) keep their high byte. The resolution is declared in the
// picture. A set of frames that makes no page gives a null picture and the reason in problem.
QImage pageFromFrames(const QList<Frame>& frames, int dpi, QString* problem = nullptr);

// Whether pageFromFrames takes samples of this many bits.
bool depthSupported(int depth);

} // namespace quillpix::scanner
