#include "crop.h"
#include "picturebox.h"
#include "viewerwindow.h"
#include "widgets.h"

#include <QApplication>
#include <QtTest>

using namespace quillpix;
using namespace quillpix::testing;

namespace {

const QSize kPicture(3000, 2400);

QList<int> corners(const SelectionState& s) {
    return {s.x1, s.y1, s.x2, s.y2};
}

QImage filled(const PictureBox* box) {
    QImage image(box->surface().size(), QImage::Format_RGB32);
    image.fill(box->backColor());
    return image;
}

// What the preview box shows for a selection: the picture from (left, top) at full size,
// region w × h, cut at the box's outer size, the rest in the back colour.
QImage expectedPreview(const PictureBox* box, const QImage& picture, QPoint from, QSize region) {
    QImage image = filled(box);
    const int w = std::min(region.width(), box->outerWidth());
    const int h = std::min(region.height(), box->outerHeight());
    if (w <= 0 || h <= 0)
        return image;
    for (int j = 0; j < std::min(h, image.height()); ++j)
        for (int i = 0; i < std::min(w, image.width()); ++i) {
            const QPoint p = from + QPoint(i, j);
            if (p.x() >= 0 && p.y() >= 0 && p.x() < picture.width() && p.y() < picture.height())
                image.setPixel(i, j, picture.pixel(p));
        }
    return image;
}

} // namespace

class TestSelectionWindow : public QObject {
    Q_OBJECT

