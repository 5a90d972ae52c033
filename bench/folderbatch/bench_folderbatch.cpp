// The folder batch against the best a user could do with the engine alone, on A5 pages of
// Japanese at 300 dpi (typeset by the workspace renderer, scanned with a little blur and noise,
// 8-bit grey PNG), the real jpn engine, --psm 3, two at a time on this machine's two cores:
//
// - engine_only: a small program against the engine's library that loads the model once and
//   reads its pictures one after the other with one recognition thread; two of them, each
//   taking every other page. Its CPU time per page is the engine's own work: the limit.
// - GNU parallel -j2 running the engine's command line once per page with OMP_THREAD_LIMIT=1.
// - quillpix --batch --jobs 2, with its loaded engines, and with engine processes
//   (QUILLPIX_ENGINE=batch).
// - ocrmypdf --jobs 2 on a PDF of the same pages, only where it is installed.
//
// Every figure is wall-clock pages per minute and CPU seconds per page (user and system time of
// the whole process tree, from wait4). The rounds run the measures one after the other, so the
// machine's load affects them alike; each round prints its ratios, with the load average.
//
//     bench_folderbatch [--benchmark_filter=...]   (QUILLPIX_BENCH_PAGES pages, default 30;
//                                                  QUILLPIX_BENCH_ROUNDS rounds, default 2;
//                                                  QUILLPIX_BENCH_STORED=colour: the same grey
//                                                  scans stored as 24-bit colour PNG)

#include "pagetexts.h"
#include "textpicture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

int pageCount() {
    const int asked = qEnvironmentVariableIntValue("QUILLPIX_BENCH_PAGES");
    return asked > 0 ? asked : 30;
}

int roundCount() {
    const int asked = qEnvironmentVariableIntValue("QUILLPIX_BENCH_ROUNDS");
    return asked > 0 ? asked : 2;
}

bool storedInColour() {
    return qEnvironmentVariable("QUILLPIX_BENCH_STORED") == QLatin1String("colour");
}

struct Pages {
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("pages"));
    QStringList files;
    QString pdf = dir.filePath(QStringLiteral("pages.pdf"));

    Pages() {
        QDir().mkpath(folder);
        const QStringList& prose = quillpix::workspace::japaneseProse();
        for (int i = 0; i < pageCount(); ++i) {
            QStringList paragraphs;
            for (int k = 0; k < 14; ++k)
                paragraphs << prose[(i * 5 + k) % prose.size()];
            const quillpix::workspace::TextPage page =
                quillpix::workspace::textPage(paragraphs, quillpix::workspace::PageStyle{});
            quillpix::workspace::ScanStyle scan;
            scan.blurSigma = 0.6;
            scan.noiseSigma = 6;
            scan.seed = quint32(i + 1);
            const QString file =
                folder + QStringLiteral("/page%1.png").arg(i + 1, 2, 10, QChar(u'0'));
            const QImage scanned = quillpix::workspace::scanned(page.image, scan);
            // Many scanners and phones store a grey scan in colour.
            (storedInColour() ? scanned.convertToFormat(QImage::Format_RGB32) : scanned).save(file);
            files << file;
        }
    }

    // Only for ocrmypdf: one page per picture at its resolution.
    void writePdf() {
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::A5));
        writer.setResolution(300);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        for (qsizetype i = 0; i < files.size(); ++i) {
            if (i > 0)
                writer.newPage();
            painter.drawImage(0, 0, QImage(files[i]));
        }
    }
};

Pages* g_pages = nullptr;

struct Spent {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    bool ok = true;
};

double seconds(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) * 1e-6;
}

