#include "saneconfig.h"
#include "scanfolder.h"
#include "scanframe.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace quillpix;
using namespace quillpix::scanner;

Q_DECLARE_METATYPE(QList<quillpix::scanner::Frame>)

namespace {

Frame frame(FrameKind kind, int depth, int pixels, int bytesPerLine, int lines,
            const QByteArray& data) {
    return {kind, depth, pixels, bytesPerLine, lines, data};
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

// 16-bit samples as this machine holds them, as the devices send them.
QByteArray samples16(std::initializer_list<quint16> values) {
    QByteArray b;
    for (quint16 v : values)
        b.append(reinterpret_cast<const char*>(&v), 2);
    return b;
}

// Each row of pixels as "#rrggbb" words.
QStringList pixelsOf(const QImage& image) {
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QStringList row;
        for (int x = 0; x < image.width(); ++x)
            row << QColor(image.pixel(x, y)).name();
        rows << row.join(u' ');
    }
    return rows;
}

} // namespace

class TestScanner : public QObject {
    Q_OBJECT
    // Slow enough that a stop lands in the middle of a page.
    testing::SaneConfig m_sane{
        {QStringLiteral("read-delay true"), QStringLiteral("read-delay-duration 20000")}};

private Q_SLOTS:
    void initTestCase() {
        // Before SANE's one start in this process.
        qputenv("SANE_CONFIG_DIR", m_sane.path().toLocal8Bit());
    }

    // Every layout a device sends becomes the page it means, its resolution declared.
    void pageFromFrames_data() {
        QTest::addColumn<QList<Frame>>("frames");
        QTest::addColumn<int>("format");
        QTest::addColumn<QStringList>("pixels");
        const auto one = [](const Frame& f) { return QList<Frame>{f}; };
        QTest::newRow("grey, each line padded")
            << one(frame(FrameKind::Grey, 8, 3, 4, 2, bytes({0, 128, 255, 9, 10, 20, 30, 9})))
            << int(QImage::Format_Grayscale8)
            << QStringList{"#000000 #808080 #ffffff", "#0a0a0a #141414 #1e1e1e"};
        QTest::newRow("grey of 16 bits keeps the high byte")
            << one(frame(FrameKind::Grey, 16, 2, 4, 1, samples16({0x12ff, 0xfe01})))
            << int(QImage::Format_Grayscale8) << QStringList{"#121212 #fefefe"};
        QTest::newRow("lineart: 1 is black, a line of 10 pixels in 2 bytes")
            << one(frame(FrameKind::Grey, 1, 10, 2, 2,
                         bytes({0b10100000, 0b01000000, 0b01111111, 0b11000000})))
            << int(QImage::Format_Mono)
            << QStringList{"#000000 #ffffff #000000 #ffffff #ffffff #ffffff #ffffff #ffffff "
                           "#ffffff #000000",
                           "#ffffff #000000 #000000 #000000 #000000 #000000 #000000 #000000 "
                           "#000000 #000000"};
        QTest::newRow("rgb") << one(frame(FrameKind::Rgb, 8, 2, 6, 1,
                                          bytes({1, 2, 3, 250, 251, 252})))
                             << int(QImage::Format_RGB888) << QStringList{"#010203 #fafbfc"};
        QTest::newRow("rgb of 16 bits")
            << one(frame(FrameKind::Rgb, 16, 1, 6, 1, samples16({0xab00, 0x00ff, 0x7f7f})))
            << int(QImage::Format_RGB888) << QStringList{"#ab007f"};
        QTest::newRow("three passes, blue first")
            << QList<Frame>{frame(FrameKind::Blue, 8, 2, 2, 1, bytes({3, 6})),
                            frame(FrameKind::Red, 8, 2, 2, 1, bytes({1, 4})),
                            frame(FrameKind::Green, 8, 2, 2, 1, bytes({2, 5}))}
            << int(QImage::Format_RGB888) << QStringList{"#010203 #040506"};
        QTest::newRow("length unknown beforehand: whole lines only")
            << one(frame(FrameKind::Grey, 8, 2, 2, -1, bytes({1, 2, 3, 4, 5})))
            << int(QImage::Format_Grayscale8) << QStringList{"#010101 #020202", "#030303 #040404"};
        QTest::newRow("more data than the lines announced")
            << one(frame(FrameKind::Grey, 8, 1, 1, 1, bytes({7, 8})))
            << int(QImage::Format_Grayscale8) << QStringList{"#070707"};
    }
    void pageFromFrames() {
        QFETCH(QList<Frame>, frames);
        QFETCH(int, format);
        QFETCH(QStringList, pixels);
        QString problem;
        const QImage page = scanner::pageFromFrames(frames, 150, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(int(page.format()), format);
        QCOMPARE(pixelsOf(page), pixels);
        QCOMPARE(page.dotsPerMeterX(), 5906);
        QCOMPARE(page.dotsPerMeterY(), 5906);
    }

    void framesThatMakeNoPage_data() {
        QTest::addColumn<QList<Frame>>("frames");
        const Frame red = frame(FrameKind::Red, 8, 2, 2, 1, bytes({1, 2}));
        const Frame green = frame(FrameKind::Green, 8, 2, 2, 1, bytes({1, 2}));
        QTest::newRow("none") << QList<Frame>{};
        QTest::newRow("a line longer than its bytes")
            << QList<Frame>{frame(FrameKind::Rgb, 8, 4, 6, 1, QByteArray(6, 'x'))};
        QTest::newRow("4 bits") << QList<Frame>{frame(FrameKind::Grey, 4, 2, 1, 1, bytes({1}))};
        QTest::newRow("no whole line") << QList<Frame>{frame(FrameKind::Grey, 8, 4, 4, 1, "ab")};
        QTest::newRow("two bands") << QList<Frame>{red, green};
        QTest::newRow("a band twice") << QList<Frame>{red, green, green};
        QTest::newRow("bands of other widths")
            << QList<Frame>{red, green, frame(FrameKind::Blue, 8, 1, 1, 1, bytes({1}))};
        QTest::newRow("a band alone") << QList<Frame>{red};
    }
    void framesThatMakeNoPage() {
        QFETCH(QList<Frame>, frames);
        QString problem;
        QVERIFY(scanner::pageFromFrames(frames, 300, &problem).isNull());
        QVERIFY(!problem.isEmpty());
    }

    void nextPageName_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("next");
        QTest::newRow("none yet") << QStringList{"page.png", "scan-.png"} << "scan-0001.png";
        QTest::newRow("after the highest, any case")
            << QStringList{"scan-0012.png", "SCAN-0030.PNG", "scan-0007.png"} << "scan-0031.png";
        QTest::newRow("past four digits") << QStringList{"scan-9999.png"} << "scan-10000.png";
        QTest::newRow("other names left alone")
            << QStringList{"scan-0040.png.txt", "myscan-0050.png", "scan-0060.jpg", "scan-0002.png"}
            << "scan-0003.png";
    }
    void nextPageName() {
        QFETCH(QStringList, names);
        QFETCH(QString, next);
        QCOMPARE(scanner::nextPageName(names), next);
    }

