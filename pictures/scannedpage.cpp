#include "scannedpage.h"

#include "pages.h"

#if QUILLPIX_POPPLER_CORE

#include <GfxState.h>
#include <GlobalParams.h>
#include <OutputDev.h>
#include <PDFDoc.h>
#include <Page.h>
#include <Stream.h>
#include <goo/GooString.h>

#include <QFile>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>

namespace quillpix::pictures {

const bool kScannedPagesDirect = true;

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

    // Keep the scan's JPEG data as the document holds it instead of decoding the picture.
    void takeJpegData() { m_wantJpeg = true; }
    std::optional<QByteArray> jpegData() {
        if (m_otherMarks || m_jpeg.isEmpty())
            return std::nullopt;
        return std::move(m_jpeg);
    }

    std::optional<QImage> picture() {
        if (m_otherMarks || m_picture.isNull())
            return std::nullopt;
        return std::move(m_picture);
    }

    bool upsideDown() override { return true; }
    bool useDrawChar() override { return true; }
    bool interpretType3Chars() override { return false; }

    // Anything that could change how the scan shows makes the page one to draw: a clip
    // smaller than the page, transparency, a blend mode, a soft mask, a group.
    void clip(GfxState* state) override { checkClip(state); }
    void eoClip(GfxState* state) override { checkClip(state); }
    void clipToStrokePath(GfxState*) override { m_otherMarks = true; }
    void setSoftMask(GfxState*, const double*, bool, Function*, GfxColor*) override {
        m_otherMarks = true;
    }
    void beginTransparencyGroup(GfxState*, const double*, GfxColorSpace*, bool, bool,
                                bool) override {
        m_otherMarks = true;
    }

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
        if (m_otherMarks || !m_picture.isNull() || !m_jpeg.isEmpty() || maskColors || !colorMap ||
            !colorMap->useRGBLine() || !shownAsItIs(state) ||
            !coversThePage(state->getCTM(), width, height)) {
            m_otherMarks = true;
            return;
        }
        if (m_wantJpeg) {
            takeJpeg(str, colorMap);
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
    // The JPEG data under the decoding, when the picture is a JPEG whose samples show as they
    // are: grey or RGB, eight bits, no Decode array that inverts or stretches them.
    void takeJpeg(Stream* str, GfxImageColorMap* colorMap) {
        const GfxColorSpaceMode mode = colorMap->getColorSpace()->getMode();
        const bool plain = mode == csDeviceGray || mode == csDeviceRGB ||
                           (mode == csICCBased && colorMap->getNumPixelComps() != 4);
        bool identity = colorMap->getBits() == 8;
        for (int i = 0; i < colorMap->getNumPixelComps(); ++i)
            identity =
                identity && colorMap->getDecodeLow(i) == 0 && colorMap->getDecodeHigh(i) == 1;
        Stream* data = str->getNextStream();
        if (str->getKind() != strDCT || !plain || !identity || !data) {
            m_otherMarks = true;
            return;
        }
        // What lies under the JPEG decoder is the JPEG file, after any filter before it.
        data->reset();
        QByteArray bytes;
        char buffer[65536];
        for (int n; (n = data->doGetChars(int(sizeof buffer),
                                          reinterpret_cast<unsigned char*>(buffer))) > 0;)
            bytes.append(buffer, n);
        data->close();
        if (bytes.isEmpty())
            m_otherMarks = true;
        m_jpeg = std::move(bytes);
    }

    static bool shownAsItIs(const GfxState* state) {
        return state->getFillOpacity() == 1 && state->getStrokeOpacity() == 1 &&
               state->getBlendMode() == gfxBlendNormal;
    }

    // A clip path that is one upright rectangle holding the whole page changes nothing.
    void checkClip(const GfxState* state) {
        const GfxPath* path = state->getPath();
        if (!path || path->getNumSubpaths() != 1) {
            m_otherMarks = true;
            return;
        }
        const GfxSubpath* sub = path->getSubpath(0);
        const int n = sub->getNumPoints();
        if (n < 4 || n > 5) {
            m_otherMarks = true;
            return;
        }
        const double tolerance = 0.5;
        double xMin = 1e300, xMax = -1e300, yMin = 1e300, yMax = -1e300;
        double x[5], y[5];
        for (int i = 0; i < n; ++i) {
            if (sub->getCurve(i)) {
                m_otherMarks = true;
                return;
            }
            state->transform(sub->getX(i), sub->getY(i), &x[i], &y[i]);
            xMin = std::min(xMin, x[i]);
            xMax = std::max(xMax, x[i]);
            yMin = std::min(yMin, y[i]);
            yMax = std::max(yMax, y[i]);
        }
        // Every corner on the bounding box's edges: upright, no slanted side.
        for (int i = 0; i < n; ++i) {
            const bool onX =
                std::abs(x[i] - xMin) <= tolerance || std::abs(x[i] - xMax) <= tolerance;
            const bool onY =
                std::abs(y[i] - yMin) <= tolerance || std::abs(y[i] - yMax) <= tolerance;
            if (!onX || !onY) {
                m_otherMarks = true;
                return;
            }
        }
        if (xMin > tolerance || yMin > tolerance || xMax < m_pageWidth - tolerance ||
            yMax < m_pageHeight - tolerance)
            m_otherMarks = true;
    }

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
    bool m_wantJpeg = false;
    QImage m_picture;
    QByteArray m_jpeg;
};

} // namespace

