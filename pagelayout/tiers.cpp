#include "tiers.h"

#include "ink.h"

#include <algorithm>
#include <iterator>

namespace quillpix::pagelayout {
namespace {

// A band across the page with no ink taller than this, in characters, parts two bands: the
// width at which the text regions part across a vertical page's columns, so that a running head
// the regions would read apart is found as one (at 1.2, heads 1.1 characters above the text
// were read into it).
constexpr double kLeastTierGap = 1.0;
// A tier holds a few characters down and several columns across: a running head or a page
// number is one line.
constexpr double kLeastTierHeight = 5.0;
constexpr double kLeastTierWidth = 5.0;
// A running head or a page number is one line of text, set no larger than the text's own.
constexpr double kMostHeadHeight = 1.6;

// The ink's bands down the page, top to bottom: parted where no ink crosses for more than the
// tiers' gap.
std::vector<QRect> bandsOf(const Ink& ink) {
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
    return bands;
}

bool isTier(const QRect& band, double em) {
    return band.height() >= kLeastTierHeight * em && band.width() >= kLeastTierWidth * em;
}

} // namespace

std::vector<QRect> runningHeadsOf(const Ink& ink) {
    const std::vector<QRect> bands = bandsOf(ink);
    const auto tier = [&ink](const QRect& band) { return isTier(band, ink.em); };
    const auto first = std::find_if(bands.begin(), bands.end(), tier);
    if (first == bands.end())
        return {};
    const auto last = std::find_if(bands.rbegin(), bands.rend(), tier).base();
    std::vector<QRect> heads;
    const auto thin = [&ink](const QRect& band) {
        return band.height() <= kMostHeadHeight * ink.em;
    };
    std::copy_if(bands.begin(), first, std::back_inserter(heads), thin);
    std::copy_if(last, bands.end(), std::back_inserter(heads), thin);
    return heads;
}

} // namespace quillpix::pagelayout
