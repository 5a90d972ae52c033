#include "automatic.h"
#include "batchfilestep.h"
#include "commandline.h"
#include "librarymessages.h"
#include "pagetexts.h"
#include "platform.h"
#include "textpicture.h"
#include "workfolder.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

using namespace quillpix;
using namespace quillpix::pipeline;
using namespace quillpix::recognition;

// The window's run around the pipeline: what goes to its work folder, and how a batch's run is
// judged.
class TestWindowRun : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // As every front end starts: the picture library's one handler for the process.
    void initTestCase() { pagelayout::routeLibraryMessages(); }
    void failureReasonNamesTheProgram_data();
    void failureReasonNamesTheProgram();
    void failedAnalysisSendsNothing_data();
    void failedAnalysisSendsNothing();
    void theWindowReadsASpreadPageByPage();
};

void TestWindowRun::failureReasonNamesTheProgram_data() {
    QTest::addColumn<QStringList>("notFound");
    QTest::addColumn<QString>("last");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("reason");
    // The engine's own end, when the batch started it: its exit code; -1 when it never ran.
    QTest::addColumn<int>("engineCode");
    QTest::addColumn<bool>("resident");
    QTest::newRow("ran well") << QStringList{} << "tesseract" << 0 << QString() << -1 << false;
    QTest::newRow("the engine is missing") << QStringList{"tesseract"} << "tesseract" << 9009
                                           << engineNotFoundMessage() << -1 << false;
    QTest::newRow("another program is missing")
        << QStringList{"set"} << "tesseract" << 0
        << QStringLiteral("「set」は、実行できるプログラムとして見つかりません。") << -1 << false;
    QTest::newRow("the engine failed")
        << QStringList{} << "tesseract" << 1
        << QStringLiteral("tesseract が終了コード 1 で終わりました。") << 1 << false;
    QTest::newRow("another program is missing, then the engine failed")
        << QStringList{"call"} << "tesseract" << 1
        << QStringLiteral("「call」は、実行できるプログラムとして見つかりません。\n"
                          "tesseract が終了コード 1 で終わりました。")
        << 1 << false;
    QTest::newRow("no program, as for a comment")
        << QStringList{} << QString() << 0 << QString() << -1 << false;
    QTest::newRow("the engine failed, then pause")
        << QStringList{} << "pause" << 0
        << QStringLiteral("tesseract が終了コード 3 で終わりました。") << 3 << false;
    QTest::newRow("the engine failed, then another program failed")
        << QStringList{} << "false" << 1
        << QStringLiteral(
               "tesseract が終了コード 3 で終わりました。\nfalse が終了コード 1 で終わりました。")
        << 3 << false;
    QTest::newRow("the engine read well, then another program failed")
        << QStringList{} << "false" << 1 << QStringLiteral("false が終了コード 1 で終わりました。")
        << 0 << false;
    QTest::newRow("the engine failed, with its last message")
        << QStringList{} << "tesseract" << 2
        << QStringLiteral("tesseract が終了コード 2 で終わりました。\nError: cannot read tmp.bmp")
        << 2 << false;
    QTest::newRow("the loaded engine could not read the picture")
        << QStringList{} << "tesseract" << 1
        << QStringLiteral("文字認識エンジンが画像を読めませんでした") << 1 << true;
}

void TestWindowRun::failureReasonNamesTheProgram() {
    QFETCH(QStringList, notFound);
    QFETCH(QString, last);
    QFETCH(int, code);
    QFETCH(QString, reason);
    QFETCH(int, engineCode);
    QFETCH(bool, resident);
    BatchReport report;
    report.started = true;
    report.notFound = notFound;
    report.lastProgram = last;
    report.exitCode = code;
    report.engineRan = engineCode >= 0;
    report.engineExitCode = std::max(engineCode, 0);
    report.resident = resident;
    if (engineCode == 2)
        report.engineMessage = QStringLiteral("Error: cannot read tmp.bmp");
    QCOMPARE(failureReason(report), reason);
    // Only the engine's own end fails the run.
    QCOMPARE(engineFailed(report), engineCode > 0);
}

