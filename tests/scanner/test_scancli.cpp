#include "saneconfig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using quillpix::testing::SaneConfig;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// The program with no display, in English, seeing only the configuration's scanners.
QProcess* startScan(const SaneConfig& sane, const QStringList& arguments) {
    auto* process = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "QUILLPIX_LANG", "DISPLAY", "WAYLAND_DISPLAY",
                             "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    env.insert(QStringLiteral("SANE_CONFIG_DIR"), sane.path());
    process->setProcessEnvironment(env);
    process->start(QStringLiteral(QUILLPIX_PROGRAM), arguments);
    return process;
}

Run runScan(const SaneConfig& sane, const QStringList& arguments) {
    std::unique_ptr<QProcess> process(startScan(sane, arguments));
    process->closeWriteChannel();
    Run run;
    if (!process->waitForFinished(60000))
        return run;
    run.status = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    run.out = QString::fromLocal8Bit(process->readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process->readAllStandardError());
    return run;
}

// Every entry of the folder, hidden ones too.
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList pageNames(int from, int to) {
    QStringList names;
    for (int n = from; n <= to; ++n)
        names << QStringLiteral("scan-%1.png").arg(n, 4, 10, QLatin1Char('0'));
    return names;
}

} // namespace

class TestScanCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The pages written, each printed as it is, with the size and resolution asked for, in
    // the form the mode makes. The test device's default area is 80 × 100 mm.
    void pagesWritten_data() {
        QTest::addColumn<QStringList>("conf");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("format"); // of the picture read back
        QTest::addColumn<QRgb>("pixel");
        const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
        const QSize at75(236, 295), at50(157, 196);
        const int rgb = QImage::Format_RGB32, grey = QImage::Format_Grayscale8,
                  mono = QImage::Format_Mono;
        QTest::newRow("colour, 75 dpi")
            << QStringList{} << QStringList{"--resolution", "75"} << 1 << at75 << rgb << black;
        QTest::newRow("grey from 16 bits")
            << QStringList{"depth 16", "test-picture \"Solid white\""}
            << QStringList{"--mode", "gray", "--resolution", "75"} << 1 << at75 << grey << white;
        QTest::newRow("lineart: black stays black")
            << QStringList{} << QStringList{"--mode=lineart", "--resolution=75"} << 1 << at75
            << mono << black;
        QTest::newRow("lineart: white stays white")
            << QStringList{"test-picture \"Solid white\""}
            << QStringList{"--mode", "lineart", "--resolution", "75"} << 1 << at75 << mono << white;
        QTest::newRow("three passes make one colour page")
            << QStringList{"three-pass true", "mode Color"} << QStringList{"--resolution", "50"}
            << 1 << at50 << rgb << black;
        QTest::newRow("the feeder's ten sheets")
            << QStringList{} << QStringList{"--source", "adf", "--resolution", "50"} << 10 << at50
            << rgb << black;
        QTest::newRow("the feeder, three at most")
            << QStringList{} << QStringList{"--source", "adf", "--resolution", "50", "--pages", "3"}
            << 3 << at50 << rgb << black;
        QTest::newRow("three flatbed pages, no terminal to wait on")
            << QStringList{} << QStringList{"--resolution", "50", "--pages", "3"} << 3 << at50
            << rgb << black;
    }
    void pagesWritten() {
        QFETCH(QStringList, conf);
        QFETCH(QStringList, arguments);
        QFETCH(int, pages);
        QFETCH(QSize, size);
        QFETCH(int, format);
        QFETCH(QRgb, pixel);
        const SaneConfig sane(conf);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("book"));
        const Run run = runScan(sane, QStringList{"--scan", folder} + arguments);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const QStringList names = pageNames(1, pages);
        QCOMPARE(entries(folder), names);
        QStringList printed;
        for (const QString& name : names)
            printed << folder + QLatin1Char('/') + name;
        QCOMPARE(run.out, printed.join(u'\n') + u'\n');
        const qsizetype given = arguments.indexOf(QStringLiteral("--resolution"));
        const int dpi =
            given >= 0 ? arguments[given + 1].toInt()
                       : arguments.filter(QStringLiteral("--resolution=")).value(0).mid(13).toInt();
        for (const QString& path : printed) {
            const QImage page(path);
            QCOMPARE(page.size(), size);
            QCOMPARE(int(page.format()), format);
            QCOMPARE(qRound(page.dotsPerMeterX() * 0.0254), dpi);
            QCOMPARE(qRound(page.dotsPerMeterY() * 0.0254), dpi);
            QCOMPARE(page.pixel(size.width() / 2, size.height() / 2), pixel);
        }
    }

    // The colour bands of a three-pass device land in their own channels: its page is the
    // one-pass page, pixel for pixel.
    void threePassesMatchOnePass() {
        QTemporaryDir dir;
        QStringList pictures;
        for (const char* passes : {"three-pass false", "three-pass true"}) {
            const SaneConfig sane({QString::fromLatin1(passes), "test-picture \"Color pattern\""});
            const Run run = runScan(sane, {"--scan", dir.path(), "--resolution", "40"});
            QVERIFY2(run.status == 0, qPrintable(run.err));
            pictures << run.out.trimmed();
        }
        const QImage one(pictures[0]), three(pictures[1]);
        QVERIFY(!one.isNull());
        QVERIFY(one.pixel(0, 0) != one.pixel(one.width() - 1, one.height() - 1));
        QCOMPARE(three, one);
    }

    // A second scan goes on after the highest page; nothing there changes.
    void aSecondScanGoesOn() {
        const SaneConfig sane;
        QTemporaryDir dir;
        const auto write = [&](const QString& name) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(name.toUtf8());
        };
        for (const char* name : {"scan-0001.png", "scan-0003.png", "notes.txt"})
            write(QString::fromUtf8(name));
        const Run run = runScan(sane, {"--scan", dir.path(), "--resolution", "30", "--pages", "2"});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(entries(dir.path()), (QStringList{"notes.txt", "scan-0001.png", "scan-0003.png",
                                                   "scan-0004.png", "scan-0005.png"}));
        for (const char* name : {"scan-0001.png", "scan-0003.png", "notes.txt"})
            QCOMPARE(contents(dir.filePath(QString::fromUtf8(name))), QByteArray(name));
        QVERIFY(!QImage(dir.filePath(QStringLiteral("scan-0005.png"))).isNull());
    }

    // What goes wrong is said in one line naming the device and the reason; nothing is written
    // and the folder's files stay as they were.
    void failures_data() {
        QTest::addColumn<QStringList>("conf");
        QTest::addColumn<bool>("backend");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const auto reading = [](const char* status) {
            return QStringList{QStringLiteral("read-status-code \"%1\"").arg(status)};
        };
        const QStringList none;
        QTest::newRow("no scanner")
            << none << false << QStringList{} << 3 << "quillpix --scan: no scanner was found";
        QTest::newRow("no such device") << none << true << QStringList{"--device", "test:7"} << 1
                                        << "quillpix --scan: there is no scanner test:7";
        QTest::newRow("busy") << reading("SANE_STATUS_DEVICE_BUSY") << true << QStringList{} << 1
                              << "scanner test:0 is busy: another program is using it";
        QTest::newRow("jammed") << reading("SANE_STATUS_JAMMED") << true
                                << QStringList{"--source", "adf"} << 1
                                << "the feeder of scanner test:0 is jammed";
        QTest::newRow("feeder empty at the start")
            << reading("SANE_STATUS_NO_DOCS") << true << QStringList{"--source", "adf"} << 1
            << "the feeder of scanner test:0 is empty";
        QTest::newRow("cover open")
            << reading("SANE_STATUS_COVER_OPEN") << true << QStringList{"--device", "test:1"} << 1
            << "the cover of scanner test:1 is open";
        QTest::newRow("gone mid-page")
            << reading("SANE_STATUS_IO_ERROR") << true << QStringList{} << 1
            << "scanner test:0 does not answer (Error during "
               "device I/O)";
        QTest::newRow("access denied") << reading("SANE_STATUS_ACCESS_DENIED") << true
                                       << QStringList{} << 1 << "scanner test:0 refused access";
        QTest::newRow("resolution beyond the device")
            << none << true << QStringList{"--resolution", "5000"} << 1
            << "scanner test:0 does not scan at 5000 dpi; it offers 1..1200 dpi";
        QTest::newRow("a mode of no scanner") << none << true << QStringList{"--mode", "sepia"} << 2
                                              << "--mode wants color, gray or lineart";
        QTest::newRow("a source of no scanner") << none << true << QStringList{"--source", "tray"}
                                                << 2 << "--source wants flatbed or adf";
        QTest::newRow("resolution 0") << none << true << QStringList{"--resolution", "0"} << 2
                                      << "--resolution wants dots per inch";
        QTest::newRow("a value missing")
            << none << true << QStringList{"--device"} << 2 << "--device needs a value";
        QTest::newRow("an unknown argument")
            << none << true << QStringList{"--colour"} << 2 << "unknown argument \"--colour\"";
        QTest::newRow("a folder that is a file") << none << true << QStringList{"--scan", "FILE"}
                                                 << 1 << "the page could not be written: ";
    }
    void failures() {
        QFETCH(QStringList, conf);
        QFETCH(bool, backend);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        const SaneConfig sane(conf, backend);
        QTemporaryDir dir;
        const QString kept = dir.filePath(QStringLiteral("scan-0001.png"));
        QFile file(kept);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kept");
        file.close();
        arguments.replaceInStrings(QStringLiteral("FILE"), kept);
        // A page small enough to be sent whole before the failure is told: SANE's reader
        // thread, stopped while it still draws a large one, can be left holding a lock of the C
        // library, which hangs the program.
        const QStringList small = arguments.contains(QStringLiteral("--resolution"))
                                      ? QStringList{}
                                      : QStringList{"--resolution", "20"};
        const QStringList all = arguments.contains(QStringLiteral("--scan"))
                                    ? arguments + small
                                    : QStringList{"--scan", dir.path()} + small + arguments;
        const Run run = runScan(sane, all);
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        QCOMPARE(entries(dir.path()), QStringList{"scan-0001.png"});
        QCOMPARE(contents(kept), QByteArray("kept"));
    }

    // Ctrl+C or SIGTERM mid-page ends the scan at once; the page under way leaves no file and no
    // part. Also when the device reads without blocking.
    void aStopMidPage_data() {
        QTest::addColumn<QStringList>("conf");
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("message");
        const QStringList slow{"read-delay true", "read-delay-duration 200000"};
        QTest::newRow("SIGINT") << slow << SIGINT << "Interrupted (SIGINT)";
        QTest::newRow("SIGTERM") << slow << SIGTERM << "Stopped (SIGTERM)";
        QTest::newRow("SIGINT, reads that do not block")
            << slow + QStringList{"non-blocking true", "select-fd true"} << SIGINT
            << "Interrupted (SIGINT)";
    }
    void aStopMidPage() {
        QFETCH(QStringList, conf);
        QFETCH(int, signal);
        QFETCH(QString, message);
        const SaneConfig sane(conf);
        QTemporaryDir dir;
        // About 13 pieces of 0.2 s each.
        std::unique_ptr<QProcess> process(
            startScan(sane, {"--scan", dir.path(), "--resolution", "150"}));
        QByteArray err;
        QElapsedTimer waited;
        waited.start();
        while (!err.contains("page 1: scanning") && waited.elapsed() < 20000 &&
               process->state() != QProcess::NotRunning) {
            process->waitForReadyRead(100);
            err += process->readAllStandardError();
        }
        QVERIFY2(err.contains("page 1: scanning"), err.constData());
        QTest::qWait(300);
        QElapsedTimer stopping;
        stopping.start();
        ::kill(pid_t(process->processId()), signal);
        QVERIFY(process->waitForFinished(10000));
        QVERIFY2(stopping.elapsed() < 2000, "the stop waited for the page");
        QCOMPARE(process->exitCode(), 128 + signal);
        err += process->readAllStandardError();
        QVERIFY2(err.contains(message.toUtf8()), err.constData());
        QVERIFY(process->readAllStandardOutput().isEmpty());
        QCOMPARE(entries(dir.path()), QStringList{});
    }

    // The scan's own usage, not the batch's, though --help is a word of both.
    void theScansOwnHelp() {
        const SaneConfig sane;
        const Run run = runScan(sane, {"--scan", "--help"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains(QLatin1String("--source S")));
        QVERIFY(!run.out.contains(QLatin1String("--batch")));
    }
};

QTEST_GUILESS_MAIN(TestScanCli)
#include "test_scancli.moc"
