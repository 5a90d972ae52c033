#include "batchline.h"
#include "commandline.h"
#include "cp932.h"
#include "duringwait.h"
#include "filelistbox.h"
#include "picturebox.h"
#include "recognitionfixture.h"
#include "recognitionhandler.h"
#include "runprogress.h"
#include "screenreading.h"
#include "viewerhandler.h"
#include "waysinhandler.h"
#include "widgets.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <limits>

using namespace quillpix;
using namespace quillpix::testing;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The command as stated, for a program folder that needs no quoting.
QString plainCommand(const QString& p, const QString& lang, const QString& psm,
                     const QString& opt) {
    return QStringLiteral("tesseract ") + p + QStringLiteral("/tmp.bmp ") + p +
           QStringLiteral("/") + QStringLiteral("tmp ") + QStringLiteral("-l ") + lang +
           QStringLiteral(" --psm ") + psm + QStringLiteral(" ") + opt;
}

} // namespace

class TestRecognition : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void itemValueAndWhitespace_data();
    void itemValueAndWhitespace();
    void batchWords_data();
    void batchWords();

    void commandAndBatch_data();
    void commandAndBatch();
    void engineOutputIsAppended_data();
    void engineOutputIsAppended();
    void engineGetsTheCrop();
    void dragThenRecognize_data();
    void dragThenRecognize();
    void successiveRunsAppend();
    void missingResult_data();
    void missingResult();
    void directRunNamesWhatFailed_data();
    void directRunNamesWhatFailed();
    void failedEngineAddsNothing_data();
    void failedEngineAddsNothing();
    void soundComesAfterPointerBeforeFocus();

    void cmdDirectFollowsTxtBat();
    void directRunUsesEditedCommand();
    void directRunWindowStyle_data();
    void directRunWindowStyle();
    void directRunPlaysStartEvenWhenBlank();
    void directRunWithEmptyCommandDoesNothing();

    void oddProgramFolder_data();
    void oddProgramFolder();
    void secondRunWhileWaitingIsRefused();
    void escStopsTheRunAndKeepsTheBox();
    void theWindowAnswersDuringTheAnalysis();
    void progressOfARun_data();
    void progressOfARun();
    void aLongRunShowsItsProgress_data();
    void aLongRunShowsItsProgress();
    void pictureStaysDuringARun_data();
    void pictureStaysDuringARun();
    void tooSmallSelection_data();
    void tooSmallSelection();
    void failingSteps_data();
    void failingSteps();
    void engineGetsReadyOnceShown_data();
    void engineGetsReadyOnceShown();

    void screenReading_data();
    void screenReading();
    void wholePicturesRead_data();
    void wholePicturesRead();
    void keys_data();
    void keys();

private:
    QByteArray m_path;
    std::unique_ptr<FakeEngine> m_engine;
};

void TestRecognition::initTestCase() {
    m_path = qgetenv("PATH");
}

void TestRecognition::init() {
    m_engine = std::make_unique<FakeEngine>();
    qputenv("PATH", m_engine->folder().toLocal8Bit() + ':' + m_path);
}

void TestRecognition::cleanup() {
    qputenv("PATH", m_path);
    m_engine.reset();
}

void TestRecognition::itemValueAndWhitespace_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("value");
    QTest::newRow("label colon digit") << QStringLiteral("自動:3") << QStringLiteral("3");
    QTest::newRow("no colon") << QStringLiteral("6") << QStringLiteral("6");
    QTest::newRow("ends with colon") << QStringLiteral("なし:") << QString();
    QTest::newRow("first colon only") << QStringLiteral("a:b:3") << QStringLiteral("b:3");
    QTest::newRow("nothing trimmed") << QStringLiteral("x: 7 ") << QStringLiteral(" 7 ");
    QTest::newRow("full-width colon is no colon")
        << QStringLiteral("自動：3") << QStringLiteral("自動：3");
}

void TestRecognition::itemValueAndWhitespace() {
    QFETCH(QString, item);
    QFETCH(QString, value);
    QCOMPARE(pipeline::itemValue(item), value);
    // Whitespace of every listed kind goes; everything else stays.
    const QString padded = QStringLiteral(" \u3000\r\n\t\f\v") + item + QStringLiteral("\r\n");
    QCOMPARE(pipeline::removeWhitespace(padded), pipeline::removeWhitespace(item));
    QVERIFY(pipeline::removeWhitespace(QStringLiteral(" \u3000\r\n\t\f\v")).isEmpty());
    QCOMPARE(pipeline::removeWhitespace(QStringLiteral("\u00A0a b")), QStringLiteral("\u00A0ab"));
}

void TestRecognition::batchWords_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("word");
    QTest::newRow("plain") << QStringLiteral("/home/a/bin") << QStringLiteral("/home/a/bin");
    QTest::newRow("Japanese") << QStringLiteral("/home/日本語/bin")
                              << QStringLiteral("/home/日本語/bin");
    QTest::newRow("plain text to the interpreter")
        << QStringLiteral("/it's$x(y);*") << QStringLiteral("/it's$x(y);*");
    QTest::newRow("space") << QStringLiteral("/a b") << QStringLiteral("\"/a b\"");
    QTest::newRow("ampersand") << QStringLiteral("/a&b") << QStringLiteral("\"/a&b\"");
    QTest::newRow("caret") << QStringLiteral("/a^b") << QStringLiteral("\"/a^b\"");
    QTest::newRow("double quote") << QStringLiteral("/a\"b") << QStringLiteral("\"/a\"^\"\"b\"");
    QTest::newRow("percent") << QStringLiteral("/100%") << QStringLiteral("/100%%");
    QTest::newRow("percent and space")
        << QStringLiteral("/%HOME% x") << QStringLiteral("\"/%%HOME%% x\"");
    QTest::newRow("empty") << QString() << QStringLiteral("\"\"");
}

void TestRecognition::batchWords() {
    QFETCH(QString, path);
    QFETCH(QString, word);
    QCOMPARE(pipeline::batchWord(path), word);
    // The batch gives the program the path itself.
    QCOMPARE(batchfile::splitWords(QStringLiteral("x ") + word, {}), (QStringList{"x", path}));
}

void TestRecognition::commandAndBatch_data() {
    QTest::addColumn<QString>("psmItem");
    QTest::addColumn<QString>("optionItem");
    QTest::addColumn<QString>("psmValue");
    QTest::addColumn<QString>("optionText");
    QTest::addColumn<int>("style");
    const int one = int(WindowStyle::NormalWithFocus), six = int(WindowStyle::MinimizedNoFocus);
    QTest::newRow("empty option") << QStringLiteral("単一ブロック:6") << QString()
                                  << QStringLiteral("6") << QString() << six;
    QTest::newRow("pause on its own line")
        << QStringLiteral("単一ブロック:6") << QStringLiteral("pause") << QStringLiteral("6")
        << QStringLiteral("\r\npause") << one;
    QTest::newRow("Pause in other case")
        << QStringLiteral("単一ブロック:6") << QStringLiteral("Pause") << QStringLiteral("6")
        << QStringLiteral("Pause") << six;
    QTest::newRow("pause and a space")
        << QStringLiteral("単一ブロック:6") << QStringLiteral("pause ") << QStringLiteral("6")
        << QStringLiteral("pause ") << one;
    QTest::newRow("psm without colon")
        << QStringLiteral("7") << QString() << QStringLiteral("7") << QString() << six;
    QTest::newRow("psm ending in colon")
        << QStringLiteral("なし:") << QString() << QString() << QString() << six;
    QTest::newRow("engine option")
        << QStringLiteral("行:7") << QStringLiteral("-c preserve_interword_spaces=1")
        << QStringLiteral("7") << QStringLiteral("-c preserve_interword_spaces=1") << six;
}

