#include "direction.h"

#include "ink.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>

namespace quillpix::pagelayout {
namespace {

// Smear lengths in characters: above the gaps between the characters of a line, below the
// gaps between lines (about 0.6 character and more at usual line pitches).
constexpr double kSmearShares[] = {0.3, 0.5};
// Below this score (both smears together), the counts do not tell the direction.
constexpr double kLeastScore = 0.4;

int piecesAfterSmear(Pix* binary, int along, int across) {
    PixPtr smeared(pixDilateBrick(nullptr, binary, along, across));
    l_int32 count = 0;
    if (smeared)
        pixCountConnComp(smeared.get(), 8, &count);
    return count;
}

} // namespace

Direction directionFrom(double score, QSize inkExtent) {
    if (score >= kLeastScore)
        return Direction::Horizontal;
    if (score <= -kLeastScore)
        return Direction::Vertical;
    return inkExtent.height() > inkExtent.width() ? Direction::Vertical : Direction::Horizontal;
}

DirectionFinding writingDirection(const Ink& ink) {
    DirectionFinding finding;
    if (ink.em <= 0 || ink.pieces.empty())
        return finding;
    for (double share : kSmearShares) {
        const int length = std::max(2, int(std::lround(share * ink.em)));
        const int alongX = piecesAfterSmear(ink.binary.get(), length, 1);
        const int alongY = piecesAfterSmear(ink.binary.get(), 1, length);
        finding.score += std::log(double(std::max(alongY, 1)) / double(std::max(alongX, 1)));
    }
    const QSize extent = extentOf(ink).size();
    finding.direction = directionFrom(finding.score, extent);
    finding.byShape = std::abs(finding.score) < kLeastScore;
    return finding;
}

DirectionFinding writingDirection(const QImage& picture) {
    const PixPtr grey = toGreyPix(picture);
    return writingDirection(inkOf(grey.get()));
}

} // namespace quillpix::pagelayout
