#include "readingplan.h"

#include "edges.h"
#include "evenpage.h"
#include "ink.h"
#include "librarymessages.h"
#include "pix.h"
#include "regions.h"
#include "resolution.h"
#include "ruby.h"
#include "skew.h"
#include "spreads.h"
#include "textpresence.h"
#include "tiers.h"

#include <QCoreApplication>
#include <leptonica/allheaders.h>

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
    const QRect text = extentOf(ink);
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

// The ink left on the prepared page once what was painted over is gone: every piece touching
// an erased part, and the erased pieces themselves (furigana, whose boxes overlap the
// characters beside them).
Ink inkLeft(const Ink& ink, const std::vector<QRect>& erased,
            const std::vector<QRect>& erasedPieces) {
    Ink left;
    left.binary.reset(pixClone(ink.binary.get()));
    left.scale = ink.scale;
    left.paper = ink.paper;
    left.threshold = ink.threshold;
    left.em = ink.em;
    for (const QRect& piece : ink.pieces)
        if (std::none_of(erased.begin(), erased.end(),
                         [&piece](const QRect& e) { return e.intersects(piece); }) &&
            std::find(erasedPieces.begin(), erasedPieces.end(), piece) == erasedPieces.end())
            left.pieces.push_back(piece);
    return left;
}

// The light text on the dark bands of a page, found as dark text on the band turned light, in
// place of the band's piece, so that it is cut into regions with the rest; a band without text
// stays as it was.
constexpr double kLeastTextOnBand = 0.35;

Ink withTextOnBands(const QImage& prepared, Ink ink) {
    const int s = ink.scale;
    std::vector<QRect> pieces;
    for (const QRect& piece : ink.pieces) {
        if (!isBand(ink, piece)) {
            pieces.push_back(piece);
            continue;
        }
        const QRect area =
            QRect(piece.topLeft() * s, piece.size() * s).intersected(prepared.rect());
        // Light text on the band, or dark text on a band of middle grey (a button of a dark
        // theme turned): the band is the paper either way.
        const QImage band = prepared.copy(area).convertToFormat(QImage::Format_Grayscale8);
        std::optional<Ink> onBand;
        for (const bool turned : {true, false}) {
            QImage seen = band;
            if (turned)
                seen.invertPixels();
            const PixPtr grey = toGreyPix(seen);
            // Text on a band stands half its height or so: the counters of bold characters
            // run together are far smaller than the characters.
            if (grey)
                if (Ink found = inkOf(grey.get());
                    holdsText(found) &&
                    found.em * found.scale >=
                        kLeastTextOnBand * std::min(area.width(), area.height())) {
                    onBand = std::move(found);
                    break;
                }
        }
        if (!onBand) {
            pieces.push_back(piece);
            continue;
        }
        for (const QRect& r : onBand->pieces) {
            const QPoint from = area.topLeft() + r.topLeft() * onBand->scale;
            const QPoint to = area.topLeft() + (r.bottomRight() + QPoint(1, 1)) * onBand->scale;
            pieces.push_back(QRect(from / s, (to - QPoint(1, 1)) / s));
        }
        // The band's edges still part its text from what lies around it, as rules do.
        for (const QRect& edge : {QRect(piece.left(), piece.top(), piece.width(), 1),
                                  QRect(piece.left(), piece.bottom(), piece.width(), 1),
                                  QRect(piece.left(), piece.top(), 1, piece.height()),
                                  QRect(piece.right(), piece.top(), 1, piece.height())})
            if (isRule(edge, ink.em))
                pieces.push_back(edge);
    }
    ink.pieces = std::move(pieces);
    return ink;
}

// The region's picture, cut at box, with the rules and frames among its lines taken off: their
// ink and a working pixel around it becomes paper, except where a text piece lies, so the
// characters keep every stroke; the paper's grain stays.
QImage withoutLines(const QImage& prepared, const QRect& box, const std::vector<QRect>& lines,
                    const std::vector<QRect>& text, const Ink& ink) {
    QImage out = prepared.copy(box).convertToFormat(QImage::Format_Grayscale8);
    if (lines.empty())
        return out;
    const int s = ink.scale;
    const auto onCrop = [&](const QRect& r, int around) {
        return QRect(r.topLeft() * s, r.size() * s)
            .adjusted(-around, -around, around, around)
            .intersected(box)
            .translated(-box.topLeft());
    };
    std::vector<char> kept(size_t(out.width()) * size_t(out.height()), 0);
    for (const QRect& piece : text) {
        const QRect r = onCrop(piece, 0);
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::fill_n(kept.begin() + std::ptrdiff_t(y) * out.width() + r.left(), r.width(), 1);
    }
    const int cut = ink.paper - std::max(2, (ink.paper - ink.threshold) / 8);
    for (const QRect& line : lines) {
        const QRect r = onCrop(line, s);
        for (int y = r.top(); y <= r.bottom(); ++y) {
            uchar* row = out.scanLine(y);
            const char* keep = kept.data() + std::ptrdiff_t(y) * out.width();
            for (int x = r.left(); x <= r.right(); ++x)
                if (!keep[x] && row[x] < cut)
                    row[x] = uchar(ink.paper);
        }
    }
    return out;
}