void TestRecognition::commandAndBatch() {
    QFETCH(QString, psmItem);
    QFETCH(QString, optionItem);
    QFETCH(QString, psmValue);
    QFETCH(QString, optionText);
    QFETCH(int, style);
    Lists lists;
    lists.psm = QStringList{QStringLiteral("自動:3"), psmItem};
    lists.option = QStringList{QStringLiteral("--dpi 300"), optionItem};
    Session s(lists);
    s.chooseItems(1, 1, 1);
    s.select(10, 10, 60, 40);
    m_engine->setOutput(QByteArray("テスト\n"));
    s.c().cmdRecognize->click();

    const QString P = s.programFolder();
    const QString command = plainCommand(P, QStringLiteral("eng"), psmValue, optionText);
    QCOMPARE(s.c().txtBat->text(), command);
    QVERIFY(s.c().cmdDirect->isEnabled());
    QCOMPARE(s.platform.batchRuns.size(), 1);
    QCOMPARE(s.platform.batchRuns[0].path, s.workFile(QStringLiteral("tess.bat")));
    QCOMPARE(int(s.platform.batchRuns[0].style), style);
    const QByteArray batch = cp932::encode(command + QStringLiteral("\r\n"));
    QCOMPARE(s.platform.batchRuns[0].bytes, batch);
    QCOMPARE(readAll(s.workFile(QStringLiteral("tess.bat"))), batch);

    // The engine got the words of the first line; "pause" ran as the batch's own command.
    QStringList words = command.section(QStringLiteral("\r\n"), 0, 0)
                            .split(QLatin1Char(' '), Qt::SkipEmptyParts)
                            .mid(1);
    QCOMPARE(m_engine->arguments(), words);
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("テスト\r"));
    QVERIFY(s.platform.messages.isEmpty());
}

void TestRecognition::engineOutputIsAppended_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("appended");
    QTest::addColumn<bool>("sound");
    QTest::newRow("LF line ends") << QByteArray("一行目\n二 行 目\n")
                                  << QStringLiteral("一行目\r\n二行目\r") << true;
    QTest::newRow("CR LF line ends")
        << QByteArray("abc\r\ndef\r\n") << QStringLiteral("abc\r\ndef\r") << true;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFこれは ペン です。\n")
                                     << QStringLiteral("これはペンです。\r") << true;
    QTest::newRow("closing form feed")
        << QByteArray("line1\nline2\n\f") << QStringLiteral("line1\r\nline2\r\n\r") << true;
    // The box keeps what Shift-JIS lacks, as the engine read it (saving asks about it).
    QTest::newRow("no code page 932 form")
        << QByteArray("café \xF0\x9F\x98\x80 ok\n") << QStringLiteral("café 😀 ok\r") << true;
    QTest::newRow("page as the engine writes it")
        << QByteArray("第１章 概要\n\n① 本日は晴天なり, 明日は雨.\n\f")
        << QStringLiteral("第1章概要\r\n\r\n1本日は晴天なり，明日は雨。\r\n\r") << true;
    QTest::newRow("blank lines and form feed")
        << QByteArray("\n \n\f") << QStringLiteral("\r\n \r\n\r") << false;
    QTest::newRow("empty file") << QByteArray() << QString() << false;
}

void TestRecognition::engineOutputIsAppended() {
    QFETCH(QByteArray, output);
    QFETCH(QString, appended);
    QFETCH(bool, sound);
    Session s;
    QVERIFY(s.showActive());
    const QString before = QStringLiteral("前の結果\r\nです\r");
    s.c().txtResult->setText(before);
    s.c().cmdUndo->setEnabled(false);
    s.select(5, 5, 100, 50);
    m_engine->setOutput(output);
    // The engine holds on until the pointer has been seen.
    m_engine->setMode(QStringLiteral("wait"));
    bool waitCursorDuringRun = false;
    DuringWait watch([&] {
        if (!m_engine->ran())
            return false;
        waitCursorDuringRun = s.waitCursor();
        m_engine->release();
        return true;
    });
    s.c().cmdRecognize->click();

    QCOMPARE(s.c().txtResult->text(), before + appended);
    QCOMPARE(s.c().txtResult->caretPosition(), int((before + appended).size()));
    QVERIFY(s.c().txtResult->hasFocus());
    QVERIFY(waitCursorDuringRun);
    QVERIFY(!s.waitCursor());
    QCOMPARE(s.window().resultText().undoText(), before);
    QVERIFY(s.c().cmdUndo->isEnabled());
    QCOMPARE(s.platform.sounds,
             sound ? QStringList{s.parentFolder() + QStringLiteral("/wav/start.wav")}
                   : QStringList());
    QVERIFY(s.platform.messages.isEmpty());
}

void TestRecognition::engineGetsTheCrop() {
    Session s;
    s.select(20, 30, 70, 50);
    m_engine->setOutput(QByteArray("x\n"));
    s.c().cmdRecognize->click();
    const QImage written(s.workFile(QStringLiteral("tmp.bmp")));
    // (right + 4) - (left + 1) pixels less the box's border of two on each side.
    QCOMPARE(written.size(), QSize(70 - 20 - 1, 50 - 30 - 1));
    QCOMPARE(m_engine->inputPicture(), readAll(s.workFile(QStringLiteral("tmp.bmp"))));
    QCOMPARE(s.c().picDispRect->picture().convertToFormat(QImage::Format_RGB32),
             written.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(coordinateOf(written.pixel(0, 0)), QPoint(21, 31));
}

void TestRecognition::dragThenRecognize_data() {
    QTest::addColumn<int>("zoomRow");
    QTest::addColumn<int>("divisor");
    QTest::newRow("100 %") << 0 << 1;
    QTest::newRow("50 %") << 1 << 2;
}

void TestRecognition::dragThenRecognize() {
    QFETCH(int, zoomRow);
    QFETCH(int, divisor);
    Session s;
    s.c().lstZoom->setCurrentRow(zoomRow);
    // Display pixels; the box's sunken border lies before them.
    const QPoint border(PictureBox::kSunkenBorder, PictureBox::kSunkenBorder);
    QTest::mousePress(s.c().picDisp, Qt::LeftButton, {}, QPoint(20, 30) + border);
    QTest::mouseMove(s.c().picDisp, QPoint(45, 40) + border);
    QTest::mouseMove(s.c().picDisp, QPoint(70, 50) + border);
    QTest::mouseRelease(s.c().picDisp, Qt::LeftButton, {}, QPoint(70, 50) + border);
    QVERIFY(s.c().cmdRecognize->isEnabled());
    m_engine->setOutput(QByteArray("x\n"));
    s.c().cmdRecognize->click();

    const QImage written(s.workFile(QStringLiteral("tmp.bmp")));
    QCOMPARE(written.size(), QSize((74 - 21) * divisor - 4, (54 - 31) * divisor - 4));
    QCOMPARE(coordinateOf(written.pixel(0, 0)), QPoint(21 * divisor, 31 * divisor));
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("x\r"));
}

