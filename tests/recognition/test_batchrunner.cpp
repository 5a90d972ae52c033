#include "batchfilerun.h"
#include "consolewindow.h"
#include "cp932.h"
#include "desktopplatform.h"
#include "duringwait.h"
#include "soundplayer.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <functional>

using namespace quillpix;

using quillpix::testing::DuringWait;

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

// A batch file as Windows people write it: code page 932, CR LF.
QString writeBatch(const QString& folder, const QString& text) {
    const QString path = folder + QStringLiteral("/tess.bat");
    writeAll(path, cp932::encode(text));
    return path;
}

ConsoleWindow* findConsole() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* console = qobject_cast<ConsoleWindow*>(w); console && console->isVisible())
            return console;
    return nullptr;
}

// A 16-bit PCM RIFF file of the given frames.
QByteArray wavBytes(int frames, int channels, int rate) {
    QByteArray data(frames * channels * 2, '\0');
    for (int i = 0; i < frames * channels; ++i)
        qToLittleEndian<qint16>(qint16((i * 37) % 2000 - 1000), data.data() + 2 * i);
    QByteArray out;
    auto u32 = [&](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    auto u16 = [&](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    out += "RIFF";
    u32(36 + data.size());
    out += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * channels * 2);
    u16(channels * 2);
    u16(16);
    out += "data";
    u32(data.size());
    out += data;
    return out;
}

// tools/wait in the folder: writes "started" and its process id, waits for a file "go", then
// writes "ended" and ends.
void addWaitingProgram(const QString& folder) {
    const QString program = folder + QStringLiteral("/tools/wait");
    QDir(folder).mkpath(QStringLiteral("tools"));
    writeAll(program, "#!/bin/sh\necho $$ > pid\n: > started\nn=0\n"
                      "while [ ! -e go ] && [ $n -lt 3000 ]; do sleep 0.01; n=$((n+1)); done\n"
                      ": > ended\n");
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
}

// Whether the process whose id the program wrote to "pid" has ended and been collected.
bool collected(const QString& folder) {
    const QByteArray pid = readAll(folder + QStringLiteral("/pid")).trimmed();
    return !pid.isEmpty() && !QFile::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid));
}

} // namespace

class TestBatchRunner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parseLine_data();
    void parseLine();
    void expandVariables_data();
    void expandVariables();
    void wordsReachTheProgram_data();
    void wordsReachTheProgram();
    void redirectionsAndPipes_data();
    void redirectionsAndPipes();
    void runsCodePage932BatchInItsFolder();
    void pauseWithoutConsoleReturnsAtOnce();
    void missingBatchIsNotStarted();
    void consoleShowsOutputAndAnswersPause();
    void closingTheConsoleEndsTheBatch();
    void pauseInAPipelineWaitsForItsKey();
    void keysWhileAProgramRunsAnswerLaterPauses_data();
    void keysWhileAProgramRunsAnswerLaterPauses();
    void programsReadNoKeys();
    void reportNamesWhatFailed_data();
    void reportNamesWhatFailed();
    void consoleKeys();
    void desktopPlatformChoosesTheConsoleByStyle_data();
    void desktopPlatformChoosesTheConsoleByStyle();
    void soundPlaysEveryFrame_data();
    void soundPlaysEveryFrame();
    void soundThatCannotPlayIsSilence();
};

namespace {

// The parts of a line in one text: words in brackets, redirections with their handle,
// commands joined by " | ", pipelines by " & ", " && " or " || ".
QString describe(const batchfile::Line& line) {
    if (!line.error.isEmpty())
        return QStringLiteral("error");
    QStringList pipelines;
    for (const batchfile::Pipeline& pipeline : line.pipelines) {
        QStringList commands;
        for (const batchfile::Command& command : pipeline.commands) {
            QStringList parts;
            for (const QString& word : command.words)
                parts << QLatin1Char('[') + word + QLatin1Char(']');
            for (const batchfile::Redirection& r : command.redirections) {
                static const char* const kinds[] = {"<", ">", ">>", ">&"};
                parts << QString::number(r.handle) + QLatin1String(kinds[int(r.kind)]) +
                             QLatin1Char('[') + r.target + QLatin1Char(']');
            }
            commands << parts.join(QLatin1Char(' '));
        }
        static const char* const joiners[] = {" & ", " && ", " || "};
        pipelines << (pipelines.isEmpty() ? QString()
                                          : QLatin1String(joiners[int(pipeline.joiner)])) +
                         commands.join(QStringLiteral(" | "));
    }
    return pipelines.join(QString());
}

} // namespace

