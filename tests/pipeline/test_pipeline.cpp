#include "automatic.h"
#include "batchfilerun.h"
#include "commandline.h"
#include "cp932.h"
#include "enginecall.h"
#include "engineidentity.h"
#include "enginesteps.h"
#include "librarymessages.h"
#include "pagetexts.h"
#include "plaincall.h"
#include "reading.h"
#include "residentengine.h"
#include "skew.h"
#include "textpicture.h"
#include "workpicture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

using namespace quillpix;
using namespace quillpix::pipeline;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Whether the process runs: a zombie, waiting for its parent to reap it, does not.
bool runs(const QByteArray& pid) {
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
    // "pid (name) state ...": the name may hold spaces, so the state follows the last ")".
    return !stat.isEmpty() && stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

// A `tesseract` that writes the words it was given, one per line, and nothing else.
const char kWordsEngine[] = "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/words\"\n";

class RecordedOutput : public EngineStep {
public:
    explicit RecordedOutput(EngineOutput output) : m_output(std::move(output)) {}
    EngineOutput run() override { return m_output; }

private:
    EngineOutput m_output;
};

} // namespace

class TestPipeline : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // As every front end starts: the picture library's one handler for the process.
    void initTestCase() { pagelayout::routeLibraryMessages(); }
    void theEngineGetsTheSameWordsEveryWay_data();
    void theEngineGetsTheSameWordsEveryWay();
    void commandsTheBatchCannotRun_data();
    void commandsTheBatchCannotRun();
    void engineOutputToSavedBytes_data();
    void engineOutputToSavedBytes();
    void processStepJudgesTheEngine_data();
    void processStepJudgesTheEngine();
    void workPictureIsGreyWhenThePixelsAre_data();
    void workPictureIsGreyWhenThePixelsAre();
    void linesComeBackOntoThePicture_data();
    void linesComeBackOntoThePicture();
    void eachRegionReadWithItsOwnSettings();
    void regionBoxesComeBackWhereTheRegionLay_data();
    void regionBoxesComeBackWhereTheRegionLay();
    void flatPageBoxesComeBackOntoThePhotograph();
    void settingsForADirection_data();
    void settingsForADirection();
    void automaticChoiceIsExplained_data();
    void automaticChoiceIsExplained();
    void turnedPageIsReadUpright_data();
    void turnedPageIsReadUpright();
    void automaticReadingsSettings_data();
    void automaticReadingsSettings();
    void workPictureTellsThePicturesResolution_data();
    void workPictureTellsThePicturesResolution();
    void pictureWithoutTextIsReadAsThePlainSetting_data();
    void pictureWithoutTextIsReadAsThePlainSetting();
    void aStopEndsALoadedEnginesRead();
    void pagesOfASpreadMakeOneReading_data();
    void pagesOfASpreadMakeOneReading();
};

void TestPipeline::workPictureIsGreyWhenThePixelsAre_data() {
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<int>("bitsPerPixel"); // of the work bitmap
    // Widths that leave padding at the end of an 8-bit row.
    QImage grey(7, 5, QImage::Format_Grayscale8);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            grey.scanLine(y)[x] = uchar(x * 37 + y * 11);
    QImage colour = grey.convertToFormat(QImage::Format_RGB32);
    colour.setPixel(6, 4, qRgb(1, 2, 3));
    QImage clear(5, 3, QImage::Format_ARGB32);
    clear.fill(qRgba(255, 0, 0, 0));
    clear.setPixel(1, 1, qRgba(30, 30, 30, 255));
    QTest::newRow("8-bit grey") << grey << 8;
    QTest::newRow("grey in colour") << grey.convertToFormat(QImage::Format_RGB32) << 8;
    QTest::newRow("grey palette") << grey.convertToFormat(QImage::Format_Indexed8) << 8;
    QTest::newRow("one pixel in colour") << colour << 24;
    QTest::newRow("transparent red on white paper") << clear << 8;
}

// The engine gets 8-bit grey exactly when every pixel is grey, with the pixels and the
// resolution (here none) the colour work picture has; the bitmap reads back as those pixels and
// holds the same bytes every time it is written.
void TestPipeline::workPictureIsGreyWhenThePixelsAre() {
    QFETCH(QImage, picture);
    QFETCH(int, bitsPerPixel);
    QImage onPaper = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < onPaper.height(); ++y)
        for (int x = 0; x < onPaper.width(); ++x) {
            const QRgb c = onPaper.pixel(x, y);
            const int a = qAlpha(c);
            auto blend = [a](int v) { return (v * a + 255 * (255 - a) + 127) / 255; };
            onPaper.setPixel(x, y, qRgb(blend(qRed(c)), blend(qGreen(c)), blend(qBlue(c))));
        }
    const QImage work = workPicture(picture);
    QCOMPARE(work.format() == QImage::Format_Grayscale8, bitsPerPixel == 8);
    QCOMPARE(work.convertToFormat(QImage::Format_RGB32),
             onPaper.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(work.dotsPerMeterX(), kNoResolution);
    QCOMPARE(work.dotsPerMeterY(), kNoResolution);

    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.bmp"));
    const QString second = dir.filePath(QStringLiteral("second.bmp"));
    writeWorkPicture(picture, first);
    // Other memory under the second picture's rows.
    QImage filler(64, 64, QImage::Format_RGB32);
    filler.fill(0xFFABCDEF);
    writeWorkPicture(picture.copy(), second);
    const QByteArray bytes = readAll(first);
    QCOMPARE(int(uchar(bytes.at(28))), bitsPerPixel);
    QCOMPARE(bytes, readAll(second));
    QCOMPARE(QImage(first).convertToFormat(QImage::Format_RGB32),
             onPaper.convertToFormat(QImage::Format_RGB32));
}

