#include "filelistbox.h"
#include "frmmain.h"
#include "recordingplatform.h"
#include "tempworkspace.h"
#include "widgets.h"

#include <QDir>
#include <QtTest>

#include <memory>

using namespace quillpix;
using quillpix::testing::RecordingPlatform;
using quillpix::testing::TempWorkspace;

namespace {

// A workspace whose picture folders and picture names hold spaces, as people name them.
struct Fixture {
    TempWorkspace ws;
    RecordingPlatform platform;
    std::unique_ptr<FrmMain> window;

    Fixture() {
        QDir(ws.root()).mkpath(QStringLiteral("bmp_gif my scans"));
        QImage picture = testing::coordinatePicture(20, 10);
        picture.save(ws.root() + QStringLiteral("/bmp_gif my scans/page 1.bmp"));
        ws.addPicture(QStringLiteral("scan01.bmp"), picture);
        window = std::make_unique<FrmMain>(platform, ws.bin());
    }
    Controls& c() { return window->controls(); }
    void chooseFolder(const QString& name) {
        const int index = c().cmbFolder->findText(name);
        QVERIFY(index >= 0);
        c().cmbFolder->setCurrentIndex(index);
    }
    void choose(const QString& picture) {
        const auto items = c().File1->findItems(picture, Qt::MatchExactly);
        QVERIFY(!items.isEmpty());
        c().File1->setCurrentItem(items.first());
    }
};

} // namespace

class TestLaunch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each button hands its path to the desktop whether or not anything is there, and nothing
    // is reported either way.
    void shellOpenButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("path");
        QTest::newRow("help page beside the program folder") << "cmdHelp"
                                                             << "/htm/introtool.htm";
        QTest::newRow("raw result in the program folder") << "cmdOpenTmpTxt"
                                                          << "/bin/tmp.txt";
        QTest::newRow("the chosen image folder") << "cmdExplorer"
                                                 << "/bmp_gif my scans";
    }
    void shellOpenButtons() {
        QFETCH(QString, button);
        QFETCH(QString, path);
        Fixture f;
        QVERIFY(QDir(f.ws.root()).rmdir(QStringLiteral("htm")));
        f.chooseFolder(QStringLiteral("bmp_gif_sample"));
        f.chooseFolder(QStringLiteral("bmp_gif my scans"));
        auto* b = f.window->findChild<QPushButton*>(button);
        QVERIFY(b && b->isEnabled());
        b->click();
        QCOMPARE(f.platform.opened, QStringList{f.ws.root() + path});
        QCOMPARE(f.platform.messages, QStringList());
        QCOMPARE(f.platform.paintStarts, QStringList());
    }

    // The picture reaches the paint program as one argument, spaces and all.
    void paintGetsThePictureWhole() {
        Fixture f;
        f.chooseFolder(QStringLiteral("bmp_gif my scans"));
        f.choose(QStringLiteral("page 1.bmp"));
        QVERIFY(f.c().cmdPaint->isEnabled());
        f.c().cmdPaint->click();
        QCOMPARE(f.platform.paintStarts,
                 QStringList{f.ws.root() + QStringLiteral("/bmp_gif my scans/page 1.bmp")});
        QCOMPARE(f.platform.messages, QStringList());
    }

    void paintNotInstalledIsReported() {
        Fixture f;
        f.platform.paintInstalled = false;
        f.chooseFolder(QStringLiteral("bmp_gif_sample"));
        f.choose(QStringLiteral("scan01.bmp"));
        f.c().cmdPaint->click();
        QCOMPARE(f.platform.messages.size(), 1);
        QVERIFY(f.platform.messages[0].contains(QStringLiteral("kolourpaint")));
        QVERIFY(f.platform.messages[0].contains(f.ws.pictures() + QStringLiteral("/scan01.bmp")));
    }

    // After a folder change the button stays enabled with no picture chosen: the paint program
    // is not handed the bare folder.
    void paintWithoutPictureIsRefused() {
        Fixture f;
        f.chooseFolder(QStringLiteral("bmp_gif_sample"));
        f.choose(QStringLiteral("scan01.bmp"));
        f.chooseFolder(QStringLiteral("bmp_gif my scans"));
        QVERIFY(f.c().cmdPaint->isEnabled());
        f.c().cmdPaint->click();
        QCOMPARE(f.platform.paintStarts, QStringList());
        QCOMPARE(f.platform.messages.size(), 1);
        QVERIFY(f.platform.messages[0].contains(QStringLiteral("画像ファイルが選ばれていません")));
    }
};

QTEST_MAIN(TestLaunch)
#include "test_launch.moc"
