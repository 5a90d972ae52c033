#include "skew.h"

#include "ink.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>

namespace quillpix::pagelayout {
namespace {

constexpr double kSweepRange = 5.0;  // degrees either way
constexpr double kSweepStep = 0.5;   // degrees between the first, coarse scores
constexpr double kSearchStep = 0.02; // degrees, where the fine search stops
// Chosen on the measured pages. The alignment score's sharpness tells text from no text (every
// page and paragraph scored 1.6 to 3, a picture without lines 0) but not a slanted page from a
// straight one: the angle does that, measured within 0.05 degrees on every page, straight ones
// at 0.06 at most. A crop of one or two lines can score a false angle of a degree or more from
// the shapes of its characters, so fewer than three lines are never turned.
constexpr double kLeastConfidence = 1.5;
constexpr double kLeastDegrees = 0.3;
constexpr double kLeastLines = 3.0;

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

} // namespace

bool worthStraightening(double degrees, double confidence, double linesAcross) {
    return confidence >= kLeastConfidence && std::abs(degrees) >= kLeastDegrees &&
           std::abs(degrees) <= kSweepRange && linesAcross >= kLeastLines;
}

SkewFinding findSkew(const Ink& ink, Direction direction) {
    SkewFinding finding;
    if (ink.em <= 0 || ink.pieces.empty())
        return finding;
    Pix* binary = ink.binary.get();
    PixPtr quarter;
    if (direction == Direction::Vertical) {
        quarter.reset(pixRotate90(binary, 1));
        binary = quarter.get();
    }
    // The search works on reduced copies; at the working scale the characters are 15 to 25
    // pixels, so the sweep halves once and the fine search not at all.
    l_float32 angle = 0;
    l_float32 confidence = 0;
    if (pixFindSkewSweepAndSearch(binary, &angle, &confidence, 2, 1, l_float32(kSweepRange),
                                  l_float32(kSweepStep), l_float32(kSearchStep)) != 0)
        return finding;
    const QRect all = extentOf(ink);
    const double across = direction == Direction::Vertical ? all.width() : all.height();
    // Lines are about 1.7 characters apart in books; a line's own height counts as one.
    finding.linesAcross = std::max(0.0, (across - ink.em) / (1.7 * ink.em)) + 1;
    finding.degrees = angle;
    finding.confidence = confidence;
    finding.straighten = worthStraightening(angle, confidence, finding.linesAcross);
    return finding;
}

SkewFinding findSkew(const QImage& picture, Direction direction) {
    const PixPtr grey = toGreyPix(picture);
    return findSkew(inkOf(grey.get()), direction);
}

QImage turned(const QImage& picture, double degrees, int paper) {
    const PixPtr grey = toGreyPix(picture);
    // Area mapping keeps the strokes' grey edges as a scanner would have seen them.
    PixPtr rotated(pixRotateAMGray(grey.get(), l_float32(degrees * kRadiansPerDegree),
                                   l_uint8(std::clamp(paper, 0, 255))));
    QImage out = toGreyImage(rotated.get());
    out.setDotsPerMeterX(picture.dotsPerMeterX());
    out.setDotsPerMeterY(picture.dotsPerMeterY());
    return out;
}

} // namespace quillpix::pagelayout
