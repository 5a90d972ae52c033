#include "cp932.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <unistd.h>

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
    // The menu bar's height, read off the first window shown at its layout's size.
    int m_menu = -1;
    QTemporaryDir m_root{QDir::tempPath() + QStringLiteral("/quillpixe2eXXXXXX")};
    QString m_workspace;
    QProcessEnvironment m_env;
    std::unique_ptr<QProcess> m_program;

    QString bin() const { return m_workspace + QStringLiteral("/bin"); }
    QString samples() const { return m_workspace + QStringLiteral("/bmp_gif_sample"); }

    void xdo(const QStringList& args) { run(QStringLiteral("xdotool"), args, m_env); }
    // The window's controls stand under its menu bar: y counts from the bar's lower edge.
    void click(int x, int y) {
        xdo({"mousemove", "--sync", QString::number(x), QString::number(y + m_menu)});
        xdo({"click", "1"});
        QTest::qWait(300);
    }
    void drag(int x1, int y1, int x2, int y2) { dragOnScreen(x1, y1 + m_menu, x2, y2 + m_menu); }
    void dragOnScreen(int x1, int y1, int x2, int y2) {
        xdo({"mousemove", "--sync", QString::number(x1), QString::number(y1)});
        xdo({"mousedown", "1"});
        for (int step = 1; step <= 4; ++step)
            xdo({"mousemove", "--sync", QString::number(x1 + (x2 - x1) * step / 4),
                 QString::number(y1 + (y2 - y1) * step / 4)});
        xdo({"mouseup", "1"});
        QTest::qWait(300);
    }

    // Starts the installed program and waits for its window; returns the window id.
    QString startProgram(const QString& pathPrefix, const QStringList& arguments = {}) {
        QProcessEnvironment env = m_env;
        if (!pathPrefix.isEmpty())
            env.insert(QStringLiteral("PATH"), pathPrefix + QLatin1Char(':') + env.value("PATH"));
        m_program = std::make_unique<QProcess>();
        m_program->setProcessEnvironment(env);
        m_program->setProcessChannelMode(QProcess::ForwardedChannels);
        m_program->start(bin() + QStringLiteral("/quillpix"), arguments);
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
            // A sanitized build on a busy machine takes its time to start.
            90000);
        QTest::qWait(500);
        id = id.section(QLatin1Char('\n'), 0, 0);
        if (m_menu < 0) {
            const QByteArray geometry =
                run(QStringLiteral("xdotool"), {"getwindowgeometry", "--shell", id}, m_env);
            const int at = geometry.indexOf("HEIGHT=");
            m_menu = geometry.mid(at + 7).split('\n').value(0).toInt() - 688;
        }
        return id;
    }

    void endProgram() {
        click(kWindowX + 1890 - 41 + 20, 10); // 終了, right of the menus
        // The end may already have been seen while the click waited.
        QVERIFY(waitFor([&] { return m_program->state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
    }

    // The first picture of the list: its row lies just inside the list's top edge.
    void chooseFirstPicture() { click(kWindowX + 4 + 40, 64 + 10); }

    QStringList visibleWindows(const QString& name) {
        return QString::fromUtf8(run(QStringLiteral("xdotool"),
                                     {"search", "--onlyvisible", "--name", name}, m_env, true))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Types into the result box and saves it with Ctrl+S: the text lands beside the picture
    // the window has chosen.
    void typeAndSave(const QString& text) {
        click(kWindowX + 188 + 300, 496 + 90);
        xdo({"key", "ctrl+a"}); // what a reading put there is typed over
        xdo({"type", "--delay", "50", text});
        xdo({"key", "ctrl+s"});
    }

    // openbox on the test's display, given a moment to take over; false when it did not start.
    bool startWindowManager(QProcess& manager) {
        manager.setProcessEnvironment(m_env);
        manager.start(QStringLiteral("openbox"), {});
        if (!manager.waitForStarted())
            return false;
        QTest::qWait(1000);
        return true;
    }

    QStringList rememberedFolders() {
        return QSettings(bin() + QStringLiteral("/quillpix.ini"), QSettings::IniFormat)
            .value(QStringLiteral("folders/opened"))
            .toStringList();
    }

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
        // The install's desktop entry and icon go to a folder of the test, not the user's.
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.path() + QStringLiteral("/xdg"));

        run(QStringLiteral(QUILLPIX_CMAKE_COMMAND),
            {"--install", QStringLiteral(QUILLPIX_BUILD_DIR), "--prefix", m_workspace}, m_env);
        QVERIFY(QFile::exists(bin() + QStringLiteral("/quillpix")));
        QVERIFY(QFile::exists(samples() + QStringLiteral("/sample1_color24.bmp")));

        // The server writes the display number it chose once it is ready. It must not reset when
        // its last client leaves: a program started during the reset cannot connect.
        m_xvfb.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1920x1080x24",
                                              "-nolisten", "tcp", "-noreset"});
        QVERIFY(m_xvfb.waitForStarted());
        QVERIFY(
            waitFor([&] { return m_xvfb.canReadLine() || m_xvfb.waitForReadyRead(100); }, 20000));
        m_display = QLatin1Char(':') + QString::fromLatin1(m_xvfb.readLine()).trimmed();
        m_env.insert(QStringLiteral("DISPLAY"), m_display);
    }

    // A failed step leaves no window behind for the next test to find.
    void cleanup() {
        if (m_program && m_program->state() != QProcess::NotRunning) {
            m_program->kill();
            m_program->waitForFinished();
        }
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
                     geometry.contains("WIDTH=1890\n") && m_menu > 10 && m_menu < 60,
                 geometry.constData());

        chooseFirstPicture();
        // At 50 % one display pixel is two picture pixels.
        const int x1 = 30, y1 = 50, x2 = 300, y2 = 100;
        drag(kSurfaceX + x1, kSurfaceY + y1, kSurfaceX + x2, kSurfaceY + y2);
        click(kFrameX + 8 + 68, kFrameY + 120 + 14); // コマンドを作成して実行
        QVERIFY(
            waitFor([&] { return QFile::exists(bin() + QStringLiteral("/tmp_sjis.txt")); }, 30000));

        QCOMPARE(readBytes(bin() + QStringLiteral("/tess.bat")),
                 QStringLiteral("tesseract %1/tmp.bmp %1/tmp -l jpn --psm 6 \r\n")
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

    // A logout's SIGTERM ends the program in order, with the text not saved kept as a
    // recovery copy; the next start offers it, and Enter puts it back on its picture.
    void stopSignalKeepsUnsavedText() {
        const QString copy = bin() + QStringLiteral("/quillpix.recovery");
        QFile::remove(copy);
        QVERIFY(!startProgram({}).isEmpty());
        chooseFirstPicture();
        click(kWindowX + 188 + 300, 496 + 90);
        xdo({"key", "ctrl+a"});
        xdo({"type", "--delay", "50", "kept at logout"});
        QTest::qWait(300);
        m_program->terminate();
        QVERIFY(waitFor([&] { return m_program->state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program->exitCode(), 0);
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        file.close();
        QVERIFY2(bytes.endsWith("\n\nkept at logout"), bytes.constData());
        QVERIFY2(bytes.contains("name=sample1_color24.bmp\n"), bytes.constData());

        // The question comes up over the new window; its default answer puts the text back.
        QVERIFY(!startProgram({}).isEmpty());
        QVERIFY(waitFor([&] { return visibleWindows(QStringLiteral("^Quillpix$")).size() == 1; },
                        20000));
        xdo({"search", "--onlyvisible", "--name", "^Quillpix$", "windowfocus", "--sync"});
        xdo({"key", "Return"});
        QVERIFY(
            waitFor([&] { return visibleWindows(QStringLiteral("^Quillpix$")).isEmpty(); }, 10000));
        click(kWindowX + 188 + 300, 496 + 90);
        xdo({"key", "ctrl+s"});
        const QString saved = samples() + QStringLiteral("/sample1_color24.bmp.txt");
        QVERIFY(waitFor(
            [&] {
                QFile result(saved);
                return result.open(QIODevice::ReadOnly) &&
                       result.readAll() == QByteArray("kept at logout\r\n");
            },
            10000));
        QVERIFY(!QFile::exists(copy));
        endProgram();
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
        QVERIFY(startWindowManager(manager));
        // The window starts at the size it was closed at; the runs before closed it without a
        // frame, as wide as the screen, which no longer fits beside the frame's borders.
        QSettings(bin() + QStringLiteral("/quillpix.ini"), QSettings::IniFormat)
            .remove(QStringLiteral("window"));
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
                       number(frame, "Width:") == 1890 && number(inside, "Height:") == 688 + m_menu;
            },
            10000);
        QVERIFY2(placed, (frame + inside).constData());
        // The frame adds the title bar above the inside and a border below it, if any.
        const int titleBar = number(inside, "Absolute upper-left Y:");
        QVERIFY2(titleBar > 0, inside.constData());
        QVERIFY2(number(frame, "Height:") >= 688 + m_menu + titleBar, (frame + inside).constData());
        m_program->kill();
        m_program->waitForFinished();
        manager.terminate();
        manager.waitForFinished(5000);
    }

    // Under a window manager the menu bar answers its keys: Alt+F then U chooses UTF-8 for
    // 保存, and the next start still saves in it; Ctrl+Q, the end entry's key, ends the program.
    void theMenusSaveEncodingIsKeptAcrossARestart() {
        if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
            QSKIP("openbox is not installed");
        QProcess manager;
        QVERIFY(startWindowManager(manager));
        const QString ini = bin() + QStringLiteral("/quillpix.ini");
        QSettings(ini, QSettings::IniFormat).remove(QStringLiteral("window"));
        const QString saved = samples() + QStringLiteral("/sample1_color24.bmp.txt");
        for (const QString& text : {QStringLiteral("first start"), QStringLiteral("second")}) {
            const QString id = startProgram(QString());
            QVERIFY2(!id.isEmpty(), "the window did not appear");
            xdo({"windowactivate", "--sync", id});
            // Within the window, whatever frame the manager drew around it.
            const auto clickIn = [&](int x, int y) {
                xdo({"mousemove", "--window", id, "--sync", QString::number(x - kWindowX),
                     QString::number(y + m_menu)});
                xdo({"click", "1"});
                QTest::qWait(300);
            };
            clickIn(kWindowX + 4 + 40, 64 + 10); // the first picture
            if (text == QLatin1String("first start")) {
                xdo({"key", "alt+f"});
                QTest::qWait(500);
                xdo({"key", "u"});
                QTest::qWait(300);
            }
            clickIn(kWindowX + 188 + 300, 496 + 90);
            xdo({"key", "ctrl+a"});
            xdo({"type", "--delay", "50", text});
            xdo({"key", "ctrl+s"});
            // UTF-8 with LF, without a byte-order mark.
            QVERIFY2(waitFor([&] { return readBytes(saved) == text.toUtf8() + '\n'; }, 10000),
                     readBytes(saved).constData());
            xdo({"key", "ctrl+q"});
            QVERIFY(waitFor([&] { return m_program->state() == QProcess::NotRunning; }, 10000));
            QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
        }
        QVERIFY(QSettings(ini, QSettings::IniFormat).value(QStringLiteral("save/utf8")).toBool());
        // The tests after this one run without a frame and save in Shift-JIS.
        {
            QSettings settings(ini, QSettings::IniFormat);
            settings.remove(QStringLiteral("window"));
            settings.remove(QStringLiteral("save"));
        }
        QFile::remove(saved);
        manager.terminate();
        manager.waitForFinished(5000);
    }

    // Each way in opens a picture (z.bmp, not the list's first) in a folder outside the
    // workspace, or keeps a pasted picture in bmp_gif_clipboard, and chooses it; the folder is
    // remembered and, after a restart, offered right after the workspace's picture folder.
    // The paste row comes last: its folder would come between them.
    void waysIn_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("quillpix PATH at start") << "start";
        QTest::newRow("quillpix PATH handed to the running window") << "second";
        QTest::newRow("a drop from another program (XDND)") << "drop";
        QTest::newRow("a picture pasted from the clipboard") << "paste";
    }
    void waysIn() {
        QFETCH(QString, way);
        const QString folder = m_root.path() + QStringLiteral("/from elsewhere ") + way;
        QVERIFY(QDir().mkpath(folder));
        for (const char* name : {"a.bmp", "z.bmp"})
            QVERIFY(QFile::copy(samples() + QStringLiteral("/sample1_color24.bmp"),
                                folder + QLatin1Char('/') + QLatin1String(name)));
        const QString picture = folder + QStringLiteral("/z.bmp");
        QString shownFolder = folder, chosen = QStringLiteral("z.bmp");
        std::unique_ptr<QProcess> helper;
        const auto cleanUp = qScopeGuard([&] {
            if (helper) {
                helper->kill();
                helper->waitForFinished();
            }
        });

        if (way == QLatin1String("start")) {
            QVERIFY(!startProgram(QString(), {picture}).isEmpty());
        } else {
            QVERIFY(!startProgram(QString()).isEmpty());
        }
        if (way == QLatin1String("second")) {
            QProcess second;
            second.setProcessEnvironment(m_env);
            second.start(bin() + QStringLiteral("/quillpix"), {picture});
            QVERIFY(second.waitForFinished(30000));
            QCOMPARE(second.exitCode(), 0);
            // No second window, and no message box saying one is open.
            QCOMPARE(visibleWindows(QStringLiteral("Quillpix")).size(), 1);
        } else if (way == QLatin1String("drop")) {
            helper = std::make_unique<QProcess>();
            helper->setProcessEnvironment(m_env);
            helper->start(QStringLiteral(QUILLPIX_DRAGHELPER),
                          {"1500", "800", picture, folder + QStringLiteral("/a.bmp")});
            QVERIFY(waitFor([&] { return !visibleWindows("draghelper").isEmpty(); }, 20000));
            // Each step gives the two programs time for their XDND messages.
            xdo({"mousemove", "--sync", "1560", "860"});
            xdo({"mousedown", "1"});
            for (const QPoint& p : {QPoint(1400, 700), QPoint(1000, 500), QPoint(700, 300),
                                    QPoint(kSurfaceX + 300, kSurfaceY + 200)}) {
                xdo({"mousemove", "--sync", QString::number(p.x()), QString::number(p.y())});
                QTest::qWait(200);
            }
            xdo({"mouseup", "1"});
            QVERIFY(helper->waitForFinished(30000));
            QCOMPARE(helper->readAllStandardOutput().trimmed(), QByteArray("copied"));
        } else if (way == QLatin1String("paste")) {
            if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
                QSKIP("xclip is not installed: no picture can be put on the clipboard");
            QImage pasted(240, 90, QImage::Format_RGB32);
            for (int y = 0; y < pasted.height(); ++y)
                for (int x = 0; x < pasted.width(); ++x)
                    pasted.setPixel(x, y, qRgb(x, y * 2, (x + y) & 0xFF));
            const QString png = m_root.path() + QStringLiteral("/pasted.png");
            QVERIFY(pasted.save(png));
            // xclip owns the clipboard for as long as it runs.
            helper = std::make_unique<QProcess>();
            helper->setProcessEnvironment(m_env);
            helper->start(QStringLiteral("xclip"),
                          {"-quiet", "-selection", "clipboard", "-t", "image/png", "-i", png});
            QVERIFY(helper->waitForStarted());
            QTest::qWait(500);
            click(kWindowX + 4 + 80, 64 + 170); // the file list, outside the text boxes
            const QDateTime pastedAt = QDateTime::currentDateTime().addSecs(-1);
            xdo({"key", "ctrl+v"});
            // The pasted picture is read at once, as a captured one: its text comes first.
            const QFileInfo converted(bin() + QStringLiteral("/tmp_sjis.txt"));
            QVERIFY(waitFor(
                [&] { return QFileInfo(converted.filePath()).lastModified() >= pastedAt; }, 30000));
            shownFolder = m_workspace + QStringLiteral("/bmp_gif_clipboard");
            QVERIFY(waitFor([&] { return !QDir(shownFolder).isEmpty(QDir::Files); }, 20000));
            const QStringList kept = QDir(shownFolder).entryList(QDir::Files);
            QCOMPARE(kept.size(), 1);
            chosen = kept.first();
            QVERIFY2(QRegularExpression(QStringLiteral("^clipboard_\\d{8}-\\d{6}\\.png$"))
                         .match(chosen)
                         .hasMatch(),
                     qPrintable(chosen));
            QCOMPARE(QImage(shownFolder + QLatin1Char('/') + chosen)
                         .convertToFormat(QImage::Format_RGB32),
                     pasted);
        }
        if (way != QLatin1String("paste"))
            QVERIFY(waitFor([&] { return rememberedFolders().value(0) == folder; }, 20000));
        QTest::qWait(500);
        typeAndSave(QStringLiteral("ok"));
        const QString saved = shownFolder + QLatin1Char('/') + chosen + QStringLiteral(".txt");
        QVERIFY2(waitFor([&] { return readBytes(saved).startsWith("ok"); }, 10000),
                 qPrintable(saved));
        endProgram();
        if (way == QLatin1String("paste"))
            return;

        // After a restart: the chooser's second item lists the folder; its first picture is
        // a.bmp.
        QVERIFY(!startProgram(QString()).isEmpty());
        click(kWindowX + 8 + 70, 20 + 10);
        xdo({"key", "Down"});
        xdo({"key", "Return"});
        QTest::qWait(500);
        chooseFirstPicture();
        typeAndSave(QStringLiteral("ok"));
        QVERIFY(waitFor(
            [&] { return readBytes(folder + QStringLiteral("/a.bmp.txt")).startsWith("ok"); },
            10000));
        endProgram();
    }

    // A window that cannot make its socket for later starts (no runtime folder, and the
    // temporary folder's quillpix-<uid> open to others) says so in a message box of its own,
    // and the window is there behind it.
    void aWindowThatCannotListenSaysSo() {
        const QString temp = m_root.path() + QStringLiteral("/loose tmp");
        const QString taken = temp + QStringLiteral("/quillpix-") + QString::number(::geteuid());
        QVERIFY(QDir().mkpath(taken));
        QVERIFY(QFile::setPermissions(taken, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                 QFileDevice::ExeOther));
        QProcessEnvironment env = m_env;
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.insert(QStringLiteral("TMPDIR"), temp);
        m_program = std::make_unique<QProcess>();
        m_program->setProcessEnvironment(env);
        m_program->setProcessChannelMode(QProcess::ForwardedChannels);
        m_program->start(bin() + QStringLiteral("/quillpix"), {});
        QVERIFY(m_program->waitForStarted());
        // The message box's title is the program's name alone; the window's holds more.
        QVERIFY(waitFor([&] { return visibleWindows(QStringLiteral("^Quillpix$")).size() == 1; },
                        90000));
        QCOMPARE(visibleWindows(QStringLiteral("Quillpix")).size(), 2);
        QTest::qWait(1000);
        QCOMPARE(visibleWindows(QStringLiteral("^Quillpix$")).size(), 1);
    }

    // quillpix --capture with no window open: the screen is frozen, the dragged region is kept
    // in bmp_gif_clipboard and read by the real engine into the result box and the clipboard.
    void captureReadsARegionOfTheScreen() {
        if (QStandardPaths::findExecutable(QStringLiteral("tesseract")).isEmpty())
            QSKIP("tesseract is not installed");
        if (!run(QStringLiteral("tesseract"), {"--list-langs"}, m_env).contains("\njpn"))
            QSKIP("the engine's jpn data is not installed");
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            QSKIP("xclip is not installed");
        // A known picture on the screen: the first sample, shown by another program at (0, 600),
        // its third line under the drag.
        const QString sample = samples() + QStringLiteral("/sample1_color24.bmp");
        QProcess viewer;
        viewer.setProcessEnvironment(m_env);
        viewer.start(QStringLiteral(QUILLPIX_DRAGHELPER), {"--show", "0", "600", sample});
        const auto cleanUp = qScopeGuard([&] {
            viewer.kill();
            viewer.waitForFinished();
        });
        QByteArray told;
        while (!told.contains("shown") && viewer.state() != QProcess::NotRunning &&
               viewer.waitForReadyRead(60000))
            told += viewer.readAllStandardOutput();
        QVERIFY2(told.contains("shown"),
                 qPrintable(QStringLiteral("the picture was not shown (%1, exit %2): %3")
                                .arg(viewer.state() == QProcess::NotRunning ? "ended" : "running")
                                .arg(viewer.exitCode())
                                .arg(QString::fromLocal8Bit(viewer.readAllStandardError()))));
        QTest::qWait(200);
        const QString kept = m_workspace + QStringLiteral("/bmp_gif_clipboard");
        const QStringList before = QDir(kept).entryList(QDir::Files);

        m_program = std::make_unique<QProcess>();
        m_program->setProcessEnvironment(m_env);
        m_program->setProcessChannelMode(QProcess::ForwardedChannels);
        m_program->start(bin() + QStringLiteral("/quillpix"), {"--capture"});
        QVERIFY(m_program->waitForStarted());
        QVERIFY(waitFor([&] { return !visibleWindows(QStringLiteral("画面から読む")).isEmpty(); },
                        90000));
        QTest::qWait(300);
        dragOnScreen(60, 600 + 325, 1040, 600 + 410);
        const QString expected = QStringLiteral("画像の一部を選んで文字を読み取ります");
        QString copied;
        QVERIFY2(waitFor(
                     [&] {
                         copied =
                             QString::fromUtf8(run(QStringLiteral("xclip"),
                                                   {"-o", "-selection", "clipboard"}, m_env, true));
                         return copied.contains(expected);
                     },
                     120000),
                 qPrintable(copied));

        QStringList added = QDir(kept).entryList(QDir::Files);
        for (const QString& name : before)
            added.removeAll(name);
        QCOMPARE(added.size(), 1);
        QVERIFY2(added.first().startsWith(QStringLiteral("screen_")), qPrintable(added.first()));
        const QImage region =
            QImage(kept + QLatin1Char('/') + added.first()).convertToFormat(QImage::Format_RGB32);
        // The helper shows the picture at (0, 600) as it is, so the region is the picture's.
        QCOMPARE(region,
                 QImage(sample).convertToFormat(QImage::Format_RGB32).copy(60, 325, 980, 85));
        // The same text is in the result box, which saves it beside the kept picture.
        QTest::qWait(500);
        click(kWindowX + 188 + 300, 496 + 90);
        xdo({"key", "ctrl+s"});
        const QString saved = kept + QLatin1Char('/') + added.first() + QStringLiteral(".txt");
        QVERIFY(waitFor([&] { return QFile::exists(saved); }, 10000));
        QVERIFY2(quillpix::cp932::decode(readBytes(saved)).contains(expected),
                 readBytes(saved).constData());
        endProgram();
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
