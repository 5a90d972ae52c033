#include "duringwait.h"
#include "filelistbox.h"
#include "frmmain.h"
#include "instancechannel.h"
#include "languages.h"
#include "layout.h"
#include "listing.h"
#include "picturebox.h"
#include "recognitionfixture.h"
#include "recordingplatform.h"
#include "recovery.h"
#include "resulttexthandler.h"
#include "startuproutines.h"
#include "tempworkspace.h"
#include "waysinhandler.h"
#include "widgets.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillpix;
using quillpix::testing::RecordingPlatform;
using quillpix::testing::TempWorkspace;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestApp : public QObject {
    Q_OBJECT

    std::unique_ptr<FrmMain> makeWindow(TempWorkspace& ws, RecordingPlatform& platform) {
        return std::make_unique<FrmMain>(platform, ws.bin());
    }

private Q_SLOTS:
    void layoutForScreenWidth_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("windowWidth");
        QTest::addColumn<int>("resultWidth");
        QTest::addColumn<int>("frameX");
        QTest::addColumn<int>("displayWidth");
        QTest::addColumn<int>("vScrollX");
        QTest::newRow("1920") << 1920 << 1890 << 745 << 938 << 1650 << 1838;
        QTest::newRow("1280 shrinks the result box") << 1280 << 1250 << 733 << 926 << 1010 << 1198;
        QTest::newRow("1336 widens it") << 1336 << 1306 << 789 << 982 << 1066 << 1254;
        QTest::newRow("1337 keeps the design width") << 1337 << 1307 << 745 << 938 << 1067 << 1255;
        QTest::newRow("1292 is the reference width") << 1292 << 1262 << 745 << 938 << 1022 << 1210;
    }
    void layoutForScreenWidth() {
        QFETCH(int, screen);
        QFETCH(int, windowWidth);
        QFETCH(int, resultWidth);
        QFETCH(int, frameX);
        QFETCH(int, displayWidth);
        QFETCH(int, vScrollX);
        TempWorkspace ws;
        RecordingPlatform platform;
        platform.screen = screen;
        auto window = makeWindow(ws, platform);
        Controls& c = window->controls();
        // The menu bar stands above the inside; the controls stand in the inside as laid out.
        const int menu = window->menuHeight();
        QVERIFY(menu > 0);
        QCOMPARE(window->geometry(), QRect(30, 0, windowWidth, 688 + menu));
        QCOMPARE(c.menuBar->geometry(), QRect(0, 0, windowWidth, menu));
        QCOMPARE(c.inside->geometry(), QRect(0, menu, windowWidth, 688));
        QCOMPARE(c.txtResult->geometry(), QRect(188, 496, resultWidth, 189));
        QCOMPARE(c.fraCommand->geometry(), QRect(frameX, 496, 313, 153));
        QCOMPARE(c.picDisp->geometry(), QRect(188, 20, displayWidth, 405));
        QCOMPARE(c.picDisp->innerWidth(), displayWidth - 4);
        QCOMPARE(c.picDisp->innerHeight(), 401);
        QCOMPARE(c.VScroll1->geometry(), QRect(vScrollX, 24, 25, 401));
        QCOMPARE(c.HScroll1->geometry(), QRect(188, 424, displayWidth, 25));
        QCOMPARE(c.cmdEnd->geometry(), QRect(windowWidth - 41, 0, 41, 21));
    }

    // A larger window gives its room to the view and the result box; the row between them and
    // the operation frame move down by the view's share, what lies right of them moves with the
    // right edge. Shrunk back, every control is where the layout put it.
    void windowGrowsAndShrinksBack_data() {
        QTest::addColumn<QSize>("extra");
        QTest::addColumn<QRect>("display");
        QTest::addColumn<QRect>("vScroll");
        QTest::addColumn<QRect>("hScroll");
        QTest::addColumn<QRect>("result");
        QTest::addColumn<QPoint>("frame");
        QTest::addColumn<QPoint>("direct");
        QTest::addColumn<QPoint>("clear");
        QTest::newRow("as laid out")
            << QSize(0, 0) << QRect(188, 20, 1650, 405) << QRect(1838, 24, 25, 401)
            << QRect(188, 424, 1650, 25) << QRect(188, 496, 745, 189) << QPoint(938, 496)
            << QPoint(948, 452) << QPoint(344, 472);
        QTest::newRow("wider and an odd number higher")
            << QSize(100, 301) << QRect(188, 20, 1750, 556) << QRect(1938, 24, 25, 552)
            << QRect(188, 575, 1750, 25) << QRect(188, 647, 845, 339) << QPoint(1038, 647)
            << QPoint(1048, 603) << QPoint(344, 623);
        QTest::newRow("higher only")
            << QSize(0, 2) << QRect(188, 20, 1650, 406) << QRect(1838, 24, 25, 402)
            << QRect(188, 425, 1650, 25) << QRect(188, 497, 745, 190) << QPoint(938, 497)
            << QPoint(948, 453) << QPoint(344, 473);
        QTest::newRow("smaller than laid out stays laid out")
            << QSize(-200, -100) << QRect(188, 20, 1650, 405) << QRect(1838, 24, 25, 401)
            << QRect(188, 424, 1650, 25) << QRect(188, 496, 745, 189) << QPoint(938, 496)
            << QPoint(948, 452) << QPoint(344, 472);
    }
    void windowGrowsAndShrinksBack() {
        QFETCH(QSize, extra);
        QFETCH(QRect, display);
        QFETCH(QRect, vScroll);
        QFETCH(QRect, hScroll);
        QFETCH(QRect, result);
        QFETCH(QPoint, frame);
        QFETCH(QPoint, direct);
        QFETCH(QPoint, clear);
        TempWorkspace ws;
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        Controls& c = window->controls();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QSize laidOut(1890, 688 + window->menuHeight());
        QCOMPARE(window->size(), laidOut);
        QList<QRect> before;
        const QList<QWidget*> all = window->findChildren<QWidget*>();
        for (QWidget* w : all)
            before << w->geometry();

        window->resize(laidOut + extra);
        QTRY_COMPARE(window->size(), laidOut.expandedTo(laidOut + extra));
        QCOMPARE(c.picDisp->geometry(), display);
        QCOMPARE(c.picDisp->innerWidth(), display.width() - 4);
        QCOMPARE(c.picDisp->innerHeight(), display.height() - 4);
        QCOMPARE(c.VScroll1->geometry(), vScroll);
        QCOMPARE(c.HScroll1->geometry(), hScroll);
        QCOMPARE(c.txtResult->geometry(), result);
        QCOMPARE(c.fraCommand->pos(), frame);
        QCOMPARE(c.cmdDirect->pos(), direct);
        QCOMPARE(c.cmdClear->pos(), clear);
        QCOMPARE(c.txtBat->width(), 701 + std::max(0, extra.width()));
        QCOMPARE(c.cmdEnd->geometry().right(), window->width() - 1);
        // The left column stays.
        QCOMPARE(c.File1->geometry(), QRect(4, 64, 177, 188));
        QCOMPARE(c.picDispRect->geometry(), QRect(32, 364, 149, 297));

        window->resize(laidOut);
        QTRY_COMPARE(window->size(), laidOut);
        for (int i = 0; i < all.size(); ++i)
            QVERIFY2(all[i]->geometry() == before[i], qPrintable(all[i]->objectName()));
    }

    // The size the window had when it was closed comes back at the next start; a value that is
    // not two whole numbers in range gives the layout, and one smaller than it the layout's.
    void keptSizeAtStart_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<int>("screen");
        QTest::addColumn<QRect>("available"); // the screen less its panels
        const QRect full(0, 0, 1920, 1050);
        QTest::newRow("nothing kept") << QByteArray() << QSize(1890, 688) << false << 1920 << full;
        QTest::newRow("kept larger on a larger screen")
            << QByteArray("[window]\nsize=2000, 900\n") << QSize(2000, 900) << false << 1920
            << QRect(0, 0, 2560, 1400);
        QTest::newRow("kept maximised") << QByteArray("[window]\nsize=1890, 800\nmaximized=true\n")
                                        << QSize(1890, 800) << true << 1920 << full;
        QTest::newRow("narrower than the layout") << QByteArray("[window]\nsize=1000, 900\n")
                                                  << QSize(1890, 900) << false << 1920 << full;
        QTest::newRow("just fits the screen") << QByteArray("[window]\nsize=1890, 1050\n")
                                              << QSize(1890, 1050) << false << 1920 << full;
        QTest::newRow("one pixel wider than the screen")
            << QByteArray("[window]\nsize=1891, 700\n") << QSize(1890, 688) << false << 1920
            << full;
        QTest::newRow("one pixel taller than the screen")
            << QByteArray("[window]\nsize=1890, 1051\n") << QSize(1890, 688) << false << 1920
            << full;
        QTest::newRow("kept on 1920, started on 1366")
            << QByteArray("[window]\nsize=1890, 688\n") << QSize(1336, 688) << false << 1366
            << QRect(0, 0, 1366, 738);
        QTest::newRow("a panel on the left takes room")
            << QByteArray("[window]\nsize=1890, 700\n") << QSize(1890, 688) << false << 1920
            << QRect(60, 0, 1860, 1050);
        QTest::newRow("not a number") << QByteArray("[window]\nsize=wide, 900\n")
                                      << QSize(1890, 688) << false << 1920 << full;
        QTest::newRow("one number")
            << QByteArray("[window]\nsize=2000\n") << QSize(1890, 688) << false << 1920 << full;
        QTest::newRow("beyond any screen")
            << QByteArray("[window]\nsize=2000, 40000\n") << QSize(1890, 688) << false << 1920
            << QRect(0, 0, 32767, 32767);
        QTest::newRow("negative width") << QByteArray("[window]\nsize=-2000, 900\n")
                                        << QSize(1890, 688) << false << 1920 << full;
        QTest::newRow("negative") << QByteArray("[window]\nsize=2000, -900\n") << QSize(1890, 688)
                                  << false << 1920 << full;
    }
    void keptSizeAtStart() {
        QFETCH(QByteArray, ini);
        QFETCH(QSize, size);
        QFETCH(bool, maximized);
        QFETCH(int, screen);
        QFETCH(QRect, available);
        TempWorkspace ws;
        if (!ini.isEmpty())
            ws.writeFile(QStringLiteral("bin/quillpix.ini"), ini);
        RecordingPlatform platform;
        platform.screen = screen;
        platform.available = available;
        auto window = makeWindow(ws, platform);
        // The window is as high as its inside's layout and the menu bar over it.
        const int laidOutHeight = 688 + window->menuHeight();
        if (size.height() == 688)
            size.setHeight(laidOutHeight);
        const QSize laidOut(screen - 30, laidOutHeight);
        QCOMPARE(window->size(), size);
        QCOMPARE(window->laidOutSize(), laidOut);
        QCOMPARE(window->minimumSize(), laidOut);
        // The result box took the extra height below the view.
        QCOMPARE(window->controls().txtResult->geometry().bottom(),
                 684 + size.height() - laidOutHeight);
        window->showAtStart();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(window->isMaximized(), maximized);
        QVERIFY(platform.messages.isEmpty());
    }

    // Closing keeps the size for the next start.
    void closingKeepsTheSize() {
        TempWorkspace ws;
        RecordingPlatform platform;
        platform.available = QRect(0, 0, 2560, 1400);
        {
            auto window = makeWindow(ws, platform);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            window->resize(1990, 750 + window->menuHeight());
            QTRY_COMPARE(window->size(), QSize(1990, 750 + window->menuHeight()));
            QVERIFY(window->close());
        }
        auto again = makeWindow(ws, platform);
        QCOMPARE(again->size(), QSize(1990, 750 + again->menuHeight()));
        QCOMPARE(again->controls().picDisp->geometry(), QRect(188, 20, 1750, 436));
    }

    // A settings file that cannot be written does not keep folders outside the workspace
    // from opening: they open, stay in the chooser for the run, and one message names the file.
    void unwritableSettingsArePassedOver_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a pipe") << "fifo";
        QTest::newRow("a link to /dev/zero") << "zero";
    }
    void unwritableSettingsArePassedOver() {
        QFETCH(QString, kind);
        TempWorkspace ws;
        const QString ini = ws.bin() + QStringLiteral("/quillpix.ini");
        if (kind == "folder")
            QVERIFY(QDir().mkpath(ini));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
        else
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), ini));
        QTemporaryDir outside;
        QStringList folders;
        for (const char* name : {"/a", "/b"}) {
            folders << outside.path() + QLatin1String(name);
            QVERIFY(QDir().mkpath(folders.last()));
            testing::coordinatePicture(20, 10).save(folders.last() + QStringLiteral("/p.bmp"));
        }
        RecordingPlatform platform;
        {
            auto window = makeWindow(ws, platform);
            for (const QString& folder : folders) {
                window->waysIn().openPaths({folder});
                QCOMPARE(window->controls().File1->folder(), folder);
            }
            QCOMPARE(platform.messages.size(), 1);
            QVERIFY2(platform.messages[0].contains(ini), qPrintable(platform.messages[0]));
            for (const QString& folder : folders)
                QVERIFY(window->controls().cmbFolder->findData(folder) >= 0);
            // The box's choice is not kept either, and nothing more is said.
            window->resultText().setKeepLatinSpaces(true);
            window->show();
            QVERIFY(window->close());
            QCOMPARE(platform.messages.size(), 1);
        }
        QVERIFY(QFileInfo::exists(ini) && !QFileInfo(ini).isFile());
    }

    // Closing while the folder batch or a run is under way asks first. Keep working: the work
    // goes on and the window stays. Close: the batch starts no further picture, those being
    // read are saved, and the window closes once they are (no summary); a run ends, and the
    // window closes after asking about its reading as any close does.
    void closingWhileWorkIsUnderWayAsks_data() {
        QTest::addColumn<bool>("batch"); // the folder batch, else a run of the window
        QTest::addColumn<int>("answer"); // 0 close, 1 keep working
        QTest::newRow("batch, keep working") << true << 1;
        QTest::newRow("batch, stop and close") << true << 0;
        QTest::newRow("run, keep working") << false << 1;
        QTest::newRow("run, close when it ends") << false << 0;
    }
    void closingWhileWorkIsUnderWayAsks() {
        QFETCH(bool, batch);
        QFETCH(int, answer);
        const QByteArray path = qgetenv("PATH");
        testing::FakeEngine engine;
        engine.setOutput(QByteArray("読んだ\n"));
        engine.setMode(QStringLiteral("wait"));
        qputenv("PATH", engine.folder().toLocal8Bit() + ':' + path);
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
        testing::Session s;
        s.chooseItems(1, 0, 0);
        for (int i = 1; i <= 6; ++i)
            s.picture.save(s.parentFolder() + QStringLiteral("/bmp_gif_sample/p%1.bmp").arg(i));
        s.platform.choiceAnswers = {answer};
        s.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.window()));
        bool closedAtOnce = true;
        if (batch) {
            auto* action = s.window().findChild<QAction*>(QStringLiteral("actReadFolder"));
            QVERIFY(action);
            action->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(engine.ran(), 20000);
            closedAtOnce = s.window().close();
            engine.release();
        } else {
            s.select(10, 10, 60, 40);
            testing::DuringWait during([&] {
                if (!engine.ran())
                    return false;
                closedAtOnce = s.window().close();
                engine.release();
                return true;
            });
            s.c().cmdRecognize->click();
        }
        QVERIFY(!closedAtOnce);
        QCOMPARE(s.platform.choiceQuestions.size(), 1);
        QVERIFY(s.platform.choiceQuestions[0].contains(batch ? QStringLiteral("一括認識")
                                                             : QStringLiteral("文字認識")));
        if (answer == 1) {
            // The work ends as it would have; the window stays.
            if (batch)
                QTRY_VERIFY_WITH_TIMEOUT(!s.platform.messages.isEmpty(), 20000);
            QTest::qWait(50);
            QVERIFY(s.window().isVisible());
            QCOMPARE(s.platform.saveQuestions.size(), 0);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(!s.window().isVisible(), 20000);
        QCOMPARE(s.platform.choiceQuestions.size(), 1);
        if (batch) {
            QCOMPARE(s.platform.messages, QStringList());
            // The pictures being read were saved; the rest were never started.
            const QStringList saved = QDir(s.parentFolder() + QStringLiteral("/bmp_gif_sample"))
                                          .entryList({QStringLiteral("*.txt")});
            QVERIFY2(!saved.isEmpty() && saved.size() < 7, qPrintable(saved.join(u' ')));
        } else {
            // The run's reading was asked about before the window went.
            QCOMPARE(s.platform.saveQuestions.size(), 1);
        }
    }

    // The recovery file holds the picture and the text exactly; anything else is no copy.
    void recoveryFile_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("text");
        QTest::newRow("a picture") << "/home/a/スキャン"
                                   << "p 1.bmp" << -1 << "読んだ\r\n";
        QTest::newRow("a page, line ends of every kind") << "/x"
                                                         << "book.pdf" << 2 << "a\rb\nc\r\n\r\n鷗😀";
        QTest::newRow("names with = % and a line break") << "/a=b%20\nc"
                                                         << "x\n=.png" << -1 << "\n\ntext";
        QTest::newRow("no picture, empty text") << ""
                                                << "" << -1 << "";
    }
    void recoveryFile() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(int, page);
        QFETCH(QString, text);
        const RecoveryCopy copy{folder, name, page, text};
        const QByteArray bytes = recoveryBytes(copy);
        QCOMPARE(parseRecovery(bytes), std::optional<RecoveryCopy>(copy));
        QCOMPARE(parseRecovery(bytes.mid(1)), std::nullopt);
        QCOMPARE(parseRecovery(bytes.left(bytes.indexOf("\n\n"))), std::nullopt);
        QByteArray otherPage = bytes;
        otherPage.replace("page=" + QByteArray::number(page), "page=x");
        QCOMPARE(parseRecovery(otherPage), std::nullopt);
    }

    // Text not saved is copied aside after a pause in the editing and at a stop signal; saving
    // or giving it up removes the copy.
    void recoveryCopyFollowsUnsavedText() {
        TempWorkspace ws;
        ws.addPicture(QStringLiteral("scan01.bmp"), testing::coordinatePicture(40, 30));
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        Controls& c = window->controls();
        c.File1->setCurrentRow(0);
        const QString copy = window->recovery().path();
        QCOMPARE(copy, ws.bin() + QStringLiteral("/quillpix.recovery"));
        window->resultText().append(QStringLiteral("一\r\n"));
        QVERIFY(!QFileInfo::exists(copy));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(copy), RecoveryKeeper::kPauseMs * 3);
        const auto written = [&] { return parseRecovery(fileBytes(copy)); };
        QCOMPARE(written()->text, QStringLiteral("一\r\n"));
        QCOMPARE(written()->name, QStringLiteral("scan01.bmp"));
        // A stop signal does not wait for the pause.
        c.txtResult->insertPlainText(QStringLiteral("二"));
        window->keepForStop();
        QCOMPARE(written()->text, QStringLiteral("一\r\n二"));
        c.cmdSaveText->click();
        QVERIFY(!QFileInfo::exists(copy));
        // Nothing unsaved, nothing kept at a stop.
        window->keepForStop();
        QVERIFY(!QFileInfo::exists(copy));
        window->resultText().append(QStringLiteral("三"));
        window->keepForStop();
        QVERIFY(QFileInfo::exists(copy));
        window->resultText().clearText();
        QVERIFY(!QFileInfo::exists(copy));
    }

    // At start, a copy left behind is offered: put back on its picture (not saved yet), thrown
    // away, or kept for the next start untouched; a picture gone gets the text all the same.
    void recoveryCopyIsOfferedAtStart_data() {
        QTest::addColumn<QString>("name"); // the picture the copy names
        QTest::addColumn<int>("answer");   // 0 restore, 1 discard, 2 keep
        QTest::newRow("restored on its picture") << "scan02.bmp" << 0;
        QTest::newRow("discarded") << "scan02.bmp" << 1;
        QTest::newRow("kept for the next start") << "scan02.bmp" << 2;
        QTest::newRow("the picture is gone") << "gone.bmp" << 0;
        QTest::newRow("no picture was chosen") << "" << 0;
    }
    void recoveryCopyIsOfferedAtStart() {
        QFETCH(QString, name);
        QFETCH(int, answer);
        TempWorkspace ws;
        ws.addPicture(QStringLiteral("scan01.bmp"), testing::coordinatePicture(40, 30));
        ws.addPicture(QStringLiteral("scan02.bmp"), testing::coordinatePicture(30, 20));
        const QString text = QStringLiteral("保存しないまま\r\n鷗");
        const QByteArray bytes =
            recoveryBytes({name.isEmpty() ? QString() : ws.pictures(), name, -1, text});
        const QString copy = ws.writeFile(QStringLiteral("bin/quillpix.recovery"), bytes);
        RecordingPlatform platform;
        platform.choiceAnswers = {answer};
        auto window = makeWindow(ws, platform);
        Controls& c = window->controls();
        window->offerRecovery();
        QCOMPARE(platform.choiceQuestions.size(), 1);
        QVERIFY(platform.choiceQuestions[0].contains(text));
        QVERIFY(platform.choiceQuestions[0].contains(name));
        QCOMPARE(platform.messages.size(), name == "gone.bmp" ? 1 : 0);
        const bool restored = answer == 0;
        QCOMPARE(c.txtResult->text(), restored ? text : QString());
        QCOMPARE(window->resultText().unsaved(), restored);
        if (name == "scan02.bmp")
            QCOMPARE(c.File1->fileName(), restored ? name : QString());
        QCOMPARE(QFileInfo::exists(copy), answer != 1);
        if (answer == 2) {
            // Nothing is written over the copy kept for the next start.
            window->resultText().append(QStringLiteral("新しい"));
            window->keepForStop();
            QCOMPARE(fileBytes(copy), bytes);
            return;
        }
        if (restored && name == "scan02.bmp") {
            c.cmdSaveText->click();
            QVERIFY(!QFileInfo::exists(copy));
            QVERIFY(QFileInfo::exists(ws.pictures() + QStringLiteral("/scan02.bmp.txt")));
        }
        // Offered once: the next start finds nothing, or the copy of this run.
        const qsizetype asked = platform.choiceQuestions.size();
        auto again = makeWindow(ws, platform);
        again->offerRecovery();
        QCOMPARE(platform.choiceQuestions.size(), asked + (QFileInfo::exists(copy) ? 1 : 0));
    }

    void inventory_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("rect");
        auto row = [](const char* name, const QString& caption, int x, int y, int w, int h) {
            QTest::newRow(name) << QString::fromLatin1(name) << caption << QRect(x, y, w, h);
        };
        row("cmdExplorer", "開く", 64, 0, 41, 21);
        row("cmdHelp", "ヘルプ", 188, 0, 53, 21);
        row("Label1_0", "フォルダ", 8, 4, 49, 13);
        row("cmbFolder", "", 8, 20, 153, 21);
        row("Label1_1", "画像ファイル", 8, 48, 73, 13);
        row("cmdRefresh_0", "一覧更新", 76, 44, 65, 21);
        row("cmdPaint", "開く", 144, 44, 37, 21);
        row("File1", "", 4, 64, 177, 188);
        row("Label2_0", "Zoom", 108, 268, 41, 13);
        row("lstZoom", "", 104, 284, 77, 56);
        row("picBmp", "", 4, 272, 25, 17);
        row("picRect", "", 4, 292, 25, 17);
        row("Label2_1", "選択部分の左上 (100％)", 28, 348, 129, 13);
        row("picDispRect", "", 32, 364, 149, 297);
        row("lblHeight", "", 4, 372, 25, 45);
        row("lblWidth", "", 60, 664, 81, 17);
        row("lblCommand", "コマンド", 196, 456, 49, 13);
        row("txtBat", "", 244, 452, 701, 19);
        row("cmdDirect", "実行", 948, 452, 37, 21);
        row("lblResult", "認識した文字", 196, 476, 77, 13);
        row("cmdUndo", "元に戻す", 276, 472, 65, 21);
        row("cmdClear", "クリア", 344, 472, 49, 21);
        row("lblFontSize", "フォントサイズ", 408, 476, 89, 13);
        row("optFSize_0", "9.75pt", 500, 476, 61, 17);
        row("optFSize_1", "11.25pt", 568, 476, 65, 17);
        row("optFSize_2", "12.75pt", 640, 476, 69, 17);
        row("lblTmptxt", "tmp.txtを", 756, 476, 57, 13);
        row("cmdOpenTmpTxt", "開く", 820, 472, 53, 21);
        row("fraCommand", "操作", 938, 496, 313, 153);
        row("Label4_0", "言語", 4, 20, 29, 13);
        row("cmdEditLst_2", "編集", 32, 16, 37, 21);
        row("cmdRefresh_2", "更新", 68, 16, 37, 21);
        row("lstLang", "", 4, 36, 101, 82);
        row("Label4_2", "PSM", 112, 20, 29, 13);
        row("cmdEditLst_1", "編集", 140, 16, 37, 21);
        row("cmdRefresh_1", "更新", 176, 16, 37, 21);
        row("lstPSegMode", "", 108, 36, 105, 82);
        row("Label4_1", "他", 220, 20, 17, 13);
        row("cmdEditLst_0", "編集", 236, 16, 37, 21);
        row("cmdRefresh_3", "更新", 272, 16, 37, 21);
        row("lstOption", "", 216, 36, 93, 82);
        row("cmdRecognize", "コマンドを作成して実行", 8, 120, 137, 29);
        row("Label3_1", "認識結果を", 148, 128, 65, 13);
        row("cmdSaveText", "保存", 212, 120, 49, 25);
        row("cmdOpenTextFile", "開く", 264, 120, 45, 25);
    }
    void inventory() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, rect);
        TempWorkspace ws;
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        const auto found = window->findChildren<QWidget*>(name);
        QCOMPARE(found.size(), 1);
        QWidget* w = found.first();
        QCOMPARE(w->geometry(), rect);
        QString shown;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            shown = b->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            shown = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            shown = g->title();
        QCOMPARE(shown, caption);
    }

    void captionAndStateAfterStartUp() {
        TempWorkspace ws;
        ws.writeFile(QStringLiteral("bmp_gif_2/a.bmp"), "x");
        ws.writeFile(QStringLiteral("BMP_GIF_upper/keep"), "x");
        ws.writeFile(QStringLiteral("bmp_gif_z.txt"), "x");
        ws.writeFile(QStringLiteral(".bmp_gif_hidden/x"), "x");
        ws.writeFile(QStringLiteral("other/x"), "x");
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        Controls& c = window->controls();

        QCOMPARE(window->windowTitle(), QStringLiteral("Quillpix Works Quillpix.exe Ver1.0.0"));
        QCOMPARE(window->objectName(), QStringLiteral("frmMain"));
        QVERIFY(platform.messages.isEmpty());

        QStringList folders;
        for (int i = 0; i < c.cmbFolder->count(); ++i)
            folders << c.cmbFolder->itemText(i);
        QCOMPARE(folders, (QStringList{"bmp_gif_2", "bmp_gif_sample", "BMP_GIF_upper"}));
        QCOMPARE(c.cmbFolder->currentIndex(), 0);
        QCOMPARE(c.File1->folder(), ws.root() + QStringLiteral("/bmp_gif_2"));
        QCOMPARE(c.File1->count(), 1);
        QCOMPARE(c.File1->pattern(), QString::fromLatin1(pictures::kPicturePattern));

        QStringList zoom;
        for (int i = 0; i < c.lstZoom->count(); ++i)
            zoom << c.lstZoom->item(i)->text();
        QCOMPARE(zoom, (QStringList{"100％", "50％", "25％", "20％", "全体"}));
        QCOMPARE(c.lstZoom->currentRow(), 1);

        QCOMPARE(c.lstPSegMode->count(), 2);
        QCOMPARE(c.lstPSegMode->currentRow(), 0);
        QCOMPARE(c.lstLang->currentItem()->text(), QStringLiteral("jpn"));
        QCOMPARE(c.lstOption->currentRow(), 0);
        QCOMPARE(c.lstOption->item(1)->text(), QStringLiteral("pause"));

        QVERIFY(c.optFSize[2]->isChecked());
        QCOMPARE(c.txtResult->font().pointSizeF(), 12.75);

        for (QWidget* off :
             std::initializer_list<QWidget*>{c.cmdSaveText, c.cmdDirect, c.cmdUndo,
                                             c.cmdOpenTextFile, c.cmdPaint, c.cmdRecognize})
            QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
        for (QWidget* on : std::initializer_list<QWidget*>{c.cmdExplorer, c.cmdHelp, c.cmdEnd,
                                                           c.cmdClear, c.cmdOpenTmpTxt, c.txtResult,
                                                           c.txtBat, c.File1, c.lstZoom})
            QVERIFY2(on->isEnabled(), qPrintable(on->objectName()));
        // Long option items are cut at the list's edge: "…" would hide a mode's number.
        for (QListWidget* list : {c.lstLang, c.lstPSegMode, c.lstOption})
            QCOMPARE(list->textElideMode(), Qt::ElideNone);
        QVERIFY(c.picBmp->isHidden());
        QVERIFY(c.picRect->isHidden());
        QVERIFY(c.picBmp->autoSize());
        QVERIFY(c.picRect->autoSize());
        QCOMPARE(c.txtResult->text(), QString());
        QCOMPARE(c.txtBat->text(), QString());
    }

    void missingFolderAndListsLeaveAUsableWindow() {
        TempWorkspace ws;
        QDir(ws.pictures()).removeRecursively();
        QFile::remove(ws.bin() + QStringLiteral("/listLang.txt"));
        ws.writeFile(QStringLiteral("bin/listOption.txt"), QByteArray());
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        Controls& c = window->controls();
        QCOMPARE(platform.messages.size(), 1);
        const QString message = platform.messages.first();
        QVERIFY2(message.contains(QStringLiteral("bmp_gif")), qPrintable(message));
        QVERIFY2(message.contains(ws.root()), qPrintable(message));
        QVERIFY2(message.contains(ws.bin() + QStringLiteral("/listLang.txt")), qPrintable(message));
        QVERIFY2(message.contains(ws.bin() + QStringLiteral("/listOption.txt")),
                 qPrintable(message));
        QCOMPARE(c.cmbFolder->count(), 0);
        QCOMPARE(c.lstLang->count(), 0);
        QCOMPARE(c.lstOption->count(), 0);
        QCOMPARE(c.lstPSegMode->count(), 2);
        QCOMPARE(c.File1->count(), 0);
        // Still usable: the zoom list works and the result box takes text.
        c.lstZoom->setCurrentRow(0);
        c.txtResult->setText(QStringLiteral("x"));
        QCOMPARE(c.txtResult->text(), QStringLiteral("x"));
    }

    // The window's texts, one of its messages and Qt's own menu entries follow the language
    // chosen from the locale, or from QUILLPIX_LANG over it.
    void windowSpeaksItsLanguage_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("override");
        QTest::addColumn<QStringList>("captions"); // cmdHelp, cmdEnd, fraCommand, cmdSaveText
        QTest::addColumn<QString>("message");      // how the missing picture folder is told
        QTest::addColumn<QString>("copy");         // the command box's menu entry, Qt's own
        const QStringList japanese{"ヘルプ", "終了", "操作", "保存"};
        const QStringList english{"Help", "Exit", "Actions", "Save"};
        const QString japaneseMessage = QStringLiteral("画像フォルダが見つかりません。\n");
        const QString englishMessage = QStringLiteral("The picture folder is not found.\n");
        QTest::newRow("English locale") << "en_US.UTF-8"
                                        << "" << english << englishMessage << "&Copy";
        QTest::newRow("Japanese locale") << "ja_JP.UTF-8"
                                         << "" << japanese << japaneseMessage << "コピー(&C)";
        QTest::newRow("no locale") << "C"
                                   << "" << japanese << japaneseMessage << "コピー(&C)";
        QTest::newRow("QUILLPIX_LANG over the locale")
            << "ja_JP.UTF-8"
            << "en" << english << englishMessage << "&Copy";
    }
    void windowSpeaksItsLanguage() {
        QFETCH(QString, locale);
        QFETCH(QString, override);
        QFETCH(QStringList, captions);
        QFETCH(QString, message);
        QFETCH(QString, copy);
        const languages::Front front = languages::Front::Window;
        const languages::Language language = languages::languageFor(locale, override, front);
        const languages::Translators translators(*QCoreApplication::instance(), language, front);
        TempWorkspace ws;
        QDir(ws.pictures()).removeRecursively();
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        Controls& c = window->controls();
        QCOMPARE((QStringList{c.cmdHelp->text(), c.cmdEnd->text(), c.fraCommand->title(),
                              c.cmdSaveText->text()}),
                 captions);
        QCOMPARE(platform.messages.size(), 1);
        QVERIFY2(platform.messages.first().startsWith(message), qPrintable(platform.messages[0]));
        const std::unique_ptr<QMenu> menu(c.txtBat->createContextMenu());
        auto* copyAction = menu->findChild<QAction*>(QStringLiteral("edit-copy"));
        QVERIFY(copyAction);
        if (language == languages::Language::Japanese && copyAction->text().startsWith(u"&Copy"))
            QSKIP("Qt's Japanese translations (qt6-translations-l10n) are not installed");
        QCOMPARE(copyAction->text().section(QLatin1Char('\t'), 0, 0), copy);
    }

    // With the lists the program ships, every caption fits its control in both languages, and
    // the English window shows no Japanese from the lists.
    void captionsFitInBothLanguages_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("Japanese") << "ja";
        QTest::newRow("English") << "en";
    }
    void captionsFitInBothLanguages() {
        QFETCH(QString, language);
        const languages::Front front = languages::Front::Window;
        const languages::Translators translators(
            *QCoreApplication::instance(), languages::languageFor("C", language, front), front);
        TempWorkspace ws;
        for (const char* name : {"listLang.txt", "listPSMode.txt", "listOption.txt"})
            ws.writeFile(QStringLiteral("bin/") + QLatin1String(name),
                         fileBytes(QStringLiteral(QUILLPIX_SHIPPED_LISTS "/") + name));
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        Controls& c = window->controls();
        const auto japanese = [](const QString& text) {
            return std::any_of(text.begin(), text.end(),
                               [](QChar ch) { return ch.unicode() >= 0x3000; });
        };
        QStringList cut;
        for (QListWidget* list : {c.lstLang, c.lstPSegMode, c.lstOption})
            for (int row = 0; row < list->count(); ++row) {
                const QString caption = list->item(row)->text();
                if (language == QLatin1String("en") && japanese(caption))
                    cut << QStringLiteral("Japanese: ") + caption;
                const int room = list->viewport()->width() - 2;
                if (list->fontMetrics().horizontalAdvance(caption) > room)
                    cut << caption;
            }
        for (QWidget* w : c.inside->findChildren<QWidget*>()) {
            QString text;
            int room = 0;
            QStyleOptionButton option;
            option.initFrom(w);
            if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap()) {
                text = label->text();
                room = label->contentsRect().width();
            } else if (auto* button = qobject_cast<QPushButton*>(w)) {
                text = button->text();
                room =
                    w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w).width();
            } else if (auto* radio = qobject_cast<QRadioButton*>(w)) {
                text = radio->text();
                room =
                    w->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, w).width();
            }
            if (!text.isEmpty() && w->fontMetrics().horizontalAdvance(text) > room)
                cut << w->objectName() + QLatin1Char(' ') + text;
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(" | "))));
    }

    void fontSizeChoice_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("points");
        QTest::newRow("9.75") << 0 << 9.75;
        QTest::newRow("11.25") << 1 << 11.25;
        QTest::newRow("12.75") << 2 << 12.75;
    }
    void fontSizeChoice() {
        QFETCH(int, index);
        QFETCH(double, points);
        TempWorkspace ws;
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        Controls& c = window->controls();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        c.txtResult->setText(QStringLiteral("abc\r\nあ\r"));
        c.optFSize[2]->setChecked(index == 2 ? false : true);
        c.cmdClear->setFocus();
        if (index == 2)
            c.optFSize[0]->setChecked(true);
        c.cmdClear->setFocus();
        QTest::mouseClick(c.optFSize[index], Qt::LeftButton);
        QVERIFY(c.optFSize[index]->isChecked());
        QCOMPARE(c.txtResult->font().pointSizeF(), points);
        QCOMPARE(c.txtResult->text(), QStringLiteral("abc\r\nあ\r"));
        QTRY_VERIFY(c.txtResult->hasFocus());
    }

    void endButtonClosesAndLeavesWorkFiles() {
        TempWorkspace ws;
        const QString work = ws.writeFile(QStringLiteral("bin/tess.bat"), "x\r\n");
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTest::mouseClick(window->controls().cmdEnd, Qt::LeftButton);
        QVERIFY(!window->isVisible());
        QVERIFY(QFile::exists(work));
    }

    // Each menu entry does what its button or key does; an entry whose button is disabled is
    // disabled too.
    void menuEntriesDoWhatTheirButtonsDo_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("effect");
        QTest::newRow("a zoom step") << "mnuZoom_2"
                                     << "zoom 2";
        QTest::newRow("the whole picture, the last step") << "mnuZoom_4"
                                                          << "zoom 4";
        QTest::newRow("the smallest font") << "mnuFontSize_0"
                                           << "font 0";
        QTest::newRow("clear") << "mnuClear"
                               << "cleared";
        QTest::newRow("help") << "mnuHelpPage"
                              << "opened";
        QTest::newRow("the folder in the file manager") << "mnuExplorer"
                                                        << "opened";
        QTest::newRow("open a file") << "actOpenFile"
                                     << "dialog";
        QTest::newRow("open a folder") << "actOpenFolder"
                                       << "dialog";
        QTest::newRow("the version") << "mnuAbout"
                                     << "message";
        QTest::newRow("end") << "mnuEnd"
                             << "closed";
        QTest::newRow("save, with nothing to save") << "mnuSave"
                                                    << "disabled";
    }
    void menuEntriesDoWhatTheirButtonsDo() {
        QFETCH(QString, entry);
        QFETCH(QString, effect);
        TempWorkspace ws;
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        Controls& c = window->controls();
        c.txtResult->setPlainText(QStringLiteral("文字"));
        QAction* action = nullptr;
        for (QMenu* menu : c.menuBar->findChildren<QMenu*>()) {
            emit menu->aboutToShow();
            for (QAction* a : menu->actions())
                if (a->objectName() == entry)
                    action = a;
        }
        QVERIFY2(action, qPrintable(entry));
        QVERIFY(!action->text().isEmpty());
        if (effect == QLatin1String("disabled")) {
            QVERIFY(!action->isEnabled());
            return;
        }
        QVERIFY(action->isEnabled());
        action->trigger();
        QApplication::processEvents();
        if (effect.startsWith(QLatin1String("zoom")))
            QCOMPARE(c.lstZoom->currentRow(), effect.back().digitValue());
        else if (effect == QLatin1String("font 0"))
            QVERIFY(c.optFSize[0]->isChecked());
        else if (effect == QLatin1String("cleared"))
            QVERIFY(c.txtResult->toPlainText().isEmpty());
        else if (effect == QLatin1String("opened"))
            QCOMPARE(platform.opened.size(), 1);
        else if (effect == QLatin1String("dialog"))
            QCOMPARE(platform.dialogStarts.size(), 1);
        else if (effect == QLatin1String("message"))
            QVERIFY(platform.messages.value(0).contains(QStringLiteral("Quillpix")));
        else if (effect == QLatin1String("closed"))
            QVERIFY(!window->isVisible());
        else
            QFAIL("no such effect");
    }

    // The menus hold every way in of the file list's menu, and every key the window answers is
    // answered by one owner: two would leave it answered by neither.
    void menusHoldEveryWayInAndNoKeyTwice() {
        TempWorkspace ws;
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        Controls& c = window->controls();
        QList<QAction*> inMenus;
        for (QMenu* menu : c.menuBar->findChildren<QMenu*>())
            inMenus << menu->actions();
        for (QAction* way : c.File1->actions())
            if (!way->isSeparator())
                QVERIFY2(inMenus.contains(way), qPrintable(way->objectName()));
        QStringList keys;
        for (QAction* a : window->findChildren<QAction*>())
            if (!a->shortcut().isEmpty() && a->shortcutContext() != Qt::WidgetShortcut)
                keys << a->shortcut().toString();
        for (QShortcut* s : window->findChildren<QShortcut*>())
            keys << s->key().toString();
        for (const QString& key : keys)
            QVERIFY2(keys.count(key) == 1, qPrintable(key));
        QVERIFY(keys.contains(QStringLiteral("Ctrl+1")));
    }

    // OK: on キャンセル nothing is read and no progress dialog appears.
    void folderBatchAsksWithItsSettings_data() {
        QTest::addColumn<int>("psmRow");
        QTest::addColumn<int>("langRow");
        QTest::addColumn<int>("optionRow");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("entry");
        QTest::newRow("the items selected at start")
            << 0 << 0 << 0 << QStringList{"言語: jpn\n", "PSM: 3\n", "他: （なし）\n"}
            << "actReadFolder";
        QTest::newRow("other items")
            << 1 << 1 << 1 << QStringList{"言語: eng\n", "PSM: 6\n", "他: pause\n"}
            << "actReadFolder";
        QTest::newRow("the book and its PDF")
            << 0 << 0 << 0 << QStringList{"言語: jpn\n", "bmp_gif_sample_book.txt", "pdf/"}
            << "actMakeBook";
    }
    void folderBatchAsksWithItsSettings() {
        QFETCH(int, psmRow);
        QFETCH(int, langRow);
        QFETCH(int, optionRow);
        QFETCH(QStringList, shown);
        QFETCH(QString, entry);
        TempWorkspace ws;
        ws.writeFile(QStringLiteral("bmp_gif_sample/a.bmp"), "x");
        RecordingPlatform platform;
        platform.answerOk = false;
        auto window = makeWindow(ws, platform);
        Controls& c = window->controls();
        c.cmbFolder->setCurrentIndex(c.cmbFolder->findText(QStringLiteral("bmp_gif_sample")));
        c.lstPSegMode->setCurrentRow(psmRow);
        c.lstLang->setCurrentRow(langRow);
        c.lstOption->setCurrentRow(optionRow);
        auto* action = window->findChild<QAction*>(entry);
        QVERIFY(action);
        action->trigger();
        QCOMPARE(platform.questions.size(), 1);
        QVERIFY(platform.questions[0].contains(ws.pictures()));
        for (const QString& line : shown)
            QVERIFY2(platform.questions[0].contains(line), qPrintable(platform.questions[0]));
        QVERIFY(!window->findChild<QWidget*>(QStringLiteral("folderBatchProgress")));
        QCOMPARE(platform.messages, QStringList());
    }

    // A start's request in the window: a folder named by its bytes opens; one whose name is
    // not UTF-8 exists but cannot be named, and the window says so instead of calling it
    // missing, leaving the shown folder as it was.
    void requestedFolderOpensOrIsToldUnnamable_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("opens");
        QTest::newRow("a UTF-8 name") << QByteArray("\xe7\x94\xbb") << true;
        QTest::newRow("a Shift-JIS name") << QByteArray("\x89\xe6") << false;
    }
    void requestedFolderOpensOrIsToldUnnamable() {
        QFETCH(QByteArray, name);
        QFETCH(bool, opens);
        TempWorkspace ws;
        const QByteArray folder = QFile::encodeName(ws.root()) + '/' + name;
        QCOMPARE(::mkdir(folder.constData(), 0755), 0);
        // Qt cannot name it to remove it with the workspace.
        const auto removeFolder = qScopeGuard([&] { ::rmdir(folder.constData()); });
        RecordingPlatform platform;
        auto window = makeWindow(ws, platform);
        Controls& c = window->controls();
        const QString shown = c.File1->folder();
        window->takeRequest(
            parseWindowArguments({"quillpix", folder}, QStringLiteral("/")).request);
        if (opens) {
            QCOMPARE(platform.messages, QStringList());
            QCOMPARE(c.File1->folder(), QFile::decodeName(folder));
            return;
        }
        QCOMPARE(platform.messages.size(), 1);
        const QString message = platform.messages.first();
        QVERIFY2(message.contains(QStringLiteral("UTF-8")), qPrintable(message));
        QVERIFY2(message.contains(QFile::decodeName(folder)), qPrintable(message));
        QCOMPARE(c.File1->folder(), shown);
    }

    // Qt ends the program with an abort when its platform finds no display: the start says
    // so first, and leaves every platform that needs none (the tests' offscreen) alone.
    void displayProblem_data() {
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<QByteArray>("qpaPlatform");
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QByteArray>("waylandDisplay");
        QTest::addColumn<bool>("told");
        QTest::newRow("nothing at all")
            << QByteArrayList{} << QByteArray() << QByteArray() << QByteArray() << true;
        QTest::newRow("X11") << QByteArrayList{} << QByteArray() << QByteArray(":0") << QByteArray()
                             << false;
        QTest::newRow("Wayland") << QByteArrayList{} << QByteArray() << QByteArray()
                                 << QByteArray("wayland-0") << false;
        QTest::newRow("offscreen by the environment")
            << QByteArrayList{} << QByteArray("offscreen") << QByteArray() << QByteArray() << false;
        QTest::newRow("X11 named, no display") << QByteArrayList{} << QByteArray("xcb")
                                               << QByteArray() << QByteArray("wayland-0") << true;
        QTest::newRow("X11 first, offscreen to fall back on")
            << QByteArrayList{} << QByteArray("xcb;offscreen") << QByteArray() << QByteArray()
            << false;
        QTest::newRow("-platform offscreen")
            << QByteArrayList{"-platform", "offscreen"} << QByteArray() << QByteArray()
            << QByteArray() << false;
        QTest::newRow("--platform xcb outweighs the environment")
            << QByteArrayList{"--platform", "xcb"} << QByteArray("offscreen") << QByteArray()
            << QByteArray() << true;
        QTest::newRow("-display gives X11 its display")
            << QByteArrayList{"-display", ":1"} << QByteArray("xcb") << QByteArray() << QByteArray()
            << false;
        QTest::newRow("-platform as the last word names nothing")
            << QByteArrayList{"-platform"} << QByteArray() << QByteArray() << QByteArray() << true;
    }
    void displayProblem() {
        QFETCH(QByteArrayList, arguments);
        QFETCH(QByteArray, qpaPlatform);
        QFETCH(QByteArray, display);
        QFETCH(QByteArray, waylandDisplay);
        QFETCH(bool, told);
        const QString problem = quillpix::displayProblem(QByteArrayList{"quillpix"} + arguments,
                                                         {qpaPlatform, display, waylandDisplay});
        QCOMPARE(!problem.isEmpty(), told);
    }

    void splitToListKeepsEmptyPieces() {
        QListWidget list;
        list.addItem(QStringLiteral("old"));
        splitToList(QStringLiteral(",a,,b,"), &list);
        QStringList items;
        for (int i = 0; i < list.count(); ++i)
            items << list.item(i)->text();
        QCOMPARE(items, (QStringList{"", "a", "", "b", ""}));
    }
};

QTEST_MAIN(TestApp)
#include "test_app.moc"
