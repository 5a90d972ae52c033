// The window's loaded engine with the user's default environment (no OMP_THREAD_LIMIT: the
// benchmark starts itself again without it when it is set):
//
// - threads: a one-line crop and a paragraph crop of an A5 300-dpi page, read resident from an
//   8-bit grey tmp.bmp as the window writes it, by engines with the engine's own threads, with
//   one recognition thread, and with the window's choice for this machine
//   (threadsForOneCrop), in turn; medians of wall and CPU time, and the ratios to one thread.
// - first click: the real window on a workspace with the desktop platform, shown; after a
//   second of the user's choosing and dragging, コマンドを作成して実行 is pressed, then three
//   times more. The first press against the later ones, each window fresh; and a press at
//   once after showing the window, before the engine has been loaded in the background, as
//   every first press was before.

#include "cp932.h"
#include "desktopplatform.h"
#include "filelistbox.h"
#include "frmmain.h"
#include "pagetexts.h"
#include "picturebox.h"
#include "plaincall.h"
#include "residentengine.h"
#include "selectionhandler.h"
#include "textpicture.h"
#include "widgets.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

using namespace quillpix;

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

// An A5 page of Japanese at 300 dpi as a scanner gives it, 8-bit grey.
const workspace::TextPage& page() {
    static const workspace::TextPage typeset = [] {
        QStringList paragraphs;
        for (int k = 0; k < 14; ++k)
            paragraphs << workspace::japaneseProse()[k % workspace::japaneseProse().size()];
        workspace::TextPage p = workspace::textPage(paragraphs, workspace::PageStyle{});
        workspace::ScanStyle scan;
        scan.blurSigma = 0.6;
        scan.noiseSigma = 6;
        p.image = workspace::scanned(p.image, scan);
        return p;
    }();
    return typeset;
}

struct Crop {
    const char* name;
    QImage image;
    QString psm;
};

std::vector<Crop> crops() {
    const workspace::TextPage line = workspace::cropLines(page(), 3, 1, 12);
    const workspace::TextPage paragraph = workspace::cropLines(page(), 3, 6, 12);
    return {{"line", line.image, QStringLiteral("7")},
            {"paragraph", paragraph.image, QStringLiteral("6")}};
}

QTemporaryDir* g_dir = nullptr;

// One resident run of the window's command on the crop's tmp.bmp: wall and process CPU seconds.
std::pair<double, double> runOnce(engine::ResidentEngine& engine, const QString& bitmap,
                                  const QString& psm) {
    const auto call = engine::plainCall(
        {QStringLiteral("tesseract"), bitmap, g_dir->filePath(QStringLiteral("tmp")),
         QStringLiteral("-l"), QStringLiteral("jpn"), QStringLiteral("--psm"), psm});
    const double cpu = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    if (!call || engine.runAndWait(*call, g_dir->path()) != engine::Outcome::Written)
        std::fprintf(stderr, "resident run failed\n");
    return {double(clock.nsecsElapsed()) * 1e-9, processCpuSeconds() - cpu};
}

void threads(benchmark::State& state, const Crop& crop) {
    const QString bitmap = g_dir->filePath(QLatin1String(crop.name) + QStringLiteral(".bmp"));
    crop.image.save(bitmap, "BMP");
    using Threads = engine::ResidentEngine::Threads;
    const Threads chosen = engine::threadsForOneCrop(QThread::idealThreadCount());
    engine::ResidentEngine engineDefault(Threads::EngineDefault), one(Threads::One), window(chosen);
    engine::ResidentEngine* engines[] = {&engineDefault, &one, &window};
    for (engine::ResidentEngine* e : engines)
        runOnce(*e, bitmap, crop.psm); // models loaded
    std::vector<double> wall[3], cpu[3];
    for (auto _ : state) {
        for (int k = 0; k < 3; ++k) {
            const auto [w, c] = runOnce(*engines[k], bitmap, crop.psm);
            wall[k].push_back(w);
            cpu[k].push_back(c);
        }
        state.SetIterationTime(wall[2].back());
    }
    const char* names[] = {"engine_default", "one_thread", "window"};
    for (int k = 0; k < 3; ++k) {
        state.counters[std::string(names[k]) + "_ms"] = median(wall[k]) * 1e3;
        state.counters[std::string(names[k]) + "_cpu_ms"] = median(cpu[k]) * 1e3;
    }
    std::printf("%s crop %d x %d, %d processors: engine's threads %.0f ms (%.0f ms CPU), one "
                "thread %.0f ms (%.0f ms CPU), the window's choice (%s) %.0f ms: %.2f of one "
                "thread (target <= 1.1); the engine's threads %.2f of one thread\n",
                crop.name, crop.image.width(), crop.image.height(), QThread::idealThreadCount(),
                median(wall[0]) * 1e3, median(cpu[0]) * 1e3, median(wall[1]) * 1e3,
                median(cpu[1]) * 1e3, chosen == Threads::One ? "one" : "the engine's",
                median(wall[2]) * 1e3, median(wall[2]) / median(wall[1]),
                median(wall[0]) / median(wall[1]));
}