void TestPipeline::theEngineGetsTheSameWordsEveryWay_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("words"); // after the two paths, -l jpn and --psm 3
    QTest::newRow("none") << QString() << QStringList{};
    QTest::newRow("pause is the batch file's") << QStringLiteral("pause") << QStringList{};
    QTest::newRow("single quotes are characters")
        << QStringLiteral("-c tessedit_char_whitelist='0123456789'")
        << QStringList{"-c", "tessedit_char_whitelist='0123456789'"};
    QTest::newRow("caret makes the next character plain")
        << QStringLiteral("-c tessedit_char_whitelist=a^b")
        << QStringList{"-c", "tessedit_char_whitelist=ab"};
    QTest::newRow("backslash is a character") << QStringLiteral("-c tessedit_char_whitelist=a\\b")
                                              << QStringList{"-c", "tessedit_char_whitelist=a\\b"};
    QTest::newRow("a lone percent at the end goes")
        << QStringLiteral("-c tessedit_char_whitelist=0123456789.%")
        << QStringList{"-c", "tessedit_char_whitelist=0123456789."};
    // Expanded before the line is cut into words, as the interpreter does.
    QTest::newRow("variables expand first")
        << QStringLiteral("--tessdata-dir %QUILLPIX_TEST_DIR%/td")
        << QStringList{"--tessdata-dir", "/some", "where/td"};
    QTest::newRow("double quotes group and go")
        << QStringLiteral("-c \"x=a b\" --dpi 300") << QStringList{"-c", "x=a b", "--dpi", "300"};
    QTest::newRow("shell characters are plain")
        << QStringLiteral("-c x=$(echo;*)") << QStringList{"-c", "x=$(echo;*)"};
}

// The window's tess.bat run by the batch file runner, and the folder batch's reading of the
// same command, give the engine the same words; the loaded engine takes the call those words
// make.
void TestPipeline::theEngineGetsTheSameWordsEveryWay() {
    QFETCH(QString, option);
    QFETCH(QStringList, words);
    qputenv("QUILLPIX_TEST_DIR", "/some where");
    QTemporaryDir dir;
    writeAll(dir.filePath(QStringLiteral("tesseract")), kWordsEngine);
    QFile::setPermissions(dir.filePath(QStringLiteral("tesseract")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit() + ':' + path);

    const QString command =
        commandFor(dir.path(), {QStringLiteral("jpn"), QStringLiteral("3"), option});
    const QString batch = dir.filePath(QStringLiteral("tess.bat"));
    writeAll(batch, cp932::encode(command + QStringLiteral("\r\n")));
    QVERIFY(batchfile::runBatchFile(batch, batchfile::Console::None).read);
    qputenv("PATH", path);

    const QStringList expected = QStringList{dir.filePath(QStringLiteral("tmp.bmp")),
                                             dir.filePath(QStringLiteral("tmp")),
                                             "-l",
                                             "jpn",
                                             "--psm",
                                             "3"} +
                                 words;
    QString given = QString::fromUtf8(readAll(dir.filePath(QStringLiteral("words"))));
    given.chop(1);
    QCOMPARE(given.split(QLatin1Char('\n')), expected);
    const CommandWords read =
        engineWords(dir.path(), {QStringLiteral("jpn"), QStringLiteral("3"), option},
                    QProcessEnvironment::systemEnvironment());
    QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
    QCOMPARE(read.words, QStringList{"tesseract"} + expected);
    // The loaded engine reads the same call out of the batch text (a "pause" line wants the
    // console, so that batch is never read by it).
    const auto resident =
        engine::plainCallOfBatch(command, QProcessEnvironment::systemEnvironment(), batch);
    const auto fromWords = engine::plainCall(QStringList{"tesseract"} + expected);
    if (option != QLatin1String("pause"))
        QCOMPARE(resident, fromWords);
    else
        QVERIFY(!resident && fromWords);
}

void TestPipeline::commandsTheBatchCannotRun_data() {
    QTest::addColumn<QString>("option");
    QTest::newRow("second command") << QStringLiteral("& echo done");
    QTest::newRow("pipe") << QStringLiteral("| more");
    QTest::newRow("redirection") << QStringLiteral("> log.txt");
    QTest::newRow("syntax error") << QStringLiteral("|");
}

void TestPipeline::commandsTheBatchCannotRun() {
    QFETCH(QString, option);
    const CommandWords read =
        engineWords(QStringLiteral("/w"), {QStringLiteral("jpn"), "3", option},
                    QProcessEnvironment::systemEnvironment());
    QVERIFY(read.words.isEmpty());
    QVERIFY(!read.problem.isEmpty());
}

void TestPipeline::engineOutputToSavedBytes_data() {
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QString>("box");   // what the result box gets
    QTest::addColumn<QString>("saved"); // what the saved file holds, before code page 932
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("keepLatin");
    QTest::addColumn<bool>("paragraphs");
    // Worked through by hand from the rules: full-width digits, no space after a Japanese
    // character, "," and "." after one become "，" and "。", the text loses its last character,
    // a run of blank lines shrinks by one, lone CRs are not saved.
    QTest::newRow("clean-up rules")
        << QByteArray("第１章　概要\n本日は晴天なり , 明日は雨.\n\n\n\nend\n")
        << QStringLiteral("第1章　概要\r\n本日は晴天なり，明日は雨。\r\n\r\n\r\nend\r")
        << QStringLiteral("第1章　概要\r\n本日は晴天なり，明日は雨。\r\n\r\n\r\nend\r\n") << true
        << false << false;
    QTest::newRow("byte-order mark, CR LF, lone CR")
        << QByteArray("\xEF\xBB\xBF"
                      "abc\r\ndef\rghi\r\r\nend\n")
        << QStringLiteral("abc\r\ndef\r\nghi\r\n\r\nend\r")
        << QStringLiteral("abc\r\ndef\r\nghi\r\n\r\nend\r\n") << true << false << false;
    QTest::newRow("no code page 932 form, circled numbers")
        << QByteArray("絵文字 😀 と ①⑫\n") << QStringLiteral("絵文字? と112\r")
        << QStringLiteral("絵文字? と112\r\n") << true << false << false;
    QTest::newRow("blank lines and a form feed")
        << QByteArray("\n\n\f\n") << QStringLiteral("\r\n\r\n\r") << QStringLiteral("\r\n\r\n")
        << false << false << false;
    QTest::newRow("nothing") << QByteArray() << QString() << QStringLiteral("\r\n") << false
                             << false << false;
    // The guarded rules keep the space after a number before a Latin word and the "." of a
    // file name after Japanese; as written they go.
    const QByteArray latin("版 2001 Free の 64 KiB と .xz\nend\n");
    QTest::newRow("Latin text, rules as written")
        << latin << QStringLiteral("版2001Free の64KiB と。xz\r\nend\r")
        << QStringLiteral("版2001Free の64KiB と。xz\r\nend\r\n") << true << false << false;
    QTest::newRow("Latin text, guarded")
        << latin << QStringLiteral("版2001 Free の64 KiB と.xz\r\nend\r")
        << QStringLiteral("版2001 Free の64 KiB と.xz\r\nend\r\n") << true << true << false;
    // Lines of a paragraph run on; the blank line and the short last line end paragraphs.
    QTest::newRow("paragraphs joined")
        << QByteArray("吾輩は猫である。名前はまだ無い。どこで\n生れたかとんと見当がつかぬ。\n\n"
                      "何でも薄暗い所で\n")
        << QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"
                          "\r\n\r\n何でも薄暗い所で\r")
        << QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"
                          "\r\n\r\n何でも薄暗い所で\r\n")
        << true << false << true;
}

