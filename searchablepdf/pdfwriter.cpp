#include "pdfwriter.h"

#include "failure.h"
#include "filedevice.h"
#include "fontdata.h"
#include "jpegheader.h"
#include "pictureresolution.h"
#include "samples.h"
#include "textlayer.h"

#include <QCoreApplication>
#include <QHash>
#include <QImageIOHandler>
#include <QPointF>

#include <podofo/podofo.h>

#include <array>
#include <cmath>
#include <optional>

namespace quillpix::searchablepdf {

using textplacing::Glyph;
using textplacing::Run;
namespace {

namespace pdf = PoDoFo;

constexpr double kPointsPerInch = 72;
// How hard lossless pictures are compressed: zlib's usual level. A scan's flat paper packs
// well already at this level; higher ones cost much more time for little.
constexpr int kCompressionLevel = 6;
// Two-byte codes, 0 left for nothing.
constexpr int kMostCodes = 0xFFFF;

QString failureText(const QString& path, const QString& cause) {
    return QCoreApplication::translate("searchablepdf", "PDF を書けません: %1\n%2")
        .arg(path, cause);
}

QByteArray number(double value) {
    QByteArray text = QByteArray::number(value, 'f', 2);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text == "-0" ? QByteArray("0") : text;
}

QByteArray hex4(int code) {
    return QByteArray::number(code, 16).toUpper().rightJustified(4, '0');
}

QSizeF resolutionOf(const Page& page) {
    std::optional<QSizeF> dpi;
    if (!page.dpi.isEmpty())
        dpi = pictures::declaredResolution(page.dpi);
    else if (!page.jpeg.isEmpty())
        dpi = pictures::declaredResolution(pictures::jfifDensity(page.jpeg));
    else
        dpi = pictures::declaredResolution(page.image);
    return dpi.value_or(QSizeF(kDefaultDpi, kDefaultDpi));
}

// Where a picture of `stored` pixels, shown as its orientation asks, maps the image's unit
// square: the matrix in pixels from the bottom left of the page, which is `shown` high.
std::array<double, 6> imageMatrix(QSize stored, QImageIOHandler::Transformations turn,
                                  double shownHeight) {
    const double w = stored.width();
    const double h = stored.height();
    // The unit square's (p, q) is the stored pixel (p w, (1 - q) h); Qt mirrors and flips
    // first, then turns a quarter clockwise.
    const auto place = [&](double p, double q) {
        double u = p * w;
        double v = (1 - q) * h;
        if (turn & QImageIOHandler::TransformationMirror)
            u = w - u;
        if (turn & QImageIOHandler::TransformationFlip)
            v = h - v;
        double x = u;
        double y = v;
        if (turn & QImageIOHandler::TransformationRotate90) {
            x = h - v;
            y = u;
        }
        return QPointF(x, shownHeight - y);
    };
    const QPointF origin = place(0, 0);
    const QPointF across = place(1, 0) - origin;
    const QPointF up = place(0, 1) - origin;
    return {across.x(), across.y(), up.x(), up.y(), origin.x(), origin.y()};
}

} // namespace

struct Writer::State {
    State(const QString& path, textfiles::Durability durability)
        : path(path), file(path, durability), device(file),
          document(&device, pdf::ePdfVersion_1_4) {}

    [[noreturn]] void fail(const pdf::PdfError& error) {
        failed = true;
        if (!device.failure().isEmpty())
            throw Failure(device.failure());
        throw Failure(
            failureText(path, QString::fromUtf8(pdf::PdfError::ErrorMessage(error.GetError()))));
    }
    void refuseAfterFailure() const {
        if (failed || finished)
            throw Failure(failureText(
                path, QCoreApplication::translate("searchablepdf", "書き込みは終わっています。")));
    }
    struct Picture {
        QByteArray operators; // draw it, in pixels from the bottom left of the page
        pdf::PdfReference object;
        QSizeF shown; // its size as shown, in pixels
    };
    int code(const QString& text);
    Picture picture(const Page& page);
    QByteArray textLayer(const QList<Run>& runs, double pageHeight);
    void writeFont();

