#include "readingplan.h"

#include "edges.h"
#include "ink.h"
#include "pix.h"
#include "resolution.h"
#include "ruby.h"
#include "skew.h"

namespace quillpix::pagelayout {
namespace {

constexpr int kVerticalBlock = 5;
constexpr int kSingleBlock = 6;
constexpr int kAutomatic = 3;

} // namespace

EngineSettings engineSettings(Direction direction, std::optional<int> chosenPsm) {
    if (direction == Direction::Vertical)
        return {QStringLiteral("jpn_vert"), kVerticalBlock};
    int psm = chosenPsm.value_or(kAutomatic);
    if (psm == kVerticalBlock)
        psm = kSingleBlock;
    return {QStringLiteral("jpn"), psm};
}

ReadingPlan planReading(const QImage& picture, std::optional<int> chosenPsm, Readings readings) {
    ReadingPlan plan;
    plan.dotsPerInch = plausibleDotsPerInch(picture);
    PixPtr grey = toGreyPix(picture);
    Ink ink = inkOf(grey.get());
    plan.direction = writingDirection(ink).direction;
    plan.settings = engineSettings(plan.direction, chosenPsm);

    QImage prepared = picture;
    const SkewFinding skew = findSkew(ink, plan.direction);
    if (skew.straighten) {
        prepared = turned(picture, skew.degrees, ink.paper);
        plan.skewDegrees = skew.degrees;
        grey = toGreyPix(prepared);
        ink = inkOf(grey.get());
    }
    const std::vector<QRect> parts = partialEdgeLines(ink, plan.direction);
    plan.partsErased = int(parts.size());
    if (!parts.empty())
        prepared = paintedOver(prepared, parts, ink.scale, ink.paper);
    if (plan.direction == Direction::Vertical && readings == Readings::PaintedOver) {
        const std::vector<QRect> marks = readingMarks(ink.pieces, ink.em);
        plan.readingsErased = int(marks.size());
        if (!marks.empty())
            prepared = paintedOver(prepared, marks, ink.scale, ink.paper);
    }
    plan.pictures = {prepared};
    return plan;
}

} // namespace quillpix::pagelayout
