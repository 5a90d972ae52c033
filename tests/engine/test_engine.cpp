#include "batchfilerun.h"
#include "cp932.h"
#include "engineidentity.h"
#include "enginesettings.h"
#include "orientation.h"
#include "pagetexts.h"
#include "plaincall.h"
#include "residentengine.h"
#include "textpicture.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <atomic>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>

using namespace quillpix::engine;
using quillpix::workspace::Writing;

Q_DECLARE_METATYPE(std::optional<int>)

namespace {

// One field per part of the call, so a table row shows the whole reading at a glance.
QString describe(const std::optional<PlainCall>& call) {
    if (!call)
        return QStringLiteral("batch");
    QStringList variables;
    for (const auto& [name, value] : call->variables)
        variables << name + QLatin1Char('=') + value;
    return QStringList{call->image,
                       call->outputBase,
                       call->languages,
                       QString::number(call->psm),
                       QString::number(call->oem),
                       QString::number(call->dpi),
                       variables.join(QLatin1Char(',')),
                       call->tessdataDir,
                       call->userWords,
                       call->userPatterns,
                       call->configs.join(QLatin1Char(','))}
        .join(QLatin1Char('|'));
}

QImage textPicture(const QStringList& lines, const QSize& size, int pixelSize, bool vertical) {
    if (!vertical)
        return quillpix::workspace::textPicture(lines, size, pixelSize,
                                                Qt::AlignLeft | Qt::AlignVCenter, 20);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(Qt::black);
    // One column, characters top to bottom.
    const QString text = lines.join(QString());
    for (int i = 0; i < text.size(); ++i)
        painter.drawText(QRect(size.width() / 2 - pixelSize, 20 + i * (pixelSize + 6),
                               2 * pixelSize, pixelSize + 6),
                         Qt::AlignCenter, text.mid(i, 1));
    return image;
}

QImage picture(const QString& name) {
    if (name == QLatin1String("japanese"))
        return textPicture({QStringLiteral("本日は晴天なり、明日は雨が降るでしょう。")},
                           QSize(1100, 110), 44, false);
    if (name == QLatin1String("english")) {
        // Wide gaps between the words, which only preserve_interword_spaces keeps.
        QImage image(1200, 110, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QFont font(QStringLiteral("Noto Sans CJK JP"));
        font.setPixelSize(40);
        painter.setFont(font);
        int x = 20;
        for (const QString& word : QStringLiteral("Total 12 apples 7 pears").split(u' ')) {
            painter.drawText(x, 70, word);
            x += painter.fontMetrics().horizontalAdvance(word) + 80;
        }
        return image;
    }
    if (name == QLatin1String("vertical"))
        return textPicture({QStringLiteral("縦書きの文章を読み取ります")}, QSize(140, 700), 40,
                           true);
    return textPicture({QStringLiteral("第1章 概要"),
                        QStringLiteral("この文書は、読み取りの速さを確かめるための見本です。"),
                        QStringLiteral("Tesseract reads the text of scanned pages."),
                        QStringLiteral("漢字とかなと English words が混ざった行。"),
                        QStringLiteral("最後の行には数字 2024 年 5 月 1 日 があります。")},
                       QSize(1200, 600), 38, false);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

QString installedEngine() {
    return installedProgram();
}

// The language data folder of the installed engine, where its own configs are.
QString installedData() {
    static const QString folder =
        checkProgram(installedProgram(), QDir::currentPath()).tessdataFolder;
    return folder;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// A batch file as the window writes it: code page 932, CR LF.
QString writeBatch(const QString& folder, const QString& text) {
    const QString path = folder + QStringLiteral("/tess.bat");
    writeFile(path, quillpix::cp932::encode(text));
    return path;
}

timespec modifiedAt(const QString& path) {
    struct stat status {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return status.st_mtim;
}

void setModified(const QString& path, timespec when) {
    const timespec times[2] = {when, when};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

timespec secondLater(timespec when) {
    ++when.tv_sec;
    return when;
}

// The file's bytes all turned to 0xff in place: the same file, size and modification time,
// but no language data any more.
void spoilInPlace(const QString& path) {
    const timespec was = modifiedAt(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return;
    file.write(QByteArray(file.size(), char(0xff)));
    file.close();
    setModified(path, was);
}

// Language data with a settings part added in front of its other parts.
QByteArray withSettings(const QByteArray& data, const QByteArray& settings) {
    const quint32 parts = qFromLittleEndian<quint32>(data.constData());
    const qsizetype table = 4 + 8 * qsizetype(parts);
    QByteArray out = data.left(table);
    for (quint32 part = 0; part < parts; ++part) {
        qint64 offset = qFromLittleEndian<qint64>(data.constData() + 4 + 8 * part);
        offset = part == 0 ? table : offset < 0 ? offset : offset + settings.size();
        qToLittleEndian(offset, out.data() + 4 + 8 * part);
    }
    return out + settings + data.mid(table);
}

// Language data of no model, parts all missing but the settings.
QByteArray settingsOnly(const QByteArray& settings) {
    QByteArray empty(4 + 24 * 8, char(0xff));
    qToLittleEndian<quint32>(24, empty.data());
    return withSettings(empty, settings);
}

// The text the installed engine's command line writes for these arguments, run in folder.
QByteArray commandLine(const QString& folder, const QStringList& arguments) {
    QProcess cli;
    cli.setWorkingDirectory(folder);
    cli.setStandardErrorFile(QProcess::nullDevice());
    cli.start(installedEngine(),
              QStringList{QStringLiteral("in.bmp"), QStringLiteral("cli")} + arguments);
    if (!cli.waitForFinished(120000))
        return "<command line did not end>";
    return contents(folder + QStringLiteral("/cli.txt"));
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsPlainCalls_data();
    void readsPlainCalls();
    void batchAndResidentGiveTheEngineTheSameWords_data();
    void batchAndResidentGiveTheEngineTheSameWords();
    void residentOutputEqualsCommandLine_data();
    void residentOutputEqualsCommandLine();
    void processWideSettingDoesNotReachTheNextRun();
    void refusesBeforeLoading_data();
    void refusesBeforeLoading();
    void languageDataSettings_data();
    void languageDataSettings();
    void keepsTheMostRecentlyUsedEngines();
    void replacedFilesReachTheNextRun_data();
    void replacedFilesReachTheNextRun();
    void remembersWhatCannotRunResident();
    void identifiesTheProgramWhileHandlingEvents_data();
    void identifiesTheProgramWhileHandlingEvents();
    void onlyTheInstalledEngineRunsResident_data();
    void onlyTheInstalledEngineRunsResident();
    void aStopEndsTheRead_data();
    void aStopEndsTheRead();
    void readsTheEnginesOtherChoices_data();
    void readsTheEnginesOtherChoices();
    void threadsForOneCrop_data();
    void threadsForOneCrop();
    void rowOffset_data();
    void rowOffset();
    void findsWhichWayUp_data();
    void findsWhichWayUp();
    void findsWhichWayUpOnSeveralThreads();

private:
    ResidentEngine m_engine; // shared by the rows, as the window shares it between runs
};

void TestEngine::readsPlainCalls_data() {
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("reading");
    const QString batch = QStringLiteral("batch");
    // As the batch file runner reads the line: its quotes, carets and variables.
    QTest::newRow("single quotes are characters")
        << "tesseract a.bmp out -c tessedit_char_whitelist='0123456789'"
        << "a.bmp|out|eng|3|3|0|tessedit_char_whitelist='0123456789'||||";
    QTest::newRow("caret escapes the next character")
        << "tesseract a.bmp out -c tessedit_char_whitelist=a^b^^c"
        << "a.bmp|out|eng|3|3|0|tessedit_char_whitelist=ab^c||||";
    QTest::newRow("backslash stays") << "tesseract a\b.bmp out -c tessedit_char_whitelist=a\b"
                                     << "a\b.bmp|out|eng|3|3|0|tessedit_char_whitelist=a\b||||";
    QTest::newRow("variable expands")
        << "tesseract %~dp0a.bmp out --tessdata-dir %HOME%/td --user-words %NOPE%uw"
        << "/w/bin/a.bmp|out|eng|3|3|0||/home/u/td|uw||";
    QTest::newRow("lone percent at the end dropped, doubled one kept")
        << "tesseract a.bmp out -c tessedit_char_whitelist=100%%.%"
        << "a.bmp|out|eng|3|3|0|tessedit_char_whitelist=100%.||||";
    QTest::newRow("variable holding spaces gives several words") << "tesseract a.bmp %TWO%"
                                                                 << "a.bmp|out|eng|3|3|0|||||txt";
    QTest::newRow("quoted program word") << "\"tesseract\" a.bmp out"
                                         << "a.bmp|out|eng|3|3|0|||||";
    QTest::newRow("comments, labels and echo-off around the call")
        << "rem made by hand\r\n:start\r\n@tesseract a.bmp out\r\n\r\n"
        << "a.bmp|out|eng|3|3|0|||||";
    QTest::newRow("final ampersand runs one command") << "tesseract a.bmp out &"
                                                      << "a.bmp|out|eng|3|3|0|||||";
    QTest::newRow("pipe") << "tesseract a.bmp out | more" << batch;
    QTest::newRow("error redirected") << "tesseract a.bmp out 2>nul" << batch;
    QTest::newRow("syntax error on another line") << "tesseract a.bmp out\r\nx |" << batch;
    QTest::newRow("only comments") << "rem tesseract a.bmp out" << batch;
    QTest::newRow("program in capitals") << "TESSERACT a.bmp out" << batch;
    QTest::newRow("empty word") << "tesseract a.bmp out \"\"" << batch;
    QTest::newRow("process-wide variable") << "tesseract a.bmp out -c textord_heavy_nr=1" << batch;
    QTest::newRow("another process-wide variable")
        << "tesseract a.bmp out -c textord_min_linesize=2.5" << batch;
    QTest::newRow("the window's own command")
        << "tesseract /w/bin/tmp.bmp /w/bin/tmp -l jpn --psm 6 \r\n"
        << "/w/bin/tmp.bmp|/w/bin/tmp|jpn|6|3|0|||||";
    QTest::newRow("option list entry")
        << "tesseract a.bmp tmp -l jpn+eng --psm 7 -c preserve_interword_spaces=1"
        << "a.bmp|tmp|jpn+eng|7|3|0|preserve_interword_spaces=1||||";
    QTest::newRow("options first, configs last, later -l wins")
        << "\ttesseract --oem 1 -l eng a.bmp out -l jpn_vert --dpi 300 txt quiet"
        << "a.bmp|out|jpn_vert|3|1|300|||||txt,quiet";
    QTest::newRow("quoted folder with spaces")
        << "tesseract \"/my w/tmp.bmp\" \"/my w/tmp\" --tessdata-dir \"/d d\" --user-words uw "
           "--user-patterns up"
        << "/my w/tmp.bmp|/my w/tmp|eng|3|3|0||/d d|uw|up|";
    QTest::newRow("another program") << "tess a.bmp out" << batch;
    QTest::newRow("pause line") << "tesseract a.bmp out\r\npause\r\n" << batch;
    QTest::newRow("two commands") << "tesseract a.bmp out\r\ntesseract b.bmp out\r\n" << batch;
    QTest::newRow("redirection") << "tesseract a.bmp out > log" << batch;
    QTest::newRow("ampersand") << "tesseract a.bmp out & del a.bmp" << batch;
    QTest::newRow("argument variable is empty") << "tesseract %1 out" << batch;
    QTest::newRow("shell quotes group nothing") << "tesseract 'a b.bmp' out"
                                                << "'a|b.bmp'|eng|3|3|0|||||out";
    QTest::newRow("open quote") << "tesseract \"a b.bmp out" << batch;
    QTest::newRow("no output base") << "tesseract a.bmp" << batch;
    QTest::newRow("option as output base") << "tesseract a.bmp -l jpn" << batch;
    QTest::newRow("standard input") << "tesseract stdin out" << batch;
    QTest::newRow("standard output") << "tesseract a.bmp stdout" << batch;
    QTest::newRow("option without value") << "tesseract a.bmp out -l" << batch;
    QTest::newRow("option after config") << "tesseract a.bmp out txt -l jpn" << batch;
    QTest::newRow("config with a folder") << "tesseract a.bmp out my/conf" << batch;
    QTest::newRow("unknown option") << "tesseract a.bmp out --loglevel OFF" << batch;
    QTest::newRow("psm 0 osd only") << "tesseract a.bmp out --psm 0" << batch;
    QTest::newRow("psm 2 no ocr") << "tesseract a.bmp out --psm 2" << batch;
    QTest::newRow("psm 14") << "tesseract a.bmp out --psm 14" << batch;
    QTest::newRow("psm by name") << "tesseract a.bmp out --psm single_line" << batch;
    QTest::newRow("oem 4") << "tesseract a.bmp out --oem 4" << batch;
    QTest::newRow("variable without =") << "tesseract a.bmp out -c novalue" << batch;
    QTest::newRow("another output format")
        << "tesseract a.bmp out -c tessedit_create_hocr=1" << batch;
    QTest::newRow("file variable") << "tesseract a.bmp out -c debug_file=log" << batch;
}

void TestEngine::readsPlainCalls() {
    QFETCH(QString, batch);
    QFETCH(QString, reading);
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/home/u"));
    environment.insert(QStringLiteral("TWO"), QStringLiteral("out txt"));
    QCOMPARE(describe(plainCallOfBatch(batch, environment, QStringLiteral("/w/bin/tess.bat"))),
             reading);
}

void TestEngine::batchAndResidentGiveTheEngineTheSameWords_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("words"); // what the engine gets for the option
    QTest::addColumn<bool>("resident");
    const QString c = QStringLiteral("-c");
    QTest::newRow("single quotes")
        << "-c tessedit_char_whitelist='0123456789'"
        << QStringList{c, "tessedit_char_whitelist='0123456789'"} << true;
    QTest::newRow("caret") << "-c tessedit_char_whitelist=a^b"
                           << QStringList{c, "tessedit_char_whitelist=ab"} << true;
    QTest::newRow("caret before quotes") << "-c tessedit_char_whitelist=^\"x^\""
                                         << QStringList{c, "tessedit_char_whitelist=\"x\""} << true;
    QTest::newRow("backslash") << "-c tessedit_char_whitelist=a\\b"
                               << QStringList{c, "tessedit_char_whitelist=a\\b"} << true;
    QTest::newRow("percent at the end")
        << "-c tessedit_char_whitelist=0123456789.%"
        << QStringList{c, "tessedit_char_whitelist=0123456789."} << true;
    QTest::newRow("doubled percent") << "-c tessedit_char_whitelist=100%%"
                                     << QStringList{c, "tessedit_char_whitelist=100%"} << true;
    QTest::newRow("environment variable")
        << "--tessdata-dir %QUILLPIX_TD%/td" << QStringList{"--tessdata-dir", "/opt/q/td"} << true;
    // Expanded before the line is cut into words, as the interpreter does.
    QTest::newRow("environment variable with a space")
        << "--tessdata-dir %QUILLPIX_SPACED%/td" << QStringList{"--tessdata-dir", "/opt/q", "r/td"}
        << false;
    QTest::newRow("environment variable in quotes")
        << "--tessdata-dir \"%QUILLPIX_SPACED%/td\"" << QStringList{"--tessdata-dir", "/opt/q r/td"}
        << true;
    QTest::newRow("quoted value with a space")
        << "-c \"tessedit_char_whitelist=a b\"" << QStringList{c, "tessedit_char_whitelist=a b"}
        << true;
    QTest::newRow("shell characters")
        << "-c tessedit_char_whitelist=()$;*?`~{}!#"
        << QStringList{c, "tessedit_char_whitelist=()$;*?`~{}!#"} << true;
    QTest::newRow("preserve spaces") << "-c preserve_interword_spaces=1"
                                     << QStringList{c, "preserve_interword_spaces=1"} << true;
    QTest::newRow("process-wide variable")
        << "-c textord_heavy_nr=1" << QStringList{c, "textord_heavy_nr=1"} << false;
    QTest::newRow("pause on the next line") << "\r\npause" << QStringList{} << false;
}

void TestEngine::batchAndResidentGiveTheEngineTheSameWords() {
    QFETCH(QString, option);
    QFETCH(QStringList, words);
    QFETCH(bool, resident);
    QTemporaryDir dir;
    // The stand-in keeps its words, each ended by a NUL, so any character survives.
    const QString tools = dir.filePath(QStringLiteral("tools"));
    QVERIFY(writeFile(tools + QStringLiteral("/tesseract"),
                      "#!/bin/sh\nfor w in \"$@\"; do printf '%s\\0' \"$w\"; done > words\n"));
    QVERIFY(QFile::setPermissions(tools + QStringLiteral("/tesseract"),
                                  QFile::ReadOwner | QFile::ExeOwner));
    const QString text = QStringLiteral("tesseract in.bmp out -l eng --psm 7 ") + option;
    const QString batch = writeBatch(dir.path(), text);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(tools) + ':' + path);
    qputenv("QUILLPIX_TD", "/opt/q");
    qputenv("QUILLPIX_SPACED", "/opt/q r");
    const bool ran =
        quillpix::batchfile::runBatchFile(batch, quillpix::batchfile::Console::None).read;
    const auto reading = plainCallOfBatch(text, QProcessEnvironment::systemEnvironment(), batch);
    qputenv("PATH", path);
    qunsetenv("QUILLPIX_TD");
    qunsetenv("QUILLPIX_SPACED");
    QVERIFY(ran);

    QStringList received;
    for (const QByteArray& word : contents(dir.filePath(QStringLiteral("words"))).split('\0'))
        received << QString::fromUtf8(word);
    received.removeLast(); // after the last NUL
    QCOMPARE(received.mid(0, 6), (QStringList{"in.bmp", "out", "-l", "eng", "--psm", "7"}));
    QCOMPARE(received.mid(6), words);
    QCOMPARE(reading.has_value(), resident);
    // The call the engine makes of what the batch gave it is the resident reading.
    QCOMPARE(describe(reading),
             resident ? describe(plainCall(QStringList{QStringLiteral("tesseract")} + received))
                      : QStringLiteral("batch"));
}

void TestEngine::residentOutputEqualsCommandLine_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("options");
    QTest::addColumn<int>("outcome");
    const int written = int(Outcome::Written);
    QTest::newRow("japanese jpn 7") << "japanese"
                                    << "-l jpn --psm 7" << written;
    QTest::newRow("japanese jpn+eng 6") << "japanese"
                                        << "-l jpn+eng --psm 6" << written;
    QTest::newRow("english eng 7 spaces")
        << "english"
        << "-l eng --psm 7 -c preserve_interword_spaces=1" << written;
    QTest::newRow("english eng 6 dpi txt") << "english"
                                           << "-l eng --psm 6 --dpi 300 txt" << written;
    QTest::newRow("english digits txt") << "english"
                                        << "-l eng --psm 7 digits txt" << written;
    QTest::newRow("vertical jpn_vert 5") << "vertical"
                                         << "-l jpn_vert --psm 5" << written;
    QTest::newRow("block jpn 3") << "block"
                                 << "-l jpn --psm 3" << written;
    QTest::newRow("block in 8-bit grey, jpn 3") << "grey block"
                                                << "-l jpn --psm 3" << written;
    QTest::newRow("block jpn+eng 6 spaces")
        << "block"
        << "-l jpn+eng --psm 6 -c preserve_interword_spaces=1" << written;
    QTest::newRow("language not installed") << "japanese"
                                            << "-l qqq --psm 7" << int(Outcome::Failed);
    QTest::newRow("unreadable picture") << "broken"
                                        << "-l eng --psm 7" << int(Outcome::Failed);
    QTest::newRow("config for another format")
        << "english"
        << "-l eng --psm 7 hocr" << int(Outcome::NotResident);
    // Its debug_file is one for the whole process.
    QTest::newRow("quiet config") << "english"
                                  << "-l eng --psm 7 quiet" << int(Outcome::NotResident);
    QTest::newRow("config for another format after a plain one")
        << "english"
        << "-l eng --psm 7 txt tsv" << int(Outcome::NotResident);
}

void TestEngine::residentOutputEqualsCommandLine() {
    QFETCH(QString, picture);
    QFETCH(QString, options);
    QFETCH(int, outcome);
    const QString engine = installedEngine();
    if (engine.isEmpty())
        QSKIP("the engine's command-line program is not installed");
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("in.bmp"));
    if (picture == QLatin1String("broken")) {
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("BM not really a picture");
    } else if (picture == QLatin1String("grey block")) {
        QVERIFY(::picture(QStringLiteral("block"))
                    .convertToFormat(QImage::Format_Grayscale8)
                    .save(image));
    } else {
        QVERIFY(::picture(picture).save(image));
    }
    const QStringList extra = options.split(QLatin1Char(' '));

    QProcess cli;
    cli.setWorkingDirectory(dir.path());
    cli.start(engine, QStringList{QStringLiteral("in.bmp"), QStringLiteral("cli")} + extra);
    QVERIFY(cli.waitForFinished(120000));

    // Twice, so the second run shows that nothing of the first one stays behind; the second
    // with a stop that never comes, as the window reads, so the page is read with a monitor.
    for (const QString& base : {QStringLiteral("resident"), QStringLiteral("again")}) {
        const auto call = plainCall(
            QStringList{QStringLiteral("tesseract"), QStringLiteral("in.bmp"), base} + extra);
        QVERIFY(call);
        const StopRequested never = [] { return false; };
        QCOMPARE(int(m_engine.runAndWait(*call, dir.path(),
                                         base == QLatin1String("again") ? never : nullptr)),
                 outcome);
        if (outcome == int(Outcome::NotResident)) {
            QVERIFY(!QFile::exists(dir.filePath(base + QStringLiteral(".txt"))));
            return;
        }
        QCOMPARE(contents(dir.filePath(base + QStringLiteral(".txt"))),
                 contents(dir.filePath(QStringLiteral("cli.txt"))));
    }
    // The same pixels handed over in memory, as the picture file reads, give the same text, and
    // with the lines asked for, lines that hold it.
    const auto call = plainCall(
        QStringList{QStringLiteral("tesseract"), QStringLiteral("in.bmp"), "mem"} + extra);
    const PictureText read =
        m_engine.startReading(resolvedAgainst(*call, dir.path()), QImage(image), true).result();
    QCOMPARE(int(read.outcome), outcome);
    if (outcome == int(Outcome::Written)) {
        QCOMPARE(read.utf8, contents(dir.filePath(QStringLiteral("cli.txt"))));
        QVERIFY(read.lines.isEmpty() == read.utf8.trimmed().isEmpty());
    }
    // Only the output files: no partial file is left beside them.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(),
             QFile::exists(dir.filePath(QStringLiteral("cli.txt"))) ? 4 : 1);
    if (outcome == int(Outcome::Written))
        QVERIFY(!contents(dir.filePath(QStringLiteral("cli.txt"))).trimmed().isEmpty());
}

void TestEngine::processWideSettingDoesNotReachTheNextRun() {
    if (installedEngine().isEmpty())
        QSKIP("the engine's command-line program is not installed");
    QTemporaryDir dir;
    QVERIFY(picture(QStringLiteral("japanese")).save(dir.filePath(QStringLiteral("in.bmp"))));
    const QString common = QStringLiteral("tesseract in.bmp %1 -l jpn --psm 7 ");
    // As the window runs its batches: resident where it can, else the batch file.
    ResidentEngine window;
    QList<Outcome> outcomes;
    for (const QString& text :
         {common.arg(QStringLiteral("heavy")) + QStringLiteral("-c textord_heavy_nr=1"),
          common.arg(QStringLiteral("plain"))}) {
        const QString batch = writeBatch(dir.path(), text);
        outcomes << window.runBatchText(text, dir.path());
        if (outcomes.last() == Outcome::NotResident)
            QVERIFY(
                quillpix::batchfile::runBatchFile(batch, quillpix::batchfile::Console::None).read);
    }
    const QByteArray heavy =
        commandLine(dir.path(), {"-l", "jpn", "--psm", "7", "-c", "textord_heavy_nr=1"});
    const QByteArray plain = commandLine(dir.path(), {"-l", "jpn", "--psm", "7"});
    // The setting shows on this picture, so a leak would show too.
    QVERIFY(heavy != plain);
    QCOMPARE(contents(dir.filePath(QStringLiteral("heavy.txt"))), heavy);
    QCOMPARE(contents(dir.filePath(QStringLiteral("plain.txt"))), plain);
    // The setting went to the command line, where it ended with the process.
    QCOMPARE(outcomes, (QList<Outcome>{Outcome::NotResident, Outcome::Written}));
}

void TestEngine::refusesBeforeLoading_data() {
    QTest::addColumn<QString>("config");        // its name; "" for none
    QTest::addColumn<QByteArray>("configText"); // written as the data folder's config
    QTest::addColumn<QByteArray>("languageSettings");
    QTest::addColumn<bool>("refused");
    const QByteArray none;
    QTest::newRow("engine's own variable")
        << "mine" << QByteArray("tessedit_char_whitelist 09\n") << none << false;
    QTest::newRow("process-wide variable")
        << "mine" << QByteArray("textord_heavy_nr 1\n") << none << true;
    QTest::newRow("process-wide after comments and CR LF")
        << "mine"
        << QByteArray("# made by hand\r\n\r\ntessedit_create_txt 1\r\ntextord_min_linesize 2\r\n")
        << none << true;
    QTest::newRow("process-wide after blanks")
        << "mine" << QByteArray("\t debug_file /dev/null") << none << true;
    QTest::newRow("commented out")
        << "mine" << QByteArray("# textord_heavy_nr 1\n") << none << false;
    QTest::newRow("another output")
        << "mine" << QByteArray("tessedit_create_hocr 1\n") << none << true;
    QTest::newRow("config not in the data folder") << "elsewhere" << QByteArray() << none << true;
    QTest::newRow("language data sets a process-wide variable")
        << "" << QByteArray() << QByteArray("textord_heavy_nr 1\n") << true;
    QTest::newRow("language data sets its own variable")
        << "" << QByteArray() << QByteArray("preserve_interword_spaces 1") << false;
    QTest::newRow("language data without settings") << "" << QByteArray() << QByteArray() << false;
}

void TestEngine::refusesBeforeLoading() {
    QFETCH(QString, config);
    QFETCH(QByteArray, configText);
    QFETCH(QByteArray, languageSettings);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("td"));
    QVERIFY(writeFile(data + QStringLiteral("/xx.traineddata"), settingsOnly(languageSettings)));
    QCOMPARE(languageDataConfig(data + QStringLiteral("/xx.traineddata")),
             std::optional<QString>(QString::fromUtf8(languageSettings)));
    if (!configText.isNull())
        QVERIFY(writeFile(data + QStringLiteral("/configs/mine"), configText));
    PlainCall call;
    call.languages = QStringLiteral("eng+xx");
    if (!config.isEmpty())
        call.configs << config;
    QCOMPARE(!residentRefusal(call, data).isEmpty(), refused);
}

void TestEngine::languageDataSettings_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<int>("outcome");
    QTest::newRow("the engine's own")
        << QByteArray("preserve_interword_spaces 1\n") << int(Outcome::Written);
    QTest::newRow("process-wide") << QByteArray("textord_heavy_nr 1\n")
                                  << int(Outcome::NotResident);
}