    QString path;
    textfiles::PendingFile file;
    FileDevice device;
    pdf::PdfStreamedDocument document;
    pdf::PdfObject* font = nullptr; // filled at the end, once every character is known
    QHash<QString, int> codes;
    QStringList texts; // code i + 1 stands for texts[i]
    int pages = 0;
    bool failed = false;
    bool finished = false;
};

int Writer::State::code(const QString& text) {
    const auto found = codes.constFind(text);
    if (found != codes.constEnd())
        return *found;
    // More distinct characters than codes cannot come from a saved result (code page 932
    // has fewer); the rest would read as nothing.
    if (texts.size() >= kMostCodes - 1)
        return 0;
    texts.append(text);
    codes.insert(text, int(texts.size()));
    return int(texts.size());
}

// Writes the page's picture as an image object.
Writer::State::Picture Writer::State::picture(const Page& page) {
    pdf::PdfImage image(&document, "Im");
    Picture out;
    std::array<double, 6> matrix{};
    const pictures::JpegHeader jpeg =
        page.jpeg.isEmpty() ? pictures::JpegHeader() : pictures::readJpegHeader(page.jpeg);
    if (jpeg.readable) {
        const bool turned = jpeg.turn & QImageIOHandler::TransformationRotate90;
        out.shown =
            turned ? QSizeF(jpeg.stored.height(), jpeg.stored.width()) : QSizeF(jpeg.stored);
        image.LoadFromJpegData(reinterpret_cast<const unsigned char*>(page.jpeg.constData()),
                               page.jpeg.size());
        matrix = imageMatrix(jpeg.stored, jpeg.turn, out.shown.height());
    } else {
        if (page.image.isNull())
            throw Failure(failureText(
                path, QCoreApplication::translate("searchablepdf", "ページの画像を読めません。")));
        out.shown = QSizeF(page.image.size());
        const Samples samples = samplesOf(page.image);
        const QByteArray packed = qCompress(samples.data, kCompressionLevel);
        // qCompress puts the length before the zlib stream, which is what FlateDecode reads.
        constexpr qsizetype kLengthPrefix = 4;
        image.SetImageColorSpace(samples.grey ? pdf::ePdfColorSpace_DeviceGray
                                              : pdf::ePdfColorSpace_DeviceRGB);
        image.GetObject()->GetDictionary().AddKey(pdf::PdfName::KeyFilter,
                                                  pdf::PdfName("FlateDecode"));
        pdf::PdfMemoryInputStream stream(packed.constData() + kLengthPrefix,
                                         packed.size() - kLengthPrefix);
        image.SetImageDataRaw(unsigned(page.image.width()), unsigned(page.image.height()),
                              unsigned(samples.bits), &stream);
        matrix =
            imageMatrix(page.image.size(), QImageIOHandler::TransformationNone, out.shown.height());
    }
    out.object = image.GetObject()->Reference();
    out.operators = "q ";
    for (double v : matrix)
        out.operators += number(v) + ' ';
    out.operators += "cm /Im0 Do Q\n";
    return out;
}

// Invisible text (render mode 3) in the glyphless font /F0, in pixels from the bottom left.
// Each glyph's width is set by the horizontal scaling, rounded to a tenth of a percent; the
// rounding is carried from glyph to glyph, so a long line ends where its last glyph does.
QByteArray Writer::State::textLayer(const QList<Run>& runs, double pageHeight) {
    QByteArray ops = "BT 3 Tr\n";
    double scaling = -1;
    for (const Run& run : runs) {
        ops += "/F0 " + number(run.size) + " Tf ";
        ops += run.direction == Direction::Vertical ? "0 -1 1 0 " : "1 0 0 1 ";
        ops += number(run.origin.x()) + ' ' + number(pageHeight - run.origin.y()) + " Tm\n";
        double wanted = 0;
        double reached = 0;
        QByteArray codes;
        const auto show = [&] {
            if (!codes.isEmpty())
                ops += '<' + codes + "> Tj\n";
            codes.clear();
        };
        for (const Glyph& glyph : run.glyphs) {
            wanted += glyph.advance;
            const double percent =
                std::max(0.1, std::round((wanted - reached) / run.size * 1000) / 10);
            reached += percent / 100 * run.size;
            if (percent != scaling) {
                show();
                ops += number(percent) + " Tz ";
                scaling = percent;
            }
            codes += hex4(code(glyph.text));
        }
        show();
    }
    ops += "ET\n";
    return ops;
}

void Writer::State::writeFont() {
    pdf::PdfVecObjects& objects = *document.GetObjects();
    const QByteArray fontBytes = glyphlessTrueType();
    pdf::PdfObject* fontFile = objects.CreateObject();
    fontFile->GetDictionary().AddKey("Length1", pdf::PdfObject(pdf::pdf_int64(fontBytes.size())));
    fontFile->GetStream()->Set(fontBytes.constData(), fontBytes.size());

    pdf::PdfObject* descriptor = objects.CreateObject("FontDescriptor");
    pdf::PdfDictionary& d = descriptor->GetDictionary();
    const pdf::PdfName fontName("QuillpixGlyphless");
    d.AddKey("FontName", fontName);
    d.AddKey("Flags", pdf::PdfObject(pdf::pdf_int64(4))); // symbolic
    pdf::PdfArray box;
    for (int v : {0, 0, 1000, 1000})
        box.push_back(pdf::PdfObject(pdf::pdf_int64(v)));
    d.AddKey("FontBBox", box);
    d.AddKey("ItalicAngle", pdf::PdfObject(pdf::pdf_int64(0)));
    // The em square from the baseline up: a glyph covers its line's height, and no more.
    d.AddKey("Ascent", pdf::PdfObject(pdf::pdf_int64(1000)));
    // Poppler takes a descent of 0 for none given and puts its own below the baseline.
    d.AddKey("Descent", pdf::PdfObject(pdf::pdf_int64(-1)));
    d.AddKey("CapHeight", pdf::PdfObject(pdf::pdf_int64(1000)));
    d.AddKey("StemV", pdf::PdfObject(pdf::pdf_int64(80)));
    d.AddKey("FontFile2", fontFile->Reference());

    const QByteArray glyphMap = allToGlyphOne(int(texts.size()) + 1);
    pdf::PdfObject* cidToGid = objects.CreateObject();
    cidToGid->GetStream()->Set(glyphMap.constData(), glyphMap.size());

    pdf::PdfObject* cidFont = objects.CreateObject("Font");
    pdf::PdfDictionary& c = cidFont->GetDictionary();
    c.AddKey("Subtype", pdf::PdfName("CIDFontType2"));
    c.AddKey("BaseFont", fontName);
    pdf::PdfDictionary system;
    system.AddKey("Registry", pdf::PdfString("Adobe"));
    system.AddKey("Ordering", pdf::PdfString("Identity"));
    system.AddKey("Supplement", pdf::PdfObject(pdf::pdf_int64(0)));
    c.AddKey("CIDSystemInfo", system);
    c.AddKey("FontDescriptor", descriptor->Reference());
    c.AddKey("DW", pdf::PdfObject(pdf::pdf_int64(1000)));
    c.AddKey("CIDToGIDMap", cidToGid->Reference());

    const QByteArray cmap = toUnicodeCMap(texts);
    pdf::PdfObject* toUnicode = objects.CreateObject();
    toUnicode->GetStream()->Set(cmap.constData(), cmap.size());

    pdf::PdfDictionary& f = font->GetDictionary();
    f.AddKey("Subtype", pdf::PdfName("Type0"));
    f.AddKey("BaseFont", fontName);
    // Vertical lines are horizontal writing turned a quarter: Poppler reads text of a vertical
    // writing mode one character per line.
    f.AddKey("Encoding", pdf::PdfName("Identity-H"));
    pdf::PdfArray descendants;
    descendants.push_back(cidFont->Reference());
    f.AddKey("DescendantFonts", descendants);
    f.AddKey("ToUnicode", toUnicode->Reference());
}

Writer::Writer(const QString& path, textfiles::Durability durability) {
    pdf::PdfError::EnableDebug(false);
    pdf::PdfError::EnableLogging(false);
    try {
        m_state = std::make_unique<State>(path, durability);
        m_state->font = m_state->document.GetObjects()->CreateObject("Font");
        m_state->document.GetInfo()->SetProducer(pdf::PdfString("Quillpix"));
    } catch (const pdf::PdfError& error) {
        throw Failure(
            failureText(path, QString::fromUtf8(pdf::PdfError::ErrorMessage(error.GetError()))));
    }
}

Writer::~Writer() = default;

void Writer::addPage(const Page& page) {
    State& s = *m_state;
    s.refuseAfterFailure();
    try {
        const State::Picture picture = s.picture(page);
        const QSizeF dpi = resolutionOf(page);
        const double toPointsX = kPointsPerInch / dpi.width();
        const double toPointsY = kPointsPerInch / dpi.height();
        pdf::PdfPage* pdfPage = s.document.CreatePage(pdf::PdfRect(
            0, 0, picture.shown.width() * toPointsX, picture.shown.height() * toPointsY));
        pdf::PdfDictionary& resources = pdfPage->GetResources()->GetDictionary();
        pdf::PdfDictionary xobjects;
        xobjects.AddKey("Im0", picture.object);
        resources.AddKey("XObject", xobjects);
        QByteArray ops = "q " + number(toPointsX) + " 0 0 " + number(toPointsY) + " 0 0 cm\n";
        ops += picture.operators;
        const QList<Run> runs = textplacing::layText(page.lines, page.text);
        if (!runs.isEmpty()) {
            pdf::PdfDictionary fonts;
            fonts.AddKey("F0", s.font->Reference());
            resources.AddKey("Font", fonts);
            ops += s.textLayer(runs, picture.shown.height());
        }
        ops += "Q\n";
        pdf::PdfStream* contents = pdfPage->GetContentsForAppending()->GetStream();
        contents->BeginAppend();
        contents->Append(ops.constData(), ops.size());
        contents->EndAppend();
        ++s.pages;
    } catch (const pdf::PdfError& error) {
        s.fail(error);
    }
}

void Writer::finish() {
    State& s = *m_state;
    s.refuseAfterFailure();
    if (s.pages == 0)
        throw Failure(failureText(
            s.path, QCoreApplication::translate("searchablepdf", "ページがありません。")));
    try {
        s.writeFont();
        s.document.Close();
        s.device.Flush();
    } catch (const pdf::PdfError& error) {
        s.fail(error);
    }
    s.file.commit();
    s.finished = true;
}

void writeSearchablePdf(const QList<Page>& pages, const QString& path,
                        textfiles::Durability durability) {
    Writer writer(path, durability);
    for (const Page& page : pages)
        writer.addPage(page);
    writer.finish();
}

} // namespace quillpix::searchablepdf
