// One recognition through the command line against the same recognition in the resident
// engine, on a one-line crop and on a 1200 x 600 block; both run alternately in the same
// process, so machine load affects them alike. Also the first resident run, which loads the
// models, the program's resident size after runs with jpn, jpn+eng and eng, and its resident
// size through 20 runs that each need an engine of their own (20 values of one -c variable),
// which the bound on loaded engines keeps flat.
//
// The engine runs single-threaded (OMP_THREAD_LIMIT=1) on both sides; the benchmark starts
// itself again with that setting when it is missing, since the library reads it when loaded.
//
// grey_against_colour: the engine's CPU time for an A5 300-dpi page of Japanese (and a
// paragraph crop of it) handed over in memory as 8-bit grey, against the same pixels as 32-bit
// colour, as every work picture was before; in turn, with the texts compared.

#include "doubt.h"
#include "engineidentity.h"
#include "pagetexts.h"
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

#include <sys/resource.h>
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
    if (!call || engine.runAndWait(*call, setup->dir.path()) != Outcome::Written)
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

// 20 runs, each with another value of a variable of the engine's own, so each needs an engine
// of its own; at most ResidentEngine::kLoadedEngines of them are kept.
void boundedMemory(benchmark::State& state) {
    const QString image = setup->dir.filePath(QStringLiteral("line.bmp"));
    crops()[0].image.save(image);
    for (auto _ : state) {
        ResidentEngine engine;
        const long before = residentKilobytes();
        long first = before;
        long highest = before;
        for (int k = 0; k < 20; ++k) {
            const auto call = plainCall(
                QStringList{QStringLiteral("tesseract")} +
                arguments(image, QStringLiteral("resident"), QStringLiteral("jpn"),
                          QStringLiteral("7")) +
                QStringList{QStringLiteral("-c"),
                            QStringLiteral("tessedit_char_blacklist=%1").arg(QChar(u'A' + k))});
            if (!call || engine.runAndWait(*call, setup->dir.path()) != Outcome::Written)
                std::fprintf(stderr, "resident run failed\n");
            const long now = residentKilobytes();
            if (k == 0)
                first = now;
            highest = std::max(highest, now);
            std::printf("run %2d: resident size %6.0f MB\n", k + 1, now / 1024.0);
        }
        const long after = residentKilobytes();
        const double perEngine = (first - before) / 1024.0;
        const double bound = before / 1024.0 + (ResidentEngine::kLoadedEngines + 1) * perEngine;
        std::printf("before %.0f MB, after the first run %.0f MB (%.0f MB per jpn engine), after "
                    "20 runs %.0f MB, highest %.0f MB; bound: before + (%d + 1) engines = %.0f MB "
                    "(%s)\n",
                    before / 1024.0, first / 1024.0, perEngine, after / 1024.0, highest / 1024.0,
                    ResidentEngine::kLoadedEngines, bound,
                    highest / 1024.0 <= bound ? "kept" : "EXCEEDED");
        state.SetIterationTime(0.001);
        state.counters["before_MB"] = before / 1024.0;
        state.counters["per_engine_MB"] = perEngine;
        state.counters["after_20_MB"] = after / 1024.0;
        state.counters["highest_MB"] = highest / 1024.0;
    }
}

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The A5 page as a scanner gives it, and six of its lines as a user drags them.
QImage scannedPage(bool paragraph) {
    QStringList paragraphs;
    for (int k = 0; k < 14; ++k)
        paragraphs << quillpix::workspace::japaneseProse()[k % quillpix::workspace::japaneseProse()
                                                                   .size()];
    quillpix::workspace::TextPage page =
        quillpix::workspace::textPage(paragraphs, quillpix::workspace::PageStyle{});
    if (paragraph)
        page = quillpix::workspace::cropLines(page, 3, 6, 12);
    quillpix::workspace::ScanStyle scan;
    scan.blurSigma = 0.6;
    scan.noiseSigma = 6;
    QImage grey = quillpix::workspace::scanned(page.image, scan);
    // The resolution the window's and the batch's work picture carries.
    grey.setDotsPerMeterX(3780);
    grey.setDotsPerMeterY(3780);
    return grey;
}