void TestBatchRunner::parseLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("parts");
    QTest::newRow("spaces and tabs") << " a\t b  "
                                     << "[a] [b]";
    QTest::newRow("quotes group and go") << R"("a b"c "" d"e")"
                                         << "[a bc] [] [de]";
    QTest::newRow("unclosed quote runs to the end") << R"(a "b & c)"
                                                    << "[a] [b & c]";
    QTest::newRow("shell characters are text") << "x ()$*?;'`~{}!#\\"
                                               << "[x] [()$*?;'`~{}!#\\]";
    QTest::newRow("caret escapes") << "a^&b ^\"c d^^ e^"
                                   << "[a&b] [\"c] [d^] [e]";
    QTest::newRow("operators inside quotes") << R"("a&b|c>d")"
                                             << "[a&b|c>d]";
    QTest::newRow("sequence") << "a&b&&c||d"
                              << "[a] & [b] && [c] || [d]";
    QTest::newRow("pipe") << "a x|b y"
                          << "[a] [x] | [b] [y]";
    QTest::newRow("redirections") << "a <in >out 2>>err 2>&1 1>&2"
                                  << "[a] 0<[in] 1>[out] 2>>[err] 2>&[1] 1>&[2]";
    QTest::newRow("target in quotes, digit word") << R"(a "2">"x y" b2>c)"
                                                  << "[a] [2] [b2] 1>[x y] 1>[c]";
    QTest::newRow("redirection alone") << "> f"
                                       << "1>[f]";
    QTest::newRow("final ampersand") << "a &"
                                     << "[a]";
    QTest::newRow("at sign, comments and labels") << "@a"
                                                  << "[a]";
    QTest::newRow("rem") << "REM a | b"
                         << "";
    QTest::newRow("label") << ":end"
                           << "";
    QTest::newRow("CR dropped") << "a\r b\r"
                                << "[a] [b]";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("pipe with nothing after") << "a |"
                                             << "error";
    QTest::newRow("and with nothing after") << "a &&"
                                            << "error";
    QTest::newRow("operator first") << "& a"
                                    << "error";
    QTest::newRow("redirection without target") << "a >"
                                                << "error";
    QTest::newRow("two redirections in a row") << "a > > b"
                                               << "error";
}

void TestBatchRunner::parseLine() {
    QFETCH(QString, line);
    QFETCH(QString, parts);
    QCOMPARE(describe(batchfile::parseLine(line)), parts);
}

void TestBatchRunner::expandVariables_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expanded");
    QTest::newRow("set variable") << "%HOME%/x"
                                  << "/home/u/x";
    QTest::newRow("other letter case") << "%home%"
                                       << "/home/u";
    QTest::newRow("value with operators stays one expansion") << "%ODD%"
                                                              << "a & \"b\"";
    QTest::newRow("unset variable is removed") << "a%NOPE%b"
                                               << "ab";
    QTest::newRow("set but empty") << "a%EMPTY%b"
                                   << "ab";
    QTest::newRow("double percent") << "100%%"
                                    << "100%";
    QTest::newRow("lone percent dropped") << "50% off"
                                          << "50 off";
    QTest::newRow("arguments") << "%0 [%1%*]"
                               << "/b/t.bat []";
    QTest::newRow("batch folder and name") << "%~dp0 %~n0%~x0 %~f0"
                                           << "/b/ t.bat /b/t.bat";
    QTest::newRow("dollar untouched") << "$HOME"
                                      << "$HOME";
}

