#include "spreads.h"

#include "ink.h"

#include <QPainter>

#include <algorithm>

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

std::vector<QRect> blocksSideBySide(const Ink& ink) {
    if (ink.em <= 0)
        return {};
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
    if (blocks.size() < 2)
        return {};
    for (const QRect& block : blocks)
        if (block.height() < kLeastBlockHeight * ink.em ||
            block.width() < kLeastBlockWidth * ink.em)
            return {};
    return blocks;
}

PartsSet oneUnderAnother(const QImage& picture, const std::vector<QRect>& blocks, int gap,
                         int paper) {
    int width = 0;
    int height = gap;
    for (const QRect& block : blocks) {
        width = std::max(width, block.width());
        height += block.height() + gap;
    }
    PartsSet set;
    set.picture = QImage(width + 2 * gap, height, QImage::Format_Grayscale8);
    set.picture.fill(QColor(paper, paper, paper));
    set.picture.setDotsPerMeterX(picture.dotsPerMeterX());
    set.picture.setDotsPerMeterY(picture.dotsPerMeterY());
    QPainter painter(&set.picture);
    int top = gap;
    for (const QRect& block : blocks) {
        const QPoint at(gap, top);
        painter.drawImage(at, picture, block);
        set.placements.push_back({block, at});
        top += block.height() + gap;
    }
    return set;
}

} // namespace quillpix::pagelayout