void TestRecognition::successiveRunsAppend() {
    Session s;
    s.select(5, 5, 100, 50);
    m_engine->setOutput(QByteArray("一\n"));
    s.c().cmdRecognize->click();
    m_engine->setOutput(QByteArray("二\n"));
    s.c().cmdRecognize->click();
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("一\r二\r"));
    QCOMPARE(s.window().resultText().undoText(), QStringLiteral("一\r"));
    QCOMPARE(s.platform.batchRuns.size(), 2);
}

void TestRecognition::missingResult_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("onPath");
    QTest::addColumn<bool>("staleResult");
    QTest::addColumn<bool>("soundFile");
    // The output base of a direct run's hand-written command; "" runs the built command.
    QTest::addColumn<QString>("directBase");
    QTest::newRow("engine writes nothing")
        << QStringLiteral("nothing") << true << false << true << QString();
    QTest::newRow("engine crashes")
        << QStringLiteral("crash") << true << false << true << QString();
    QTest::newRow("engine not on PATH") << QString() << false << false << true << QString();
    QTest::newRow("result of an earlier run")
        << QStringLiteral("nothing") << true << true << true << QString();
    QTest::newRow("sound file missing too")
        << QStringLiteral("nothing") << true << false << false << QString();
    QTest::newRow("direct run, result of an earlier run")
        << QStringLiteral("nothing") << true << true << true << QStringLiteral("tmp");
    QTest::newRow("direct run to another output base")
        << QString() << true << false << true << QStringLiteral("other");
}

void TestRecognition::missingResult() {
    QFETCH(QString, mode);
    QFETCH(bool, onPath);
    QFETCH(bool, staleResult);
    QFETCH(bool, soundFile);
    QFETCH(QString, directBase);
    Session s;
    QTemporaryDir emptyBin;
    if (!onPath)
        qputenv("PATH", emptyBin.path().toLocal8Bit());
    m_engine->setMode(mode);
    m_engine->setOutput(QByteArray("should not appear\n"));
    if (staleResult)
        s.workspace.writeFile(QStringLiteral("bin/tmp.txt"), QByteArray("old text\n"));
    if (!soundFile)
        QFile::remove(s.parentFolder() + QStringLiteral("/wav/notify.wav"));
    const QString before = QStringLiteral("残す文");
    s.c().txtResult->setText(before);
    s.select(5, 5, 100, 50);
    if (directBase.isEmpty()) {
        s.c().cmdRecognize->click();
    } else {
        s.c().txtBat->setText(
            QStringLiteral("tesseract %1 %2")
                .arg(s.workFile(QStringLiteral("tmp.bmp")), s.workFile(directBase)));
        s.c().cmdDirect->click();
    }

    // With no engine at all, the message says so and what to install; an engine that failed
    // is named with its exit code (a crash counts as 1).
    const bool engineFailed = onPath && !mode.isEmpty();
    QStringList messages{RecognitionHandler::missingResultMessage() +
                         (!onPath ? QLatin1Char('\n') + pipeline::engineNotFoundMessage()
                          : engineFailed
                              ? QStringLiteral("\ntesseract が終了コード 1 で終わりました。")
                              : QString())};
    if (!soundFile)
        messages << QStringLiteral("wavファイルがwavディレクトリにありません");
    QCOMPARE(s.platform.messages, messages);
    QCOMPARE(s.platform.sounds,
             soundFile ? QStringList{s.parentFolder() + QStringLiteral("/wav/notify.wav")}
                       : QStringList());
    QCOMPARE(s.c().txtResult->text(), before);
    QCOMPARE(s.window().resultText().undoText(), before);
    QVERIFY(s.c().cmdUndo->isEnabled());
    QVERIFY(!s.waitCursor());
    QCOMPARE(m_engine->ran(), onPath);
    // This run's command stays for the user to look at and run again.
    QVERIFY(s.c().txtBat->text().startsWith(QStringLiteral("tesseract ")));
    QVERIFY(QFile::exists(s.workFile(QStringLiteral("tmp.bmp"))));
    QVERIFY(!QFile::exists(s.workFile(QStringLiteral("tmp.txt"))));
}

void TestRecognition::directRunNamesWhatFailed_data() {
    QTest::addColumn<QString>("command"); // %1 the picture, %2 the output base
    QTest::addColumn<QString>("named");   // the line after the missing-result message
    QTest::newRow("a comment runs nothing") << QStringLiteral("rem tesseract %1 %2") << QString();
    QTest::newRow("set before the engine")
        << QStringLiteral("set X=1 & tesseract %1 %2")
        << QStringLiteral("「set」は、実行できるプログラムとして見つかりません。\n"
                          "tesseract が終了コード 1 で終わりました。");
    QTest::newRow("if exist") << QStringLiteral("if exist %1 tesseract %1 %2")
                              << QStringLiteral(
                                     "「if」は、実行できるプログラムとして見つかりません。");
    QTest::newRow("call another batch")
        << QStringLiteral("call x.bat")
        << QStringLiteral("「call」は、実行できるプログラムとして見つかりません。");
}

// After 実行 the message names the program that failed, never a missing engine that is there.
void TestRecognition::directRunNamesWhatFailed() {
    QFETCH(QString, command);
    QFETCH(QString, named);
    Session s;
    m_engine->setMode(QStringLiteral("nothing"));
    s.select(5, 5, 100, 50);
    s.c().txtBat->setText(
        command.arg(s.workFile(QStringLiteral("tmp.bmp")), s.workFile(QStringLiteral("tmp"))));
    s.c().cmdDirect->click();
    QCOMPARE(s.platform.messages,
             QStringList{RecognitionHandler::missingResultMessage() +
                         (named.isEmpty() ? QString() : QLatin1Char('\n') + named)});
}

// An engine that fails after it began its result (a page cut short, an empty file) is told, its
// exit status named, and adds nothing; what the batch runs after the engine does not count.
void TestRecognition::failedEngineAddsNothing_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("option");    // row of the option list; 1 is "pause"
    QTest::addColumn<QString>("then");  // a command after the engine's in a direct run; "" none
    QTest::addColumn<QString>("named"); // the reason given; "" when the text is appended
    // The engine's last line on its standard error follows its exit status.
    const QString three =
        QStringLiteral("tesseract が終了コード 3 で終わりました。\nError during processing.");
    QTest::newRow("part of the result, then exit 3") << "partial" << 0 << QString() << three;
    QTest::newRow("part of the result, exit 3, then pause") << "partial" << 1 << QString() << three;
    QTest::newRow("an empty result, then exit 1")
        << "empty" << 0 << QString() << QStringLiteral("tesseract が終了コード 1 で終わりました。");
    QTest::newRow("part of the result, exit 3, then a program that ends well")
        << "partial" << 0 << QStringLiteral("true") << three;
    QTest::newRow("a good result, then a missing program")
        << "" << 0 << "no-such-program" << QString();
}

