#include "scannedpage.h"

#include <GfxState.h>
#include <GlobalParams.h>
#include <OutputDev.h>
#include <PDFDoc.h>
#include <Page.h>
#include <Stream.h>
#include <goo/GooString.h>

#include <QFile>

#include <cmath>
#include <memory>

namespace quillpix::pictures {
namespace {

// The document's own complaints are not the user's business: a page that cannot be read
// this way is drawn instead, and the drawing reports what is wrong.
void quiet(ErrorCategory, Goffset, const char*) {}

// Runs the page's drawing operations and keeps its picture when the page is one picture and
// nothing else that shows. Device space: 72 units per inch, y downwards.
class ScanCollector : public OutputDev {
public:
    ScanCollector(double pageWidth, double pageHeight, double minDpi, double maxDpi, QSize largest,
                  qint64 maxBytes)
        : m_pageWidth(pageWidth), m_pageHeight(pageHeight), m_minDpi(minDpi), m_maxDpi(maxDpi),
          m_largest(largest), m_maxBytes(maxBytes) {}

    std::optional<QImage> picture() {
        if (m_otherMarks || m_picture.isNull())
            return std::nullopt;
        return std::move(m_picture);
    }

    bool upsideDown() override { return true; }
    bool useDrawChar() override { return true; }
    bool interpretType3Chars() override { return false; }

    void stroke(GfxState*) override { m_otherMarks = true; }
    void fill(GfxState*) override { m_otherMarks = true; }
    void eoFill(GfxState*) override { m_otherMarks = true; }
    void drawChar(GfxState* state, double, double, double, double, double, double, CharCode, int,
                  const Unicode*, int) override {
        // Render mode 3 is invisible text: the words of a scan's text layer.
        if (state->getRender() != 3)
            m_otherMarks = true;
    }
    void drawImageMask(GfxState*, Object*, Stream*, int, int, bool, bool, bool) override {
        m_otherMarks = true;
    }
    void drawMaskedImage(GfxState*, Object*, Stream*, int, int, GfxImageColorMap*, bool, Stream*,
                         int, int, bool, bool) override {
        m_otherMarks = true;
    }
    void drawSoftMaskedImage(GfxState*, Object*, Stream*, int, int, GfxImageColorMap*, bool,
                             Stream*, int, int, GfxImageColorMap*, bool) override {
        m_otherMarks = true;
    }

    void drawImage(GfxState* state, Object*, Stream* str, int width, int height,
                   GfxImageColorMap* colorMap, bool, const int* maskColors, bool) override {
        if (m_otherMarks || !m_picture.isNull() || maskColors || !colorMap ||
            !colorMap->useRGBLine() || !coversThePage(state->getCTM(), width, height)) {
            m_otherMarks = true;
            return;
        }
        QImage picture(width, height, QImage::Format_RGB32);
        if (picture.isNull()) {
            m_otherMarks = true;
            return;
        }
        ImageStream rows(str, width, colorMap->getNumPixelComps(), colorMap->getBits());
        rows.reset();
        for (int y = 0; y < height; ++y) {
            unsigned char* line = rows.getLine();
            if (!line) {
                m_otherMarks = true;
                rows.close();
                return;
            }
            auto* out = reinterpret_cast<unsigned int*>(picture.scanLine(y));
            colorMap->getRGBLine(line, out, width);
            for (int x = 0; x < width; ++x)
                out[x] |= 0xFF000000u;
        }
        rows.close();
        m_picture = std::move(picture);
    }

private:
    // Upright, the picture's first row at the top, edge to edge, and of a resolution the
    // drawing would keep.
    bool coversThePage(const double* m, int width, int height) const {
        const double tolerance = 0.5; // device units: 1/144 inch
        if (std::abs(m[1]) > 1e-6 || std::abs(m[2]) > 1e-6 ||
            std::abs(m[0] - m_pageWidth) > tolerance || std::abs(m[3] + m_pageHeight) > tolerance ||
            std::abs(m[4]) > tolerance || std::abs(m[5] - m_pageHeight) > tolerance)
            return false;
        const double dpiX = width / (m_pageWidth / 72), dpiY = height / (m_pageHeight / 72);
        if (std::abs(dpiX - dpiY) > 0.02 * dpiX || dpiX < m_minDpi - 0.5 || dpiX > m_maxDpi + 0.5)
            return false;
        return width <= m_largest.width() && height <= m_largest.height() &&
               qint64(width) * height * 4 <= m_maxBytes;
    }

    double m_pageWidth;
    double m_pageHeight;
    double m_minDpi;
    double m_maxDpi;
    QSize m_largest;
    qint64 m_maxBytes;
    bool m_otherMarks = false;
    QImage m_picture;
};

} // namespace

std::optional<QImage> scannedPagePicture(const QString& path, int pageIndex, double minDpi,
                                         double maxDpi, QSize largest, qint64 maxBytes) {
    static const GlobalParamsIniter params(quiet);
    PDFDoc doc(std::make_unique<GooString>(QFile::encodeName(path).toStdString()));
    if (!doc.isOk() || pageIndex < 0 || pageIndex >= doc.getNumPages())
        return std::nullopt;
    const int number = pageIndex + 1;
    const ::Page* page = doc.getPage(number);
    if (!page || page->getRotate() != 0)
        return std::nullopt;
    ScanCollector collector(doc.getPageMediaWidth(number), doc.getPageMediaHeight(number), minDpi,
                            maxDpi, largest, maxBytes);
    doc.displayPage(&collector, number, 72, 72, 0, true, false, false);
    return collector.picture();
}

} // namespace quillpix::pictures