void TestEngine::languageDataSettings() {
    QFETCH(QByteArray, settings);
    QFETCH(int, outcome);
    if (installedEngine().isEmpty())
        QSKIP("the engine's command-line program is not installed");
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("td"));
    const QByteArray eng = contents(installedData() + QStringLiteral("/eng.traineddata"));
    QVERIFY(qFromLittleEndian<qint64>(eng.constData() + 4) < 0); // no settings of its own
    QVERIFY(writeFile(data + QStringLiteral("/xx.traineddata"), withSettings(eng, settings)));
    QVERIFY(picture(QStringLiteral("english")).save(dir.filePath(QStringLiteral("in.bmp"))));
    const QStringList options{"-l", "xx", "--psm", "7", "--tessdata-dir", data};
    const auto call = plainCall(QStringList{"tesseract", "in.bmp", "resident"} + options);
    QVERIFY(call);
    QCOMPARE(int(m_engine.runAndWait(*call, dir.path())), outcome);
    if (outcome == int(Outcome::Written))
        QCOMPARE(contents(dir.filePath(QStringLiteral("resident.txt"))),
                 commandLine(dir.path(), options));
}

void TestEngine::keepsTheMostRecentlyUsedEngines() {
    if (installedEngine().isEmpty())
        QSKIP("the engine's command-line program is not installed");
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("td"));
    QVERIFY(QDir().mkpath(data));
    QVERIFY(QFile::copy(installedData() + QStringLiteral("/eng.traineddata"),
                        data + QStringLiteral("/eng.traineddata")));
    QVERIFY(picture(QStringLiteral("english")).save(dir.filePath(QStringLiteral("in.bmp"))));
    ResidentEngine engine;
    // Calls that differ in one value need engines of their own.
    const auto run = [&](int k) {
        const auto call = plainCall({"tesseract", "in.bmp", QStringLiteral("out%1").arg(k), "-l",
                                     "eng", "--psm", "7", "--tessdata-dir", data, "-c",
                                     QStringLiteral("tessedit_char_blacklist=%1").arg(k)});
        return call ? engine.runAndWait(*call, dir.path()) : Outcome::NotResident;
    };
    const int n = ResidentEngine::kLoadedEngines;
    for (int k = 0; k < n; ++k)
        QCOMPARE(run(k), Outcome::Written);
    // The first is used again, so the second is now the one used least recently and goes.
    QCOMPARE(run(0), Outcome::Written);
    QCOMPARE(run(n), Outcome::Written);

    // A kept engine does not read its data again; one that has to load finds none.
    spoilInPlace(data + QStringLiteral("/eng.traineddata"));
    for (int k : {0, n})
        QCOMPARE(run(k), Outcome::Written);
    for (int k = 2; k < n; ++k)
        QCOMPARE(run(k), Outcome::Written);
    QCOMPARE(run(1), Outcome::Failed);
}

