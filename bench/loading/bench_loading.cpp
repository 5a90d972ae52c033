// Loading large files into the window's boxes: a saved result of 10 MB into the result box and
// an option list of 1,000,000 lines into a list box. Each is measured against reading the same
// bytes with QFile::readAll in the same run, so the ratio says how far from linear the load is
// and machine load affects both alike. The boxes are shown and every posted event is handled,
// so the time includes the layout the window does before it answers again.

#include "listfiles.h"
#include "textfiles.h"
#include "widgets.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

using namespace quillpix;

namespace {

constexpr int kListLines = 1000 * 1000;

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

// A saved result as the program writes it: Japanese and ASCII lines, code page 932, CR LF,
// with a blank line now and then.
QString savedResultFile(qsizetype megabytes) {
    const qsizetype size = megabytes * 1000 * 1000;
    const QString path = folder().filePath(QStringLiteral("scan%1.bmp.txt").arg(megabytes));
    if (!QFile::exists(path)) {
        const QByteArray line("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\xcd page 12 of 345, "
                              "\x82\xa0\x82\xa2\x82\xa4\x81\x42\r\n");
        QByteArray bytes;
        bytes.reserve(size + line.size());
        for (int i = 0; bytes.size() < size; ++i)
            bytes += (i % 20 == 19) ? QByteArray("\r\n") : line;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
    return path;
}

// An option list of short lines, half of them with LF-only ends as a Linux editor writes them.
QString listFile() {
    const QString path = folder().filePath(QStringLiteral("listOption.txt"));
    if (!QFile::exists(path)) {
        QByteArray bytes;
        for (int i = 0; i < kListLines; ++i)
            bytes += "-c option_" + QByteArray::number(i) + (i % 2 ? "\n" : "\r\n");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
    return path;
}

void readBytes(benchmark::State& state, const QString& path) {
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot read");
            return;
        }
        benchmark::DoNotOptimize(file.readAll());
    }
}

void BM_ReadAllSavedResult(benchmark::State& state) {
    readBytes(state, savedResultFile(state.range(0)));
}
BENCHMARK(BM_ReadAllSavedResult)->Arg(1)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond);

// Until the result box shows the file's beginning and the window answers again.
void BM_SavedResultShown(benchmark::State& state) {
    const QString path = savedResultFile(state.range(0));
    TextBox box(nullptr);
    box.resize(800, 300);
    box.show();
    for (auto _ : state) {
        box.setText(textfiles::readSavedResult(path));
        QApplication::processEvents();
        state.PauseTiming();
        box.setText(QString());
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SavedResultShown)->Arg(1)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond);

// Until the whole text is in the editor; the longest turn of the event loop meanwhile is how
// long the window stops answering at most.
void BM_SavedResultFullyLoaded(benchmark::State& state) {
    const QString path = savedResultFile(state.range(0));
    TextBox box(nullptr);
    box.resize(800, 300);
    box.show();
    double longestMs = 0;
    for (auto _ : state) {
        QElapsedTimer step;
        step.start();
        box.setText(textfiles::readSavedResult(path));
        do {
            QApplication::processEvents();
            longestMs = std::max(longestMs, step.nsecsElapsed() / 1e6);
            step.restart();
        } while (box.isLoading());
        state.PauseTiming();
        box.setText(QString());
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["longest_step_ms"] = longestMs;
}
BENCHMARK(BM_SavedResultFullyLoaded)->Arg(1)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond);

void BM_ReadAllListFile(benchmark::State& state) {
    readBytes(state, listFile());
}
BENCHMARK(BM_ReadAllListFile)->Unit(benchmark::kMillisecond);

void BM_ListFileIntoListBox(benchmark::State& state) {
    const QString path = listFile();
    QListWidget list;
    list.resize(200, 100);
    list.show();
    for (auto _ : state) {
        loadListFile(path, &list);
        QApplication::processEvents();
        state.PauseTiming();
        list.clear();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ListFileIntoListBox)->Unit(benchmark::kMillisecond);

// Prints each result as usual and, at the end, each load against its baseline.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_ms[run.benchmark_name()] = run.GetAdjustedRealTime() /
                                             benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        // Linear loading keeps the ratio as the size grows.
        for (const std::string mb : {"1", "10", "40"}) {
            ratio("BM_SavedResultShown/" + mb, "BM_ReadAllSavedResult/" + mb,
                  mb + " MB saved result shown", mb == "10" ? 1000 : 0);
            ratio("BM_SavedResultFullyLoaded/" + mb, "BM_ReadAllSavedResult/" + mb,
                  mb + " MB saved result fully loaded", 0);
        }
        ratio("BM_ListFileIntoListBox", "BM_ReadAllListFile", "1,000,000-line list loaded", 2000);
    }

private:
    void ratio(const std::string& load, const std::string& base, const std::string& what,
               double targetMs) {
        const auto l = m_ms.find(load), b = m_ms.find(base);
        if (l != m_ms.end() && b != m_ms.end() && b->second > 0)
            std::printf("%s: %.0f ms, %.1f times reading its bytes (%.1f ms)%s\n", what.c_str(),
                        l->second, l->second / b->second, b->second,
                        targetMs > 0
                            ? qPrintable(QStringLiteral("; target under %1 ms").arg(targetMs))
                            : "");
    }
    std::map<std::string, double> m_ms;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
