#include "cp932.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The window stands at (30, 0) on a screen without a window manager; the display's drawing
// surface begins inside its 2-pixel border, and the frame's controls are placed relative to it.
namespace {

constexpr int kWindowX = 30;
constexpr int kSurfaceX = kWindowX + 188 + 2;
constexpr int kSurfaceY = 20 + 2;
constexpr int kFrameX = kWindowX + 938;
constexpr int kFrameY = 496;

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a command to its end and returns its standard output.
QByteArray run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
               bool quiet = false) {
    const int timeoutMs = 60000;
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        qWarning() << program << args << "did not finish";
        return {};
    }
    if (p.exitCode() != 0 && !quiet)
        qWarning() << program << args << "exited with" << p.exitCode() << p.readAllStandardError();
    return p.readAllStandardOutput();
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

    QProcess m_xvfb;
    QString m_display;
    QTemporaryDir m_root{QDir::tempPath() + QStringLiteral("/quillpixe2eXXXXXX")};
    QString m_workspace;
    QProcessEnvironment m_env;
    std::unique_ptr<QProcess> m_program;

    QString bin() const { return m_workspace + QStringLiteral("/bin"); }
    QString samples() const { return m_workspace + QStringLiteral("/bmp_gif_sample"); }

    void xdo(const QStringList& args) { run(QStringLiteral("xdotool"), args, m_env); }
    void click(int x, int y) {
        xdo({"mousemove", "--sync", QString::number(x), QString::number(y)});
        xdo({"click", "1"});
        QTest::qWait(300);
    }
    void drag(int x1, int y1, int x2, int y2) {
        xdo({"mousemove", "--sync", QString::number(x1), QString::number(y1)});
        xdo({"mousedown", "1"});
        for (int step = 1; step <= 4; ++step)
            xdo({"mousemove", "--sync", QString::number(x1 + (x2 - x1) * step / 4),
                 QString::number(y1 + (y2 - y1) * step / 4)});
        xdo({"mouseup", "1"});
        QTest::qWait(300);
    }

    // Starts the installed program and waits for its window; returns the window id.
    QString startProgram(const QString& pathPrefix) {
        QProcessEnvironment env = m_env;
        if (!pathPrefix.isEmpty())
            env.insert(QStringLiteral("PATH"), pathPrefix + QLatin1Char(':') + env.value("PATH"));
        m_program = std::make_unique<QProcess>();
        m_program->setProcessEnvironment(env);
        m_program->setProcessChannelMode(QProcess::ForwardedChannels);
        m_program->start(bin() + QStringLiteral("/quillpix"), {});
        if (!m_program->waitForStarted())
            return {};
        QString id;
        waitFor(
            [&] {
                id = QString::fromLatin1(run(QStringLiteral("xdotool"),
                                             {"search", "--onlyvisible", "--name", "Quillpix"},
                                             m_env, true))
                         .trimmed();
                return !id.isEmpty();
            },
            30000);
        QTest::qWait(500);
        return id.section(QLatin1Char('\n'), 0, 0);
    }

    void endProgram() {
        click(kWindowX + 1890 - 41 + 20, 10); // 終了
        // The end may already have been seen while the click waited.
        QVERIFY(waitFor([&] { return m_program->state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
    }

    // The first picture of the list: its row lies just inside the list's top edge.
    void chooseFirstPicture() { click(kWindowX + 4 + 40, 64 + 10); }

private Q_SLOTS:
    void initTestCase() {
        for (const char* tool : {"Xvfb", "xdotool"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(
                    QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool))));
        QVERIFY(m_root.isValid());
        m_workspace = m_root.path() + QStringLiteral("/W");
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));

        run(QStringLiteral(QUILLPIX_CMAKE_COMMAND),
            {"--install", QStringLiteral(QUILLPIX_BUILD_DIR), "--prefix", m_workspace}, m_env);
        QVERIFY(QFile::exists(bin() + QStringLiteral("/quillpix")));
        QVERIFY(QFile::exists(samples() + QStringLiteral("/sample1_color24.bmp")));

        // The server writes the display number it chose once it is ready.
        m_xvfb.start(QStringLiteral("Xvfb"),
                     {"-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"});
        QVERIFY(m_xvfb.waitForStarted());
        QVERIFY(
            waitFor([&] { return m_xvfb.canReadLine() || m_xvfb.waitForReadyRead(100); }, 20000));
        m_display = QLatin1Char(':') + QString::fromLatin1(m_xvfb.readLine()).trimmed();
        m_env.insert(QStringLiteral("DISPLAY"), m_display);
    }

    void cleanupTestCase() {
        if (m_program && m_program->state() != QProcess::NotRunning) {
            m_program->kill();
            m_program->waitForFinished();
        }
        m_xvfb.terminate();
        m_xvfb.waitForFinished(5000);
    }

    void fakeEngineRoundTrip() {
        // An engine that writes a known text, and keeps a copy of what it was given.
        const QString fakeBin = m_root.path() + QStringLiteral("/fakebin");
        QDir().mkpath(fakeBin);
        QFile output(fakeBin + QStringLiteral("/output.txt"));
        QVERIFY(output.open(QIODevice::WriteOnly));
        output.write("\xEF\xBB\xBF" + QStringLiteral("これ は テスト, です.\nline2\n\f").toUtf8());
        output.close();
        QFile fake(fakeBin + QStringLiteral("/tesseract"));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write(
            QStringLiteral("#!/bin/sh\ncat '%1' > \"$2.txt\"\n").arg(output.fileName()).toUtf8());
        fake.close();
        fake.setPermissions(fake.permissions() | QFileDevice::ExeOwner);

        const QString id = startProgram(fakeBin);
        QVERIFY2(!id.isEmpty(), "the window did not appear");
        const QByteArray geometry =
            run(QStringLiteral("xdotool"), {"getwindowgeometry", "--shell", id}, m_env);
        QVERIFY2(geometry.contains("X=30\n") && geometry.contains("Y=0\n") &&
                     geometry.contains("WIDTH=1890\n") && geometry.contains("HEIGHT=688\n"),
                 geometry.constData());

        chooseFirstPicture();
        // At 50 % one display pixel is two picture pixels.
        const int x1 = 30, y1 = 50, x2 = 300, y2 = 100;
        drag(kSurfaceX + x1, kSurfaceY + y1, kSurfaceX + x2, kSurfaceY + y2);
        click(kFrameX + 8 + 68, kFrameY + 120 + 14); // コマンドを作成して実行
        QVERIFY(
            waitFor([&] { return QFile::exists(bin() + QStringLiteral("/tmp_sjis.txt")); }, 30000));

        QCOMPARE(readBytes(bin() + QStringLiteral("/tess.bat")),
                 QStringLiteral("tesseract %1/tmp.bmp %1/tmp -l jpn --psm 3 \r\n")
                     .arg(bin())
                     .toLatin1());
        const QImage crop(bin() + QStringLiteral("/tmp.bmp"));
        const QImage picture(samples() + QStringLiteral("/sample1_color24.bmp"));
        QCOMPARE(crop.size(), QSize((x2 - x1 + 3) * 2 - 4, (y2 - y1 + 3) * 2 - 4));
        for (int y = 0; y < crop.height(); y += 7)
            for (int x = 0; x < crop.width(); x += 5)
                QCOMPARE(crop.pixel(x, y), picture.pixel((x1 + 1) * 2 + x, (y1 + 1) * 2 + y));

        click(kFrameX + 212 + 24, kFrameY + 120 + 12); // 保存
        const QString saved = samples() + QStringLiteral("/sample1_color24.bmp.txt");
        const QByteArray expected =
            quillpix::cp932::encode(QStringLiteral("これはテスト，です。\r\nline2\r\n\r\n"));
        QVERIFY(waitFor([&] { return readBytes(saved) == expected; }, 10000));

        const QString shot =
            QStringLiteral(QUILLPIX_BUILD_DIR) + QStringLiteral("/endtoend-fake.png");
        run(QStringLiteral("import"),
            {"-display", m_display, "-window", "root", "-crop", "1920x700+0+0", shot}, m_env);
        endProgram();
        for (const char* work : {"tmp.bmp", "tess.bat", "tmp.txt", "tmp_sjis.txt"})
            QVERIFY(QFile::exists(bin() + QLatin1Char('/') + QLatin1String(work)));
        QFile::remove(saved);
    }

    void realEngineReadsTheSample() {
        if (QStandardPaths::findExecutable(QStringLiteral("tesseract")).isEmpty())
            QSKIP("tesseract is not installed");
        if (!run(QStringLiteral("tesseract"), {"--list-langs"}, m_env).contains("\njpn"))
            QSKIP("the engine's jpn data is not installed");
        QFile::remove(bin() + QStringLiteral("/tmp_sjis.txt"));
        const QString id = startProgram(QString());
        QVERIFY2(!id.isEmpty(), "the window did not appear");
        chooseFirstPicture();
        // The first line of the sample, "これは日本語のテストです。", at 50 %.
        drag(kSurfaceX + 10, kSurfaceY + 45, kSurfaceX + 580, kSurfaceY + 105);
        click(kFrameX + 8 + 68, kFrameY + 120 + 14);
        QVERIFY(waitFor([&] { return QFile::exists(bin() + QStringLiteral("/tmp_sjis.txt")); },
                        120000));
        click(kFrameX + 212 + 24, kFrameY + 120 + 12);
        const QString saved = samples() + QStringLiteral("/sample1_color24.bmp.txt");
        QVERIFY(waitFor([&] { return QFile::exists(saved); }, 10000));
        const QString text = quillpix::cp932::decode(readBytes(saved));
        QVERIFY2(text.contains(QStringLiteral("これは日本語のテストです")), qPrintable(text));

        const QString shot =
            QStringLiteral(QUILLPIX_BUILD_DIR) + QStringLiteral("/endtoend-jpn.png");
        run(QStringLiteral("import"),
            {"-display", m_display, "-window", "root", "-crop", "1920x700+0+0", shot}, m_env);
        endProgram();
    }

    // Under a window manager the frame, title bar and borders included, stands where the
    // window stands without one and is as wide; the inside keeps the layout's 688 pixels, so
    // its lowest controls (lblWidth down to 681, txtResult down to 685) are not cut off.
    void outerFrameUnderAWindowManager() {
        if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
            QSKIP("openbox is not installed");
        QProcess manager;
        manager.setProcessEnvironment(m_env);
        manager.start(QStringLiteral("openbox"), {});
        QVERIFY(manager.waitForStarted());
        QTest::qWait(1000);
        const QString id = startProgram(QString());
        QVERIFY2(!id.isEmpty(), "the window did not appear");
        QByteArray frame, inside;
        auto number = [](const QByteArray& info, const char* field) {
            const int at = info.indexOf(field);
            return at < 0
                       ? -1
                       : info.mid(at + int(qstrlen(field))).split('\n').value(0).trimmed().toInt();
        };
        const bool placed = waitFor(
            [&] {
                const QByteArray tree =
                    run(QStringLiteral("xwininfo"), {"-id", id, "-tree"}, m_env);
                const int at = tree.indexOf("Parent window id: ");
                const QByteArray parent = tree.mid(at + 18).split(' ').value(0);
                frame =
                    run(QStringLiteral("xwininfo"), {"-id", QString::fromLatin1(parent)}, m_env);
                inside = run(QStringLiteral("xwininfo"), {"-id", id}, m_env);
                return number(frame, "Absolute upper-left X:") == 30 &&
                       number(frame, "Absolute upper-left Y:") == 0 &&
                       number(frame, "Width:") == 1890 && number(inside, "Height:") == 688;
            },
            10000);
        QVERIFY2(placed, (frame + inside).constData());
        // The frame adds the title bar above the inside and a border below it, if any.
        const int titleBar = number(inside, "Absolute upper-left Y:");
        QVERIFY2(titleBar > 0, inside.constData());
        QVERIFY2(number(frame, "Height:") >= 688 + titleBar, (frame + inside).constData());
        m_program->kill();
        m_program->waitForFinished();
        manager.terminate();
        manager.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