void TestEngine::replacedFilesReachTheNextRun_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QByteArray>("before"); // the config
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("config written again, same size")
        << "in place" << QByteArray("tessedit_char_whitelist 0123456789")
        << QByteArray("tessedit_char_whitelist ABCDEFGHIJ");
    QTest::newRow("config written again with its old time, another size")
        << "in place, old time" << QByteArray("tessedit_char_whitelist 0123456789")
        << QByteArray("tessedit_char_whitelist ABCDEFGHIJKLMN");
    QTest::newRow("config replaced by a file of the same size and time")
        << "renamed" << QByteArray("tessedit_char_whitelist 0123456789")
        << QByteArray("tessedit_char_whitelist ABCDEFGHIJ");
    QTest::newRow("language data replaced")
        << "language" << QByteArray("tessedit_create_txt 1") << QByteArray("tessedit_create_txt 1");
}

void TestEngine::replacedFilesReachTheNextRun() {
    QFETCH(QString, how);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    if (installedEngine().isEmpty())
        QSKIP("the engine's command-line program is not installed");
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("td"));
    const QString config = data + QStringLiteral("/configs/mine");
    const QString language = data + QStringLiteral("/eng.traineddata");
    QVERIFY(writeFile(config, before));
    QVERIFY(QFile::copy(installedData() + QStringLiteral("/eng.traineddata"), language));
    QVERIFY(picture(QStringLiteral("english")).save(dir.filePath(QStringLiteral("in.bmp"))));
    const QStringList options{"-l", "eng", "--psm", "7", "--tessdata-dir", data, "mine"};
    ResidentEngine engine;
    const auto call = plainCall(QStringList{"tesseract", "in.bmp", "resident"} + options);
    QVERIFY(call);

    QCOMPARE(engine.runAndWait(*call, dir.path()), Outcome::Written);
    const QByteArray first = commandLine(dir.path(), options);
    QCOMPARE(contents(dir.filePath(QStringLiteral("resident.txt"))), first);

    const timespec was = modifiedAt(config);
    if (how.startsWith(QLatin1String("in place"))) {
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly)); // the same file, truncated
        file.write(after);
        file.close();
        setModified(config, how == QLatin1String("in place") ? secondLater(was) : was);
    } else if (how == QLatin1String("renamed")) {
        QVERIFY(writeFile(config + QStringLiteral(".new"), after));
        setModified(config + QStringLiteral(".new"), was);
        QVERIFY(::rename(QFile::encodeName(config + QStringLiteral(".new")).constData(),
                         QFile::encodeName(config).constData()) == 0);
    } else {
        QVERIFY(QFile::copy(installedData() + QStringLiteral("/jpn.traineddata"),
                            language + QStringLiteral(".new")));
        QVERIFY(::rename(QFile::encodeName(language + QStringLiteral(".new")).constData(),
                         QFile::encodeName(language).constData()) == 0);
    }
    QCOMPARE(engine.runAndWait(*call, dir.path()), Outcome::Written);
    const QByteArray second = commandLine(dir.path(), options);
    QVERIFY(second != first);
    QCOMPARE(contents(dir.filePath(QStringLiteral("resident.txt"))), second);
}