// Pointers to the bytes, null-terminated, as exec takes its arguments and environment.
std::vector<char*> nullTerminated(std::vector<QByteArray>& entries) {
    std::vector<char*> pointers;
    for (QByteArray& e : entries)
        pointers.push_back(e.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts each command (with these extra environment entries) at once, output to /dev/null, and
// waits for all; the CPU time is that of every process of the trees.
Spent runAll(const std::vector<QStringList>& commands, const QStringList& environment) {
    std::vector<QByteArray> envBytes;
    for (char** e = environ; *e; ++e) {
        const QByteArray entry(*e);
        bool replaced = false;
        for (const QString& extra : environment)
            if (entry.startsWith(extra.section(QLatin1Char('='), 0, 0).toLocal8Bit() + '='))
                replaced = true;
        if (!replaced)
            envBytes.push_back(entry);
    }
    for (const QString& extra : environment)
        envBytes.push_back(extra.toLocal8Bit());
    std::vector<char*> envp = nullTerminated(envBytes);

    QElapsedTimer clock;
    clock.start();
    std::vector<pid_t> children;
    Spent spent;
    for (const QStringList& command : commands) {
        std::vector<QByteArray> words;
        for (const QString& word : command)
            words.push_back(word.toLocal8Bit());
        std::vector<char*> argv = nullTerminated(words);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0)
            children.push_back(pid);
        else
            spent.ok = false;
        posix_spawn_file_actions_destroy(&actions);
    }
    for (const pid_t pid : children) {
        int status = 0;
        rusage usage{};
        if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
            spent.ok = false;
        spent.cpuSeconds += seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }
    spent.wallSeconds = double(clock.nsecsElapsed()) * 1e-9;
    return spent;
}

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(u' ', 0, 2)
                                          : QStringLiteral("?");
}

void report(benchmark::State& state, const Spent& spent) {
    if (!spent.ok) {
        state.SkipWithError("a run failed");
        return;
    }
    const double pages = double(g_pages->files.size());
    state.SetIterationTime(spent.wallSeconds);
    state.counters["pages_per_min"] = pages * 60.0 / spent.wallSeconds;
    state.counters["cpu_s_per_page"] = spent.cpuSeconds / pages;
    state.SetLabel(("load " + loadAverage()).toStdString());
}

QString freshOutput(const char* name) {
    const QString out = g_pages->dir.filePath(QStringLiteral("out-") + QLatin1String(name));
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    return out;
}

void engineOnly(benchmark::State& state) {
    for (auto _ : state) {
        const QString out = freshOutput("engine");
        std::vector<QStringList> halves(2);
        for (QStringList& half : halves)
            half << QStringLiteral(QUILLPIX_ENGINE_ONLY) << QStringLiteral("jpn")
                 << QStringLiteral("3") << out;
        for (qsizetype i = 0; i < g_pages->files.size(); ++i)
            halves[size_t(i % 2)] << g_pages->files[i];
        report(state, runAll(halves, {QStringLiteral("OMP_THREAD_LIMIT=1")}));
    }
}

void gnuParallel(benchmark::State& state) {
    if (QStandardPaths::findExecutable(QStringLiteral("parallel")).isEmpty()) {
        state.SkipWithError("GNU parallel is not installed (apt-get install parallel)");
        return;
    }
    for (auto _ : state) {
        const QString out = freshOutput("parallel");
        report(state, runAll({QStringList{QStringLiteral("parallel"), QStringLiteral("-j2"),
                                          QStringLiteral("tesseract"), QStringLiteral("{}"),
                                          out + QStringLiteral("/{/.}"), QStringLiteral("-l"),
                                          QStringLiteral("jpn"), QStringLiteral("--psm"),
                                          QStringLiteral("3"), QStringLiteral(":::")} +
                              g_pages->files},
                             {QStringLiteral("OMP_THREAD_LIMIT=1")}));
    }
}