void TestBatchRunner::expandVariables() {
    QFETCH(QString, line);
    QFETCH(QString, expanded);
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/home/u"));
    environment.insert(QStringLiteral("ODD"), QStringLiteral("a & \"b\""));
    environment.insert(QStringLiteral("EMPTY"), QString());
    QCOMPARE(batchfile::expandVariables(line, environment, QStringLiteral("/b/t.bat")), expanded);
}

void TestBatchRunner::wordsReachTheProgram_data() {
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("runs");
    QTest::newRow("brackets in an engine option") << "show -c tessedit_char_whitelist=0123456789()"
                                                  << "<-c><tessedit_char_whitelist=0123456789()>";
    QTest::newRow("no globbing, no shell expansion") << "show *.bmp $HOME `id` a;b 'q' ~ {1,2}"
                                                     << "<*.bmp><$HOME><`id`><a;b><'q'><~><{1,2}>";
    QTest::newRow("quoted path with spaces") << R"(show "/a b/tmp.bmp" x"y z")"
                                             << "</a b/tmp.bmp><xy z>";
    QTest::newRow("environment variable, split after expansion")
        << "show \"%QUILLPIX_WORD%\" %QUILLPIX_WORD%"
        << "<one two><one><two>";
    QTest::newRow("lines and sequences in order") << "show 1 & show 2\r\nshow 3"
                                                  << "<1>\n<2>\n<3>";
    QTest::newRow("missing program fails, the batch goes on")
        << "no-such-program-here a && show skipped || show failed\r\nshow next"
        << "<failed>\n<next>";
    QTest::newRow("and after success") << "show a && show b"
                                       << "<a>\n<b>";
    QTest::newRow("caret keeps an ampersand") << "show a^&b"
                                              << "<a&b>";
    QTest::newRow("program by relative path") << "tools/show x"
                                              << "<x>";
    QTest::newRow("exit ends the batch") << "show a\r\nexit\r\nshow b"
                                         << "<a>";
    QTest::newRow("syntax error runs nothing of the line") << "show a |\r\nshow b"
                                                           << "<b>";
    QTest::newRow("unopened handle fails the command") << "show a 2>&5 || show failed"
                                                       << "<failed>";
}

void TestBatchRunner::wordsReachTheProgram() {
    QFETCH(QString, batch);
    QFETCH(QString, runs);
    QTemporaryDir dir;
    // The stand-in writes its arguments, each in angle brackets, one run per line.
    const QString show = dir.filePath(QStringLiteral("tools/show"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("tools")));
    writeAll(show, "#!/bin/sh\nprintf '<%s>' \"$@\" >> runs.txt\necho >> runs.txt\n");
    QVERIFY(QFile::setPermissions(show, QFile::ReadOwner | QFile::ExeOwner));
    writeAll(dir.filePath(QStringLiteral("a.bmp")), "");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.filePath(QStringLiteral("tools"))) + ':' + path);
    qputenv("QUILLPIX_WORD", "one two");
    const bool ran =
        batchfile::runBatchFile(writeBatch(dir.path(), batch), batchfile::Console::None).read;
    qputenv("PATH", path);
    QVERIFY(ran);
    QCOMPARE(QString::fromUtf8(readAll(dir.filePath(QStringLiteral("runs.txt")))),
             runs + QLatin1Char('\n'));
    // The same words for the first command, as another caller splits the line.
    const QString first = batch.section(QStringLiteral("\r\n"), 0, 0);
    if (first.startsWith(QStringLiteral("show ")) && !first.contains(u'&') &&
        !first.contains(u'|')) {
        QString expected = runs.section(u'\n', 0, 0);
        expected = expected.mid(1, expected.size() - 2);
        QCOMPARE(batchfile::splitWords(first).mid(1), expected.split(QStringLiteral("><")));
    }
}