// A region with this share of its box inside a frame is the frame's (a stroke of its first line
// may reach over the frame's top).
constexpr double kMostlyFramed = 0.9;

// A region's picture as the engine reads it best: light text on a dark ground (its middle grey
// dark) turned dark on light, and characters smaller than the engine reads well enlarged, by
// whole times, to that size.
constexpr int kDarkestGround = 128;
constexpr double kSmallestReadPixels = 20;

QImage readable(QImage crop, double emPixels, double& enlarged) {
    crop = crop.convertToFormat(QImage::Format_Grayscale8);
    std::vector<int> greys;
    greys.reserve(size_t(crop.width()) * size_t(crop.height()) / 4 + 1);
    for (int y = 0; y < crop.height(); y += 2)
        for (int x = 0; x < crop.width(); x += 2)
            greys.push_back(crop.constScanLine(y)[x]);
    if (!greys.empty()) {
        std::nth_element(greys.begin(), greys.begin() + std::ptrdiff_t(greys.size() / 2),
                         greys.end());
        if (greys[greys.size() / 2] < kDarkestGround)
            crop.invertPixels();
    }
    enlarged = 1;
    if (emPixels > 0 && emPixels < kSmallestReadPixels) {
        enlarged = std::ceil(kSmallestReadPixels / emPixels);
        crop = crop.scaled(crop.size() * enlarged, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return crop;
}

// A page of two or more text regions, or of one with ink beside it that is no text, is read
// region by region: each cut out with half a
// character of paper around its ink (the narrowest band that parts two regions is wider than
// two such margins, so no neighbour's ink comes along), in the reading order.
void cutIntoRegions(const QImage& prepared, const Ink& ink, ReadingPlan& plan) {
    // A page of one region is read whole, unless ink that is no text lies beside it (a desk's
    // edge, a shadow's noise, a drawing), which the region's own picture leaves out.
    const std::vector<Region> regions = textRegions(ink);
    if (regions.empty())
        return;
    if (regions.size() == 1 &&
        std::all_of(ink.pieces.begin(), ink.pieces.end(),
                    [&regions](const QRect& piece) { return regions.front().box.contains(piece); }))
        return;
    const int s = ink.scale;
    const int margin = int(std::ceil(ink.em / 2)) * s;
    for (const Region& region : regions) {
        const QRect box = QRect(region.box.topLeft() * s, region.box.size() * s)
                              .adjusted(-margin, -margin, margin, margin)
                              .intersected(prepared.rect());
        // The rules and frames among a region's lines (a table's grid) are taken off its
        // picture, its characters kept whole: the engine reads a grid's lines as characters and
        // loses the cells beside them.
        Ink within;
        within.em = region.em;
        std::vector<QRect> lines;
        // A frame counts when it is the region's own: round it (a table's) and round no other
        // region, which a border round the page is, or a box within its reach.
        const int em = int(std::ceil(ink.em));
        const QRect reach = region.box.adjusted(-em / 2, -em / 2, em / 2, em / 2);
        const QRect ownFrame = region.box.adjusted(-2 * em, -2 * em, 2 * em, 2 * em);
        const auto roundItAlone = [&regions, &region](const QRect& frame) {
            const QRect inside = frame.intersected(region.box);
            return double(inside.width()) * inside.height() >=
                       kMostlyFramed * double(region.box.width()) * region.box.height() &&
                   std::none_of(regions.begin(), regions.end(), [&](const Region& other) {
                       return &other != &region && frame.intersects(other.box);
                   });
        };
        for (const QRect& piece : ink.pieces) {
            if (isRule(piece, ink.em)) {
                if (piece.intersects(reach))
                    lines.push_back(piece);
            } else if (isLargerThanText(piece, ink.em)) {
                if ((ownFrame.contains(piece) && piece.intersects(region.box)) ||
                    roundItAlone(piece))
                    lines.push_back(piece);
            } else if (region.box.contains(piece)) {
                within.pieces.push_back(piece);
            }
        }
        RegionPart part;
        part.picture = readable(withoutLines(prepared, box, lines, within.pieces, ink),
                                region.em * s, part.enlarged);
        part.at = box.topLeft();
        part.direction = region.direction;
        part.oneBlock = !inkBesideText(within);
        plan.regions.push_back(std::move(part));
    }
    plan.notes << QCoreApplication::translate(
                      "pagelayout",
                      "ページを %1 個のブロックに分け、読む順にそれぞれの向きで読みました")
                      .arg(plan.regions.size());
}

// What the steps of a plan work on, each taking it on from the one before: the page as the
// steps have made it, its grey and ink, the picture prepared for the engine, what has been
// painted over, and the plan with a note from each step that did something.
struct Planning {
    const QImage& given;
    Ruby ruby;
    RunningHeads kept;
    QImage picture;  // the page, turned dark on light, evened, flattened
    QImage prepared; // the picture for the engine: straightened, with what goes painted over
    PixPtr grey;
    Ink ink;
    std::vector<QRect> parts;      // parts of lines cut by the picture's edge
    std::vector<QRect> rubyErased; // the furigana taken off
    std::vector<QRect> erased;     // everything else painted over: edge parts, ruby lane, heads
    ReadingPlan plan;
    bool done = false; // a step ended the plan

    // The page's pixels changed: its ink is separated again.
    void separate(const QImage& from) {
        grey = toGreyPix(from);
        ink = inkOf(grey.get());
    }
};

// Light text on a dark ground (a dark theme's window): no text is found on it as it is, and
// turned dark on light it is found and read as any page. A page on a dark desk or half in
// shadow holds text as it is, and stays as it is.
void invertLightOnDark(Planning& p) {
    if (holdsText(p.ink))
        return;
    QImage inverted = toGreyImage(p.grey.get());
    inverted.invertPixels();
    inverted.setDotsPerMeterX(p.given.dotsPerMeterX());
    inverted.setDotsPerMeterY(p.given.dotsPerMeterY());
    PixPtr invertedGrey = toGreyPix(inverted);
    Ink invertedInk = inkOf(invertedGrey.get());
    if (!holdsText(invertedInk))
        return;
    p.picture = std::move(inverted);
    p.grey = std::move(invertedGrey);
    p.ink = std::move(invertedInk);
    p.plan.inverted = true;
    p.plan.notes << QCoreApplication::translate("pagelayout",
                                                "暗い地の明るい文字を白黒反転しました");
}

// A page half in shadow is evened out before its ink is told from its paper.
void evenLight(Planning& p) {
    std::optional<QImage> evened = evenedLight(p.picture);
    if (!evened)
        return;
    p.picture = std::move(*evened);
    p.plan.lightEvened = true;
    p.plan.notes << QCoreApplication::translate("pagelayout", "影や明るさのむらをならしました");
    p.separate(p.picture);
}

// Noise would be found vertical, skewed, full of ruby and one block; none of it holds, so a
// picture without text is read as it came.
void lookForText(Planning& p) {
    p.plan.dotsPerInch = plausibleDotsPerInch(p.given);
    p.plan.textFound = holdsText(p.ink);
    if (p.plan.textFound)
        return;
    ReadingPlan asItCame;
    asItCame.textFound = false;
    asItCame.dotsPerInch = p.plan.dotsPerInch;
    asItCame.pictures = {p.given};
    p.plan = std::move(asItCame);
    p.done = true;
}

void findDirection(Planning& p) {
    p.plan.direction = writingDirection(p.ink).direction;
}

// Lines that bend are drawn straight before the skew is searched along them.
void flattenCurl(Planning& p) {
    if (p.plan.direction != Direction::Horizontal)
        return;
    std::optional<QImage> flat = dewarped(p.picture);
    if (!flat)
        return;
    p.picture = std::move(*flat);
    p.plan.curlFlattened = true;
    p.plan.notes << QCoreApplication::translate("pagelayout", "曲がった行をまっすぐに直しました");
    p.separate(p.picture);
}

void straighten(Planning& p) {
    p.prepared = p.picture;
    const SkewFinding skew = findSkew(p.ink, p.plan.direction);
    if (!skew.straighten)
        return;
    p.prepared = turned(p.picture, skew.degrees, p.ink.paper);
    p.plan.skewDegrees = skew.degrees;
    p.plan.notes << QCoreApplication::translate("pagelayout", "傾き %1° を直しました")
                        .arg(skew.degrees, 0, 'f', 1);
    p.separate(p.prepared);
}

void measureBlock(Planning& p) {
    p.plan.oneBlock = oneBlockAcross(p.ink) && !inkBesideText(p.ink);
}

void eraseEdgeParts(Planning& p) {
    p.parts = partialEdgeLines(p.ink, p.plan.direction);
    p.plan.partsErased = int(p.parts.size());
    if (!p.parts.empty())
        p.prepared = paintedOver(p.prepared, p.parts, p.ink.scale, p.ink.paper);
    p.erased = p.parts;
}

void eraseRuby(Planning& p) {
    if (p.plan.direction != Direction::Vertical || p.ruby != Ruby::PaintedOver)
        return;
    const Ink& ink = p.ink;
    const std::vector<QRect> marks = rubyMarks(ink.pieces, ink.em, Marks::TheEngineReads);
    p.plan.rubyErased = int(marks.size());
    p.rubyErased = marks;
    if (!marks.empty()) {
        p.plan.notes << QCoreApplication::translate("pagelayout", "ルビを除きました");
        // The characters keep every stroke. The parts at the edges are gone already, and the
        // ruby's own pieces are no shelter: the kana of one ruby overlap.
        std::vector<QRect> kept;
        for (const QRect& piece : ink.pieces)
            if (std::none_of(p.parts.begin(), p.parts.end(),
                             [&piece](const QRect& part) { return part.intersects(piece); }) &&
                std::find(marks.begin(), marks.end(), piece) == marks.end())
                kept.push_back(piece);
        p.prepared = rubyPaintedOver(p.prepared, marks, kept, ink.scale, ink.paper, ink.threshold);
    }
    // The ruby of a column the frame left out stand between the picture's edge and the first
    // column, where nothing else belongs: that lane goes whole, down to the bits of kana too
    // small to be told from specks, which the engine still reads as characters.
    QRect lane;
    for (const QRect& r : rubyMarks(ink.pieces, ink.em, Marks::OfColumnsLeftOut))
        lane = lane.united(r);
    if (lane.isNull())
        return;
    const int em = int(std::ceil(ink.em));
    lane.setLeft(0);
    lane.adjust(0, -em, 0, em);
    p.prepared = rubyPaintedOver(p.prepared, {lane}, {}, ink.scale, ink.paper, ink.threshold);
    p.erased.push_back(lane);
}

void eraseRunningHeads(Planning& p) {
    if (p.plan.direction != Direction::Vertical || p.kept != RunningHeads::LeftOut)
        return;
    const std::vector<QRect> heads = runningHeadsOf(p.ink);
    p.plan.runningHeadsErased = int(heads.size());
    if (!heads.empty()) {
        p.prepared = paintedOver(p.prepared, heads, p.ink.scale, p.ink.paper);
        p.plan.notes << QCoreApplication::translate("pagelayout", "柱とノンブルを除きました");
    }
    p.erased.insert(p.erased.end(), heads.begin(), heads.end());
}

// Beside rules, frames and dark bands the engine takes the paper's grain for ink, and the short
// texts of a table's cells come out misread; on white paper they read. Elsewhere the grain does
// no such harm and whitening it costs (a photo's uneven light, a straightened page's edges), so
// it stays.
void whitenPaper(Planning& p) {
    if (p.plan.direction != Direction::Horizontal || p.ink.threshold <= 0 || !inkBesideText(p.ink))
        return;
    p.prepared = paperWhitened(p.prepared, (p.ink.threshold + p.ink.paper) / 2);
    p.plan.paperWhitened = true;
    p.plan.notes << QCoreApplication::translate("pagelayout",
                                                "罫線や枠があるので紙の地を白くしました");
}

void cutRegions(Planning& p) {
    cutIntoRegions(p.prepared, withTextOnBands(p.prepared, inkLeft(p.ink, p.erased, p.rubyErased)),
                   p.plan);
    p.plan.pictures = {p.prepared};
}

// The analysis of a page, in the order its steps run; a step may end it (a page without text).
using Step = void (*)(Planning&);
constexpr Step kSteps[] = {invertLightOnDark, evenLight,         lookForText,  findDirection,
                           flattenCurl,       straighten,        measureBlock, eraseEdgeParts,
                           eraseRuby,         eraseRunningHeads, whitenPaper,  cutRegions};

// The plan as the steps find it; none when the library has not taken the picture at all.
std::optional<ReadingPlan> plannedSteps(const QImage& given, std::optional<SeparatedInk> separated,
                                        Ruby ruby, RunningHeads kept) {
    Planning p{given, ruby, kept, given, {}, {}, {}, {}, {}, {}, {}, false};
    if (separated) {
        p.grey = std::move(separated->grey);
        p.ink = std::move(separated->ink);
    } else {
        p.grey = toGreyPix(given);
        if (!p.grey)
            return std::nullopt;
        p.ink = inkOf(p.grey.get());
    }
    for (const Step step : kSteps) {
        step(p);
        if (p.done)
            break;
    }
    return std::move(p.plan);
}

} // namespace

ReadingPlan planReading(const QImage& picture, Ruby ruby, RunningHeads heads) {
    return planReading(picture, SeparatedInk{}, ruby, heads);
}

ReadingPlan planReading(const QImage& picture, SeparatedInk separated, Ruby ruby,
                        RunningHeads heads) {
    const LibraryMessages messages;
    std::optional<SeparatedInk> given;
    if (separated.grey)
        given = std::move(separated);
    const std::optional<ReadingPlan> plan = plannedSteps(picture, std::move(given), ruby, heads);
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