// engineChoice is QUILLPIX_ENGINE: "batch" for processes, "" for loaded engines.
void folderBatch(benchmark::State& state, const char* engineChoice) {
    for (auto _ : state) {
        report(state,
               runAll({{QStringLiteral(QUILLPIX_PROGRAM), QStringLiteral("--batch"),
                        g_pages->folder, QStringLiteral("--lang"), QStringLiteral("jpn"),
                        QStringLiteral("--psm"), QStringLiteral("3"), QStringLiteral("--jobs"),
                        QStringLiteral("2"), QStringLiteral("--force")}},
                      {QStringLiteral("QUILLPIX_ENGINE=") + QLatin1String(engineChoice)}));
    }
}

void ocrmypdf(benchmark::State& state) {
    for (auto _ : state) {
        const QString out = freshOutput("ocrmypdf");
        report(state,
               runAll({{QStringLiteral("ocrmypdf"), QStringLiteral("--jobs"), QStringLiteral("2"),
                        QStringLiteral("-l"), QStringLiteral("jpn"), QStringLiteral("--force-ocr"),
                        g_pages->pdf, out + QStringLiteral("/out.pdf")}},
                      {}));
    }
}

// Ratios of each round's figures, with the load average the round saw.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string name = run.run_name.function_name;
            const size_t slash = name.find('/');
            Figures& f = m_rounds[name.substr(slash + 1)][name.substr(0, slash)];
            f.perMinute = run.counters.at("pages_per_min").value;
            f.cpu = run.counters.at("cpu_s_per_page").value;
            m_load[name.substr(slash + 1)] = run.report_label;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [round, figures] : m_rounds) {
            std::printf("\n%s (%d A5 pages at 300 dpi, %s at its end):\n", round.c_str(),
                        pageCount(), m_load[round].c_str());
            for (const auto& [name, f] : figures)
                std::printf("  %-16s %6.1f pages/min  %5.2f CPU s/page\n", name.c_str(),
                            f.perMinute, f.cpu);
            const auto find = [&](const char* name) {
                const auto at = figures.find(name);
                return at == figures.end() ? nullptr : &at->second;
            };
            const Figures* engine = find("engine_only");
            const Figures* parallel = find("gnu_parallel");
            const Figures* batch = find("batch_loaded");
            if (batch && engine)
                std::printf("  batch CPU per page / engine-only: %.2f (target <= 1.15); "
                            "batch speed / engine-only: %.2f\n",
                            batch->cpu / engine->cpu, batch->perMinute / engine->perMinute);
            if (batch && parallel)
                std::printf("  batch speed / GNU parallel -j2: %.2f (target >= 1.1); CPU per "
                            "page: %.2f\n",
                            batch->perMinute / parallel->perMinute, batch->cpu / parallel->cpu);
            if (const Figures* pdf = find("ocrmypdf"); pdf && batch)
                std::printf("  batch speed / ocrmypdf --jobs 2: %.2f\n",
                            batch->perMinute / pdf->perMinute);
        }
    }

private:
    struct Figures {
        double perMinute = 0;
        double cpu = 0;
    };
    std::map<std::string, std::map<std::string, Figures>> m_rounds;
    std::map<std::string, std::string> m_load;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (QStandardPaths::findExecutable(QStringLiteral("tesseract")).isEmpty()) {
        std::fprintf(stderr, "tesseract is not installed\n");
        return 1;
    }
    Pages pages;
    g_pages = &pages;
    const bool withOcrmypdf = !QStandardPaths::findExecutable(QStringLiteral("ocrmypdf")).isEmpty();
    if (withOcrmypdf)
        pages.writePdf();
    for (int round = 1; round <= roundCount(); ++round) {
        const std::string r = "/round" + std::to_string(round);
        const auto add = [&](const std::string& name, auto function) {
            benchmark::RegisterBenchmark((name + r).c_str(), function)
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kSecond);
        };
        add("engine_only", engineOnly);
        add("gnu_parallel", gnuParallel);
        add("batch_loaded", [](benchmark::State& s) { folderBatch(s, ""); });
        add("batch_processes", [](benchmark::State& s) { folderBatch(s, "batch"); });
        if (withOcrmypdf)
            add("ocrmypdf", ocrmypdf);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