void TestBatchRunner::redirectionsAndPipes_data() {
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("write and append") << "echo one > a.txt\r\necho two>>a.txt"
                                      << "a.txt" << QByteArray("one\ntwo\n");
    QTest::newRow("read and pipe") << "echo abc > in.txt\r\ntr a-z A-Z < in.txt | rev > out.txt"
                                   << "out.txt" << QByteArray("CBA\n");
    QTest::newRow("error to a file") << "ls no-such-entry 2> err.txt"
                                     << "err.txt" << QByteArray("no-such-entry");
    QTest::newRow("error to output") << "ls no-such-entry > both.txt 2>&1"
                                     << "both.txt" << QByteArray("no-such-entry");
    QTest::newRow("nul swallows") << "echo x > nul\r\necho y > kept.txt"
                                  << "kept.txt" << QByteArray("y\n");
    QTest::newRow("pause keeps its output off the pipe") << "pause\r\necho done > done.txt"
                                                         << "done.txt" << QByteArray("done\n");
}

void TestBatchRunner::redirectionsAndPipes() {
    QFETCH(QString, batch);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QVERIFY(batchfile::runBatchFile(writeBatch(dir.path(), batch), batchfile::Console::None).read);
    const QByteArray written = readAll(dir.filePath(file));
    // Error texts differ between systems; they name the missing entry.
    if (content == "no-such-entry")
        QVERIFY2(written.contains(content), written.constData());
    else
        QCOMPARE(written, content);
}

void TestBatchRunner::runsCodePage932BatchInItsFolder() {
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/batch dir 'x' XXXXXX"));
    const QString path = writeBatch(
        dir.path(), QStringLiteral("echo 日本語 > out.txt\r\npwd > where.txt\r\nexit 3\r\n"));
    QVERIFY(batchfile::runBatchFile(path, batchfile::Console::None).read);
    QCOMPARE(QString::fromUtf8(readAll(dir.filePath(QStringLiteral("out.txt")))),
             QStringLiteral("日本語\n"));
    QCOMPARE(QString::fromUtf8(readAll(dir.filePath(QStringLiteral("where.txt")))).trimmed(),
             QDir(dir.path()).canonicalPath());
}

void TestBatchRunner::pauseWithoutConsoleReturnsAtOnce() {
    QTemporaryDir dir;
    const QString path = writeBatch(
        dir.path(), QStringLiteral("echo one > a.txt \r\npause\r\necho two > b.txt\r\n"));
    QVERIFY(batchfile::runBatchFile(path, batchfile::Console::None).read);
    QCOMPARE(readAll(dir.filePath(QStringLiteral("a.txt"))), QByteArray("one\n"));
    QCOMPARE(readAll(dir.filePath(QStringLiteral("b.txt"))), QByteArray("two\n"));
    QVERIFY(!findConsole());
}

void TestBatchRunner::missingBatchIsNotStarted() {
    QTemporaryDir dir;
    QVERIFY(
        !batchfile::runBatchFile(dir.filePath(QStringLiteral("none.bat")), batchfile::Console::None)
             .read);
    QVERIFY(!batchfile::runBatchFile(dir.path(), batchfile::Console::None).read);
}

void TestBatchRunner::consoleShowsOutputAndAnswersPause() {
    QTemporaryDir dir;
    const QString path =
        writeBatch(dir.path(), QStringLiteral("echo 実行中\r\nsh -c \"echo 誤り >&2\"\r\npause\r\n"
                                              "echo after > after.txt\r\n"));
    QString shownBeforeKey;
    bool afterExistedBeforeKey = true;
    bool hadFocus = false;
    int polls = 0;
    DuringWait answer([&] {
        ConsoleWindow* console = findConsole();
        if (!console || !console->output().contains(batchfile::pausePrompt()))
            return false;
        // The window system reports the activation a moment after the console appears.
        if (!console->isActiveWindow() && ++polls < 1000)
            return false;
        shownBeforeKey = console->output();
        afterExistedBeforeKey = QFile::exists(dir.filePath(QStringLiteral("after.txt")));
        hadFocus = console->isActiveWindow();
        QTest::keyClick(console, Qt::Key_Space);
        return true;
    });
    QVERIFY(batchfile::runBatchFile(path, batchfile::Console::Window).read);
    // A program's standard error is shown too, in its place.
    QVERIFY2(shownBeforeKey.startsWith(QStringLiteral("実行中\n誤り\n")),
             qPrintable(shownBeforeKey));
    QVERIFY(!afterExistedBeforeKey);
    QVERIFY(hadFocus);
    QCOMPARE(readAll(dir.filePath(QStringLiteral("after.txt"))), QByteArray("after\n"));
    // The console goes with the batch.
    QVERIFY(!findConsole());
}

