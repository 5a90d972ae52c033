// Speed of the viewer's hot paths on a 600-dpi A4 scan (4960 × 7016) in the display of a
// 1920-pixel screen (1650 × 405 outside, 1646 × 401 inside), through the real window:
// a scroll step (position change: redraw plus frame) at each zoom, a rubber-band move, a zoom
// change, and the crop of a half page saved as a bitmap; a plain copy of a display-sized image
// is the yardstick. The ratios are printed after the table.

#include "crop.h"
#include "filelistbox.h"
#include "frmmain.h"
#include "pages.h"
#include "picturebox.h"
#include "platform.h"
#include "reducedview.h"
#include "viewerhandler.h"
#include "widgets.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include <unistd.h>

using namespace quillpix;

namespace {

constexpr int kScreen = 1920;
const QSize kScan(4960, 7016);
const char* const kZoomNames[] = {"100 %", "50 %", "25 %", "20 %"};

class QuietPlatform : public Platform {
public:
    void showMessage(const QString& text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool shellOpen(const QString&) override { return true; }
    bool askOkCancel(const QString&) override { return true; }
    SaveAnswer askSave(const QString&) override { return SaveAnswer::Discard; }
    int askChoice(const QString&, const QStringList& answers) override {
        return int(answers.size()) - 1;
    }
    bool startPaint(const QString&) override { return true; }
    int screenWidth() const override { return kScreen; }
    QRect availableArea() const override { return {0, 0, kScreen, 1080}; }
    BatchReport runBatch(const QString&, WindowStyle, const std::function<bool()>&,
                         const std::function<void(int)>&) override {
        BatchReport report;
        report.started = true;
        return report;
    }
    void playSound(const QString&) override {}
    QString chooseFolder(const QString&) override { return {}; }
    QString chooseFile(const QString&, const QString&) override { return {}; }
    SaveTarget chooseSaveTarget(const QString&) override { return {}; }
    ClipboardContent clipboardContent() override { return {}; }
    void copyText(const QString&) override {}
    ScreenRegion captureScreenRegion() override { return {}; }
    void showNotice(const QString&) override {}
};

// A workspace with the option lists and one folder holding the scan, and the window on it
// with the scan chosen.
struct Bench {
    QTemporaryDir dir;
    QuietPlatform platform;
    std::unique_ptr<FrmMain> window;