void TestEngine::remembersWhatCannotRunResident() {
    if (installedEngine().isEmpty())
        QSKIP("the engine's command-line program is not installed");
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("td"));
    QVERIFY(writeFile(data + QStringLiteral("/xx.traineddata"), QByteArray(4096, char(0xff))));
    QVERIFY(QFile::copy(installedData() + QStringLiteral("/eng.traineddata"),
                        data + QStringLiteral("/eng.traineddata")));
    QVERIFY(writeFile(data + QStringLiteral("/configs/hocr"),
                      contents(installedData() + QStringLiteral("/configs/hocr"))));
    QVERIFY(picture(QStringLiteral("english")).save(dir.filePath(QStringLiteral("in.bmp"))));
    ResidentEngine engine;
    const auto run = [&](const QString& language, const QString& config) {
        QStringList words{"tesseract", "in.bmp", "out", "-l", language, "--tessdata-dir", data};
        if (!config.isEmpty())
            words << config;
        const auto call = plainCall(words);
        return call ? engine.runAndWait(*call, dir.path()) : Outcome::Failed;
    };
    // Decided from the config alone: loading this language data would fail.
    QCOMPARE(run(QStringLiteral("xx"), QStringLiteral("hocr")), Outcome::NotResident);
    QCOMPARE(run(QStringLiteral("xx"), QString()), Outcome::Failed);

    // The verdict holds for the config file as it was: the same file, size and time.
    const QString mine = data + QStringLiteral("/configs/mine");
    QVERIFY(writeFile(mine, "tessedit_create_hocr 1\n"));
    const timespec was = modifiedAt(mine);
    QCOMPARE(run(QStringLiteral("eng"), QStringLiteral("mine")), Outcome::NotResident);
    {
        QFile file(mine);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("tessedit_create_txt  1\n");
    }
    setModified(mine, was);
    QCOMPARE(run(QStringLiteral("eng"), QStringLiteral("mine")), Outcome::NotResident);
    setModified(mine, secondLater(was));
    QCOMPARE(run(QStringLiteral("eng"), QStringLiteral("mine")), Outcome::Written);
}

