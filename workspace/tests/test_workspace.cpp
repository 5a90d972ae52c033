#include "gifencoder.h"
#include "listing.h"
#include "pages.h"
#include "sampletexts.h"
#include "tones.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMimeDatabase>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <sndfile.h>

#include <cmath>
#include <stdexcept>

using namespace quillpix;

namespace {

const QString kBuildDir = QStringLiteral(QUILLPIX_BUILD_DIR);
const QString kWorkspaceBuild = QStringLiteral(QUILLPIX_WORKSPACE_BUILD_DIR);
const QString kWorkspaceSource = QStringLiteral(QUILLPIX_WORKSPACE_SOURCE_DIR);

QImage indexedPicture(int width, int height, int colours, const QString& pattern) {
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table.append(qRgb((i * 37) & 0xFF, (i * 91 + 11) & 0xFF, (255 - i) & 0xFF));
    image.setColorTable(table);
    QRandomGenerator random(4711);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            int index = 0;
            if (pattern == QLatin1String("noise"))
                index = int(random.bounded(colours));
            else if (pattern == QLatin1String("stripes"))
                index = (x / 3 + y) % colours;
            else if (pattern == QLatin1String("gradient"))
                index = (x + y) * colours / (width + height);
            row[x] = uchar(index);
        }
    }
    return image;
}

QString withoutWhitespace(QString text) {
    static const QRegularExpression space(QStringLiteral("[\\s\\x{3000}]"));
    return text.remove(space);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// A strict GIF LZW decoder: every code must be known when read, the stream must end with the
// end code, and nothing but padding bits may follow it. Qt's reader stops once it has all
// pixels, so a code width out of step at the very end would go unnoticed there.
QByteArray lzwDecodeStrict(const QByteArray& data, int minCodeSize, QString* error) {
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    std::vector<QByteArray> table;
    auto reset = [&] {
        table.clear();
        for (int i = 0; i < clearCode + 2; ++i)
            table.push_back(QByteArray(1, char(i)));
    };
    reset();
    int width = minCodeSize + 1;
    qsizetype bitPos = 0;
    const qsizetype totalBits = data.size() * 8;
    QByteArray out;
    QByteArray previous;
    bool afterClear = true;
    while (bitPos + width <= totalBits) {
        int code = 0;
        for (int b = 0; b < width; ++b, ++bitPos)
            code |= ((uchar(data[bitPos / 8]) >> (bitPos % 8)) & 1) << b;
        if (code == clearCode) {
            reset();
            width = minCodeSize + 1;
            afterClear = true;
            continue;
        }
        if (code == endCode) {
            if (totalBits - bitPos >= 8)
                *error = QStringLiteral("bytes after the end code");
            return out;
        }
        QByteArray entry;
        if (code < int(table.size()))
            entry = table[std::size_t(code)];
        else if (code == int(table.size()) && !afterClear)
            entry = previous + previous.left(1);
        else {
            *error = QStringLiteral("unknown code %1 at bit %2").arg(code).arg(bitPos);
            return out;
        }
        out += entry;
        if (!afterClear && table.size() < 4096)
            table.push_back(previous + entry.left(1));
        if (int(table.size()) == (1 << width) && width < 12)
            ++width;
        previous = entry;
        afterClear = false;
    }
    *error = QStringLiteral("no end code");
    return out;
}

int bmpBitsPerPixel(const QByteArray& bmp) {
    if (bmp.size() < 30 || !bmp.startsWith("BM"))
        return -1;
    return uchar(bmp[28]) | (uchar(bmp[29]) << 8);
}

// Runs cmake --install of this build into prefix, with the desktop entry and icon going to
// dataHome (XDG_DATA_HOME) instead of the user's own; returns cmake's output on failure.
QString install(const QString& prefix, const QString& dataHome) {
    QProcess cmake;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    env.remove(QStringLiteral("DESTDIR"));
    cmake.setProcessEnvironment(env);
    cmake.setProcessChannelMode(QProcess::MergedChannels);
    cmake.start(QStringLiteral(QUILLPIX_CMAKE_COMMAND),
                {QStringLiteral("--install"), kBuildDir, QStringLiteral("--prefix"), prefix});
    if (!cmake.waitForFinished(300000) || cmake.exitStatus() != QProcess::NormalExit ||
        cmake.exitCode() != 0)
        return QStringLiteral("cmake --install failed:\n") +
               QString::fromLocal8Bit(cmake.readAll());
    return {};
}

} // namespace