    Bench() {
        QDir root(dir.path());
        root.mkpath(QStringLiteral("bin"));
        root.mkpath(QStringLiteral("bmp_gif_bench"));
        for (const char* name : {"listPSMode.txt", "listLang.txt", "listOption.txt"}) {
            QFile f(dir.filePath(QStringLiteral("bin/") + QString::fromLatin1(name)));
            if (f.open(QIODevice::WriteOnly))
                f.write("3\r\n");
        }
        QImage scan(kScan, QImage::Format_RGB32);
        for (int y = 0; y < scan.height(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(scan.scanLine(y));
            for (int x = 0; x < scan.width(); ++x)
                row[x] = qRgb((x * 7 + y) & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF);
        }
        scan.save(dir.filePath(QStringLiteral("bmp_gif_bench/scan.bmp")), "BMP");
        window = std::make_unique<FrmMain>(platform, dir.filePath(QStringLiteral("bin")));
        c().File1->setCurrentRow(0);
        // A scan this large is read on a thread of its own.
        while (window->viewer().reading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (c().picBmp->picture().size() != kScan)
            std::fprintf(stderr, "the scan did not load\n");
    }
    Controls& c() { return window->controls(); }

    void selectRegion() {
        Q_EMIT c().picDisp->mousePressed(Qt::LeftButton, 100, 100);
        Q_EMIT c().picDisp->mouseMoved(Qt::LeftButton, 600, 300);
        Q_EMIT c().picDisp->mouseReleased(Qt::LeftButton, 600, 300);
    }
};

Bench* g_bench = nullptr;

void BM_PlainCopyOfDisplay(benchmark::State& state) {
    const QSize inner(g_bench->c().picDisp->innerWidth(), g_bench->c().picDisp->innerHeight());
    QImage from(inner, QImage::Format_RGB32);
    from.fill(Qt::gray);
    QImage to(inner, QImage::Format_RGB32);
    for (auto _ : state) {
        std::memcpy(to.bits(), from.constBits(), size_t(from.sizeInBytes()));
        benchmark::ClobberMemory();
    }
}

void BM_ScrollStep(benchmark::State& state) {
    Controls& c = g_bench->c();
    c.lstZoom->setCurrentRow(int(state.range(0)));
    g_bench->selectRegion();
    ScrollBar* bar = c.VScroll1;
    const int maximum = bar->logicalMaximum();
    int position = 0;
    for (auto _ : state) {
        // Arrow clicks down the page, back to the top at the end.
        position = position + 30 > maximum ? 0 : position + 30;
        bar->setValue(position);
    }
    state.SetLabel(kZoomNames[state.range(0)]);
}

void BM_ScrollStepSamplingTheScan(benchmark::State& state) {
    // What a step would cost if every redraw sampled the full-size scan.
    Controls& c = g_bench->c();
    c.lstZoom->setCurrentRow(int(state.range(0)));
    const int z = int(state.range(0)) == 0   ? 1
                  : int(state.range(0)) == 1 ? 2
                  : int(state.range(0)) == 2 ? 4
                                             : 5;
    const int maximum = c.VScroll1->logicalMaximum();
    int position = 0;
    for (auto _ : state) {
        position = position + 30 > maximum ? 0 : position + 30;
        viewer::drawByStretching(c.picDisp, c.picBmp->picture(), z, 0, position);
    }
    state.SetLabel(kZoomNames[state.range(0)]);
}

void BM_RubberBandMove(benchmark::State& state) {
    Controls& c = g_bench->c();
    c.lstZoom->setCurrentRow(1);
    Q_EMIT c.picDisp->mousePressed(Qt::LeftButton, 100, 100);
    int i = 0;
    for (auto _ : state) {
        // Each move erases the last frame and draws the next.
        Q_EMIT c.picDisp->mouseMoved(Qt::LeftButton, 1200 + (i & 1), 350 - (i & 1));
        ++i;
    }
    Q_EMIT c.picDisp->mouseReleased(Qt::LeftButton, 1200, 350);
}

void BM_ZoomChange(benchmark::State& state) {
    Controls& c = g_bench->c();
    const int row = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        c.lstZoom->setCurrentRow((row + 1) % 4);
        state.ResumeTiming();
        c.lstZoom->setCurrentRow(row);
    }
    state.SetLabel(kZoomNames[row]);
}

void BM_CropHalfPageAndSave(benchmark::State& state) {
    Controls& c = g_bench->c();
    const QString path = g_bench->dir.filePath(QStringLiteral("bin/tmp.bmp"));
    for (auto _ : state) {
        // At 25 %, display corners 0..1240 by 0..877 are 4960 × 3508 picture pixels.
        cropSelection(c.picBmp->picture(), 0, 0, 1240, 877, 0, 0, 2, c.picRect);
        c.picRect->surface().save(path, "BMP");
    }
    state.SetLabel(std::to_string(c.picRect->innerWidth()) + " x " +
                   std::to_string(c.picRect->innerHeight()));
}

void BM_CropHalfPage(benchmark::State& state) {
    Controls& c = g_bench->c();
    for (auto _ : state)
        cropSelection(c.picBmp->picture(), 0, 0, 1240, 877, 0, 0, 2, c.picRect);
}

// Keeps each benchmark's time per iteration, in microseconds, for the ratios.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    RecordingReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}
    std::map<std::string, double> micros;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                micros[run.benchmark_name()] = run.GetAdjustedRealTime() * 1e6 /
                                               benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
};

} // namespace

BENCHMARK(BM_PlainCopyOfDisplay)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollStep)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollStepSamplingTheScan)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RubberBandMove)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZoomChange)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CropHalfPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CropHalfPageAndSave)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program does at start: the scan is larger than the readers' own default limit.
    pictures::setUpImageReaders();
    benchmark::Initialize(&argc, argv);
    Bench bench;
    g_bench = &bench;
    std::printf("scan %d x %d, display %d x %d outside (%d x %d inside)\n", kScan.width(),
                kScan.height(), bench.c().picDisp->outerWidth(), bench.c().picDisp->outerHeight(),
                bench.c().picDisp->innerWidth(), bench.c().picDisp->innerHeight());
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto& t = reporter.micros;
    const auto copy = t.find("BM_PlainCopyOfDisplay");
    if (copy != t.end() && copy->second > 0) {
        std::printf("\nscroll step / plain copy (target at most 3):\n");
        for (int row = 0; row < 4; ++row) {
            const auto step = t.find("BM_ScrollStep/" + std::to_string(row));
            const auto sampled = t.find("BM_ScrollStepSamplingTheScan/" + std::to_string(row));
            if (step != t.end())
                std::printf("  %-6s %6.2f   (sampling the scan every step: %6.2f)\n",
                            kZoomNames[row], step->second / copy->second,
                            sampled != t.end() ? sampled->second / copy->second : 0.0);
        }
    }
    const auto move = t.find("BM_RubberBandMove");
    if (move != t.end())
        std::printf("rubber-band move: %.1f us (target under 200 us)\n", move->second);
    benchmark::Shutdown();
    g_bench = nullptr;
    return 0;
}
