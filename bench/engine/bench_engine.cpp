// One recognition through the command line against the same recognition in the resident
// engine, on a one-line crop and on a 1200 x 600 block; both run alternately in the same
// process, so machine load affects them alike. Also the first resident run, which loads the
// models, and the program's resident size after runs with jpn, jpn+eng and eng.
//
// The engine runs single-threaded (OMP_THREAD_LIMIT=1) on both sides; the benchmark starts
// itself again with that setting when it is missing, since the library reads it when loaded.

#include "engineidentity.h"
#include "plaincall.h"
#include "residentengine.h"
#include "textpicture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <unistd.h>

using namespace quillpix::engine;

namespace {

QImage textPicture(const QStringList& lines, const QSize& size, int pixelSize) {
    return quillpix::workspace::textPicture(lines, size, pixelSize,
                                            Qt::AlignLeft | Qt::AlignVCenter, 20);
}

struct Crop {
    const char* name;
    QImage image;
    QString psm;
};

std::vector<Crop> crops() {
    return {{"line",
             textPicture({QStringLiteral("本日は晴天なり、明日は雨が降るでしょう。")},
                         QSize(1100, 110), 44),
             QStringLiteral("7")},
            {"block",
             textPicture({QStringLiteral("第1章 概要"),
                          QStringLiteral("この文書は、読み取りの速さを確かめるための見本です。"),
                          QStringLiteral("Tesseract reads the text of scanned pages."),
                          QStringLiteral("漢字とかなと English words が混ざった行。"),
                          QStringLiteral("最後の行には数字 2024 年 5 月 1 日 があります。")},
                         QSize(1200, 600), 38),
             QStringLiteral("6")}};
}

double seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) * 1e-9;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

struct Setup {
    QTemporaryDir dir;
    QString engine = installedProgram();
    ResidentEngine resident;
};

Setup* setup = nullptr;

QStringList arguments(const QString& image, const QString& base, const QString& lang,
                      const QString& psm) {
    return {image, base, QStringLiteral("-l"), lang, QStringLiteral("--psm"), psm};
}

double runCommandLine(const QString& image, const QString& lang, const QString& psm) {
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(setup->engine,
                  arguments(image, setup->dir.filePath(QStringLiteral("cli")), lang, psm));
    process.waitForFinished(-1);
    return seconds(timer);
}

double runResident(ResidentEngine& engine, const QString& image, const QString& lang,
                   const QString& psm) {
    const auto call = plainCall(QStringList{QStringLiteral("tesseract")} +
                                arguments(image, QStringLiteral("resident"), lang, psm));
    QElapsedTimer timer;
    timer.start();
    if (!call || engine.run(*call, setup->dir.path()) != Outcome::Written)
        std::fprintf(stderr, "resident run failed\n");
    return seconds(timer);
}

// Command line and resident engine in turn; the reported time is the resident one.
void alternating(benchmark::State& state, const Crop& crop) {
    const QString image = setup->dir.filePath(QLatin1String(crop.name) + QStringLiteral(".bmp"));
    crop.image.save(image);
    runResident(setup->resident, image, QStringLiteral("jpn"), crop.psm); // models loaded
    std::vector<double> cli;
    std::vector<double> resident;
    for (auto _ : state) {
        cli.push_back(runCommandLine(image, QStringLiteral("jpn"), crop.psm));
        resident.push_back(runResident(setup->resident, image, QStringLiteral("jpn"), crop.psm));
        state.SetIterationTime(resident.back());
    }
    state.counters["cli_ms"] = median(cli) * 1e3;
    state.counters["resident_ms"] = median(resident) * 1e3;
    state.counters["ratio"] = median(resident) / median(cli);
    std::printf("%s: command line %.0f ms, resident %.0f ms, ratio %.2f (target %s)\n", crop.name,
                median(cli) * 1e3, median(resident) * 1e3, median(resident) / median(cli),
                std::strcmp(crop.name, "line") == 0 ? "<= 0.5" : "<= 0.6");
}

// A fresh engine each time: the first run includes loading the models.
void firstRun(benchmark::State& state, const Crop& crop) {
    const QString image = setup->dir.filePath(QLatin1String(crop.name) + QStringLiteral(".bmp"));
    crop.image.save(image);
    for (auto _ : state) {
        ResidentEngine fresh;
        state.SetIterationTime(runResident(fresh, image, QStringLiteral("jpn"), crop.psm));
    }
}

void memory(benchmark::State& state) {
    const QString image = setup->dir.filePath(QStringLiteral("line.bmp"));
    crops()[0].image.save(image);
    for (auto _ : state) {
        ResidentEngine engine;
        const long before = residentKilobytes();
        long after = before;
        for (const char* lang : {"jpn", "jpn+eng", "eng"}) {
            runResident(engine, image, QLatin1String(lang), QStringLiteral("7"));
            after = residentKilobytes();
            std::printf("resident size after %-8s %6.0f MB (+%.0f MB over the program before "
                        "any engine)\n",
                        lang, after / 1024.0, (after - before) / 1024.0);
        }
        state.SetIterationTime(0.001);
        state.counters["rss_MB"] = after / 1024.0;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariable("OMP_THREAD_LIMIT") != QLatin1String("1")) {
        ::setenv("OMP_THREAD_LIMIT", "1", 1);
        ::execv("/proc/self/exe", argv);
    }
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    Setup here;
    setup = &here;
    if (here.engine.isEmpty()) {
        std::fprintf(stderr, "the engine's command-line program is not installed\n");
        return 1;
    }
    // The size first, before other runs have grown the heap.
    benchmark::RegisterBenchmark("resident_size", memory)->Iterations(1)->UseManualTime();
    static const std::vector<Crop> all = crops();
    for (const Crop& crop : all) {
        benchmark::RegisterBenchmark((std::string("first_resident_run/") + crop.name).c_str(),
                                     [&crop](benchmark::State& s) { firstRun(s, crop); })
            ->Iterations(3)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("resident_vs_command_line/") + crop.name).c_str(),
                                     [&crop](benchmark::State& s) { alternating(s, crop); })
            ->Iterations(7)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