class TestWorkspace : public QObject {
    Q_OBJECT

private slots:
    void gifRoundTrip_data();
    void gifRoundTrip();
    void lzwStreams_data();
    void lzwStreams();
    void gifRejects_data();
    void gifRejects();
    void tones_data();
    void tones();
    void tonesRejectBadArguments();
    void samplePictures_data();
    void samplePictures();
    void samplesReadByEngine_data();
    void samplesReadByEngine();
    void sounds_data();
    void sounds();
    void helpPage_data();
    void helpPage();
    void helpPageLinks();
    void installLaysOutWorkspace();
    void installKeepsEditedLists();
    void installAddsDesktopEntry_data();
    void installAddsDesktopEntry();
};

void TestWorkspace::gifRoundTrip_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("colours");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("one pixel, one colour") << 1 << 1 << 1 << QStringLiteral("solid");
    QTest::newRow("two colours, odd size") << 7 << 5 << 2 << QStringLiteral("stripes");
    QTest::newRow("three colours pad the table to four")
        << 33 << 17 << 3 << QStringLiteral("noise");
    // Noise fills the 4096-entry code table many times over: clear codes and the widening
    // from 5 to 12 bits are exercised again and again.
    QTest::newRow("sixteen colours, table resets") << 257 << 129 << 16 << QStringLiteral("noise");
    QTest::newRow("full palette, table resets") << 640 << 480 << 256 << QStringLiteral("noise");
    QTest::newRow("long runs") << 1200 << 40 << 2 << QStringLiteral("solid");
    QTest::newRow("one column") << 1 << 3000 << 256 << QStringLiteral("gradient");
    QTest::newRow("one row") << 3000 << 1 << 129 << QStringLiteral("gradient");
}

void TestWorkspace::gifRoundTrip() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, colours);
    QFETCH(QString, pattern);
    const QImage source = indexedPicture(width, height, colours, pattern);
    const QByteArray bytes = gif::encode(source);
    QVERIFY(bytes.startsWith("GIF89a"));
    QVERIFY(bytes.endsWith(";"));

    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "gif");
    const QImage decoded = reader.read();
    QVERIFY2(!decoded.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(decoded.size(), source.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (decoded.pixel(x, y) != source.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
}

void TestWorkspace::lzwStreams_data() {
    QTest::addColumn<int>("minCodeSize");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("pattern");
    // Lengths around the points where the code width grows or the table fills catch an end
    // code written at the wrong width.
    for (int minCodeSize : {2, 4, 8})
        for (int length : {1, 2, 3, 5, 6, 7, 13, 14, 15, 100, 1000, 5000, 30000})
            for (const char* pattern : {"noise", "stripes"})
                QTest::addRow("%d bits, %d pixels, %s", minCodeSize, length, pattern)
                    << minCodeSize << length << QString::fromLatin1(pattern);
}

void TestWorkspace::lzwStreams() {
    QFETCH(int, minCodeSize);
    QFETCH(int, length);
    QFETCH(QString, pattern);
    const int alphabet = 1 << minCodeSize;
    QRandomGenerator random(length * 31 + minCodeSize);
    QByteArray indices;
    for (int i = 0; i < length; ++i)
        indices.append(char(pattern == QLatin1String("noise") ? int(random.bounded(alphabet))
                                                              : (i / 4) % alphabet));
    QString error;
    const QByteArray decoded =
        lzwDecodeStrict(gif::lzwCompress(indices, minCodeSize), minCodeSize, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(decoded, indices);
}

void TestWorkspace::gifRejects_data() {
    QTest::addColumn<QImage>("image");
    QImage rgb(4, 4, QImage::Format_RGB32);
    rgb.fill(Qt::white);
    QTest::newRow("not indexed") << rgb;
    QImage noTable(4, 4, QImage::Format_Indexed8);
    noTable.fill(0);
    QTest::newRow("no colour table") << noTable;
    QImage threeColours(4, 4, QImage::Format_Indexed8);
    threeColours.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(1, 2, 3)});
    threeColours.fill(0);
    // QImage::setPixel refuses such indices, so they go straight into the scan line.
    QImage padding = threeColours.copy();
    padding.scanLine(3)[3] = 3; // the table is padded to four entries, but holds three
    QTest::newRow("index in the padding of the table") << padding;
    QImage far = threeColours.copy();
    far.scanLine(0)[0] = 200;
    QTest::newRow("index far beyond the table") << far;
    QTest::newRow("empty picture") << QImage();
}

void TestWorkspace::gifRejects() {
    QFETCH(QImage, image);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, gif::encode(image));
}

