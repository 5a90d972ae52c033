#include "cp932.h"
#include "filelistbox.h"
#include "listing.h"
#include "picturebox.h"
#include "picturefiles.h"
#include "pictureloader.h"
#include "runstate.h"
#include "viewerwindow.h"
#include "waysinhandler.h"
#include "widgets.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QSettings>
#include <QTimer>
#include <QtTest>

using namespace quillpix;
using namespace quillpix::testing;

namespace {

// Scrolls at every zoom in the 530 × 405 display of an 800-pixel screen.
const QSize kPicture(3000, 2400);

void addScan(ViewerWindow& w, const QString& name) {
    w.ws.addPicture(name, coordinatePicture(kPicture.width(), kPicture.height()));
}

QList<int> corners(const SelectionState& s) {
    return {s.x1, s.y1, s.x2, s.y2};
}

} // namespace

class TestViewerWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Opening a path (the menu, a drop, the command line all come here) changes the folder and
    // the picture only for what can be shown; anything else is told and leaves the picture,
    // its unsaved text and the folder as they were. Folders from elsewhere are remembered, the
    // workspace's picture folders are not; a remembered folder that has gone is dropped at
    // start; the chooser reads the picture folders again when it opens.
    void waysIn_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("told");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("remembered");
        QTest::newRow("a text file is refused") << "open"
                                                << "elsewhere/notes.txt" << true << "bmp_gif_sample"
                                                << "a.bmp" << QStringList{};
        QTest::newRow("a picture the list does not show (hidden)")
            << "open"
            << "elsewhere/.hidden.bmp" << true << "bmp_gif_sample"
            << "a.bmp" << QStringList{};
        QTest::newRow("a path that is gone") << "open"
                                             << "elsewhere/gone.bmp" << true << "bmp_gif_sample"
                                             << "a.bmp" << QStringList{};
        QTest::newRow("a damaged picture") << "open"
                                           << "elsewhere/bad.bmp" << true << "bmp_gif_sample"
                                           << "a.bmp" << QStringList{};
        QTest::newRow("a picture from elsewhere") << "open"
                                                  << "elsewhere/b.bmp" << false << "elsewhere"
                                                  << "b.bmp" << QStringList{"elsewhere"};
        QTest::newRow("a workspace picture folder: chosen, not remembered")
            << "open"
            << "bmp_gif_zother" << false << "bmp_gif_zother"
            << "" << QStringList{};
        QTest::newRow("nothing to paste") << "paste"
                                          << "" << true << "bmp_gif_sample"
                                          << "a.bmp" << QStringList{};
        QTest::newRow("files copied in a file manager, pasted")
            << "paste"
            << "elsewhere/b.bmp" << false << "elsewhere"
            << "b.bmp" << QStringList{"elsewhere"};
        QTest::newRow("a picture folder made meanwhile, offered when the chooser opens")
            << "popup"
            << "bmp_gif_new" << false << "bmp_gif_sample"
            << "a.bmp" << QStringList{};
    }
    void waysIn() {
        QFETCH(QString, way);
        QFETCH(QString, path);
        QFETCH(bool, told);
        QFETCH(QString, folder);
        QFETCH(QString, chosen);
        QFETCH(QStringList, remembered);
        ViewerWindow w;
        const QString root = w.ws.root();
        w.ws.addPicture(QStringLiteral("a.bmp"), coordinatePicture(40, 30));
        w.ws.writeFile(QStringLiteral("elsewhere/notes.txt"), "text");
        w.ws.writeFile(QStringLiteral("elsewhere/bad.bmp"), "BM this is no picture at all");
        QVERIFY(coordinatePicture(50, 20).save(root + QStringLiteral("/elsewhere/b.bmp")));
        QVERIFY(coordinatePicture(50, 20).save(root + QStringLiteral("/elsewhere/.hidden.bmp")));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/bmp_gif_zother")));
        QVERIFY(coordinatePicture(20, 50).save(root + QStringLiteral("/bmp_gif_zother/c.bmp")));
        QSettings(w.ws.bin() + QStringLiteral("/quillpix.ini"), QSettings::IniFormat)
            .setValue(QStringLiteral("folders/opened"),
                      QStringList{root + QStringLiteral("/gone")});
        w.open();
        Controls& c = w.c();
        w.choose(QStringLiteral("a.bmp"));
        c.txtResult->setText(QStringLiteral("unsaved"));

        if (way == QLatin1String("open")) {
            w.window->waysIn().openPaths({root + QLatin1Char('/') + path});
        } else if (way == QLatin1String("paste")) {
            if (!path.isEmpty())
                w.platform.clipboard.files = {root + QLatin1Char('/') + path};
            w.window->waysIn().paste();
        } else {
            QVERIFY(QDir().mkpath(root + QLatin1Char('/') + path));
            c.cmbFolder->showPopup();
            c.cmbFolder->hidePopup();
            QVERIFY(c.cmbFolder->findText(path) >= 0);
        }
        QCOMPARE(w.platform.messages.size(), told ? 1 : 0);
        if (told)
            QVERIFY2(w.platform.messages.first().contains(path.section(QLatin1Char('/'), -1)),
                     qPrintable(w.platform.messages.first()));
        QCOMPARE(QFileInfo(c.File1->folder()).canonicalFilePath(),
                 QFileInfo(root + QLatin1Char('/') + folder).canonicalFilePath());
        QCOMPARE(c.cmbFolder->itemData(c.cmbFolder->currentIndex()).toString().isEmpty(), false);
        QCOMPARE(QFileInfo(c.cmbFolder->itemData(c.cmbFolder->currentIndex()).toString())
                     .canonicalFilePath(),
                 QFileInfo(c.File1->folder()).canonicalFilePath());
        QCOMPARE(c.File1->fileName(), chosen);
        if (chosen == QLatin1String("a.bmp"))
            QCOMPARE(c.txtResult->text(), QStringLiteral("unsaved"));
        QStringList expected;
        for (const QString& r : remembered)
            expected << QFileInfo(root + QLatin1Char('/') + r).canonicalFilePath();
        QCOMPARE(QSettings(w.ws.bin() + QStringLiteral("/quillpix.ini"), QSettings::IniFormat)
                     .value(QStringLiteral("folders/opened"))
                     .toStringList(),
                 expected);
    }

    void choosingAPictureShowsItWithItsSavedText() {
        ViewerWindow w;
        addScan(w, QStringLiteral("page1.bmp"));
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/page1.bmp.txt"),
                       cp932::encode(QStringLiteral("一行目\r\n二行目")));
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/page1.txt"), "not this one\r\n");
        w.open();
        Controls& c = w.c();
        QVERIFY(!c.cmdPaint->isEnabled());
        w.choose(QStringLiteral("page1.bmp"));

        QVERIFY(w.platform.messages.isEmpty());
        QCOMPARE(c.picBmp->picture().size(), kPicture);
        // Start-up chose 50 %: 1500 × 1200 reduced, display 530 × 405 outside.
        QCOMPARE(c.HScroll1->logicalMaximum(), 970);
        QCOMPARE(c.HScroll1->pageStep(), 300);
        QCOMPARE(c.HScroll1->singleStep(), 1);
        QVERIFY(c.HScroll1->isEnabled());
        QCOMPARE(c.VScroll1->logicalMaximum(), 795);
        QCOMPARE(c.VScroll1->pageStep(), 240);
        QCOMPARE(c.VScroll1->singleStep(), 30);
        QVERIFY(c.VScroll1->isEnabled());
        QCOMPARE(c.picDisp->surface(), w.expectedView(2, 0, 0));
        QCOMPARE(coordinateOf(c.picDisp->surface().pixel(100, 7)), QPoint(200, 14));

        QCOMPARE(c.txtResult->text(), QStringLiteral("一行目\r\n二行目\r\n"));
        QVERIFY(c.cmdOpenTextFile->isEnabled());
        QVERIFY(c.cmdPaint->isEnabled());
        QCOMPARE(c.File1->fileName(), QStringLiteral("page1.bmp"));
        QCOMPARE(w.window->cursor().shape(), Qt::ArrowCursor);

        // A click on the chosen picture chooses it again: its saved text as it now stands.
        c.txtResult->setText(QStringLiteral("edited"));
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/page1.bmp.txt"), "saved\r\n");
        w.choose(QStringLiteral("page1.bmp"));
        QCOMPARE(c.txtResult->text(), QStringLiteral("saved\r\n"));
    }

    void choosingAnotherPictureReplacesTextAndSelection() {
        ViewerWindow w;
        addScan(w, QStringLiteral("page1.bmp"));
        w.ws.addPicture(QStringLiteral("page2.bmp"), coordinatePicture(400, 300));
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/page1.bmp.txt"), "abc\r\n");
        w.open();
        Controls& c = w.c();
        w.choose(QStringLiteral("page1.bmp"));
        c.HScroll1->setValue(100);
        drag(c.picDisp, {20, 30}, {120, 80});
        QVERIFY(c.cmdRecognize->isEnabled());
        c.txtResult->setText(QStringLiteral("unsaved edits"));

        w.choose(QStringLiteral("page2.bmp"));
        QCOMPARE(c.txtResult->text(), QString());
        QVERIFY(!c.cmdOpenTextFile->isEnabled());
        // The corners are gone with the old picture, so there is nothing left to run on.
        QCOMPARE(corners(w.state()), (QList<int>{0, 0, 0, 0}));
        QVERIFY(!c.cmdRecognize->isEnabled());
        // 200 × 150 at 50 % fits: both bars off, view at the top-left, no frame left.
        QCOMPARE(c.HScroll1->value(), 0);
        QVERIFY(!c.HScroll1->isEnabled());
        QVERIFY(!c.VScroll1->isEnabled());
        QCOMPARE(c.picDisp->surface(), w.expectedView(2, 0, 0));
    }

    void zoomSetsUpTheBarsAndView_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("z");
        QTest::addColumn<int>("hMax");
        QTest::addColumn<int>("vMax");
        QTest::newRow("100 %") << 0 << 1 << 2470 << 1995;
        QTest::newRow("50 %") << 1 << 2 << 970 << 795;
        QTest::newRow("25 %") << 2 << 4 << 220 << 195;
        QTest::newRow("20 %") << 3 << 5 << 70 << 75;
        QTest::newRow("nothing selected") << -1 << 5 << 70 << 75;
    }
    void zoomSetsUpTheBarsAndView() {
        QFETCH(int, row);
        QFETCH(int, z);
        QFETCH(int, hMax);
        QFETCH(int, vMax);
        ViewerWindow w;
        addScan(w, QStringLiteral("scan.bmp"));
        w.open();
        Controls& c = w.c();
        w.choose(QStringLiteral("scan.bmp"));
        if (row >= 0) {
            w.chooseZoom(row == 1 ? 0 : row); // make sure the row changes
            w.chooseZoom(row);
        } else {
            c.lstZoom->setCurrentRow(-1);
        }
        QCOMPARE(w.window->viewer().zoomDivisor(), z);
        QCOMPARE(c.HScroll1->logicalMaximum(), hMax);
        QCOMPARE(c.VScroll1->logicalMaximum(), vMax);
        QCOMPARE(c.HScroll1->pageStep(), kPicture.width() / (5 * z));
        QCOMPARE(c.VScroll1->pageStep(), kPicture.height() / (5 * z));
        QCOMPARE(c.picDisp->surface(), w.expectedView(z, 0, 0));

        // Scrolled: the display shows the picture from (h·z, v·z), every pixel by the rule.
        c.HScroll1->setValue(hMax / 2);
        c.VScroll1->setValue(vMax / 3);
        QCOMPARE(c.picDisp->surface(), w.expectedView(z, hMax / 2, vMax / 3));
        QCOMPARE(coordinateOf(c.picDisp->surface().pixel(0, 0)),
                 QPoint(hMax / 2 * z, vMax / 3 * z));
        c.HScroll1->setValue(hMax);
        c.VScroll1->setValue(vMax);
        QCOMPARE(c.picDisp->surface(), w.expectedView(z, hMax, vMax));
        QVERIFY(w.platform.messages.isEmpty());
    }

    void zoomChangeDiscardsTheSelection() {
        ViewerWindow w;
        addScan(w, QStringLiteral("scan.bmp"));
        w.open();
        Controls& c = w.c();
        w.choose(QStringLiteral("scan.bmp"));
        drag(c.picDisp, {50, 60}, {150, 100});
        QVERIFY(c.cmdRecognize->isEnabled());
        w.chooseZoom(2);
        QCOMPARE(corners(w.state()), (QList<int>{0, 0, 0, 0}));
        QVERIFY(!c.cmdRecognize->isEnabled());
        QCOMPARE(c.picDisp->surface(), w.expectedView(4, 0, 0));

        // With the view scrolled, resetting the bars shifts the zeroed corners by the old
        // positions; the repaint shows no frame.
        c.HScroll1->setValue(40);
        c.VScroll1->setValue(90);
        drag(c.picDisp, {50, 60}, {150, 100});
        w.chooseZoom(0);
        QCOMPARE(corners(w.state()), (QList<int>{40, 90, 40, 90}));
        QCOMPARE(w.state().frameScrollH, 0);
        QCOMPARE(w.state().frameScrollV, 0);
        QCOMPARE(c.HScroll1->value(), 0);
        QCOMPARE(c.VScroll1->value(), 0);
        QVERIFY(!c.cmdRecognize->isEnabled());
        QCOMPARE(c.picDisp->surface(), w.expectedView(1, 0, 0));
    }

    void scrollingMovesTheFrameWithThePicture() {
        ViewerWindow w;
        addScan(w, QStringLiteral("scan.bmp"));
        w.open();
        Controls& c = w.c();
        w.choose(QStringLiteral("scan.bmp"));
        drag(c.picDisp, {100, 50}, {200, 120});
        c.HScroll1->setValue(40);
        QCOMPARE(corners(w.state()), (QList<int>{60, 50, 160, 120}));
        QCOMPARE(w.state().frameScrollH, 40);
        QImage expected = w.expectedView(2, 40, 0);
        xorFrame(expected, 60, 50, 160, 120);
        QCOMPARE(c.picDisp->surface(), expected);

        c.VScroll1->setValue(30);
        QCOMPARE(corners(w.state()), (QList<int>{60, 20, 160, 90}));
        expected = w.expectedView(2, 40, 30);
        xorFrame(expected, 60, 20, 160, 90);
        QCOMPARE(c.picDisp->surface(), expected);
    }

    void thumbTrackingDrawsEverySecondEvent() {
        ViewerWindow w;
        addScan(w, QStringLiteral("scan.bmp"));
        w.open();
        Controls& c = w.c();
        w.choose(QStringLiteral("scan.bmp"));
        drag(c.picDisp, {100, 200}, {200, 300});
        ScrollBar* bar = c.VScroll1;
        QVERIFY(!w.window->viewer().verticalToggle());
        bar->setSliderDown(true);

        // First event: within the first arrow step the picture is drawn from its top row,
        // while the frame moves by the true change.
        // Position 29 is the last one inside that step.
        bar->setSliderPosition(29);
        QVERIFY(w.window->viewer().verticalToggle());
        QCOMPARE(corners(w.state()), (QList<int>{100, 171, 200, 271}));
        QImage expected = w.expectedView(2, 0, 0);
        xorFrame(expected, 100, 171, 200, 271);
        QCOMPARE(c.picDisp->surface(), expected);

        // Second event: skipped.
        bar->setSliderPosition(45);
        QVERIFY(!w.window->viewer().verticalToggle());
        QCOMPARE(corners(w.state()), (QList<int>{100, 171, 200, 271}));
        QCOMPARE(c.picDisp->surface(), expected);

        // Third: drawn at its position.
        bar->setSliderPosition(60);
        QCOMPARE(corners(w.state()), (QList<int>{100, 140, 200, 240}));
        expected = w.expectedView(2, 0, 60);
        xorFrame(expected, 100, 140, 200, 240);
        QCOMPARE(c.picDisp->surface(), expected);

        // Released: the value takes the position, nothing changes on the display.
        bar->setSliderDown(false);
        QCOMPARE(bar->value(), 60);
        QCOMPARE(c.picDisp->surface(), expected);
        bar->setSliderDown(true);
        bar->setSliderPosition(100); // fourth: skipped
        bar->setSliderPosition(130); // fifth: drawn
        QCOMPARE(w.state().frameScrollV, 130);
        bar->setSliderPosition(60); // sixth: skipped
        // Released where it started, the thumb changes no value, yet the view comes back.
        bar->setSliderDown(false);
        QCOMPARE(bar->value(), 60);
        QCOMPARE(w.state().frameScrollV, 60);
        QCOMPARE(corners(w.state()), (QList<int>{100, 140, 200, 240}));
        QCOMPARE(c.picDisp->surface(), expected);

        // The horizontal bar counts its own events: its first is drawn.
        QVERIFY(!w.window->viewer().horizontalToggle());
        c.HScroll1->setSliderDown(true);
        c.HScroll1->setSliderPosition(25);
        QVERIFY(w.window->viewer().horizontalToggle());
        expected = w.expectedView(2, 25, 60);
        xorFrame(expected, 75, 140, 175, 240);
        QCOMPARE(c.picDisp->surface(), expected);
        c.HScroll1->setSliderDown(false);
        QCOMPARE(c.HScroll1->value(), 25);
    }

    void aPictureThatCannotBeShownKeepsThePreviousOne_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem");
        QTest::newRow("not a picture") << QByteArray("hello\r\n") << QStringLiteral("壊れています");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("空です");
        QTest::newRow("cut short") << bitmapBytes(300, 200, 1000) << QStringLiteral("途中で切れて");
        QTest::newRow("beyond the view's range")
            << bitmapBytes(530 + 32768, 2, 0) << QStringLiteral("大きすぎて");
        // Large enough to be read aside; only decoding finds that its end is missing.
        QImage large(4100, 4100, QImage::Format_RGB32);
        large.fill(Qt::white);
        const QByteArray png = encoded(large, "png");
        QTest::newRow("large picture cut short, found while read aside")
            << png.left(png.size() - 40) << QStringLiteral("途中で切れて");
        QTest::newRow("document page cut short")
            << numberedPdf(1).left(2000) << QStringLiteral("途中で切れて");
    }
    void aPictureThatCannotBeShownKeepsThePreviousOne() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        ViewerWindow w;
        addScan(w, QStringLiteral("a.bmp"));
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/a.bmp.txt"), "saved\r\n");
        const QString bad = w.ws.writeFile(QStringLiteral("bmp_gif_sample/b.bmp"), bytes);
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/b.bmp.txt"), "other\r\n");
        w.open();
        Controls& c = w.c();
        w.choose(QStringLiteral("a.bmp"));
        c.VScroll1->setValue(30);
        drag(c.picDisp, {10, 10}, {60, 40});
        const qint64 picture = c.picBmp->picture().cacheKey();
        const QImage shown = c.picDisp->surface().copy();
        const SelectionState before = w.state();

        // The message is shown with the default pointer: the wait ended with the failed read.
        Qt::CursorShape atMessage = Qt::WaitCursor;
        w.platform.onMessage = [&](const QString&) { atMessage = w.window->cursor().shape(); };
        w.choose(QStringLiteral("b.bmp"));
        w.waitUntilRead();
        QCOMPARE(atMessage, Qt::ArrowCursor);
        QCOMPARE(w.platform.messages.size(), 1);
        QVERIFY2(w.platform.messages[0].contains(problem), qPrintable(w.platform.messages[0]));
        QVERIFY(w.platform.messages[0].contains(bad));
        QCOMPARE(c.picBmp->picture().cacheKey(), picture);
        QCOMPARE(c.picDisp->surface(), shown);
        QCOMPARE(c.txtResult->text(), QStringLiteral("saved\r\n"));
        QCOMPARE(corners(w.state()), corners(before));
        QVERIFY(c.cmdRecognize->isEnabled());
        QCOMPARE(c.VScroll1->value(), 30);
        // The list points at the picture still on show, so saving goes beside the right file.
        QCOMPARE(c.File1->fileName(), QStringLiteral("a.bmp"));
        QCOMPARE(w.window->cursor().shape(), Qt::ArrowCursor);

        // The good picture can still be chosen afterwards, and the bad one again.
        w.choose(QStringLiteral("b.bmp"));
        w.waitUntilRead();
        QCOMPARE(w.platform.messages.size(), 2);
    }

    void aBadPictureRightAfterAFolderChangeLeavesNothingChosen() {
        ViewerWindow w;
        addScan(w, QStringLiteral("a.bmp"));
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/b.bmp"), "hello");
        w.open();
        Controls& c = w.c();
        w.choose(QStringLiteral("a.bmp"));
        c.cmbFolder->setCurrentIndex(-1);
        c.cmbFolder->setCurrentIndex(0);
        w.choose(QStringLiteral("b.bmp"));
        QCOMPARE(w.platform.messages.size(), 1);
        QCOMPARE(c.File1->fileName(), QString());
        // Scrolling does nothing while no file is chosen: the display stays cleared.
        QImage cleared(c.picDisp->surface().size(), QImage::Format_RGB32);
        cleared.fill(c.picDisp->backColor());
        QCOMPARE(c.picDisp->surface(), cleared);
    }

    void folderChangeClearsTheView() {
        ViewerWindow w;
        addScan(w, QStringLiteral("a.bmp"));
        QDir(w.ws.root()).mkpath(QStringLiteral("bmp_gif_two"));
        w.ws.addPicture(QStringLiteral("../bmp_gif_two/page10.bmp"), coordinatePicture(20, 20));
        for (const char* name :
             {"page2.BMP", "Page1.gif", ".hidden.bmp", "notes.txt", "page3.bmp.txt"})
            w.ws.writeFile(QStringLiteral("bmp_gif_two/") + QString::fromLatin1(name), "x");
        w.open();
        Controls& c = w.c();
        w.choose(QStringLiteral("a.bmp"));
        drag(c.picDisp, {10, 10}, {200, 100});
        c.txtBat->setText(QStringLiteral("tesseract"));
        c.txtResult->setText(QStringLiteral("result"));
        const qint64 picture = c.picBmp->picture().cacheKey();

        c.cmbFolder->setCurrentIndex(1);
        QCOMPARE(c.File1->folder(), w.ws.root() + QStringLiteral("/bmp_gif_two"));
        QStringList listed;
        for (int i = 0; i < c.File1->count(); ++i)
            listed << c.File1->item(i)->text();
        QCOMPARE(listed, (QStringList{"Page1.gif", "page2.BMP", "page10.bmp"}));
        QCOMPARE(c.File1->fileName(), QString());
        for (PictureBox* box : {c.picDisp, c.picDispRect}) {
            QImage cleared(box->surface().size(), QImage::Format_RGB32);
            cleared.fill(box->backColor());
            QCOMPARE(box->surface(), cleared);
        }
        QCOMPARE(c.txtBat->text(), QString());
        QCOMPARE(c.txtResult->text(), QString());
        // Nothing on show any more, so nothing left to run on.
        QCOMPARE(corners(w.state()), (QList<int>{0, 0, 0, 0}));
        QVERIFY(!c.cmdRecognize->isEnabled());
        QCOMPARE(c.picBmp->picture().cacheKey(), picture);
        QVERIFY(w.platform.messages.isEmpty());
    }

    void aFolderThatCannotBeListedIsReported() {
        ViewerWindow w;
        addScan(w, QStringLiteral("a.bmp"));
        QDir(w.ws.root()).mkpath(QStringLiteral("bmp_gif_zgone"));
        w.open();
        Controls& c = w.c();
        QVERIFY(QDir(w.ws.root() + QStringLiteral("/bmp_gif_zgone")).removeRecursively());
        c.cmbFolder->setCurrentIndex(c.cmbFolder->findText(QStringLiteral("bmp_gif_zgone")));
        QCOMPARE(w.platform.messages.size(), 1);
        QVERIFY(w.platform.messages[0].contains(QStringLiteral("bmp_gif_zgone")));
        QCOMPARE(c.File1->count(), 0);
        c.cmbFolder->setCurrentIndex(c.cmbFolder->findText(QStringLiteral("bmp_gif_sample")));
        w.choose(QStringLiteral("a.bmp"));
        QCOMPARE(c.picBmp->picture().size(), kPicture);
    }

    // Each page is its own entry, read when chosen, with its own saved result beside the
    // document; a page that cannot be shown keeps the page on show.
    void aDocumentPageIsShownWithItsOwnSavedText() {
        ViewerWindow w;
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/scan.pdf"), numberedPdf(2));
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/scan.pdf.p2.txt"),
                       cp932::encode(QStringLiteral("二ページ目\r\n")));
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/scan.pdf.txt"), "not a page's\r\n");
        w.open();
        Controls& c = w.c();
        c.File1->setPattern(QString::fromLatin1(pictures::kPicturePattern));
        w.choose(QStringLiteral("scan.pdf (2/2)"));
        w.waitUntilRead();
        QVERIFY(w.platform.messages.isEmpty());
        QCOMPARE(c.File1->fileName(), QStringLiteral("scan.pdf"));
        QCOMPARE(c.File1->page(), 1);
        QCOMPARE(c.picBmp->picture().size(), QSize(2479, 3508));
        QCOMPARE(c.picDisp->surface(), w.expectedView(2, 0, 0));
        QCOMPARE(c.txtResult->text(), QStringLiteral("二ページ目\r\n"));
        QVERIFY(c.cmdOpenTextFile->isEnabled());

        w.choose(QStringLiteral("scan.pdf (1/2)"));
        w.waitUntilRead();
        QCOMPARE(c.txtResult->text(), QString());
        QVERIFY(!c.cmdOpenTextFile->isEnabled());
        // The arrow key walks on to the next page.
        QTest::keyClick(c.File1, Qt::Key_Down);
        w.waitUntilRead();
        QCOMPARE(c.File1->page(), 1);
        QCOMPARE(c.txtResult->text(), QStringLiteral("二ページ目\r\n"));
    }

    // A page is drawn on a thread of its own: the window answers meanwhile, the display says
    // so, nothing can be selected on it, the picture shown before is still the chosen one (its
    // text, selection, saving, runs), and a run or another choice gives the drawing up.
    void aPageIsDrawnAside() {
        ViewerWindow w;
        addScan(w, QStringLiteral("a.bmp"));
        w.ws.addPicture(QStringLiteral("b.bmp"), coordinatePicture(40, 30));
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/slow.pdf"), slowPdf(4000000));
        w.open();
        Controls& c = w.c();
        ViewerHandler& viewer = w.window->viewer();
        w.choose(QStringLiteral("a.bmp"));
        drag(c.picDisp, {10, 10}, {60, 40});
        c.txtResult->setText(QStringLiteral("unsaved"));
        const qint64 shownPicture = c.picBmp->picture().cacheKey();

        w.choose(QStringLiteral("slow.pdf"));
        QVERIFY(viewer.reading());
        QCOMPARE(c.File1->currentItem()->text(), QStringLiteral("slow.pdf"));
        QImage blank(c.picDisp->surface().size(), QImage::Format_RGB32);
        blank.fill(c.picDisp->backColor());
        QVERIFY(c.picDisp->surface() != blank);
        QVERIFY(c.picDisp->surface() != w.expectedView(2, 0, 0));
        QCOMPARE(viewer.chosenFile().name, QStringLiteral("a.bmp"));
        QCOMPARE(c.txtResult->text(), QStringLiteral("unsaved"));
        QCOMPARE(c.picBmp->picture().cacheKey(), shownPicture);
        const QList<int> selected = corners(w.state());
        drag(c.picDisp, {20, 20}, {90, 70});
        QCOMPARE(corners(w.state()), selected);
        // Scrolling moves the view of the picture shown, but the display keeps its notice.
        const QImage notice = c.picDisp->surface().copy();
        c.VScroll1->setValue(30);
        QCOMPARE(c.picDisp->surface(), notice);

        // A run starting now works on the picture shown, which comes back with its frame.
        {
            const RunState::Run run(w.window->runState());
            QVERIFY(!viewer.reading());
            QCOMPARE(c.File1->fileName(), QStringLiteral("a.bmp"));
            QImage expected = w.expectedView(2, 0, 30);
            xorFrame(expected, 10, -20, 60, 10);
            QCOMPARE(c.picDisp->surface(), expected);
            QCOMPARE(corners(w.state()), (QList<int>{10, -20, 60, 10}));
            QVERIFY(c.cmdRecognize->isEnabled());
        }

        // Another entry chosen meanwhile is shown, and the page given up never arrives.
        w.choose(QStringLiteral("slow.pdf"));
        QVERIFY(viewer.reading());
        w.choose(QStringLiteral("b.bmp"));
        QVERIFY(!viewer.reading());
        QCOMPARE(c.picBmp->picture().size(), QSize(40, 30));
        QVERIFY(QTest::qWaitFor([] { return !viewer::readsUnderWay(); }, 300000));
        QCoreApplication::processEvents();
        QCOMPARE(c.File1->fileName(), QStringLiteral("b.bmp"));
        QCOMPARE(c.picBmp->picture().size(), QSize(40, 30));
        QCOMPARE(c.picDisp->surface(), w.expectedView(2, 0, 0));
        QVERIFY(w.platform.messages.isEmpty());
    }

    // Text typed while a page is read aside is asked about before it goes: when the page
    // arrives, and when another entry is chosen meanwhile. キャンセル keeps the picture shown
    // before with its text and its row, and the read is given up.
    void textTypedWhileAPageIsReadIsAskedAbout_data() {
        QTest::addColumn<bool>("chooseAnother");
        QTest::addColumn<int>("answer"); // SaveAnswer
        QTest::addColumn<QString>("chosen");
        QTest::newRow("the page arrives, キャンセル")
            << false << int(SaveAnswer::Cancel) << QStringLiteral("a.bmp");
        QTest::newRow("the page arrives, 保存しない")
            << false << int(SaveAnswer::Discard) << QStringLiteral("slow.pdf");
        QTest::newRow("another entry meanwhile, キャンセル")
            << true << int(SaveAnswer::Cancel) << QStringLiteral("a.bmp");
    }
    void textTypedWhileAPageIsReadIsAskedAbout() {
        QFETCH(bool, chooseAnother);
        QFETCH(int, answer);
        QFETCH(QString, chosen);
        ViewerWindow w;
        addScan(w, QStringLiteral("a.bmp"));
        w.ws.addPicture(QStringLiteral("b.bmp"), coordinatePicture(40, 30));
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/slow.pdf"), slowPdf(100000));
        w.open();
        Controls& c = w.c();
        ViewerHandler& viewer = w.window->viewer();
        w.choose(QStringLiteral("a.bmp"));
        w.choose(QStringLiteral("slow.pdf"));
        QVERIFY(viewer.reading());
        QTest::keyClicks(c.txtResult, QStringLiteral("abc"));
        w.platform.saveAnswer = SaveAnswer(answer);
        if (chooseAnother)
            w.choose(QStringLiteral("b.bmp"));
        else
            w.waitUntilRead();
        QVERIFY(!viewer.reading());
        QCOMPARE(w.platform.saveQuestions.size(), 1);
        // The page given up never arrives.
        QVERIFY(QTest::qWaitFor([] { return !viewer::readsUnderWay(); }, 300000));
        QCoreApplication::processEvents();
        QCOMPARE(w.platform.saveQuestions.size(), 1);
        QCOMPARE(c.File1->fileName(), chosen);
        QCOMPARE(viewer.chosenFile().name, chosen);
        QCOMPARE(c.txtResult->text(), chosen == "a.bmp" ? QStringLiteral("abc") : QString());
    }

    // The list's menu opens on a right click without choosing the entry under the pointer:
    // the picture and the unsaved text in the result box stay.
    void theListsMenuKeepsTheChosenPicture() {
        ViewerWindow w;
        addScan(w, QStringLiteral("a.bmp"));
        w.ws.addPicture(QStringLiteral("b.bmp"), coordinatePicture(40, 30));
        w.open();
        Controls& c = w.c();
        w.choose(QStringLiteral("a.bmp"));
        c.txtResult->setText(QStringLiteral("unsaved"));
        QStringList offered;
        QTimer::singleShot(0, c.File1, [&offered] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (const QAction* action : menu->actions())
                    offered << action->objectName();
                menu->close();
            }
        });
        const QRect other =
            c.File1->visualItemRect(c.File1->item(w.rowOf(QStringLiteral("b.bmp"))));
        QTest::mouseClick(c.File1->viewport(), Qt::RightButton, {}, other.center());
        // The menu event the desktop sends with the click, where the click itself did not.
        if (offered.isEmpty()) {
            QTimer::singleShot(0, c.File1, [&offered] {
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    for (const QAction* action : menu->actions())
                        offered << action->objectName();
                    menu->close();
                }
            });
            QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, other.center(),
                                        c.File1->viewport()->mapToGlobal(other.center()));
            QApplication::sendEvent(c.File1->viewport(), &menuEvent);
        }
        QCOMPARE(offered, (QStringList{"actOpenFolder", "actOpenFile", "actPaste", "actCapture",
                                       "actScan", "", "actReadFolder", "actMakeBook"}));
        QCOMPARE(c.File1->fileName(), QStringLiteral("a.bmp"));
        QCOMPARE(c.picBmp->picture().size(), kPicture);
        QCOMPARE(c.txtResult->text(), QStringLiteral("unsaved"));
    }

    // The PDF entry of the menu bar with a plain picture chosen says what to choose; nothing
    // is asked or started.
    void thePdfEntryWithoutADocumentSaysWhatToChoose() {
        ViewerWindow w;
        addScan(w, QStringLiteral("a.bmp"));
        w.open();
        w.choose(QStringLiteral("a.bmp"));
        auto* action = w.window->findChild<QAction*>(QStringLiteral("actMakePdf"));
        QVERIFY(action);
        action->trigger();
        QCOMPARE(w.platform.messages.size(), 1);
        QVERIFY2(w.platform.messages[0].contains(QStringLiteral("文書のページ")),
                 qPrintable(w.platform.messages[0]));
        QCOMPARE(w.platform.questions, QStringList());
    }

    void aGifPictureIsShown() {
        ViewerWindow w;
        QImage picture(64, 40, QImage::Format_RGB32);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 64; ++x)
                picture.setPixel(x, y, qRgb((x / 8) * 30, (y / 8) * 40, 90));
        w.ws.writeFile(QStringLiteral("bmp_gif_sample/Logo.GIF"), gifBytes(picture));
        w.open();
        w.choose(QStringLiteral("Logo.GIF"));
        QVERIFY(w.platform.messages.isEmpty());
        QCOMPARE(w.c().picBmp->picture(), picture);
        QCOMPARE(w.c().picDisp->surface(), w.expectedView(2, 0, 0));
    }
};

QTEST_MAIN(TestViewerWindow)
#include "test_viewerwindow.moc"