void TestEngine::identifiesTheProgramWhileHandlingEvents_data() {
    QTest::addColumn<bool>("batchText");
    QTest::addColumn<bool>("standIn"); // another "tesseract" first on PATH
    QTest::newRow("asked directly") << false << false;
    QTest::newRow("a window's run") << true << false;
    QTest::newRow("a window's run, another program first on PATH") << true << true;
}

void TestEngine::identifiesTheProgramWhileHandlingEvents() {
    QFETCH(bool, batchText);
    QFETCH(bool, standIn);
    if (installedEngine().isEmpty())
        QSKIP("the engine's command-line program is not installed");
    QTemporaryDir dir;
    const QByteArray path = qgetenv("PATH");
    if (standIn) {
        QVERIFY(writeFile(dir.filePath(QStringLiteral("tools/tesseract")), "#!/bin/sh\n"));
        QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("tools/tesseract")),
                                      QFile::ReadOwner | QFile::ExeOwner));
        qputenv("PATH", QFile::encodeName(dir.filePath(QStringLiteral("tools"))) + ':' + path);
    }
    ResidentEngine engine; // nothing remembered yet: the program is started
    bool inside = false;
    bool firedInside = false;
    QTimer::singleShot(0, this, [&] { firedInside = inside; });
    inside = true;
    if (batchText) {
        // Identified, then refused for its config: no model is loaded.
        QCOMPARE(engine.runBatchText(QStringLiteral("tesseract in.bmp out -l eng no_such_config"),
                                     dir.path()),
                 Outcome::NotResident);
    } else {
        QVERIFY(engine.identifyPathProgram(dir.path()).same);
    }
    inside = false;
    qputenv("PATH", path);
    QVERIFY(firedInside);
}

