#include "cp932.h"
#include "filelistbox.h"
#include "frmmain.h"
#include "listfiles.h"
#include "recordingplatform.h"
#include "tempworkspace.h"
#include "widgets.h"

#include <QFile>
#include <QtTest>

using namespace quillpix;
using quillpix::testing::RecordingPlatform;
using quillpix::testing::TempWorkspace;

namespace {

QStringList itemsOf(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadListFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("CR LF lines") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("last line unterminated") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("lone CR ends a line") << QByteArray("a\rb") << QStringList{"a", "b"};
        QTest::newRow("LF-only file, as Linux editors write it")
            << QByteArray("jpn\npause\n") << QStringList{"jpn", "pause"};
        QTest::newRow("mixed line ends")
            << QByteArray("a\nb\r\nc\rd") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("blank LF line is an empty item")
            << QByteArray("\n\n") << QStringList{"", ""};
        QTest::newRow("blank line is an empty item") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("empty last line") << QByteArray("a\r\n\r\n") << QStringList{"a", ""};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("duplicates kept, nothing trimmed")
            << QByteArray(" x \r\n x \r\n") << QStringList{" x ", " x "};
        QTest::newRow("code page 932")
            << QByteArray("\x8e\xa9\x93\xae:3\r\n") << QStringList{QStringLiteral("自動:3")};
        QTest::newRow("invalid bytes load with substitutes")
            << QByteArray("a\xa0\r\n") << QStringList{QStringLiteral("a\uFFFD")};
    }
    void loadListFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, items);
        TempWorkspace ws;
        const QString path = ws.writeFile(QStringLiteral("bin/list.txt"), bytes);
        QListWidget list;
        list.addItem(QStringLiteral("old"));
        list.setCurrentRow(0);
        quillpix::loadListFile(path, &list);
        QCOMPARE(itemsOf(&list), items);
        QCOMPARE(list.currentRow(), -1);
    }

    // A shipped item shows its caption; choosing it gives the line as the file holds it. Any
    // other line shows as it stands, also one a shipped item begins with.
    void itemsShowCaptionsAndGiveTheirLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("caption");
        QTest::newRow("shipped, shortened") << "縦書きブロック:5"
                                            << "縦ブロック:5";
        QTest::newRow("shipped option") << "-c preserve_interword_spaces=1"
                                        << "空白を保つ";
        QTest::newRow("shipped, as it stands") << "自動"
                                               << "自動";
        QTest::newRow("a user's own line") << "縦書きブロック:5 "
                                           << "縦書きブロック:5 ";
        QTest::newRow("an empty line") << ""
                                       << "";
    }
    void itemsShowCaptionsAndGiveTheirLines() {
        QFETCH(QString, line);
        QFETCH(QString, caption);
        TempWorkspace ws;
        const QString path = ws.writeFile(
            QStringLiteral("bin/list.txt"),
            quillpix::cp932::encode(QStringLiteral("x\r\n") + line + QStringLiteral("\r\n")));
        QListWidget list;
        quillpix::loadListFile(path, &list);
        QCOMPARE(list.item(1)->text(), caption);
        list.setCurrentRow(1);
        QCOMPARE(quillpix::selectedItemText(&list), line);
    }

    void refreshReloadsTheRightListWithoutSelection_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("listName");
        QTest::newRow("PSM") << 1 << "listPSMode.txt"
                             << "lstPSegMode";
        QTest::newRow("language") << 2 << "listLang.txt"
                                  << "lstLang";
        QTest::newRow("other options") << 3 << "listOption.txt"
                                       << "lstOption";
    }
    void refreshReloadsTheRightListWithoutSelection() {
        QFETCH(int, index);
        QFETCH(QString, file);
        QFETCH(QString, listName);
        TempWorkspace ws;
        RecordingPlatform platform;
        FrmMain window(platform, ws.bin());
        Controls& c = window.controls();
        auto* list = window.findChild<QListWidget*>(listName);
        QVERIFY(list);
        const QMap<QString, QStringList> before{{"lstPSegMode", itemsOf(c.lstPSegMode)},
                                                {"lstLang", itemsOf(c.lstLang)},
                                                {"lstOption", itemsOf(c.lstOption)}};
        ws.writeFile(QStringLiteral("bin/") + file, "new1\r\nnew2\r\n");
        QTest::mouseClick(c.cmdRefresh[index], Qt::LeftButton);
        QCOMPARE(itemsOf(list), (QStringList{"new1", "new2"}));
        QCOMPARE(list->currentRow(), -1);
        for (auto it = before.begin(); it != before.end(); ++it)
            if (it.key() != listName)
                QCOMPARE(itemsOf(window.findChild<QListWidget*>(it.key())), it.value());
        // Unchanged file: the reload still leaves nothing selected.
        list->setCurrentRow(1);
        QTest::mouseClick(c.cmdRefresh[index], Qt::LeftButton);
        QCOMPARE(list->currentRow(), -1);
        QVERIFY(platform.messages.isEmpty());
    }

    void refreshOfAMissingFileKeepsTheList() {
        TempWorkspace ws;
        RecordingPlatform platform;
        FrmMain window(platform, ws.bin());
        Controls& c = window.controls();
        QFile::remove(ws.bin() + QStringLiteral("/listLang.txt"));
        QTest::mouseClick(c.cmdRefresh[2], Qt::LeftButton);
        QCOMPARE(platform.messages.size(), 1);
        QVERIFY(platform.messages.first().contains(ws.bin() + QStringLiteral("/listLang.txt")));
        QCOMPARE(itemsOf(c.lstLang), (QStringList{"jpn", "eng"}));
        QCOMPARE(c.lstLang->currentRow(), 0);
    }

    void refreshOfTheFileListTouchesNoOptionList() {
        TempWorkspace ws;
        RecordingPlatform platform;
        FrmMain window(platform, ws.bin());
        Controls& c = window.controls();
        QCOMPARE(c.File1->count(), 0);
        ws.addPicture(QStringLiteral("new.bmp"), QImage(4, 4, QImage::Format_RGB32));
        ws.writeFile(QStringLiteral("bin/listLang.txt"), "changed\r\n");
        c.lstPSegMode->setCurrentRow(1);
        QTest::mouseClick(c.cmdRefresh[0], Qt::LeftButton);
        QCOMPARE(c.File1->count(), 1);
        QCOMPARE(c.File1->item(0)->text(), QStringLiteral("new.bmp"));
        QCOMPARE(itemsOf(c.lstLang), (QStringList{"jpn", "eng"}));
        QCOMPARE(c.lstPSegMode->currentRow(), 1);
    }

    void editOpensTheFileOfItsIndex_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("file");
        QTest::newRow("0 is the other-options file") << 0 << "listOption.txt";
        QTest::newRow("1 is the PSM file") << 1 << "listPSMode.txt";
        QTest::newRow("2 is the language file") << 2 << "listLang.txt";
    }
    void editOpensTheFileOfItsIndex() {
        QFETCH(int, index);
        QFETCH(QString, file);
        TempWorkspace ws;
        RecordingPlatform platform;
        FrmMain window(platform, ws.bin());
        const QStringList before = itemsOf(window.controls().lstLang);
        QTest::mouseClick(window.controls().cmdEditLst[index], Qt::LeftButton);
        QCOMPARE(platform.opened, QStringList{ws.bin() + QLatin1Char('/') + file});
        QCOMPARE(itemsOf(window.controls().lstLang), before);
    }
};

QTEST_MAIN(TestOptions)
#include "test_options.moc"
