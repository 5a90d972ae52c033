#include "batchrunner.h"
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

} // namespace

class TestBatchRunner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void shellScriptConvertsTheBatch_data();
    void shellScriptConvertsTheBatch();
    void runsCodePage932BatchInItsFolder();
    void pauseWithoutConsoleReturnsAtOnce();
    void missingBatchIsNotStarted();
    void consoleShowsOutputAndAnswersPause();
    void closingTheConsoleEndsTheBatch();
    void consoleKeys();
    void desktopPlatformChoosesTheConsoleByStyle_data();
    void desktopPlatformChoosesTheConsoleByStyle();
    void soundPlaysEveryFrame_data();
    void soundPlaysEveryFrame();
    void soundThatCannotPlayIsSilence();
};

void TestBatchRunner::shellScriptConvertsTheBatch_data() {
    QTest::addColumn<QByteArray>("batch");
    QTest::addColumn<QString>("body");
    QTest::newRow("CR LF lines") << QByteArray("a \r\npause\r\n") << QStringLiteral("a \npause\n");
    QTest::newRow("lone CR and LF kept") << QByteArray("a\rb\nc") << QStringLiteral("a\rb\nc");
    QTest::newRow("code page 932")
        << cp932::encode(QStringLiteral("echo 日本語①\r\n")) << QStringLiteral("echo 日本語①\n");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestBatchRunner::shellScriptConvertsTheBatch() {
    QFETCH(QByteArray, batch);
    QFETCH(QString, body);
    const QString script = batch::shellScript(batch);
    QVERIFY(script.startsWith(QStringLiteral("pause() {\n")));
    QVERIFY(script.contains(batch::pausePrompt()));
    QVERIFY(script.endsWith(QStringLiteral("}\n") + body));
}

void TestBatchRunner::runsCodePage932BatchInItsFolder() {
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/batch dir 'x' XXXXXX"));
    const QString path = writeBatch(
        dir.path(), QStringLiteral("echo 日本語 > out.txt\r\npwd > where.txt\r\nexit 3\r\n"));
    QVERIFY(batch::runBatchFile(path, batch::Console::None));
    QCOMPARE(QString::fromUtf8(readAll(dir.filePath(QStringLiteral("out.txt")))),
             QStringLiteral("日本語\n"));
    QCOMPARE(QString::fromUtf8(readAll(dir.filePath(QStringLiteral("where.txt")))).trimmed(),
             QDir(dir.path()).canonicalPath());
}

void TestBatchRunner::pauseWithoutConsoleReturnsAtOnce() {
    QTemporaryDir dir;
    const QString path = writeBatch(
        dir.path(), QStringLiteral("echo one > a.txt \r\npause\r\necho two > b.txt\r\n"));
    QVERIFY(batch::runBatchFile(path, batch::Console::None));
    QCOMPARE(readAll(dir.filePath(QStringLiteral("a.txt"))), QByteArray("one\n"));
    QCOMPARE(readAll(dir.filePath(QStringLiteral("b.txt"))), QByteArray("two\n"));
    QVERIFY(!findConsole());
}

void TestBatchRunner::missingBatchIsNotStarted() {
    QTemporaryDir dir;
    QVERIFY(!batch::runBatchFile(dir.filePath(QStringLiteral("none.bat")), batch::Console::None));
    QVERIFY(!batch::runBatchFile(dir.path(), batch::Console::None));
}

void TestBatchRunner::consoleShowsOutputAndAnswersPause() {
    QTemporaryDir dir;
    const QString path = writeBatch(
        dir.path(), QStringLiteral("echo 実行中\r\npause\r\necho after > after.txt\r\n"));
    QString shownBeforeKey;
    bool afterExistedBeforeKey = true;
    bool hadFocus = false;
    int polls = 0;
    DuringWait answer([&] {
        ConsoleWindow* console = findConsole();
        if (!console || !console->output().contains(batch::pausePrompt()))
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
    QVERIFY(batch::runBatchFile(path, batch::Console::Window));
    QVERIFY(shownBeforeKey.startsWith(QStringLiteral("実行中\n")));
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
        if (!console || !console->output().contains(batch::pausePrompt()))
            return false;
        console->close();
        return true;
    });
    QVERIFY(batch::runBatchFile(path, batch::Console::Window));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("after.txt"))));
    QVERIFY(!findConsole());
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
    QVERIFY(platform.runBatch(path, WindowStyle(style)));
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
