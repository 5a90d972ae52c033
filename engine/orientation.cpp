#include "orientation.h"

#include "pictureresolution.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/osdetect.h>

#include <algorithm>
#include <cmath>

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
        m_api.SetImage(pix);
        tesseract::OSResults results;
        const bool detected = m_api.DetectOS(&results);
        m_api.Clear();
        pixDestroy(&pix);
        if (!detected)
            return {};
        // The library's orientation ids 0 to 3 stand for clockwise turns of 0, 270, 180 and 90
        // degrees to upright.
        const int id = results.best_result.orientation_id;
        return {true, (4 - id) % 4, double(results.best_result.oconfidence)};
    }

private:
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