void TestEngine::onlyTheInstalledEngineRunsResident_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("options");
    QTest::addColumn<bool>("resident");
    const QString plain = QStringLiteral("-l eng --psm 7 ");
    QTest::newRow("installed program") << "installed" << plain << true;
    QTest::newRow("link to it") << "link" << plain << true;
    QTest::newRow("stand-in script") << "script" << plain << false;
    QTest::newRow("copy of the program") << "copy" << plain << false;
    QTest::newRow("resident runs switched off") << "switched off" << plain << false;
    QTest::newRow("installed program, pause after it")
        << "installed" << QStringLiteral("-l eng --psm 7 \r\npause") << false;
    QTest::newRow("installed program, another output format")
        << "installed" << QStringLiteral("-l eng --psm 7 hocr") << false;
}

// What runs resident, and what getting ready for a run loads beforehand: the engine the run
// then uses, and nothing where the run goes to the batch.
void TestEngine::onlyTheInstalledEngineRunsResident() {
    QFETCH(QString, first);
    QFETCH(QString, options);
    QFETCH(bool, resident);
    const QString engine = installedEngine();
    if (engine.isEmpty())
        QSKIP("the engine's command-line program is not installed");
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("first"));
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/tesseract");
    if (first == QLatin1String("link")) {
        QVERIFY(QFile::link(engine, program));
    } else if (first == QLatin1String("copy")) {
        QVERIFY(QFile::copy(engine, program));
    } else if (first == QLatin1String("script")) {
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n"
                     "[ \"$1\" = --version ] && exec " +
                     engine.toUtf8() +
                     " \"$@\"\n"
                     "printf 'stand-in\\n' > \"$2.txt\"\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", folder.toUtf8() + ':' + QFileInfo(engine).path().toUtf8() + ':' + oldPath);
    if (first == QLatin1String("switched off"))
        qputenv("QUILLPIX_ENGINE", "batch");
    QVERIFY(textPicture({QStringLiteral("Resident")}, QSize(400, 100), 40, false)
                .save(dir.filePath(QStringLiteral("in.bmp"))));

    ResidentEngine engineHere;
    const QString batch =
        QStringLiteral("tesseract in.bmp out ") + options + QStringLiteral("\r\n");
    engineHere.prepare(batch, dir.path());
    const int prepared = engineHere.loadedEngines();
    const bool writtenBefore = QFile::exists(dir.filePath(QStringLiteral("out.txt")));
    const Outcome outcome = engineHere.runBatchText(batch, dir.path());
    const int afterTheRun = engineHere.loadedEngines();
    const bool identified = engineHere.identifyPathProgram(dir.path()).same;
    qputenv("PATH", oldPath);
    qunsetenv("QUILLPIX_ENGINE");

    QCOMPARE(prepared, resident ? 1 : 0);
    QVERIFY(!writtenBefore);
    QCOMPARE(afterTheRun, prepared);
    QCOMPARE(outcome, resident ? Outcome::Written : Outcome::NotResident);
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("out.txt"))), resident);
    QCOMPARE(identified, first != QLatin1String("script") && first != QLatin1String("copy"));
}

