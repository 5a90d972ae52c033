// What writing the searchable PDF adds to reading the pages: three book pages (horizontal
// Japanese, vertical Japanese, Latin text; A4 at 150 dpi) recognised by the linked engine in one
// thread, and the PDF of the same pages written from their JPEG files and from the decoded
// pictures, alternately in the same process so machine load affects both alike.
//
// Targets: writing the PDF adds at most 10 % to the time of recognising the pages, and the PDF
// of JPEG pages is at most 1.1 times the size of the JPEG files plus the text.

#include "cp932.h"
#include "enginelayout.h"
#include "pdfwriter.h"
#include "textpicture.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <tesseract/baseapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <unistd.h>

using namespace quillpix;

namespace {

constexpr int kDotsPerMeter = 5906; // 150 dpi
const QSize kA4(1240, 1754);

QStringList sentences(int count) {
    const QStringList pool{QStringLiteral("本を読み取って一つの文章にまとめます。"),
                           QStringLiteral("検索できる文書は言葉を探すのに便利です。"),
                           QStringLiteral("縦書きの列は右から左へ読み進めます。"),
                           QStringLiteral("画像の上に見えない文字を置いておきます。")};
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << pool[i % pool.size()];
    return lines;
}

struct BenchPage {
    QImage picture;
    const char* language;
    tesseract::PageSegMode mode;
    QByteArray jpeg;
};

std::vector<BenchPage> pages() {
    QStringList latin;
    for (int i = 0; i < 26; ++i)
        latin << QStringLiteral("Every page of the book is read and kept with its text %1.").arg(i);
    std::vector<BenchPage> out = {
        {workspace::linesPicture(sentences(26), kA4, 40, {80, 120, 60}),
         "jpn",
         tesseract::PSM_AUTO,
         {}},
        {workspace::columnsPicture(sentences(12).mid(0, 12), kA4, 44, {52, 96, 100, 1160}),
         "jpn_vert",
         tesseract::PSM_SINGLE_BLOCK_VERT_TEXT,
         {}},
        {workspace::linesPicture(latin, kA4, 36, {80, 120, 60}), "eng", tesseract::PSM_AUTO, {}}};
    for (BenchPage& page : out) {
        page.picture.setDotsPerMeterX(kDotsPerMeter);
        page.picture.setDotsPerMeterY(kDotsPerMeter);
        QBuffer buffer(&page.jpeg);
        buffer.open(QIODevice::WriteOnly);
        page.picture.save(&buffer, "JPG", 85);
    }
    return out;
}

double seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) * 1e-9;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Engines {
    std::vector<std::unique_ptr<tesseract::TessBaseAPI>> apis;
};

// Recognises every page; fills each page's lines and text.
double recognise(const std::vector<BenchPage>& bench, Engines& engines,
                 QList<searchablepdf::Page>& out) {
    QElapsedTimer timer;
    timer.start();
    out.clear();
    for (size_t i = 0; i < bench.size(); ++i) {
        tesseract::TessBaseAPI& api = *engines.apis[i];
        api.SetPageSegMode(bench[i].mode);
        const QImage rgb = bench[i].picture.convertToFormat(QImage::Format_RGB888);
        api.SetImage(rgb.constBits(), rgb.width(), rgb.height(), 3, int(rgb.bytesPerLine()));
        api.SetSourceResolution(150);
        api.Recognize(nullptr);
        searchablepdf::Page page;
        page.lines = enginelayout::recognisedLines(api);
        const std::unique_ptr<char[]> text(api.GetUTF8Text());
        page.text = QString::fromUtf8(text.get());
        out << page;
    }
    return seconds(timer);
}

double writePdf(QList<searchablepdf::Page> pages, const std::vector<BenchPage>& bench,
                bool fromJpeg, const QString& path) {
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (fromJpeg)
            pages[i].jpeg = bench[size_t(i)].jpeg;
        else
            pages[i].image = bench[size_t(i)].picture;
    }
    QElapsedTimer timer;
    timer.start();
    searchablepdf::writeSearchablePdf(pages, path);
    return seconds(timer);
}

void recogniseAndWrite(benchmark::State& state) {
    const std::vector<BenchPage> bench = pages();
    Engines engines;
    for (const BenchPage& page : bench) {
        engines.apis.push_back(std::make_unique<tesseract::TessBaseAPI>());
        engines.apis.back()->Init(nullptr, page.language);
        engines.apis.back()->SetVariable("debug_file", "/dev/null");
    }
    QTemporaryDir dir;
    const QString jpegPdf = dir.filePath(QStringLiteral("jpeg.pdf"));
    const QString losslessPdf = dir.filePath(QStringLiteral("lossless.pdf"));
    std::vector<double> reading;
    std::vector<double> jpeg;
    std::vector<double> lossless;
    QList<searchablepdf::Page> recognised;
    for (auto _ : state) {
        reading.push_back(recognise(bench, engines, recognised));
        jpeg.push_back(writePdf(recognised, bench, true, jpegPdf));
        lossless.push_back(writePdf(recognised, bench, false, losslessPdf));
        state.SetIterationTime(reading.back());
    }
    qint64 jpegBytes = 0;
    for (const BenchPage& page : bench)
        jpegBytes += page.jpeg.size();
    qint64 textBytes = 0;
    for (const searchablepdf::Page& page : recognised)
        textBytes += cp932::encode(page.text).size();
    const double sizeRatio = double(QFileInfo(jpegPdf).size()) / double(jpegBytes + textBytes);
    state.counters["read_ms"] = median(reading) * 1e3;
    state.counters["pdf_jpeg_ms"] = median(jpeg) * 1e3;
    state.counters["pdf_lossless_ms"] = median(lossless) * 1e3;
    state.counters["time_ratio_jpeg"] = median(jpeg) / median(reading);
    state.counters["time_ratio_lossless"] = median(lossless) / median(reading);
    state.counters["size_ratio"] = sizeRatio;
    std::printf("reading 3 pages %.0f ms; PDF from JPEG files %.1f ms (%.1f %% of reading), from "
                "pictures %.1f ms (%.1f %%); target <= 10 %%\n",
                median(reading) * 1e3, median(jpeg) * 1e3, 100 * median(jpeg) / median(reading),
                median(lossless) * 1e3, 100 * median(lossless) / median(reading));
    std::printf("PDF of JPEG pages %lld bytes = %.3f x (JPEG files %lld + text %lld bytes); "
                "lossless PDF %lld bytes; target <= 1.1\n",
                qlonglong(QFileInfo(jpegPdf).size()), sizeRatio, qlonglong(jpegBytes),
                qlonglong(textBytes), qlonglong(QFileInfo(losslessPdf).size()));
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
    benchmark::RegisterBenchmark("recognise_then_write_pdf", recogniseAndWrite)
        ->Iterations(3)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
