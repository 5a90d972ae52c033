#include "failure.h"
#include "filelistbox.h"
#include "listing.h"
#include "pages.h"
#include "picturebox.h"
#include "picturefiles.h"
#include "pictureloader.h"
#include "reducedview.h"
#include "rubberband.h"
#include "scannedpage.h"
#include "selectionstate.h"
#include "tempworkspace.h"
#include "textfiles.h"
#include "viewmath.h"
#include "waysin.h"
#include "zoom.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

using namespace quillpix;
using quillpix::testing::coordinatePicture;

namespace {

bool everyPixelGrey(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p))
                return false;
        }
    return true;
}

// The view's stretch rule written out pixel by pixel: the reference the fast drawing must meet.
QImage stretchedByHand(const QImage& picture, QSize surface, QRgb back, int z, int hPos, int vPos) {
    QImage out(surface, QImage::Format_RGB32);
    out.fill(back);
    const int w = picture.width(), h = picture.height(), sw = w / z, sh = h / z;
    for (int dy = 0; dy < std::min(sh, surface.height()); ++dy)
        for (int dx = 0; dx < std::min(sw, surface.width()); ++dx) {
            const qint64 sx = qint64(hPos) * z + qint64(dx) * w / sw;
            const qint64 sy = qint64(vPos) * z + qint64(dy) * h / sh;
            if (sx < w && sy < h)
                out.setPixel(dx, dy, picture.pixel(int(sx), int(sy)));
        }
    return out;
}

// Standard error sent to a file for as long as it lives, and Qt's own messages (a library's
// complaints reach standard error through them in the program) kept beside it.
class StandardErrorCapture {
public:
    StandardErrorCapture() {
        std::fflush(stderr);
        m_saved = ::dup(2);
        if (m_file.open())
            ::dup2(m_file.handle(), 2);
        messages().clear();
        m_handler = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { messages() << text; });
    }
    ~StandardErrorCapture() { restore(); }
    QByteArray take() {
        restore();
        m_file.seek(0);
        return m_file.readAll() + messages().join(QLatin1Char('\n')).toUtf8();
    }

private:
    static QStringList& messages() {
        static QStringList list;
        return list;
    }
    void restore() {
        if (m_saved < 0)
            return;
        qInstallMessageHandler(m_handler);
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
    QtMessageHandler m_handler = nullptr;
};

// Renders the page with the command-line renderer of the document library, as it shows the
// page (its crop box), at the resolution given.
QImage renderedByPdftoppm(const QString& pdf, double dpi) {
    QTemporaryDir dir;
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-cropbox"), QStringLiteral("-r"), QString::number(dpi),
             QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf,
             dir.filePath(QStringLiteral("page"))});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QImage(dir.filePath(QStringLiteral("page.png"))).convertToFormat(QImage::Format_RGB32);
}

// The same size, and the same colour within a few steps at points spread over the picture
// away from edges between areas of colour.
bool lookAlike(const QImage& a, const QImage& b, QString& why) {
    if (a.size() != b.size()) {
        why = QStringLiteral("sizes %1×%2 and %3×%4")
                  .arg(a.width())
                  .arg(a.height())
                  .arg(b.width())
                  .arg(b.height());
        return false;
    }
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 8; ++i) {
            const int x = a.width() * (2 * i + 1) / 16, y = a.height() * (2 * j + 1) / 8;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 12 || std::abs(qGreen(p) - qGreen(q)) > 12 ||
                std::abs(qBlue(p) - qBlue(q)) > 12) {
                why = QStringLiteral("at %1, %2: %3 and %4")
                          .arg(x)
                          .arg(y)
                          .arg(p, 8, 16)
                          .arg(q, 8, 16);
                return false;
            }
        }
    return true;
}

} // namespace