// A window run whose "自動" analysis fails in the picture library writes neither tmp.bmp nor
// tess.bat, and says why, in the library's words: the engine would read a blank picture.
void TestWindowRun::failedAnalysisSendsNothing_data() {
    QTest::addColumn<bool>("direct"); // 実行 after a "自動" run, rather than the run itself
    QTest::newRow("認識 with 自動") << false;
    QTest::newRow("実行 after 自動") << true;
}

void TestWindowRun::failedAnalysisSendsNothing() {
    QFETCH(bool, direct);
    QTemporaryDir dir;
    // Wider than the library takes a picture.
    QImage wide((1 << 26) + 1, 1, QImage::Format_Grayscale8);
    wide.fill(255);
    const SentRun sent =
        direct ? sendCommand(dir.path(), wide, true, QStringLiteral("tesseract tmp.bmp tmp"))
               : sendRun(dir.path(), wide, {automaticLanguage(), QStringLiteral("3"), {}});
    QVERIFY2(sent.problem.startsWith(QStringLiteral("自動の読み取りで画像")),
             qPrintable(sent.problem));
    QVERIFY2(sent.problem.contains(QStringLiteral("Error in pixCreate")), qPrintable(sent.problem));
    QVERIFY(sent.command.isEmpty());
    QVERIFY(sent.sentPicture.isNull());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("tmp.bmp"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("tess.bat"))));
}

// 認識 reads a spread page by page, as the folder batch does, the right page of a vertical
// book first; 実行's one command is sent the spread whole.
void TestWindowRun::theWindowReadsASpreadPageByPage() {
    workspace::PageStyle style;
    style.writing = workspace::Writing::Vertical;
    style.size = QSize(1240, 1748);
    style.margins = QMargins(150, 150, 150, 150);
    style.ruby = true; // something for the analysis to tell
    const QImage page = workspace::textPage(workspace::japaneseProse(), style).image;
    QImage spread(2480, 1748, QImage::Format_Grayscale8);
    spread.fill(255);
    {
        QPainter painter(&spread);
        painter.drawImage(0, 0, page);
        painter.drawImage(1240, 0, page);
        // The fold's shadow.
        for (int x = 1190; x < 1290; ++x)
            painter.fillRect(x, 0, 1, 1748, QColor::fromHsv(0, 0, 40 + 4 * std::abs(x - 1240)));
    }
    const PlannedRuns runs = planRuns(spread, {automaticLanguage(), QStringLiteral("3"), {}});
    QVERIFY2(runs.problem.isEmpty(), qPrintable(runs.problem));
    QCOMPARE(runs.prepared.pages.size(), size_t(2));
    QVERIFY(runs.prepared.pages[0].from.left() > runs.prepared.pages[1].from.left());
    QCOMPARE(runs.reads.front().page, 0);
    QCOMPARE(runs.reads.back().page, 1);
    // The first page read stands for the spread: its picture, and its analysis told.
    QCOMPARE(runs.prepared.picture, runs.prepared.pages[0].picture);
    QCOMPARE(runs.prepared.notes, runs.prepared.pages[0].plan.notes);
    QVERIFY(!runs.prepared.notes.isEmpty());
    QTemporaryDir dir;
    const SentRun sent = sendCommand(dir.path(), spread, true, QStringLiteral("tesseract"));
    QVERIFY2(sent.problem.isEmpty(), qPrintable(sent.problem));
    QVERIFY(sent.prepared.pages.empty());
    QVERIFY(sent.sentPicture.width() > 2 * runs.reads.front().picture.width() * 3 / 4);
}

QTEST_MAIN(TestWindowRun)
#include "test_windowrun.moc"