// The desktop platform as the program uses it, less what would block a measurement.
class BenchPlatform : public DesktopPlatform {
public:
    QStringList messages;
    void showMessage(const QString& text) override { messages << text; }
    void playSound(const QString&) override {}
};

// A workspace with the paragraph page as its picture and a paragraph selected.
struct Window {
    QTemporaryDir dir;
    BenchPlatform platform;
    std::unique_ptr<FrmMain> frame;

    QString bin() const { return dir.path() + QStringLiteral("/bin"); }

    Window() {
        const QByteArray lists[] = {"単一ブロック:6\r\n", "jpn\r\neng\r\n", "\r\n"};
        const char* names[] = {"listPSMode.txt", "listLang.txt", "listOption.txt"};
        for (int i = 0; i < 3; ++i)
            writeAll(bin() + QLatin1Char('/') + QLatin1String(names[i]),
                     cp932::encode(QString::fromUtf8(lists[i])));
        writeAll(dir.path() + QStringLiteral("/wav/start.wav"), "RIFF");
        writeAll(dir.path() + QStringLiteral("/wav/notify.wav"), "RIFF");
        QDir().mkpath(dir.path() + QStringLiteral("/bmp_gif_sample"));
        page().image.save(dir.path() + QStringLiteral("/bmp_gif_sample/page.png"));
        frame = std::make_unique<FrmMain>(platform, bin());
        platform.setWindow(frame.get());
        Controls& c = frame->controls();
        c.lstZoom->setCurrentRow(0);
        c.File1->setCurrentRow(0);
        // Lines 4 to 9 of the page at 100 %.
        const QRect lines =
            page().lineBoxes[3].united(page().lineBoxes[8]).adjusted(-12, -12, 12, 12);
        SelectionState& s = frame->selection().state();
        s.x1 = lines.left();
        s.y1 = lines.top();
        s.x2 = lines.right();
        s.y2 = lines.bottom();
        c.cmdRecognize->setEnabled(true);
    }

    double click() {
        Controls& c = frame->controls();
        c.txtResult->setText(QString());
        QElapsedTimer clock;
        clock.start();
        c.cmdRecognize->click();
        const double seconds = double(clock.nsecsElapsed()) * 1e-9;
        if (!platform.messages.isEmpty() || c.txtResult->text().trimmed().isEmpty())
            std::fprintf(stderr, "the run read nothing: %s\n",
                         qPrintable(platform.messages.join(u'\n')));
        return seconds;
    }
};

void waitHandlingEvents(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

// thinkMs: the time between showing the window and the first press.
void firstClick(benchmark::State& state, int thinkMs) {
    std::vector<double> first, later;
    for (auto _ : state) {
        Window w;
        w.frame->show();
        waitHandlingEvents(thinkMs);
        first.push_back(w.click());
        for (int k = 0; k < 3; ++k)
            later.push_back(w.click());
        state.SetIterationTime(first.back());
    }
    state.counters["first_ms"] = median(first) * 1e3;
    state.counters["later_ms"] = median(later) * 1e3;
    state.counters["ratio"] = median(first) / median(later);
    std::printf("first press %d ms after showing the window: %.0f ms, later presses %.0f ms, "
                "ratio %.2f%s\n",
                thinkMs, median(first) * 1e3, median(later) * 1e3, median(first) / median(later),
                thinkMs > 0 ? " (target <= 1.5)" : " (the engine not loaded yet)");
}

} // namespace

int main(int argc, char** argv) {
    // The user's default environment: the library reads OMP_THREAD_LIMIT when it loads.
    if (!qEnvironmentVariableIsEmpty("OMP_THREAD_LIMIT")) {
        ::unsetenv("OMP_THREAD_LIMIT");
        ::execv("/proc/self/exe", argv);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    static const std::vector<Crop> all = crops();
    for (const Crop& crop : all)
        benchmark::RegisterBenchmark((std::string("threads/") + crop.name).c_str(),
                                     [&crop](benchmark::State& s) { threads(s, crop); })
            ->Iterations(7)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("first_click/after_1s",
                                 [](benchmark::State& s) { firstClick(s, 1000); })
        ->Iterations(3)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("first_click/at_once",
                                 [](benchmark::State& s) { firstClick(s, 0); })
        ->Iterations(3)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