void TestPipeline::engineOutputToSavedBytes() {
    QFETCH(QByteArray, utf8);
    QFETCH(QString, box);
    QFETCH(QString, saved);
    QFETCH(bool, visible);
    QFETCH(bool, keepLatin);
    QFETCH(bool, paragraphs);
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("tmp_sjis.txt"));
    RecordedOutput engine({true, utf8, false, {}});
    const Reading reading = read(
        engine, copy,
        {keepLatin ? cleanup::LatinSpacing::Kept : cleanup::LatinSpacing::AsWritten, paragraphs});
    QVERIFY(reading.succeeded());
    QCOMPARE(reading.boxText, box);
    QCOMPARE(reading.savedBytes(), cp932::encode(saved));
    QCOMPARE(reading.anyVisible(), visible);
    // The window's work file holds the engine's text in code page 932 with CR LF.
    QCOMPARE(cp932::decode(readAll(copy)),
             cp932::decodeUtf8(utf8)
                 .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                 .replace(QLatin1Char('\n'), QStringLiteral("\r\n"))
                 .replace(QStringLiteral("😀"), QStringLiteral("?")));
}

void TestPipeline::processStepJudgesTheEngine_data() {
    QTest::addColumn<QByteArray>("script"); // the engine; "" for a file that cannot start
    QTest::addColumn<int>("stopAfterMs");   // -1 no stop, 0 before the run, else from a thread
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("reason"); // the start of the reason; "" for none
    const QByteArray writes = "#!/bin/sh\nprintf 'abcde' > \"$2.txt\"\n";
    QTest::newRow("writes and ends well") << writes + "exit 0\n" << -1 << true << QString();
    QTest::newRow("writes, then exits with 3")
        << writes + "echo 'Image too large' >&2\nexit 3\n"
        << -1 << true << QStringLiteral("tesseract が終了コード 3 で終わりました: Image too large");
    QTest::newRow("writes nothing and exits with 1")
        << QByteArray("#!/bin/sh\nexit 1\n") << -1 << false
        << QStringLiteral("tesseract が終了コード 1 で終わりました");
    QTest::newRow("cannot start") << QByteArray() << -1 << false
                                  << QStringLiteral("tesseract を起動できません");
    QTest::newRow("stopped before it runs") << QByteArray("#!/bin/sh\nsleep 30\n") << 0 << false
                                            << QStringLiteral("tesseract が異常終了しました");
    // The stop comes from another thread; the engine's group goes, its child too.
    QTest::newRow("stopped while its child runs")
        << QByteArray("#!/bin/sh\nsleep 30 & echo $! > \"$(dirname \"$0\")/child\"\nwait\n") << 300
        << false << QStringLiteral("tesseract が異常終了しました");
}

// The batch's engine process: its exit status and what it wrote, never a hang.
void TestPipeline::processStepJudgesTheEngine() {
    QFETCH(QByteArray, script);
    QFETCH(int, stopAfterMs);
    QFETCH(bool, written);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("tesseract"));
    writeAll(program, script);
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit() + ':' + path);
    RunningProcesses processes;
    if (stopAfterMs == 0)
        processes.stopAll();
    std::thread stopper([&processes, stopAfterMs] {
        if (stopAfterMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(stopAfterMs));
            processes.stopAll();
        }
    });
    ProcessStep step({"tesseract", dir.filePath("tmp.bmp"), dir.filePath("tmp")}, dir.path(),
                     dir.filePath(QStringLiteral("tmp.txt")), &processes);
    QElapsedTimer clock;
    clock.start();
    const EngineOutput output = step.run();
    stopper.join();
    qputenv("PATH", path);
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(output.written, written);
    QCOMPARE(output.failed, !reason.isEmpty());
    QVERIFY2(output.reason.startsWith(reason), qPrintable(output.reason));
    if (written)
        QCOMPARE(output.utf8, QByteArray("abcde"));
    if (stopAfterMs > 0) {
        const QByteArray child = readAll(dir.filePath(QStringLiteral("child"))).trimmed();
        QVERIFY(!child.isEmpty());
        // The orphaned child is reaped by whoever adopts it; a moment for that.
        QTRY_VERIFY_WITH_TIMEOUT(!runs(child), 5000);
    }
}

