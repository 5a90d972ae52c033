#include "instancechannel.h"
#include "instancelock.h"
#include "tempworkspace.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtEndian>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

// The bytes a real start writes for the request, as a plain listener in the window's place
// receives them.
QByteArray wireBytes(const quillpix::WindowRequest& request) {
    TempWorkspace probe;
    QLocalServer listener;
    if (!listener.listen(quillpix::InstanceChannel::socketPath(probe.bin()).name))
        return {};
    std::thread start([&] { quillpix::InstanceChannel::send(probe.bin(), request, 500); });
    QByteArray bytes;
    if (listener.waitForNewConnection(5000)) {
        QLocalSocket* from = listener.nextPendingConnection();
        // The start gives up waiting for an answer and hangs up.
        while (from->waitForReadyRead(2000))
            bytes += from->readAll();
        bytes += from->readAll();
    }
    start.join();
    return bytes;
}

constexpr uid_t kNobody = 65534;

// Runs body in a child process that the kernel sees as user "nobody" at the socket (the
// effective user id), while it still reaches files as root: so it stands where the socket's
// folder would keep another user out, and only the ends' own check can refuse it. body only
// makes system calls; its result is the child's exit status.
template <typename Body> pid_t runAsNobody(Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(30);
        if (::seteuid(kNobody) != 0)
            ::_exit(120);
        ::setfsuid(0);
        ::_exit(body());
    }
    return child;
}

sockaddr_un socketAddress(const QString& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(name);
    std::memcpy(address.sun_path, bytes.constData(),
                std::min<size_t>(bytes.size(), sizeof address.sun_path - 1));
    return address;
}

int exitStatusOf(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200 + WTERMSIG(status);
}

} // namespace