void TestBatchRunner::closingTheConsoleEndsTheBatch() {
    QTemporaryDir dir;
    const QString path =
        writeBatch(dir.path(), QStringLiteral("pause\r\necho after > after.txt\r\n"));
    DuringWait close([&] {
        ConsoleWindow* console = findConsole();
        if (!console || !console->output().contains(batchfile::pausePrompt()))
            return false;
        console->close();
        return true;
    });
    QVERIFY(batchfile::runBatchFile(path, batchfile::Console::Window).read);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("after.txt"))));
    QVERIFY(!findConsole());
}

void TestBatchRunner::pauseInAPipelineWaitsForItsKey() {
    QTemporaryDir dir;
    addWaitingProgram(dir.path());
    const QString path =
        writeBatch(dir.path(), QStringLiteral("tools/wait | pause\r\necho after > after.txt\r\n"));
    bool keyGiven = false;
    bool waitingAfterTheProgram = false;
    int settle = 0;
    DuringWait answer([&] {
        ConsoleWindow* console = findConsole();
        if (!console || !console->output().endsWith(batchfile::pausePrompt()))
            return false;
        if (!QFile::exists(dir.filePath(QStringLiteral("go")))) {
            writeAll(dir.filePath(QStringLiteral("go")), "");
            return false;
        }
        // The program's end reaches the batch before the key does.
        if (!collected(dir.path()) || ++settle < 20)
            return false;
        waitingAfterTheProgram = console->output().endsWith(batchfile::pausePrompt());
        QTest::keyClick(console, Qt::Key_Space);
        keyGiven = true;
        return true;
    });
    QVERIFY(batchfile::runBatchFile(path, batchfile::Console::Window).read);
    QVERIFY(keyGiven);
    QVERIFY(waitingAfterTheProgram);
    QCOMPARE(readAll(dir.filePath(QStringLiteral("after.txt"))), QByteArray("after\n"));
}

void TestBatchRunner::keysWhileAProgramRunsAnswerLaterPauses_data() {
    QTest::addColumn<int>("pauses");
    QTest::addColumn<int>("keysWhileRunning");
    QTest::addColumn<int>("keysAtPrompts"); // still needed once the program has ended
    QTest::newRow("no key early") << 1 << 0 << 1;
    QTest::newRow("one key early, one pause") << 1 << 1 << 0;
    QTest::newRow("one key early, two pauses") << 2 << 1 << 1;
    QTest::newRow("two keys early, two pauses") << 2 << 2 << 0;
    QTest::newRow("more keys than pauses") << 1 << 3 << 0;
    QTest::newRow("keys and no pause") << 0 << 2 << 0;
}

