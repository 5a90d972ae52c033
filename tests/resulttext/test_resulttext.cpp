#include "boxplaces.h"
#include "cp932.h"
#include "filelistbox.h"
#include "frmmain.h"
#include "instancechannel.h"
#include "picturebox.h"
#include "placeframes.h"
#include "recognitionfixture.h"
#include "recordingplatform.h"
#include "resultmarks.h"
#include "resulttexthandler.h"
#include "tempworkspace.h"
#include "textfiles.h"
#include "viewerhandler.h"
#include "waysinhandler.h"
#include "widgets.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QXmlStreamReader>
#include <QtTest>

#include <sys/resource.h>

#include <csignal>
#include <memory>

using namespace quillpix;
using quillpix::testing::RecordingPlatform;
using quillpix::testing::TempWorkspace;

namespace {

const QString kNotYetSaved = QStringLiteral("認識結果のファイルはまだ作成されていません。");

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A workspace with two pictures, a sound to play after saving and a second picture folder.
struct Fixture {
    TempWorkspace ws;
    RecordingPlatform platform;
    std::unique_ptr<FrmMain> window;

    Fixture() {
        ws.writeFile(QStringLiteral("wav/start.wav"), "RIFF");
        ws.addPicture(QStringLiteral("scan01.bmp"), testing::coordinatePicture(40, 30));
        ws.addPicture(QStringLiteral("scan02.bmp"), testing::coordinatePicture(30, 20));
        QDir(ws.root()).mkpath(QStringLiteral("bmp_gif_other"));
        window = std::make_unique<FrmMain>(platform, ws.bin());
        c().cmbFolder->setCurrentIndex(c().cmbFolder->findText(QStringLiteral("bmp_gif_sample")));
    }
    Controls& c() { return window->controls(); }
    QString saved(const QString& picture) const {
        return ws.pictures() + QLatin1Char('/') + picture + QStringLiteral(".txt");
    }
    // Chooses the picture as a click in the file list does.
    void choose(const QString& picture) {
        const auto items = c().File1->findItems(picture, Qt::MatchExactly);
        QVERIFY(!items.isEmpty());
        c().File1->setCurrentItem(items.first());
        QCOMPARE(c().File1->fileName(), picture);
    }
    // What a recognition run does at its start.
    void startRun(const QString& appended) {
        window->resultText().rememberForUndo();
        c().txtResult->setText(c().txtResult->text() + appended);
    }
    void save(const QString& text) {
        c().txtResult->setText(text);
        QVERIFY(c().cmdSaveText->isEnabled());
        c().cmdSaveText->click();
    }
};

// Two lines of ten characters read on a 40 x 30 picture, each in a 3 x 4 box: 日 and 本 the two
// the engine was unsure of.
const QString kRead = QStringLiteral("あいうえお日かきくけ\r\nさしすせそ本たちつて\r\n");

QList<enginelayout::Line> linesOfRead() {
    QList<enginelayout::Line> lines;
    for (const int row : {0, 1}) {
        enginelayout::Line line;
        line.box = QRect(0, row * 10, 40, 4);
        for (int k = 0; k < 10; ++k) {
            const QString c = kRead.mid(row * 12 + k, 1);
            const bool unsure = c == QStringLiteral("日") || c == QStringLiteral("本");
            line.symbols << enginelayout::Symbol{c, QRect(k * 4, row * 10, 3, 4), k == 0,
                                                 unsure ? 40.0F : 99.0F};
        }
        lines << line;
    }
    return lines;
}

QString selected(Fixture& f) {
    return f.c().txtResult->textCursor().selectedText();
}

int shownMarks(Fixture& f) {
    return int(f.c().txtResult->extraSelections().size());
}

} // namespace