    void wordsOfTheDevices_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode"); // -1 none
        QTest::addColumn<int>("source");
        const int none = -1, colour = int(Mode::Colour), grey = int(Mode::Grey),
                  lineart = int(Mode::Lineart), flatbed = int(Source::Flatbed),
                  feeder = int(Source::Feeder);
        QTest::newRow("Color") << "Color" << colour << none;
        QTest::newRow("24bit Color") << "24bit Color" << colour << none;
        QTest::newRow("Gray") << "Gray" << grey << none;
        QTest::newRow("True Gray") << "True Gray" << grey << none;
        QTest::newRow("Lineart") << "Lineart" << lineart << none;
        QTest::newRow("Binary") << "Binary" << lineart << none;
        QTest::newRow("Black & White") << "Black & White" << lineart << none;
        QTest::newRow("Halftone") << "Halftone" << none << none;
        QTest::newRow("Color Lineart") << "Color Lineart" << none << none;
        QTest::newRow("Flatbed") << "Flatbed" << none << flatbed;
        QTest::newRow("Document Table") << "Document Table" << none << flatbed;
        QTest::newRow("Automatic Document Feeder") << "Automatic Document Feeder" << none << feeder;
        QTest::newRow("ADF Duplex") << "ADF Duplex" << none << feeder;
        QTest::newRow("Transparency Adapter") << "Transparency Adapter" << none << none;
    }
    void wordsOfTheDevices() {
        QFETCH(QString, name);
        QFETCH(int, mode);
        QFETCH(int, source);
        QCOMPARE(int(modeOfName(name).value_or(Mode(-1))), mode);
        QCOMPARE(int(sourceOfName(name).value_or(Source(-1))), source);
    }

    void resolutionWithin_data() {
        QTest::addColumn<QList<int>>("list");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("wanted");
        QTest::addColumn<int>("taken");
        QTest::newRow("in range") << QList<int>{} << 50 << 1200 << 300 << 300;
        QTest::newRow("above") << QList<int>{} << 50 << 600 << 1200 << 600;
        QTest::newRow("below") << QList<int>{} << 100 << 600 << 75 << 100;
        QTest::newRow("nearest of a list") << QList<int>{75, 150, 600} << 75 << 600 << 300 << 150;
        QTest::newRow("nothing to choose") << QList<int>{} << 0 << 0 << 300 << 300;
    }
    void resolutionWithin() {
        QFETCH(QList<int>, list);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, wanted);
        QFETCH(int, taken);
        Capabilities c;
        c.resolutions = list;
        c.minResolution = low;
        c.maxResolution = high;
        QCOMPARE(scanner::resolutionWithin(wanted, c), taken);
    }

    // What the test device offers, read from the device itself; lineart through its 1-bit grey.
    void capabilitiesOfTheTestDevice() {
        const QList<Device> found = scanner::devices();
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0].name, QStringLiteral("test:0"));
        const Capabilities c = scanner::capabilities(QStringLiteral("test:1"));
        QVERIFY(!c.error);
        QCOMPARE(c.device, QStringLiteral("test:1"));
        QCOMPARE(c.minResolution, 1);
        QCOMPARE(c.maxResolution, 1200);
        QCOMPARE(c.modes, (QList<Mode>{Mode::Colour, Mode::Grey, Mode::Lineart}));
        QCOMPARE(c.sources, (QList<Source>{Source::Flatbed, Source::Feeder}));
        QCOMPARE(c.area, QRectF(0, 0, 200, 200));
        QCOMPARE(scanner::capabilities({}).device, QStringLiteral("test:0"));
        const Capabilities missing = scanner::capabilities(QStringLiteral("test:9"));
        QCOMPARE(missing.error.problem, Problem::NoSuchDevice);
        QCOMPARE(missing.error.device, QStringLiteral("test:9"));
    }

    // The area asked for is what is scanned: 20 × 30 mm at 127 dpi is 100 × 150 pixels.
    void anAreaOfTheGlass() {
        QTemporaryDir dir;
        Request request;
        request.resolution = 127;
        request.mode = Mode::Grey;
        request.area = QRectF(10, 20, 20, 30);
        const FolderScan result = scanIntoFolder(request, dir.path(), {});
        QVERIFY(!result.error);
        QCOMPARE(result.written.size(), 1);
        QCOMPARE(QImageReader(result.written[0]).size(), QSize(100, 150));
    }

    // The page under way when the stop comes is dropped: the folder, not yet made, stays away.
    void aStopMidPageKeepsNothing() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("pages"));
        Request request;
        request.resolution = 300;
        std::atomic<int> pieces{0};
        Events events;
        events.progress = [&](const Progress&) { ++pieces; };
        events.stopRequested = [&] { return pieces > 1; };
        const FolderScan result = scanIntoFolder(request, folder, events);
        QCOMPARE(result.error.problem, Problem::Stopped);
        QCOMPARE(result.error.device, QStringLiteral("test:0"));
        QVERIFY(result.written.isEmpty());
        QVERIFY(!QFileInfo::exists(folder));
        // The device is ready again at once.
        request.resolution = 50;
        QCOMPARE(scanIntoFolder(request, folder, {}).written.size(), 1);
    }

    // A page takes the next free name, never one that is there; a part left by a scan that was
    // killed goes, nothing else changes.
    void keepPageNeverReplaces() {
        QTemporaryDir dir;
        const auto write = [&](const QString& name, const QByteArray& b) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(b);
        };
        write(QStringLiteral("scan-0007.png"), "mine");
        write(QStringLiteral("Scan-0002.PNG"), "mine too");
        write(QStringLiteral(".scan-0008.png.part"), "half");
        QImage page(4, 3, QImage::Format_Grayscale8);
        page.fill(7);
        page.setDotsPerMeterX(11811);
        page.setDotsPerMeterY(11811);
        QString error;
        const QString path = keepPage(page, dir.path(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(path, dir.filePath(QStringLiteral("scan-0008.png")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{"Scan-0002.PNG", "scan-0007.png", "scan-0008.png"}));
        const QImage back(path);
        QCOMPARE(back.size(), QSize(4, 3));
        QCOMPARE(back.dotsPerMeterX(), 11811);
        QFile kept(dir.filePath(QStringLiteral("scan-0007.png")));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("mine"));
        // A folder that is a file: nothing written, the reason names it.
        write(QStringLiteral("notafolder"), "x");
        QVERIFY(keepPage(page, dir.filePath(QStringLiteral("notafolder")), &error).isEmpty());
        QVERIFY(error.contains(QStringLiteral("notafolder")));
    }
};

QTEST_GUILESS_MAIN(TestScanner)
#include "test_scanner.moc"
