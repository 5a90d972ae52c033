#include "greypicture.h"
#include "jpegheader.h"
#include "picturefiles.h"
#include "pictureresolution.h"

#include <QtTest>

#include <optional>

using namespace quillpix;
using namespace quillpix::pictures;

Q_DECLARE_METATYPE(quillpix::pictures::Tone)

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void resolutionSet_data();
    void resolutionSet();
    void tone_data();
    void tone();
    void uprightJpeg_data();
    void uprightJpeg();
};

// A page drawn at a resolution carries it in whole dots per metre, and reads back as drawn.
void TestPictures::resolutionSet_data() {
    QTest::addColumn<std::optional<QSizeF>>("dpi");
    QTest::addColumn<QSize>("dotsPerMetre");
    QTest::addColumn<std::optional<QSizeF>>("readBack");
    QTest::newRow("300 dpi") << std::optional<QSizeF>(QSizeF(300, 300)) << QSize(11811, 11811)
                             << std::optional<QSizeF>(QSizeF(300, 300));
    // 5905.5 dots per metre: the nearest, not the one below.
    QTest::newRow("150 dpi, rounded up")
        << std::optional<QSizeF>(QSizeF(150, 150)) << QSize(5906, 5906)
        << std::optional<QSizeF>(QSizeF(150, 150));
    QTest::newRow("204 by 196, a fax")
        << std::optional<QSizeF>(QSizeF(204, 196)) << QSize(8031, 7717)
        << std::optional<QSizeF>(QSizeF(204, 196));
    QTest::newRow("none") << std::optional<QSizeF>() << QSize(kNoResolution, kNoResolution)
                          << std::optional<QSizeF>();
}

void TestPictures::resolutionSet() {
    QFETCH(std::optional<QSizeF>, dpi);
    QFETCH(QSize, dotsPerMetre);
    QFETCH(std::optional<QSizeF>, readBack);
    QImage picture(4, 4, QImage::Format_Grayscale8);
    setResolution(picture, dpi);
    QCOMPARE(QSize(picture.dotsPerMeterX(), picture.dotsPerMeterY()), dotsPerMetre);
    const std::optional<QSizeF> declared = declaredResolution(picture);
    QCOMPARE(declared.has_value(), readBack.has_value());
    if (declared) {
        QCOMPARE(qRound(declared->width()), qRound(readBack->width()));
        QCOMPARE(qRound(declared->height()), qRound(readBack->height()));
    }
}

void TestPictures::tone_data() {
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<Tone>("tone");
    const auto grey = [](std::initializer_list<int> levels) {
        QImage image(int(levels.size()), 1, QImage::Format_Grayscale8);
        int x = 0;
        for (int level : levels)
            image.scanLine(0)[x++] = uchar(level);
        return image;
    };
    const auto rgb = [](QImage::Format format, std::initializer_list<QRgb> pixels) {
        QImage image(int(pixels.size()), 1, format);
        int x = 0;
        for (QRgb pixel : pixels)
            image.setPixel(x++, 0, pixel);
        return image;
    };
    QTest::newRow("grey bytes, black and white") << grey({0, 255, 255, 0}) << Tone::Bilevel;
    QTest::newRow("grey bytes, one level between") << grey({0, 255, 1, 0}) << Tone::Grey;
    QTest::newRow("grey bytes, one below white") << grey({0, 254}) << Tone::Grey;
    QImage mono(9, 1, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(1);
    QTest::newRow("one bit") << mono << Tone::Bilevel;
    QTest::newRow("colour words, black and white")
        << rgb(QImage::Format_RGB32, {qRgb(0, 0, 0), qRgb(255, 255, 255)}) << Tone::Bilevel;
    QTest::newRow("colour words, grey")
        << rgb(QImage::Format_RGB32, {qRgb(0, 0, 0), qRgb(7, 7, 7)}) << Tone::Grey;
    QTest::newRow("colour words, the last pixel coloured")
        << rgb(QImage::Format_RGB32, {qRgb(0, 0, 0), qRgb(255, 255, 254)}) << Tone::Colour;
    QTest::newRow("a coloured pixel that is transparent still counts")
        << rgb(QImage::Format_ARGB32, {qRgba(255, 0, 0, 0), qRgb(0, 0, 0)}) << Tone::Colour;
    QTest::newRow("24-bit, black and white")
        << rgb(QImage::Format_RGB888, {qRgb(255, 255, 255), qRgb(0, 0, 0)}) << Tone::Bilevel;
}

void TestPictures::tone() {
    QFETCH(QImage, picture);
    QFETCH(Tone, tone);
    QCOMPARE(toneOf(picture), tone);
}

// The book keeps a JPEG's bytes and its lines only when it shows as it is stored.
void TestPictures::uprightJpeg_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QSize>("size");
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const QByteArray jpeg = testing::encoded(picture, "jpeg");
    QTest::newRow("as stored") << jpeg << QSize(40, 20);
    QTest::newRow("orientation 1, as stored") << testing::withOrientation(jpeg, 1) << QSize(40, 20);
    QTest::newRow("turned a quarter") << testing::withOrientation(jpeg, 6) << QSize();
    QTest::newRow("mirrored") << testing::withOrientation(jpeg, 2) << QSize();
    QTest::newRow("a PNG") << testing::encoded(picture, "png") << QSize();
    QTest::newRow("nothing") << QByteArray() << QSize();
}

void TestPictures::uprightJpeg() {
    QFETCH(QByteArray, file);
    QFETCH(QSize, size);
    QCOMPARE(uprightJpegSize(file), size);
}

QTEST_MAIN(TestPictures)
#include "test_pictures.moc"
