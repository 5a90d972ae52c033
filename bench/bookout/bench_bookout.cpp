// What the searchable PDFs, and hOCR with ALTO, add to `quillpix --batch`: twelve rendered A5
// pages as a folder of JPEG scans and as one PDF of those scans, each read with --force alone and
// with --force --pdf --book (or --hocr --alto --book), the two alternating so that load affects
// both alike; and the size of the PDFs against the JPEG data and the text.

#include "pdfwriter.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
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
#include <vector>

#include <sys/resource.h>

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
QImage renderGreyPage(int number) {
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
    p.end();
    image.setDotsPerMeterX(7874); // 200 dpi
    image.setDotsPerMeterY(7874);
    return image.convertToFormat(QImage::Format_Grayscale8);
}

QByteArray jpegOf(const QImage& page) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    page.save(&buffer, "JPG", 85);
    return bytes;
}

// The pages scanned to JPEG: one file each in jpegs/, and one PDF of them in document/.
struct Scans {
    QTemporaryDir dir;
    qint64 jpegBytes = 0;
    QString jpegs() const { return dir.filePath(QStringLiteral("jpegs")); }
    QString document() const { return dir.filePath(QStringLiteral("document")); }
    Scans() {
        QDir().mkpath(jpegs());
        QDir().mkpath(document());
        QList<quillpix::searchablepdf::Page> scan;
        for (int i = 1; i <= kPages; ++i) {
            quillpix::searchablepdf::Page page;
            page.jpeg = jpegOf(renderGreyPage(i));
            jpegBytes += page.jpeg.size();
            QFile file(dir.filePath(QStringLiteral("jpegs/page%1.jpg").arg(i, 2, 10, QChar(u'0'))));
            file.open(QIODevice::WriteOnly);
            file.write(page.jpeg);
            scan << page;
        }
        quillpix::searchablepdf::writeSearchablePdf(
            scan, dir.filePath(QStringLiteral("document/scan.pdf")));
    }
};

Scans& scans() {
    static Scans s;
    return s;
}

bool engineReady(benchmark::State& state) {
    if (QStandardPaths::findExecutable(QStringLiteral("tesseract")).isEmpty()) {
        state.SkipWithError("tesseract is not installed");
        return false;
    }
    return true;
}

// Wall-clock and CPU time (user and system, of the program and what it starts) of one batch,
// in milliseconds; a negative wall time when the batch failed.
struct Cost {
    qint64 wallMs = -1;
    double cpuMs = 0;
};

double childrenCpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

Cost runTimed(const QStringList& arguments) {
    const double cpuBefore = childrenCpuMs();
    QElapsedTimer clock;
    clock.start();
    QProcess batch;
    batch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    batch.setStandardOutputFile(QProcess::nullDevice());
    batch.start(QStringLiteral(QUILLPIX_PROGRAM), arguments);
    batch.waitForFinished(-1);
    Cost cost;
    cost.cpuMs = childrenCpuMs() - cpuBefore;
    if (batch.exitCode() == 0)
        cost.wallMs = clock.elapsed();
    return cost;
}

qint64 fileSize(const QString& path) {
    return QFileInfo(path).size();
}

// Each folder read three times without and three times with the outputs, alternating; the size
// of `pdf` against the JPEG data and `text` when a PDF is named.
void outputCost(benchmark::State& state, const QString& folder, const QStringList& outputs,
                const QString& pdf, const QString& text) {
    if (!engineReady(state))
        return;
    const QString book = QDir(folder).filePath(QStringLiteral("book.txt"));
    const QStringList plain{QStringLiteral("--batch"), folder,
                            QStringLiteral("--lang"),  QStringLiteral("jpn"),
                            QStringLiteral("--psm"),   QStringLiteral("3"),
                            QStringLiteral("--force")};
    const QStringList withPdf = plain + outputs + QStringList{QStringLiteral("--book"), book};
    for (auto _ : state) {
        // Three rounds, each with and without in turn, the order alternating.
        constexpr int kRounds = 3;
        Cost without{0, 0}, with{0, 0};
        for (int round = 0; round < kRounds; ++round) {
            const bool pdfFirst = round % 2 == 1;
            const Cost a = runTimed(pdfFirst ? withPdf : plain);
            const Cost b = runTimed(pdfFirst ? plain : withPdf);
            if (a.wallMs < 0 || b.wallMs < 0) {
                state.SkipWithError("the batch failed");
                return;
            }
            const Cost& plainCost = pdfFirst ? b : a;
            const Cost& pdfCost = pdfFirst ? a : b;
            without.wallMs += plainCost.wallMs;
            without.cpuMs += plainCost.cpuMs;
            with.wallMs += pdfCost.wallMs;
            with.cpuMs += pdfCost.cpuMs;
        }
        state.SetIterationTime(double(with.wallMs) / (1000.0 * kRounds));
        state.counters["s_without_pdf"] = double(without.wallMs) / (1000.0 * kRounds);
        state.counters["s_with_pdf"] = double(with.wallMs) / (1000.0 * kRounds);
        state.counters["cpu_ratio"] = with.cpuMs / without.cpuMs;
        state.counters["cpu_s_without_pdf"] = without.cpuMs / (1000.0 * kRounds);
        state.counters["cpu_s_with_pdf"] = with.cpuMs / (1000.0 * kRounds);
        state.counters["time_ratio"] = double(with.wallMs) / double(without.wallMs);
        state.counters["size_ratio"] =
            pdf.isEmpty() ? 0
                          : double(fileSize(QDir(folder).filePath(pdf))) /
                                double(scans().jpegBytes + fileSize(QDir(folder).filePath(text)));
    }
}

void BM_PdfOfJpegFiles(benchmark::State& state) {
    outputCost(state, scans().jpegs(), {QStringLiteral("--pdf")}, QStringLiteral("pdf/book.pdf"),
               QStringLiteral("book.txt"));
}
BENCHMARK(BM_PdfOfJpegFiles)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_PdfOfScannedDocument(benchmark::State& state) {
    outputCost(state, scans().document(), {QStringLiteral("--pdf")}, QStringLiteral("pdf/scan.pdf"),
               QStringLiteral("scan.pdf.txt"));
}
BENCHMARK(BM_PdfOfScannedDocument)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_HocrAndAltoOfJpegFiles(benchmark::State& state) {
    outputCost(state, scans().jpegs(), {QStringLiteral("--hocr"), QStringLiteral("--alto")}, {},
               {});
}
BENCHMARK(BM_HocrAndAltoOfJpegFiles)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred)
                for (const auto& [name, counter] : run.counters)
                    m_pdf[run.run_name.function_name][name] = counter.value;
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [name, counters] : m_pdf) {
            std::printf("\n%s: %.1f s without the outputs, %.1f s with them: %.3f times; CPU "
                        "%.1f s and %.1f s: %.3f times (target at most 1.1 for PDFs, 1.05 for "
                        "hOCR with ALTO)",
                        name.c_str(), counters.at("s_without_pdf"), counters.at("s_with_pdf"),
                        counters.at("time_ratio"), counters.at("cpu_s_without_pdf"),
                        counters.at("cpu_s_with_pdf"), counters.at("cpu_ratio"));
            if (counters.at("size_ratio") > 0)
                std::printf("; the PDF %.3f times the JPEG data and the text (target at most 1.1)",
                            counters.at("size_ratio"));
            std::printf("\n");
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> m_pdf;
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