void TestPipeline::linesComeBackOntoThePicture_data() {
    QTest::addColumn<double>("degrees"); // the turn the picture was straightened by
    QTest::addColumn<QPoint>("mark");    // a character's place on the picture as it came
    QTest::addColumn<int>("quarters");   // clockwise quarter turns that stood it upright first
    QTest::newRow("clockwise, near the top right") << 2.5 << QPoint(560, 40) << 0;
    QTest::newRow("clockwise, near the bottom left") << 2.5 << QPoint(30, 380) << 0;
    QTest::newRow("anticlockwise, near the top left") << -3.0 << QPoint(30, 40) << 0;
    QTest::newRow("left as it was") << 0.0 << QPoint(300, 200) << 0;
    QTest::newRow("stood up a quarter, near the top right") << 0.0 << QPoint(560, 40) << 1;
    QTest::newRow("stood up a quarter and straightened") << 2.5 << QPoint(30, 380) << 1;
    QTest::newRow("upside down, near the bottom left") << 0.0 << QPoint(30, 380) << 2;
    QTest::newRow("stood up three quarters and straightened") << -3.0 << QPoint(560, 40) << 3;
}

// A character read on the straightened picture lies, brought back, where it is on the picture
// the user has: the searchable page's text covers it there.
void TestPipeline::linesComeBackOntoThePicture() {
    QFETCH(double, degrees);
    QFETCH(QPoint, mark);
    QFETCH(int, quarters);
    QImage picture(600, 420, QImage::Format_Grayscale8);
    picture.fill(255);
    const QRect character(mark, QSize(12, 12));
    for (int y = character.top(); y <= character.bottom(); ++y)
        std::memset(picture.scanLine(y) + character.left(), 0, size_t(character.width()));
    PreparedPicture prepared;
    prepared.quarterTurns = quarters;
    prepared.plan.skewDegrees = degrees;
    const QImage upright = picture.transformed(QTransform().rotate(90 * quarters));
    prepared.picture = degrees == 0 ? upright : pagelayout::turned(upright, degrees);
    prepared.uprightSize = upright.size();
    QRect read;
    for (int y = 0; y < prepared.picture.height(); ++y)
        for (int x = 0; x < prepared.picture.width(); ++x)
            if (prepared.picture.constScanLine(y)[x] < 128)
                read |= QRect(x, y, 1, 1);
    enginelayout::Line line;
    line.box = read.adjusted(-20, -3, 20, 3);
    line.symbols = {{QStringLiteral("字"), read, true}};
    const QList<enginelayout::Line> back = linesOnPicture({line}, prepared);
    QCOMPARE(back.size(), 1);
    const QRect symbol = back[0].symbols[0].box;
    QVERIFY2(symbol.contains(character.center()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                 .arg(symbol.x())
                                                                 .arg(symbol.y())
                                                                 .arg(symbol.width())
                                                                 .arg(symbol.height())));
    QVERIFY(std::abs(symbol.center().x() - character.center().x()) <= 1);
    QVERIFY(std::abs(symbol.center().y() - character.center().y()) <= 1);
    QVERIFY(symbol.width() <= character.width() + 3 && symbol.height() <= character.height() + 3);
    QVERIFY(back[0].box.contains(symbol));
}

void TestPipeline::regionBoxesComeBackWhereTheRegionLay_data() {
    QTest::addColumn<int>("region");
    QTest::addColumn<QRect>("read");     // a character's box on the region's picture
    QTest::addColumn<QRect>("expected"); // on the page
    // The first region was cut at 400,10 of the page, the second at 10,300, the third at 50,50.
    QTest::newRow("first region") << 0 << QRect(10, 20, 10, 10) << QRect(410, 30, 10, 10);
    QTest::newRow("second region") << 1 << QRect(0, 0, 10, 10) << QRect(10, 300, 10, 10);
    QTest::newRow("the page as a whole") << -1 << QRect(5, 5, 10, 10) << QRect(5, 5, 10, 10);
    QTest::newRow("no such region") << 3 << QRect(5, 5, 10, 10) << QRect(5, 5, 10, 10);
    // The third was enlarged twice for the engine: its boxes are halved, then moved.
    QTest::newRow("an enlarged region") << 2 << QRect(20, 40, 20, 20) << QRect(60, 70, 10, 10);
}

// Each text region is read with the settings of its own direction and shape, from the lists'
// choice (not the page's settings), the option item as chosen; a page of one region is read whole.
void TestPipeline::eachRegionReadWithItsOwnSettings() {
    PreparedPicture prepared;
    prepared.chosen = {automaticLanguage(), QStringLiteral("3"), QStringLiteral("opt")};
    prepared.settings = {QStringLiteral("jpn_vert"), QStringLiteral("5"), QStringLiteral("opt")};
    prepared.picture = QImage(40, 40, QImage::Format_Grayscale8);
    QCOMPARE(engineReads(prepared).size(), size_t(1));
    QCOMPARE(engineReads(prepared).front().settings.psm, QStringLiteral("5"));
    QCOMPARE(engineReads(prepared).front().region, -1);
    prepared.plan.regions.resize(3);
    prepared.plan.regions[0].direction = pagelayout::Direction::Horizontal;
    prepared.plan.regions[1].direction = pagelayout::Direction::Vertical;
    prepared.plan.regions[2].direction = pagelayout::Direction::Horizontal;
    prepared.plan.regions[2].oneBlock = false;
    const std::vector<EngineRead> reads = engineReads(prepared);
    QCOMPARE(reads.size(), size_t(3));
    const QStringList expected{"jpn 6 opt", "jpn_vert 5 opt", "jpn 3 opt"};
    for (size_t k = 0; k < reads.size(); ++k) {
        const EngineSettings& own = reads[k].settings;
        QCOMPARE(QStringList({own.lang, own.psm, own.option}).join(u' '), expected[qsizetype(k)]);
        QCOMPARE(reads[k].region, int(k));
        QCOMPARE(reads[k].page, -1);
    }
}