void TestBatchRunner::keysWhileAProgramRunsAnswerLaterPauses() {
    QFETCH(int, pauses);
    QFETCH(int, keysWhileRunning);
    QFETCH(int, keysAtPrompts);
    QTemporaryDir dir;
    addWaitingProgram(dir.path());
    const QString path = writeBatch(dir.path(), QStringLiteral("tools/wait\r\n") +
                                                    QStringLiteral("pause\r\n").repeated(pauses) +
                                                    QStringLiteral("echo after > after.txt\r\n"));
    int early = 0;
    int atPrompts = 0;
    int idle = 0;
    bool gaveUp = false;
    DuringWait answer([&] {
        ConsoleWindow* console = findConsole();
        if (!console)
            return false;
        if (early < keysWhileRunning) {
            if (QFile::exists(dir.filePath(QStringLiteral("started")))) {
                QTest::keyClick(console, Qt::Key_Space);
                ++early;
            }
            return false;
        }
        if (!QFile::exists(dir.filePath(QStringLiteral("go")))) {
            writeAll(dir.filePath(QStringLiteral("go")), "");
            return false;
        }
        // A "pause" that waits shows its prompt last; one answered already has its line end.
        if (console->output().endsWith(batchfile::pausePrompt())) {
            QTest::keyClick(console, Qt::Key_Space);
            ++atPrompts;
            idle = 0;
        } else if (++idle > 2000) {
            gaveUp = true;
            console->close();
            return true;
        }
        return false;
    });
    QVERIFY(batchfile::runBatchFile(path, batchfile::Console::Window).read);
    QVERIFY(!gaveUp);
    QCOMPARE(early, keysWhileRunning);
    QCOMPARE(atPrompts, keysAtPrompts);
    QCOMPARE(readAll(dir.filePath(QStringLiteral("after.txt"))), QByteArray("after\n"));
}

void TestBatchRunner::programsReadNoKeys() {
    QTemporaryDir dir;
    const QString path =
        writeBatch(dir.path(), QStringLiteral("cat > in.txt\r\necho after > after.txt\r\n"));
    bool keyGiven = false;
    int idle = 0;
    bool gaveUp = false;
    DuringWait answer([&] {
        ConsoleWindow* console = findConsole();
        if (!console)
            return false;
        if (!keyGiven) {
            QTest::keyClick(console, Qt::Key_A);
            keyGiven = true;
        } else if (++idle > 2000) {
            gaveUp = true;
            console->close();
            return true;
        }
        return false;
    });
    QVERIFY(batchfile::runBatchFile(path, batchfile::Console::Window).read);
    QVERIFY(!gaveUp);
    QCOMPARE(readAll(dir.filePath(QStringLiteral("in.txt"))), QByteArray());
    QCOMPARE(readAll(dir.filePath(QStringLiteral("after.txt"))), QByteArray("after\n"));
}

void TestBatchRunner::reportNamesWhatFailed_data() {
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QStringList>("notFound");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("lastProgram");
    // How the last run of the engine ("tesseract", exiting with its first argument) ended; -1
    // when the batch never started it.
    QTest::addColumn<int>("engineCode");
    const int missing = batchfile::kNotFoundExitCode;
    const QStringList none;
    QTest::newRow("every program found") << "show x" << none << 0 << "show" << -1;
    QTest::newRow("missing program") << "no-such-engine a b" << QStringList{"no-such-engine"}
                                     << missing << "no-such-engine" << -1;
    QTest::newRow("comment first") << "rem tesseract a b\r\nshow x" << none << 0 << "show" << -1;
    QTest::newRow("set is no program here")
        << "set X=1 & show x" << QStringList{"set"} << 0 << "show" << -1;
    QTest::newRow("if is no program here")
        << "if exist a.bmp show x" << QStringList{"if"} << missing << "if" << -1;
    QTest::newRow("cd is no program here")
        << "cd ..\r\nshow x" << QStringList{"cd"} << 0 << "show" << -1;
    QTest::newRow("call is no program here")
        << "call x.bat" << QStringList{"call"} << missing << "call" << -1;
    QTest::newRow("each once, in order")
        << "no-a\r\nno-b & no-a" << QStringList{"no-a", "no-b"} << missing << "no-a" << -1;
    QTest::newRow("program that fails") << "show x\r\nfalse" << none << 1 << "false" << -1;
    QTest::newRow("skipped after success") << "show x || no-a" << none << 0 << "show" << -1;
    QTest::newRow("run after failure")
        << "false || no-a" << QStringList{"no-a"} << missing << "no-a" << -1;
    QTest::newRow("line the interpreter cannot read") << "show x |" << none << 1 << "" << -1;
    QTest::newRow("exit with a code") << "exit 3\r\nno-a" << none << 3 << "exit" << -1;
    QTest::newRow("bare exit keeps the last code") << "false\r\nexit" << none << 1 << "exit" << -1;
    QTest::newRow("missing program before a pipe")
        << "no-a | show x" << QStringList{"no-a"} << 0 << "show" << -1;
    QTest::newRow("missing program after a pipe")
        << "show x | no-a" << QStringList{"no-a"} << missing << "no-a" << -1;
    QTest::newRow("path as written")
        << "tools/none x" << QStringList{"tools/none"} << missing << "tools/none" << -1;
    QTest::newRow("file that cannot run")
        << "tools/plain x" << QStringList{"tools/plain"} << missing << "tools/plain" << -1;
    // The engine's own end counts, whatever the batch runs after it.
    QTest::newRow("the engine fails, then pause")
        << "tesseract 3\r\npause" << none << 0 << "pause" << 3;
    QTest::newRow("the engine by its path, then another program")
        << "tools/tesseract 2 & show x" << none << 0 << "show" << 2;
    QTest::newRow("the engine twice: the last run counts")
        << "tesseract 3\r\ntesseract 0\r\nfalse" << none << 1 << "false" << 0;
    QTest::newRow("the engine missing never ran")
        << "no-a\r\nshow x" << QStringList{"no-a"} << 0 << "show" << -1;
}

