#include "ink.h"

#include "librarymessages.h"
#include "pictureresolution.h"
#include "resolution.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>

namespace quillpix::pagelayout {
namespace {

// The analysis works on at most about this many pixels: an A5 page at 300 dpi is halved, an A4
// page at 600 dpi quartered, and characters keep 15 to 25 working pixels.
constexpr qint64 kWorkingPixels = 1'500'000;
// A picture that declares its resolution is reduced no further than this: body text (10 pt)
// keeps 20 working pixels or more, so the characters of a column stay apart. An A4 page or a
// spread at 300 dpi holds as many pixels as an A6 page at 600 dpi, and reduced by four its
// characters ran together in twos, doubling the size the rules take for a character.
constexpr int kLeastWorkingDotsPerInch = 100;
// Share of the way from the darkest ink to the paper where the threshold lies.
constexpr double kThresholdTowardsPaper = 0.6;
// The darkest pixels that count as ink, and how much darker than paper they must be.
constexpr double kDarkestShare = 0.002;
constexpr int kLeastContrast = 48;
// A piece whose longer side is below this share of a character is a speck (the dots of
// voiced marks and the full stop are larger).
constexpr double kSpeckShare = 0.12;
// Among the pieces' longer sides, the quantile that stands for a whole character.
constexpr double kCharacterQuantile = 0.9;

std::vector<QRect> boxesOf(Pix* pix) {
    std::vector<QRect> out;
    BOXA* boxes = pixConnCompBB(pix, 8);
    if (!boxes)
        return out;
    const int n = boxaGetCount(boxes);
    out.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        l_int32 x = 0, y = 0, w = 0, h = 0;
        boxaGetBoxGeometry(boxes, i, &x, &y, &w, &h);
        out.emplace_back(x, y, w, h);
    }
    boxaDestroy(&boxes);
    return out;
}

int longerSide(const QRect& r) {
    return std::max(r.width(), r.height());
}

} // namespace

int inkThreshold(const std::vector<int>& histogram, int* paper) {
    qint64 total = 0;
    int mode = 0;
    for (int g = 0; g < int(histogram.size()); ++g) {
        total += histogram[g];
        if (histogram[g] > histogram[mode])
            mode = g;
    }
    if (paper)
        *paper = mode;
    if (total == 0)
        return 0;
    const double darkCount = std::max(1.0, kDarkestShare * double(total));
    qint64 seen = 0;
    int darkest = 0;
    while (darkest < int(histogram.size()) - 1 && double(seen + histogram[darkest]) < darkCount)
        seen += histogram[darkest++];
    if (mode - darkest < kLeastContrast)
        return 0;
    return darkest + int(std::lround(kThresholdTowardsPaper * (mode - darkest)));
}

double typicalCharacterSize(const std::vector<QRect>& pieces) {
    std::vector<int> sides;
    sides.reserve(pieces.size());
    for (const QRect& r : pieces)
        if (longerSide(r) >= 2)
            sides.push_back(longerSide(r));
    if (sides.empty())
        return 0;
    const size_t k = std::min(sides.size() - 1, size_t(kCharacterQuantile * double(sides.size())));
    std::nth_element(sides.begin(), sides.begin() + qsizetype(k), sides.end());
    return sides[k];
}

Ink inkOf(const Pix* source) {
    Pix* grey = const_cast<Pix*>(source);
    Ink ink;
    const qint64 w = pixGetWidth(grey);
    const qint64 h = pixGetHeight(grey);
    int mostScale = 8;
    if (const std::optional<int> dpi = plausibleDotsPerInch(
            pictures::dotsPerMetre(pixGetXRes(grey)), pictures::dotsPerMetre(pixGetYRes(grey))))
        while (mostScale > 1 && *dpi / mostScale < kLeastWorkingDotsPerInch)
            mostScale /= 2;
    while (w * h / (qint64(ink.scale) * ink.scale) > kWorkingPixels && ink.scale < mostScale)
        ink.scale *= 2;

    NUMA* counts = pixGetGrayHistogram(grey, ink.scale);
    std::vector<int> histogram(256);
    for (int g = 0; g < 256 && counts; ++g)
        numaGetIValue(counts, g, &histogram[g]);
    numaDestroy(&counts);
    ink.threshold = inkThreshold(histogram, &ink.paper);

    PixPtr binary(ink.threshold > 0 ? pixThresholdToBinary(grey, ink.threshold)
                                    : pixCreate(int(w), int(h), 1));
    // Each halving keeps a working pixel set when any of its four is, so thin strokes stay.
    const int halvings = ink.scale == 8 ? 3 : ink.scale == 4 ? 2 : ink.scale == 2 ? 1 : 0;
    if (halvings > 0)
        binary.reset(pixReduceRankBinaryCascade(binary.get(), 1, halvings > 1 ? 1 : 0,
                                                halvings > 2 ? 1 : 0, 0));
    std::vector<QRect> pieces = boxesOf(binary.get());
    ink.em = typicalCharacterSize(pieces);
    const int speck = std::max(2, int(std::lround(kSpeckShare * ink.em)));
    const auto isSpeck = [speck](const QRect& r) { return longerSide(r) < speck; };
    if (std::any_of(pieces.begin(), pieces.end(), isSpeck)) {
        binary.reset(pixSelectBySize(binary.get(), speck, speck, 8, L_SELECT_IF_EITHER,
                                     L_SELECT_IF_GTE, nullptr));
        pieces.erase(std::remove_if(pieces.begin(), pieces.end(), isSpeck), pieces.end());
    }
    ink.binary = std::move(binary);
    ink.pieces = std::move(pieces);
    if (ink.pieces.empty())
        ink.em = 0;
    return ink;
}

QImage paperWhitened(const QImage& picture, int cut) {
    QImage out = picture.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < out.height(); ++y) {
        uchar* line = out.scanLine(y);
        for (int x = 0; x < out.width(); ++x)
            if (line[x] >= cut)
                line[x] = 255;
    }
    return out;
}

std::optional<SeparatedInk> separatedInk(const QImage& picture) {
    const LibraryMessages messages;
    SeparatedInk separated{toGreyPix(picture), {}};
    if (!separated.grey)
        return std::nullopt;
    separated.ink = inkOf(separated.grey.get());
    if (!messages.errors().isEmpty())
        return std::nullopt;
    return separated;
}

QRect extentOf(const Ink& ink) {
    QRect all;
    for (const QRect& piece : ink.pieces)
        all = all.united(piece);
    return all;
}

} // namespace quillpix::pagelayout