void TestRecognition::failedEngineAddsNothing() {
    QFETCH(QString, mode);
    QFETCH(int, option);
    QFETCH(QString, then);
    QFETCH(QString, named);
    Session s;
    s.chooseItems(0, 0, option);
    m_engine->setMode(mode);
    m_engine->setOutput(QByteArray("書きかけ\n"));
    const QString before = QStringLiteral("残す文");
    s.c().txtResult->setText(before);
    s.select(5, 5, 100, 50);
    s.c().cmdRecognize->click();
    if (!then.isEmpty()) {
        s.platform.messages.clear();
        s.platform.sounds.clear();
        s.c().txtResult->setText(before);
        s.c().txtBat->setText(s.c().txtBat->text() + QStringLiteral(" & ") + then);
        s.c().cmdDirect->click();
    }

    QVERIFY(m_engine->ran());
    QVERIFY(QFile::exists(s.workFile(QStringLiteral("tmp.txt"))));
    QVERIFY(!s.waitCursor());
    if (named.isEmpty()) {
        QCOMPARE(s.platform.messages, QStringList());
        QCOMPARE(s.c().txtResult->text(), before + QStringLiteral("書きかけ\r"));
        return;
    }
    QCOMPARE(s.platform.messages,
             QStringList{RecognitionHandler::engineFailedMessage() + QLatin1Char('\n') + named});
    QCOMPARE(s.platform.sounds, QStringList{s.parentFolder() + QStringLiteral("/wav/notify.wav")});
    QCOMPARE(s.c().txtResult->text(), before);
}

void TestRecognition::soundComesAfterPointerBeforeFocus() {
    Session s;
    QVERIFY(s.showActive());
    s.c().txtBat->setFocus();
    s.select(5, 5, 100, 50);
    m_engine->setOutput(QByteArray("文字\n"));
    bool waitCursorAtSound = true, focusAtSound = true;
    s.platform.onSound = [&](const QString&) {
        waitCursorAtSound = s.waitCursor();
        focusAtSound = s.c().txtResult->hasFocus();
    };
    s.c().cmdRecognize->click();
    QVERIFY(!waitCursorAtSound);
    QVERIFY(!focusAtSound);
    QVERIFY(s.c().txtResult->hasFocus());

    // The direct run ends the other way round: sound, focus, then the default pointer.
    s.c().txtBat->setFocus();
    s.c().cmdDirect->click();
    QVERIFY(waitCursorAtSound);
    QVERIFY(!focusAtSound);
    QVERIFY(s.c().txtResult->hasFocus());
    QVERIFY(!s.waitCursor());
}

void TestRecognition::cmdDirectFollowsTxtBat() {
    Session s;
    QVERIFY(s.showActive());
    QVERIFY(!s.c().cmdDirect->isEnabled());
    s.c().txtBat->setText(QStringLiteral("x"));
    QVERIFY(s.c().cmdDirect->isEnabled());
    s.c().txtBat->setText(QString());
    QVERIFY(!s.c().cmdDirect->isEnabled());
    s.c().txtBat->setFocus();
    QTest::keyClicks(s.c().txtBat, QStringLiteral("t"));
    QVERIFY(s.c().cmdDirect->isEnabled());
    QTest::keyClick(s.c().txtBat, Qt::Key_Backspace);
    QVERIFY(!s.c().cmdDirect->isEnabled());
}

void TestRecognition::directRunUsesEditedCommand() {
    Session s;
    s.select(5, 5, 100, 50);
    m_engine->setOutput(QByteArray("一\n"));
    s.c().cmdRecognize->click();
    const QString built = s.c().txtBat->text();
    QString edited = built;
    edited.replace(QStringLiteral("-l jpn"), QStringLiteral("-l eng"));
    s.c().txtBat->setText(edited);
    QFile::remove(s.workFile(QStringLiteral("tmp.bmp")));
    m_engine->setOutput(QByteArray("two\n"));
    s.c().cmdDirect->click();

    QCOMPARE(readAll(s.workFile(QStringLiteral("tess.bat"))),
             cp932::encode(edited + QStringLiteral("\r\n")));
    QVERIFY(m_engine->arguments().contains(QStringLiteral("eng")));
    QCOMPARE(s.c().txtBat->text(), edited);
    QCOMPARE(s.c().lstLang->currentRow(), 0);
    QVERIFY(QFile::exists(s.workFile(QStringLiteral("tmp.bmp"))));
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("一\rtwo\r"));
    QCOMPARE(s.window().resultText().undoText(), QStringLiteral("一\r"));
    QCOMPARE(s.platform.batchRuns.size(), 2);
}

void TestRecognition::directRunWindowStyle_data() {
    QTest::addColumn<QString>("tail");
    QTest::addColumn<int>("style");
    QTest::newRow("pause inside a word")
        << QStringLiteral("; echo paused") << int(WindowStyle::NormalWithFocus);
    QTest::newRow("pause line") << QStringLiteral("\r\npause") << int(WindowStyle::NormalWithFocus);
    QTest::newRow("Pause") << QStringLiteral("; echo Pause") << int(WindowStyle::MinimizedNoFocus);
}

void TestRecognition::directRunWindowStyle() {
    QFETCH(QString, tail);
    QFETCH(int, style);
    Session s;
    s.select(5, 5, 100, 50);
    const QString command =
        plainCommand(s.programFolder(), QStringLiteral("jpn"), QStringLiteral("6"), QString()) +
        tail;
    s.c().txtBat->setText(command);
    m_engine->setOutput(QByteArray("abc\n"));
    s.c().cmdDirect->click();
    QCOMPARE(s.platform.batchRuns.size(), 1);
    QCOMPARE(int(s.platform.batchRuns[0].style), style);
    QCOMPARE(s.platform.batchRuns[0].bytes, cp932::encode(command + QStringLiteral("\r\n")));
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("abc\r"));
}

void TestRecognition::directRunPlaysStartEvenWhenBlank() {
    Session s;
    s.select(5, 5, 100, 50);
    s.c().txtBat->setText(
        plainCommand(s.programFolder(), QStringLiteral("jpn"), QStringLiteral("6"), QString()));
    m_engine->setOutput(QByteArray("\n\f"));
    s.c().cmdDirect->click();
    QCOMPARE(s.platform.sounds, QStringList{s.parentFolder() + QStringLiteral("/wav/start.wav")});
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("\r\n\r"));
}

void TestRecognition::directRunWithEmptyCommandDoesNothing() {
    Session s;
    s.select(5, 5, 100, 50);
    const bool cursorSetBefore = s.window().testAttribute(Qt::WA_SetCursor);
    s.c().cmdDirect->setEnabled(true);
    s.c().cmdDirect->click();
    QVERIFY(s.platform.batchRuns.isEmpty());
    QCOMPARE(s.window().resultText().undoText(), QString());
    QVERIFY(!s.c().cmdUndo->isEnabled());
    QCOMPARE(s.window().testAttribute(Qt::WA_SetCursor), cursorSetBefore);
    QVERIFY(!QFile::exists(s.workFile(QStringLiteral("tmp.bmp"))));
    QVERIFY(s.platform.messages.isEmpty());
}