void TestBatchRunner::reportNamesWhatFailed() {
    QFETCH(QString, batch);
    QFETCH(QStringList, notFound);
    QFETCH(int, exitCode);
    QFETCH(QString, lastProgram);
    QFETCH(int, engineCode);
    QTemporaryDir dir;
    const QString tools = dir.filePath(QStringLiteral("tools"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("tools")));
    writeAll(tools + QStringLiteral("/show"), "#!/bin/sh\necho \"$@\" >> runs.txt\n");
    QVERIFY(
        QFile::setPermissions(tools + QStringLiteral("/show"), QFile::ReadOwner | QFile::ExeOwner));
    writeAll(tools + QStringLiteral("/plain"), "#!/bin/sh\n");
    writeAll(tools + QStringLiteral("/tesseract"),
             "#!/bin/sh\n[ \"$1\" = 0 ] || printf 'Error %s\\n\\n' \"$1\" >&2\nexit $1\n");
    QVERIFY(QFile::setPermissions(tools + QStringLiteral("/tesseract"),
                                  QFile::ReadOwner | QFile::ExeOwner));
    const QString path = writeBatch(dir.path(), batch);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(tools) + ':' + oldPath);
    const batchfile::BatchReport report = batchfile::runBatchFile(path, batchfile::Console::None);
    // The window's seam hands on the same report.
    const BatchReport throughPlatform =
        DesktopPlatform().runBatch(path, WindowStyle::MinimizedNoFocus, {}, {});
    qputenv("PATH", oldPath);
    QVERIFY(report.read);
    QCOMPARE(report.notFound, notFound);
    QCOMPARE(report.exitCode, exitCode);
    QCOMPARE(report.lastProgram, lastProgram);
    QVERIFY(throughPlatform.started);
    QVERIFY(!throughPlatform.resident);
    QCOMPARE(throughPlatform.notFound, notFound);
    QCOMPARE(throughPlatform.exitCode, exitCode);
    QCOMPARE(throughPlatform.lastProgram, lastProgram);
    QCOMPARE(throughPlatform.engineRan, engineCode >= 0);
    QCOMPARE(throughPlatform.engineExitCode, std::max(engineCode, 0));
    QVERIFY(!throughPlatform.engineCrashed);
    // Its last line on standard error, which went to no console.
    QCOMPARE(throughPlatform.engineMessage,
             engineCode > 0 ? QStringLiteral("Error %1").arg(engineCode) : QString());
}

