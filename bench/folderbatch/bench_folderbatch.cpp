// Pictures per minute of `quillpix --batch` against a plain shell loop that calls the engine
// once per picture with the same settings, on twelve rendered A5 pages and the real jpn engine:
// the batch with engine processes (QUILLPIX_ENGINE=batch) and with loaded engines. All are
// measured here, one after the other in the same run, so the machine's load affects them alike;
// the ratios are printed at the end.

#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kPages = 12;
// A5 at 200 dpi.
constexpr int kWidth = 1169;
constexpr int kHeight = 1654;

const QStringList& sentences() {
    static const QStringList s{
        QStringLiteral("古い帳簿を一枚ずつ読み取り、その文字を保存します。"),
        QStringLiteral("明治時代の記録には、地名と人名が数多く出てきます。"),
        QStringLiteral("この資料は図書館の地下書庫に保管されていました。"),
        QStringLiteral("調査の結果、第3巻の一部が欠けていることが分かった。"),
        QStringLiteral("春の雨が静かに降り、川の水が少しずつ増えていく。"),
        QStringLiteral("会議は午後2時に始まり、予定より早く終わりました。"),
        QStringLiteral("新しい駅の周りには、商店や住宅が次々に建った。"),
    };
    return s;
}

// A page of Japanese text in Noto Sans CJK JP, different on every page.
QImage renderPage(int number) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(34);
    font.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(110, 150, QStringLiteral("第%1頁").arg(number));
    for (int line = 0; line < 14; ++line)
        p.drawText(110, 250 + line * 90, sentences()[(number + line) % sentences().size()]);
    return image.convertToFormat(QImage::Format_Mono);
}

struct Pages {
    QTemporaryDir dir;
    Pages() {
        for (int i = 1; i <= kPages; ++i)
            renderPage(i).save(dir.filePath(QStringLiteral("page%1.bmp").arg(i)), "BMP");
    }
};

Pages& pages() {
    static Pages p;
    return p;
}

bool engineReady(benchmark::State& state) {
    if (QStandardPaths::findExecutable(QStringLiteral("tesseract")).isEmpty()) {
        state.SkipWithError("tesseract is not installed");
        return false;
    }
    return true;
}

void setPerMinute(benchmark::State& state, qint64 ms) {
    state.counters["pictures_per_min"] = kPages * 60000.0 / double(ms);
    state.SetIterationTime(double(ms) / 1000.0);
}

// The baseline: what a user would write without the batch, the window's start settings.
void BM_ShellLoop(benchmark::State& state) {
    if (!engineReady(state))
        return;
    QTemporaryDir out;
    const QString script = QStringLiteral("for f in \"$1\"/*.bmp; do tesseract \"$f\" "
                                          "\"$2/$(basename \"$f\")\" -l jpn --psm 3 "
                                          ">/dev/null 2>&1; done");
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QProcess::execute(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), script, QStringLiteral("loop"), pages().dir.path(), out.path()});
        setPerMinute(state, clock.elapsed());
    }
}
BENCHMARK(BM_ShellLoop)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// engineChoice is QUILLPIX_ENGINE: "batch" for processes, "" for loaded engines.
void runBatch(benchmark::State& state, const char* engineChoice) {
    if (!engineReady(state))
        return;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QProcess batch;
        batch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLPIX_ENGINE"), QString::fromLatin1(engineChoice));
        batch.setProcessEnvironment(env);
        batch.start(QStringLiteral(QUILLPIX_PROGRAM),
                    {QStringLiteral("--batch"), pages().dir.path(), QStringLiteral("--lang"),
                     QStringLiteral("jpn"), QStringLiteral("--psm"), QStringLiteral("3"),
                     QStringLiteral("--force")});
        batch.waitForFinished(-1);
        setPerMinute(state, clock.elapsed());
        if (batch.exitCode() != 0)
            state.SkipWithError("the batch failed");
    }
}

void BM_ProcessBatch(benchmark::State& state) {
    runBatch(state, "batch");
}
BENCHMARK(BM_ProcessBatch)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_ResidentBatch(benchmark::State& state) {
    runBatch(state, "");
}
BENCHMARK(BM_ResidentBatch)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred)
                for (const auto& [name, counter] : run.counters)
                    m_rate[run.run_name.function_name] = counter.value;
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto loop = m_rate.find("BM_ShellLoop");
        const auto process = m_rate.find("BM_ProcessBatch");
        const auto resident = m_rate.find("BM_ResidentBatch");
        if (loop == m_rate.end())
            return;
        std::printf("\n%d A5 pages: shell loop %.1f pictures/min\n", kPages, loop->second);
        if (process != m_rate.end())
            std::printf("quillpix --batch, engine processes: %.1f pictures/min, %.2f times the "
                        "loop (target at least 1.8 on 2 cores)\n",
                        process->second, process->second / loop->second);
        if (resident != m_rate.end())
            std::printf("quillpix --batch, loaded engines: %.1f pictures/min, %.2f times the "
                        "loop%s\n",
                        resident->second, resident->second / loop->second,
                        process == m_rate.end()
                            ? ""
                            : qPrintable(QStringLiteral(", %1 times the processes")
                                             .arg(resident->second / process->second, 0, 'f', 2)));
    }

private:
    std::map<std::string, double> m_rate;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