void TestRecognition::oddProgramFolder_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("form");
    QTest::newRow("space") << QStringLiteral("my pictures") << "quoted";
    QTest::newRow("interpreter operators")
        << QStringLiteral("it's $HOME;(x)&`y`*^\"%PATH%") << "quoted";
    QTest::newRow("shell characters, plain to the interpreter")
        << QStringLiteral("it's_$HOME;(x)`y`*{1,2}") << "plain";
    QTest::newRow("Japanese, no quoting") << QStringLiteral("日本語フォルダ") << "plain";
    QTest::newRow("no code page 932 form") << QStringLiteral("資料〜2024 한😀") << "relative";
    // A line break would end tess.bat's line inside the quotes, and the rest of the folder's
    // name would run as a command in the program folder.
    QTest::newRow("a line break, then a command")
        << QStringLiteral("shared\ntouch pwned & x ") << "relative";
    QTest::newRow("a carriage return, then a command")
        << QStringLiteral("shared\rtouch pwned & x ") << "relative";
    QTest::newRow("a quote, then a command")
        << QStringLiteral("a\" & touch pwned & \"b") << "quoted";
    QTest::newRow("a variable, then a command")
        << QStringLiteral("%COMSPEC%\" & touch pwned") << "quoted";
}

void TestRecognition::oddProgramFolder() {
    QFETCH(QString, folder);
    QFETCH(QString, form);
    Session s({}, folder);
    s.select(5, 5, 100, 50);
    m_engine->setOutput(QByteArray("読めた\n"));
    s.c().cmdRecognize->click();
    // Nothing of the folder's name ran: the engine was the batch's one program.
    QVERIFY(!QFileInfo::exists(s.workFile(QStringLiteral("pwned"))));
    QCOMPARE(s.platform.batchRuns.size(), 1);
    QCOMPARE(s.platform.batchRuns[0].report.notFound, QStringList());

    const QString P = s.programFolder();
    QString expected = plainCommand(P, QStringLiteral("jpn"), QStringLiteral("3"), QString());
    QString q = P;
    q.replace(QStringLiteral("%"), QStringLiteral("%%"));
    if (form == "quoted") {
        q.replace(QStringLiteral("\""), QStringLiteral("\"^\"\""));
        expected = QStringLiteral("tesseract \"") + q + QStringLiteral("/tmp.bmp\" \"") + q +
                   QStringLiteral("/tmp\" -l jpn --psm 3 ");
    } else if (form == "relative") {
        expected = QStringLiteral("tesseract tmp.bmp tmp -l jpn --psm 3 ");
    }
    QCOMPARE(s.c().txtBat->text(), expected);
    QCOMPARE(pipeline::carriedWhole(P + QStringLiteral("/tmp.bmp")), form != "relative");
    const QString base = form == "relative" ? QString() : P + QStringLiteral("/");
    QCOMPARE(m_engine->arguments().mid(0, 2),
             (QStringList{base + QStringLiteral("tmp.bmp"), base + QStringLiteral("tmp")}));
    QVERIFY(pipeline::unwritableCommandMessage(expected).isEmpty());
    const QString unwritable = pipeline::unwritableCommandMessage(QStringLiteral("tesseract ") + P +
                                                                  QStringLiteral("/tmp.bmp"));
    QCOMPARE(unwritable.isEmpty(), pipeline::folderCharactersWithoutForm(P).isEmpty());
    QVERIFY(unwritable.isEmpty() ||
            unwritable.contains(QStringLiteral("「〜」(U+301C)、「한」(U+D55C)、「😀」(U+1F600)")));
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("読めた\r"));
    QVERIFY(s.platform.messages.isEmpty());
}

void TestRecognition::secondRunWhileWaitingIsRefused() {
    Session s;
    s.select(5, 5, 100, 50);
    m_engine->setMode(QStringLiteral("wait"));
    m_engine->setOutput(QByteArray("結果\n"));
    QByteArray batchDuringWait;
    DuringWait meanwhile([&] {
        if (!m_engine->ran())
            return false;
        batchDuringWait = readAll(s.workFile(QStringLiteral("tess.bat")));
        s.c().cmdRecognize->click();
        s.c().cmdDirect->click();
        // The rest of the window works: the user adds to the result box meanwhile.
        s.c().txtResult->setText(s.c().txtResult->text() + QStringLiteral("追記"));
        m_engine->release();
        return true;
    });
    s.c().cmdRecognize->click();

    QCOMPARE(s.platform.messages, QStringList(2, RecognitionHandler::busyMessage()));
    QCOMPARE(s.platform.batchRuns.size(), 1);
    QCOMPARE(readAll(s.workFile(QStringLiteral("tess.bat"))), batchDuringWait);
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("追記結果\r"));
    // The run is over, so the next one may start.
    m_engine->setMode(QString());
    s.c().cmdRecognize->click();
    QCOMPARE(s.platform.batchRuns.size(), 2);
}

// Esc stops a run whose engine would never end by itself: its programs go at once (the click
// returns though the engine is never released), the box keeps its text, nothing is added and
// nothing is said to have failed; afterwards Esc is left to the rest of the window.
void TestRecognition::escStopsTheRunAndKeepsTheBox() {
    Session s;
    QVERIFY(s.showActive());
    s.select(5, 5, 100, 50);
    s.c().txtResult->setText(QStringLiteral("前から\r\n"));
    m_engine->setMode(QStringLiteral("wait"));
    m_engine->setOutput(QByteArray("結果\n"));
    auto* stop = s.window().findChild<QAction*>(QStringLiteral("actStopRun"));
    QVERIFY(stop);
    QVERIFY(!stop->isEnabled());
    QElapsedTimer sinceEsc;
    DuringWait meanwhile([&] {
        if (!m_engine->ran())
            return false;
        if (!sinceEsc.isValid()) {
            sinceEsc.start();
            QTest::keyClick(&s.window(), Qt::Key_Escape);
        }
        // A stop that did not work fails the test below rather than holding it up.
        if (sinceEsc.elapsed() < 10000)
            return false;
        m_engine->release();
        return true;
    });
    s.c().cmdRecognize->click();
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("前から\r\n"));
    QCOMPARE(s.platform.messages, QStringList());
    QCOMPARE(s.platform.notices, QStringList{RecognitionHandler::stoppedNotice()});
    QVERIFY(!s.waitCursor());
    QVERIFY(!stop->isEnabled());
    // The next run is not stopped by the one before, however long its engine takes.
    QElapsedTimer sinceStart;
    DuringWait slowly([&] {
        if (!m_engine->ran())
            return false;
        if (!sinceStart.isValid())
            sinceStart.start();
        if (sinceStart.elapsed() < 300)
            return false;
        m_engine->release();
        return true;
    });
    s.c().cmdRecognize->click();
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("前から\r\n結果\r"));
}

// A run that takes more than a second says so at the foot of the window, with how to stop it,
// until it ends; a shorter one says nothing. An engine process tells no share read.
void TestRecognition::progressOfARun_data() {
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("parts");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("ofRun");
    QTest::newRow("the only read") << 0 << 1 << 42 << 42;
    QTest::newRow("the second of two, half read") << 1 << 2 << 50 << 75;
    QTest::newRow("the first of three, done") << 0 << 3 << 100 << 33;
    QTest::newRow("the last of three, done") << 2 << 3 << 100 << 100;
    QTest::newRow("more than all") << 0 << 1 << 150 << 100;
    QTest::newRow("less than nothing") << 1 << 2 << -5 << 50;
    QTest::newRow("no reads") << 0 << 0 << 50 << 0;
}
void TestRecognition::progressOfARun() {
    QFETCH(int, part);
    QFETCH(int, parts);
    QFETCH(int, percent);
    QFETCH(int, ofRun);
    QCOMPARE(recognition::RunProgress::ofRun(size_t(part), size_t(parts), percent), ofRun);
}