void TestBatchRunner::consoleKeys() {
    ConsoleWindow console(nullptr, QStringLiteral("tess.bat"));
    QSignalSpy keys(&console, &ConsoleWindow::keyPressed);
    console.show();
    QTest::keyClick(&console, Qt::Key_Shift);
    QTest::keyClick(&console, Qt::Key_Control);
    QCOMPARE(keys.count(), 0);
    QTest::keyClick(&console, Qt::Key_A);
    QTest::keyClick(&console, Qt::Key_Return);
    QTest::keyClick(&console, Qt::Key_Escape);
    QCOMPARE(keys.count(), 3);
    // Escape answers "pause"; it does not dismiss the console.
    QVERIFY(console.isVisible());
    // A character split between two reads is put together.
    const QByteArray word = QStringLiteral("認識\r\n").toUtf8();
    console.appendOutput(word.left(2));
    console.appendOutput(word.mid(2));
    QCOMPARE(console.output(), QStringLiteral("認識\n"));
}

void TestBatchRunner::desktopPlatformChoosesTheConsoleByStyle_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("console");
    QTest::newRow("normal with focus") << int(WindowStyle::NormalWithFocus) << true;
    QTest::newRow("minimised without focus") << int(WindowStyle::MinimizedNoFocus) << false;
}

void TestBatchRunner::desktopPlatformChoosesTheConsoleByStyle() {
    QFETCH(int, style);
    QFETCH(bool, console);
    QTemporaryDir dir;
    const QString path =
        writeBatch(dir.path(), QStringLiteral("pause\r\necho done > done.txt\r\n"));
    bool sawConsole = false;
    DuringWait answer([&] {
        ConsoleWindow* shown = findConsole();
        if (!shown)
            return false;
        sawConsole = true;
        QTest::keyClick(shown, Qt::Key_Enter);
        return true;
    });
    DesktopPlatform platform;
    QVERIFY(platform.runBatch(path, WindowStyle(style), {}, {}).started);
    QCOMPARE(sawConsole, console);
    QCOMPARE(readAll(dir.filePath(QStringLiteral("done.txt"))), QByteArray("done\n"));
}

void TestBatchRunner::soundPlaysEveryFrame_data() {
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("rate");
    QTest::newRow("mono 8 kHz, several chunks") << 9000 << 1 << 8000;
    QTest::newRow("stereo 44.1 kHz") << 4410 << 2 << 44100;
    QTest::newRow("one frame") << 1 << 1 << 22050;
}

void TestBatchRunner::soundPlaysEveryFrame() {
    QFETCH(int, frames);
    QFETCH(int, channels);
    QFETCH(int, rate);
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("start.wav"));
    writeAll(wav, wavBytes(frames, channels, rate));
    // ALSA's file device keeps what it is given, so the whole sound must be there.
    const QString raw = dir.filePath(QStringLiteral("played.raw"));
    QVERIFY(sound::playFile(wav, QStringLiteral("file:FILE=%1,FORMAT=raw").arg(raw)));
    const QByteArray played = readAll(raw);
    QCOMPARE(played.size(), qsizetype(frames) * channels * 2);
    QCOMPARE(played, wavBytes(frames, channels, rate).mid(44));
}

void TestBatchRunner::soundThatCannotPlayIsSilence() {
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("start.wav"));
    writeAll(wav, wavBytes(100, 1, 8000));
    QVERIFY(!sound::playFile(wav, QStringLiteral("no_such_device_here")));
    const QString broken = dir.filePath(QStringLiteral("broken.wav"));
    writeAll(broken, QByteArray("RIFF not really"));
    QVERIFY(!sound::playFile(broken, QStringLiteral("null")));
    QVERIFY(!sound::playFile(dir.filePath(QStringLiteral("missing.wav")), QStringLiteral("null")));
    // The desktop's own device may be missing too; that is silence, not a failure.
    DesktopPlatform().playSound(wav);
}

QTEST_MAIN(TestBatchRunner)
#include "test_batchrunner.moc"