    void openWithScan(ViewerWindow& w, QSize size = kPicture) {
        w.ws.addPicture(QStringLiteral("scan.bmp"), coordinatePicture(size.width(), size.height()));
        w.open();
        w.choose(QStringLiteral("scan.bmp"));
    }

private Q_SLOTS:
    void dragSelectsPreviewsAndCrops_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QPoint>("scroll");
        QTest::addColumn<bool>("backwards");
        const char* zooms[] = {"100 %", "50 %", "25 %", "20 %"};
        for (int row = 0; row < 4; ++row)
            for (QPoint scroll : {QPoint(0, 0), QPoint(37, 61)})
                for (bool backwards : {false, true})
                    QTest::addRow("%s, view at %d,%d%s", zooms[row], scroll.x(), scroll.y(),
                                  backwards ? ", dragged up and left" : "")
                        << row << scroll << backwards;
    }
    void dragSelectsPreviewsAndCrops() {
        QFETCH(int, row);
        QFETCH(QPoint, scroll);
        QFETCH(bool, backwards);
        ViewerWindow w;
        openWithScan(w);
        Controls& c = w.c();
        const int z = row == 0 ? 1 : row == 1 ? 2 : row == 2 ? 4 : 5;
        if (row != 1)
            w.chooseZoom(row);
        c.HScroll1->setValue(scroll.x());
        c.VScroll1->setValue(scroll.y());
        const QImage before = c.picDisp->surface().copy();

        const QPoint topLeft(30, 40), bottomRight(170, 121);
        if (backwards)
            drag(c.picDisp, bottomRight, topLeft);
        else
            drag(c.picDisp, topLeft, bottomRight);

        const SelectionState& s = w.state();
        QVERIFY(!s.dragging);
        QCOMPARE(corners(s), (QList<int>{30, 40, 170, 121}));
        QCOMPARE(s.frameScrollH, scroll.x());
        QCOMPARE(s.frameScrollV, scroll.y());
        QCOMPARE(c.lblWidth->text(), QStringLiteral("幅＝140"));
        QCOMPARE(c.lblHeight->text(), QStringLiteral("高さ＝81"));
        QVERIFY(c.cmdRecognize->isEnabled());
        QCOMPARE(QApplication::focusWidget(), c.txtResult);
        QVERIFY(w.platform.messages.isEmpty());
        // Only the last frame is left on the display; the moves erased the ones before.
        QImage display = before;
        xorFrame(display, 30, 40, 170, 121);
        QCOMPARE(c.picDisp->surface(), display);

        // The preview starts just inside the frame, unreduced.
        const QImage& picture = c.picBmp->picture();
        const QPoint inside((30 + scroll.x() + 1) * z, (40 + scroll.y() + 1) * z);
        QCOMPARE(c.picDispRect->surface(),
                 expectedPreview(c.picDispRect, picture, inside,
                                 QSize((170 - 30 - 1) * z, (121 - 40 - 1) * z)));
        QCOMPARE(coordinateOf(c.picDispRect->surface().pixel(0, 0)), inside);

        // The crop the runs make: the picture from the first pixel inside the frame,
        // (x2 - x1 + 3)·z - 4 by (y2 - y1 + 3)·z - 4 pixels.
        cropSelection(c.picBmp->picture(), s.x1 + 1, s.y1 + 1, s.x2 + 4, s.y2 + 4,
                      c.HScroll1->value(), c.VScroll1->value(), uint8_t(c.lstZoom->currentRow()),
                      c.picRect);
        const QImage& crop = c.picRect->surface();
        QCOMPARE(crop.size(), QSize(143 * z - 4, 84 * z - 4));
        QCOMPARE(crop, picture.copy(QRect(inside, crop.size())));
    }

    // At every zoom, whole-picture row included, the run's cut-out holds the picture pixels the
    // selection stands for; Ctrl+A on the display selects all of them (with fewer than z white
    // columns and rows where z does not divide the picture).
    void theRunsCutOutAtEveryZoom_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("z");
        QTest::addColumn<QPoint>("scroll");
        QTest::addColumn<bool>("whole");
        QTest::newRow("whole picture row, dragged") << 4 << 6 << QPoint() << false;
        QTest::newRow("whole picture row, Ctrl+A") << 4 << 6 << QPoint() << true;
        QTest::newRow("100 %, Ctrl+A, view scrolled") << 0 << 1 << QPoint(37, 61) << true;
        QTest::newRow("50 %, Ctrl+A, view scrolled") << 1 << 2 << QPoint(37, 61) << true;
        QTest::newRow("20 %, Ctrl+A") << 3 << 5 << QPoint() << true;
    }
    void theRunsCutOutAtEveryZoom() {
        QFETCH(int, row);
        QFETCH(int, z);
        QFETCH(QPoint, scroll);
        QFETCH(bool, whole);
        ViewerWindow w;
        openWithScan(w);
        Controls& c = w.c();
        w.chooseZoom(row);
        c.HScroll1->setValue(scroll.x());
        c.VScroll1->setValue(scroll.y());
        QCOMPARE(c.HScroll1->value(), scroll.x());
        QImage view = w.expectedView(z, scroll.x(), scroll.y());
        QCOMPARE(c.picDisp->surface(), view);
        const QImage& picture = c.picBmp->picture();
        const SelectionState& s = w.state();
        if (whole) {
            c.picDisp->setFocus();
            QVERIFY(c.picDisp->hasFocus());
            QTest::keyClick(c.picDisp, Qt::Key_A, Qt::ControlModifier);
        } else {
            drag(c.picDisp, {30, 40}, {170, 121});
        }
        QVERIFY(c.cmdRecognize->isEnabled());
        xorFrame(view, s.x1, s.y1, s.x2, s.y2);
        QCOMPARE(c.picDisp->surface(), view);

        const QImage crop = w.window->selection().cropForRun();
        if (!whole) {
            const QPoint inside(31 * z, 41 * z);
            QCOMPARE(crop.size(), QSize(143 * z - 4, 84 * z - 4));
            QCOMPARE(crop, picture.copy(QRect(inside, crop.size())));
            return;
        }
        QCOMPARE(c.lblWidth->text(), QStringLiteral("幅＝%1").arg(s.x2 - s.x1));
        QVERIFY2(crop.width() >= 3000 && crop.width() < 3000 + z,
                 qPrintable(QString::number(crop.width())));
        QVERIFY2(crop.height() >= 2400 && crop.height() < 2400 + z,
                 qPrintable(QString::number(crop.height())));
        QCOMPARE(crop.copy(0, 0, 3000, 2400), picture);
        for (int x = 3000; x < crop.width(); ++x)
            QCOMPARE(crop.pixel(x, 5), qRgb(255, 255, 255));
    }

    // The whole picture's frame lies left of and above the view; the next press still erases it.
    void aPressErasesTheWholePicturesFrame() {
        ViewerWindow w;
        openWithScan(w, QSize(400, 300));
        Controls& c = w.c();
        w.chooseZoom(0);
        const QImage view = c.picDisp->surface().copy();
        w.window->selection().selectWholePicture();
        QVERIFY(c.picDisp->surface() != view);
        QVERIFY(w.state().x1 < 0);
        pressOn(c.picDisp, {100, 100});
        QCOMPARE(c.picDisp->surface(), view);
        QVERIFY(!c.cmdRecognize->isEnabled());
    }

    // A drag held beyond the display's edge scrolls the view; the band reaches from the same
    // picture pixel to the pointer, and no frame of an earlier step is left behind.
    void aDragHeldBeyondTheEdgeScrolls() {
        ViewerWindow w;
        openWithScan(w);
        Controls& c = w.c();
        w.chooseZoom(0);
        const int inner = c.picDisp->innerWidth();
        pressOn(c.picDisp, {100, 100});
        QMouseEvent out(QEvent::MouseMove, QPointF(inner + 30, 150), QPointF(inner + 30, 150),
                        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(c.picDisp, &out);
        // Far enough that the anchor lies left of the view.
        QTRY_VERIFY(c.HScroll1->value() >= 120);
        QCOMPARE(c.VScroll1->value(), 0);
        releaseOn(c.picDisp, {inner - 20, 150});
        const int h = c.HScroll1->value();
        const SelectionState& s = w.state();
        QCOMPARE(corners(s), (QList<int>{100 - h, 100, inner - 20, 150}));
        QImage view = w.expectedView(1, h, 0);
        xorFrame(view, 100 - h, 100, inner - 20, 150);
        QCOMPARE(c.picDisp->surface(), view);
        // Nothing scrolls once the button is up.
        QTest::qWait(120);
        QCOMPARE(c.HScroll1->value(), h);
        const QImage crop = w.window->selection().cropForRun();
        // From the pixel right of and below the anchor to the one left of the release.
        QCOMPARE(crop, c.picBmp->picture().copy(QRect(101, 101, inner - 20 + h - 101, 49)));
    }

    // Grown, the display fits the picture afresh at the whole-picture row.
    void theWholePictureRowRefitsWhenTheDisplayGrows() {
        ViewerWindow w;
        openWithScan(w);
        Controls& c = w.c();
        w.chooseZoom(4);
        QCOMPARE(c.picDisp->surface(), w.expectedView(6, 0, 0));
        QVERIFY(!c.HScroll1->isEnabled() && !c.VScroll1->isEnabled());
        drag(c.picDisp, {30, 40}, {170, 121});
        w.window->resize(w.window->size() + QSize(200, 400));
        QTRY_COMPARE(c.picDisp->innerHeight(), 601);
        QCOMPARE(c.picDisp->surface(), w.expectedView(5, 0, 0));
        QCOMPARE(corners(w.state()), (QList<int>{0, 0, 0, 0}));
        QVERIFY(!c.cmdRecognize->isEnabled());
    }

    void scrollingAfterTheSelectionCutsTheSameRegion() {
        ViewerWindow w;
        openWithScan(w);
        Controls& c = w.c();
        drag(c.picDisp, {60, 50}, {200, 150});
        const SelectionState& s = w.state();
        auto cut = [&] {
            cropSelection(c.picBmp->picture(), s.x1 + 1, s.y1 + 1, s.x2 + 4, s.y2 + 4,
                          c.HScroll1->value(), c.VScroll1->value(),
                          uint8_t(c.lstZoom->currentRow()), c.picRect);
            return c.picRect->surface().copy();
        };
        const QImage first = cut();
        c.HScroll1->setValue(30);
        c.VScroll1->setValue(90);
        QCOMPARE(corners(s), (QList<int>{30, -40, 170, 60}));
        QCOMPARE(cut(), first);
    }

    void clickWithoutMovingThenPressAgain() {
        ViewerWindow w;
        openWithScan(w);
        Controls& c = w.c();
        const QImage clean = c.picDisp->surface().copy();
        drag(c.picDisp, {30, 40}, {170, 121});
        QVERIFY(c.picRect->isHidden());

        // A release at the press point: the earlier frame is erased by the press, the labels
        // empty and the preview erased; the corners stay, not zero.
        pressOn(c.picDisp, {50, 60});
        QVERIFY(!c.cmdRecognize->isEnabled());
        releaseOn(c.picDisp, {50, 60});
        QCOMPARE(corners(w.state()), (QList<int>{50, 60, 50, 60}));
        QCOMPARE(c.lblWidth->text(), QString());
        QCOMPARE(c.lblHeight->text(), QString());
        QCOMPARE(c.picDispRect->surface(), filled(c.picDispRect));
        QVERIFY(!c.cmdRecognize->isEnabled());
        QImage point = clean;
        xorFrame(point, 50, 60, 50, 60);
        QCOMPARE(c.picDisp->surface(), point);

        // The next press erases that point and discards the corners before its drag starts.
        pressOn(c.picDisp, {200, 100});
        QCOMPARE(c.picDisp->surface(), clean);
        QCOMPARE(corners(w.state()), (QList<int>{200, 100, 0, 0}));
        QVERIFY(w.state().dragging);
        moveOn(c.picDisp, {260, 150});
        releaseOn(c.picDisp, {260, 150});
        QCOMPARE(corners(w.state()), (QList<int>{200, 100, 260, 150}));
        QImage frame = clean;
        xorFrame(frame, 200, 100, 260, 150);
        QCOMPARE(c.picDisp->surface(), frame);

        // A frame with a corner on the left edge (x = 0) counts as off the display: the next
        // press leaves it drawn and its corners in place until the drag starts anew.
        pressOn(c.picDisp, {300, 200});
        drag(c.picDisp, {90, 20}, {0, 80});
        QImage edge = clean;
        xorFrame(edge, 0, 20, 90, 80);
        pressOn(c.picDisp, {120, 100});
        QCOMPARE(c.picDisp->surface(), edge);
        QCOMPARE(corners(w.state()), (QList<int>{120, 100, 90, 80}));
    }

    void releaseAwayFromTheLastMoveKeepsFrameAndCornersTogether() {
        ViewerWindow w;
        openWithScan(w);
        Controls& c = w.c();
        const QImage clean = c.picDisp->surface().copy();
        pressOn(c.picDisp, {30, 40});
        moveOn(c.picDisp, {100, 100});
        releaseOn(c.picDisp, {120, 110});
        QCOMPARE(corners(w.state()), (QList<int>{30, 40, 120, 110}));
        QImage frame = clean;
        xorFrame(frame, 30, 40, 120, 110);
        QCOMPARE(c.picDisp->surface(), frame);
        pressOn(c.picDisp, {300, 300});
        QCOMPARE(c.picDisp->surface(), clean);
    }

    void rightButtonChangesNothing() {
        ViewerWindow w;
        openWithScan(w);
        Controls& c = w.c();
        drag(c.picDisp, {30, 40}, {170, 121});
        const QImage shown = c.picDisp->surface().copy();
        pressOn(c.picDisp, {300, 200}, Qt::RightButton);
        moveOn(c.picDisp, {350, 250});
        releaseOn(c.picDisp, {350, 250}, Qt::RightButton);
        QCOMPARE(corners(w.state()), (QList<int>{30, 40, 170, 121}));
        QVERIFY(!w.state().dragging);
        QVERIFY(c.cmdRecognize->isEnabled());
        QCOMPARE(c.lblWidth->text(), QStringLiteral("幅＝140"));
        QCOMPARE(c.picDisp->surface(), shown);
    }

    void aSelectionOnePixelWideHasNoPreview() {
        ViewerWindow w;
        openWithScan(w);
        Controls& c = w.c();
        drag(c.picDisp, {30, 40}, {170, 121});
        drag(c.picDisp, {100, 50}, {101, 90});
        QCOMPARE(c.lblWidth->text(), QStringLiteral("幅＝1"));
        QCOMPARE(c.lblHeight->text(), QStringLiteral("高さ＝40"));
        QVERIFY(c.cmdRecognize->isEnabled());
        QCOMPARE(c.picDispRect->surface(), filled(c.picDispRect));
    }

    void aPressInTheTopLeftCornerStartsNoDrag() {
        ViewerWindow w;
        openWithScan(w);
        Controls& c = w.c();
        const QImage clean = c.picDisp->surface().copy();
        drag(c.picDisp, {30, 40}, {170, 121});
        pressOn(c.picDisp, {0, 0});
        QVERIFY(!w.state().dragging);
        QCOMPARE(corners(w.state()), (QList<int>{0, 0, 0, 0}));
        moveOn(c.picDisp, {80, 80});
        QCOMPARE(c.picDisp->surface(), clean);
        releaseOn(c.picDisp, {80, 80});
        // The release still counts, with the corners as they were: (0, 0)-(80, 80).
        QCOMPARE(corners(w.state()), (QList<int>{0, 0, 80, 80}));
        QVERIFY(c.cmdRecognize->isEnabled());
        // Only one coordinate at the edge does start a drag.
        pressOn(c.picDisp, {0, 50});
        QVERIFY(w.state().dragging);
        releaseOn(c.picDisp, {0, 50});
    }

    void aFrameLeavingTheDisplayStaysUntilRepainted() {
        ViewerWindow w;
        openWithScan(w);
        Controls& c = w.c();
        const QImage clean = c.picDisp->surface().copy();
        drag(c.picDisp, {100, 50}, {-10, 120});
        QCOMPARE(corners(w.state()), (QList<int>{-10, 50, 100, 120}));
        QImage frame = clean;
        xorFrame(frame, -10, 50, 100, 120);
        QCOMPARE(c.picDisp->surface(), frame);
        // A corner at or beyond the edge fails the test for a frame on the display.
        pressOn(c.picDisp, {300, 300});
        QCOMPARE(c.picDisp->surface(), frame);
        releaseOn(c.picDisp, {300, 300});
        c.VScroll1->setValue(30); // a repaint removes it
        QImage view = w.expectedView(2, 0, 30);
        const SelectionState& s = w.state();
        xorFrame(view, s.x1, s.y1, s.x2, s.y2);
        QCOMPARE(c.picDisp->surface(), view);
    }

    void aSelectionBeforeAnyPictureDoesNotFail() {
        ViewerWindow w;
        w.open();
        Controls& c = w.c();
        drag(c.picDisp, {30, 40}, {170, 121});
        QVERIFY(w.platform.messages.isEmpty());
        QCOMPARE(corners(w.state()), (QList<int>{30, 40, 170, 121}));
        QCOMPARE(c.lblWidth->text(), QStringLiteral("幅＝140"));
        QCOMPARE(c.picDispRect->surface(), filled(c.picDispRect));
        cropSelection(c.picBmp->picture(), 31, 41, 174, 125, 0, 0, 1, c.picRect);
        QImage white(282, 164, QImage::Format_RGB32);
        white.fill(Qt::white);
        QCOMPARE(c.picRect->surface(), white);
    }

    void beyondThePictureTheCropIsWhite() {
        ViewerWindow w;
        openWithScan(w, QSize(400, 300));
        Controls& c = w.c();
        w.chooseZoom(0);
        drag(c.picDisp, {350, 250}, {480, 380});
        const SelectionState& s = w.state();
        cropSelection(c.picBmp->picture(), s.x1 + 1, s.y1 + 1, s.x2 + 4, s.y2 + 4, 0, 0, 0,
                      c.picRect);
        const QImage& crop = c.picRect->surface();
        QCOMPARE(crop.size(), QSize(129, 129));
        QCOMPARE(coordinateOf(crop.pixel(0, 0)), QPoint(351, 251));
        QCOMPARE(coordinateOf(crop.pixel(48, 48)), QPoint(399, 299));
        QCOMPARE(crop.pixel(49, 10), qRgb(255, 255, 255));
        QCOMPARE(crop.pixel(10, 49), qRgb(255, 255, 255));
        QCOMPARE(crop.pixel(128, 128), qRgb(255, 255, 255));
        // The preview shows the back colour there.
        QCOMPARE(c.picDispRect->surface(),
                 expectedPreview(c.picDispRect, c.picBmp->picture(), {351, 251}, {129, 129}));
    }
};

QTEST_MAIN(TestSelectionWindow)
#include "test_selectionwindow.moc"