void TestRecognition::aLongRunShowsItsProgress_data() {
    QTest::addColumn<int>("ms"); // how long the engine takes
    QTest::newRow("short") << 100;
    QTest::newRow("long") << 1500;
}
void TestRecognition::aLongRunShowsItsProgress() {
    QFETCH(int, ms);
    Session s;
    s.select(5, 5, 100, 50);
    m_engine->setOutput(QByteArray("結果\n"));
    m_engine->setMode(QStringLiteral("wait"));
    auto* label = s.window().findChild<QLabel*>(QStringLiteral("lblProgress"));
    QVERIFY(label);
    QElapsedTimer sinceStart;
    bool shown = false;
    QString text;
    DuringWait meanwhile([&] {
        if (!m_engine->ran())
            return false;
        if (!sinceStart.isValid())
            sinceStart.start();
        if (sinceStart.elapsed() < ms)
            return false;
        shown = !label->isHidden();
        text = label->text();
        m_engine->release();
        return true;
    });
    s.c().cmdRecognize->click();
    QCOMPARE(shown, ms > 1000);
    if (shown)
        QCOMPARE(text, recognition::RunProgress::text(-1));
    QVERIFY(label->isHidden());
}

// The automatic reading's analysis runs beside the window: the window's events go on (a timer
// ticks) while it works, and the run reads as before.
void TestRecognition::theWindowAnswersDuringTheAnalysis() {
    Lists lists;
    lists.lang = QStringList{QStringLiteral("自動")};
    Session s(lists, {},
              textPicture(QStringLiteral("日本語の文章を読み取ります。\n二行目の文です。"), 40,
                          QSize(900, 300)));
    s.select(5, 5, 600, 200);
    m_engine->setOutput(QByteArray("結果\n"));
    // The analysis ends before the picture it prepared is written for the engine.
    const QString sent = s.workFile(QStringLiteral("tmp.bmp"));
    QVERIFY(!QFile::exists(sent));
    int ticksDuringTheAnalysis = 0;
    DuringWait count([&] {
        if (QFile::exists(sent))
            return true;
        ++ticksDuringTheAnalysis;
        return false;
    });
    s.c().cmdRecognize->click();
    QVERIFY(ticksDuringTheAnalysis > 0);
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("結果\r"));
}

// A run's text lands in the box of the picture it was read from: while the engine works,
// choosing another picture or folder is refused and the choice goes back; every way in is
// refused before it asks the desktop for anything.
void TestRecognition::pictureStaysDuringARun_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("message");
    const QString viewerBusy = ViewerHandler::busyMessage();
    QTest::newRow("another picture") << "picture" << viewerBusy;
    QTest::newRow("another folder") << "folder" << viewerBusy;
    QTest::newRow("the picture clicked again") << "again" << viewerBusy;
    QTest::newRow("a path opened") << "path" << viewerBusy;
    QTest::newRow("a picture pasted") << "paste" << viewerBusy;
    QTest::newRow("the folder dialog") << "actOpenFolder" << viewerBusy;
    QTest::newRow("the file dialog") << "actOpenFile" << viewerBusy;
    QTest::newRow("the screen read") << "screen" << RecognitionHandler::busyMessage();
}

void TestRecognition::pictureStaysDuringARun() {
    QFETCH(QString, change);
    QFETCH(QString, message);
    Session s;
    s.picture.save(s.parentFolder() + QStringLiteral("/bmp_gif_sample/page2.bmp"));
    QFile saved(s.parentFolder() + QStringLiteral("/bmp_gif_sample/page2.bmp.txt"));
    QVERIFY(saved.open(QIODevice::WriteOnly) && saved.write("other\r\n") == 7);
    saved.close();
    QDir().mkpath(s.parentFolder() + QStringLiteral("/bmp_gif_zother"));
    s.c().cmbFolder->addItem(QStringLiteral("bmp_gif_zother"));
    s.c().File1->refresh();
    s.c().File1->setCurrentRow(0);
    s.select(5, 5, 100, 50);
    // Every way in has something to bring: a picture outside the workspace (its folder would be
    // remembered), the clipboard, the dialogs' answers, a region of the screen.
    const QString elsewhere = s.parentFolder() + QStringLiteral("/elsewhere");
    const QString other = elsewhere + QStringLiteral("/c.bmp");
    QDir().mkpath(elsewhere);
    s.picture.save(other);
    s.platform.clipboard.picture = s.picture;
    s.platform.folderAnswer = elsewhere;
    s.platform.fileAnswer = other;
    s.platform.screenRegion.picture = s.picture;
    m_engine->setMode(QStringLiteral("wait"));
    m_engine->setOutput(QByteArray("結果\n"));
    DuringWait meanwhile([&] {
        if (!m_engine->ran())
            return false;
        if (change == "picture")
            s.c().File1->setCurrentRow(1);
        else if (change == "folder")
            s.c().cmbFolder->setCurrentIndex(1);
        else if (change == "again")
            QTest::mouseClick(s.c().File1->viewport(), Qt::LeftButton, {},
                              s.c().File1->visualItemRect(s.c().File1->item(0)).center());
        else if (change == "path")
            s.window().waysIn().openPaths({other});
        else if (change == "paste")
            s.window().waysIn().paste();
        else if (change == "screen")
            s.window().readScreen();
        else
            s.c().File1->findChild<QAction*>(change)->trigger();
        m_engine->release();
        return true;
    });
    const int folders = s.c().cmbFolder->count();
    s.c().cmdRecognize->click();

    QCOMPARE(s.platform.messages, QStringList{message});
    QCOMPARE(s.c().cmbFolder->count(), folders);
    QVERIFY(s.platform.dialogStarts.isEmpty());
    QCOMPARE(s.platform.captures, 0);
    QVERIFY(!QFileInfo::exists(s.parentFolder() + QStringLiteral("/bmp_gif_clipboard")));
    QCOMPARE(s.c().File1->fileName(), QStringLiteral("page.bmp"));
    QCOMPARE(s.c().cmbFolder->currentIndex(), 0);
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("結果\r"));
    // Once the run is over, the choice is the user's again.
    s.c().File1->setCurrentRow(1);
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("other\r\n"));
}

void TestRecognition::tooSmallSelection_data() {
    QTest::addColumn<int>("zoomRow");
    QTest::addColumn<QRect>("corners"); // x1, y1, x2, y2 as left, top, right, bottom
    QTest::addColumn<bool>("refused");
    QTest::newRow("a point") << 0 << QRect(QPoint(20, 20), QPoint(20, 20)) << true;
    QTest::newRow("one pixel wide") << 0 << QRect(QPoint(20, 20), QPoint(21, 60)) << true;
    QTest::newRow("one pixel high") << 0 << QRect(QPoint(20, 20), QPoint(60, 21)) << true;
    QTest::newRow("two pixels each way") << 0 << QRect(QPoint(20, 20), QPoint(22, 22)) << false;
    QTest::newRow("a point at 50 %") << 1 << QRect(QPoint(20, 20), QPoint(20, 20)) << false;
}