void TestPipeline::regionBoxesComeBackWhereTheRegionLay() {
    QFETCH(int, region);
    QFETCH(QRect, read);
    QFETCH(QRect, expected);
    PreparedPicture prepared;
    prepared.plan.regions.resize(3);
    prepared.plan.regions[0].at = QPoint(400, 10);
    prepared.plan.regions[1].at = QPoint(10, 300);
    prepared.plan.regions[2].at = QPoint(50, 50);
    prepared.plan.regions[2].enlarged = 2;
    enginelayout::Line line;
    line.box = read;
    line.symbols = {{QStringLiteral("字"), read, true}};
    const QList<enginelayout::Line> back = linesOnPicture({line}, prepared, -1, region);
    QCOMPARE(back[0].box, expected);
    QCOMPARE(back[0].symbols[0].box, expected);
}

// A character read on a photographed page drawn flat lies, brought back, where the photograph
// shows it: the corners of the flat page go back to the page's corners on the photograph.
void TestPipeline::flatPageBoxesComeBackOntoThePhotograph() {
    const QPolygonF seen{QPointF(150, 120), QPointF(850, 140), QPointF(900, 1300),
                         QPointF(100, 1280)};
    const QPolygonF flat{QPointF(0, 0), QPointF(800, 0), QPointF(800, 1160), QPointF(0, 1160)};
    PreparedPicture prepared;
    QVERIFY(QTransform::quadToQuad(seen, flat, prepared.flattening));
    prepared.uprightSize = QSize(1000, 1400);
    prepared.plannedSize = QSize(800, 1160);
    enginelayout::Line line;
    line.box = QRect(790, 1150, 10, 10);
    line.symbols = {{QStringLiteral("字"), QRect(0, 0, 10, 10), true}};
    const QList<enginelayout::Line> back = linesOnPicture({line}, prepared);
    QVERIFY(back[0].symbols[0].box.contains(QPoint(152, 122)));
    QVERIFY(back[0].box.contains(QPoint(898, 1298)));
    QVERIFY(back[0].box.width() < 16 && back[0].box.height() < 16);
}

void TestPipeline::settingsForADirection_data() {
    QTest::addColumn<int>("direction");
    QTest::addColumn<std::optional<int>>("chosen");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("psm");
    QTest::addColumn<bool>("oneBlock");
    const auto h = int(pagelayout::Direction::Horizontal);
    const auto v = int(pagelayout::Direction::Vertical);
    QTest::newRow("horizontal, none chosen") << h << std::optional<int>() << "jpn" << 3 << false;
    QTest::newRow("horizontal, block") << h << std::optional<int>(6) << "jpn" << 6 << false;
    QTest::newRow("horizontal, line") << h << std::optional<int>(7) << "jpn" << 7 << false;
    QTest::newRow("horizontal, sparse") << h << std::optional<int>(11) << "jpn" << 11 << false;
    QTest::newRow("horizontal, vertical block")
        << h << std::optional<int>(5) << "jpn" << 6 << false;
    QTest::newRow("horizontal, none chosen, one block")
        << h << std::optional<int>() << "jpn" << 6 << true;
    QTest::newRow("horizontal, automatic, one block")
        << h << std::optional<int>(3) << "jpn" << 6 << true;
    QTest::newRow("horizontal, line, one block")
        << h << std::optional<int>(7) << "jpn" << 7 << true;
    QTest::newRow("horizontal, sparse, one block")
        << h << std::optional<int>(11) << "jpn" << 11 << true;
    QTest::newRow("vertical, automatic, one block")
        << v << std::optional<int>(3) << "jpn_vert" << 5 << true;
    QTest::newRow("vertical, none chosen") << v << std::optional<int>() << "jpn_vert" << 5 << false;
    QTest::newRow("vertical, automatic") << v << std::optional<int>(3) << "jpn_vert" << 5 << false;
    QTest::newRow("vertical, line") << v << std::optional<int>(7) << "jpn_vert" << 5 << false;
    QTest::newRow("vertical, vertical block")
        << v << std::optional<int>(5) << "jpn_vert" << 5 << false;
}

void TestPipeline::automaticChoiceIsExplained_data() {
    QTest::addColumn<int>("direction");
    QTest::addColumn<QString>("psm");
    QTest::addColumn<bool>("oneBlock");
    QTest::addColumn<QStringList>("notes"); // what the steps noted, in the order they ran
    QTest::addColumn<QString>("explained"); // "" for a fixed setting
    const int h = int(pagelayout::Direction::Horizontal);
    const int v = int(pagelayout::Direction::Vertical);
    QTest::newRow("vertical, turned and straightened")
        << v << "5" << false
        << QStringList{"向きを 270° 直しました", "傾き -0.4° を直しました", "ルビを除きました"}
        << "自動: 縦書きなので、列を右から読む --psm 5 で読みました。向きを 270° 直しました、"
           "傾き -0.4° を直しました、ルビを除きました。";
    QTest::newRow("one block")
        << h << "6" << true << QStringList()
        << "自動: 横書きで、文字が一つのブロックに並んでいるので、行を取り違えない --psm 6 "
           "で読みました。";
    QTest::newRow("a table") << h << "3" << false << QStringList()
                             << "自動: 横書きで、罫線や枠、ほかのブロックがあるので、ページ全体を"
                                "分ける --psm 3 で読みました。";
    QTest::newRow("the mode chosen, turned a quarter")
        << h << "6" << false << QStringList{"向きを 90° 直しました"}
        << "自動: 横書きなので、選んだ --psm 6 で読みました。向きを 90° 直しました。";
    QTest::newRow("a fixed setting, whatever was noted")
        << h << "" << false << QStringList{"向きを 90° 直しました"} << "";
}