void TestWorkspace::tones_data() {
    QTest::addColumn<std::vector<tones::Note>>("notes");
    QTest::addColumn<double>("length");
    QTest::newRow("start") << tones::startChime() << tones::kStartLength;
    QTest::newRow("notify") << tones::notifyTone() << tones::kNotifyLength;
}

void TestWorkspace::tones() {
    QFETCH(std::vector<tones::Note>, notes);
    QFETCH(double, length);
    const int rate = 44100;
    const std::vector<float> samples = tones::synthesise(notes, length, rate, 0.5);
    QCOMPARE(samples.size(), std::size_t(std::lround(length * rate)));
    float loudest = 0;
    for (float s : samples) {
        QVERIFY(std::isfinite(s));
        loudest = std::max(loudest, std::abs(s));
    }
    QVERIFY(std::abs(loudest - 0.5f) < 1e-4f);
    // No click: the sound starts from silence and fades out to it.
    QVERIFY(std::abs(samples.front()) < 1e-3f);
    QCOMPARE(samples.back(), 0.0f);
    float tailStep = 0;
    for (std::size_t i = samples.size() - 200; i + 1 < samples.size(); ++i)
        tailStep = std::max(tailStep, std::abs(samples[i + 1] - samples[i]));
    QVERIFY2(tailStep < 0.05f, "the fade-out jumps");
}

void TestWorkspace::tonesRejectBadArguments() {
    const auto notes = tones::startChime();
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, tones::synthesise(notes, 0.5, 0, 0.5));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, tones::synthesise(notes, 0.0, 44100, 0.5));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, tones::synthesise(notes, 0.5, 44100, 1.5));
    // Silence stays silence instead of a division by zero.
    const auto silence = tones::synthesise({}, 0.1, 8000, 0.5);
    QCOMPARE(silence.size(), std::size_t(800));
    QVERIFY(std::all_of(silence.begin(), silence.end(), [](float s) { return s == 0.0f; }));
}

void TestWorkspace::samplePictures_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("bits"); // bits per pixel of a BMP; 0 for a GIF
    QTest::addColumn<QSize>("size");
    QTest::newRow("24-bit BMP") << QStringLiteral("sample1_color24.bmp") << 24 << QSize(1200, 600);
    QTest::newRow("8-bit BMP") << QStringLiteral("sample2_gray8.bmp") << 8 << QSize(1200, 600);
    QTest::newRow("1-bit BMP") << QStringLiteral("sample3_mono1.bmp") << 1 << QSize(1200, 600);
    QTest::newRow("GIF") << QStringLiteral("sample4_palette.gif") << 0 << QSize(1200, 600);
    QTest::newRow("vertical GIF") << QStringLiteral("sample5_vertical.gif") << 0 << QSize(520, 800);
    QTest::newRow("page") << QStringLiteral("sample6_page.bmp") << 1 << QSize(1240, 1754);
    QTest::newRow("JPEG") << QStringLiteral("sample7_photo.jpg") << -1 << QSize(1200, 400);
    QTest::newRow("PDF, 2 pages") << QStringLiteral("sample8_document.pdf") << -2
                                  << QSize(2479, 3508);
}

void TestWorkspace::samplePictures() {
    QFETCH(QString, file);
    QFETCH(int, bits);
    QFETCH(QSize, size);
    const QString path = kWorkspaceBuild + QStringLiteral("/bmp_gif_sample/") + file;
    const QByteArray bytes = readAll(path);
    QVERIFY2(!bytes.isEmpty(), qPrintable(path));
    if (bits == 0)
        QVERIFY(bytes.startsWith("GIF89a"));
    else if (bits > 0)
        QCOMPARE(bmpBitsPerPixel(bytes), bits);
    QCOMPARE(pictures::pageCount(path), bits == -2 ? 2 : 1);

    // The file list loads pictures through the program's reader; it must take every sample.
    const QImage image = pictures::readPage(path, bits == -2 ? 1 : -1, QSize(40000, 40000));
    QCOMPARE(image.size(), size);
    // Text on a light ground: mostly light pixels, and some dark ones.
    int dark = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            dark += qGray(image.pixel(x, y)) < 96;
    const int samples = (image.width() / 4) * (image.height() / 4);
    QVERIFY(dark > samples / 200);
    QVERIFY(dark < samples / 4);
}

