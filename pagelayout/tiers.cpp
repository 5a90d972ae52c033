#include "tiers.h"

#include "ink.h"

#include <QPainter>

#include <algorithm>

namespace quillpix::pagelayout {
namespace {

// A band across the page with no ink taller than this, in characters, parts two tiers: wider
// than the space a paragraph's end leaves in one column (the others go on), narrower than the
// gap books leave between tiers.
constexpr double kLeastTierGap = 1.5;
// A tier holds a few characters down and several columns across: a running head or a page
// number is one line.
constexpr double kLeastTierHeight = 5.0;
constexpr double kLeastTierWidth = 5.0;

} // namespace

std::vector<QRect> tiersOf(const Ink& ink) {
    if (ink.em <= 0 || ink.pieces.empty())
        return {};
    std::vector<QRect> byTop = ink.pieces;
    std::sort(byTop.begin(), byTop.end(),
              [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    std::vector<QRect> bands;
    for (const QRect& piece : byTop) {
        if (!bands.empty() && piece.top() - bands.back().bottom() <= kLeastTierGap * ink.em)
            bands.back() = bands.back().united(piece);
        else
            bands.push_back(piece);
    }
    std::vector<QRect> tiers;
    for (const QRect& band : bands)
        if (band.height() >= kLeastTierHeight * ink.em && band.width() >= kLeastTierWidth * ink.em)
            tiers.push_back(band);
    if (tiers.size() < 2)
        return {};
    return tiers;
}

PartsSet sideBySide(const QImage& picture, const std::vector<QRect>& tiers, int gap, int paper) {
    int width = gap;
    int height = 0;
    for (const QRect& tier : tiers) {
        width += tier.width() + gap;
        height = std::max(height, tier.height());
    }
    PartsSet set;
    set.picture = QImage(width, height + 2 * gap, QImage::Format_Grayscale8);
    set.picture.fill(QColor(paper, paper, paper));
    set.picture.setDotsPerMeterX(picture.dotsPerMeterX());
    set.picture.setDotsPerMeterY(picture.dotsPerMeterY());
    QPainter painter(&set.picture);
    int right = width - gap;
    for (const QRect& tier : tiers) {
        const QPoint at(right - tier.width(), gap);
        painter.drawImage(at, picture, tier);
        set.placements.push_back({tier, at});
        right -= tier.width() + gap;
    }
    return set;
}

} // namespace quillpix::pagelayout
