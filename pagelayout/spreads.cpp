#include "spreads.h"

#include "ink.h"
#include "librarymessages.h"
#include "ruby.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>

namespace quillpix::pagelayout {
namespace {

// A piece taller than this, in characters, is no character of a horizontal line (lines never
// touch): the fold's shadow, whole or broken into strips by the scan's grain, a rule down the
// page.
constexpr double kTallestText = 1.5;
// A piece smaller than this share of a character is not taken to hold a block apart or
// together: the shadow's edge breaks into such bits; a full stop or a voiced mark stands in its
// line, between characters that count.
constexpr double kLeastTextShare = 0.3;
// Narrower than this, in characters, a block of pieces is no text but what is left of the fold's
// shadow where its grey meets the threshold: it holds no block apart or together.
constexpr double kLeastTextWidth = 1.0;
// A block holds many lines and many characters across: a table's narrow column, a crop of a few
// lines or a marginal note does not make one.
constexpr double kLeastBlockHeight = 12.0;
constexpr double kLeastBlockWidth = 8.0;

} // namespace

bool countsAsText(const QRect& piece, double em) {
    return piece.height() <= kTallestText * em &&
           std::max(piece.width(), piece.height()) >= kLeastTextShare * em;
}

namespace {

// The text pieces gathered into blocks across: a piece nearer than kLeastGutter characters to
// the block before joins it. Left to right; a block narrower than kLeastTextWidth is left out.
std::vector<QRect> blocksAcross(const Ink& ink) {
    std::vector<QRect> text;
    for (const QRect& piece : ink.pieces)
        if (countsAsText(piece, ink.em))
            text.push_back(piece);
    std::sort(text.begin(), text.end(),
              [](const QRect& a, const QRect& b) { return a.left() < b.left(); });
    std::vector<QRect> blocks;
    for (const QRect& piece : text) {
        if (!blocks.empty() && piece.left() - blocks.back().right() - 1 <= kLeastGutter * ink.em)
            blocks.back() = blocks.back().united(piece);
        else
            blocks.push_back(piece);
    }
    blocks.erase(
        std::remove_if(blocks.begin(), blocks.end(),
                       [&ink](const QRect& b) { return b.width() < kLeastTextWidth * ink.em; }),
        blocks.end());
    return blocks;
}

bool largeEnoughForABlock(const QRect& block, double em) {
    return block.height() >= kLeastBlockHeight * em && block.width() >= kLeastBlockWidth * em;
}

} // namespace

std::optional<std::pair<int, int>> foldBand(const Ink& ink) {
    if (ink.em <= 0 || !ink.binary)
        return std::nullopt;
    const int width = pixGetWidth(ink.binary.get());
    if (width <= pixGetHeight(ink.binary.get()))
        return std::nullopt;
    const std::vector<QRect> blocks = blocksAcross(ink);
    std::optional<std::pair<int, int>> band;
    for (size_t k = 1; k < blocks.size(); ++k) {
        const int from = blocks[k - 1].right() + 1;
        const int to = blocks[k].left();
        const int middle = (from + to) / 2;
        if (to - from < kLeastFold * ink.em || 3 * middle < width || 3 * middle > 2 * width)
            continue;
        if (band && to - from <= band->second - band->first)
            continue;
        QRect left, right;
        for (size_t j = 0; j < blocks.size(); ++j)
            (j < k ? left : right) |= blocks[j];
        if (largeEnoughForABlock(left, ink.em) && largeEnoughForABlock(right, ink.em))
            band = std::make_pair(from, to);
    }
    return band;
}

std::optional<SpreadHalves> spreadHalves(const QImage& picture) {
    // Only a picture wider than tall can hold two pages side by side: most pages end here.
    if (picture.width() <= picture.height())
        return std::nullopt;
    const std::optional<SeparatedInk> separated = separatedInk(picture);
    return separated ? spreadHalves(picture, separated->ink) : std::nullopt;
}

std::optional<SpreadHalves> spreadHalves(const QImage& picture, const Ink& ink) {
    if (picture.width() <= picture.height())
        return std::nullopt;
    const LibraryMessages messages;
    const std::optional<std::pair<int, int>> band = foldBand(ink);
    if (!band || !messages.errors().isEmpty())
        return std::nullopt;
    // Half a character of paper stays beside each text; the rest of the band goes.
    const int keep = int(std::ceil(ink.em / 2));
    const QRect shadow(band->first + keep, 0, band->second - band->first - 2 * keep,
                       pixGetHeight(ink.binary.get()));
    const QImage painted = paintedOver(picture, {shadow}, ink.scale, ink.paper);
    SpreadHalves halves;
    halves.fold = std::min((band->first + band->second) / 2 * ink.scale, picture.width() - 1);
    halves.left = painted.copy(0, 0, halves.fold, picture.height());
    halves.right = painted.copy(halves.fold, 0, picture.width() - halves.fold, picture.height());
    return halves;
}

} // namespace quillpix::pagelayout