void TestRecognition::tooSmallSelection() {
    QFETCH(int, zoomRow);
    QFETCH(QRect, corners);
    QFETCH(bool, refused);
    Session s;
    s.c().lstZoom->setCurrentRow(zoomRow);
    s.select(corners.left(), corners.top(), corners.right(), corners.bottom());
    m_engine->setOutput(QByteArray("x\n"));
    // The message comes once the run has ended: the default pointer, Esc no longer a stop.
    bool waitingAtMessage = true;
    s.platform.onMessage = [&](const QString&) {
        waitingAtMessage = s.waitCursor() || s.window().runState().running();
    };
    s.c().cmdRecognize->click();
    QCOMPARE(m_engine->ran(), !refused);
    QCOMPARE(s.platform.messages,
             refused ? QStringList{RecognitionHandler::selectionTooSmallMessage()} : QStringList());
    QCOMPARE(waitingAtMessage, !refused);
    QVERIFY(!s.waitCursor());
    QVERIFY(s.c().cmdUndo->isEnabled());
}

void TestRecognition::failingSteps_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("messageStart");
    QTest::newRow("work bitmap cannot be written")
        << QStringLiteral("bitmap") << QStringLiteral("作業用の画像ファイルを書けません");
    QTest::newRow("batch file cannot be written")
        << QStringLiteral("batch") << QStringLiteral("ファイルを書けません");
    QTest::newRow("a folder where the result goes")
        << QStringLiteral("result")
        << QStringLiteral("文字認識結果ファイルの場所にフォルダがあります");
    QTest::newRow("corner sum overflows")
        << QStringLiteral("overflow") << QStringLiteral("選択範囲の座標が大きすぎます");
}

void TestRecognition::failingSteps() {
    QFETCH(QString, step);
    QFETCH(QString, messageStart);
    Session s;
    const QString before = QStringLiteral("元の文");
    s.c().txtResult->setText(before);
    s.select(5, 5, 100, 50);
    if (step == QStringLiteral("bitmap"))
        QDir().mkpath(s.workFile(QStringLiteral("tmp.bmp")));
    else if (step == QStringLiteral("batch"))
        QDir().mkpath(s.workFile(QStringLiteral("tess.bat")));
    else if (step == QStringLiteral("result"))
        QDir().mkpath(s.workFile(QStringLiteral("tmp.txt")));
    else
        s.state().x2 = std::numeric_limits<int32_t>::max();
    m_engine->setOutput(QByteArray("x\n"));
    s.c().cmdRecognize->click();

    QCOMPARE(s.platform.messages.size(), 1);
    QVERIFY2(s.platform.messages[0].startsWith(messageStart), qPrintable(s.platform.messages[0]));
    QVERIFY(s.platform.batchRuns.isEmpty());
    QVERIFY(!m_engine->ran());
    QVERIFY(!s.waitCursor());
    QCOMPARE(s.c().txtResult->text(), before);
    QCOMPARE(s.window().resultText().undoText(), before);
    // The command shows only once the batch file holds it.
    QCOMPARE(s.c().txtBat->text().isEmpty(), step != QStringLiteral("result"));
}

void TestRecognition::engineGetsReadyOnceShown_data() {
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QList<int>>("walk"); // language rows chosen one after another at once
    QTest::addColumn<int>("preparations");
    const QStringList two{QStringLiteral("jpn"), QStringLiteral("eng")};
    QTest::newRow("never shown") << two << false << QList<int>{} << 0;
    QTest::newRow("shown") << two << true << QList<int>{} << 1;
    QTest::newRow("shown, then through the languages to the second")
        << two << true << QList<int>{1, 0, 1} << 2;
    QTest::newRow("shown, no language") << QStringList{QString()} << true << QList<int>{} << 0;
}

// Once the window is shown, the platform is asked to get ready for the command a run with the
// lists' items would run, and again when the user settles on another item; never before the
// window shows, nor without a language.
void TestRecognition::engineGetsReadyOnceShown() {
    QFETCH(QStringList, languages);
    QFETCH(bool, shown);
    QFETCH(QList<int>, walk);
    QFETCH(int, preparations);
    Lists lists;
    lists.lang = languages;
    Session s(lists);
    if (shown)
        QVERIFY(s.showActive());
    for (const int row : walk)
        s.c().lstLang->setCurrentRow(row);
    QTest::qWait(800);
    QCOMPARE(s.platform.preparations.size(), preparations);
    if (preparations == 0)
        return;
    s.select(10, 10, 60, 40);
    s.c().cmdRecognize->click();
    QCOMPARE(s.platform.preparations.last().text, s.c().txtBat->text());
    QCOMPARE(s.platform.preparations.last().batchPath, s.workFile(QStringLiteral("tess.bat")));
}

QTEST_MAIN(TestRecognition)
// A region of the screen is kept in bmp_gif_clipboard, chosen, and read whole by the button's
// run: the engine gets the region's pixels, the cleaned text goes to the result box and, with
// LF line ends and no empty lines at its end, to the clipboard. No text leaves the clipboard
// alone; a cancel or a screen that cannot be read keeps nothing and runs nothing.
void TestRecognition::screenReading_data() {
    QTest::addColumn<bool>("dragged");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QStringList>("copied");
    QTest::addColumn<QStringList>("notices");
    const QString copiedNotice = quillpix::copiedNotice();
    QTest::newRow("one line") << true << QString() << QString() << QByteArray("読んだ 文字\n")
                              << QStringLiteral("読んだ文字\r") << QStringList{"読んだ文字"}
                              << QStringList{copiedNotice};
    QTest::newRow("lines and empty lines at the end")
        << true << QString() << QString() << QByteArray("一行目\n\n二行目\n\n\n\f")
        << QStringLiteral("一行目\r\n\r\n二行目\r\n\r\n\r") << QStringList{"一行目\n\n二行目"}
        << QStringList{copiedNotice};
    QTest::newRow("no text") << true << QString() << QString() << QByteArray(" \n\f")
                             << QStringLiteral(" \r\n\r") << QStringList{}
                             << QStringList{quillpix::nothingReadNotice()};
    QTest::newRow("the engine fails")
        << true << QString() << QStringLiteral("nothing") << QByteArray() << QString()
        << QStringList{} << QStringList{};
    QTest::newRow("cancelled") << false << QString() << QString() << QByteArray() << QString()
                               << QStringList{} << QStringList{};
    QTest::newRow("the screen cannot be read")
        << false << QStringLiteral("画面を読み取れません") << QString() << QByteArray() << QString()
        << QStringList{} << QStringList{};
}