void TestWorkspace::samplesReadByEngine_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("psm");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("page");
    for (const samples::SampleText& sample : samples::sampleTexts())
        QTest::newRow(qPrintable(sample.file + QStringLiteral(" %1").arg(sample.page)))
            << sample.file << sample.language << sample.psm << sample.lines << sample.page;
}

// The pictures are there to be read: the engine of the distribution must find every line of
// their known text, so a change of font, size or layout that spoils them is caught here.
void TestWorkspace::samplesReadByEngine() {
    QFETCH(QString, file);
    QFETCH(QString, language);
    QFETCH(QString, psm);
    QFETCH(QStringList, lines);
    QFETCH(int, page);
    QString picture = kWorkspaceBuild + QStringLiteral("/bmp_gif_sample/") + file;
    // The engine reads pictures; a document's page goes to it as the viewer shows it.
    QTemporaryDir dir;
    if (file.endsWith(QLatin1String(".pdf"))) {
        const QImage shown = pictures::readPage(picture, page, QSize(40000, 40000));
        picture = dir.filePath(QStringLiteral("page.png"));
        QVERIFY(shown.save(picture));
    }
    QProcess engine;
    engine.start(QStringLiteral("tesseract"),
                 {picture, QStringLiteral("stdout"), QStringLiteral("-l"), language,
                  QStringLiteral("--psm"), psm});
    QVERIFY2(engine.waitForStarted(), "tesseract is not installed");
    QVERIFY(engine.waitForFinished(300000));
    QCOMPARE(engine.exitCode(), 0);
    const QString read = QString::fromUtf8(engine.readAllStandardOutput());
    const QString flat = withoutWhitespace(read);
    for (const QString& line : lines)
        QVERIFY2(flat.contains(withoutWhitespace(line)),
                 qPrintable(QStringLiteral("missing \"%1\" in:\n%2").arg(line, read)));
}

void TestWorkspace::sounds_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("length");
    QTest::newRow("start") << QStringLiteral("start.wav") << tones::kStartLength;
    QTest::newRow("notify") << QStringLiteral("notify.wav") << tones::kNotifyLength;
}

