#include "instancechannel.h"
#include "instancelock.h"
#include "tempworkspace.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>

using quillpix::testing::TempWorkspace;

namespace {

// A lock holder started on the folder; its first line says whether it got the lock.
struct Holder {
    QProcess process;
    QString answer;
    explicit Holder(const QString& folder, const QStringList& extra = {}) {
        process.start(QStringLiteral(LOCKHOLDER), QStringList{folder} + extra);
        process.waitForStarted();
        while (process.state() == QProcess::Running && !process.canReadLine())
            process.waitForReadyRead(100);
        answer = QString::fromLatin1(process.readLine()).trimmed();
        if (answer.isEmpty())
            answer = QString::fromLatin1(process.readAllStandardOutput()).trimmed();
    }
    ~Holder() {
        process.kill();
        process.waitForFinished();
    }
    QString word() const { return answer.section(QLatin1Char(' '), 0, 0); }
};

// True when the process holds an flock lock, as the kernel lists them.
bool holdsFlock(qint64 pid) {
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 4 && fields[1] == "FLOCK" && fields[4].toLongLong() == pid)
            return true;
    }
    return false;
}

// What a second start on the folder is told.
QString startOn(const QString& folder) {
    return Holder(folder).word();
}

} // namespace

class TestInstanceLock : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A start's words after Qt took its own; the request is then handed over a real socket to
    // the window listening for the workspace, as a later start hands it to the running window.
    void requestsReachTheRunningWindow_data() {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<bool>("capture");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing: the window only comes forward")
            << QStringList{} << QStringList{} << false << QString();
        QTest::newRow("a relative path, against the start folder")
            << QStringList{"pics/a b.png"} << QStringList{"/start/here/pics/a b.png"} << false
            << QString();
        QTest::newRow("dots cleaned away")
            << QStringList{"../x/./c.png"} << QStringList{"/start/x/c.png"} << false << QString();
        QTest::newRow("read the screen, and paths")
            << QStringList{"/abs/one.pdf", "--capture", "two.bmp"}
            << QStringList{"/abs/one.pdf", "/start/here/two.bmp"} << true << QString();
        QTest::newRow("-- ends the options")
            << QStringList{"--", "--capture"} << QStringList{"/start/here/--capture"} << false
            << QString();
        QTest::newRow("an unknown option")
            << QStringList{"--captur"} << QStringList{} << false << QStringLiteral("--captur");
    }
    void requestsReachTheRunningWindow() {
        QFETCH(QStringList, words);
        QFETCH(QStringList, paths);
        QFETCH(bool, capture);
        QFETCH(QString, error);
        const quillpix::WindowArguments parsed = quillpix::parseWindowArguments(
            QStringList{QStringLiteral("quillpix")} + words, QStringLiteral("/start/here"));
        QCOMPARE(parsed.error, error);
        if (!error.isEmpty())
            return;
        QCOMPARE(parsed.request.paths, paths);
        QCOMPARE(parsed.request.capture, capture);

        TempWorkspace ws, other;
        quillpix::InstanceChannel window(ws.bin());
        QVERIFY(window.listen());
        quillpix::WindowRequest received;
        int requests = 0;
        connect(&window, &quillpix::InstanceChannel::requested, this,
                [&](const quillpix::WindowRequest& r) {
                    received = r;
                    ++requests;
                });
        std::atomic<bool> delivered = false, elsewhere = true;
        std::thread start([&] {
            delivered = quillpix::InstanceChannel::send(ws.bin(), parsed.request);
            // No window listens for another workspace.
            elsewhere = quillpix::InstanceChannel::send(other.bin(), parsed.request, 300);
        });
        while (requests == 0 && !delivered)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        start.join();
        QVERIFY(delivered.load());
        QVERIFY(!elsewhere.load());
        QCOMPARE(requests, 1);
        QCOMPARE(received, parsed.request);

        // Something that listens there but never answers is no window to hand the request to.
        QLocalServer silent;
        QVERIFY(silent.listen(quillpix::InstanceChannel::socketName(other.bin())));
        QVERIFY(!quillpix::InstanceChannel::send(other.bin(), parsed.request, 300));
    }

    void secondStart_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<bool>("killFirst");
        QTest::addColumn<bool>("sameFolder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the window holds it: a second start is refused")
            << "window" << false << true << "refused";
        QTest::newRow("a killed window leaves no stuck lock") << "window" << true << true << "held";
        QTest::newRow("a program the first started keeps no lock")
            << "holder spawning" << true << true << "held";
        QTest::newRow("another workspace has its own lock") << "holder" << false << false << "held";
    }
    void secondStart() {
        QFETCH(QString, first);
        QFETCH(bool, killFirst);
        QFETCH(bool, sameFolder);
        QFETCH(QString, expected);
        TempWorkspace ws, other;
        std::unique_ptr<Holder> holder;
        QProcess window;
        pid_t spawned = 0;
        const auto cleanUp = qScopeGuard([&] {
            if (spawned > 0)
                ::kill(spawned, SIGKILL);
            window.kill();
            window.waitForFinished();
        });
        if (first == QLatin1String("window")) {
            // The real program, started from a copy in the workspace's program folder.
            const QString program = ws.bin() + QStringLiteral("/quillpix");
            QVERIFY(QFile::copy(QStringLiteral(QUILLPIX_PROGRAM), program));
            QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            window.setProcessEnvironment(env);
            window.start(program, {});
            QVERIFY(window.waitForStarted());
            // Watched without asking for the lock, which would race the window's own request.
            QTRY_VERIFY_WITH_TIMEOUT(holdsFlock(window.processId()), 60000);
        } else {
            holder = std::make_unique<Holder>(ws.bin(), first.endsWith(QLatin1String("spawning"))
                                                            ? QStringList{"spawn"}
                                                            : QStringList{});
            QCOMPARE(holder->word(), QStringLiteral("held"));
            spawned = holder->answer.section(QLatin1Char(' '), 1).toInt();
        }
        if (killFirst) {
            QProcess& p = holder ? holder->process : window;
            ::kill(pid_t(p.processId()), SIGKILL);
            QVERIFY(p.waitForFinished());
        }
        QCOMPARE(startOn(sameFolder ? ws.bin() : other.bin()), expected);
    }
};

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "test_instancelock.moc"
