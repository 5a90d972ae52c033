#include "childprocess.h"
#include "programrun.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <ctime>

using namespace quillpix::processes;

namespace {

// Whether the process runs: a zombie, waiting for its parent to reap it, does not.
bool runs(const QString& pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray stat = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    // "pid (name) state ...": the name may hold spaces, so the state follows the last ")".
    return !stat.isEmpty() && stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

// The CPU time this thread has used, in ms: a wait must sleep between its looks, not spin.
qint64 threadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

QString shell() {
    return QStringLiteral("/bin/sh");
}

// A shell that leads the group and leaves a sleeping child in it, both ids written down.
QString leaderWithSleepingChild() {
    return QStringLiteral("echo $$ > leader; sleep 30 & echo $! > child; wait");
}

} // namespace

class TestProcesses : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void endedChildIsNeverSignalled();
    void runEndsTheWholeGroup_data();
    void runEndsTheWholeGroup();
    void runKeepsOutput_data();
    void runKeepsOutput();
};

// The runner says nothing of its own: the folder batch's messages share its standard error.
void TestProcesses::init() {
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
}

// What killGroup() rests on: an ended child stays a zombie, its id ours, until Qt's own calls on
// this thread reap it (no events are handled here meanwhile); once reaped it is never signalled.
void TestProcesses::endedChildIsNeverSignalled() {
    QTemporaryDir dir;
    QProcess process;
    process.setWorkingDirectory(dir.path());
    leadOwnGroup(process);
    process.start(shell(), {QStringLiteral("-c"), QStringLiteral("echo $$ > leader; exit 0")});
    const QDeadlineTimer deadline(20000);
    QByteArray stat;
    while (!stat.endsWith(" Z") && !deadline.hasExpired()) {
        QThread::msleep(20);
        QFile leader(dir.filePath(QStringLiteral("leader")));
        if (leader.open(QIODevice::ReadOnly)) {
            QFile proc(QStringLiteral("/proc/%1/stat")
                           .arg(QString::fromLatin1(leader.readAll().trimmed())));
            if (proc.open(QIODevice::ReadOnly))
                stat = proc.readAll().split(')').last().left(2);
        }
    }
    QCOMPARE(stat, QByteArray(" Z"));
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.state(), QProcess::NotRunning);
    QVERIFY(!killGroup(process));
}

void TestProcesses::runEndsTheWholeGroup_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("limitMs"); // -1: none
    QTest::addColumn<bool>("stopOnChild");
    QTest::addColumn<bool>("emptyInput");
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("killed");
    QTest::addColumn<int>("exitCode"); // -1: not a normal exit

    const QString sh = shell();
    QTest::newRow("ends in time, its own code, our environment")
        << sh << QStringLiteral("echo $$ > leader; exit $QUILLPIX_CODE") << 20000 << false << true
        << true << false << 7;
    QTest::newRow("no limit waits past a look")
        << sh << QStringLiteral("sleep 1; exit 2") << -1 << false << true << true << false << 2;
    QTest::newRow("time limit ends a sleeping grandchild")
        << sh << leaderWithSleepingChild() << 500 << false << true << true << true << -1;
    QTest::newRow("stop ends a sleeping grandchild")
        << sh << leaderWithSleepingChild() << -1 << true << true << true << true << -1;
    QTest::newRow("empty input ends a reader at once")
        << sh << QStringLiteral("read line; exit 4") << 20000 << false << true << true << false
        << 4;
    QTest::newRow("a pipe nobody writes keeps a reader until the limit")
        << sh << QStringLiteral("read line; exit 4") << 500 << false << false << true << true << -1;
    QTest::newRow("a program that is not there")
        << QStringLiteral("/nonexistent/quillpix-none") << QString() << 20000 << false << true
        << false << false << -1;
}

// A child that keeps its time ends on its own; one that does not, or is stopped, goes with
// everything it started, long before its sleep would end.
void TestProcesses::runEndsTheWholeGroup() {
    QFETCH(QString, program);
    QFETCH(QString, script);
    QFETCH(int, limitMs);
    QFETCH(bool, stopOnChild);
    QFETCH(bool, emptyInput);
    QFETCH(bool, started);
    QFETCH(bool, killed);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    ProgramRun request;
    request.program = program;
    request.arguments = {QStringLiteral("-c"), script};
    request.workFolder = dir.path();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUILLPIX_CODE"), QStringLiteral("7"));
    request.environment = environment;
    request.emptyInput = emptyInput;
    if (limitMs >= 0)
        request.timeLimitMs = limitMs;
    const QString childFile = dir.filePath(QStringLiteral("child"));
    if (stopOnChild)
        request.stopRequested = [&] {
            // Once the child's id is written whole, not when the shell has only made the file.
            QFile file(childFile);
            return file.open(QIODevice::ReadOnly) && file.readAll().endsWith('\n');
        };
    QElapsedTimer clock;
    clock.start();
    const qint64 cpuBefore = threadCpuMs();
    const ProgramResult ran = run(request);
    QVERIFY(clock.elapsed() < 15000);
    QVERIFY(threadCpuMs() - cpuBefore < 200);
    QCOMPARE(ran.started, started);
    QCOMPARE(ran.errorString.isEmpty(), started);
    QCOMPARE(ran.killed, killed);
    QCOMPARE(ran.normalExit, exitCode >= 0);
    if (exitCode >= 0)
        QCOMPARE(ran.exitCode, exitCode);
    for (const QString& name : {QStringLiteral("leader"), QStringLiteral("child")}) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString pid = QString::fromLatin1(file.readAll().trimmed());
        // The orphaned child is reaped by whoever adopts it; a moment for that.
        QTRY_VERIFY2_WITH_TIMEOUT(!runs(pid), qPrintable(name + QLatin1Char(' ') + pid), 5000);
    }
}

void TestProcesses::runKeepsOutput_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("separate");
    QTest::addColumn<int>("tail"); // -1: everything
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("errorOutput");

    const QString small = QStringLiteral("printf a; printf b >&2; printf c");
    // 10000 bytes a channel, then a pause, so the runner reads and trims while the child runs.
    const QString large = QStringLiteral("head -c 10000 /dev/zero | tr '\\0' x; "
                                         "head -c 10000 /dev/zero | tr '\\0' y >&2; sleep 0.3");
    QTest::newRow("merged, in order") << small << false << -1 << QByteArray("abc") << QByteArray();
    QTest::newRow("separate") << small << true << -1 << QByteArray("ac") << QByteArray("b");
    QTest::newRow("merged tail") << large << false << 100 << QByteArray(100, 'y') << QByteArray();
    QTest::newRow("separate tails")
        << large << true << 100 << QByteArray(100, 'x') << QByteArray(100, 'y');
    QTest::newRow("all of a large output")
        << large << true << -1 << QByteArray(10000, 'x') << QByteArray(10000, 'y');
}

void TestProcesses::runKeepsOutput() {
    QFETCH(QString, script);
    QFETCH(bool, separate);
    QFETCH(int, tail);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, errorOutput);
    ProgramRun request;
    request.program = shell();
    request.arguments = {QStringLiteral("-c"), script};
    request.channels = separate ? Channels::Separate : Channels::Merged;
    if (tail >= 0)
        request.outputTail = tail;
    const ProgramResult ran = run(request);
    QCOMPARE(ran.output, output);
    QCOMPARE(ran.errorOutput, errorOutput);
}

QTEST_GUILESS_MAIN(TestProcesses)
#include "test_processes.moc"