void TestWorkspace::sounds() {
    QFETCH(QString, file);
    QFETCH(double, length);
    const QByteArray path = (kWorkspaceBuild + QStringLiteral("/wav/") + file).toLocal8Bit();
    SF_INFO info{};
    SNDFILE* sound = sf_open(path.constData(), SFM_READ, &info);
    QVERIFY2(sound != nullptr, sf_strerror(nullptr));
    std::vector<float> samples(std::size_t(info.frames) * std::size_t(info.channels));
    const sf_count_t got = sf_readf_float(sound, samples.data(), info.frames);
    sf_close(sound);
    QCOMPARE(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    QCOMPARE(info.channels, 1);
    QCOMPARE(info.samplerate, 44100);
    QCOMPARE(got, info.frames);
    QCOMPARE(info.frames, sf_count_t(std::lround(length * 44100)));
    float loudest = 0;
    for (float s : samples)
        loudest = std::max(loudest, std::abs(s));
    QVERIFY(loudest > 0.45f && loudest < 0.55f);
}

void TestWorkspace::helpPage_data() {
    QTest::addColumn<QString>("term");
    // Everything a user meets in the window or finds on disk is explained on the page.
    for (const char* term : {"tmp.bmp",
                             "tess.bat",
                             "tmp.txt",
                             "tmp_sjis.txt",
                             "listPSMode.txt",
                             "listLang.txt",
                             "listOption.txt",
                             "picture.bmp.txt",
                             "bmp_gif",
                             "start.wav",
                             "notify.wav",
                             "pause",
                             "コマンドを作成して実行",
                             "認識した文字",
                             "元に戻す",
                             "クリア",
                             "一覧更新",
                             "編集",
                             "更新",
                             "保存",
                             "フォントサイズ",
                             "Zoom",
                             "Shift-JIS",
                             "CR LF",
                             "文字認識結果ファイルができていません。Tessがエラー終了したようです。",
                             "認識結果のファイルはまだ作成されていません。",
                             "wavファイルがwavディレクトリにありません"})
        QTest::newRow(term) << QString::fromUtf8(term);
    // How paths are quoted in the command, what an empty 保存 writes, and what ヘルプ says
    // without a browser.
    for (const char* term :
         {"<code>\"</code>（二重引用符）", "空のまま保存すると、改行（CR LF）だけのファイル",
          "ブラウザが入っていないときは", "<code>自動</code>", "--keep-latin-spaces",
          "--paragraphs", "行をつなげて段落にする", "quillpix.ini", "quillpix.recovery",
          "UTF-8 で保存", "中止して閉じる"})
        QTest::newRow(term) << QString::fromUtf8(term);
}

void TestWorkspace::helpPage() {
    QFETCH(QString, term);
    const QByteArray bytes = readAll(kWorkspaceSource + QStringLiteral("/htm/introtool.htm"));
    QVERIFY(!bytes.isEmpty());
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString page = utf8(bytes);
    QVERIFY2(!utf8.hasError(), "the help page is not valid UTF-8");
    QVERIFY(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QVERIFY2(page.contains(term), qPrintable(term));
}

void TestWorkspace::helpPageLinks() {
    const QString page =
        QString::fromUtf8(readAll(kWorkspaceSource + QStringLiteral("/htm/introtool.htm")));
    static const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    int links = 0;
    for (const QRegularExpressionMatch& m : link.globalMatch(page)) {
        ++links;
        QVERIFY2(page.contains(QStringLiteral("id=\"%1\"").arg(m.captured(1))),
                 qPrintable(m.captured(1)));
    }
    QVERIFY(links > 0);
}

void TestWorkspace::installLaysOutWorkspace() {
    QTemporaryDir w;
    QVERIFY(w.isValid());
    const QString failure = install(w.path(), w.filePath(QStringLiteral("xdg")));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    QStringList expected = {QStringLiteral("bin/quillpix"), QStringLiteral("wav/start.wav"),
                            QStringLiteral("wav/notify.wav"), QStringLiteral("htm/introtool.htm")};
    for (const samples::SampleText& sample : samples::sampleTexts())
        expected << QStringLiteral("bmp_gif_sample/") + sample.file;
    for (const QString& file : expected)
        QVERIFY2(QFileInfo(w.filePath(file)).isFile(), qPrintable(file));
    QVERIFY(QFileInfo(w.filePath(QStringLiteral("bin/quillpix"))).isExecutable());

    // The program reads the lists as code page 932 with CR LF: byte for byte as committed.
    for (const char* list : {"listPSMode.txt", "listLang.txt", "listOption.txt"}) {
        const QByteArray committed =
            readAll(kWorkspaceSource + QStringLiteral("/lists/") + QLatin1String(list));
        QVERIFY(!committed.isEmpty());
        QCOMPARE(readAll(w.filePath(QStringLiteral("bin/") + QLatin1String(list))), committed);
    }
}

void TestWorkspace::installKeepsEditedLists() {
    QTemporaryDir w;
    QVERIFY(w.isValid());
    QString failure = install(w.path(), w.filePath(QStringLiteral("xdg")));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    const QString lang = w.filePath(QStringLiteral("bin/listLang.txt"));
    const QString option = w.filePath(QStringLiteral("bin/listOption.txt"));
    const QByteArray edited("jpn\r\nkor\r\n");
    {
        QFile file(lang);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(edited);
    }
    QVERIFY(QFile::remove(option));
    // A saved result beside a sample picture is the user's too.
    const QString saved = w.filePath(QStringLiteral("bmp_gif_sample/sample1_color24.bmp.txt"));
    {
        QFile file(saved);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("text\r\n");
    }

    failure = install(w.path(), w.filePath(QStringLiteral("xdg")));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(readAll(lang), edited);
    QCOMPARE(readAll(option), readAll(kWorkspaceSource + QStringLiteral("/lists/listOption.txt")));
    QCOMPARE(readAll(saved), QByteArray("text\r\n"));
}

// The desktop's menu and file manager find the workspace's program: the entry passes
// desktop-file-validate, Exec names the program as the desktop entry rules quote it, the types
// are those of every picture and document the list shows, and the icon is a real picture.
void TestWorkspace::installAddsDesktopEntry_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<bool>("entry");
    QTest::newRow("plain path") << QStringLiteral("W") << false << true;
    QTest::newRow("space, dollar, percent, quote, backquote")
        << QStringLiteral("my $W 100% \"q\" `b`") << true << true;
    QTest::newRow("tab") << QStringLiteral("my\tW") << true << true;
    QTest::newRow("line break") << QStringLiteral("my\nW") << true << true;
    // A control character that no escape of the format writes: the workspace without an entry.
    QTest::newRow("escape character") << QStringLiteral("my\x1bW") << false << false;
}

void TestWorkspace::installAddsDesktopEntry() {
    QFETCH(QString, folder);
    QFETCH(bool, quoted);
    QFETCH(bool, entry);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString w = root.filePath(folder);
    const QString dataHome = root.filePath(QStringLiteral("xdg"));
    const QString failure = install(w, dataHome);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    QVERIFY(QFile::exists(w + QStringLiteral("/bin/quillpix")));
    const QString entryFile = dataHome + QStringLiteral("/applications/quillpix.desktop");
    QCOMPARE(QFile::exists(entryFile), entry);
    if (!entry)
        return;
    const QString text = QString::fromUtf8(readAll(entryFile));
    QVERIFY2(!text.isEmpty(), qPrintable(entryFile));
    QString program = w + QStringLiteral("/bin/quillpix");
    QString expectedExec = program;
    // Quoted, with \ before " ` $ \ inside; the value's own escape doubles each backslash and
    // writes a tab and a line break as \t and \n; % is written twice.
    const auto escapedValue = [](QString value) {
        return value.replace(QStringLiteral("\t"), QStringLiteral("\\t"))
            .replace(QStringLiteral("\n"), QStringLiteral("\\n"));
    };
    if (quoted) {
        expectedExec.replace(QStringLiteral("\\"), QStringLiteral("\\\\\\\\"));
        expectedExec.replace(QStringLiteral("\""), QStringLiteral("\\\\\""));
        expectedExec.replace(QStringLiteral("`"), QStringLiteral("\\\\`"));
        expectedExec.replace(QStringLiteral("$"), QStringLiteral("\\\\$"));
        expectedExec.replace(QStringLiteral("%"), QStringLiteral("%%"));
        expectedExec = QLatin1Char('"') + escapedValue(expectedExec) + QLatin1Char('"');
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    QVERIFY2(lines.contains(QStringLiteral("Exec=") + expectedExec + QStringLiteral(" %F")),
             qPrintable(text));
    QVERIFY2(lines.contains(QStringLiteral("Exec=") + expectedExec + QStringLiteral(" --capture")),
             qPrintable(text));
    QVERIFY2(lines.contains(QStringLiteral("TryExec=") + escapedValue(program)), qPrintable(text));

    QStringList types;
    for (const QString& line : lines)
        if (line.startsWith(QLatin1String("MimeType=")))
            types = line.mid(9).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const QMimeDatabase mimes;
    for (const QString& pattern :
         QString::fromLatin1(pictures::kPicturePattern).split(QLatin1Char(';'))) {
        const QMimeType type = mimes.mimeTypeForFile(QStringLiteral("x") + pattern.mid(1),
                                                     QMimeDatabase::MatchExtension);
        QStringList names = type.aliases();
        names << type.name();
        QVERIFY2(std::any_of(names.begin(), names.end(),
                             [&](const QString& name) { return types.contains(name); }),
                 qPrintable(pattern + QStringLiteral(": ") + type.name()));
    }

    const QString icons = dataHome + QStringLiteral("/icons/hicolor");
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage icon(icons + QStringLiteral("/%1x%1/apps/quillpix.png").arg(size));
        QCOMPARE(icon.size(), QSize(size, size));
        // Drawn: a transparent corner around an opaque page.
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    }
    QFile svg(icons + QStringLiteral("/scalable/apps/quillpix.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QStringLiteral("svg"));
    QCOMPARE(xml.attributes().value(QStringLiteral("viewBox")), QStringLiteral("0 0 256 256"));
    int shapes = 0;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            (xml.name() == QLatin1String("rect") || xml.name() == QLatin1String("polygon")))
            ++shapes;
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(shapes >= 5);

    if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
        QSKIP("desktop-file-validate is not installed (package desktop-file-utils)");
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(QStringLiteral("desktop-file-validate"), {entryFile});
    QVERIFY(validate.waitForFinished(60000));
    QVERIFY2(validate.exitCode() == 0 && validate.readAll().trimmed().isEmpty(), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestWorkspace)
#include "test_workspace.moc"