class TestViewerLogic : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // As the program does at start, before any picture is read.
    void initTestCase() { pictures::setUpImageReaders(); }

    // The folder chooser: the workspace's picture folders W/bmp_gif_a and W/bmp_gif_b first,
    // then the remembered folders that still exist, shown by full path with home as "~"; the
    // folder just opened (if any) is remembered first. Paths are relative to a temporary root
    // $T; home is $T/home.
    void folderChooser_data() {
        QTest::addColumn<QStringList>("remembered");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QStringList>("kept");
        const QStringList workspace{"bmp_gif_a", "bmp_gif_b"};
        QTest::newRow("workspace folders first, then the remembered in their order")
            << QStringList{"home/scans", "elsewhere"} << QString()
            << workspace + QStringList{"~/scans", "$T/elsewhere"}
            << QStringList{"home/scans", "elsewhere"};
        QTest::newRow("a folder written twice in the file is offered once")
            << QStringList{"elsewhere", "elsewhere"} << QString()
            << workspace + QStringList{"$T/elsewhere"} << QStringList{"elsewhere"};
        QTest::newRow("a folder that has gone is dropped")
            << QStringList{"home/gone", "home/scans"} << QString()
            << workspace + QStringList{"~/scans"} << QStringList{"home/scans"};
        QTest::newRow("home itself is ~; a neighbour named like it is not under it")
            << QStringList{"home", "homeless"} << QString()
            << workspace + QStringList{"~", "$T/homeless"} << QStringList{"home", "homeless"};
        QTest::newRow("a workspace picture folder is offered once")
            << QStringList{"W/bmp_gif_b", "elsewhere"} << QString()
            << workspace + QStringList{"$T/elsewhere"} << QStringList{"W/bmp_gif_b", "elsewhere"};
        QTest::newRow("a folder opened again comes first, once")
            << QStringList{"home/scans", "elsewhere"} << QStringLiteral("elsewhere")
            << workspace + QStringList{"$T/elsewhere", "~/scans"}
            << QStringList{"elsewhere", "home/scans"};
        QStringList ten, tenAfter{"f10"}, tenLabels = workspace + QStringList{"$T/f10"};
        for (int i = 0; i < 10; ++i) {
            ten << QStringLiteral("f%1").arg(i);
            if (i < 9) {
                tenAfter << ten.last();
                tenLabels << QStringLiteral("$T/f%1").arg(i);
            }
        }
        QTest::newRow("ten at most: the eleventh opened pushes the oldest out")
            << ten << QStringLiteral("f10") << tenLabels << tenAfter;
        QStringList again{"f5"}, againLabels = workspace + QStringList{"$T/f5"};
        for (int i = 0; i < 10; ++i)
            if (i != 5) {
                again << QStringLiteral("f%1").arg(i);
                againLabels << QStringLiteral("$T/f%1").arg(i);
            }
        QTest::newRow("one of the ten opened again: all ten stay")
            << ten << QStringLiteral("f5") << againLabels << again;
    }
    void folderChooser() {
        QFETCH(QStringList, remembered);
        QFETCH(QString, opened);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, kept);
        QTemporaryDir root;
        const QString t = root.path();
        for (const char* folder :
             {"W/bmp_gif_a", "W/bmp_gif_b", "home/scans", "elsewhere", "homeless"})
            QVERIFY(QDir().mkpath(t + QLatin1Char('/') + QLatin1String(folder)));
        for (int i = 0; i <= 10; ++i)
            QVERIFY(QDir().mkpath(t + QStringLiteral("/f%1").arg(i)));
        QFile zip(t + QStringLiteral("/W/bmp_gif.zip"));
        QVERIFY(zip.open(QIODevice::WriteOnly));
        const auto absolute = [&](const QStringList& relative) {
            QStringList paths;
            for (const QString& path : relative)
                paths << t + QLatin1Char('/') + path;
            return paths;
        };
        QStringList list = absolute(remembered);
        if (!opened.isEmpty())
            list = viewer::rememberFolder(list, t + QLatin1Char('/') + opened);
        QStringList stillThere;
        const QList<viewer::FolderItem> items = viewer::folderChoices(
            t + QStringLiteral("/W"), list, t + QStringLiteral("/home"), &stillThere);
        QStringList shown, folders;
        for (const viewer::FolderItem& item : items) {
            shown << item.label;
            folders << item.folder;
        }
        labels.replaceInStrings(QStringLiteral("$T"), t);
        QCOMPARE(shown, labels);
        QCOMPARE(stillThere, absolute(kept));
        // Each item lists the folder its label names.
        QStringList named;
        for (const QString& label : labels)
            named << (label.startsWith(QLatin1Char('~'))
                          ? t + QStringLiteral("/home") + label.mid(1)
                      : label.startsWith(t) ? label
                                            : t + QStringLiteral("/W/") + label);
        QCOMPARE(folders, named);
    }

    // What a path (or several, dropped together) opens. Paths are relative to $T, which holds
    // pics/a.bmp, pics/b.bmp and other/link.bmp, a link to pics/a.bmp.
    void pathsOpened_data() {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("file");
        QTest::newRow("a folder") << QStringList{"pics"} << "pics"
                                  << "";
        QTest::newRow("a folder by a roundabout path") << QStringList{"other/../pics/"} << "pics"
                                                       << "";
        QTest::newRow("a file: its folder, the file chosen") << QStringList{"pics/b.bmp"} << "pics"
                                                             << "b.bmp";
        QTest::newRow("several files: the first one's folder and the first one")
            << QStringList{"pics/b.bmp", "pics/a.bmp"} << "pics"
            << "b.bmp";
        QTest::newRow("a link keeps its own folder and name")
            << QStringList{"other/link.bmp"} << "other"
            << "link.bmp";
        QTest::newRow("a path that is gone opens nothing")
            << QStringList{"pics/gone.bmp", "pics/a.bmp"} << ""
            << "";
        QTest::newRow("no path") << QStringList{} << ""
                                 << "";
    }
    void pathsOpened() {
        QFETCH(QStringList, paths);
        QFETCH(QString, folder);
        QFETCH(QString, file);
        QTemporaryDir root;
        const QString t = QFileInfo(root.path()).canonicalFilePath();
        QVERIFY(QDir().mkpath(t + QStringLiteral("/pics")));
        QVERIFY(QDir().mkpath(t + QStringLiteral("/other")));
        for (const char* name : {"pics/a.bmp", "pics/b.bmp"}) {
            QFile f(t + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(
            QFile::link(t + QStringLiteral("/pics/a.bmp"), t + QStringLiteral("/other/link.bmp")));
        for (QString& path : paths)
            path = t + QLatin1Char('/') + path;
        const viewer::Opening expected{folder.isEmpty() ? QString() : t + QLatin1Char('/') + folder,
                                       file};
        QCOMPARE(viewer::openingFor(paths), expected);
    }

    // A pasted or captured picture never replaces one kept before in the same second.
    void incomingNamesNeverReplace() {
        QTemporaryDir root;
        const QDateTime when(QDate(2024, 1, 2), QTime(3, 4, 5));
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const QString folder = root.path() + QStringLiteral("/bmp_gif_clipboard");
        QStringList names;
        for (int i = 0; i < 3; ++i)
            names << QFileInfo(viewer::saveIncomingPicture(picture, folder, "clipboard", when))
                         .fileName();
        QCOMPARE(names,
                 (QStringList{"clipboard_20240102-030405.png", "clipboard_20240102-030405_2.png",
                              "clipboard_20240102-030405_3.png"}));
        QCOMPARE(QImage(folder + QLatin1Char('/') + names[2]).convertToFormat(QImage::Format_RGB32),
                 picture);
    }

    // The whole-picture divisor: the smallest whole z that puts the picture inside, at the
    // boundary where one more pixel needs the next z.
    void fitDivisor_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("inner");
        QTest::addColumn<int>("z");
        QTest::newRow("fits as it is") << QSize(821, 401) << QSize(821, 401) << 1;
        QTest::newRow("one column too wide") << QSize(822, 10) << QSize(821, 401) << 2;
        QTest::newRow("twice and one column, rounded down")
            << QSize(1643, 10) << QSize(821, 401) << 2;
        QTest::newRow("twice and one row") << QSize(10, 804) << QSize(821, 401) << 3;
        QTest::newRow("the taller side decides") << QSize(3000, 2400) << QSize(526, 401) << 6;
        QTest::newRow("no display") << QSize(3000, 2400) << QSize(0, 0) << 1;
    }
    void fitDivisor() {
        QFETCH(QSize, picture);
        QFETCH(QSize, inner);
        QFETCH(int, z);
        QCOMPARE(
            viewer::fitDivisor(picture.width(), picture.height(), inner.width(), inner.height()),
            z);
    }

    // The wheel's zoom steps go one way in size: the whole picture stands among the fixed
    // steps where its divisor falls, never a step back.
    void zoomRowAfter_data() {
        QTest::addColumn<int>("fit");     // the whole-picture row's divisor
        QTest::addColumn<QString>("out"); // rows visited stepping out from 100 %, then back in
        QTest::newRow("whole picture smallest") << 8 << "0 1 2 3 4 | 4 3 2 1 0";
        QTest::newRow("whole picture between 50 and 25 %") << 3 << "0 1 4 2 3 | 3 2 4 1 0";
        QTest::newRow("whole picture as 50 %: passed over") << 2 << "0 1 2 3 | 3 2 1 0";
        QTest::newRow("a small picture: whole at 100 %") << 1 << "0 1 2 3 | 3 2 1 0";
    }
    void zoomRowAfter() {
        QFETCH(int, fit);
        QFETCH(QString, out);
        QStringList visited;
        int row = 0;
        for (int i = 0; i < 6; ++i) {
            if (visited.isEmpty() || visited.last() != QString::number(row))
                visited << QString::number(row);
            row = viewer::zoomRowAfter(row, 1, fit);
        }
        visited << QStringLiteral("|");
        for (int i = 0; i < 6; ++i) {
            if (visited.last() != QString::number(row))
                visited << QString::number(row);
            row = viewer::zoomRowAfter(row, -1, fit);
        }
        QCOMPARE(visited.join(u' '), out);
        // Two notches at once go as two single ones; from the whole picture in to 100 %.
        QCOMPARE(viewer::zoomRowAfter(0, 2, fit),
                 viewer::zoomRowAfter(viewer::zoomRowAfter(0, 1, fit), 1, fit));
        QCOMPARE(viewer::zoomRowAfter(4, -9, fit), fit > 1 ? 0 : 4); // at 100 % already
    }

    // A drag's scrolling at the display's edges: none inside the margin, a step out of it
    // that grows with the distance, capped.
    void edgeScrollStep_data() {
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QPoint>("step");
        QTest::newRow("inside the margins") << QPointF(12, 387) << QPoint(0, 0);
        QTest::newRow("just into the left margin") << QPointF(11.5, 200) << QPoint(-1, 0);
        QTest::newRow("just into the bottom margin") << QPointF(200, 388) << QPoint(0, 1);
        QTest::newRow("beyond the right edge") << QPointF(530, 200) << QPoint(22, 0);
        QTest::newRow("far beyond, capped") << QPointF(200, -500) << QPoint(0, -40);
    }
    void edgeScrollStep() {
        QFETCH(QPointF, pointer);
        QFETCH(QPoint, step);
        QCOMPARE(viewer::edgeScrollStep(pointer, QSize(500, 400)), step);
    }

    void scrollSetup_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("z");
        QTest::addColumn<QSize>("display");
        QTest::addColumn<QList<int>>("expected"); // hMax, hLarge, hOn, vMax, vLarge, vOn
        const QSize design(825, 405);
        QTest::newRow("fits at 50 %")
            << QSize(1000, 800) << 2 << design << QList<int>{-325, 0, 0, -5, 0, 0};
        QTest::newRow("scrolls at 100 %")
            << QSize(1000, 800) << 1 << design << QList<int>{175, 200, 1, 395, 160, 1};
        QTest::newRow("odd width halves down")
            << QSize(1001, 800) << 2 << design << QList<int>{-325, 0, 0, -5, 0, 0};
        QTest::newRow("exactly the display")
            << QSize(825, 405) << 1 << design << QList<int>{0, 0, 0, 0, 0, 0};
        QTest::newRow("one pixel more")
            << QSize(826, 406) << 1 << design << QList<int>{1, 165, 1, 1, 81, 1};
        QTest::newRow("A4 at 600 dpi, 20 %")
            << QSize(4960, 7016) << 5 << QSize(1650, 405) << QList<int>{-658, 0, 0, 998, 280, 1};
        QTest::newRow("widest supported")
            << QSize(825 + 32767, 10) << 1 << design << QList<int>{32767, 6718, 1, -395, 0, 0};
    }
    void scrollSetup() {
        QFETCH(QSize, picture);
        QFETCH(int, z);
        QFETCH(QSize, display);
        QFETCH(QList<int>, expected);
        const viewer::ScrollSetup s = viewer::scrollSetup(picture, z, display);
        QCOMPARE((QList<int>{s.hMaximum, s.hLargeChange, int(s.hEnabled), s.vMaximum,
                             s.vLargeChange, int(s.vEnabled)}),
                 expected);
    }

    void sixteenBitLimits() {
        const QSize design(825, 405);
        QVERIFY(viewer::withinViewRange(QSize(825 + 32767, 405 + 32767), design));
        QVERIFY(!viewer::withinViewRange(QSize(825 + 32768, 10), design));
        QVERIFY(!viewer::withinViewRange(QSize(10, 405 + 32768), design));
        QVERIFY_THROWS_EXCEPTION(Failure, viewer::scrollSetup(QSize(825 + 32768, 10), 1, design));
        QCOMPARE(viewer::sourceOffset(6553, 5), int16_t(32765));
        QVERIFY_THROWS_EXCEPTION(Failure, viewer::sourceOffset(6554, 5));
        // Within the supported range the largest position times z stays in 16 bits at every zoom.
        for (int z : {1, 2, 4, 5}) {
            const auto s = viewer::scrollSetup(QSize(825 + 32767, 405 + 32767), z, design);
            QVERIFY(viewer::sourceOffset(s.hMaximum, z) >= 0);
            QVERIFY(viewer::sourceOffset(s.vMaximum, z) >= 0);
        }
    }

    void followViewKeepsTheFrameOverThePicture() {
        SelectionState s;
        s.x1 = 100;
        s.x2 = 200;
        s.y1 = 10;
        s.y2 = 50;
        selection::followView(s, 40, 0);
        QCOMPARE((QList<int>{s.x1, s.x2, s.y1, s.y2, s.frameScrollH, s.frameScrollV}),
                 (QList<int>{60, 160, 10, 50, 40, 0}));
        selection::followView(s, 25, 30);
        QCOMPARE((QList<int>{s.x1, s.x2, s.y1, s.y2, s.frameScrollH, s.frameScrollV}),
                 (QList<int>{75, 175, -20, 20, 25, 30}));
    }

    void reducedViewMatchesTheStretchRule_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("surface");
        QTest::addColumn<int>("z");
        QTest::addColumn<bool>("grey"); // the picture kept as 8-bit grey
        QTest::newRow("100 %, scrolls") << QSize(700, 500) << QSize(300, 200) << 1 << false;
        QTest::newRow("50 %, odd sizes") << QSize(1001, 801) << QSize(300, 200) << 2 << false;
        QTest::newRow("25 %, remainders 3 and 2")
            << QSize(1203, 1002) << QSize(160, 120) << 4 << false;
        QTest::newRow("20 %, remainders 4 and 3")
            << QSize(1504, 1003) << QSize(200, 150) << 5 << false;
        QTest::newRow("20 %, several phases while scrolling")
            << QSize(1004, 1004) << QSize(120, 90) << 5 << false;
        QTest::newRow("20 %, display larger than picture")
            << QSize(1504, 1003) << QSize(400, 250) << 5 << false;
        QTest::newRow("25 %, small picture") << QSize(303, 207) << QSize(160, 120) << 4 << false;
        QTest::newRow("narrower than the divisor")
            << QSize(3, 500) << QSize(160, 120) << 4 << false;
        QTest::newRow("grey, 100 %, scrolls") << QSize(700, 500) << QSize(300, 200) << 1 << true;
        QTest::newRow("grey, 50 %, odd sizes") << QSize(1001, 801) << QSize(300, 200) << 2 << true;
        QTest::newRow("grey, 20 %, display larger than picture")
            << QSize(1504, 1003) << QSize(400, 250) << 5 << true;
    }
    void reducedViewMatchesTheStretchRule() {
        QFETCH(QSize, picture);
        QFETCH(QSize, surface);
        QFETCH(int, z);
        QFETCH(bool, grey);
        QImage first = coordinatePicture(picture.width(), picture.height());
        // Grey levels that differ from one column and row to the next.
        if (grey) {
            first = QImage(picture, QImage::Format_Grayscale8);
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    first.scanLine(y)[x] = uchar(x * 7 + y * 13);
        }
        QImage second = first;
        second.invertPixels();
        PictureBox display(nullptr, PictureBox::Border::Sunken);
        display.setOuterSize(surface.width() + 4, surface.height() + 4);
        const QRgb back = display.backColor().rgb();
        // The bars' maxima as the viewer sets them, from the outer size.
        const int hMax = std::max(0, picture.width() / z - (surface.width() + 4));
        const int vMax = std::max(0, picture.height() / z - (surface.height() + 4));
        const QList<QPoint> positions{{0, 0},    {hMax, vMax}, {hMax / 2, vMax / 3}, {1, 0},
                                      {0, vMax}, {hMax, 0},    {hMax + 3, 0},        {0, vMax + 2}};
        viewer::ReducedView view;
        for (const QImage& pic : {first, second}) {
            for (QPoint p : positions) {
                // Whatever was on the display before must be painted over.
                display.setDrawMode(PictureBox::DrawMode::CopyPen);
                display.fillBox(0, 0, surface.width(), surface.height(), Qt::red);
                view.draw(&display, pic, z, p.x(), p.y(), hMax, vMax);
                const QImage expected = stretchedByHand(pic, surface, back, z, p.x(), p.y());
                QVERIFY2(display.surface() == expected,
                         qPrintable(QStringLiteral("position %1, %2").arg(p.x()).arg(p.y())));
                viewer::drawByStretching(&display, pic, z, p.x(), p.y());
                QVERIFY(display.surface() == expected);
            }
        }
    }

    // Every format family: what loads (its size and top-left pixel, opaque on white; 8-bit grey
    // when every pixel is grey, RGB32 otherwise) and what is refused with which message.
    void loadPicture_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("problem"); // empty: loads
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRgb>("topLeft");
        QTest::addColumn<qint64>("memory"); // what the read may fill; 0: this machine's ceiling
        QTest::addColumn<int>("kept"); // 1: 8-bit grey, 0: colour, -1: as the codec's pixels say
        using namespace quillpix::testing;
        QImage four(6, 5, QImage::Format_RGB32);
        four.fill(qRgb(10, 20, 30));
        four.setPixel(5, 4, qRgb(200, 100, 0));
        const QByteArray gif = gifBytes(four);
        QImage clear(6, 5, QImage::Format_ARGB32);
        clear.fill(qRgba(0, 0, 0, 0));
        clear.setPixel(5, 4, qRgba(0, 0, 255, 255));
        QImage deep(6, 5, QImage::Format_RGBX64);
        deep.fill(QColor(10, 20, 30));
        QImage grey(6, 5, QImage::Format_Grayscale16);
        grey.fill(QColor(100, 100, 100));
        const QImage mono = four.convertToFormat(QImage::Format_Mono);
        const QImage palette = four.convertToFormat(QImage::Format_Indexed8);
        QImage wide(60, 20, QImage::Format_RGB32);
        wide.fill(Qt::white);
        wide.setPixel(0, 0, qRgb(0, 0, 0));
        const QByteArray png = encoded(four, "png"), jpeg = encoded(wide, "jpeg", 100);
        const QByteArray tiff = encoded(four, "tiff"), webp = encoded(four, "webp", 100);
        QByteArray damaged = png;
        damaged[40] = char(damaged[40] ^ 0x55); // inside the pixel data: its checksum fails
        QByteArray clearGif = gif;
        clearGif.insert(13 + 768, QByteArray("\x21\xF9\x04\x01\0\0\0\0", 8)); // colour 0 clear
        const QRgb none = 0, dark = qRgb(10, 20, 30), white = qRgb(255, 255, 255);
        auto row = [](const char* title, const char* name, const QByteArray& bytes, int page,
                      const char* problem, QSize size, QRgb topLeft, int kept = 0,
                      qint64 memory = 0) {
            QTest::newRow(title) << QString::fromLatin1(name) << bytes << page
                                 << QString::fromUtf8(problem) << size << topLeft << memory << kept;
        };
        // A scan's greys stored in 24-bit colour, and the same with one pixel off grey in one
        // channel; as 8-bit bitmaps with a grey palette, with a coloured entry no pixel uses,
        // and with one pixel of a coloured entry.
        QImage greys(7, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                greys.setPixel(x, y, qRgb(x * 40, x * 40, x * 40) + y * 0x010101);
        QImage offRed = greys, offBlue = greys;
        offRed.setPixel(6, 2, qRgb(241, 242, 242));
        offBlue.setPixel(6, 2, qRgb(242, 242, 243));
        QImage greyPalette(7, 3, QImage::Format_Indexed8);
        QList<QRgb> levels;
        for (int g = 0; g < 64; ++g)
            levels << qRgb(g * 4, g * 4, g * 4);
        greyPalette.setColorTable(levels);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                greyPalette.setPixel(x, y, uint(x * 9 + y));
        QImage unusedColour = greyPalette, usedColour = greyPalette;
        QList<QRgb> withColour = levels;
        withColour[63] = qRgb(200, 100, 0);
        unusedColour.setColorTable(withColour);
        usedColour.setColorTable(withColour);
        usedColour.setPixel(6, 2, 63);
        // A grey palette whose first entry, the top left pixel's, is transparent.
        QImage clearPalette = greyPalette;
        QList<QRgb> clearLevels = levels;
        clearLevels[0] = qRgba(0, 0, 0, 0);
        clearPalette.setColorTable(clearLevels);
        QImage greyClear(6, 5, QImage::Format_ARGB32);
        greyClear.fill(qRgba(60, 60, 60, 255));
        greyClear.setPixel(0, 0, qRgba(0, 0, 0, 0));
        greyClear.setPixel(1, 0, qRgba(100, 100, 100, 128));
        // A comment quoting a PDF's header inside the first kilobyte of a picture.
        QImage quoting = four;
        quoting.setText(QStringLiteral("Comment"),
                        QStringLiteral("converted from scan.pdf (%PDF-1.4)"));
        QImage quotingWide = wide;
        quotingWide.setText(QStringLiteral("Comment"),
                            QStringLiteral("converted from scan.pdf (%PDF-1.4)"));
        const QByteArray pdf = numberedPdf(1);
        row("empty file", "p.bmp", {}, -1, "空", {}, none);
        row("not a picture", "p.bmp", "scan of page 1\r\n", -1, "画像ファイルではない", {}, none);
        row("bitmap cut short", "p.bmp", bitmapBytes(100, 50, bitmapPixelBytes(100, 50) / 2), -1,
            "途中で切れて", {}, none);
        // 101 pixels of 3 bytes need a byte of padding per row; one byte short is cut short.
        row("padded bitmap one byte short", "p.bmp",
            bitmapBytes(101, 50, bitmapPixelBytes(101, 50) - 1), -1, "途中で切れて", {}, none);
        row("bitmap headers only", "p.bmp", bitmapBytes(100, 50, 0), -1, "途中で切れて", {}, none);
        row("bitmap of width 0", "p.bmp", bitmapBytes(0, 10, 0), -1, "読み込めません", {}, none);
        row("too wide for the view", "p.bmp", bitmapBytes(825 + 32768, 1, 0), -1, "大きすぎて", {},
            none);
        row("gif frame of 1 × 1 on a screen too wide for the view", "p.gif",
            QByteArray::fromBase64("R0lGODlhAPwBAIAAAAABAAAAACwAAAAAAQABAAACAkQBADs="), -1,
            "大きすぎて", {}, none);
        row("too tall for the view", "p.bmp", bitmapBytes(1, 405 + 32768, 0), -1, "大きすぎて", {},
            none);
        row("widest the view takes", "p.bmp",
            bitmapBytes(825 + 32767, 1, bitmapPixelBytes(825 + 32767, 1)), -1, "",
            QSize(825 + 32767, 1), qRgb(0, 0, 0), 1);
        row("top-down bitmap, 124-byte header", "p.bmp", topDownBitmap(four), -1, "", QSize(6, 5),
            dark);
        row("RLE bitmap claiming more than memory holds", "p.bmp",
            runLengthBitmap(16384, 16384, QByteArray("\0\x01", 2)), -1, "メモリに読み込めません",
            {}, none, 0, qint64(512) << 20);
        // 20000 bytes decoded at 4 bytes a pixel: the memory allowed, then a byte less.
        row("bitmap filling the memory allowed", "p.bmp",
            bitmapBytes(100, 50, bitmapPixelBytes(100, 50)), -1, "", QSize(100, 50), qRgb(0, 0, 0),
            1, 20000);
        row("bitmap a byte beyond the memory allowed", "p.bmp",
            bitmapBytes(100, 50, bitmapPixelBytes(100, 50)), -1, "メモリに読み込めません", {}, none,
            0, 19999);
        // 801 MB decoded, beyond the 768 MiB once fixed, within what this machine has.
        if (pictures::memoryCeiling() > (qint64(3) << 30))
            row("RLE bitmap of 15000 × 14000 where memory allows", "p.bmp",
                runLengthBitmap(15000, 14000, QByteArray("\0\x01", 2)), -1, "", QSize(15000, 14000),
                qRgb(0, 0, 0), 1);
        row("RLE bitmap cut short", "p.bmp", runLengthBitmap(8, 4, QByteArray("\x08\x05\0\0", 4)),
            -1, "途中で切れて", {}, none);
        row("RLE bitmap", "p.bmp", runLengthBitmap(8, 1, QByteArray("\x08\x05\0\0\0\x01", 6)), -1,
            "", QSize(8, 1), qRgb(5, 5, 5), 1);
        // What the codes skip is colour 0, never the reader's uninitialised memory.
        row("RLE bitmap ending early", "p.bmp",
            runLengthBitmap(8, 4, QByteArray("\x02\x05\0\x01", 4)), -1, "", QSize(8, 4),
            qRgb(0, 0, 0), 1);
        row("RLE bitmap jumping", "p.bmp",
            runLengthBitmap(8, 2, QByteArray("\0\x02\x01\x01\x08\x05\0\x01", 8)), -1, "",
            QSize(8, 2), qRgb(0, 0, 0), 1);
        row("24-bit bitmap of grey pixels", "p.bmp", encoded(greys, "bmp"), -1, "", QSize(7, 3),
            qRgb(0, 0, 0), 1);
        row("24-bit bitmap, the last pixel's red off grey", "p.bmp", encoded(offRed, "bmp"), -1, "",
            QSize(7, 3), qRgb(0, 0, 0), 0);
        row("24-bit bitmap, the last pixel's blue off grey", "p.bmp", encoded(offBlue, "bmp"), -1,
            "", QSize(7, 3), qRgb(0, 0, 0), 0);
        row("8-bit bitmap, grey palette", "p.bmp", encoded(greyPalette, "bmp"), -1, "", QSize(7, 3),
            qRgb(0, 0, 0), 1);
        row("8-bit bitmap, a coloured entry no pixel uses", "p.bmp", encoded(unusedColour, "bmp"),
            -1, "", QSize(7, 3), qRgb(0, 0, 0), 1);
        row("8-bit bitmap, the last pixel coloured", "p.bmp", encoded(usedColour, "bmp"), -1, "",
            QSize(7, 3), qRgb(0, 0, 0), 0);
        row("8-bit PNG, a transparent grey entry on white paper", "p.png",
            encoded(clearPalette, "png"), -1, "", QSize(7, 3), qRgb(255, 255, 255), 1);
        row("gif", "p.gif", gif, -1, "", QSize(6, 5), dark);
        row("gif, transparent colour on white", "p.gif", clearGif, -1, "", QSize(6, 5), white);
        row("gif cut short", "p.gif", gif.left(gif.size() - 10), -1, "途中で切れて", {}, none);
        row("gif header only", "p.gif", gif.left(13 + 768), -1, "壊れています", {}, none);
        row("png", "p.png", png, -1, "", QSize(6, 5), dark);
        row("png, transparent on white", "p.png", encoded(clear, "png"), -1, "", QSize(6, 5),
            white);
        row("png, 16-bit colour", "p.png", encoded(deep, "png"), -1, "", QSize(6, 5), dark);
        row("png, 16-bit grey", "p.png", encoded(grey, "png"), -1, "", QSize(6, 5),
            qRgb(100, 100, 100), 1);
        row("png, grey with transparency", "p.png", encoded(greyClear, "png"), -1, "", QSize(6, 5),
            white, 1);
        row("png, palette", "p.png", encoded(palette, "png"), -1, "", QSize(6, 5), dark);
        row("png, 1 bit", "p.png", encoded(mono, "png"), -1, "", QSize(6, 5), qRgb(0, 0, 0), 1);
        row("png named .jpg", "p.jpg", png, -1, "", QSize(6, 5), dark);
        row("png whose comment quotes a PDF header", "p.png", encoded(quoting, "png"), -1, "",
            QSize(6, 5), dark);
        row("jpeg whose comment quotes a PDF header", "p.jpg", encoded(quotingWide, "jpeg", 100),
            -1, "", QSize(60, 20), none, -1);
        row("png damaged", "p.png", damaged, -1, "壊れて", {}, none);
        row("png cut short", "p.png", png.left(png.size() - 20), -1, "途中で切れて", {}, none);
        row("jpeg, grey", "p.jpg", encoded(wide.convertToFormat(QImage::Format_Grayscale8), "jpeg"),
            -1, "", QSize(60, 20), none, 1);
        // Qt writes no CMYK JPEG; ImageMagick (installed with the tests) does, where it is there.
        {
            QProcess convert;
            convert.start(QStringLiteral("convert"),
                          {QStringLiteral("png:-"), QStringLiteral("-colorspace"),
                           QStringLiteral("CMYK"), QStringLiteral("jpeg:-")});
            convert.write(encoded(wide, "png"));
            convert.closeWriteChannel();
            if (convert.waitForFinished(30000) && convert.exitCode() == 0)
                row("jpeg, CMYK", "p.jpg", convert.readAllStandardOutput(), -1, "", QSize(60, 20),
                    none, -1);
        }
        row("jpeg turned by its orientation", "p.jpeg", withOrientation(jpeg, 6), -1, "",
            QSize(20, 60), white, -1);
        row("jpeg cut short", "p.jpg", jpeg.left(jpeg.size() - 10), -1, "途中で切れて", {}, none);
        row("tiff", "p.tif", tiff, -1, "", QSize(6, 5), dark);
        row("tiff, 16-bit", "p.tiff", encoded(deep, "tiff"), -1, "", QSize(6, 5), dark);
        row("tiff cut short", "p.tif", tiff.left(tiff.size() / 2), -1, "読み込めません", {}, none);
        row("webp", "p.webp", webp, -1, "", QSize(6, 5), none);
        row("webp cut short", "p.webp", webp.left(webp.size() - 8), -1, "読み込めません", {}, none);
        row("pdf, page 2 of 2 at 300 dpi", "p.pdf", numberedPdf(2), 1, "", QSize(2479, 3508), white,
            -1);
        row("pdf, a page beyond its end", "p.pdf", numberedPdf(2), 2, "2 ページまで", {}, none);
        row("pdf damaged", "p.pdf", pdf.left(300), -1, "壊れています", {}, none);
        row("pdf cut short", "p.pdf", pdf.left(pdf.size() / 2), -1, "途中で切れて", {}, none);
        row("pdf cut short before its trailer", "p.pdf", pdf.left(pdf.lastIndexOf("trailer")), -1,
            "途中で切れて", {}, none);
        // What is left opens as the first saving, which had no pages.
        const QByteArray updated = updatedPdf();
        row("pdf updated with a page, cut short in the update", "p.pdf",
            updated.left(updated.indexOf("re f") + 1000), -1, "途中で切れて", {}, none);
        row("pdf updated with a page", "p.pdf", updated, -1, "", QSize(1750, 2479), white, -1);
        row("pdf after a few bytes of something else", "p.pdf", "\r\n\r\n" + pdf, -1, "",
            QSize(2479, 3508), white, -1);
        row("pdf with a password", "p.pdf", blankPdf({{595, 842}}, true), -1, "パスワード", {},
            none);
        row("pdf without pages", "p.pdf", blankPdf({}), -1, "ページがありません", {}, none);
        row("pdf page beyond 16 bits at 300 dpi", "p.pdf", blankPdf({{595, 14400}}), -1,
            "300 dpi で", {}, none);
    }
    void loadPicture() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, page);
        QFETCH(QString, problem);
        QFETCH(QSize, size);
        QFETCH(QRgb, topLeft);
        QFETCH(qint64, memory);
        QFETCH(int, kept);
        quillpix::testing::TempWorkspace ws;
        const QString path = ws.writeFile(QStringLiteral("bmp_gif_sample/") + name, bytes);
        // What the document's library has to say belongs to the message, not to standard error.
        StandardErrorCapture errors;
        try {
            const QImage image =
                memory == 0 ? viewer::loadPage(path, page, QSize(825, 405))
                            : pictures::OpenedPage(
                                  path, page, {viewer::largestPicture(QSize(825, 405)), memory})
                                  .read();
            if (name.endsWith(QLatin1String(".pdf")))
                QCOMPARE(errors.take(), QByteArray());
            QVERIFY2(problem.isEmpty(), "loaded a picture that should be refused");
            QCOMPARE(image.size(), size);
            const bool grey = image.format() == QImage::Format_Grayscale8;
            QVERIFY(grey || image.format() == QImage::Format_RGB32);
            QCOMPARE(grey, kept < 0 ? everyPixelGrey(image) : kept == 1);
            if (topLeft != 0)
                QCOMPARE(image.pixel(0, 0), topLeft);
        } catch (const Failure& failure) {
            if (name.endsWith(QLatin1String(".pdf")))
                QCOMPARE(errors.take(), QByteArray());
            QVERIFY2(!problem.isEmpty(), qPrintable(failure.text()));
            QVERIFY2(failure.text().contains(problem), qPrintable(failure.text()));
            QVERIFY2(failure.text().contains(path), qPrintable(failure.text()));
            // The reason is the program's own Japanese, never an English reader message; only
            // the document library's own findings, quoted under their heading, are its words.
            static const QRegularExpression english(QStringLiteral("[A-Za-z]{4}"));
            const QString reason = QString(failure.text())
                                       .remove(path)
                                       .section(QStringLiteral("PDF の読み取りで"), 0, 0);
            QVERIFY2(!reason.contains(english), qPrintable(failure.text()));
        }
    }

    // A page that shows a scan edge to edge, exactly as it is, and nothing else, is the scan's
    // own pixels: rows in order, colours as stored, opaque. Anything more on the page, a scan
    // shown otherwise than as it is, or a scan coarser than the drawing's 300 dpi, is left to
    // the drawing. Either way the page looks as the document library's own renderer shows it,
    // and the drawing alone (the way a build without the core library goes) looks the same.
    void scannedPageIsItsOwnPicture_data() {
        QTest::addColumn<QByteArray>("pdf");
        QTest::addColumn<bool>("direct");
        // Four quarters of four colours, so a page showing part of the scan shows it.
        QImage scan(600, 300, QImage::Format_RGB32);
        {
            QPainter painter(&scan);
            painter.fillRect(0, 0, 300, 150, QColor(200, 30, 60));
            painter.fillRect(300, 0, 300, 150, QColor(30, 60, 200));
            painter.fillRect(0, 150, 300, 150, QColor(20, 160, 90));
            painter.fillRect(300, 150, 300, 150, QColor(240, 220, 40));
        }
        const QSizeF inches(2, 1), points(144, 72);
        using quillpix::testing::handScanPdf;
        using quillpix::testing::scanPdf;
        QTest::newRow("a scan, edge to edge") << scanPdf(scan, inches, 300, false, false) << true;
        QTest::newRow("with a word drawn over it")
            << scanPdf(scan, inches, 300, false, true) << false;
        QTest::newRow("inside the page's margins")
            << scanPdf(scan, inches, 300, true, false) << false;
        QTest::newRow("coarser than 300 dpi")
            << scanPdf(scan.scaled(398, 199), inches, 199, false, false) << false;
        QTest::newRow("written by hand") << handScanPdf(scan, points) << true;
        QTest::newRow("crop box the top-right quarter")
            << handScanPdf(scan, points, "/CropBox [72 36 144 72]") << false;
        QTest::newRow("crop box the page's own")
            << handScanPdf(scan, points, "/CropBox [0 0 144 72]") << true;
        QTest::newRow("crop box a tenth of a point in")
            << handScanPdf(scan, points, "/CropBox [0 0 144 71.9]") << false;
        QTest::newRow("crop box a point up from the bottom")
            << handScanPdf(scan, points, "/CropBox [0 1 144 72]") << false;
        QTest::newRow("clipped to the top-right quarter")
            << handScanPdf(scan, points, {}, {}, "72 36 72 36 re W n") << false;
        QTest::newRow("clipped even-odd to the top-right quarter")
            << handScanPdf(scan, points, {}, {}, "72 36 72 36 re W* n") << false;
        QTest::newRow("clipped a point short of the right edge")
            << handScanPdf(scan, points, {}, {}, "0 0 143 72 re W n") << false;
        QTest::newRow("clipped a point short of the top edge")
            << handScanPdf(scan, points, {}, {}, "0 0 144 71 re W n") << false;
        QTest::newRow("clipped a point short of the bottom edge")
            << handScanPdf(scan, points, {}, {}, "0 1 144 71 re W n") << false;
        QTest::newRow("clipped a point short of the left edge")
            << handScanPdf(scan, points, {}, {}, "1 0 143 72 re W n") << false;
        QTest::newRow("clipped by a slanted path holding the page")
            << handScanPdf(scan, points, {}, {}, "-20 -20 m 164 -20 l 164 92 l -30 92 l h W n")
            << false;
        QTest::newRow("clipped around the whole page")
            << handScanPdf(scan, points, {}, {}, "0 0 144 72 re W n") << true;
        const QByteArray state = "/ExtGState << /G0 << %1 >> >>";
        QTest::newRow("fill opacity 0.3")
            << handScanPdf(scan, points, {}, QByteArray(state).replace("%1", "/ca 0.3"), "/G0 gs")
            << false;
        QTest::newRow("stroke opacity 0.3")
            << handScanPdf(scan, points, {}, QByteArray(state).replace("%1", "/CA 0.3"), "/G0 gs")
            << false;
        QTest::newRow("opacities of 1 and the normal blend mode")
            << handScanPdf(scan, points, {},
                           QByteArray(state).replace("%1", "/ca 1 /CA 1 /BM /Normal"), "/G0 gs")
            << true;
        QTest::newRow("blend mode Difference")
            << handScanPdf(scan, points, {}, QByteArray(state).replace("%1", "/BM /Difference"),
                           "/G0 gs")
            << false;
        // A luminosity mask black over the left half: only the right half shows.
        const QByteArray maskForm = "/Type /XObject /Subtype /Form /BBox [0 0 144 72] "
                                    "/Group << /S /Transparency /CS /DeviceGray >>";
        const QByteArray maskDrawing = "0 g 0 0 72 72 re f 1 g 72 0 72 72 re f";
        QTest::newRow("soft mask")
            << handScanPdf(
                   scan, points, {},
                   QByteArray(state).replace("%1",
                                             "/SMask << /Type /Mask /S /Luminosity /G 6 0 R >>"),
                   "/G0 gs",
                   {"<< " + maskForm + " /Length " + QByteArray::number(maskDrawing.size()) +
                    " >>\nstream\n" + maskDrawing + "\nendstream"})
            << false;
    }
    void scannedPageIsItsOwnPicture() {
        QFETCH(QByteArray, pdf);
        QFETCH(bool, direct);
        quillpix::testing::TempWorkspace ws;
        const QString path = ws.writeFile(QStringLiteral("bmp_gif_sample/s.pdf"), pdf);
        const pictures::ReadLimits limits{viewer::largestPicture(QSize(825, 405)), qint64(1) << 30};
        const QImage loaded = pictures::OpenedPage(path, -1, limits).read();
        pictures::ReadLimits drawing = limits;
        drawing.scannedPagesDirect = false;
        const QImage drawn = pictures::OpenedPage(path, -1, drawing).read();
        QString why;
        QVERIFY2(lookAlike(loaded, drawn, why), qPrintable(why));
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        // The resolution the page was read at, from its width and the page's shown width (in
        // points: its width drawn at 72 dpi).
        const double dpi = loaded.width() * 72.0 / renderedByPdftoppm(path, 72).width();
        const QImage reference = renderedByPdftoppm(path, dpi);
        QVERIFY(!reference.isNull());
        QVERIFY2(lookAlike(loaded, reference, why), qPrintable(why));

        if (!pictures::kScannedPagesDirect)
            QSKIP("built without Poppler's core library: every page is drawn");
        const auto picture =
            pictures::scannedPagePicture(path, 0, 300, 600, QSize(32767, 32767), qint64(1) << 30);
        QCOMPARE(picture.has_value(), direct);
        if (!direct)
            return;
        QCOMPARE(picture->size(), QSize(600, 300));
        QCOMPARE(picture->format(), QImage::Format_RGB32);
        // The writer may store the scan as JPEG: a colour comes back within a step or two.
        auto near = [](QRgb a, QRgb b) {
            return qAlpha(a) == 255 && std::abs(qRed(a) - qRed(b)) <= 2 &&
                   std::abs(qGreen(a) - qGreen(b)) <= 2 && std::abs(qBlue(a) - qBlue(b)) <= 2;
        };
        QVERIFY(near(picture->pixel(5, 5), qRgb(200, 30, 60)));
        QVERIFY(near(picture->pixel(5, 295), qRgb(20, 160, 90)));
        QVERIFY(near(picture->pixel(595, 5), qRgb(30, 60, 200)));
        // The page as loaded is that picture.
        QCOMPARE(loaded, *picture);
    }

    // How much memory a picture may fill: half of what the machine has available, less a
    // reserve, read from the kernel's own account.
    void memoryRule_data() {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<qint64>("ceiling");
        const qint64 mib = qint64(1) << 20;
        QTest::newRow("23 GB available")
            << QByteArray("MemTotal:       24683752 kB\nMemFree:  1000 kB\n"
                          "MemAvailable:   23726764 kB\nBuffers: 5 kB\n")
            << (qint64(23726764) * 1024 - 256 * mib) / 2;
        QTest::newRow("exactly the reserve")
            << QByteArray("MemAvailable: 262144 kB\n") << qint64(0);
        QTest::newRow("two bytes beyond the reserve")
            << QByteArray("MemAvailable: 262144 kB\n").replace("262144 kB", "268435458 B")
            << qint64(1);
        QTest::newRow("less than the reserve")
            << QByteArray("MemAvailable: 1024 kB\n") << qint64(0);
        QTest::newRow("no MemAvailable line (an old kernel)")
            << QByteArray("MemTotal: 1000 kB\nMemFree: 500 kB\n") << 768 * mib;
        QTest::newRow("nothing readable") << QByteArray("MemAvailable: lots\n") << 768 * mib;
    }
    void memoryRule() {
        QFETCH(QByteArray, meminfo);
        QFETCH(qint64, ceiling);
        QCOMPARE(pictures::memoryCeilingFor(pictures::availableMemory(meminfo)), ceiling);
    }

    // The readers' allocation limit is process-wide: reads on two threads at once (the window
    // and its folder batch) must leave it as the program set it at start.
    void allocationLimitStaysAsSetAtStart() {
        pictures::setUpImageReaders();
        const int atStart = QImageReader::allocationLimit();
        quillpix::testing::TempWorkspace ws;
        using namespace quillpix::testing;
        // Pictures larger than Qt's own default limit of 128 MB, whose decoding takes a while,
        // and small ones between them.
        QImage white(6000, 6000, QImage::Format_RGB32);
        white.fill(Qt::white);
        const QString large =
            ws.writeFile(QStringLiteral("bmp_gif_sample/large.png"), encoded(white, "png"));
        const QString small = ws.writeFile(QStringLiteral("bmp_gif_sample/small.bmp"),
                                           bitmapBytes(300, 200, bitmapPixelBytes(300, 200)));
        std::atomic<int> loaded{0};
        std::atomic<bool> reading{true}, touched{false};
        // Every change, even one put back at once, is seen by a thread watching all along.
        std::thread watcher([&] {
            while (reading)
                if (QImageReader::allocationLimit() != atStart)
                    touched = true;
        });
        auto reads = [&](int first) {
            for (int i = 0; i < 8; ++i)
                try {
                    viewer::loadPicture((i + first) % 2 ? large : small, QSize(825, 405));
                    ++loaded;
                } catch (const Failure&) {
                }
        };
        std::thread window(reads, 0), batch(reads, 1);
        window.join();
        batch.join();
        reading = false;
        watcher.join();
        QCOMPARE(loaded.load(), 16);
        QVERIFY(!touched);
        QCOMPARE(QImageReader::allocationLimit(), atStart);
    }

    // Only regular files are listed or opened; a FIFO (also behind a link) would block.
    void listingShowsPagesAndOnlyRegularFiles() {
        quillpix::testing::TempWorkspace ws;
        const QString dir = ws.root() + QStringLiteral("/bmp_gif_sample");
        using namespace quillpix::testing;
        const QByteArray png = encoded(QImage(4, 4, QImage::Format_RGB32), "png");
        QImage page(4, 4, QImage::Format_RGB32);
        page.fill(Qt::white);
        const QByteArray tiff = greyTiff({page, page, page});
        for (const char* name : {"b10.PNG", "b2.jpg", "notes.txt", ".hidden.png", "x.webp"})
            ws.writeFile(QStringLiteral("bmp_gif_sample/") + QLatin1String(name), png);
        ws.writeFile(QStringLiteral("bmp_gif_sample/a.pdf"), numberedPdf(2));
        ws.writeFile(QStringLiteral("bmp_gif_sample/one.PDF"), numberedPdf(1));
        ws.writeFile(QStringLiteral("bmp_gif_sample/c.tiff"), tiff);
        QVERIFY(::mkfifo(QFile::encodeName(dir + QStringLiteral("/fifo.png")).constData(), 0600) ==
                0);
        QVERIFY(QFile::link(dir + QStringLiteral("/fifo.png"), dir + QStringLiteral("/link.bmp")));
        QVERIFY(QFile::link(dir + QStringLiteral("/b2.jpg"), dir + QStringLiteral("/link.gif")));
        QVERIFY(QDir(dir).mkdir(QStringLiteral("folder.png")));
        // A Shift-JIS name, made from its bytes: Qt would turn them into replacement characters.
        const int fd = ::open((QFile::encodeName(dir) + "/\x83\x58\x83\x4c.bmp").constData(),
                              O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);

        const pictures::Listing l = pictures::listPictures(dir, pictures::kPicturePattern);
        QVERIFY(l.listed);
        QStringList shown;
        for (const pictures::ListEntry& e : l.entries)
            shown << e.shown + QLatin1Char('|') + e.fileName + QLatin1Char('|') +
                         QString::number(e.page);
        QCOMPARE(shown,
                 (QStringList{"a.pdf (1/2)|a.pdf|0", "a.pdf (2/2)|a.pdf|1", "b2.jpg|b2.jpg|-1",
                              "b10.PNG|b10.PNG|-1", "c.tiff (1/3)|c.tiff|0",
                              "c.tiff (2/3)|c.tiff|1", "c.tiff (3/3)|c.tiff|2",
                              "link.gif|link.gif|-1", "one.PDF|one.PDF|-1", "x.webp|x.webp|-1"}));
        QCOMPARE(l.leftOut, 1);
        QVERIFY(l.leftOutMessage.contains(QStringLiteral("1 個")));
        QVERIFY(l.leftOutMessage.contains(dir));
        // Opening the FIFO by hand is refused at once instead of waiting for a writer.
        QVERIFY_THROWS_EXCEPTION(
            Failure, viewer::loadPicture(dir + QStringLiteral("/link.bmp"), QSize(825, 405)));
    }

    // Page results lie beside the document and never share a name with each other, with the
    // plain result or with another picture's result.
    void savedResultPathOfAPage_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("expected");
        QTest::newRow("picture") << "scan.png" << -1 << "/w/scan.png.txt";
        QTest::newRow("one-page document") << "scan.pdf" << -1 << "/w/scan.pdf.txt";
        QTest::newRow("first page") << "scan.pdf" << 0 << "/w/scan.pdf.p1.txt";
        QTest::newRow("page 12") << "Scan.TIF" << 11 << "/w/Scan.TIF.p12.txt";
        QTest::newRow("picture named like a page")
            << "scan.pdf.p1.png" << -1 << "/w/scan.pdf.p1.png.txt";
    }
    void savedResultPathOfAPage() {
        QFETCH(QString, name);
        QFETCH(int, page);
        QFETCH(QString, expected);
        QCOMPARE(textfiles::savedResultPath(QStringLiteral("/w"), name, page), expected);
    }

    void missingFileIsReported() {
        QVERIFY_THROWS_EXCEPTION(
            Failure, viewer::loadPicture(QStringLiteral("/nonexistent/x.bmp"), QSize(825, 405)));
    }

    void fileListShowsPicturesAsPeopleSortThem() {
        QTemporaryDir dir;
        for (const char* name :
             {"page10.bmp", "page2.BMP", "Page1.gif", "scan.GIF", "notes.txt", ".hidden.bmp",
              "page3.bmp.txt", "a.jpg", "scan10.bmp", "scan007.bmp"}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QDir(dir.path()).mkpath(QStringLiteral("folder.bmp"));
        FileListBox list(nullptr);
        list.setFolder(dir.path());
        list.setPattern(QStringLiteral("*.bmp;*.gif"));
        QStringList shown;
        for (int i = 0; i < list.count(); ++i)
            shown << list.item(i)->text();
        // Numbers compare by value, leading zeros or not: 007 comes before 10.
        QCOMPARE(shown, (QStringList{"Page1.gif", "page2.BMP", "page10.bmp", "scan.GIF",
                                     "scan007.bmp", "scan10.bmp"}));
        QCOMPARE(list.fileName(), QString());
        list.setCurrentRow(1);
        QCOMPARE(list.fileName(), QStringLiteral("page2.BMP"));
        list.setFolder(dir.filePath(QStringLiteral("missing")));
        QVERIFY(!list.refresh());
        QCOMPARE(list.count(), 0);
    }
};

QTEST_MAIN(TestViewerLogic)
#include "test_viewerlogic.moc"