void greyAgainstColour(benchmark::State& state, bool paragraph) {
    const QImage grey = scannedPage(paragraph);
    const QImage colour = grey.convertToFormat(QImage::Format_RGB32);
    const auto call =
        plainCall({QStringLiteral("tesseract"), QStringLiteral("in.bmp"), QStringLiteral("out"),
                   QStringLiteral("-l"), QStringLiteral("jpn"), QStringLiteral("--psm"),
                   paragraph ? QStringLiteral("6") : QStringLiteral("3")});
    const PlainCall resolved = resolvedAgainst(*call, setup->dir.path());
    setup->resident.startReading(resolved, grey).waitForFinished(); // models loaded
    std::vector<double> cpu[2];
    bool same = true;
    for (auto _ : state) {
        QByteArray text[2];
        for (int k = 0; k < 2; ++k) {
            const double before = processCpuSeconds();
            text[k] = setup->resident.startReading(resolved, k == 0 ? colour : grey).result().utf8;
            cpu[k].push_back(processCpuSeconds() - before);
        }
        same = same && text[0] == text[1] && !text[0].isEmpty();
        state.SetIterationTime(cpu[1].back());
    }
    state.counters["colour_cpu_ms"] = median(cpu[0]) * 1e3;
    state.counters["grey_cpu_ms"] = median(cpu[1]) * 1e3;
    state.counters["ratio"] = median(cpu[1]) / median(cpu[0]);
    std::printf("%s %d x %d: colour %.0f ms CPU, 8-bit grey %.0f ms CPU, grey / colour %.2f (%.0f "
                "%% saved); text %s\n",
                paragraph ? "paragraph" : "page", grey.width(), grey.height(), median(cpu[0]) * 1e3,
                median(cpu[1]) * 1e3, median(cpu[1]) / median(cpu[0]),
                100 * (1 - median(cpu[1]) / median(cpu[0])), same ? "byte-identical" : "DIFFERS");
}

// A window run with its marks against the same run without them: the engine's run of tess.bat,
// then, with marks, the lines taken from the same recognition, the text placed on them and the
// doubt rule. In turn, so that both see the same machine.
void windowMarks(benchmark::State& state, const Crop& crop) {
    const QString image = setup->dir.filePath(QStringLiteral("marks.bmp"));
    crop.image.save(image);
    const QString batch = QStringLiteral("tesseract marks.bmp marks -l jpn --psm ") + crop.psm;
    setup->resident.runBatchText(batch, setup->dir.path()); // models loaded
    std::vector<double> cpu[2];
    int marked = 0;
    for (auto _ : state) {
        for (int k = 0; k < 2; ++k) {
            const double before = processCpuSeconds();
            QList<quillpix::enginelayout::Line> lines;
            setup->resident.runBatchText(batch, setup->dir.path(), {}, k == 1 ? &lines : nullptr);
            if (k == 1) {
                QFile text(setup->dir.filePath(QStringLiteral("marks.txt")));
                text.open(QIODevice::ReadOnly);
                auto characters = quillpix::textplacing::placeCharacters(
                    lines, QString::fromUtf8(text.readAll()));
                quillpix::textplacing::markDoubtful(characters);
                marked = int(std::count_if(characters.begin(), characters.end(),
                                           [](const auto& c) { return c.doubtful; }));
            }
            cpu[k].push_back(processCpuSeconds() - before);
        }
        state.SetIterationTime(cpu[1].back());
    }
    state.counters["plain_cpu_ms"] = median(cpu[0]) * 1e3;
    state.counters["marks_cpu_ms"] = median(cpu[1]) * 1e3;
    state.counters["ratio"] = median(cpu[1]) / median(cpu[0]);
    std::printf("%s: window run %.1f ms CPU, with marks %.1f ms CPU, ratio %.3f (%d marked)\n",
                crop.name, median(cpu[0]) * 1e3, median(cpu[1]) * 1e3,
                median(cpu[1]) / median(cpu[0]), marked);
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
    benchmark::RegisterBenchmark("resident_size_20_settings", boundedMemory)
        ->Iterations(1)
        ->UseManualTime();
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
        benchmark::RegisterBenchmark((std::string("window_marks/") + crop.name).c_str(),
                                     [&crop](benchmark::State& s) { windowMarks(s, crop); })
            ->Iterations(15)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    for (const bool paragraph : {false, true})
        benchmark::RegisterBenchmark(
            paragraph ? "grey_against_colour/paragraph" : "grey_against_colour/page",
            [paragraph](benchmark::State& s) { greyAgainstColour(s, paragraph); })
            ->Iterations(5)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