void TestPipeline::automaticChoiceIsExplained() {
    QFETCH(int, direction);
    QFETCH(QString, psm);
    QFETCH(bool, oneBlock);
    QFETCH(QStringList, notes);
    QFETCH(QString, explained);
    PreparedPicture prepared;
    prepared.settings.psm = psm;
    prepared.plan.direction = pagelayout::Direction(direction);
    prepared.plan.oneBlock = oneBlock;
    if (!psm.isEmpty())
        prepared.plan.pictures = {QImage(4, 4, QImage::Format_Grayscale8)};
    prepared.choice = choiceExplained(prepared.plan, prepared.settings);
    prepared.notes = notes;
    QCOMPARE(automaticChoiceExplained(prepared), explained);
}

void TestPipeline::settingsForADirection() {
    QFETCH(int, direction);
    QFETCH(std::optional<int>, chosen);
    QFETCH(QString, language);
    QFETCH(int, psm);
    QFETCH(bool, oneBlock);
    const QString chosenItem = chosen ? QString::number(*chosen) : QString();
    const EngineSettings settings = settingsFor(
        pagelayout::Direction(direction), {automaticLanguage(), chosenItem, "pause"}, oneBlock);
    QCOMPARE(settings.lang, language);
    QCOMPARE(settings.psm, QString::number(psm));
    QCOMPARE(settings.option, QStringLiteral("pause"));
}

void TestPipeline::turnedPageIsReadUpright_data() {
    QTest::addColumn<QString>("lang");
    QTest::addColumn<int>("laid");   // quarter turns clockwise the scan gave the page
    QTest::addColumn<int>("lines");  // 0: the whole page; otherwise a cut-out of that many lines
    QTest::addColumn<int>("turned"); // quarter turns prepare() stands it up by
    QTest::newRow("upright") << QStringLiteral("自動") << 0 << 0 << 0;
    QTest::newRow("laid a quarter clockwise") << QStringLiteral("自動") << 1 << 0 << 3;
    QTest::newRow("upside down") << QStringLiteral("自動") << 2 << 0 << 2;
    QTest::newRow("two lines upside down") << QStringLiteral("自動") << 2 << 2 << 0;
    // A fixed language item reads the picture exactly as it came.
    QTest::newRow("jpn, upside down") << QStringLiteral("jpn") << 2 << 0 << 0;
}

// A page laid sideways or upside down is read upright, and what the engine read on it comes back
// onto the page as it came, where the searchable PDF lays its text.
void TestPipeline::turnedPageIsReadUpright() {
    QFETCH(QString, lang);
    QFETCH(int, laid);
    QFETCH(int, lines);
    QFETCH(int, turned);
    if (!QFile::exists(QStringLiteral("/usr/share/tesseract-ocr/5/tessdata/osd.traineddata")) &&
        !QFile::exists(qEnvironmentVariable("TESSDATA_PREFIX") +
                       QStringLiteral("/osd.traineddata")))
        QSKIP("the engine's orientation data (tesseract-ocr-osd) is not installed");
    workspace::PageStyle style;
    // Cut-outs come from a wide page: two long lines, enough characters for the detection.
    style.size = lines > 0 ? QSize(3000, 1748) : QSize(1240, 1748);
    style.margins = QMargins(120, 140, 120, 140);
    style.pixelSize = 40;
    workspace::TextPage page = workspace::textPage(workspace::japaneseProse(), style);
    if (lines > 0)
        page = workspace::cropLines(page, 2, lines, 16);
    // A mark in the top left corner of the text, to see which way up the prepared page stands.
    const QRect mark(page.lineBoxes[0].topLeft() - QPoint(0, 28), QSize(24, 20));
    {
        QPainter painter(&page.image);
        painter.fillRect(mark, Qt::black);
    }
    workspace::ScanStyle scan;
    scan.quarterTurns = laid;
    scan.noiseSigma = 4;
    scan.paper = 240;
    const QImage scanned = workspace::scanned(page.image, scan);
    const QSize size = page.image.size();
    // Where the mark lies on the page as scanned, a quarter turn clockwise taking (x, y) of a
    // w x h page to (h - 1 - y, x).
    QRect laidMark = mark;
    for (int k = 0; k < laid; ++k) {
        const int height = k % 2 == 0 ? size.height() : size.width();
        laidMark = QRect(height - laidMark.bottom() - 1, laidMark.left(), laidMark.height(),
                         laidMark.width());
    }

    const PreparedPicture prepared = prepare(scanned, {lang, QStringLiteral("3"), {}});
    QCOMPARE(prepared.quarterTurns, turned);
    // The turn is the first thing the explanation says was done.
    QCOMPARE(prepared.notes.value(0).startsWith(QStringLiteral("向きを %1° ").arg(90 * turned)),
             turned != 0);
    if (turned == 0) {
        QCOMPARE(prepared.picture.size(), scanned.size());
        return;
    }
    QCOMPARE(prepared.plan.skewDegrees, 0.0);
    // Planned on the page stood upright, not on the ink of the page as it lay.
    QCOMPARE(prepared.plan.direction, pagelayout::Direction::Horizontal);
    QCOMPARE(prepared.picture.size(), size);
    QCOMPARE(prepared.picture.dotsPerMeterY(), scanned.dotsPerMeterX());
    QVERIFY(prepared.picture.convertToFormat(QImage::Format_Grayscale8)
                .copy(mark)
                .pixelColor(12, 10)
                .value() < 100);
    enginelayout::Line line;
    line.box = mark;
    line.symbols = {{QStringLiteral("■"), mark, true}};
    const QList<enginelayout::Line> back = linesOnPicture({line}, prepared);
    QCOMPARE(back[0].box, laidMark);
    QCOMPARE(back[0].symbols[0].box, laidMark);
}

