// Renders the sample pictures of W/bmp_gif_sample from the texts in sampletexts.h with the
// Noto Sans CJK JP font: a 24-bit, an 8-bit grey and a 1-bit BMP, two GIFs (one in vertical
// Japanese writing) and one page-sized 1-bit BMP that needs zooming and scrolling.
//
// Usage: samplepictures <font file> <output folder>

#include "gifencoder.h"
#include "sampletexts.h"
#include "textpicture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

using quillpix::samples::SampleText;

QString g_family;

QFont font(int pixelSize, bool bold = false) {
    QFont f(g_family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    // Whole-pixel glyph positions keep the output identical from run to run.
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QStringList linesOf(const QString& file) {
    for (const SampleText& sample : quillpix::samples::sampleTexts())
        if (sample.file == file)
            return sample.lines;
    throw std::runtime_error("no text for " + file.toStdString());
}

void drawLines(QPainter& p, const QStringList& lines, int left, int top, int lineHeight,
               const QFont& japanese, const QFont& latin) {
    int baseline = top;
    for (const QString& line : lines) {
        bool ascii = true;
        for (QChar c : line)
            ascii = ascii && c.unicode() < 0x80;
        p.setFont(ascii ? latin : japanese);
        p.drawText(left, baseline, line);
        baseline += lineHeight;
    }
}

QImage canvas(int width, int height, QColor background) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(background);
    return image;
}

// Antialiased grey text thresholded at mid-grey, as a scanner set to black and white gives it.
QImage toMono(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    QImage mono(grey.size(), QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* in = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            mono.setPixel(x, y, in[x] < 128 ? 1 : 0);
    }
    return mono;
}

QImage toGreyIndexed(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    QImage indexed(grey.size(), QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.append(qRgb(i, i, i));
    indexed.setColorTable(table);
    for (int y = 0; y < grey.height(); ++y)
        memcpy(indexed.scanLine(y), grey.constScanLine(y), size_t(grey.width()));
    return indexed;
}

void save(const QImage& image, const QString& folder, const QString& name) {
    const QString path = folder + QLatin1Char('/') + name;
    if (name.endsWith(QLatin1String(".gif"))) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(quillpix::gif::encode(image)) < 0 ||
            !file.flush())
            throw std::runtime_error("cannot write " + path.toStdString());
        return;
    }
    if (name.endsWith(QLatin1String(".jpg"))) {
        if (!image.save(path, "JPEG", 92))
            throw std::runtime_error("cannot write " + path.toStdString());
        return;
    }
    if (!image.save(path, "BMP"))
        throw std::runtime_error("cannot write " + path.toStdString());
}

QImage colourPicture() {
    const QStringList lines = linesOf(QStringLiteral("sample1_color24.bmp"));
    QImage image = canvas(1200, 600, QColor(255, 252, 235));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(0, 0, 1200, 70, QColor(40, 70, 140));
    p.setPen(Qt::white);
    p.setFont(font(34, true));
    p.drawText(40, 48, QStringLiteral("Quillpix サンプル 1 / 24-bit colour"));
    p.fillRect(40, 100, 8, 440, QColor(200, 60, 50));
    p.setPen(QColor(20, 20, 30));
    drawLines(p, lines, 80, 170, 110, font(50), font(50));
    return image;
}

QImage greyPicture() {
    const QStringList lines = linesOf(QStringLiteral("sample2_gray8.bmp"));
    QImage image = canvas(1200, 600, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A soft grey ramp on the left edge shows the 256 shades.
    for (int x = 0; x < 256; ++x)
        p.fillRect(QRect(x * 1200 / 256, 560, 1200 / 256 + 1, 40), QColor(x, x, x));
    p.setPen(QColor(30, 30, 30));
    drawLines(p, lines, 70, 150, 140, font(52), font(52));
    return toGreyIndexed(image);
}

QImage monoPicture() {
    const QStringList lines = linesOf(QStringLiteral("sample3_mono1.bmp"));
    QImage image = canvas(1200, 600, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 3));
    p.drawRect(20, 20, 1160, 560);
    p.setPen(Qt::black);
    drawLines(p, lines, 70, 160, 150, font(50), font(50));
    p.end();
    return toMono(image);
}