namespace {

// Runs the collector over the page when the page can show a scan as it is: not turned, its crop
// box its media box. False when it cannot.
bool collect(PDFDoc& doc, int pageIndex, ScanCollector& collector) {
    const int number = pageIndex + 1;
    const ::Page* page = doc.getPage(number);
    if (!page || page->getRotate() != 0)
        return false;
    // What is shown is the crop box; a page cut smaller than its scan is drawn. Any difference
    // changes the drawn page's size, so none is allowed.
    const PDFRectangle* media = page->getMediaBox();
    const PDFRectangle* crop = page->getCropBox();
    const double tolerance = 1e-3;
    if (std::abs(media->x1 - crop->x1) > tolerance || std::abs(media->y1 - crop->y1) > tolerance ||
        std::abs(media->x2 - crop->x2) > tolerance || std::abs(media->y2 - crop->y2) > tolerance)
        return false;
    doc.displayPage(&collector, number, 72, 72, 0, true, false, false);
    return true;
}

std::unique_ptr<PDFDoc> openDocument(const QString& path) {
    return std::make_unique<PDFDoc>(
        std::make_unique<GooString>(QFile::encodeName(path).toStdString()));
}

} // namespace

std::optional<QImage> scannedPagePicture(const QString& path, int pageIndex, double minDpi,
                                         double maxDpi, QSize largest, qint64 maxBytes) {
    // Poppler's global state, kept by whichever document is open; while a document of the Qt
    // interface is open this leaves its report function in place.
    const GlobalParamsIniter params(quiet);
    const std::unique_ptr<PDFDoc> doc = openDocument(path);
    if (!doc->isOk() || pageIndex < 0 || pageIndex >= doc->getNumPages())
        return std::nullopt;
    ScanCollector collector(doc->getPageMediaWidth(pageIndex + 1),
                            doc->getPageMediaHeight(pageIndex + 1), minDpi, maxDpi, largest,
                            maxBytes);
    if (!collect(*doc, pageIndex, collector))
        return std::nullopt;
    return collector.picture();
}

std::optional<ScannedJpeg> scannedPageJpeg(const QString& path, int pageIndex) {
    const GlobalParamsIniter params(quiet);
    const std::unique_ptr<PDFDoc> doc = openDocument(path);
    if (!doc->isOk() || pageIndex < 0 || pageIndex >= doc->getNumPages())
        return std::nullopt;
    const QSizeF points(doc->getPageMediaWidth(pageIndex + 1),
                        doc->getPageMediaHeight(pageIndex + 1));
    // Nothing is decoded, so no resolution or size is too much.
    ScanCollector collector(points.width(), points.height(), 0, 1e9, QSize(INT_MAX, INT_MAX),
                            std::numeric_limits<qint64>::max());
    collector.takeJpegData();
    if (!collect(*doc, pageIndex, collector))
        return std::nullopt;
    std::optional<QByteArray> jpeg = collector.jpegData();
    if (!jpeg)
        return std::nullopt;
    return ScannedJpeg{std::move(*jpeg), points / 72.0};
}

} // namespace quillpix::pictures

#else

namespace quillpix::pictures {

const bool kScannedPagesDirect = false;

std::optional<QImage> scannedPagePicture(const QString&, int, double, double, QSize, qint64) {
    return std::nullopt;
}

std::optional<ScannedJpeg> scannedPageJpeg(const QString&, int) {
    return std::nullopt;
}

} // namespace quillpix::pictures

#endif