class TestResultText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The saved file for each box text: code page 932, the tidied text and one CR LF.
    void savedBytes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("abc") << "abc" << QByteArray("abc\r\n");
        QTest::newRow("abc CRLF") << "abc\r\n" << QByteArray("abc\r\n\r\n");
        QTest::newRow("abc 3 CRLF") << "abc\r\n\r\n\r\n" << QByteArray("abc\r\n\r\n");
        QTest::newRow("a lone CR b") << "a\rb" << QByteArray("ab\r\n");
        QTest::newRow("one appended result")
            << "line1\r\nline2\r\n\r" << QByteArray("line1\r\nline2\r\n\r\n");
        QTest::newRow("lone LF kept") << "a\nb" << QByteArray("a\nb\r\n");
        QTest::newRow("Japanese") << "認識①" << QByteArray("\x94\x46\x8e\xaf\x87\x40\r\n");
        QTest::newRow("empty") << "" << QByteArray("\r\n");
    }
    void savedBytes() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        Fixture f;
        f.choose(QStringLiteral("scan01.bmp"));
        // An earlier text enables the button, so an emptied box can be saved too.
        f.c().txtResult->setText(QStringLiteral("earlier"));
        f.save(text);
        QCOMPARE(readBytes(f.saved(QStringLiteral("scan01.bmp"))), bytes);
        QCOMPARE(f.platform.sounds, QStringList{f.ws.root() + QStringLiteral("/wav/start.wav")});
        QCOMPARE(f.platform.messages, QStringList());
        QCOMPARE(f.c().txtResult->text(), text);
    }

    // The file comes back with every line followed by CR LF; the second save adds one blank
    // line and from then on rounds leave the file as it is. The open button follows the file
    // only when the picture is chosen again.
    void loadSaveRounds() {
        Fixture f;
        const QString path = f.saved(QStringLiteral("scan01.bmp"));
        f.choose(QStringLiteral("scan01.bmp"));
        QVERIFY(!f.c().cmdOpenTextFile->isEnabled());
        f.save(QStringLiteral("line1\r\nline2"));
        QCOMPARE(readBytes(path), QByteArray("line1\r\nline2\r\n"));
        QVERIFY(!f.c().cmdOpenTextFile->isEnabled());

        const QByteArray expected[] = {"line1\r\nline2\r\n\r\n", "line1\r\nline2\r\n\r\n",
                                       "line1\r\nline2\r\n\r\n"};
        for (const QByteArray& bytes : expected) {
            f.choose(QStringLiteral("scan02.bmp"));
            QCOMPARE(f.c().txtResult->text(), QString());
            f.choose(QStringLiteral("scan01.bmp"));
            QVERIFY(f.c().cmdOpenTextFile->isEnabled());
            QCOMPARE(f.c().txtResult->text(), textfiles::readTextFile(path));
            f.c().cmdSaveText->click();
            QCOMPARE(readBytes(path), bytes);
        }
        QVERIFY(!QFileInfo::exists(f.saved(QStringLiteral("scan02.bmp"))));
    }

    void saveButtonState() {
        Fixture f;
        QVERIFY(!f.c().cmdSaveText->isEnabled());
        // Text with no picture chosen does not enable it.
        f.c().txtResult->setText(QStringLiteral("abc"));
        QVERIFY(!f.c().cmdSaveText->isEnabled());
        // Neither does an empty text with a picture chosen.
        f.choose(QStringLiteral("scan01.bmp"));
        QVERIFY(!f.c().cmdSaveText->isEnabled());
        // A lone CR is text.
        f.c().txtResult->setText(QStringLiteral("\r"));
        QVERIFY(f.c().cmdSaveText->isEnabled());
        f.c().txtResult->setText(QString());
        QVERIFY(f.c().cmdSaveText->isEnabled());
    }

    // With nothing chosen in the file list the name would be ".txt" alone, so the save is
    // refused with a message and the box text stays for a later save.
    void saveWithoutPictureIsRefused_data() {
        QTest::addColumn<bool>("changeFolder");
        QTest::newRow("after a folder change") << true;
        QTest::newRow("after the list is read again") << false;
    }
    void saveWithoutPictureIsRefused() {
        QFETCH(bool, changeFolder);
        Fixture f;
        f.choose(QStringLiteral("scan01.bmp"));
        f.save(QStringLiteral("first"));
        f.platform.sounds.clear();
        if (changeFolder)
            f.c().cmbFolder->setCurrentIndex(f.c().cmbFolder->findText("bmp_gif_other"));
        else
            f.c().cmdRefresh[0]->click();
        QCOMPARE(f.c().File1->fileName(), QString());
        f.c().txtResult->setText(QStringLiteral("unsaved"));
        f.c().cmdSaveText->click();
        QCOMPARE(f.platform.messages.size(), 1);
        QVERIFY(f.platform.messages[0].contains(QStringLiteral("画像ファイルが選ばれていない")));
        QCOMPARE(f.platform.sounds, QStringList());
        QCOMPARE(f.c().txtResult->text(), QStringLiteral("unsaved"));
        QCOMPARE(readBytes(f.saved(QStringLiteral("scan01.bmp"))), QByteArray("first\r\n"));
        for (const QString& folder : {f.ws.pictures(), f.ws.root() + "/bmp_gif_other"})
            QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/.txt")));
    }

    // A save that cannot be written names the path, plays nothing and leaves what was there.
    void saveFailureKeepsEarlierFile_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("the saved name is a folder") << "folder";
        QTest::newRow("the picture folder is gone") << "gone";
        QTest::newRow("the disk refuses the bytes") << "size limit";
        QTest::newRow("the saved result is read-only") << "read-only";
    }
    void saveFailureKeepsEarlierFile() {
        QFETCH(QString, how);
        Fixture f;
        const QString path = f.saved(QStringLiteral("scan01.bmp"));
        f.choose(QStringLiteral("scan01.bmp"));
        f.save(QStringLiteral("old"));
        f.platform.sounds.clear();
        const QString text = QStringLiteral("new text ").repeated(200);

        if (how == "folder") {
            QVERIFY(QFile::remove(path));
            f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan01.bmp.txt/keep"), "kept");
            f.save(text);
            QCOMPARE(readBytes(path + QStringLiteral("/keep")), QByteArray("kept"));
        } else if (how == "gone") {
            QVERIFY(QDir(f.ws.pictures()).removeRecursively());
            f.save(text);
            QVERIFY(!QFileInfo::exists(f.ws.pictures()));
        } else if (how == "read-only") {
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
            f.save(text);
            QCOMPARE(readBytes(path), QByteArray("old\r\n"));
            QVERIFY(f.platform.messages.value(0).contains(QStringLiteral("読み取り専用")));
        } else {
            // Root ignores permissions, but not the file size limit: the new bytes do not fit
            // while the earlier file stays below it.
            rlimit old{};
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
            const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = old;
            small.rlim_cur = 64;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            f.save(text);
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, previousHandler);
            QCOMPARE(readBytes(path), QByteArray("old\r\n"));
        }
        QCOMPARE(f.platform.messages.size(), 1);
        QVERIFY2(f.platform.messages[0].contains(path), qPrintable(f.platform.messages[0]));
        QVERIFY(f.platform.messages[0].contains(QStringLiteral("保存できませんでした")));
        QCOMPARE(f.platform.sounds, QStringList());
        QCOMPARE(f.c().txtResult->text(), text);
        // No temporary file is left beside the picture.
        if (how != "gone")
            QCOMPARE(QDir(f.ws.pictures()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                     how == "folder" ? QStringList({"scan01.bmp", "scan02.bmp"})
                                     : QStringList({"scan01.bmp", "scan01.bmp.txt", "scan02.bmp"}));
    }

    // The box's menu chooses what 保存 writes, kept across starts; a result in UTF-8 stays
    // UTF-8 whatever is chosen, and UTF-8 chosen goes over a Shift-JIS result too.
    void saveInTheChosenEncoding_data() {
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QByteArray>("earlier"); // "" for none
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray sjis("\x93\xfa\x96\x7b\r\na\r\n"); // 日本, a
        const QByteArray utf8("\xe6\x97\xa5\xe6\x9c\xac\na\n");
        QTest::newRow("UTF-8 chosen, a new result") << true << QByteArray() << utf8;
        QTest::newRow("UTF-8 chosen, over Shift-JIS") << true << sjis << utf8;
        QTest::newRow("Shift-JIS, a new result") << false << QByteArray() << sjis;
        QTest::newRow("Shift-JIS, over UTF-8: stays UTF-8") << false << utf8 << utf8;
    }
    void saveInTheChosenEncoding() {
        QFETCH(bool, utf8);
        QFETCH(QByteArray, earlier);
        QFETCH(QByteArray, bytes);
        Fixture f;
        if (!earlier.isEmpty())
            f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan01.bmp.txt"), earlier);
        auto* choice = f.c().txtResult->findChild<QAction*>(QStringLiteral("actSaveUtf8"));
        QVERIFY(choice);
        choice->setChecked(utf8);
        // Chosen once, kept: a window started afterwards saves the same way.
        f.window = std::make_unique<FrmMain>(f.platform, f.ws.bin());
        f.c().cmbFolder->setCurrentIndex(
            f.c().cmbFolder->findText(QStringLiteral("bmp_gif_sample")));
        f.choose(QStringLiteral("scan01.bmp"));
        QCOMPARE(f.window->resultText().saveEncoding() == textfiles::TextEncoding::Utf8, utf8);
        f.save(QStringLiteral("日本\r\na"));
        QCOMPARE(readBytes(f.saved(QStringLiteral("scan01.bmp"))), bytes);
    }

    // Characters with no code page 932 form are asked about before anything is written: UTF-8
    // keeps them, "?" takes their place, a cancel writes nothing and the box stays unsaved. A
    // result already saved keeps its encoding, and one in UTF-8 is not asked about.
    void saveKeepsEveryCharacterOrAsks_data() {
        QTest::addColumn<QByteArray>("earlier"); // the saved result before; "" for none
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("answer"); // -1: nothing is asked
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray mark("\xEF\xBB\xBF");
        const QByteArray sjis("\x93\xfa\x96\x7b\r\n"); // 日本
        const QString ougai = QStringLiteral("森鷗外𠮷😀");
        const QByteArray ougaiUtf8 = ougai.toUtf8() + "\n"; // without a byte-order mark
        QTest::newRow("new file, all Shift-JIS") << QByteArray() << "日本" << -1 << sjis;
        QTest::newRow("new file, UTF-8 chosen") << QByteArray() << ougai << 0 << ougaiUtf8;
        QTest::newRow("new file, ? chosen")
            << QByteArray() << ougai << 1 << QByteArray("\x90\x58?\x8a\x4f??\r\n");
        QTest::newRow("new file, cancelled")
            << QByteArray() << ougai << 2 << QByteArray("<missing>");
        QTest::newRow("Shift-JIS file, cancelled, kept") << sjis << ougai << 2 << sjis;
        QTest::newRow("Shift-JIS file stays Shift-JIS") << sjis << "日本2" << -1
                                                        << QByteArray("\x93\xfa\x96\x7b"
                                                                      "2\r\n");
        QTest::newRow("UTF-8 file stays UTF-8, nothing asked") << mark + "a\n"
                                                               << ougai << -1 << ougaiUtf8;
        QTest::newRow("UTF-8 file stays UTF-8 for Shift-JIS text")
            << mark + "a\n"
            << "日本" << -1 << QByteArray("\xe6\x97\xa5\xe6\x9c\xac\n");
        QTest::newRow("UTF-8 from an editor, no mark, stays UTF-8")
            << QStringLiteral("森鷗外\n").toUtf8() << ougai << -1 << ougaiUtf8;
        QTest::newRow("UTF-16 file is written back in UTF-8") << QByteArray("\xFF\xFE"
                                                                            "a\0\r\0\n\0",
                                                                            8)
                                                              << ougai << -1 << ougaiUtf8;
    }
    void saveKeepsEveryCharacterOrAsks() {
        QFETCH(QByteArray, earlier);
        QFETCH(QString, text);
        QFETCH(int, answer);
        QFETCH(QByteArray, bytes);
        Fixture f;
        const QString path = f.saved(QStringLiteral("scan01.bmp"));
        if (!earlier.isEmpty())
            f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan01.bmp.txt"), earlier);
        f.choose(QStringLiteral("scan01.bmp"));
        if (answer >= 0)
            f.platform.choiceAnswers = {answer};
        // Nothing is written while the question is open.
        QByteArray duringQuestion;
        f.platform.onChoice = [&](const QString&) { duringQuestion = readBytes(path); };
        // A run's reading, not saved yet.
        f.c().txtResult->setText(QString());
        f.window->resultText().append(text);
        f.c().cmdSaveText->click();

        QCOMPARE(readBytes(path), bytes);
        QCOMPARE(f.platform.choiceQuestions.size(), answer >= 0 ? 1 : 0);
        if (answer >= 0) {
            QCOMPARE(duringQuestion, earlier.isEmpty() ? QByteArray("<missing>") : earlier);
            QVERIFY(f.platform.choiceQuestions[0].contains(QStringLiteral("鷗𠮷😀")));
            QVERIFY(f.platform.choiceQuestions[0].contains(path));
            QCOMPARE(f.platform.choiceOffers[0].size(), 3);
        }
        QCOMPARE(f.platform.messages, QStringList());
        const bool written = answer != 2;
        QCOMPARE(f.platform.sounds.size(), written ? 1 : 0);
        QCOMPARE(f.window->resultText().unsaved(), !written);
        QCOMPARE(f.c().txtResult->text(), text);
        if (!written)
            return;
        // Chosen again, the text comes back as saved.
        f.choose(QStringLiteral("scan02.bmp"));
        f.choose(QStringLiteral("scan01.bmp"));
        QCOMPARE(f.c().txtResult->text(), (answer == 1 ? QStringLiteral("森?外?"
                                                                        "?")
                                                       : text) +
                                              QStringLiteral("\r\n"));
    }

    // A window's run keeps what the engine read, characters Shift-JIS lacks too (only the work
    // file tmp_sjis.txt has "?"), and a notice names them and their lines in the box.
    void runKeepsWhatShiftJisLacks_data() {
        QTest::addColumn<QString>("before");  // the box before the run
        QTest::addColumn<QByteArray>("utf8"); // the engine's output
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("notice"); // what the notice holds; "" for no notice
        QTest::newRow("all Shift-JIS, no notice")
            << QString() << QByteArray("日本\n") << QStringLiteral("日本\r") << QString();
        QTest::newRow("鷗 on the first line")
            << QString() << QStringLiteral("森鷗外\n").toUtf8() << QStringLiteral("森鷗外\r")
            << QStringLiteral("鷗（1 行目）");
        QTest::newRow("after two lines, on the second of the run")
            << QStringLiteral("前\r\n鷗\r\n") << QStringLiteral("a\n𠮷😀\n").toUtf8()
            << QStringLiteral("前\r\n鷗\r\na\r\n𠮷😀\r") << QStringLiteral("𠮷😀（4 行目）");
    }
    void runKeepsWhatShiftJisLacks() {
        QFETCH(QString, before);
        QFETCH(QByteArray, utf8);
        QFETCH(QString, box);
        QFETCH(QString, notice);
        const QByteArray path = qgetenv("PATH");
        testing::FakeEngine engine;
        qputenv("PATH", engine.folder().toLocal8Bit() + ':' + path);
        {
            testing::Session s;
            s.chooseItems(1, 0, 0);
            s.c().txtResult->setText(before);
            s.select(10, 10, 60, 40);
            engine.setOutput(utf8);
            s.c().cmdRecognize->click();
            QVERIFY(engine.ran());
            QCOMPARE(s.c().txtResult->text(), box);
            QCOMPARE(s.platform.notices.size(), notice.isEmpty() ? 0 : 1);
            if (!notice.isEmpty())
                QVERIFY2(s.platform.notices[0].contains(notice), qPrintable(s.platform.notices[0]));
            QCOMPARE(readBytes(s.workFile(QStringLiteral("tmp_sjis.txt"))).contains('?'),
                     !notice.isEmpty());
        }
        qputenv("PATH", path);
    }

    // A cancelled question on closing keeps the window and the text.
    void cancelledEncodingQuestionKeepsTheWindow() {
        Fixture f;
        f.choose(QStringLiteral("scan01.bmp"));
        f.window->resultText().append(QStringLiteral("鷗"));
        f.platform.saveAnswer = SaveAnswer::Save;
        f.platform.choiceAnswers = {2};
        f.window->show();
        QVERIFY(!f.window->close());
        QVERIFY(f.window->isVisible());
        QVERIFY(!QFileInfo::exists(f.saved(QStringLiteral("scan01.bmp"))));
        QVERIFY(f.window->resultText().unsaved());
    }

    // 名前を付けて保存 from the box's menu writes the box in the encoding chosen, by 保存's
    // rules. Elsewhere it is a copy (the box stays unsaved, 保存 still writes beside the
    // picture); over the picture's own result it is that result, and reloads as it was.
    void saveAs_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QString>("target");   // in the picture folder; "" cancels
        QTest::addColumn<QByteArray>("bytes"); // what the target holds after
        QTest::addColumn<bool>("told");        // a message was shown
        QTest::addColumn<int>("answer");       // to the question about Shift-JIS; -1 none
        const QString nihon = QStringLiteral("日本\r\nab");
        QTest::newRow("Shift-JIS, CR LF, a copy")
            << nihon << false << "copy.txt" << QByteArray("\x93\xfa\x96\x7b\r\nab\r\n") << false
            << -1;
        QTest::newRow("UTF-8, LF, a copy")
            << nihon << true << "copy.txt" << QByteArray("\xe6\x97\xa5\xe6\x9c\xac\nab\n") << false
            << -1;
        QTest::newRow("UTF-8 holds what Shift-JIS cannot, nothing to tell")
            << QStringLiteral("a〜b") << true << "copy.txt"
            << QByteArray("a\xe3\x80\x9c"
                          "b\n")
            << false << -1;
        QTest::newRow("Shift-JIS asks first, ? chosen")
            << QStringLiteral("a〜b") << false << "copy.txt" << QByteArray("a?b\r\n") << false << 1;
        QTest::newRow("Shift-JIS asks first, UTF-8 chosen")
            << QStringLiteral("a〜b") << false << "copy.txt"
            << QByteArray("a\xe3\x80\x9c"
                          "b\n")
            << false << 0;
        QTest::newRow("Shift-JIS asks first, cancelled")
            << QStringLiteral("a〜b") << false << "copy.txt" << QByteArray("<missing>") << false
            << 2;
        QTest::newRow("UTF-8 over the picture's own result")
            << QStringLiteral("東京都") << true << "scan01.bmp.txt"
            << QByteArray("\xe6\x9d\xb1\xe4\xba\xac\xe9\x83\xbd\n") << false << -1;
        QTest::newRow("a picture is never replaced by text")
            << nihon << true << "scan02.bmp" << QByteArray("<picture>") << true << -1;
        QTest::newRow("cancelled") << nihon << true << "" << QByteArray() << false << -1;
    }
    void saveAs() {
        QFETCH(QString, text);
        QFETCH(bool, utf8);
        QFETCH(QString, target);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, told);
        QFETCH(int, answer);
        Fixture f;
        if (answer >= 0)
            f.platform.choiceAnswers = {answer};
        const QString beside = f.saved(QStringLiteral("scan01.bmp"));
        const QString path = target.isEmpty() ? QString() : f.ws.pictures() + u'/' + target;
        const QByteArray picture = readBytes(f.ws.pictures() + QStringLiteral("/scan02.bmp"));
        if (bytes == "<picture>")
            bytes = picture;
        f.choose(QStringLiteral("scan01.bmp"));
        // A run's reading, not saved yet.
        f.window->resultText().append(text);
        f.platform.saveTargetAnswer = {path, utf8 ? textfiles::TextEncoding::Utf8
                                                  : textfiles::TextEncoding::ShiftJis};
        std::unique_ptr<QMenu> menu(f.window->resultText().contextMenu({}));
        QAction* saveAs = menu->findChild<QAction*>(QStringLiteral("actSaveAs"));
        if (!saveAs)
            for (QAction* action : menu->actions())
                if (action->objectName() == QStringLiteral("actSaveAs"))
                    saveAs = action;
        QVERIFY(saveAs);
        saveAs->trigger();

        QCOMPARE(f.platform.saveTargetStarts, QStringList{beside});
        if (!path.isEmpty())
            QCOMPARE(readBytes(path), bytes);
        QCOMPARE(f.platform.messages.size(), told ? 1 : 0);
        QCOMPARE(f.platform.choiceQuestions.size(), answer >= 0 ? 1 : 0);
        const bool written = !path.isEmpty() && bytes != picture && bytes != "<missing>";
        QCOMPARE(f.platform.sounds.size(), written ? 1 : 0);
        QCOMPARE(f.c().txtResult->text(), text);
        const bool ownResult = path == beside;
        QCOMPARE(f.window->resultText().unsaved(), !ownResult);
        if (!ownResult) {
            // 保存 still writes beside the picture, in Shift-JIS.
            QVERIFY(!QFileInfo::exists(beside));
            f.platform.choiceAnswers = {1};
            f.c().cmdSaveText->click();
            QCOMPARE(readBytes(beside),
                     cp932::encode(text).replace("\r\n", "\n").replace("\n", "\r\n") + "\r\n");
            return;
        }
        // Chosen again, the UTF-8 result comes back line for line.
        f.choose(QStringLiteral("scan02.bmp"));
        f.choose(QStringLiteral("scan01.bmp"));
        QCOMPARE(f.c().txtResult->text(), text + QStringLiteral("\r\n"));
        QVERIFY(f.c().cmdOpenTextFile->isEnabled());
    }

    // The undo text is the box before the last run, whatever the user did to the box since;
    // lone CRs and LFs come back exactly. One undo disables the button. After another picture
    // or folder there is nothing to undo: that text belongs to the picture it was taken on.
    void undo_data() {
        QTest::addColumn<QString>("between");
        QTest::newRow("nothing") << "";
        QTest::newRow("a clear") << "clear";
        QTest::newRow("an edit") << "edit";
        QTest::newRow("another picture") << "picture";
        QTest::newRow("the same picture again") << "same";
        QTest::newRow("another folder") << "folder";
    }
    void undo() {
        QFETCH(QString, between);
        Fixture f;
        f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan02.bmp.txt"), "other\r\n");
        f.choose(QStringLiteral("scan01.bmp"));
        const QString before = QStringLiteral("a\rb\nc\r\n");
        f.c().txtResult->setText(before);
        f.startRun(QStringLiteral("run\r\n"));
        f.c().txtBat->setText(QStringLiteral("tesseract"));
        if (between == "clear") {
            f.c().cmdClear->click();
            QCOMPARE(f.c().txtBat->text(), QString());
            QCOMPARE(f.c().txtResult->text(), QString());
        } else if (between == "picture") {
            f.choose(QStringLiteral("scan02.bmp"));
            QCOMPARE(f.c().txtResult->text(), QStringLiteral("other\r\n"));
        } else if (between == "same") {
            f.choose(QStringLiteral("scan02.bmp"));
            f.choose(QStringLiteral("scan01.bmp"));
        } else if (between == "folder") {
            f.c().cmbFolder->setCurrentIndex(
                f.c().cmbFolder->findText(QStringLiteral("bmp_gif_other")));
        } else if (between == "edit") {
            f.c().txtResult->setText(QStringLiteral("edited"));
        }
        if (between == "picture" || between == "same" || between == "folder") {
            QVERIFY(!f.c().cmdUndo->isEnabled());
            QCOMPARE(f.window->resultText().undoText(), QString());
            return;
        }
        QVERIFY(f.c().cmdUndo->isEnabled());
        f.c().cmdUndo->click();
        QCOMPARE(f.c().txtResult->text(), before);
        QCOMPARE(f.c().txtResult->caretPosition(), int(before.size()));
        QVERIFY(!f.c().cmdUndo->isEnabled());
        QCOMPARE(f.window->resultText().undoText(), before);
    }

    // The menu's join works on the selection, or on the whole text when nothing is selected;
    // the box's own undo takes it back in one step.
    void joinParagraphsFromTheMenu_data() {
        QTest::addColumn<int>("from"); // the selection in the stored text; -1 none
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("joined");
        QTest::newRow("nothing selected: all")
            << -1 << -1 << QStringLiteral("一行目の文が二行目へ続く。\r\n\r\n次も三行目へ続く。\r");
        QTest::newRow("the first two lines") << 0 << 15
                                             << QStringLiteral("一行目の文が二行目へ続く。\r\n\r\n"
                                                               "次も\r\n三行目へ続く。\r");
    }
    void joinParagraphsFromTheMenu() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, joined);
        Fixture f;
        const QString text =
            QStringLiteral("一行目の文が\r\n二行目へ続く。\r\n\r\n次も\r\n三行目へ続く。\r");
        f.c().txtResult->setText(text);
        QTextCursor cursor = f.c().txtResult->textCursor();
        if (from >= 0) {
            // Stored CR LF is one paragraph break in the editor.
            cursor.setPosition(from - int(text.left(from).count(QStringLiteral("\r\n"))));
            cursor.setPosition(to - int(text.left(to).count(QStringLiteral("\r\n"))),
                               QTextCursor::KeepAnchor);
        }
        f.c().txtResult->setTextCursor(cursor);
        auto* join = f.window->findChild<QAction*>(QStringLiteral("actJoinParagraphs"));
        QVERIFY(join);
        std::unique_ptr<QMenu> menu(f.window->resultText().contextMenu({0, 0}));
        QVERIFY(menu->actions().contains(join));
        join->trigger();
        QCOMPARE(f.c().txtResult->text(), joined);
        f.c().txtResult->undo();
        QCOMPARE(f.c().txtResult->text(), text);
    }

    // Joining lines keeps what the reading's characters carry: the marks and the places on the
    // picture, moved as the joints before them went.
    void joiningKeepsTheMarks() {
        Fixture f;
        f.choose(QStringLiteral("scan01.bmp"));
        f.c().txtResult->setText(QStringLiteral("前\r\n"));
        f.window->resultText().append(kRead, linesOfRead());
        f.window->findChild<QAction*>(QStringLiteral("actJoinParagraphs"))->trigger();
        QCOMPARE(f.c().txtResult->text(),
                 QStringLiteral("前あいうえお日かきくけさしすせそ本たちつて\r\n"));
        QCOMPARE(shownMarks(f), 2);
        auto* frames = f.c().picDisp->findChild<PlaceFrames*>();
        QVERIFY(frames);
        for (const QRect& box : {QRect(20, 0, 3, 4), QRect(20, 10, 3, 4)}) {
            QTest::keyClick(f.c().txtResult, Qt::Key_F8);
            QCOMPARE(frames->current(), box);
        }
        // The first character of the second line, now straight after the first line's last.
        QTextCursor cursor = f.c().txtResult->textCursor();
        cursor.setPosition(11);
        f.c().txtResult->setTextCursor(cursor);
        QCOMPARE(frames->current(), QRect(0, 10, 3, 4));
    }

    // The guarded clean-up is off at first and stays as the user left it from one start to the
    // next.
    void keepLatinSpacesIsRemembered() {
        Fixture f;
        auto* keep = f.window->findChild<QAction*>(QStringLiteral("actKeepLatinSpaces"));
        QVERIFY(keep && keep->isCheckable());
        QCOMPARE(f.window->resultText().latinSpacing(), cleanup::LatinSpacing::AsWritten);
        keep->trigger();
        QCOMPARE(f.window->resultText().latinSpacing(), cleanup::LatinSpacing::Kept);
        for (bool expected : {true, false}) {
            FrmMain again(f.platform, f.ws.bin());
            auto* kept = again.findChild<QAction*>(QStringLiteral("actKeepLatinSpaces"));
            QCOMPARE(kept->isChecked(), expected);
            QCOMPARE(again.resultText().latinSpacing(),
                     expected ? cleanup::LatinSpacing::Kept : cleanup::LatinSpacing::AsWritten);
            kept->trigger();
        }
    }

    // Clear empties both boxes and leaves the undo and the save button alone; the three
    // editing buttons hand the focus back to the result box.
    void clearAndFocus() {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.choose(QStringLiteral("scan01.bmp"));
        f.c().txtResult->setText(QStringLiteral("kept for undo"));
        f.startRun(QStringLiteral("run"));
        f.c().txtBat->setText(QStringLiteral("tesseract"));
        f.c().cmdClear->setFocus();
        f.c().cmdClear->click();
        QCOMPARE(f.c().txtBat->text(), QString());
        QCOMPARE(f.c().txtResult->text(), QString());
        QVERIFY(f.c().cmdUndo->isEnabled());
        QVERIFY(f.c().cmdSaveText->isEnabled());
        QCOMPARE(QApplication::focusWidget(), f.c().txtResult);
        for (QPushButton* button : {f.c().cmdUndo, f.c().cmdSaveText}) {
            button->setFocus();
            button->click();
            QCOMPARE(QApplication::focusWidget(), f.c().txtResult);
        }
    }

    // Every way another picture or folder takes the result box's place, and closing, first
    // asks about text typed since the load: 保存 writes it and goes on, 保存しない goes on and
    // leaves the file, キャンセル changes nothing. Text as loaded or just saved is not asked
    // about, nor is the folder on show opened again, which keeps the text.
    void editIsNeverLostSilently_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("edit"); // typed, none, saved, unwritable (typed, save fails)
        QTest::addColumn<int>("answer");   // SaveAnswer
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QByteArray>("file"); // scan01.bmp.txt afterwards
        const QByteArray loaded("first\r\n"), typed("first\r\nabc\r\n");
        const QStringList ways = {
            "another picture", "the same picture clicked", "a second start's path",
            "another folder",  "a pasted picture",         "a captured picture",
            "closing"};
        for (const QString& way : ways) {
            const QByteArray w = way.toUtf8();
            QTest::addRow("%s, 保存", w.data())
                << way << "typed" << int(SaveAnswer::Save) << true << true << typed;
            QTest::addRow("%s, 保存しない", w.data())
                << way << "typed" << int(SaveAnswer::Discard) << true << true << loaded;
            QTest::addRow("%s, キャンセル", w.data())
                << way << "typed" << int(SaveAnswer::Cancel) << true << false << loaded;
        }
        for (const char* way : {"another picture", "a second start's path", "closing"})
            QTest::addRow("%s, nothing edited", way)
                << way << "none" << int(SaveAnswer::Cancel) << false << true << loaded;
        for (const char* way : {"another folder", "the same picture clicked", "a pasted picture"})
            QTest::addRow("%s, edited and saved", way)
                << way << "saved" << int(SaveAnswer::Cancel) << false << true << typed;
        // Asked before the chooser remembers the folder.
        QTest::newRow("a folder from elsewhere, 保存しない")
            << "a folder from elsewhere"
            << "typed" << int(SaveAnswer::Discard) << true << true << loaded;
        QTest::newRow("a folder from elsewhere, キャンセル")
            << "a folder from elsewhere"
            << "typed" << int(SaveAnswer::Cancel) << true << false << loaded;
        QTest::newRow("the folder on show opened, text kept")
            << "the folder on show"
            << "typed" << int(SaveAnswer::Cancel) << false << false << loaded;
        QTest::newRow("another picture, 保存 cannot write")
            << "another picture"
            << "unwritable" << int(SaveAnswer::Save) << true << false << QByteArray("<missing>");
    }
    void editIsNeverLostSilently() {
        QFETCH(QString, way);
        QFETCH(QString, edit);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, changed);
        QFETCH(QByteArray, file);
        Fixture f;
        const QString path = f.saved(QStringLiteral("scan01.bmp"));
        f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan01.bmp.txt"), "first\r\n");
        f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan02.bmp.txt"), "second\r\n");
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        f.choose(QStringLiteral("scan01.bmp"));
        QString text = f.c().txtResult->text();
        if (edit != "none") {
            f.c().txtResult->moveCaretToEnd();
            QTest::keyClicks(f.c().txtResult, QStringLiteral("abc"));
            text = f.c().txtResult->text();
            QCOMPARE(text, QStringLiteral("first\r\nabc"));
        }
        if (edit == "saved")
            QTest::keyClick(f.window.get(), Qt::Key_S, Qt::ControlModifier);
        if (edit == "unwritable") {
            QVERIFY(QFile::remove(path));
            f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan01.bmp.txt/keep"), "kept");
        }
        f.platform.saveAnswer = SaveAnswer(answer);
        const QString clipboard = f.ws.root() + QStringLiteral("/bmp_gif_clipboard");
        const QString elsewhere = f.ws.root() + QStringLiteral("/elsewhere");
        QVERIFY(QDir().mkpath(elsewhere));
        const int folders = f.c().cmbFolder->count();
        f.platform.clipboard.picture = testing::coordinatePicture(20, 10);
        f.platform.screenRegion.picture = testing::coordinatePicture(20, 10);

        const auto startRequest = [](const QString& path) {
            WindowRequest request;
            request.paths = {path};
            return request;
        };
        bool closed = false;
        if (way == "another picture")
            f.c().File1->setCurrentItem(f.c().File1->item(1));
        else if (way == "the same picture clicked")
            QTest::mouseClick(f.c().File1->viewport(), Qt::LeftButton, {},
                              f.c().File1->visualItemRect(f.c().File1->currentItem()).center());
        else if (way == "a second start's path")
            f.window->takeRequest(startRequest(f.ws.pictures() + QStringLiteral("/scan02.bmp")));
        else if (way == "another folder")
            f.c().cmbFolder->setCurrentIndex(f.c().cmbFolder->findText("bmp_gif_other"));
        else if (way == "a pasted picture")
            f.window->waysIn().paste();
        else if (way == "a captured picture")
            f.window->readScreen();
        else if (way == "the folder on show")
            f.window->takeRequest(startRequest(f.ws.pictures()));
        else if (way == "a folder from elsewhere")
            f.window->takeRequest(startRequest(elsewhere));
        else
            closed = f.window->close();

        QCOMPARE(f.platform.saveQuestions.size(), asked ? 1 : 0);
        if (asked)
            QVERIFY2(f.platform.saveQuestions[0].contains(f.ws.pictures() + "/scan01.bmp"),
                     qPrintable(f.platform.saveQuestions[0]));
        QCOMPARE(readBytes(path), file);
        // Whether the window went on to what was asked for.
        bool wentOn = closed;
        if (way == "another picture" || way == "a second start's path")
            wentOn = f.c().File1->fileName() == "scan02.bmp" &&
                     f.c().txtResult->text() == QStringLiteral("second\r\n");
        else if (way == "the same picture clicked")
            wentOn = f.c().txtResult->text() == textfiles::readSavedResult(path);
        else if (way == "another folder")
            wentOn = f.c().File1->folder() == f.ws.root() + "/bmp_gif_other";
        else if (way == "a pasted picture" || way == "a captured picture")
            wentOn = f.c().File1->folder() == clipboard;
        else if (way == "a folder from elsewhere")
            wentOn = f.c().File1->folder() == elsewhere;
        else if (way == "the folder on show") // its list is read again; the text may go
            wentOn = f.c().txtResult->text() != text;
        QCOMPARE(wentOn, changed);
        if (changed)
            return;
        QCOMPARE(f.c().txtResult->text(), text);
        QCOMPARE(f.c().cmbFolder->currentText(), QStringLiteral("bmp_gif_sample"));
        QCOMPARE(f.c().cmbFolder->count(), folders);
        if (way != "the folder on show")
            QCOMPARE(f.c().File1->fileName(), QStringLiteral("scan01.bmp"));
        QVERIFY(!QFileInfo::exists(clipboard));
        QCOMPARE(f.platform.captures, 0);
        QVERIFY(f.window->isVisible());
        QVERIFY(f.window->windowTitle().startsWith(QLatin1Char('*')));
    }

    // The title is marked "*" while the box holds text typed, read by a run, put back or
    // cleared since it was loaded or saved; loading (a long text too, moved in piece by piece)
    // and saving take the mark away.
    void titleMarksUnsavedText_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("marked");
        QTest::newRow("loaded") << QStringList{"load"} << false;
        QTest::newRow("a long text loaded") << QStringList{"load long"} << false;
        QTest::newRow("typed") << QStringList{"load", "type"} << true;
        QTest::newRow("typed, saved") << QStringList{"load", "type", "save"} << false;
        QTest::newRow("saved, typed") << QStringList{"load", "type", "save", "type"} << true;
        QTest::newRow("read by a run") << QStringList{"load", "run"} << true;
        QTest::newRow("a run that read nothing") << QStringList{"load", "run nothing"} << false;
        QTest::newRow("typed, another picture loaded")
            << QStringList{"load", "type", "load long"} << false;
        QTest::newRow("typed, another folder") << QStringList{"load", "type", "folder"} << false;
        QTest::newRow("a run undone") << QStringList{"load", "run", "save", "undo"} << true;
        QTest::newRow("cleared") << QStringList{"load", "clear"} << true;
        QTest::newRow("an empty box cleared") << QStringList{"folder", "clear"} << false;
    }
    void titleMarksUnsavedText() {
        QFETCH(QStringList, steps);
        QFETCH(bool, marked);
        Fixture f;
        const QString caption = f.window->windowTitle();
        QVERIFY(!caption.startsWith(QLatin1Char('*')));
        f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan01.bmp.txt"), "first\r\n");
        // Long enough to be moved into the editor in pieces after it is set.
        f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan02.bmp.txt"),
                       QByteArray("line\r\n").repeated(TextBox::kPieceSize / 3));
        for (const QString& step : steps) {
            if (step == "load")
                f.choose(QStringLiteral("scan01.bmp"));
            else if (step == "load long")
                f.choose(QStringLiteral("scan02.bmp"));
            else if (step == "type")
                QTest::keyClicks(f.c().txtResult, QStringLiteral("x"));
            else if (step == "save")
                f.c().cmdSaveText->click();
            else if (step == "run" || step == "run nothing") {
                f.window->resultText().rememberForUndo();
                f.window->resultText().append(step == "run" ? QStringLiteral("読") : QString());
            } else if (step == "undo")
                f.c().cmdUndo->click();
            else if (step == "folder")
                f.c().cmbFolder->setCurrentIndex(f.c().cmbFolder->findText("bmp_gif_other"));
            else if (step == "clear")
                f.c().cmdClear->click();
            // Whatever is still to be moved into the editor arrives.
            QTRY_VERIFY(!f.c().txtResult->isLoading());
        }
        QCOMPARE(f.window->windowTitle(), marked ? QLatin1Char('*') + caption : caption);
        QCOMPARE(f.window->resultText().unsaved(), marked);
    }

    // The marks of a run: shown and counted, walked with the keys, accepted or typed over, framed
    // on the picture, put back by undo, kept across 保存 and the picture's next choice.
    void marksOfARun() {
        Fixture f;
        f.choose(QStringLiteral("scan01.bmp"));
        f.c().txtResult->setText(QStringLiteral("前\r\n"));
        f.window->resultText().append(kRead, linesOfRead());
        auto* count = f.c().txtResult->viewport()->findChild<QLabel*>(QStringLiteral("lblMarks"));
        QVERIFY(count);
        QCOMPARE(shownMarks(f), 2);
        QCOMPARE(count->text(), QStringLiteral("要確認 2"));
        QVERIFY(!count->isHidden());
        // From the end the walk goes round to the first mark, selected.
        QTest::keyClick(f.c().txtResult, Qt::Key_F8);
        QCOMPARE(selected(f), QStringLiteral("日"));
        auto* frames = f.c().picDisp->findChild<PlaceFrames*>();
        QVERIFY(frames);
        QCOMPARE(frames->current(), QRect(20, 0, 3, 4));
        QTest::keyClick(f.c().txtResult, Qt::Key_F8);
        QCOMPARE(selected(f), QStringLiteral("本"));
        QTest::keyClick(f.c().txtResult, Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(selected(f), QStringLiteral("日"));
        // The caret on any read character frames it; on typed text, nothing.
        f.c().txtResult->moveCaretToEnd();
        QTest::keyClick(f.c().txtResult, Qt::Key_Left);
        QCOMPARE(frames->current(), QRect(36, 10, 3, 4));
        QTextCursor start = f.c().txtResult->textCursor();
        start.setPosition(0);
        f.c().txtResult->setTextCursor(start);
        QCOMPARE(frames->current(), QRect());
        // The caret just before a mark: that mark is the next.
        start.setPosition(7);
        f.c().txtResult->setTextCursor(start);
        QTest::keyClick(f.c().txtResult, Qt::Key_F8);
        QCOMPARE(selected(f), QStringLiteral("日"));
        start.setPosition(0);
        f.c().txtResult->setTextCursor(start);

        // Accepting takes the mark and goes on; typing over the other takes that one.
        f.window->resultText().rememberForUndo();
        QTest::keyClick(f.c().txtResult, Qt::Key_F8);
        QTest::keyClick(f.c().txtResult, Qt::Key_F8, Qt::ControlModifier);
        QCOMPARE(shownMarks(f), 1);
        QCOMPARE(selected(f), QStringLiteral("本"));
        f.c().txtResult->insertPlainText(QStringLiteral("木")); // as typed over the selection
        QCOMPARE(shownMarks(f), 0);
        QVERIFY(count->isHidden());
        // Typing elsewhere moves the places along: the last character is still framed.
        f.c().txtResult->moveCaretToEnd();
        QTest::keyClick(f.c().txtResult, Qt::Key_Left);
        QCOMPARE(frames->current(), QRect(36, 10, 3, 4));
        // Undo puts back the text and its marks as they were.
        f.c().cmdUndo->click();
        QCOMPARE(f.c().txtResult->text(), QStringLiteral("前\r\n") + kRead);
        QCOMPARE(shownMarks(f), 2);

        // A click on a character's place on the picture puts the caret on it.
        const int border = f.c().picDisp->borderWidth();
        f.c().lstZoom->setCurrentRow(0); // 100 %: the display's pixels are the picture's
        QTest::mouseClick(f.c().picDisp, Qt::LeftButton, {}, QPoint(border + 9, border + 11));
        QCOMPARE(selected(f), QStringLiteral("す"));

        // Saved with one mark accepted, the other comes back with the picture.
        QTest::keyClick(f.c().txtResult, Qt::Key_F8);
        QCOMPARE(selected(f), QStringLiteral("本"));
        QTest::keyClick(f.c().txtResult, Qt::Key_F8, Qt::ControlModifier);
        QVERIFY(f.window->resultText().unsaved());
        f.c().cmdSaveText->click();
        QVERIFY(QFileInfo::exists(f.ws.pictures() + QStringLiteral("/scan01.bmp.marks")));
        f.choose(QStringLiteral("scan02.bmp"));
        QCOMPARE(shownMarks(f), 0);
        f.choose(QStringLiteral("scan01.bmp"));
        QCOMPARE(shownMarks(f), 1);
        QTest::keyClick(f.c().txtResult, Qt::Key_F8);
        QCOMPARE(selected(f), QStringLiteral("日"));
        QCOMPARE(frames->current(), QRect(20, 0, 3, 4));

        // Changed elsewhere, the result keeps its text and loses the marks that no longer fit.
        f.choose(QStringLiteral("scan02.bmp"));
        f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan01.bmp.txt"), "other\r\n");
        f.choose(QStringLiteral("scan01.bmp"));
        QCOMPARE(f.c().txtResult->text(), QStringLiteral("other\r\n"));
        QCOMPARE(shownMarks(f), 0);
        QCOMPARE(frames->current(), QRect());

        // クリア takes the marks with the text; saving nothing marked takes the file away.
        f.window->resultText().append(kRead, linesOfRead());
        QCOMPARE(shownMarks(f), 2);
        // 名前を付けて保存 as hOCR: every character read on its place, the marks said.
        const QString hocr = f.ws.pictures() + QStringLiteral("/scan01.hocr");
        f.platform.saveTargetAnswer = {hocr, textfiles::TextEncoding::ShiftJis, true};
        QVERIFY(f.window->resultText().saveAs());
        const QByteArray written = readBytes(hocr);
        QXmlStreamReader xml(written);
        int characters = 0;
        int doubtful = 0;
        QString page;
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement) {
                const QString cls = xml.attributes().value(QStringLiteral("class")).toString();
                const QString title = xml.attributes().value(QStringLiteral("title")).toString();
                characters += cls == QStringLiteral("ocrx_cinfo");
                doubtful += title.contains(QStringLiteral("x_doubtful 1"));
                if (cls == QStringLiteral("ocr_page"))
                    page = title;
            }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(characters, 5 + 20); // "other" and the reading
        QCOMPARE(doubtful, 2);
        QVERIFY2(page.contains(QStringLiteral("scan01.bmp")) &&
                     page.contains(QStringLiteral("bbox 0 0 40 30")),
                 qPrintable(page));
        QCOMPARE(readBytes(f.saved(QStringLiteral("scan01.bmp"))), QByteArray("other\r\n"));
        // The engine's other choices are on the menu of a character: one replaces it, checked.
        QStringList asked;
        f.window->resultText().marks().setAlternatives(
            [&](const textplacing::Place& place, const QString& current) {
                asked << current + QString::number(place.box.x());
                return QStringList{QStringLiteral("日"), QStringLiteral("目")};
            });
        QTest::keyClick(f.c().txtResult, Qt::Key_F8);
        QCOMPARE(selected(f), QStringLiteral("日"));
        // Right-clicked on the middle of 日, between the caret places before and after it.
        QTextCursor around = f.c().txtResult->textCursor();
        const QRect after = f.c().txtResult->cursorRect(around);
        around.setPosition(around.selectionStart());
        const QRect before = f.c().txtResult->cursorRect(around);
        std::unique_ptr<QMenu> menu(f.window->resultText().contextMenu(
            QPoint((before.x() + after.x()) / 2, before.center().y())));
        QCOMPARE(asked, QStringList{QStringLiteral("日20")});
        QStringList captions;
        for (QAction* action : menu->actions())
            captions << action->text();
        QCOMPARE(captions.mid(0, 2),
                 (QStringList{QStringLiteral("「目」にする"), QStringLiteral("この文字で正しい")}));
        menu->actions().first()->trigger();
        QCOMPARE(f.c().txtResult->text(),
                 QStringLiteral("other\r\nあいうえお目かきくけ\r\n") + kRead.mid(12));
        QCOMPARE(shownMarks(f), 1);
        QCOMPARE(frames->current(), QRect(20, 0, 3, 4));

        f.c().cmdClear->click();
        QCOMPARE(shownMarks(f), 0);
        f.save(QStringLiteral("plain\r\n"));
        QVERIFY(!QFileInfo::exists(f.ws.pictures() + QStringLiteral("/scan01.bmp.marks")));
    }

    // A result written beside the picture by someone else (the folder batch) is shown at the
    // batch's end when the box holds nothing of the user's; an unsaved text stays.
    void aResultWrittenMeanwhileIsShown_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("an empty box") << QString() << QStringLiteral("batch\r\n");
        QTest::newRow("unsaved text") << QStringLiteral("mine") << QStringLiteral("mine");
    }
    void aResultWrittenMeanwhileIsShown() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Fixture f;
        f.choose(QStringLiteral("scan01.bmp"));
        f.c().txtResult->insertPlainText(typed);
        f.window->resultText().refreshSavedFileState();
        QCOMPARE(f.c().txtResult->text(), typed);
        QVERIFY(!f.c().cmdOpenTextFile->isEnabled());
        f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan01.bmp.txt"), "batch\r\n");
        f.window->resultText().refreshSavedFileState();
        QCOMPARE(f.c().txtResult->text(), shown);
        QVERIFY(f.c().cmdOpenTextFile->isEnabled());
        QCOMPARE(f.window->resultText().unsaved(), !typed.isEmpty());
    }

    void openSavedFile() {
        Fixture f;
        const QString path = f.saved(QStringLiteral("scan01.bmp"));
        f.ws.writeFile(QStringLiteral("bmp_gif_sample/scan01.bmp.txt"), "saved\r\n");
        f.choose(QStringLiteral("scan01.bmp"));
        QVERIFY(f.c().cmdOpenTextFile->isEnabled());
        f.c().cmdOpenTextFile->click();
        QCOMPARE(f.platform.opened, QStringList{path});
        QCOMPARE(f.platform.messages, QStringList());

        QVERIFY(QFile::remove(path));
        f.c().cmdOpenTextFile->click();
        QCOMPARE(f.platform.opened, QStringList{path});
        QCOMPARE(f.platform.messages, QStringList{kNotYetSaved});
    }
};

QTEST_MAIN(TestResultText)
#include "test_resulttext.moc"