QImage palettePicture() {
    const QStringList lines = linesOf(QStringLiteral("sample4_palette.gif"));
    QImage image = canvas(1200, 600, QColor(235, 245, 255));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(255, 210, 120));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(1080, 110), 70, 70);
    p.setPen(QColor(10, 40, 90));
    drawLines(p, lines, 70, 170, 140, font(54), font(54));
    p.end();
    // Exact colours where there are few enough; Qt picks a palette otherwise.
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}

// Japanese written top to bottom, columns from right to left, as vertical typesetting sets it.
QImage verticalPicture() {
    const QStringList lines = linesOf(QStringLiteral("sample5_vertical.gif"));
    QImage image = canvas(520, 800, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    quillpix::workspace::drawColumns(p, lines, font(48), {56, 110, 36, 520 - 110});
    p.end();
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}

QImage pagePicture() {
    const QStringList lines = linesOf(QStringLiteral("sample6_page.bmp"));
    // A4 at 150 dots per inch: larger than the display at 100 %, so it scrolls.
    QImage image = canvas(1240, 1754, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setFont(font(60, true));
    p.drawText(110, 200, lines[0]);
    p.setPen(QPen(Qt::black, 4));
    p.drawLine(110, 240, 1130, 240);
    p.setPen(Qt::black);
    drawLines(p, lines.mid(1, 4), 110, 360, 110, font(44), font(44));
    p.setPen(QPen(Qt::black, 2, Qt::DashLine));
    p.drawLine(110, 877, 1130, 877);
    p.setPen(Qt::black);
    drawLines(p, lines.mid(5), 110, 1500, 110, font(44), font(44));
    p.end();
    return toMono(image);
}

QImage photoPicture() {
    const QStringList lines = linesOf(QStringLiteral("sample7_photo.jpg"));
    QImage image = canvas(1200, 400, QColor(250, 246, 238));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(0, 330, 1200, 70, QColor(120, 160, 90));
    p.setPen(QColor(25, 25, 35));
    drawLines(p, lines, 60, 140, 120, font(50), font(50));
    return image;
}

// A two-page A4 document; its text stays text in the file, as office programs write it.
void writeDocument(const QString& path) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("Quillpix sample"));
    QPainter p(&writer);
    if (!p.isActive())
        throw std::runtime_error("cannot write " + path.toStdString());
    int page = 0;
    for (const quillpix::samples::SampleText& sample : quillpix::samples::sampleTexts()) {
        if (sample.file != QFileInfo(path).fileName())
            continue;
        if (page++ > 0)
            writer.newPage();
        p.setPen(Qt::black);
        drawLines(p, sample.lines, 200, 500, 300, font(130), font(130));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    // The pictures are drawn off screen; no display is needed at build time.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: samplepictures <font file> <output folder>\n");
        return 2;
    }
    try {
        const QString fontFile = QString::fromLocal8Bit(argv[1]);
        const int id = QFontDatabase::addApplicationFont(fontFile);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.contains(QStringLiteral("Noto Sans CJK JP")))
            throw std::runtime_error("Noto Sans CJK JP not found in " + fontFile.toStdString());
        g_family = QStringLiteral("Noto Sans CJK JP");
        if (QFontInfo(font(40)).family() != g_family)
            throw std::runtime_error("the font database did not resolve Noto Sans CJK JP");

        const QString folder = QString::fromLocal8Bit(argv[2]);
        if (!QDir().mkpath(folder))
            throw std::runtime_error("cannot create " + folder.toStdString());
        save(colourPicture(), folder, QStringLiteral("sample1_color24.bmp"));
        save(greyPicture(), folder, QStringLiteral("sample2_gray8.bmp"));
        save(monoPicture(), folder, QStringLiteral("sample3_mono1.bmp"));
        save(palettePicture(), folder, QStringLiteral("sample4_palette.gif"));
        save(verticalPicture(), folder, QStringLiteral("sample5_vertical.gif"));
        save(pagePicture(), folder, QStringLiteral("sample6_page.bmp"));
        save(photoPicture(), folder, QStringLiteral("sample7_photo.jpg"));
        writeDocument(folder + QStringLiteral("/sample8_document.pdf"));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "samplepictures: %s\n", error.what());
        return 1;
    }
    return 0;
}
