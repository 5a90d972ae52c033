#include "readingplan.h"

#include "edges.h"
#include "ink.h"
#include "librarymessages.h"
#include "pix.h"
#include "resolution.h"
#include "ruby.h"
#include "skew.h"
#include "textpresence.h"
#include "tiers.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace quillpix::pagelayout {
namespace {

// No character, not even a dash of two, is this long: a longer piece of ink is a rule, a table's
// frame, a box round a figure or a dark band under a heading, which the single block mode reads
// through, losing the cells and the white text on it.
constexpr double kLongestCharacter = 4.0;

} // namespace

bool oneBlockAcross(const Ink& ink) {
    if (ink.em <= 0 || ink.pieces.empty())
        return false;
    std::vector<std::pair<int, int>> spans;
    spans.reserve(ink.pieces.size());
    for (const QRect& r : ink.pieces)
        spans.emplace_back(r.left(), r.right() + 1);
    std::sort(spans.begin(), spans.end());
    int reach = spans.front().second;
    for (const auto& [left, right] : spans) {
        if (left - reach > kLeastGutter * ink.em)
            return false;
        reach = std::max(reach, right);
    }
    return true;
}

bool enoughTextToOrient(const Ink& ink) {
    if (ink.em <= 0 || ink.pieces.empty() || !holdsText(ink))
        return false;
    QRect text;
    for (const QRect& piece : ink.pieces)
        text = text.united(piece);
    return std::min(text.width(), text.height()) >= kLeastEmsToOrient * ink.em;
}

bool enoughTextToOrient(const QImage& picture) {
    const LibraryMessages messages;
    const PixPtr grey = toGreyPix(picture);
    return grey && enoughTextToOrient(inkOf(grey.get())) && messages.errors().isEmpty();
}

bool inkBesideText(const Ink& ink) {
    const double longest = kLongestCharacter * ink.em;
    return ink.em > 0 &&
           std::any_of(ink.pieces.begin(), ink.pieces.end(), [longest](const QRect& r) {
               return r.width() > longest || r.height() > longest;
           });
}

