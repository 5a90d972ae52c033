#include "regions.h"

#include "ink.h"
#include "textpresence.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>

namespace quillpix::pagelayout {
namespace {

// A rule is longer than any dash of characters and thinner than a stroke-heavy character.
constexpr double kRuleLeastEms = 3.0;
constexpr double kRuleMostThickness = 0.35;
// Longer than any run of characters that touch, however thick: a fold's shadow, a bar.
constexpr double kBandLeastEms = 8.0;
// Larger than a character both ways: a frame, a box, a drawing or a photograph.
constexpr double kLargerThanTextEms = 3.0;
// A band holding a rule along the whole part counts as this wide, one along a share of it as that
// share of this: the rule parts what lies on its two sides more surely than paper alone, and a
// rule between two blocks of a tier parts less than the paper between two tiers.
constexpr double kRuledBandEms = 3.0;
// A rule parts a block when it runs along at least this share of it.
constexpr double kRuleShareOfPart = 0.5;
// A block whose pieces are under this share of the page's character size and form no lines is
// texture, not small print (footnotes, captions and readings are at least 0.5 and form lines).
constexpr double kLeastTextureShare = 0.6;
// A band: at least this thick both ways and this long.
constexpr double kLeastBandEms = 1.0;
constexpr double kLeastBandLengthEms = 2.0;
// A block with this share of its box inside a frame is the frame's.
constexpr double kMostlyWithin = 0.9;
// The recursion ends long before this on any page; it only bounds a hostile picture.
constexpr int kDeepestCut = 64;

struct Cut {
    bool across = false; // a band across the part (its upper and lower halves)
    int at = 0;          // the band's middle
    double ems = 0;      // its width in characters; a rule in it counts as wide enough
};

// The widest band of paper along one axis, among the pieces' extents on that axis, and whether
// a rule of `rules` lies in it along the part.
Cut widestBand(const std::vector<QRect>& part, const std::vector<QRect>& rules, const QRect& bounds,
               bool across, double em) {
    std::vector<std::pair<int, int>> spans;
    spans.reserve(part.size());
    for (const QRect& r : part)
        spans.emplace_back(across ? r.top() : r.left(), across ? r.bottom() : r.right());
    std::sort(spans.begin(), spans.end());
    Cut best;
    best.across = across;
    int reach = spans.empty() ? 0 : spans.front().second;
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].first > reach + 1) {
            const int from = reach + 1;
            const int to = spans[i].first - 1;
            double ems = double(to - from + 1) / em;
            for (const QRect& rule : rules) {
                const int middle = across ? rule.center().y() : rule.center().x();
                const int along = across ? std::min(rule.right(), bounds.right()) -
                                               std::max(rule.left(), bounds.left()) + 1
                                         : std::min(rule.bottom(), bounds.bottom()) -
                                               std::max(rule.top(), bounds.top()) + 1;
                const int length = across ? bounds.width() : bounds.height();
                // A rule along part of the part parts it as surely as that share of a full one.
                if (middle >= from && middle <= to && along >= kRuleShareOfPart * length)
                    ems = std::max(ems, kRuledBandEms * std::min(1.0, double(along) / length));
            }
            if (ems > best.ems) {
                best.ems = ems;
                best.at = (from + to) / 2;
            }
        }
        reach = std::max(reach, spans[i].second);
    }
    return best;
}

void cutInto(const std::vector<QRect>& part, const std::vector<QRect>& rules, double em,
             Direction direction, int depth, std::vector<QRect>& blocks) {
    QRect bounds;
    for (const QRect& r : part)
        bounds = bounds.united(r);
    const Cut across = widestBand(part, rules, bounds, true, em);
    const Cut down = widestBand(part, rules, bounds, false, em);
    // The wider band parts first: a gutter between columns is wider than the gaps between
    // paragraphs that may line up across them, and a band under a headline or between tiers has
    // no band down the part to compete with, since the headline's or the tier's lines cross it.
    // A band across a vertical page's columns, where every column of the part ends at once,
    // parts at a narrower width than a band between columns: within a tier the columns run on
    // with no more than a character's spacing. Down a horizontal page it is not so: the items of
    // a menu, a row of buttons or a table's cells stand further apart than that.
    const bool vertical = direction == Direction::Vertical;
    const double acrossLeast = vertical ? kLeastCrossingCutEms : kLeastCutEms;
    const double downLeast = kLeastCutEms;
    const Cut* wider = across.ems / acrossLeast >= down.ems / downLeast ? &across : &down;
    const Cut* cut = wider->ems >= (wider == &across ? acrossLeast : downLeast) ? wider : nullptr;
    if (!cut || depth >= kDeepestCut) {
        blocks.push_back(bounds);
        return;
    }
    std::vector<QRect> first, second;
    for (const QRect& r : part) {
        const int middle = cut->across ? r.center().y() : r.center().x();
        (middle < cut->at ? first : second).push_back(r);
    }
    // Down a vertical page, the right part is read first.
    if (!cut->across && direction == Direction::Vertical)
        std::swap(first, second);
    cutInto(first, rules, em, direction, depth + 1, blocks);
    cutInto(second, rules, em, direction, depth + 1, blocks);
}

