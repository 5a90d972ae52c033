// What the searchable PDFs add to `quillpix --batch`: twelve rendered A5 pages as a folder of
// JPEG scans and as one PDF of those scans, each read with --force alone and with --force --pdf
// --book, the two alternating so that load affects both alike; and the size of the PDFs against
// the JPEG data and the text.

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

qint64 runTimed(const QStringList& arguments) {
    QElapsedTimer clock;
    clock.start();
    QProcess batch;
    batch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    batch.setStandardOutputFile(QProcess::nullDevice());
    batch.start(QStringLiteral(QUILLPIX_PROGRAM), arguments);
    batch.waitForFinished(-1);
    return batch.exitCode() == 0 ? clock.elapsed() : -1;
}

qint64 fileSize(const QString& path) {
    return QFileInfo(path).size();
}

// Each folder read twice without and twice with the PDFs, alternating.
void pdfCost(benchmark::State& state, const QString& folder, const QString& pdf,
             const QString& text) {
    if (!engineReady(state))
        return;
    const QString book = QDir(folder).filePath(QStringLiteral("book.txt"));
    const QStringList plain{QStringLiteral("--batch"), folder,
                            QStringLiteral("--lang"),  QStringLiteral("jpn"),
                            QStringLiteral("--psm"),   QStringLiteral("3"),
                            QStringLiteral("--force")};
    const QStringList withPdf =
        plain + QStringList{QStringLiteral("--pdf"), QStringLiteral("--book"), book};
    for (auto _ : state) {
        qint64 without = 0;
        qint64 with = 0;
        for (int round = 0; round < 2; ++round) {
            const qint64 a = round == 0 ? runTimed(plain) : runTimed(withPdf);
            const qint64 b = round == 0 ? runTimed(withPdf) : runTimed(plain);
            if (a < 0 || b < 0) {
                state.SkipWithError("the batch failed");
                return;
            }
            without += round == 0 ? a : b;
            with += round == 0 ? b : a;
        }
        state.SetIterationTime(double(with) / 2000.0);
        state.counters["s_without_pdf"] = double(without) / 2000.0;
        state.counters["s_with_pdf"] = double(with) / 2000.0;
        state.counters["time_ratio"] = double(with) / double(without);
        state.counters["size_ratio"] =
            double(fileSize(QDir(folder).filePath(pdf))) /
            double(scans().jpegBytes + fileSize(QDir(folder).filePath(text)));
    }
}

void BM_PdfOfJpegFiles(benchmark::State& state) {
    pdfCost(state, scans().jpegs(), QStringLiteral("pdf/book.pdf"), QStringLiteral("book.txt"));
}
BENCHMARK(BM_PdfOfJpegFiles)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_PdfOfScannedDocument(benchmark::State& state) {
    pdfCost(state, scans().document(), QStringLiteral("pdf/scan.pdf"),
            QStringLiteral("scan.pdf.txt"));
}
BENCHMARK(BM_PdfOfScannedDocument)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

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
        for (const auto& [name, counters] : m_pdf)
            std::printf("\n%s: %.1f s without PDFs, %.1f s with them: %.3f times (target at most "
                        "1.1); the PDF %.3f times the JPEG data and the text (target at most "
                        "1.1)\n",
                        name.c_str(), counters.at("s_without_pdf"), counters.at("s_with_pdf"),
                        counters.at("time_ratio"), counters.at("size_ratio"));
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