void TestRecognition::screenReading() {
    QFETCH(bool, dragged);
    QFETCH(QString, problem);
    QFETCH(QString, mode);
    QFETCH(QByteArray, output);
    QFETCH(QString, boxText);
    QFETCH(QStringList, copied);
    QFETCH(QStringList, notices);
    Session s;
    m_engine->setOutput(output);
    m_engine->setMode(mode);
    const QImage region = textPicture(QStringLiteral("画面"), 24, QSize(90, 40));
    if (dragged)
        s.platform.screenRegion.picture = region;
    s.platform.screenRegion.problem = problem;
    const QString kept = s.parentFolder() + QStringLiteral("/bmp_gif_clipboard");
    s.window().readScreen();

    QCOMPARE(s.platform.captures, 1);
    QCOMPARE(s.platform.copied, copied);
    QCOMPARE(s.platform.notices, notices);
    QCOMPARE(m_engine->ran(), dragged);
    if (!problem.isEmpty())
        QCOMPARE(s.platform.messages, QStringList{problem});
    if (!dragged) {
        QVERIFY(!QFileInfo::exists(kept));
        return;
    }
    const QStringList files = QDir(kept).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QCOMPARE(s.c().File1->folder(), kept);
    QCOMPARE(s.c().File1->fileName(), files.first());
    QCOMPARE(QImage(kept + QLatin1Char('/') + files.first()).convertToFormat(QImage::Format_RGB32),
             region.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(QImage::fromData(m_engine->inputPicture()).convertToFormat(QImage::Format_RGB32),
             region.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(s.c().txtResult->text(), boxText);
}

// The window's keys work wherever the focus is, and press what they stand for only when it can
// be pressed; inside the text boxes the boxes' own editing keys stay theirs.
void TestRecognition::keys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("effect");
    const int ctrl = int(Qt::ControlModifier);
    QTest::newRow("Ctrl+Enter runs, from the result box")
        << int(Qt::Key_Return) << ctrl << "txtResult" << true << "ran";
    QTest::newRow("Ctrl+Enter on the keypad, from the list")
        << int(Qt::Key_Enter) << ctrl << "File1" << true << "ran";
    QTest::newRow("Ctrl+Enter without a selection does nothing")
        << int(Qt::Key_Return) << ctrl << "txtResult" << false << "nothing";
    QTest::newRow("Ctrl+S saves, from the result box")
        << int(Qt::Key_S) << ctrl << "txtResult" << false << "saved";
    QTest::newRow("F1 opens the help") << int(Qt::Key_F1) << 0 << "File1" << false << "help";
    QTest::newRow("F5 reads the list again")
        << int(Qt::Key_F5) << 0 << "File1" << false << "listed";
    QTest::newRow("Ctrl+Z in the result box is the box's own undo")
        << int(Qt::Key_Z) << ctrl << "txtResult" << false << "box undo";
}

void TestRecognition::keys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, focus);
    QFETCH(bool, selected);
    QFETCH(QString, effect);
    Session s;
    m_engine->setOutput(QByteArray("キー\n"));
    QVERIFY(s.showActive());
    if (selected)
        s.select(10, 10, 100, 40);
    Controls& c = s.c();
    c.txtResult->setText(QStringLiteral("before"));
    QWidget* target = focus == QLatin1String("txtResult") ? static_cast<QWidget*>(c.txtResult)
                                                          : static_cast<QWidget*>(c.File1);
    target->setFocus();
    if (effect == QLatin1String("box undo")) {
        c.txtResult->moveCaretToEnd();
        QTest::keyClicks(c.txtResult, QStringLiteral("xyz"));
    }
    const QString picture = s.parentFolder() + QStringLiteral("/bmp_gif_sample/page.bmp");
    QFile::copy(picture, s.parentFolder() + QStringLiteral("/bmp_gif_sample/new.bmp"));
    const int listed = c.File1->count();
    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(m_engine->ran(), effect == QLatin1String("ran"));
    if (effect == QLatin1String("ran"))
        QCOMPARE(c.txtResult->text(), QStringLiteral("beforeキー\r"));
    QCOMPARE(QFile::exists(picture + QStringLiteral(".txt")), effect == QLatin1String("saved"));
    QCOMPARE(s.platform.opened.size(), effect == QLatin1String("help") ? 1 : 0);
    if (effect == QLatin1String("help"))
        QVERIFY(s.platform.opened.first().endsWith(QStringLiteral("htm/introtool.htm")));
    QCOMPARE(c.File1->count(), listed + (effect == QLatin1String("listed") ? 1 : 0));
    if (effect == QLatin1String("box undo"))
        QCOMPARE(c.txtResult->text(), QStringLiteral("before"));
}

// A picture pasted into the result box is kept and read at once, as a captured one, the
// clipboard left holding it; with text beside it the box pastes the text. The display's
// whole-picture choices read every pixel of the picture through the run of the button.
void TestRecognition::wholePicturesRead_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("ran");
    QTest::newRow("Ctrl+V in the result box, a picture alone") << "paste" << true;
    QTest::newRow("Ctrl+V in the result box, a picture with text") << "paste with text" << false;
    // Over 16 megapixels a picture is read aside before it is shown; it is read once it is.
    QTest::newRow("Ctrl+V in the result box, a picture over 16 megapixels")
        << "paste large" << true;
    QTest::newRow("a screen region over 16 megapixels") << "screen large" << true;
    QTest::newRow("画像全体を読む on the display") << "read whole" << true;
    QTest::newRow("Ctrl+A on the display, then Ctrl+Enter") << "Ctrl+A" << true;
}

void TestRecognition::wholePicturesRead() {
    QFETCH(QString, way);
    QFETCH(bool, ran);
    Session s;
    m_engine->setOutput(QByteArray("全体\n"));
    QVERIFY(s.showActive());
    Controls& c = s.c();
    // Past 16 megapixels: 4097 × 4097 is 16 785 409 pixels.
    const QImage region = way.endsWith(QLatin1String("large"))
                              ? textPicture(QStringLiteral("貼付"), 48, QSize(4097, 4097))
                              : textPicture(QStringLiteral("貼付"), 24, QSize(90, 40));
    const QString kept = s.parentFolder() + QStringLiteral("/bmp_gif_clipboard");
    QImage expected = s.picture;
    if (way == QLatin1String("screen large")) {
        s.platform.screenRegion.picture = region;
        s.window().readScreen();
        expected = region;
    } else if (way.startsWith(QLatin1String("paste"))) {
        s.platform.clipboard.picture = region;
        s.platform.clipboard.hasText = way.endsWith(QLatin1String("text"));
        c.txtResult->setFocus();
        QTest::keyClick(c.txtResult, Qt::Key_V, Qt::ControlModifier);
        expected = region;
        QCOMPARE(QFileInfo::exists(kept), ran);
    } else if (way == QLatin1String("read whole")) {
        auto* action = c.picDisp->findChild<QAction*>(QStringLiteral("actReadWhole"));
        QVERIFY(action);
        action->trigger();
    } else {
        QTest::mouseClick(c.picDisp, Qt::LeftButton, {}, QPoint(50, 50));
        QCOMPARE(QApplication::focusWidget(), c.picDisp);
        QTest::keyClick(c.picDisp, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(c.cmdRecognize->isEnabled());
        QTest::keyClick(c.picDisp, Qt::Key_Return, Qt::ControlModifier);
    }
    QCOMPARE(m_engine->ran(), ran);
    QCOMPARE(s.platform.copied, way.startsWith(QLatin1String("screen"))
                                    ? QStringList{QStringLiteral("全体")}
                                    : QStringList());
    if (!ran)
        return;
    QCOMPARE(s.platform.messages, QStringList());
    if (way.endsWith(QLatin1String("large")))
        QCOMPARE(s.c().picBmp->picture().size(), region.size());
    QCOMPARE(QImage::fromData(m_engine->inputPicture()).convertToFormat(QImage::Format_RGB32),
             expected.convertToFormat(QImage::Format_RGB32));
    QVERIFY2(c.txtResult->text().startsWith(QStringLiteral("全体")),
             qPrintable(c.txtResult->text()));
}

#include "test_recognition.moc"
