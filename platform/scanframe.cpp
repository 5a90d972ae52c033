#include "scanframe.h"

#include <cmath>
#include <cstring>

namespace quillpix::scanner {
namespace {

// One sample of a line as 0..255; a set bit of a 1-bit band is full strength.
inline uchar sampleAt(const uchar* line, qsizetype index, int depth) {
    switch (depth) {
    case 1:
        return (line[index / 8] >> (7 - index % 8)) & 1 ? 255 : 0;
    case 16: {
        quint16 value;
        std::memcpy(&value, line + 2 * index, 2);
        return uchar(value >> 8);
    }
    default:
        return line[index];
    }
}

// The lines the frame's data holds; a short last line does not count.
int linesOf(const Frame& frame) {
    const int whole = frame.bytesPerLine > 0 ? int(frame.data.size() / frame.bytesPerLine) : 0;
    return frame.lines < 0 ? whole : std::min(frame.lines, whole);
}

QString shapeProblem(const Frame& frame) {
    if (!depthSupported(frame.depth))
        return QStringLiteral("frames of depth %1 are not handled").arg(frame.depth);
    const int samples = frame.kind == FrameKind::Rgb ? 3 : 1;
    const qint64 needed = (qint64(frame.pixelsPerLine) * samples * frame.depth + 7) / 8;
    if (frame.pixelsPerLine <= 0 || frame.bytesPerLine < needed)
        return QStringLiteral("a line of %1 pixels in %2 bytes")
            .arg(frame.pixelsPerLine)
            .arg(frame.bytesPerLine);
    if (linesOf(frame) <= 0)
        return QStringLiteral("no whole line was sent");
    return {};
}

QImage lineart(const Frame& frame, int lines) {
    QImage page(frame.pixelsPerLine, lines, QImage::Format_Mono);
    // The device's 1 is black; the picture's colour table says so, the bits stay as sent.
    page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    const int bytes = (frame.pixelsPerLine + 7) / 8;
    for (int y = 0; y < lines; ++y)
        std::memcpy(page.scanLine(y), frame.data.constData() + qsizetype(y) * frame.bytesPerLine,
                    size_t(bytes));
    return page;
}

QImage grey(const Frame& frame, int lines) {
    QImage page(frame.pixelsPerLine, lines, QImage::Format_Grayscale8);
    for (int y = 0; y < lines; ++y) {
        const auto* in = reinterpret_cast<const uchar*>(frame.data.constData()) +
                         qsizetype(y) * frame.bytesPerLine;
        uchar* out = page.scanLine(y);
        for (int x = 0; x < frame.pixelsPerLine; ++x)
            out[x] = sampleAt(in, x, frame.depth);
    }
    return page;
}

QImage rgb(const Frame& frame, int lines) {
    QImage page(frame.pixelsPerLine, lines, QImage::Format_RGB888);
    for (int y = 0; y < lines; ++y) {
        const auto* in = reinterpret_cast<const uchar*>(frame.data.constData()) +
                         qsizetype(y) * frame.bytesPerLine;
        uchar* out = page.scanLine(y);
        for (qsizetype i = 0; i < qsizetype(frame.pixelsPerLine) * 3; ++i)
            out[i] = sampleAt(in, i, frame.depth);
    }
    return page;
}

// Three bands of one size, each put into its place of the RGB picture.
QImage threeBands(const QList<Frame>& frames, QString* problem) {
    const Frame* bands[3] = {nullptr, nullptr, nullptr};
    for (const Frame& frame : frames) {
        const int band = frame.kind == FrameKind::Red     ? 0
                         : frame.kind == FrameKind::Green ? 1
                         : frame.kind == FrameKind::Blue  ? 2
                                                          : -1;
        if (band < 0 || bands[band]) {
            *problem = QStringLiteral("the colour bands do not make one page");
            return {};
        }
        bands[band] = &frame;
    }
    const int width = bands[0]->pixelsPerLine;
    int lines = linesOf(*bands[0]);
    for (const Frame* band : bands) {
        if (band->pixelsPerLine != width) {
            *problem = QStringLiteral("the colour bands differ in width");
            return {};
        }
        lines = std::min(lines, linesOf(*band));
    }
    QImage page(width, lines, QImage::Format_RGB888);
    for (int b = 0; b < 3; ++b)
        for (int y = 0; y < lines; ++y) {
            const auto* in = reinterpret_cast<const uchar*>(bands[b]->data.constData()) +
                             qsizetype(y) * bands[b]->bytesPerLine;
            uchar* out = page.scanLine(y);
            for (int x = 0; x < width; ++x)
                out[3 * x + b] = sampleAt(in, x, bands[b]->depth);
        }
    return page;
}

} // namespace

bool depthSupported(int depth) {
    return depth == 1 || depth == 8 || depth == 16;
}

QImage pageFromFrames(const QList<Frame>& frames, int dpi, QString* problem) {
    QString ignored;
    QString& why = problem ? *problem : ignored;
    why.clear();
    if (frames.isEmpty()) {
        why = QStringLiteral("no frame was sent");
        return {};
    }
    for (const Frame& frame : frames) {
        why = shapeProblem(frame);
        if (!why.isEmpty())
            return {};
    }
    QImage page;
    const Frame& first = frames.first();
    if (frames.size() == 3) {
        page = threeBands(frames, &why);
    } else if (frames.size() != 1) {
        why = QStringLiteral("%1 frames for one page").arg(frames.size());
    } else if (first.kind == FrameKind::Grey) {
        page = first.depth == 1 ? lineart(first, linesOf(first)) : grey(first, linesOf(first));
    } else if (first.kind == FrameKind::Rgb) {
        page = rgb(first, linesOf(first));
    } else {
        why = QStringLiteral("one colour band without the others");
    }
    if (page.isNull())
        return {};
    const int perMetre = int(std::lround(dpi / 0.0254));
    page.setDotsPerMeterX(perMetre);
    page.setDotsPerMeterY(perMetre);
    return page;
}

} // namespace quillpix::scanner
