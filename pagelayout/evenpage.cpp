#include "evenpage.h"

#include "librarymessages.h"
#include "pix.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace quillpix::pagelayout {
namespace {

// The background map's squares, and how much of a square must be paper (greys above the
// threshold) for its grey to count.
constexpr int kSquare = 40;
constexpr int kPaperThreshold = 60;
constexpr int kLeastPaperInSquare = 40;
constexpr float kDarkRank = 0.05f;
constexpr float kLightRank = 0.95f;
// A picture a program drew (a screen) has flat colours: one grey exactly on this share of its
// pixels at least. A scan's or a photograph's grain spreads every grey over a few.
constexpr double kFlatShare = 0.2;
// Lines bending less than this (the library's curvature measure: straight lines of Japanese
// text measure about 12 from the characters' own ups and downs, lines bending by 45 pixels
// over 1600 about 68) read as they are; flattening them would only blur the page.
constexpr int kLeastCurvature = 25;
// The library asks for 15 lines by default; a short page of a photograph has fewer.
constexpr int kLeastLines = 8;

} // namespace

std::optional<PaperLight> paperLight(const QImage& picture) {
    const PixPtr grey = toGreyPix(picture);
    if (!grey || pixGetWidth(grey.get()) < 2 * kSquare || pixGetHeight(grey.get()) < 2 * kSquare)
        return std::nullopt;
    Pix* map = nullptr;
    // A page whose squares hold too little paper to fill the map from (a photo's dark desk, a
    // page of dense print) has no light to measure: an answer, not a failure of the reading.
    const LibraryMessages expected;
    if (pixGetBackgroundGrayMap(grey.get(), nullptr, kSquare, kSquare, kPaperThreshold,
                                kLeastPaperInSquare, &map) != 0 ||
        !map || !expected.errors().isEmpty()) {
        pixDestroy(&map);
        return std::nullopt;
    }
    const PixPtr held(map);
    // The map's squares with too little paper take their neighbours' grey, so ranks are of paper.
    l_uint32 dark = 0, light = 0;
    if (pixGetRankValue(map, 1, kDarkRank, &dark) != 0 ||
        pixGetRankValue(map, 1, kLightRank, &light) != 0)
        return std::nullopt;
    return PaperLight{int(dark), int(light)};
}

bool lightIsUneven(const PaperLight& light) {
    return light.lightest > 0 && light.darkest < kLeastEvenLight * light.lightest;
}

bool drawnFlat(const QImage& picture) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    std::array<qint64, 256> counts{};
    qint64 all = 0;
    for (int y = 0; y < grey.height(); y += 2) {
        const uchar* line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); x += 2, ++all)
            ++counts[line[x]];
    }
    return all > 0 && *std::max_element(counts.begin(), counts.end()) >= kFlatShare * double(all);
}

std::optional<QImage> evenedLight(const QImage& picture) {
    if (drawnFlat(picture))
        return std::nullopt;
    const std::optional<PaperLight> light = paperLight(picture);
    if (!light || !lightIsUneven(*light))
        return std::nullopt;
    const PixPtr grey = toGreyPix(picture);
    // Its smaller squares may hold too little paper where the larger ones did not.
    const LibraryMessages expected;
    const PixPtr evened(pixBackgroundNorm(grey.get(), nullptr, nullptr, kSquare / 4, kSquare / 4,
                                          kPaperThreshold, kLeastPaperInSquare, 255, 2, 2));
    if (!evened || !expected.errors().isEmpty())
        return std::nullopt;
    QImage out = toGreyImage(evened.get());
    out.setDotsPerMeterX(picture.dotsPerMeterX());
    out.setDotsPerMeterY(picture.dotsPerMeterY());
    return out;
}

std::optional<QImage> dewarped(const QImage& picture) {
    const PixPtr grey = toGreyPix(picture);
    if (!grey)
        return std::nullopt;
    Pix* flat = nullptr;
    L_DEWARPA* model = nullptr;
    // A page the model cannot be built for is an expected answer, not a failure of the reading.
    const LibraryMessages expected;
    // Adaptive thresholding for the model (the light may still vary), both disparities, and no
    // model for a page of several columns, whose lines the model cannot follow across the gutter.
    Pix* binary = nullptr;
    l_ok failed = dewarpSinglePageInit(grey.get(), 0, 1, 1, 1, &binary, &model);
    const PixPtr heldBinary(binary);
    if (failed == 0 && model) {
        // A short page's few lines are model enough when they are long.
        model->minlines = kLeastLines;
        failed = dewarpSinglePageRun(grey.get(), binary, model, &flat, 0);
    }
    bool bends = false;
    if (L_DEWARP* page = model ? dewarpaGetDewarp(model, 0) : nullptr)
        bends = page->vsuccess &&
                std::max(std::abs(page->mincurv), std::abs(page->maxcurv)) >= kLeastCurvature;
    dewarpaDestroy(&model);
    const PixPtr held(flat);
    if (failed != 0 || !flat || !bends || !expected.errors().isEmpty())
        return std::nullopt;
    QImage out = toGreyImage(flat);
    out.setDotsPerMeterX(picture.dotsPerMeterX());
    out.setDotsPerMeterY(picture.dotsPerMeterY());
    return out;
}

} // namespace quillpix::pagelayout
