#include "crop.h"
#include "failure.h"
#include "picturebox.h"
#include "rubberband.h"
#include "tempworkspace.h"

#include <QtTest>

#include <limits>

using namespace quillpix;
using quillpix::testing::coordinateOf;
using quillpix::testing::coordinatePicture;

class TestSelectionRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cornersRoundHalvesToEven_data() {
        QTest::addColumn<double>("pointer");
        QTest::addColumn<int>("pixel");
        QTest::newRow("whole") << 17.0 << 17;
        QTest::newRow("half below an even") << 10.5 << 10;
        QTest::newRow("half below an odd") << 11.5 << 12;
        QTest::newRow("just under a half") << 2.4999 << 2;
        QTest::newRow("just over a half") << 2.5001 << 3;
        QTest::newRow("minus a half") << -0.5 << 0;
        QTest::newRow("minus one and a half") << -1.5 << -2;
        QTest::newRow("far beyond 32 bits") << 1e12 << std::numeric_limits<int32_t>::max();
    }
    void cornersRoundHalvesToEven() {
        QFETCH(double, pointer);
        QFETCH(int, pixel);
        QCOMPARE(selection::roundToPixel(pointer), pixel);
    }

    void previewRegion_data() {
        QTest::addColumn<int>("zoomIndex");
        QTest::addColumn<QRect>("edges");  // left, top, right, bottom as QRect(QPoint, QPoint)
        QTest::addColumn<QRect>("region"); // empty: no preview
        // At 50 % a frame from x1 = 10 to x2 = 110 previews columns 22 to 219, cut at the box.
        QTest::newRow("50 %, cut at the box")
            << 1 << QRect(QPoint(11, 21), QPoint(110, 70)) << QRect(22, 42, 149, 98);
        QTest::newRow("100 %, smaller than the box")
            << 0 << QRect(QPoint(11, 21), QPoint(110, 70)) << QRect(11, 21, 99, 49);
        QTest::newRow("20 %, cut both ways")
            << 3 << QRect(QPoint(11, 21), QPoint(110, 90)) << QRect(55, 105, 149, 297);
        QTest::newRow("one pixel wide frame")
            << 0 << QRect(QPoint(11, 21), QPoint(11, 70)) << QRect();
        QTest::newRow("no height") << 2 << QRect(QPoint(11, 21), QPoint(40, 21)) << QRect();
    }
    void previewRegion() {
        QFETCH(int, zoomIndex);
        QFETCH(QRect, edges);
        QFETCH(QRect, region);
        const auto r =
            selection::previewRegion(edges.left(), edges.top(), edges.right(), edges.bottom(),
                                     uint8_t(zoomIndex), QSize(149, 297));
        QCOMPARE(r.has_value(), !region.isEmpty());
        if (r)
            QCOMPARE(QRect(r->from, r->size), region);
    }

    // The callers pass the corners with margins: x1 + 1, y1 + 1, x2 + 4, y2 + 4.
    void cropsTheRegionUnderTheFrame_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("zoomIndex");
        QTest::addColumn<QRect>("corners"); // (x1, y1)-(x2, y2) as QRect(QPoint, QPoint)
        QTest::addColumn<QPoint>("scroll");
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<QPoint>("firstPixel");
        QTest::addColumn<bool>("grey"); // a grey picture, whose cut-out stays 8-bit grey
        const QSize big(1200, 900);
        const QRect corners(QPoint(10, 20), QPoint(110, 70));
        QTest::newRow("100 %, top-left")
            << big << 0 << corners << QPoint(0, 0) << QSize(103, 53) << QPoint(11, 21) << false;
        QTest::newRow("50 %, scrolled right")
            << big << 1 << corners << QPoint(30, 0) << QSize(206, 106) << QPoint(82, 42) << false;
        QTest::newRow("25 %, scrolled")
            << big << 2 << QRect(QPoint(5, 6), QPoint(50, 40)) << QPoint(10, 20) << QSize(192, 148)
            << QPoint(64, 108) << false;
        QTest::newRow("20 %, scrolled")
            << big << 3 << QRect(QPoint(5, 6), QPoint(50, 40)) << QPoint(10, 20) << QSize(240, 185)
            << QPoint(80, 135) << false;
        QTest::newRow("any other index is 20 %")
            << big << 9 << QRect(QPoint(5, 6), QPoint(50, 40)) << QPoint(10, 20) << QSize(240, 185)
            << QPoint(80, 135) << false;
        QTest::newRow("one pixel wide at 100 %")
            << big << 0 << QRect(QPoint(10, 20), QPoint(11, 70)) << QPoint(0, 0) << QSize(4, 53)
            << QPoint(11, 21) << false;
        QTest::newRow("beyond the right and bottom edges")
            << QSize(300, 200) << 0 << QRect(QPoint(250, 150), QPoint(400, 260)) << QPoint(0, 0)
            << QSize(153, 113) << QPoint(251, 151) << false;
        QTest::newRow("left of and above the picture")
            << QSize(300, 200) << 1 << QRect(QPoint(-20, -8), QPoint(40, 50)) << QPoint(5, 0)
            << QSize(126, 122) << QPoint(-28, -14) << false;
        QTest::newRow("grey, 50 %, scrolled right")
            << big << 1 << corners << QPoint(30, 0) << QSize(206, 106) << QPoint(82, 42) << true;
        QTest::newRow("grey, beyond the right and bottom edges")
            << QSize(300, 200) << 0 << QRect(QPoint(250, 150), QPoint(400, 260)) << QPoint(0, 0)
            << QSize(153, 113) << QPoint(251, 151) << true;
        QTest::newRow("grey, left of and above the picture")
            << QSize(300, 200) << 1 << QRect(QPoint(-20, -8), QPoint(40, 50)) << QPoint(5, 0)
            << QSize(126, 122) << QPoint(-28, -14) << true;
    }
    void cropsTheRegionUnderTheFrame() {
        QFETCH(QSize, picture);
        QFETCH(int, zoomIndex);
        QFETCH(QRect, corners);
        QFETCH(QPoint, scroll);
        QFETCH(QSize, outer);
        QFETCH(QPoint, firstPixel);
        QFETCH(bool, grey);
        const auto level = [](QPoint p) { return (p.x() * 7 + p.y() * 13) & 0xFF; };
        PictureBox source(nullptr, PictureBox::Border::None);
        source.setAutoSize(true);
        QImage pixels = coordinatePicture(picture.width(), picture.height());
        if (grey) {
            pixels = QImage(picture, QImage::Format_Grayscale8);
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    pixels.scanLine(y)[x] = uchar(level({x, y}));
        }
        source.setPicture(pixels);
        PictureBox target(nullptr, PictureBox::Border::Sunken);
        target.setAutoSize(true);
        target.setPicture(coordinatePicture(30, 30)); // an earlier preview's picture
        target.show();

        cropSelection(source.picture(), corners.left() + 1, corners.top() + 1, corners.right() + 4,
                      corners.bottom() + 4, scroll.x(), scroll.y(), uint8_t(zoomIndex), &target);

        QCOMPARE(QSize(target.outerWidth(), target.outerHeight()), outer);
        // A surface without columns holds no rows either.
        const QSize surface(outer.width() - 4, outer.height() - 4);
        QCOMPARE(target.surface().size(), surface.isEmpty() ? QSize(0, 0) : surface);
        QVERIFY(!target.hasPicture());
        QVERIFY(target.isHidden());
        QCOMPARE(target.drawMode(), PictureBox::DrawMode::CopyPen);
        QCOMPARE(target.greySurface(), grey);
        const QImage& s = target.surface();
        for (int j = 0; j < s.height(); ++j)
            for (int i = 0; i < s.width(); ++i) {
                const QPoint from = firstPixel + QPoint(i, j);
                const bool inside = from.x() >= 0 && from.y() >= 0 && from.x() < picture.width() &&
                                    from.y() < picture.height();
                if (inside && grey)
                    QCOMPARE(s.pixel(i, j), qRgb(level(from), level(from), level(from)));
                else if (inside)
                    QCOMPARE(coordinateOf(s.pixel(i, j)), from);
                else
                    QCOMPARE(s.pixel(i, j), qRgb(255, 255, 255));
            }
    }

    void refusesWhatCannotBeCut() {
        PictureBox source(nullptr, PictureBox::Border::None);
        source.setAutoSize(true);
        source.setPicture(coordinatePicture(50, 50));
        PictureBox target(nullptr, PictureBox::Border::Sunken);
        // Edges the wrong way round.
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 cropSelection(source.picture(), 40, 10, 20, 30, 0, 0, 0, &target));
        // Beyond 32 bits.
        const int32_t big = std::numeric_limits<int32_t>::max() / 2;
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 cropSelection(source.picture(), 1, 1, big, 5, 0, 0, 2, &target));
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 cropSelection(source.picture(), 1, 1, 5, 5, big, 0, 3, &target));
    }

    void noPictureGivesPaper() {
        PictureBox source(nullptr, PictureBox::Border::None);
        PictureBox target(nullptr, PictureBox::Border::Sunken);
        cropSelection(source.picture(), 11, 21, 114, 74, 0, 0, 0, &target);
        QImage white(99, 49, QImage::Format_RGB32);
        white.fill(Qt::white);
        QCOMPARE(target.surface(), white);
    }
};

QTEST_MAIN(TestSelectionRules)
#include "test_selectionrules.moc"