class TestInstanceLock : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A start's words after Qt took its own; the request is then handed over a real socket to
    // the window listening for the workspace, as a later start hands it to the running window.
    void requestsReachTheRunningWindow_data() {
        QTest::addColumn<QByteArrayList>("words");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("unnamable");
        QTest::addColumn<bool>("capture");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing: the window only comes forward")
            << QByteArrayList{} << QStringList{} << QStringList{} << false << QString();
        QTest::newRow("a relative path, against the start folder")
            << QByteArrayList{"pics/a b.png"} << QStringList{"/start/here/pics/a b.png"}
            << QStringList{} << false << QString();
        QTest::newRow("dots cleaned away")
            << QByteArrayList{"../x/./c.png"} << QStringList{"/start/x/c.png"} << QStringList{}
            << false << QString();
        QTest::newRow("read the screen, and paths")
            << QByteArrayList{"/abs/one.pdf", "--capture", "two.bmp"}
            << QStringList{"/abs/one.pdf", "/start/here/two.bmp"} << QStringList{} << true
            << QString();
        QTest::newRow("-- ends the options")
            << QByteArrayList{"--", "--capture"} << QStringList{"/start/here/--capture"}
            << QStringList{} << false << QString();
        QTest::newRow("an unknown option") << QByteArrayList{"--captur"} << QStringList{}
                                           << QStringList{} << false << QStringLiteral("--captur");
        // Shift-JIS "画" is no UTF-8: its text would name another folder.
        QTest::newRow("a name that is not UTF-8 is told, a UTF-8 one beside it opens")
            << QByteArrayList{"\x89\xe6/a.png", "\xe7\x94\xbb"}
            << QStringList{QStringLiteral("/start/here/画")}
            << QStringList{QStringLiteral("/start/here/\ufffd\ufffd/a.png")} << false << QString();
    }
    void requestsReachTheRunningWindow() {
        QFETCH(QByteArrayList, words);
        QFETCH(QStringList, paths);
        QFETCH(QStringList, unnamable);
        QFETCH(bool, capture);
        QFETCH(QString, error);
        const quillpix::WindowArguments parsed = quillpix::parseWindowArguments(
            QByteArrayList{"quillpix"} + words, QStringLiteral("/start/here"));
        QCOMPARE(parsed.error, error);
        if (!error.isEmpty())
            return;
        QCOMPARE(parsed.request.paths, paths);
        QCOMPARE(parsed.request.unnamable, unnamable);
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
            delivered = quillpix::InstanceChannel::send(ws.bin(), parsed.request).delivered();
            // No window listens for another workspace.
            elsewhere =
                quillpix::InstanceChannel::send(other.bin(), parsed.request, 300).delivered();
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
        QVERIFY(silent.listen(quillpix::InstanceChannel::socketPath(other.bin()).name));
        QCOMPARE(quillpix::InstanceChannel::send(other.bin(), parsed.request, 300).outcome,
                 quillpix::InstanceChannel::Delivery::Outcome::NoWindow);
    }

    // The socket's folder is one only the user may enter: the runtime folder when it is so,
    // else a folder of the user's in the temporary folder. Whatever else is found in its
    // place (made by someone else first) is refused and left as it is.
    void socketFolderIsPrivate_data() {
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("found");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the private runtime folder") << "0700"
                                                    << "nothing"
                                                    << "runtime";
        QTest::newRow("no runtime folder: one is made") << ""
                                                        << "nothing"
                                                        << "made";
        QTest::newRow("a runtime folder others may enter is passed over") << "0701"
                                                                          << "nothing"
                                                                          << "made";
        QTest::newRow("another user's runtime folder is passed over") << "0700 nobody"
                                                                      << "nothing"
                                                                      << "made";
        QTest::newRow("the user's own folder from before") << ""
                                                           << "0700"
                                                           << "made";
        QTest::newRow("a folder others may pass through") << ""
                                                          << "0701"
                                                          << "refused";
        QTest::newRow("a folder with the set-group bit") << ""
                                                         << "2700"
                                                         << "refused";
        QTest::newRow("another user's folder") << ""
                                               << "0700 nobody"
                                               << "refused";
        QTest::newRow("a link to the user's own folder") << ""
                                                         << "link"
                                                         << "refused";
        QTest::newRow("a file in its place") << ""
                                             << "file"
                                             << "refused";
    }
    void socketFolderIsPrivate() {
        QFETCH(QString, runtime);
        QFETCH(QString, found);
        QFETCH(QString, expected);
        if ((runtime.endsWith(QLatin1String("nobody")) ||
             found.endsWith(QLatin1String("nobody"))) &&
            ::geteuid() != 0)
            QSKIP("only the superuser can give a folder to another user");
        QTemporaryDir base;
        QVERIFY(base.isValid());
        const QByteArray temp = QFile::encodeName(base.path()) + "/tmp";
        QCOMPARE(::mkdir(temp.constData(), 01777), 0);
        QCOMPARE(::chmod(temp.constData(), 01777), 0);
        // A folder with the mode given in octal, given to nobody when it says so.
        const auto makeFolder = [](const QByteArray& path, const QString& how) {
            return ::mkdir(path.constData(), 0700) == 0 &&
                   ::chmod(path.constData(),
                           how.section(QLatin1Char(' '), 0, 0).toUInt(nullptr, 8)) == 0 &&
                   (!how.endsWith(QLatin1String("nobody")) ||
                    ::chown(path.constData(), kNobody, kNobody) == 0);
        };
        QByteArray runtimePath;
        if (!runtime.isEmpty()) {
            runtimePath = QFile::encodeName(base.path()) + "/run";
            QVERIFY(makeFolder(runtimePath, runtime));
        }
        const QByteArray own = temp + "/quillpix-" + QByteArray::number(::geteuid());
        if (found == QLatin1String("link")) {
            QVERIFY(makeFolder(temp + "/elsewhere", QStringLiteral("0700")));
            QCOMPARE(::symlink((temp + "/elsewhere").constData(), own.constData()), 0);
        } else if (found == QLatin1String("file")) {
            // With the folder's own mode: only its kind tells it apart.
            const int fd = ::open(own.constData(), O_WRONLY | O_CREAT | O_EXCL, 0700);
            QVERIFY(fd >= 0);
            ::close(fd);
            QCOMPARE(::chmod(own.constData(), 0700), 0);
        } else if (found != QLatin1String("nothing")) {
            QVERIFY(makeFolder(own, found));
        }
        struct stat before {};
        ::lstat(own.constData(), &before);

        const quillpix::channel::Folder folder = quillpix::channel::socketFolder(
            QFile::decodeName(runtimePath), QFile::decodeName(temp), ::geteuid());
        if (expected == QLatin1String("refused")) {
            QVERIFY(folder.path.isEmpty());
            QVERIFY2(folder.problem.contains(QFile::decodeName(own)), qPrintable(folder.problem));
            struct stat after {};
            QCOMPARE(::lstat(own.constData(), &after), 0);
            QCOMPARE(after.st_mode, before.st_mode);
            QCOMPARE(after.st_uid, before.st_uid);
            return;
        }
        QVERIFY2(folder.problem.isEmpty(), qPrintable(folder.problem));
        if (expected == QLatin1String("runtime")) {
            QCOMPARE(folder.path, QFile::decodeName(runtimePath));
            return;
        }
        QCOMPARE(folder.path, QFile::decodeName(own));
        struct stat made {};
        QCOMPARE(::lstat(own.constData(), &made), 0);
        QVERIFY(S_ISDIR(made.st_mode));
        QCOMPARE(made.st_mode & 07777, mode_t(0700));
        QCOMPARE(made.st_uid, ::geteuid());
    }

    // Another user at either end of the socket: the window takes nothing from a start of
    // theirs, and a start hands nothing to a listener of theirs. The same bytes from the
    // user's own start are taken, so the refusal is the other user's.
    void peersOfAnotherUserAreRefused_data() {
        QTest::addColumn<QString>("listener");
        QTest::addColumn<bool>("senderIsNobody");
        QTest::newRow("another user's start asks the window") << "window" << true;
        QTest::newRow("the user's own start, the same bytes") << "window" << false;
        QTest::newRow("another user listens where the window would") << "nobody" << false;
    }
    void peersOfAnotherUserAreRefused() {
        QFETCH(QString, listener);
        QFETCH(bool, senderIsNobody);
        if (::geteuid() != 0)
            QSKIP("only the superuser can run a process as another user here; the folder "
                  "rule is checked by socketFolderIsPrivate");
        TempWorkspace ws;
        const quillpix::WindowRequest request{{QStringLiteral("/home/user/private.png")}, true, {}};
        const QString name = quillpix::InstanceChannel::socketPath(ws.bin()).name;
        QVERIFY(!name.isEmpty());
        const sockaddr_un address = socketAddress(name);
        const auto removeSocket = qScopeGuard([&] { QFile::remove(name); });

        if (listener == QLatin1String("nobody")) {
            int ready[2];
            QCOMPARE(::pipe(ready), 0);
            const pid_t child = runAsNobody([&] {
                const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
                if (::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
                        0 ||
                    ::listen(server, 1) != 0)
                    return 100;
                ::write(ready[1], "r", 1);
                const int peer = ::accept(server, nullptr, nullptr);
                // Takes what comes and acknowledges it at once, as a window would.
                char buffer[4096];
                ssize_t n, total = 0;
                while ((n = ::read(peer, buffer, sizeof buffer)) > 0) {
                    if (total == 0)
                        ::write(peer, "k", 1);
                    total += n;
                }
                return total > 0 ? 1 : 0;
            });
            ::close(ready[1]);
            char r = 0;
            QCOMPARE(::read(ready[0], &r, 1), ssize_t(1));
            ::close(ready[0]);
            const quillpix::InstanceChannel::Delivery delivery =
                quillpix::InstanceChannel::send(ws.bin(), request, 5000);
            QCOMPARE(exitStatusOf(child), 0); // it read nothing
            QCOMPARE(delivery.outcome, quillpix::InstanceChannel::Delivery::Outcome::Refused);
            QVERIFY2(delivery.reason.contains(QString::number(kNobody)),
                     qPrintable(delivery.reason));
            return;
        }

        const QByteArray bytes = wireBytes(request);
        QVERIFY(!bytes.isEmpty());
        quillpix::InstanceChannel window(ws.bin());
        QVERIFY(window.listen());
        int requests = 0;
        connect(&window, &quillpix::InstanceChannel::requested, this,
                [&](const quillpix::WindowRequest& r) {
                    QCOMPARE(r, request);
                    ++requests;
                });
        // The child's status: how many bytes of answer it got.
        const auto ask = [&] {
            const int client = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                return 100;
            // A window that refuses may close before every byte is written: that is no
            // answer too, not a fault of the start.
            if (::send(client, bytes.constData(), bytes.size(), MSG_NOSIGNAL) != bytes.size())
                return errno == EPIPE || errno == ECONNRESET ? 0 : 101;
            char answer;
            return int(::read(client, &answer, 1) == 1);
        };
        const pid_t child = senderIsNobody ? runAsNobody(ask) : ::fork();
        if (child == 0)
            ::_exit(ask());
        const int answered = exitStatusOf(child);
        QCoreApplication::processEvents();
        QCOMPARE(answered, senderIsNobody ? 0 : 1);
        QCOMPARE(requests, senderIsNobody ? 0 : 1);
    }

    // A start of another version of the program: the window refuses what it cannot read,
    // saying why, and the start gets the refusal instead of an acknowledgement. The start's
    // bytes pass through a relay that rewrites their version word.
    void otherVersionsAreRefused_data() {
        QTest::addColumn<qint64>("version");
        QTest::newRow("this version passes the relay") << qint64(-1);
        QTest::newRow("the first version") << qint64(1);
        QTest::newRow("the largest word") << qint64(0xFFFFFFFF);
    }
    void otherVersionsAreRefused() {
        QFETCH(qint64, version);
        TempWorkspace ws, probe;
        quillpix::InstanceChannel window(ws.bin());
        QVERIFY(window.listen());
        int requests = 0;
        connect(&window, &quillpix::InstanceChannel::requested, this,
                [&](const quillpix::WindowRequest&) { ++requests; });
        QLocalServer relay;
        QVERIFY(relay.listen(quillpix::InstanceChannel::socketPath(probe.bin()).name));
        QLocalSocket toWindow;
        QLocalSocket* fromStart = nullptr;
        bool rewritten = version < 0;
        connect(&relay, &QLocalServer::newConnection, this, [&] {
            fromStart = relay.nextPendingConnection();
            toWindow.connectToServer(quillpix::InstanceChannel::socketPath(ws.bin()).name);
            connect(fromStart, &QLocalSocket::readyRead, this, [&] {
                QByteArray bytes = fromStart->readAll();
                if (!rewritten && bytes.size() >= 4) {
                    qToBigEndian(quint32(version), bytes.data());
                    rewritten = true;
                }
                toWindow.write(bytes);
            });
        });
        connect(&toWindow, &QLocalSocket::readyRead, this, [&] {
            fromStart->write(toWindow.readAll());
            fromStart->flush();
        });
        std::atomic<bool> done = false;
        quillpix::InstanceChannel::Delivery delivery;
        std::thread start([&] {
            delivery = quillpix::InstanceChannel::send(probe.bin(), {{"/a.png"}, false, {}}, 5000);
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        start.join();
        QVERIFY(rewritten);
        if (version < 0) {
            QVERIFY(delivery.delivered());
            QTRY_COMPARE(requests, 1);
            return;
        }
        QCOMPARE(delivery.outcome, quillpix::InstanceChannel::Delivery::Outcome::Refused);
        QVERIFY2(delivery.reason.contains(QString::number(version)), qPrintable(delivery.reason));
        QCoreApplication::processEvents();
        QCOMPARE(requests, 0);
    }

    // Without a display the window says so in one line and ends with a failure, instead of
    // Qt's abort.
    void withoutADisplayTheStartSaysSo_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("quillpix --capture") << QStringList{"--capture"};
        QTest::newRow("quillpix") << QStringList{};
    }
    void withoutADisplayTheStartSaysSo() {
        QFETCH(QStringList, arguments);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        QProcess start;
        start.setProcessEnvironment(env);
        start.start(QStringLiteral(QUILLPIX_PROGRAM), arguments);
        QVERIFY(start.waitForFinished(60000));
        const QByteArray told = start.readAllStandardError();
        QCOMPARE(start.exitStatus(), QProcess::NormalExit);
        QCOMPARE(start.exitCode(), 1);
        QCOMPARE(told.count('\n'), 1);
        QVERIFY2(told.contains("display"), told.constData());
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