// The latest question a row stops at; the page (six lines) is asked about more often.
constexpr int kStopAtTheLatest = 4;

void TestEngine::aStopEndsTheRead_data() {
    // The stop asked for at its nth question (0: never); the first is asked before the read,
    // the next ones between the words the engine recognises.
    QTest::addColumn<int>("stopAt");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("fromFile"); // the window's way: the picture file, its text written
    QTest::newRow("never") << 0 << int(Outcome::Written) << false;
    QTest::newRow("before the read") << 1 << int(Outcome::Cancelled) << false;
    QTest::newRow("at the first word") << 2 << int(Outcome::Cancelled) << false;
    QTest::newRow("a few words in") << kStopAtTheLatest << int(Outcome::Cancelled) << false;
    QTest::newRow("a file, never") << 0 << int(Outcome::Written) << true;
    QTest::newRow("a file, a few words in") << kStopAtTheLatest << int(Outcome::Cancelled) << true;
}

// A stop ends a loaded engine's read within a word (on Japanese lines, which have no spaces, a
// word is often the line): the stop is asked no more once it said yes, nothing read is handed
// back, and a read never stopped asks more often than any stopped read was asked, so those
// ended before the page did, and gives the text a read without a stop gives.
void TestEngine::aStopEndsTheRead() {
    QFETCH(int, stopAt);
    QFETCH(int, outcome);
    QFETCH(bool, fromFile);
    if (installedEngine().isEmpty())
        QSKIP("the engine's command-line program is not installed");
    const auto call = plainCall({QStringLiteral("tesseract"), QStringLiteral("in.bmp"),
                                 QStringLiteral("out"), QStringLiteral("-l"), QStringLiteral("jpn"),
                                 QStringLiteral("--psm"), QStringLiteral("6")});
    QVERIFY(call);
    const QImage page = ::picture(QStringLiteral("block"));
    std::atomic<int> asked{0};
    const StopRequested stop = [&asked, stopAt] { return ++asked >= stopAt && stopAt > 0; };
    PictureText read;
    QTemporaryDir dir;
    if (fromFile) {
        QVERIFY(page.save(dir.filePath(QStringLiteral("in.bmp"))));
        read.outcome = m_engine.runAndWait(*call, dir.path(), stop);
        if (QFile::exists(dir.filePath(QStringLiteral("out.txt"))))
            read.utf8 = contents(dir.filePath(QStringLiteral("out.txt")));
        // Nothing but the picture and, when the read ended, its text.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(),
                 outcome == int(Outcome::Written) ? 2 : 1);
    } else {
        read = m_engine.startReading(*call, page, false, stop).result();
    }
    QCOMPARE(int(read.outcome), outcome);
    if (outcome == int(Outcome::Cancelled)) {
        QCOMPARE(asked.load(), stopAt);
        QVERIFY(read.utf8.isEmpty());
        return;
    }
    const PictureText unstopped = m_engine.startReading(*call, page).result();
    QCOMPARE(read.utf8, unstopped.utf8);
    QVERIFY2(asked > kStopAtTheLatest, qPrintable(QString::number(asked)));
}

void TestEngine::readsTheEnginesOtherChoices_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("options");
    QTest::newRow("japanese line, jpn 7") << "japanese"
                                          << "-l jpn --psm 7";
    QTest::newRow("vertical column, jpn_vert 5") << "vertical"
                                                 << "-l jpn_vert --psm 5";
    // Some of its digits' best-scored choice is not the text the engine chose.
    QTest::newRow("english line, eng 7") << "english"
                                         << "-l eng --psm 7";
}

// A read asked for the engine's other choices gives them (at most five, none of them empty,
// repeated or the symbol's own text) on the text and symbols a plain read gives, and leaves the
// loaded engine reading as it did before: a plain read afterwards gives what the one before gave.
void TestEngine::readsTheEnginesOtherChoices() {
    QFETCH(QString, picture);
    QFETCH(QString, options);
    if (installedEngine().isEmpty())
        QSKIP("the engine's command-line program is not installed");
    const auto call = plainCall(QStringList{"tesseract", "in.bmp", "out"} + options.split(u' '));
    QVERIFY(call);
    const QImage image = ::picture(picture);
    const PictureText before = m_engine.startReading(*call, image, true).result();
    // The lines come with the choices even when not asked for on their own.
    const PictureText chosen =
        m_engine.startReading(*call, image, false, {}, quillpix::enginelayout::Alternatives::With)
            .result();
    const PictureText after = m_engine.startReading(*call, image, true).result();
    QCOMPARE(int(chosen.outcome), int(Outcome::Written));
    QCOMPARE(chosen.utf8, before.utf8);
    QCOMPARE(chosen.lines.size(), before.lines.size());
    int withChoices = 0;
    for (qsizetype l = 0; l < before.lines.size(); ++l) {
        const auto& symbols = chosen.lines[l].symbols;
        QCOMPARE(symbols.size(), before.lines[l].symbols.size());
        for (qsizetype s = 0; s < symbols.size(); ++s) {
            const QStringList& choices = symbols[s].alternatives;
            const QString shown = symbols[s].text + QStringLiteral(": ") + choices.join(u' ');
            QVERIFY(before.lines[l].symbols[s].alternatives.isEmpty());
            QCOMPARE(symbols[s].text, before.lines[l].symbols[s].text);
            QVERIFY2(choices.size() <= 5 && !choices.contains(symbols[s].text) &&
                         !choices.contains(QString()) &&
                         QSet<QString>(choices.begin(), choices.end()).size() == choices.size(),
                     qPrintable(shown));
            withChoices += choices.isEmpty() ? 0 : 1;
        }
    }
    QVERIFY(withChoices > 0);
    QCOMPARE(after.utf8, before.utf8);
    QVERIFY(after.lines == before.lines);
}

void TestEngine::threadsForOneCrop_data() {
    QTest::addColumn<int>("processors");
    QTest::addColumn<bool>("oneThread");
    // The engine's parallel regions take up to four threads.
    QTest::newRow("unknown") << 0 << true;
    QTest::newRow("2 processors") << 2 << true;
    QTest::newRow("3 processors") << 3 << true;
    QTest::newRow("4 processors") << 4 << false;
    QTest::newRow("16 processors") << 16 << false;
}

void TestEngine::threadsForOneCrop() {
    QFETCH(int, processors);
    QFETCH(bool, oneThread);
    QCOMPARE(quillpix::engine::threadsForOneCrop(processors) == ResidentEngine::Threads::One,
             oneThread);
}

void TestEngine::rowOffset_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("wordsPerLine");
    QTest::addColumn<qint64>("offset");
    QTest::newRow("first row") << 0 << 5 << qint64(0);
    QTest::newRow("just below 2^31") << 65535 << 32768 << qint64(2147450880);
    QTest::newRow("2^31") << 65536 << 32768 << qint64(2147483648);
    QTest::newRow("past 2^32") << 70000 << 70000 << qint64(4900000000);
}