void TestPipeline::automaticReadingsSettings_data() {
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("psm");
    QTest::addColumn<QStringList>("possible"); // "-l L --psm N" each, as a batch checks them
    QTest::newRow("自動") << QStringLiteral("自動") << "3"
                          << QStringList{"-l jpn --psm 3", "-l jpn_vert --psm 5"};
    QTest::newRow("自動 with the vertical block")
        << QStringLiteral("自動") << "5" << QStringList{"-l jpn --psm 6", "-l jpn_vert --psm 5"};
    QTest::newRow("自動 with a line")
        << QStringLiteral("自動") << "7" << QStringList{"-l jpn --psm 7", "-l jpn_vert --psm 5"};
    // Any other item is a language as it stands, for the engine to take or refuse.
    QTest::newRow("自動 and a space")
        << QStringLiteral("自動 ") << "3" << QStringList{"-l 自動  --psm 3"};
    QTest::newRow("jpn") << QStringLiteral("jpn") << "6" << QStringList{"-l jpn --psm 6"};
}

void TestPipeline::automaticReadingsSettings() {
    QFETCH(QString, lang);
    QFETCH(QString, psm);
    QFETCH(QStringList, possible);
    QStringList got;
    for (const EngineSettings& s : possibleSettings({lang, psm, QStringLiteral("pause")})) {
        QCOMPARE(s.option, QStringLiteral("pause"));
        got << QStringLiteral("-l %1 --psm %2").arg(s.lang, s.psm);
    }
    QCOMPARE(got, possible);
}

void TestPipeline::workPictureTellsThePicturesResolution_data() {
    QTest::addColumn<int>("dotsPerMeter"); // what the picture declares
    QTest::addColumn<int>("told");         // what the bitmap's header holds; 0: none
    QTest::newRow("300 dpi scan") << 11811 << 11811;
    // Qt's stand-in without a screen: the batch's pictures that declare nothing carry it, so
    // the window says none for it too.
    QTest::newRow("100 dpi, nothing declared") << 3937 << 0;
    QTest::newRow("101 dpi, the least a scan has") << 3976 << 3976;
    QTest::newRow("1201 dpi, a scan's as well") << 47284 << 47284;
    QTest::newRow("2400 dpi, the most") << 94488 << 94488;
    QTest::newRow("2401 dpi") << 94528 << 0;
    QTest::newRow("99 dpi") << 3898 << 0;
    QTest::newRow("96 dpi, nothing declared") << 3780 << 0;
    QTest::newRow("72 dpi") << 2835 << 0;
}

// The engine is told the picture's resolution only when a scanner could have made it; the
// bitmap file and the picture handed over in memory tell the same.
void TestPipeline::workPictureTellsThePicturesResolution() {
    QFETCH(int, dotsPerMeter);
    QFETCH(int, told);
    QImage picture(40, 30, QImage::Format_Grayscale8);
    picture.fill(200);
    picture.setDotsPerMeterX(dotsPerMeter);
    picture.setDotsPerMeterY(dotsPerMeter);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tmp.bmp"));
    writeWorkPicture(picture, path);
    const QByteArray bytes = readAll(path);
    QVERIFY(bytes.size() > 46);
    QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 38), told);
    QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 42), told);
    // In whole dots per inch, as the loaded engine rounds it.
    const QImage work = workPicture(picture);
    QCOMPARE(int(work.dotsPerMeterY() / 39.37 + 0.5), int(told / 39.37 + 0.5));
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32),
             work.convertToFormat(QImage::Format_RGB32));
}

QTEST_MAIN(TestPipeline)
// The two pages of a spread make one reading: the texts with a page-break line between, saved
// only when both were read.
void TestPipeline::pictureWithoutTextIsReadAsThePlainSetting_data() {
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QString>("psm");
    QTest::addColumn<bool>("asItCame");
    // A4 at 150 dpi, declared, so the analysis sees it at its own scale.
    QImage noise(1240, 1754, QImage::Format_Grayscale8);
    std::mt19937 random(11);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.scanLine(y)[x] = uchar(random() % 256);
    noise.setDotsPerMeterX(5906);
    noise.setDotsPerMeterY(5906);
    QTest::newRow("noise") << noise << "3" << true;
    workspace::PageStyle style;
    style.size = QSize(1240, 1748);
    style.margins = QMargins(120, 140, 120, 140);
    style.pixelSize = 40;
    QTest::newRow("a page of text in one block")
        << workspace::textPage(workspace::japaneseProse(), style).image << "6" << false;
}

// Noise is no text: the automatic reading reads it as it came, as jpn with the mode chosen,
// and says why; a page of text is still read as one block.
void TestPipeline::pictureWithoutTextIsReadAsThePlainSetting() {
    QFETCH(QImage, picture);
    QFETCH(QString, psm);
    QFETCH(bool, asItCame);
    const PreparedPicture prepared = prepare(picture, {automaticLanguage(), "3", {}});
    QCOMPARE(prepared.settings.lang, QStringLiteral("jpn"));
    QCOMPARE(prepared.settings.psm, psm);
    QCOMPARE(prepared.plan.textFound, !asItCame);
    if (!asItCame)
        return;
    QCOMPARE(prepared.quarterTurns, 0);
    QCOMPARE(prepared.picture, picture);
    QCOMPARE(automaticChoiceExplained(prepared),
             QStringLiteral("自動: 文字の並びが見つからないので、一つのブロックとは見なさず "
                            "--psm 3 で読みました。"));
}

