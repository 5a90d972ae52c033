// Reading pages and listing folders: choosing a page of a 200-page PDF to the drawn view against
// the same page as a bitmap, listing a folder of 200 files one of which is that PDF, and the
// peak memory of loading a 600-dpi A4 page (4960 × 7016) from each format against the bitmap.
// Also the peak memory of a grey 10000 × 14000 scan loaded and shown at 50 % (the full-size
// picture as the window keeps it and the reduced view drawn on a display), against the same
// scan with one pixel of a coloured palette entry, which goes the way every grey scan went
// before: four bytes a pixel. Each figure is measured in this one run; the ratios are printed
// after the table.

#include "listing.h"
#include "pages.h"
#include "picturebox.h"
#include "pictureloader.h"
#include "reducedview.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

using namespace quillpix;

namespace {

const QSize kDisplay(1650, 405);
QTemporaryDir* g_dir = nullptr;
std::map<std::string, double> g_seconds;

QString file(const char* name) {
    return g_dir->filePath(QString::fromLatin1(name));
}

void writePdf(const QString& path, int pages, const QImage& scan) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(scan.isNull() ? 300 : 600);
    // A scanner's page is its scan, edge to edge; its words are in the pixels.
    if (!scan.isNull())
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&writer);
    QFont font = p.font();
    font.setPixelSize(60);
    p.setFont(font);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        if (!scan.isNull()) {
            p.drawImage(0, 0, scan);
            continue;
        }
        for (int line = 0; line < 30; ++line)
            p.drawText(
                200, 300 + line * 100,
                QStringLiteral("ページ %1 の %2 行目: 文字を読み取る").arg(page).arg(line + 1));
    }
}

void chooseAndDraw(benchmark::State& state, const QString& path, int page) {
    PictureBox display(nullptr, PictureBox::Border::Sunken);
    display.setOuterSize(kDisplay.width(), kDisplay.height());
    for (auto _ : state) {
        const QImage picture = viewer::loadPage(path, page, kDisplay);
        viewer::ReducedView view;
        view.draw(&display, picture, 2, 0, 0, picture.width() / 2, picture.height() / 2);
        benchmark::DoNotOptimize(display.surface().constBits());
    }
}

void BM_ChooseBitmapPage(benchmark::State& state) {
    chooseAndDraw(state, file("page100.bmp"), pictures::kNoPage);
}
void BM_ChoosePdfPage(benchmark::State& state) {
    chooseAndDraw(state, file("list/book.pdf"), 99);
}
void BM_ListFolder(benchmark::State& state) {
    for (auto _ : state) {
        const pictures::Listing l =
            pictures::listPictures(file("list"), QString::fromLatin1(pictures::kPicturePattern));
        if (l.entries.size() != 399)
            state.SkipWithError("unexpected entries");
    }
}
BENCHMARK(BM_ChooseBitmapPage)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ChoosePdfPage)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond)->MinTime(2);

class Recorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            g_seconds[run.benchmark_name()] = run.GetAdjustedRealTime() / 1000.0;
        ConsoleReporter::ReportRuns(runs);
    }
};

long statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLong();
    return -1;
}

// The growth of the peak resident memory while work runs, measured in a child process whose
// peak starts at its resident size; -1 when the work throws.
long peakGrowthInChildKb(const std::function<void()>& work) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        clear.close();
        const long before = statusKb("VmRSS:");
        long growth = -1;
        try {
            work();
            growth = statusKb("VmHWM:") - before;
        } catch (...) {
        }
        (void)!::write(pipeFds[1], &growth, sizeof growth);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    long growth = -1;
    (void)!::read(pipeFds[0], &growth, sizeof growth);
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    return growth;
}

// While one page loads.
long peakGrowthKb(const QString& path) {
    return peakGrowthInChildKb(
        [&path] { const QImage picture = viewer::loadPage(path, pictures::kNoPage, kDisplay); });
}

// The same for a picture loaded and shown at 50 %: kept by a picture box as the window's
// full-size box keeps it, and drawn by the reduced view on a display of the window's size.
long peakShownGrowthKb(const QString& path) {
    return peakGrowthInChildKb([&path] {
        PictureBox full(nullptr, PictureBox::Border::None);
        full.setAutoSize(true);
        full.setPicture(viewer::loadPage(path, pictures::kNoPage, kDisplay));
        PictureBox display(nullptr, PictureBox::Border::Sunken);
        display.setOuterSize(kDisplay.width(), kDisplay.height());
        viewer::ReducedView view;
        const QImage& picture = full.picture();
        view.draw(&display, picture, 2, 0, 0, picture.width() / 2 - kDisplay.width(),
                  picture.height() / 2 - kDisplay.height());
    });
}

// A white picture with numbered lines of text (the line's number in place of %1), the first
// line's start at origin and the next ones pitch pixels below.
QImage linesOfText(QSize size, QImage::Format format, int pixelSize, QPoint origin, int pitch,
                   int lines, const QString& text) {
    QImage picture(size, format);
    picture.fill(Qt::white);
    QPainter p(&picture);
    QFont font = p.font();
    font.setPixelSize(pixelSize);
    p.setFont(font);
    for (int line = 0; line < lines; ++line)
        p.drawText(origin.x(), origin.y() + line * pitch, text.arg(line));
    return picture;
}

