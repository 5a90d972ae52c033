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
    // Each button hands its path to the desktop; when the desktop has no program for it, the
    // button says which kind of program is missing and names the file.
    void shellOpenButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("missing");
        const struct {
            const char* tag;
            const char* button;
            const char* path;
            const char* missing;
        } buttons[] = {
            {"help page beside the program folder", "cmdHelp", "/htm/introtool.htm", "ブラウザ"},
            {"raw result in the program folder", "cmdOpenTmpTxt", "/bin/tmp.txt",
             "テキストエディタ"},
            {"the chosen image folder", "cmdExplorer", "/bmp_gif my scans", "ファイルマネージャ"},
            {"option list", "cmdEditLst_0", "/bin/listOption.txt", "テキストエディタ"},
            {"mode list", "cmdEditLst_1", "/bin/listPSMode.txt", "テキストエディタ"},
            {"language list", "cmdEditLst_2", "/bin/listLang.txt", "テキストエディタ"},
        };
        for (const auto& b : buttons)
            for (bool installed : {true, false})
                QTest::addRow("%s, %s", b.tag, installed ? "opened" : "no program")
                    << QString::fromLatin1(b.button) << QString::fromLatin1(b.path) << installed
                    << QString::fromUtf8(b.missing);
    }
    void shellOpenButtons() {
        QFETCH(QString, button);
        QFETCH(QString, path);
        QFETCH(bool, installed);
        QFETCH(QString, missing);
        Fixture f;
        f.platform.openerInstalled = installed;
        QVERIFY(QDir(f.ws.root()).rmdir(QStringLiteral("htm")));
        f.chooseFolder(QStringLiteral("bmp_gif_sample"));
        f.chooseFolder(QStringLiteral("bmp_gif my scans"));
        f.platform.messages.clear();
        auto* b = f.window->findChild<QPushButton*>(button);
        QVERIFY(b && b->isEnabled());
        b->click();
        QCOMPARE(f.platform.paintStarts, QStringList());
        if (installed) {
            QCOMPARE(f.platform.opened, QStringList{f.ws.root() + path});
            QCOMPARE(f.platform.messages, QStringList());
            return;
        }
        QCOMPARE(f.platform.messages.size(), 1);
        QVERIFY2(f.platform.messages[0].contains(missing), qPrintable(f.platform.messages[0]));
        QVERIFY2(f.platform.messages[0].contains(f.ws.root() + path),
                 qPrintable(f.platform.messages[0]));
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