// The batch's stop, set from another thread while a loaded engine is within a page, ends the
// read at the engine's next word: the step reports it stopped, with no text, and the stop was
// asked no more after it said yes.
void TestPipeline::aStopEndsALoadedEnginesRead() {
    if (engine::installedProgram().isEmpty())
        QSKIP("the engine's command-line program is not installed");
    const auto call = engine::plainCall({"tesseract", "in.bmp", "out", "-l", "jpn", "--psm", "6"});
    QVERIFY(call);
    workspace::PageStyle style;
    style.size = QSize(1240, 1748);
    style.margins = QMargins(120, 140, 120, 140);
    style.pixelSize = 40;
    const QImage page = workspace::textPage(workspace::japaneseProse(), style).image;

    engine::ResidentEngine resident(engine::ResidentEngine::Threads::One);
    RunningProcesses stop;
    std::atomic<int> asked{0};
    QSemaphore withinThePage;
    QSemaphore stopSet;
    ResidentStep step(resident, *call, page, false, [&] {
        // The first question comes before the read; the second from within the page.
        if (++asked == 2) {
            withinThePage.release();
            stopSet.acquire();
        }
        return stop.stopped();
    });
    EngineOutput output;
    // A read that never asks from within the page lets the test go on as well, to fail below.
    std::thread reader([&] {
        output = step.run();
        withinThePage.release();
    });
    withinThePage.acquire();
    stop.stopAll();
    stopSet.release();
    reader.join();
    QVERIFY(step.stopped());
    QVERIFY(!step.notResident());
    QVERIFY(output.failed);
    QVERIFY(!output.written);
    QCOMPARE(output.reason, readingStopped());
    QCOMPARE(asked.load(), 2);
}

void TestPipeline::pagesOfASpreadMakeOneReading_data() {
    // Each page's box text; "!" before it: it failed; "-": the engine wrote nothing.
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("joined");
    QTest::addColumn<bool>("succeeded");
    QTest::addColumn<QString>("reason");
    QTest::newRow("two pages") << QStringList{"左\r\n", "右\r\n二行目\r\n"}
                               << "左\r\n\f\r\n右\r\n二行目\r\n"
                               << true << "";
    QTest::newRow("an empty first page keeps its break")
        << QStringList{"", "右\r\n"} << "\f\r\n右\r\n"
        << true << "";
    QTest::newRow("the second page failed") << QStringList{"左\r\n", "!止まった"} << "左\r\n\f\r\n"
                                            << false << "止まった";
    QTest::newRow("both failed: the first reason") << QStringList{"!一", "!二"} << "\f\r\n"
                                                   << false << "一";
    QTest::newRow("nothing written for the second page")
        << QStringList{"左\r\n", "-"} << "左\r\n\f\r\n"
        << false << "";
    QTest::newRow("no page") << QStringList{} << "" << false << "";
    // The text regions of one page: line after line, the empty lines at a region's end dropped.
    QTest::newRow("regions") << QStringList{"regions", "見出し\r\n\r\n", "本文\r\n　\r\n"}
                             << "見出し\r\n本文\r\n"
                             << true << "";
    QTest::newRow("an empty region adds nothing")
        << QStringList{"regions", "", "本文\r\n"} << "本文\r\n"
        << true << "";
    QTest::newRow("a failed region") << QStringList{"regions", "一\r\n", "!止まった"} << "一\r\n"
                                     << false << "止まった";
    // The reads of a picture, by the page each was of: regions joined within a page, pages
    // parted by a break; a failure stops the reads after it.
    QTest::newRow("regions of a spread's two pages")
        << QStringList{"pages:0,0,1", "見出し\r\n\r\n", "本文\r\n", "右\r\n"}
        << "見出し\r\n本文\r\n\f\r\n右\r\n"
        << true << "";
    QTest::newRow("a spread's first page failed")
        << QStringList{"pages:0,1", "!止まった"} << "" << false << "止まった";
    QTest::newRow("a failed region stops its page")
        << QStringList{"pages:0,0,0", "一\r\n", "!止まった"} << "一\r\n"
        << false << "止まった";
    QTest::newRow("a picture read whole") << QStringList{"pages:-1", "一\r\n"} << "一\r\n"
                                          << true << "";
}

void TestPipeline::pagesOfASpreadMakeOneReading() {
    QFETCH(QStringList, texts);
    QFETCH(QString, joined);
    QFETCH(bool, succeeded);
    QFETCH(QString, reason);
    const bool regions = texts.value(0) == QLatin1String("regions");
    std::vector<EngineRead> reads;
    if (texts.value(0).startsWith(QLatin1String("pages:")))
        for (const QString& page : texts.value(0).mid(6).split(QLatin1Char(',')))
            reads.push_back({QImage(), {}, page.toInt(), -1});
    if (regions || !reads.empty())
        texts.removeFirst();
    QList<pipeline::Reading> pages;
    for (const QString& text : texts) {
        pipeline::Reading page;
        page.written = text != QLatin1String("-");
        page.failed = text.startsWith(QLatin1Char('!'));
        if (page.failed)
            page.reason = text.mid(1);
        else if (page.written)
            page.engineText = page.boxText = text;
        pages << page;
    }
    const pipeline::Reading reading = !reads.empty() ? pipeline::joinedReads(reads, pages)
                                      : regions      ? pipeline::joinedRegions(pages)
                                                     : pipeline::joinedPages(pages);
    QCOMPARE(reading.boxText, joined);
    QCOMPARE(reading.engineText, joined);
    QCOMPARE(reading.succeeded(), succeeded);
    QCOMPARE(reading.reason, reason);
}

#include "test_pipeline.moc"