// The ink of one block's text, as the direction rule reads a whole picture's: the pixels of
// its text pieces only, so that a table's grid or a rule does not join its lines.
Ink inkWithin(const Ink& ink, const QRect& box, const std::vector<QRect>& pieces) {
    Ink part;
    part.scale = ink.scale;
    part.paper = ink.paper;
    part.threshold = ink.threshold;
    part.binary.reset(pixCreate(box.width(), box.height(), 1));
    for (const QRect& r : pieces) {
        if (!box.contains(r.center()) || isRule(r, ink.em) || isLargerThanText(r, ink.em))
            continue;
        const QRect inside = r.intersected(box);
        pixRasterop(part.binary.get(), inside.x() - box.x(), inside.y() - box.y(), inside.width(),
                    inside.height(), PIX_SRC | PIX_DST, ink.binary.get(), inside.x(), inside.y());
        part.pieces.push_back(r.translated(-box.topLeft()));
    }
    part.em = typicalCharacterSize(part.pieces);
    return part;
}

// The blocks inside a frame (a table's cells) are one block, read row by row in its place: cut
// apart, a vertical page's right-first order would read the table column by column. A frame
// round every block is the page's border, and parts nothing.
// A block within a frame, but for a speck or a stroke reaching over its line.
bool mostlyWithin(const QRect& block, const QRect& frame) {
    const QRect inside = block.intersected(frame);
    return double(inside.width()) * inside.height() >=
           kMostlyWithin * double(block.width()) * block.height();
}

std::vector<QRect> framedTogether(std::vector<QRect> blocks, const Ink& ink) {
    for (const QRect& frame : ink.pieces) {
        if (!isLargerThanText(frame, ink.em))
            continue;
        std::vector<QRect> kept;
        QRect framed;
        size_t first = blocks.size();
        for (size_t k = 0; k < blocks.size(); ++k) {
            if (mostlyWithin(blocks[k], frame)) {
                framed = framed.united(blocks[k]);
                first = std::min(first, kept.size());
            } else {
                kept.push_back(blocks[k]);
            }
        }
        if (first == blocks.size() || kept.empty())
            continue;
        kept.insert(kept.begin() + std::ptrdiff_t(first), framed);
        blocks = std::move(kept);
    }
    return blocks;
}

} // namespace

bool isRule(const QRect& piece, double em) {
    const int longer = std::max(piece.width(), piece.height());
    const int shorter = std::min(piece.width(), piece.height());
    return (longer >= kRuleLeastEms * em && shorter <= kRuleMostThickness * em) ||
           (longer >= kBandLeastEms * em && !isLargerThanText(piece, em));
}

bool isBand(const Ink& ink, const QRect& piece, double leastFill) {
    const double em = ink.em;
    if (!ink.binary || std::min(piece.width(), piece.height()) < kLeastBandEms * em ||
        std::max(piece.width(), piece.height()) < kLeastBandLengthEms * em)
        return false;
    BOX* clip = boxCreate(piece.x(), piece.y(), piece.width(), piece.height());
    PixPtr inside(pixClipRectangle(ink.binary.get(), clip, nullptr));
    boxDestroy(&clip);
    l_int32 set = 0;
    if (!inside || pixCountPixels(inside.get(), &set, nullptr) != 0)
        return false;
    return set >= leastFill * double(piece.width()) * piece.height();
}

bool isLargerThanText(const QRect& piece, double em) {
    return std::min(piece.width(), piece.height()) > kLargerThanTextEms * em;
}

std::vector<QRect> blocksOf(const std::vector<QRect>& pieces, double em, Direction direction) {
    std::vector<QRect> text, rules;
    for (const QRect& r : pieces) {
        if (isRule(r, em))
            rules.push_back(r);
        else if (!isLargerThanText(r, em))
            text.push_back(r);
    }
    std::vector<QRect> blocks;
    if (!text.empty() && em > 0)
        cutInto(text, rules, em, direction, 0, blocks);
    return blocks;
}

std::vector<Region> textRegions(const Ink& ink) {
    std::vector<Region> regions;
    if (ink.em <= 0 || ink.pieces.empty() || !ink.binary)
        return regions;
    const Direction page = writingDirection(ink).direction;
    // Filled shapes hold no text of their own (light text on a band has been found among the
    // pieces before, see the reading plan).
    std::vector<QRect> pieces;
    for (const QRect& piece : ink.pieces)
        if (!isBand(ink, piece, kLeastShapeFill))
            pieces.push_back(piece);
    for (const QRect& box : framedTogether(blocksOf(pieces, ink.em, page), ink)) {
        const Ink part = inkWithin(ink, box, pieces);
        // A block of grains (a desk's wood, a photograph's grain, a speck) holds no text the
        // engine could read, by the rule a whole picture is judged by.
        if (int(part.pieces.size()) < kLeastPieces || part.em * ink.scale < kLeastCharacterPixels)
            continue;
        // Nor is a block of texture (a desk's edge, a shadow's noise): pieces much smaller than
        // the page's characters that fall into no lines either way.
        const DirectionFinding found = writingDirection(part);
        if (found.byShape && part.em < kLeastTextureShare * ink.em)
            continue;
        Region region;
        region.box = box;
        region.pieces = int(part.pieces.size());
        region.em = part.em;
        region.direction = found.direction;
        regions.push_back(region);
    }
    return regions;
}

} // namespace quillpix::pagelayout