// A grey scan of 10000 × 14000 pixels: a typeset page of text repeated over it.
void writeLargeGreyScans() {
    const QImage text = linesOfText(QSize(1600, 2200), QImage::Format_RGB32, 50, QPoint(60, 100),
                                    70, 30, QStringLiteral("灰色の走査画像、一行目から %1"));
    const QImage tile = text.convertToFormat(QImage::Format_Grayscale8);
    QImage scan(10000, 14000, QImage::Format_Grayscale8);
    for (int y = 0; y < scan.height(); ++y)
        std::memcpy(scan.scanLine(y), tile.constScanLine(y % tile.height()), size_t(tile.width()));
    for (int y = 0; y < scan.height(); ++y)
        for (int x = tile.width(); x < scan.width(); x += tile.width())
            std::memcpy(scan.scanLine(y) + x, scan.constScanLine(y),
                        size_t(std::min(tile.width(), scan.width() - x)));
    scan.save(file("grey-scan.png"));
    QImage tinted(scan.size(), QImage::Format_Indexed8);
    for (int y = 0; y < scan.height(); ++y)
        std::memcpy(tinted.scanLine(y), scan.constScanLine(y), size_t(scan.width()));
    QList<QRgb> table(256);
    for (int g = 0; g < 256; ++g)
        table[g] = qRgb(g, g, g);
    table[1] = qRgb(1, 0, 2);
    tinted.setColorTable(table);
    tinted.setPixel(5000, 7000, 1);
    tinted.save(file("tinted-scan.bmp"));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program does at start: the pages are larger than the readers' own default limit.
    pictures::setUpImageReaders();
    QTemporaryDir dir;
    g_dir = &dir;

    // A 200-page document and 199 small pictures beside it; its 100th page as a bitmap.
    QDir().mkpath(file("list"));
    writePdf(file("list/book.pdf"), 200, {});
    QImage small(200, 100, QImage::Format_RGB32);
    small.fill(Qt::white);
    for (int i = 1; i < 200; ++i)
        small.save(file("list") + QStringLiteral("/scan%1.png").arg(i));
    viewer::loadPage(file("list/book.pdf"), 99, kDisplay)
        .convertToFormat(QImage::Format_RGB888)
        .save(file("page100.bmp"));

    // A 600-dpi A4 scan in every format.
    QImage scan = linesOfText(QSize(4960, 7016), QImage::Format_RGB888, 80, QPoint(300, 300), 110,
                              60, QStringLiteral("六百 dpi の走査画像 %1"));
    const std::pair<const char*, const char*> formats[] = {{"scan.bmp", "BMP"},
                                                           {"scan.png", "PNG"},
                                                           {"scan.jpg", "JPEG"},
                                                           {"scan.tif", "TIFF"},
                                                           {"scan.webp", "WEBP"}};
    for (const auto& [name, format] : formats)
        scan.save(file(name), format);
    writePdf(file("scan.pdf"), 1, scan.convertToFormat(QImage::Format_Grayscale8));
    scan = QImage();
    writeLargeGreyScans();

    benchmark::Initialize(&argc, argv);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);

    const double bmp = g_seconds["BM_ChooseBitmapPage/min_time:2.000"];
    const double pdf = g_seconds["BM_ChoosePdfPage/min_time:2.000"];
    std::printf("\nChoosing page 100 of 200 to the drawn view: PDF %.1f ms, bitmap %.1f ms, "
                "ratio %.2f (target <= 3)\n",
                pdf * 1e3, bmp * 1e3, bmp > 0 ? pdf / bmp : 0.0);
    std::printf("Listing 200 files, one a 200-page PDF: %.1f ms (target < 500 ms)\n",
                g_seconds["BM_ListFolder/min_time:2.000"] * 1e3);
    const long base = peakGrowthKb(file("scan.bmp"));
    std::printf("\nPeak memory growth loading a 4960 x 7016 page (against the bitmap):\n");
    for (const char* name :
         {"scan.bmp", "scan.png", "scan.jpg", "scan.tif", "scan.webp", "scan.pdf"}) {
        const long kb = peakGrowthKb(file(name));
        std::printf("  %-10s %7.1f MB  ratio %.2f\n", name, kb / 1024.0,
                    base > 0 ? double(kb) / base : 0.0);
    }
    const long before = peakShownGrowthKb(file("tinted-scan.bmp"));
    const long grey = peakShownGrowthKb(file("grey-scan.png"));
    std::printf("\nPeak memory growth of a 10000 x 14000 scan loaded and shown at 50 %%:\n"
                "  one coloured pixel (as every grey scan before) %7.1f MB\n"
                "  grey, kept as 8-bit grey                       %7.1f MB  ratio %.2f "
                "(target <= 0.4)\n",
                before / 1024.0, grey / 1024.0, before > 0 ? double(grey) / before : 0.0);
    return 0;
}