// Row offsets in a picture of more than 2^31 words stay exact.
void TestEngine::rowOffset() {
    QFETCH(int, y);
    QFETCH(int, wordsPerLine);
    QFETCH(qint64, offset);
    QCOMPARE(qint64(quillpix::engine::rowOffset(y, wordsPerLine)), offset);
}

namespace {

// Where the engine's orientation data may lie; the tests that need it skip without it.
bool orientationDataInstalled() {
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    return (!prefix.isEmpty() && QFile::exists(prefix + QStringLiteral("/osd.traineddata"))) ||
           QFile::exists(QStringLiteral("/usr/share/tesseract-ocr/5/tessdata/osd.traineddata"));
}

// An A6 page at 300 dpi as a scanner gives it, laid on the glass quarterTurns quarters clockwise;
// lines > 0: only that many lines of it, cut out with a small margin.
QImage scannedPage(Writing writing, int quarterTurns, const QString& family = {}, bool ruby = false,
                   int lines = 0) {
    quillpix::workspace::PageStyle style;
    if (!family.isEmpty())
        style.family = family;
    style.writing = writing;
    style.size = QSize(1240, 1748);
    style.margins = QMargins(120, 140, 120, 140);
    style.pixelSize = 40;
    style.ruby = ruby;
    quillpix::workspace::TextPage page =
        quillpix::workspace::textPage(quillpix::workspace::japaneseProse().mid(2), style);
    if (lines > 0)
        page = quillpix::workspace::cropLines(page, 2, lines, 16);
    quillpix::workspace::ScanStyle scan;
    scan.quarterTurns = quarterTurns;
    scan.blurSigma = 0.7;
    scan.noiseSigma = 5;
    scan.paper = 238;
    scan.ink = 25;
    return quillpix::workspace::scanned(page.image, scan);
}

// An A5 page in VL Gothic, set vertically, scanned a little crooked with the blur, JPEG quality
// and character size given, laid quarterTurns quarters clockwise.
QImage blurredPage(int quarterTurns, double blur, int jpeg, int pixelSize) {
    quillpix::workspace::PageStyle style;
    style.family = QStringLiteral("VL Gothic");
    style.writing = Writing::Vertical;
    style.pixelSize = pixelSize;
    style.linePitch = 1.7;
    quillpix::workspace::TextPage page =
        quillpix::workspace::textPage(quillpix::workspace::japaneseProse().mid(5), style);
    quillpix::workspace::ScanStyle scan;
    scan.quarterTurns = quarterTurns;
    scan.skewDegrees = -0.4;
    scan.blurSigma = blur;
    scan.noiseSigma = 8;
    scan.jpegQuality = jpeg;
    scan.paper = 236;
    scan.ink = 40;
    return quillpix::workspace::scanned(page.image, scan);
}

} // namespace

void TestEngine::findsWhichWayUp_data() {
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<std::optional<int>>("turns"); // clockwise, to upright; none: left alone
    QTest::newRow("horizontal, upright") << scannedPage(Writing::Horizontal, 0) << std::optional(0);
    QTest::newRow("horizontal, laid a quarter clockwise")
        << scannedPage(Writing::Horizontal, 1) << std::optional(3);
    QTest::newRow("horizontal, upside down")
        << scannedPage(Writing::Horizontal, 2) << std::optional(2);
    QTest::newRow("horizontal, laid a quarter anticlockwise")
        << scannedPage(Writing::Horizontal, 3) << std::optional(1);
    // Columns stand where a horizontal page turned a quarter has lines: only the characters tell.
    QTest::newRow("vertical, upright") << scannedPage(Writing::Vertical, 0) << std::optional(0);
    QTest::newRow("vertical with readings, upright")
        << scannedPage(Writing::Vertical, 0, {}, true) << std::optional(0);
    QTest::newRow("vertical, laid a quarter clockwise")
        << scannedPage(Writing::Vertical, 1) << std::optional(3);
    // Blurred small text in a thin font, sideways: the whole page leaves the detection unsure
    // (it leads by under 4), the page and its halves together do not.
    QTest::newRow("blurred vertical page, thin font, laid three quarters")
        << blurredPage(3, 0.9, 0, 38) << std::optional(1);
    QTest::newRow("blurred vertical page as JPEG, thin font, laid a quarter")
        << blurredPage(1, 1.1, 75, 44) << std::optional(3);
    // Blurred still more, the page and its halves lead by 3.8 the wrong way: left alone.
    QTest::newRow("heavily blurred vertical page, thin font, laid three quarters")
        << blurredPage(3, 1.1, 0, 38) << std::optional<int>();
    QTest::newRow("vertical, upside down, a font no threshold was chosen on")
        << scannedPage(Writing::Vertical, 2, QStringLiteral("VL Gothic")) << std::optional(2);
    QTest::newRow("vertical, laid a quarter anticlockwise, a font no threshold was chosen on")
        << scannedPage(Writing::Vertical, 3, QStringLiteral("Sawarabi Mincho")) << std::optional(1);
    // Too little text to be sure of, whichever way it lies.
    QTest::newRow("a line, upside down")
        << scannedPage(Writing::Horizontal, 2, {}, false, 1) << std::optional<int>();
    QTest::newRow("a column, laid a quarter clockwise")
        << scannedPage(Writing::Vertical, 1, {}, false, 1) << std::optional<int>();
    QImage blank(600, 800, QImage::Format_Grayscale8);
    blank.fill(240);
    QTest::newRow("blank paper") << blank << std::optional<int>();
}

void TestEngine::findsWhichWayUp() {
    if (!orientationDataInstalled())
        QSKIP("the engine's orientation data (tesseract-ocr-osd) is not installed");
    QFETCH(QImage, picture);
    QFETCH(std::optional<int>, turns);
    const OrientationFinding finding = findOrientation(picture);
    QCOMPARE(turnsToMake(finding), turns);
}

// Each batch worker detects on its own thread: the findings are those of one thread alone.
void TestEngine::findsWhichWayUpOnSeveralThreads() {
    if (!orientationDataInstalled())
        QSKIP("the engine's orientation data (tesseract-ocr-osd) is not installed");
    const QImage pages[2] = {scannedPage(Writing::Horizontal, 1),
                             scannedPage(Writing::Vertical, 2)};
    std::optional<int> found[2];
    std::thread other([&] { found[1] = turnsToMake(findOrientation(pages[1])); });
    found[0] = turnsToMake(findOrientation(pages[0]));
    other.join();
    QCOMPARE(found[0], std::optional(3));
    QCOMPARE(found[1], std::optional(2));
}

QTEST_MAIN(TestEngine)
#include "test_engine.moc"
