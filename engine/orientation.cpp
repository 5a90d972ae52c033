#include "orientation.h"

#include "pictureresolution.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/osdetect.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include <locale.h>

namespace quillpix::engine {
namespace {

// A longer side beyond this (A4 at 400 dpi) is scaled down to it: the detection's time goes into
// classifying a fixed number of characters, but finding them on a very large picture costs more
// and adds nothing; A5 pages led by about as much at half their size as at full size.
constexpr int kLongestSide = 4700;
// What the detection's layout step is told when the picture declares nothing: a scan's usual
// resolution, which only sets the length of the rules it takes for lines, not characters.
constexpr int kAssumedDotsPerInch = 300;

// The library reads its numbers in the "C" locale; the window's thread runs in the user's. Set
// for this thread alone and only while the library works, so nothing else sees it.
class ClassicLocaleHere {
public:
    ClassicLocaleHere() : m_classic(::newlocale(LC_ALL_MASK, "C", locale_t(nullptr))) {
        if (m_classic)
            m_before = ::uselocale(m_classic);
    }
    ~ClassicLocaleHere() {
        if (!m_classic)
            return;
        ::uselocale(m_before);
        ::freelocale(m_classic);
    }
    ClassicLocaleHere(const ClassicLocaleHere&) = delete;
    ClassicLocaleHere& operator=(const ClassicLocaleHere&) = delete;

private:
    locale_t m_classic;
    locale_t m_before = LC_GLOBAL_LOCALE;
};

// One loaded orientation engine per thread: loading takes most of a second, more than a page's
// detection, so each worker of a batch loads it once.
class Detector {
public:
    Detector() {
        const ClassicLocaleHere classic;
        m_loaded = m_api.Init(nullptr, "osd", tesseract::OEM_TESSERACT_ONLY) == 0;
        if (m_loaded)
            m_api.SetPageSegMode(tesseract::PSM_OSD_ONLY);
    }

    OrientationFinding find(const QImage& picture) {
        if (!m_loaded || picture.isNull())
            return {};
        QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
        int dpi = kAssumedDotsPerInch;
        if (const auto declared = pictures::declaredResolution(picture))
            dpi = int(std::lround(declared->height()));
        const int longest = std::max(grey.width(), grey.height());
        if (longest > kLongestSide) {
            const double factor = double(kLongestSide) / longest;
            grey =
                grey.scaled(grey.size() * factor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            dpi = std::max(1, int(std::lround(dpi * factor)));
        }
        if (grey.isNull())
            return {};
        // The resolution travels on the picture: the detection's layout step reads it from there.
        Pix* pix = pixCreate(grey.width(), grey.height(), 8);
        if (!pix)
            return {};
        const int wordsPerLine = pixGetWpl(pix);
        for (int y = 0; y < grey.height(); ++y) {
            l_uint32* row = pixGetData(pix) + qsizetype(y) * wordsPerLine;
            const uchar* in = grey.constScanLine(y);
            for (int x = 0; x < grey.width(); ++x)
                SET_DATA_BYTE(row, x, in[x]);
        }
        pixSetResolution(pix, dpi, dpi);
        const ClassicLocaleHere classic;
        // The detection looks at a sample of a few hundred characters. When the whole picture
        // leaves it unsure, the samples of its two halves are added: more characters, a clearer
        // lead (turned pages in a thin font led by under 1 alone, by 6 or more so).
        Scores scores{};
        if (!detect(pix, grey.rect(), scores)) {
            pixDestroy(&pix);
            return {};
        }
        if (lead(scores).second < kSureOrientation) {
            const bool tall = grey.height() >= grey.width();
            const QSize half = tall ? QSize(grey.width(), grey.height() / 2)
                                    : QSize(grey.width() / 2, grey.height());
            const QPoint second = tall ? QPoint(0, half.height()) : QPoint(half.width(), 0);
            detect(pix, QRect(QPoint(0, 0), half), scores);
            detect(pix, QRect(second, half), scores);
        }
        pixDestroy(&pix);
        const auto [id, confidence] = lead(scores);
        // The library's orientation ids 0 to 3 stand for clockwise turns of 0, 270, 180 and 90
        // degrees to upright.
        return {true, (4 - id) % 4, confidence};
    }

private:
    // The log-likelihood of each orientation id, summed over the characters looked at.
    using Scores = std::array<double, 4>;

    // Adds the detection's scores for a part of the picture; false when it found too few
    // characters there.
    bool detect(Pix* pix, const QRect& part, Scores& scores) {
        m_api.SetImage(pix);
        m_api.SetRectangle(part.x(), part.y(), part.width(), part.height());
        tesseract::OSResults results;
        const bool detected = m_api.DetectOS(&results);
        m_api.Clear();
        if (detected)
            for (int id = 0; id < 4; ++id)
                scores[size_t(id)] += results.orientations[id];
        return detected;
    }

    // The best id and its lead over the next best, as the library reckons its confidence.
    static std::pair<int, double> lead(const Scores& scores) {
        const int best = int(std::max_element(scores.begin(), scores.end()) - scores.begin());
        double next = -std::numeric_limits<double>::infinity();
        for (int id = 0; id < 4; ++id)
            if (id != best)
                next = std::max(next, scores[size_t(id)]);
        return {best, scores[size_t(best)] - next};
    }

    tesseract::TessBaseAPI m_api;
    bool m_loaded = false;
};

} // namespace

OrientationFinding findOrientation(const QImage& picture) {
    thread_local Detector detector;
    return detector.find(picture);
}

std::optional<int> turnsToMake(const OrientationFinding& finding) {
    if (!finding.found || finding.confidence < kSureOrientation)
        return std::nullopt;
    return finding.quarterTurns;
}

} // namespace quillpix::engine