namespace {

// Tiers found on the ink set side by side, each with half a character of paper around its ink,
// and with them the running head and page number when they are kept, in their place from top to
// bottom; the picture as it is otherwise.
QImage tiersSideBySide(const QImage& prepared, const Ink& ink, const std::vector<QRect>& heads,
                       ReadingPlan& plan) {
    std::vector<QRect> found = tiersOf(ink);
    if (found.empty())
        return prepared;
    found.insert(found.end(), heads.begin(), heads.end());
    std::sort(found.begin(), found.end(),
              [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    const int s = ink.scale;
    const int margin = int(std::ceil(ink.em / 2)) * s;
    std::vector<QRect> tiers;
    for (const QRect& t : found)
        tiers.push_back(QRect(t.left() * s, t.top() * s, t.width() * s, t.height() * s)
                            .adjusted(-margin, -margin, margin, margin)
                            .intersected(prepared.rect()));
    PartsSet set = sideBySide(prepared, tiers, 4 * margin, ink.paper);
    plan.placements = std::move(set.placements);
    return set.picture;
}

// Blocks of horizontal text found side by side set one under the other, left first, each with a
// character of paper around its ink (no more than half the way to the next block); the picture
// as it is otherwise. Each block is one block across, since a gap that would part it would have
// parted the blocks, so the single block mode reads the set.
QImage blocksOneUnderAnother(const QImage& prepared, const Ink& ink, ReadingPlan& plan) {
    const std::vector<QRect> found = blocksSideBySide(ink);
    if (found.empty())
        return prepared;
    const int s = ink.scale;
    const int em = int(std::ceil(ink.em));
    std::vector<QRect> blocks;
    for (size_t k = 0; k < found.size(); ++k) {
        QRect block = found[k].adjusted(-em, -em, em, em);
        if (k > 0)
            block.setLeft(std::max(block.left(), (found[k - 1].right() + found[k].left()) / 2 + 1));
        if (k + 1 < found.size())
            block.setRight(std::min(block.right(), (found[k].right() + found[k + 1].left()) / 2));
        blocks.push_back(
            QRect(block.left() * s, block.top() * s, block.width() * s, block.height() * s)
                .intersected(prepared.rect()));
    }
    PartsSet set = oneUnderAnother(prepared, blocks, 2 * em * s, ink.paper);
    // Each block is one block across (a wider gap would have parted it), unless it holds a rule,
    // a frame or a band; the gutter's shadow lies outside the blocks.
    Ink inBlocks;
    inBlocks.em = ink.em;
    for (const QRect& piece : ink.pieces)
        if (std::any_of(found.begin(), found.end(),
                        [&piece](const QRect& b) { return b.contains(piece); }))
            inBlocks.pieces.push_back(piece);
    plan.oneBlock = !inkBesideText(inBlocks);
    plan.placements = std::move(set.placements);
    return set.picture;
}

// The plan as the steps find it; none when the library has not taken the picture at all.
std::optional<ReadingPlan> plannedSteps(const QImage& picture, Ruby ruby, RunningHeads kept) {
    ReadingPlan plan;
    PixPtr grey = toGreyPix(picture);
    if (!grey)
        return std::nullopt;
    Ink ink = inkOf(grey.get());
    plan.dotsPerInch = plausibleDotsPerInch(picture);
    plan.textFound = holdsText(ink);
    if (!plan.textFound) {
        // Noise would be found vertical, skewed, full of ruby and one block; none of it holds.
        plan.pictures = {picture};
        return plan;
    }
    plan.direction = writingDirection(ink).direction;

    QImage prepared = picture;
    const SkewFinding skew = findSkew(ink, plan.direction);
    if (skew.straighten) {
        prepared = turned(picture, skew.degrees, ink.paper);
        plan.skewDegrees = skew.degrees;
        grey = toGreyPix(prepared);
        ink = inkOf(grey.get());
    }
    plan.oneBlock = oneBlockAcross(ink) && !inkBesideText(ink);
    const std::vector<QRect> parts = partialEdgeLines(ink, plan.direction);
    plan.partsErased = int(parts.size());
    if (!parts.empty())
        prepared = paintedOver(prepared, parts, ink.scale, ink.paper);
    if (plan.direction == Direction::Vertical && ruby == Ruby::PaintedOver) {
        const std::vector<QRect> marks = rubyMarks(ink.pieces, ink.em, Marks::TheEngineReads);
        plan.rubyErased = int(marks.size());
        if (!marks.empty()) {
            // The characters keep every stroke. The parts at the edges are gone already, and
            // the ruby's own pieces are no shelter: the kana of one ruby overlap.
            std::vector<QRect> kept;
            for (const QRect& piece : ink.pieces)
                if (std::none_of(parts.begin(), parts.end(),
                                 [&piece](const QRect& part) { return part.intersects(piece); }) &&
                    std::find(marks.begin(), marks.end(), piece) == marks.end())
                    kept.push_back(piece);
            prepared = rubyPaintedOver(prepared, marks, kept, ink.scale, ink.paper, ink.threshold);
        }
        // The ruby of a column the frame left out stand between the picture's edge and the
        // first column, where nothing else belongs: that lane goes whole, down to the bits of
        // kana too small to be told from specks, which the engine still reads as characters.
        QRect lane;
        for (const QRect& r : rubyMarks(ink.pieces, ink.em, Marks::OfColumnsLeftOut))
            lane = lane.united(r);
        if (!lane.isNull()) {
            const int em = int(std::ceil(ink.em));
            lane.setLeft(0);
            lane.adjust(0, -em, 0, em);
            prepared = rubyPaintedOver(prepared, {lane}, {}, ink.scale, ink.paper, ink.threshold);
        }
    }
    if (plan.direction == Direction::Vertical) {
        const std::vector<QRect> heads = runningHeadsOf(ink);
        if (kept == RunningHeads::LeftOut) {
            plan.runningHeadsErased = int(heads.size());
            if (!heads.empty())
                prepared = paintedOver(prepared, heads, ink.scale, ink.paper);
        }
        prepared = tiersSideBySide(prepared, ink,
                                   kept == RunningHeads::Kept ? heads : std::vector<QRect>{}, plan);
    } else {
        prepared = blocksOneUnderAnother(prepared, ink, plan);
    }
    // Beside rules, frames and dark bands the engine takes the paper's grain for ink, and the
    // short texts of a table's cells come out misread; on white paper they read. Elsewhere the
    // grain does no such harm and whitening it costs (a photo's uneven light, a straightened
    // page's edges), so it stays.
    if (plan.direction == Direction::Horizontal && ink.threshold > 0 && inkBesideText(ink)) {
        prepared = paperWhitened(prepared, (ink.threshold + ink.paper) / 2);
        plan.paperWhitened = true;
    }
    plan.pictures = {prepared};
    return plan;
}

} // namespace

ReadingPlan planReading(const QImage& picture, Ruby ruby, RunningHeads heads) {
    const LibraryMessages messages;
    const std::optional<ReadingPlan> plan = plannedSteps(picture, ruby, heads);
    if (plan && messages.errors().isEmpty())
        return *plan;
    // A step that failed left its part undone or its picture blank: nothing of it is used.
    ReadingPlan failed;
    failed.dotsPerInch = plausibleDotsPerInch(picture);
    failed.pictures = {picture};
    failed.failure =
        QCoreApplication::translate(
            "pagelayout", "自動の読み取りで画像 (%1 × %2 ピクセル) を調べられませんでした: %3")
            .arg(picture.width())
            .arg(picture.height())
            .arg(messages.errors().isEmpty()
                     ? QCoreApplication::translate("pagelayout",
                                                   "画像処理ライブラリが受け付けません")
                     : messages.errors().join(QStringLiteral("; ")));
    return failed;
}

} // namespace quillpix::pagelayout
