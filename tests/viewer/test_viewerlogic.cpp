#include "failure.h"
#include "picturebox.h"
#include "picturefiles.h"
#include "pictureloader.h"
#include "reducedview.h"
#include "rubberband.h"
#include "selectionstate.h"
#include "tempworkspace.h"
#include "viewmath.h"

#include <QtTest>

using namespace quillpix;
using quillpix::testing::coordinatePicture;

namespace {

// The view's stretch rule written out pixel by pixel: the reference the fast drawing must meet.
QImage stretchedByHand(const QImage& picture, QSize surface, QRgb back, int z, int hPos, int vPos) {
    QImage out(surface, QImage::Format_RGB32);
    out.fill(back);
    const int w = picture.width(), h = picture.height(), sw = w / z, sh = h / z;
    for (int dy = 0; dy < std::min(sh, surface.height()); ++dy)
        for (int dx = 0; dx < std::min(sw, surface.width()); ++dx) {
            const qint64 sx = qint64(hPos) * z + qint64(dx) * w / sw;
            const qint64 sy = qint64(vPos) * z + qint64(dy) * h / sh;
            if (sx < w && sy < h)
                out.setPixel(dx, dy, picture.pixel(int(sx), int(sy)));
        }
    return out;
}

} // namespace

class TestViewerLogic : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scrollSetup_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("z");
        QTest::addColumn<QSize>("display");
        QTest::addColumn<QList<int>>("expected"); // hMax, hLarge, hOn, vMax, vLarge, vOn
        const QSize design(825, 405);
        QTest::newRow("fits at 50 %")
            << QSize(1000, 800) << 2 << design << QList<int>{-325, 0, 0, -5, 0, 0};
        QTest::newRow("scrolls at 100 %")
            << QSize(1000, 800) << 1 << design << QList<int>{175, 200, 1, 395, 160, 1};
        QTest::newRow("odd width halves down")
            << QSize(1001, 800) << 2 << design << QList<int>{-325, 0, 0, -5, 0, 0};
        QTest::newRow("exactly the display")
            << QSize(825, 405) << 1 << design << QList<int>{0, 0, 0, 0, 0, 0};
        QTest::newRow("one pixel more")
            << QSize(826, 406) << 1 << design << QList<int>{1, 165, 1, 1, 81, 1};
        QTest::newRow("A4 at 600 dpi, 20 %")
            << QSize(4960, 7016) << 5 << QSize(1650, 405) << QList<int>{-658, 0, 0, 998, 280, 1};
        QTest::newRow("widest supported")
            << QSize(825 + 32767, 10) << 1 << design << QList<int>{32767, 6718, 1, -395, 0, 0};
    }
    void scrollSetup() {
        QFETCH(QSize, picture);
        QFETCH(int, z);
        QFETCH(QSize, display);
        QFETCH(QList<int>, expected);
        const viewer::ScrollSetup s = viewer::scrollSetup(picture, z, display);
        QCOMPARE((QList<int>{s.hMaximum, s.hLargeChange, int(s.hEnabled), s.vMaximum,
                             s.vLargeChange, int(s.vEnabled)}),
                 expected);
    }

    void sixteenBitLimits() {
        const QSize design(825, 405);
        QVERIFY(viewer::withinViewRange(QSize(825 + 32767, 405 + 32767), design));
        QVERIFY(!viewer::withinViewRange(QSize(825 + 32768, 10), design));
        QVERIFY(!viewer::withinViewRange(QSize(10, 405 + 32768), design));
        QVERIFY_THROWS_EXCEPTION(Failure, viewer::scrollSetup(QSize(825 + 32768, 10), 1, design));
        QCOMPARE(viewer::sourceOffset(6553, 5), int16_t(32765));
        QVERIFY_THROWS_EXCEPTION(Failure, viewer::sourceOffset(6554, 5));
        // Within the supported range the largest position times z stays in 16 bits at every zoom.
        for (int z : {1, 2, 4, 5}) {
            const auto s = viewer::scrollSetup(QSize(825 + 32767, 405 + 32767), z, design);
            QVERIFY(viewer::sourceOffset(s.hMaximum, z) >= 0);
            QVERIFY(viewer::sourceOffset(s.vMaximum, z) >= 0);
        }
    }

    void followViewKeepsTheFrameOverThePicture() {
        SelectionState s;
        s.x1 = 100;
        s.x2 = 200;
        s.y1 = 10;
        s.y2 = 50;
        selection::followView(s, 40, 0);
        QCOMPARE((QList<int>{s.x1, s.x2, s.y1, s.y2, s.frameScrollH, s.frameScrollV}),
                 (QList<int>{60, 160, 10, 50, 40, 0}));
        selection::followView(s, 25, 30);
        QCOMPARE((QList<int>{s.x1, s.x2, s.y1, s.y2, s.frameScrollH, s.frameScrollV}),
                 (QList<int>{75, 175, -20, 20, 25, 30}));
    }

    void reducedViewMatchesTheStretchRule_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("surface");
        QTest::addColumn<int>("z");
        QTest::newRow("100 %, scrolls") << QSize(700, 500) << QSize(300, 200) << 1;
        QTest::newRow("50 %, odd sizes") << QSize(1001, 801) << QSize(300, 200) << 2;
        QTest::newRow("25 %, remainders 3 and 2") << QSize(1203, 1002) << QSize(160, 120) << 4;
        QTest::newRow("20 %, remainders 4 and 3") << QSize(1504, 1003) << QSize(200, 150) << 5;
        QTest::newRow("20 %, several phases while scrolling")
            << QSize(1004, 1004) << QSize(120, 90) << 5;
        QTest::newRow("20 %, display larger than picture")
            << QSize(1504, 1003) << QSize(400, 250) << 5;
        QTest::newRow("25 %, small picture") << QSize(303, 207) << QSize(160, 120) << 4;
        QTest::newRow("narrower than the divisor") << QSize(3, 500) << QSize(160, 120) << 4;
    }
    void reducedViewMatchesTheStretchRule() {
        QFETCH(QSize, picture);
        QFETCH(QSize, surface);
        QFETCH(int, z);
        const QImage first = coordinatePicture(picture.width(), picture.height());
        QImage second = first;
        second.invertPixels();
        PictureBox display(nullptr, PictureBox::Border::Sunken);
        display.setOuterSize(surface.width() + 4, surface.height() + 4);
        const QRgb back = display.backColor().rgb();
        // The bars' maxima as the viewer sets them, from the outer size.
        const int hMax = std::max(0, picture.width() / z - (surface.width() + 4));
        const int vMax = std::max(0, picture.height() / z - (surface.height() + 4));
        const QList<QPoint> positions{{0, 0},    {hMax, vMax}, {hMax / 2, vMax / 3}, {1, 0},
                                      {0, vMax}, {hMax, 0},    {hMax + 3, 0},        {0, vMax + 2}};
        viewer::ReducedView view;
        for (const QImage& pic : {first, second}) {
            for (QPoint p : positions) {
                // Whatever was on the display before must be painted over.
                display.setDrawMode(PictureBox::DrawMode::CopyPen);
                display.fillBox(0, 0, surface.width(), surface.height(), Qt::red);
                view.draw(&display, pic, z, p.x(), p.y(), hMax, vMax);
                const QImage expected = stretchedByHand(pic, surface, back, z, p.x(), p.y());
                QVERIFY2(display.surface() == expected,
                         qPrintable(QStringLiteral("position %1, %2").arg(p.x()).arg(p.y())));
                viewer::drawByStretching(&display, pic, z, p.x(), p.y());
                QVERIFY(display.surface() == expected);
            }
        }
    }

    void loadPicture_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem"); // empty: loads
        QTest::addColumn<QSize>("size");
        using namespace quillpix::testing;
        QImage four(6, 5, QImage::Format_RGB32);
        four.fill(qRgb(10, 20, 30));
        four.setPixel(5, 4, qRgb(200, 100, 0));
        const QByteArray gif = gifBytes(four);
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("空") << QSize();
        QTest::newRow("not a picture") << QByteArray("scan of page 1\r\n")
                                       << QStringLiteral("画像ファイルではない") << QSize();
        QTest::newRow("bitmap cut short") << bitmapBytes(100, 50, bitmapPixelBytes(100, 50) / 2)
                                          << QStringLiteral("途中で切れて") << QSize();
        QTest::newRow("bitmap headers only")
            << bitmapBytes(100, 50, 0) << QStringLiteral("途中で切れて") << QSize();
        QTest::newRow("bitmap of width 0")
            << bitmapBytes(0, 10, 0) << QStringLiteral("読み込めません") << QSize();
        QTest::newRow("too wide for the view")
            << bitmapBytes(825 + 32768, 1, 0) << QStringLiteral("大きすぎて") << QSize();
        QTest::newRow("too tall for the view")
            << bitmapBytes(1, 405 + 32768, 0) << QStringLiteral("大きすぎて") << QSize();
        QTest::newRow("widest the view takes")
            << bitmapBytes(825 + 32767, 1, bitmapPixelBytes(825 + 32767, 1)) << QString()
            << QSize(825 + 32767, 1);
        QTest::newRow("gif") << gif << QString() << QSize(6, 5);
        QTest::newRow("gif cut short")
            << gif.left(gif.size() - 10) << QStringLiteral("途中で切れて") << QSize();
        QTest::newRow("gif header only")
            << gif.left(13 + 768) << QStringLiteral("壊れています") << QSize();
    }
    void loadPicture() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        QFETCH(QSize, size);
        quillpix::testing::TempWorkspace ws;
        const QString path = ws.writeFile(QStringLiteral("bmp_gif_sample/p.bmp"), bytes);
        try {
            const QImage image = viewer::loadPicture(path, QSize(825, 405));
            QVERIFY2(problem.isEmpty(), "loaded a picture that should be refused");
            QCOMPARE(image.size(), size);
        } catch (const Failure& failure) {
            QVERIFY2(!problem.isEmpty(), qPrintable(failure.text()));
            QVERIFY2(failure.text().contains(problem), qPrintable(failure.text()));
            QVERIFY2(failure.text().contains(path), qPrintable(failure.text()));
        }
    }

    void missingFileIsReported() {
        QVERIFY_THROWS_EXCEPTION(
            Failure, viewer::loadPicture(QStringLiteral("/nonexistent/x.bmp"), QSize(825, 405)));
    }
};

QTEST_MAIN(TestViewerLogic)
#include "test_viewerlogic.moc"
