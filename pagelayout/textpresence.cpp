#include "textpresence.h"

#include "ink.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace quillpix::pagelayout {
namespace {

// The share of the squares, a character wide, tiling the working picture (those cut by its
// right and bottom edge left out) that hold no ink.
double paperShare(const Ink& ink) {
    if (!ink.binary || ink.em <= 0)
        return 0;
    Pix* binary = ink.binary.get();
    const int w = pixGetWidth(binary);
    const int h = pixGetHeight(binary);
    const int side = std::max(2, int(std::lround(ink.em)));
    const int across = w / side;
    const int down = h / side;
    if (across == 0 || down == 0)
        return 0;
    std::vector<char> inked(size_t(across) * size_t(down), 0);
    const l_uint32* data = pixGetData(binary);
    const int wpl = pixGetWpl(binary);
    for (int y = 0; y < down * side; ++y) {
        const l_uint32* line = data + qsizetype(y) * wpl;
        char* row = inked.data() + size_t(y / side) * size_t(across);
        for (int x = 0; x < across * side; ++x)
            if (GET_DATA_BIT(line, x))
                row[x / side] = 1;
    }
    const auto empty = std::count(inked.begin(), inked.end(), 0);
    return double(empty) / double(inked.size());
}

} // namespace

InkFigures inkFigures(const Ink& ink) {
    InkFigures f;
    f.em = ink.em * ink.scale;
    f.pieces = int(ink.pieces.size());
    if (ink.binary) {
        Pix* binary = ink.binary.get();
        const double area = double(pixGetWidth(binary)) * pixGetHeight(binary);
        l_int32 set = 0;
        pixCountPixels(binary, &set, nullptr);
        f.coverage = area > 0 ? set / area : 0;
    }
    f.paperShare = paperShare(ink);
    return f;
}

bool holdsText(const InkFigures& f) {
    if (f.em <= 0 || f.pieces < kLeastPieces)
        return false;
    if (f.em < kLeastCharacterPixels || f.coverage > kMostCoverage)
        return false;
    return f.pieces < kManyPieces || f.paperShare >= kLeastPaperShare;
}

bool holdsText(const Ink& ink) {
    return holdsText(inkFigures(ink));
}

} // namespace quillpix::pagelayout
