// How well Japanese pages are read, by category, with three ways of choosing the engine's
// settings, each read through the program's own folder batch (the picture saved as a PNG file
// and loaded as the batch loads it, the batch's work picture, its loaded engine, the code page
// 932 conversion and the clean-up): (a) an expert's fixed settings, chosen by the page's known
// direction (jpn --psm 3 for horizontal pages, jpn_vert --psm 5 for vertical ones); (b) the
// program's old default, jpn --psm 3 for everything; (c) the automatic reading, the language
// item "自動" with the PSM list's first item (3). All three are told the picture's resolution by
// the program's rule. Character error rate is reported with and without whitespace, and, with
// --jobs 1, the time of (c) against (b) on the same pictures in the same process.
//
// The engines are loaded once per worker, one recognition thread each (the program restarts
// itself with OMP_THREAD_LIMIT=1 when that is missing, as the library reads it when loaded).
// --dpi-study and --analyse call the library and the picture analysis directly.
//
//   bench_reading [--quick] [--fonts measured|heldout|all|"Family,Family"] [--jobs N]
//                 [--categories horizontal,latin,...] [--auto-psm N] [--settings abc] [--cache DIR]
//                 [--per-font N] [--ruby-pitch P]
//                 [--dpi-study] [--dump DIR] [--verbose]
//   bench_reading --pages DIR [--jobs N] [--settings abc] [--verbose]
//   either with [--characters FILE]: every character (c) read, with the signs the doubt rule
//   weighs and whether it was read right, one line each (CSV), to measure that rule by
//
// --pages reads pages made elsewhere (bench/pages/make_pages.py): DIR/KIND/NAME.png with
// NAME.ref.txt and NAME.writing, reported by KIND, with the order-free bound beside (c): the
// errors no reading order could mend.

#include "automatic.h"
#include "batchsettings.h"
#include "charerror.h"
#include "cleanup.h"
#include "direction.h"
#include "doubt.h"
#include "ink.h"
#include "pagereader.h"
#include "pagesets.h"
#include "picturelist.h"
#include "picturereading.h"
#include "pictureresolution.h"
#include "pix.h"
#include "reading.h"
#include "readingplan.h"
#include "regions.h"
#include "residentengine.h"
#include "ruby.h"
#include "skew.h"
#include "textfiles.h"
#include "textpresence.h"

#include <tesseract/baseapi.h>

#include <leptonica/allheaders.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include <unistd.h>

using namespace quillpix;
using namespace quillpix::readingbench;

namespace {

// The resolution of the program's work bitmap today: what (a) and (b) are told.
constexpr int kWorkBitmapDpi = 96;

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// One run of the engine: the pictures read one after the other with one setting.
struct Run {
    QString language;
    int psm = 3;
    QList<QImage> pictures;
    int dpi = 0; // 0: none declared, the engine estimates it
};

class Engines {
public:
    Engines() {
        for (const char* language : {"jpn", "jpn_vert"}) {
            auto api = std::make_unique<tesseract::TessBaseAPI>();
            api->SetVariable("debug_file", "/dev/null");
            if (api->Init(nullptr, language) != 0) {
                std::fprintf(stderr, "the %s language data is not installed\n", language);
                std::exit(3);
            }
            m_apis[QLatin1String(language)] = std::move(api);
        }
    }

    // The engine's UTF-8 text as the command line writes it: the page, then a form feed.
    QByteArray read(const Run& run) {
        tesseract::TessBaseAPI& api = *m_apis.at(run.language);
        api.SetPageSegMode(static_cast<tesseract::PageSegMode>(run.psm));
        QByteArray text;
        for (const QImage& picture : run.pictures) {
            pagelayout::PixPtr pix = pagelayout::toGreyPix(picture);
            pixSetResolution(pix.get(), run.dpi, run.dpi);
            api.SetImage(pix.get());
            std::unique_ptr<char[]> utf8(api.GetUTF8Text());
            if (utf8)
                text += utf8.get();
            api.Clear();
        }
        return text + '\f';
    }

private:
    std::map<QString, std::unique_ptr<tesseract::TessBaseAPI>> m_apis;
};

enum Setting { Expert, Plain, Automatic, Regions, SettingCount };
const char* const kSettingNames[SettingCount] = {"(a) expert", "(b) jpn --psm 3", "(c) 自動",
                                                 "(d) regions"};

struct Outcome {
    Errors kept[SettingCount];
    Errors ignored[SettingCount];
    Errors keptGuarded; // (c) with the guarded clean-up
    Errors bound;       // (c) whatever the order (orderFree)
    double seconds[SettingCount] = {};
    QString note;
    QStringList characterRows; // --characters: (c)'s characters
    // --characters: of (c)'s characters, those read wrong, those the doubt rule marks, and the
    // wrong ones among them.
    qint64 characters = 0, wrong = 0, marked = 0, caught = 0;
    // Of those, the ones wrong wherever their line is aligned (misread, not merely out of
    // order), and those marked.
    qint64 misread = 0, misreadCaught = 0;
};

// One CSV row per character of (c)'s result placed on the engine's lines: the signs a doubt rule
// may weigh (the confidence, a change by the clean-up, the JIS level, the box's size against its
// line's median, the line, the start of a word, the box), the rule's verdict, whether it was read
// right, and whether it is wrong wherever its line is aligned (misread).
QStringList characterRows(const TestPicture& p, const QList<enginelayout::Line>& lines,
                          const QString& text, Outcome& out) {
    QList<textplacing::PlacedCharacter> placed = textplacing::placeCharacters(lines, text);
    textplacing::markDoubtful(placed);
    QStringList characters;
    for (const textplacing::PlacedCharacter& c : placed)
        characters << c.text;
    const QList<bool> right = readRight(characters, p.reference);
    QList<QStringList> byLine;
    for (qsizetype i = 0; i < placed.size(); ++i) {
        if (i == 0 || placed[i].line != placed[i - 1].line)
            byLine.append(QStringList());
        byLine.last() << placed[i].text;
    }
    const QList<bool> misread = [&] {
        QList<bool> flags;
        for (const bool r : readRightInAnyOrder(byLine, p.reference))
            flags << !r;
        return flags;
    }();
    QStringList rows;
    for (qsizetype i = 0; i < placed.size(); ++i) {
        const textplacing::PlacedCharacter& c = placed[i];
        std::vector<int> sides;
        for (const textplacing::PlacedCharacter& other : placed)
            if (other.line == c.line && !other.box.isEmpty())
                sides.push_back(std::max(other.box.width(), other.box.height()));
        std::sort(sides.begin(), sides.end());
        const double size = sides.empty() || c.box.isEmpty()
                                ? 1.0
                                : double(std::max(c.box.width(), c.box.height())) /
                                      std::max(1, sides[sides.size() / 2]);
        ++out.characters;
        out.wrong += right[i] ? 0 : 1;
        out.marked += c.doubtful ? 1 : 0;
        out.caught += c.doubtful && !right[i] ? 1 : 0;
        out.misread += misread[i] ? 1 : 0;
        out.misreadCaught += c.doubtful && misread[i] ? 1 : 0;
        rows << QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9")
                        .arg(p.kind.isEmpty() ? categoryName(p.category) : p.kind, p.name)
                        .arg(c.text.toUcs4().value(0))
                        .arg(c.confidence, 0, 'f', 1)
                        .arg(int(c.changed))
                        .arg(int(textplacing::rarityOf(c.text)))
                        .arg(size, 0, 'f', 3)
                        .arg(int(c.doubtful))
                        .arg(int(right[i])) +
                    QStringLiteral(",%1,%2,%3,%4,%5,%6,%7")
                        .arg(c.line)
                        .arg(int(c.startsWord))
                        .arg(c.box.x())
                        .arg(c.box.y())
                        .arg(c.box.width())
                        .arg(c.box.height())
                        .arg(int(misread[i]));
    }
    return rows;
}

Run expertRun(const TestPicture& p) {
    if (p.writing == workspace::Writing::Vertical)
        return {QStringLiteral("jpn_vert"), 5, {p.image}, kWorkBitmapDpi};
    return {QStringLiteral("jpn"), 3, {p.image}, kWorkBitmapDpi};
}

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The batch's settings for each way of choosing them.
folderbatch::Settings batchSettings(Setting setting, const TestPicture& p, int automaticPsm) {
    folderbatch::Settings s;
    const bool vertical = p.writing == workspace::Writing::Vertical;
    switch (setting) {
    case Expert:
        s.engine.lang = vertical ? QStringLiteral("jpn_vert") : QStringLiteral("jpn");
        s.engine.psm = vertical ? QStringLiteral("5") : QStringLiteral("3");
        break;
    case Plain:
        s.engine.lang = QStringLiteral("jpn");
        s.engine.psm = QStringLiteral("3");
        break;
    default:
        s.engine.lang = QStringLiteral("自動");
        s.engine.psm = QString::number(automaticPsm);
        break;
    }
    return s;
}

struct Options {
    bool quick = false;
    int automaticPsm = 3;
    QString settings = QStringLiteral("abc"); // which of (a), (b), (c), (d) to read
    bool analyse = false;
    bool dpiStudy = false;
    bool verbose = false;
    int jobs = 2;
    int perFont = 1;
    double rubyPitch = 0; // the column pitch of pages with readings; 0: as on vertical pages
    QString dump;
    QString characters; // a CSV file of (c)'s characters, their signs and whether read right
    QString cache;      // a folder keeping the rendered sets between runs
    QString pages;      // a folder of pages made elsewhere, read instead of the rendered sets
    QStringList families = measuredFamilies();
    std::vector<Category> categories = allCategories();
};

// One worker of the batch with its loaded engines, and a work folder where each picture is
// saved as a PNG file for the batch's loader.
struct BatchWorker {
    Engines engines; // (d) reads each region with the settings its direction needs
    QTemporaryDir folder;
    folderbatch::PageReader reader;
    std::unique_ptr<folderbatch::PageReader::Worker> worker;

    BatchWorker() {
        folderbatch::Settings automatic;
        automatic.engine.lang = QStringLiteral("自動");
        automatic.engine.psm = QStringLiteral("3");
        if (const QString problem = reader.prepare(automatic, folder.path()); !problem.isEmpty()) {
            std::fprintf(stderr, "the batch cannot read: %s\n", qPrintable(problem));
            std::exit(3);
        }
        worker = reader.worker(folder.path());
    }
};

// (d): the page cut into text regions (pagelayout::textRegions), each read on its own as one
// block of its direction (jpn_vert --psm 5, jpn --psm 6), the texts in the regions' order and
// tidied as the batch tidies. Nothing is straightened or erased first: the cut alone is measured.
QString readByRegions(const QImage& picture, Engines& engines) {
    QImage page = picture.convertToFormat(QImage::Format_Grayscale8);
    pagelayout::PixPtr grey = pagelayout::toGreyPix(page);
    pagelayout::Ink ink = pagelayout::inkOf(grey.get());
    // Light text on a dark ground: the ground is the paper the ink is told from.
    if (ink.paper < 128) {
        page.invertPixels();
        grey = pagelayout::toGreyPix(page);
        ink = pagelayout::inkOf(grey.get());
    }
    const std::optional<QSizeF> declared = pictures::declaredResolution(picture);
    const int dpi = declared ? int(std::lround(declared->width())) : 0;
    QByteArray utf8;
    for (const pagelayout::Region& region : pagelayout::textRegions(ink)) {
        const int margin = int(std::lround(0.5 * ink.em)) * ink.scale;
        const QRect box(region.box.topLeft() * ink.scale, region.box.size() * ink.scale);
        const QImage crop =
            page.copy(box.adjusted(-margin, -margin, margin, margin).intersected(page.rect()));
        const bool vertical = region.direction == pagelayout::Direction::Vertical;
        const Run run{vertical ? QStringLiteral("jpn_vert") : QStringLiteral("jpn"),
                      vertical ? 5 : 6,
                      {crop},
                      dpi};
        utf8 += engines.read(run);
    }
    // No region found: read as the plain setting would rather than give nothing.
    if (utf8.isEmpty())
        utf8 = engines.read(Run{QStringLiteral("jpn"), 3, {page}, dpi});
    return pipeline::tidiedText(textfiles::linesOfCp932(textfiles::sjisFromUtf8(utf8)));
}

Outcome measure(const TestPicture& p, BatchWorker& batch, const Options& options) {
    Outcome out;
    const QString file = QStringLiteral("picture.png");
    if (!p.image.save(batch.folder.filePath(file), "PNG"))
        std::abort();
    const QImage loaded = folderbatch::loadItem(batch.folder.path(), {file, -1});
    auto dump = [&](Setting s, const QString& text) {
        if (options.dump.isEmpty())
            return;
        QFile f(QStringLiteral("%1/%2.%3.txt").arg(options.dump, p.name).arg(int(s)));
        if (f.open(QIODevice::WriteOnly))
            f.write(text.toUtf8());
    };
    // (b) and (c) alternate in the same thread, so the time of each is measured under the same
    // load; the picture analysis of (c) is part of its time.
    if (options.settings.contains(QLatin1Char('d'))) {
        const double start = processSeconds();
        const QString text = readByRegions(loaded, batch.engines);
        out.seconds[Regions] = processSeconds() - start;
        out.kept[Regions] = withWhitespace(text, p.reference);
        out.ignored[Regions] = withoutWhitespace(text, p.reference);
        dump(Regions, text);
    }
    for (Setting s : {Plain, Automatic, Expert}) {
        if (!options.settings.contains(QLatin1Char(char('a' + int(s)))))
            continue;
        const folderbatch::Settings settings = batchSettings(s, p, options.automaticPsm);
        const double start = processSeconds();
        const bool withLines = s == Automatic && !options.characters.isEmpty();
        const folderbatch::PageReader::PageReading page =
            folderbatch::readPicture(*batch.worker, loaded, settings, withLines);
        const pipeline::Reading& reading = page.reading;
        out.seconds[s] = processSeconds() - start;
        if (!reading.succeeded()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(p.name), qPrintable(reading.reason));
            std::exit(4);
        }
        out.kept[s] = withWhitespace(reading.boxText, p.reference);
        out.ignored[s] = withoutWhitespace(reading.boxText, p.reference);
        dump(s, reading.boxText);
        if (withLines)
            out.characterRows = characterRows(p, page.lines, reading.boxText, out);
        if (s == Automatic) {
            out.bound = orderFree(reading.boxText, p.reference);
            pipeline::TextRules guarded;
            guarded.latin = cleanup::LatinSpacing::Kept;
            out.keptGuarded =
                withWhitespace(pipeline::tidiedText(reading.engineText, guarded), p.reference);
            const pipeline::PreparedPicture prepared = pipeline::prepare(loaded, settings.engine);
            out.note = QStringLiteral("%1 psm %2, %6 quarters and %3°, %4 dpi, %5 readings erased, "
                                      "%7 regions%8")
                           .arg(prepared.settings.lang, prepared.settings.psm)
                           .arg(prepared.plan.skewDegrees, 0, 'f', 2)
                           .arg(prepared.plan.dotsPerInch.value_or(0))
                           .arg(prepared.plan.rubyErased)
                           .arg(prepared.quarterTurns)
                           .arg(prepared.plan.regions.size())
                           .arg(QString(prepared.flattening.isIdentity() ? "" : ", drawn flat") +
                                (prepared.plan.lightEvened ? ", light evened" : "") +
                                (prepared.plan.curlFlattened ? ", curl flattened" : "") +
                                (prepared.plan.inverted ? ", inverted" : ""));
            if (!options.dump.isEmpty())
                prepared.picture.save(
                    QStringLiteral("%1/%2.prepared.png").arg(options.dump, p.name));
        }
    }
    return out;
}

// What the picture analysis finds on each picture, and how long it takes: the figures the
// thresholds were chosen from.
// Pictures without text the automatic reading must not take for one block: noise, blank and
// nearly blank paper, a photograph's smooth light (fixed seeds, so every run sees the same).
std::vector<TestPicture> picturesWithoutText() {
    std::vector<TestPicture> out;
    const auto add = [&out](const QString& name, QImage image, int dpi) {
        image.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
        image.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
        TestPicture p;
        p.name = name;
        p.category = Category::Crops;
        p.writing = workspace::Writing::Horizontal;
        p.image = std::move(image);
        out.push_back(std::move(p));
    };
    const auto noise = [](QSize size, int mean, int spread, bool uniform, unsigned seed) {
        QImage image(size, QImage::Format_Grayscale8);
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> flat(0, 255);
        std::normal_distribution<double> bell(mean, spread);
        for (int y = 0; y < size.height(); ++y) {
            uchar* line = image.scanLine(y);
            for (int x = 0; x < size.width(); ++x)
                line[x] = uchar(uniform ? flat(random)
                                        : std::clamp(int(std::lround(bell(random))), 0, 255));
        }
        return image;
    };
    const QSize a4at300(2480, 3508);
    const QSize a4at150(1240, 1754);
    add(QStringLiteral("no-text/uniform-noise-300dpi"), noise(a4at300, 0, 0, true, 1), 300);
    add(QStringLiteral("no-text/uniform-noise-150dpi"), noise(a4at150, 0, 0, true, 2), 150);
    add(QStringLiteral("no-text/uniform-noise-undeclared"), noise(a4at150, 0, 0, true, 3), 72);
    add(QStringLiteral("no-text/grey-noise-40"), noise(a4at300, 128, 40, false, 4), 300);
    add(QStringLiteral("no-text/grey-noise-20"), noise(a4at150, 128, 20, false, 5), 150);
    add(QStringLiteral("no-text/paper-grain"), noise(a4at150, 240, 6, false, 6), 150);
    QImage speck = noise(a4at150, 240, 6, false, 7);
    for (int y = 800; y < 806; ++y)
        for (int x = 600; x < 606; ++x)
            speck.setPixel(x, y, 30);
    add(QStringLiteral("no-text/paper-with-a-speck"), speck, 150);
    QImage specks = noise(a4at150, 240, 6, false, 8);
    std::mt19937 random(9);
    for (int k = 0; k < 40; ++k) {
        const int x0 = int(random() % 1200), y0 = int(random() % 1700), d = 2 + int(random() % 6);
        for (int y = y0; y < y0 + d; ++y)
            for (int x = x0; x < x0 + d; ++x)
                specks.setPixel(x, y, 40);
    }
    add(QStringLiteral("no-text/paper-with-dust"), specks, 150);
    QImage photo(a4at150, QImage::Format_Grayscale8);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y,
                           uint(128 + 60 * std::sin(x / 97.0) * std::cos(y / 131.0) +
                                50 * std::sin((x + y) / 53.0)));
    add(QStringLiteral("no-text/smooth-photo"), photo, 150);
    return out;
}

void analyse(std::vector<TestPicture> pictures) {
    for (TestPicture& p : picturesWithoutText())
        pictures.push_back(std::move(p));
    std::printf("%-44s %5s %3s %7s %6s %7s %6s %5s %5s %7s %6s %6s %6s %4s\n", "picture", "em",
                "sc", "dir", "score", "skew", "conf", "lines", "marks", "ms", "cover", "pieces",
                "paper", "text");
    for (const TestPicture& p : pictures) {
        const double start = threadSeconds();
        const pagelayout::PixPtr grey = pagelayout::toGreyPix(p.image);
        const pagelayout::Ink ink = pagelayout::inkOf(grey.get());
        const pagelayout::DirectionFinding d = pagelayout::writingDirection(ink);
        const pagelayout::SkewFinding k = pagelayout::findSkew(ink, d.direction);
        const size_t marks = d.direction == pagelayout::Direction::Vertical
                                 ? pagelayout::rubyMarks(ink.pieces, ink.em).size()
                                 : 0;
        const pagelayout::InkFigures figures = pagelayout::inkFigures(ink);
        const bool text = pagelayout::holdsText(figures);
        const double ms = 1000 * (threadSeconds() - start);
        const bool right = (d.direction == pagelayout::Direction::Vertical) ==
                           (p.writing == workspace::Writing::Vertical);
        std::printf("%-44s %5.1f %3d %7s %6.2f %7.2f %6.2f %5.1f %5zu %7.1f %6.3f %6d %6.3f %4s  "
                    "true %5.2f%s%s\n",
                    qPrintable(p.name), ink.em, ink.scale,
                    d.direction == pagelayout::Direction::Vertical ? "V" : "H", d.score, k.degrees,
                    k.confidence, k.linesAcross, marks, ms, figures.coverage, figures.pieces,
                    figures.paperShare, text ? "yes" : "no", p.skewDegrees,
                    right ? (k.straighten ? " turned" : "") : " WRONG DIRECTION",
                    p.ruby ? " ruby" : "");
        if (!p.ruby && marks > 0)
            for (const QRect& r : pagelayout::rubyMarks(ink.pieces, ink.em))
                std::printf("    mark at %d,%d %dx%d (working pixels)\n", r.x(), r.y(), r.width(),
                            r.height());
    }
}

// The effect of the declared resolution alone: the expert's settings with 96 dpi, the true
// resolution, and none (the engine estimates it), on the straight and the skewed pictures.
void dpiStudy(const std::vector<TestPicture>& pictures, const Options& options) {
    const int modes[] = {kWorkBitmapDpi, 300, 0};
    const char* names[] = {"96 dpi", "true 300 dpi", "none, estimated"};
    std::map<Category, Errors> errors[3];
    std::mutex mutex;
    std::atomic<size_t> next{0};
    auto worker = [&] {
        Engines engines;
        for (size_t i = next++; i < pictures.size(); i = next++) {
            const TestPicture& p = pictures[i];
            for (int m = 0; m < 3; ++m) {
                Run run = expertRun(p);
                run.dpi = modes[m];
                const QString text = QString::fromUtf8(engines.read(run));
                const Errors e = withoutWhitespace(text, p.reference);
                std::lock_guard lock(mutex);
                errors[m][p.category] += e;
                if (options.verbose)
                    std::printf("%-44s %-16s %6.2f %%\n", qPrintable(p.name), names[m],
                                100 * e.rate());
            }
        }
    };
    std::vector<std::thread> threads;
    for (int j = 0; j < options.jobs; ++j)
        threads.emplace_back(worker);
    for (auto& t : threads)
        t.join();
    std::printf("\nDeclared resolution, expert settings, whitespace ignored:\n\n| Category |");
    for (const char* n : names)
        std::printf(" %s |", n);
    std::printf("\n|---|---|---|---|\n");
    for (Category c : options.categories) {
        std::printf("| %s |", qPrintable(categoryName(c)));
        for (int m = 0; m < 3; ++m)
            std::printf(" %.2f %% |", 100 * errors[m][c].rate());
        std::printf("\n");
    }
}

// The sets are the same in every run (seeded by their names), so a run may take them from the
// files an earlier run left: each picture as a PNG file, its text and what is known of it.
std::vector<TestPicture> cachedPictures(const QString& folder, const QStringList& families,
                                        const std::vector<Category>& categories, int perFont,
                                        double rubyPitch) {
    QStringList names;
    for (Category c : categories)
        names << categoryName(c);
    const QString key = QString::fromLatin1(
        QCryptographicHash::hash((families.join(u',') + u'|' + names.join(u',') + u'|' +
                                  QString::number(perFont) + u'|' + QString::number(rubyPitch))
                                     .toUtf8(),
                                 QCryptographicHash::Md5)
            .toHex());
    const QString set = folder + QLatin1Char('/') + key;
    QFile index(set + QStringLiteral("/index.txt"));
    std::vector<TestPicture> out;
    if (index.open(QIODevice::ReadOnly)) {
        for (const QString& line :
             QString::fromUtf8(index.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList f = line.split(u'\t');
            TestPicture p;
            p.name = f[0];
            p.category = Category(f[1].toInt());
            p.writing = workspace::Writing(f[2].toInt());
            p.family = f[3];
            p.skewDegrees = f[4].toDouble();
            p.ruby = f[5] == QLatin1String("1");
            p.image = QImage(QStringLiteral("%1/%2.png").arg(set, p.name));
            QFile ref(QStringLiteral("%1/%2.txt").arg(set, p.name));
            if (p.image.isNull() || !ref.open(QIODevice::ReadOnly))
                std::abort();
            p.reference = QString::fromUtf8(ref.readAll());
            out.push_back(std::move(p));
        }
        return out;
    }
    out = makePictures(families, categories, perFont, rubyPitch);
    QDir().mkpath(set);
    QString lines;
    for (const TestPicture& p : out) {
        p.image.save(QStringLiteral("%1/%2.png").arg(set, p.name));
        QFile ref(QStringLiteral("%1/%2.txt").arg(set, p.name));
        if (ref.open(QIODevice::WriteOnly))
            ref.write(p.reference.toUtf8());
        lines += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\n")
                     .arg(p.name)
                     .arg(int(p.category))
                     .arg(int(p.writing))
                     .arg(p.family)
                     .arg(p.skewDegrees, 0, 'g', 17)
                     .arg(p.ruby ? 1 : 0);
    }
    if (index.open(QIODevice::WriteOnly))
        index.write(lines.toUtf8());
    return out;
}

// Pages made elsewhere: every KIND/NAME.png under folder with its NAME.ref.txt and NAME.writing.
std::vector<TestPicture> externalPictures(const QString& folder) {
    std::vector<TestPicture> out;
    const QDir top(folder);
    for (const QString& kind : top.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir dir(top.filePath(kind));
        for (const QString& file :
             dir.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name)) {
            TestPicture p;
            p.name = kind + QLatin1Char('/') + file.chopped(4);
            p.kind = kind;
            p.category = Category::Horizontal;
            const QString base = dir.filePath(file.chopped(4));
            QFile ref(base + QStringLiteral(".ref.txt"));
            QFile writing(base + QStringLiteral(".writing"));
            p.image = QImage(dir.filePath(file));
            if (p.image.isNull() || !ref.open(QIODevice::ReadOnly) ||
                !writing.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "%s: no picture, reference or writing\n", qPrintable(base));
                std::exit(2);
            }
            p.reference = QString::fromUtf8(ref.readAll());
            p.writing = writing.readAll().trimmed() == "vertical" ? workspace::Writing::Vertical
                                                                  : workspace::Writing::Horizontal;
            out.push_back(std::move(p));
        }
    }
    return out;
}

Options parse(const QStringList& args) {
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--quick")) {
            o.quick = true;
        } else if (a == QLatin1String("--auto-psm")) {
            o.automaticPsm = next.toInt();
            ++i;
        } else if (a == QLatin1String("--settings")) {
            o.settings = next;
            ++i;
        } else if (a == QLatin1String("--analyse")) {
            o.analyse = true;
        } else if (a == QLatin1String("--dpi-study")) {
            o.dpiStudy = true;
        } else if (a == QLatin1String("--verbose")) {
            o.verbose = true;
        } else if (a == QLatin1String("--ruby-pitch")) {
            o.rubyPitch = next.toDouble();
            ++i;
        } else if (a == QLatin1String("--per-font")) {
            o.perFont = std::max(1, next.toInt());
            ++i;
        } else if (a == QLatin1String("--jobs")) {
            o.jobs = std::max(1, next.toInt());
            ++i;
        } else if (a == QLatin1String("--cache")) {
            o.cache = next;
            ++i;
        } else if (a == QLatin1String("--pages")) {
            o.pages = next;
            ++i;
        } else if (a == QLatin1String("--dump")) {
            o.dump = next;
            ++i;
        } else if (a == QLatin1String("--characters")) {
            o.characters = next;
            ++i;
        } else if (a == QLatin1String("--fonts")) {
            if (next == QLatin1String("heldout"))
                o.families = heldOutFamilies();
            else if (next == QLatin1String("all"))
                o.families = measuredFamilies() + heldOutFamilies();
            else if (next != QLatin1String("measured"))
                o.families = next.split(QLatin1Char(','));
            ++i;
        } else if (a == QLatin1String("--categories")) {
            o.categories.clear();
            for (const QString& name : next.split(QLatin1Char(',')))
                for (Category c : allCategories())
                    if (categoryName(c) == name)
                        o.categories.push_back(c);
            ++i;
        } else {
            std::fprintf(stderr, "unknown argument %s\n", qPrintable(a));
            std::exit(2);
        }
    }
    return o;
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
    const Options options = parse(app.arguments());
    engine::ResidentEngine::discardMessages();
    QStringList families = options.families;
    if (options.quick)
        families = families.mid(0, 2);

    QElapsedTimer wall;
    wall.start();
    const std::vector<TestPicture> pictures =
        !options.pages.isEmpty() ? externalPictures(options.pages)
        : options.cache.isEmpty()
            ? makePictures(families, options.categories, options.perFont, options.rubyPitch)
            : cachedPictures(options.cache, families, options.categories, options.perFont,
                             options.rubyPitch);
    std::printf(
        "%zu pictures in %s, made in %.1f s\n", pictures.size(),
        qPrintable(options.pages.isEmpty() ? families.join(QStringLiteral(", ")) : options.pages),
        wall.elapsed() / 1000.0);
    if (!options.dump.isEmpty()) {
        QDir().mkpath(options.dump);
        for (const TestPicture& p : pictures) {
            if (!p.kind.isEmpty())
                QDir().mkpath(options.dump + QLatin1Char('/') + p.kind);
            p.image.save(QStringLiteral("%1/%2.png").arg(options.dump, p.name));
            QFile f(QStringLiteral("%1/%2.ref.txt").arg(options.dump, p.name));
            if (f.open(QIODevice::WriteOnly))
                f.write(p.reference.toUtf8());
        }
    }
    if (options.analyse) {
        analyse(pictures);
        return 0;
    }
    if (options.dpiStudy) {
        dpiStudy(pictures, options);
        return 0;
    }

    std::vector<Outcome> outcomes(pictures.size());
    std::atomic<size_t> next{0};
    std::mutex printing;
    auto worker = [&] {
        BatchWorker batch;
        for (size_t i = next++; i < pictures.size(); i = next++) {
            outcomes[i] = measure(pictures[i], batch, options);
            if (options.verbose) {
                const Outcome& o = outcomes[i];
                std::lock_guard lock(printing);
                std::printf("%-44s a %6.2f%% b %6.2f%% c %6.2f%% d %6.2f%% bound %6.2f%%  %s\n",
                            qPrintable(pictures[i].name), 100 * o.ignored[Expert].rate(),
                            100 * o.ignored[Plain].rate(), 100 * o.ignored[Automatic].rate(),
                            100 * o.ignored[Regions].rate(), 100 * o.bound.rate(),
                            qPrintable(o.note));
                std::fflush(stdout);
            }
        }
    };
    std::vector<std::thread> threads;
    for (int j = 0; j < options.jobs; ++j)
        threads.emplace_back(worker);
    for (auto& t : threads)
        t.join();
    if (!options.characters.isEmpty()) {
        QFile csv(options.characters);
        if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(options.characters));
            return 2;
        }
        csv.write("kind,page,code,confidence,changed,rarity,size,doubtful,right,line,"
                  "startsword,x,y,width,height,misread\n");
        for (const Outcome& o : outcomes)
            csv.write((o.characterRows.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    }

    // Groups in the order first met: the categories as asked, or the folders' kinds.
    const auto groupOf = [](const TestPicture& p) {
        return p.kind.isEmpty() ? categoryName(p.category) : p.kind;
    };
    QStringList groups;
    std::map<QString, Outcome> byGroup;
    std::map<QString, int> counts;
    Outcome all;
    auto add = [](Outcome& sum, const Outcome& o) {
        for (int s = 0; s < SettingCount; ++s) {
            sum.kept[s] += o.kept[s];
            sum.ignored[s] += o.ignored[s];
            sum.seconds[s] += o.seconds[s];
        }
        sum.keptGuarded += o.keptGuarded;
        sum.bound += o.bound;
        sum.characters += o.characters;
        sum.wrong += o.wrong;
        sum.marked += o.marked;
        sum.caught += o.caught;
        sum.misread += o.misread;
        sum.misreadCaught += o.misreadCaught;
    };
    if (options.pages.isEmpty())
        for (Category c : options.categories)
            groups << categoryName(c);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const QString group = groupOf(pictures[i]);
        if (!groups.contains(group))
            groups << group;
        add(byGroup[group], outcomes[i]);
        ++counts[group];
        add(all, outcomes[i]);
    }
    std::printf("\nCharacter error rate, whitespace ignored / kept (clean-up as written):\n\n"
                "| Category | Pictures | Characters |");
    for (const char* n : kSettingNames)
        std::printf(" %s |", n);
    std::printf(" (c) guarded clean-up, kept | (c) whatever the order |\n|");
    for (int column = 0; column < SettingCount + 5; ++column)
        std::printf("---|");
    std::printf("\n");
    auto row = [&](const QString& name, const Outcome& o, int count) {
        qint64 characters = 0;
        for (const Errors& e : o.ignored)
            characters = std::max(characters, e.length);
        std::printf("| %s | %d | %lld |", qPrintable(name), count, characters);
        for (int s = 0; s < SettingCount; ++s)
            std::printf(" %.2f %% / %.2f %% |", 100 * o.ignored[s].rate(), 100 * o.kept[s].rate());
        std::printf(" %.2f %% | %.2f %% |\n", 100 * o.keptGuarded.rate(), 100 * o.bound.rate());
    };
    for (const QString& group : groups)
        row(group, byGroup[group], counts[group]);
    row(QStringLiteral("all"), all, int(pictures.size()));
    if (!options.characters.isEmpty()) {
        std::printf("\nCharacters of (c) the doubt rule marks:\n\n"
                    "| Category | Characters | read wrong | marked | wrong ones marked | misread "
                    "(any order) | misread ones marked |\n"
                    "|---|---:|---:|---:|---:|---:|---:|\n");
        const auto marks = [](const QString& name, const Outcome& o) {
            const auto share = [](qint64 part, qint64 whole) {
                return 100.0 * double(part) / double(std::max<qint64>(1, whole));
            };
            std::printf("| %s | %lld | %.2f %% | %.2f %% | %.1f %% | %.2f %% | %.1f %% |\n",
                        qPrintable(name), o.characters, share(o.wrong, o.characters),
                        share(o.marked, o.characters), share(o.caught, o.wrong),
                        share(o.misread, o.characters), share(o.misreadCaught, o.misread));
        };
        for (const QString& group : groups)
            marks(group, byGroup[group]);
        marks(QStringLiteral("all"), all);
    }
    if (options.jobs == 1) {
        std::printf("\nProcess CPU time: (a) %.1f s, (b) %.1f s, (c) %.1f s, (d) %.1f s\n",
                    all.seconds[Expert], all.seconds[Plain], all.seconds[Automatic],
                    all.seconds[Regions]);
        if (all.seconds[Plain] > 0 && all.seconds[Automatic] > 0)
            std::printf("(c) against (b): %.2f (target ≤ 1.3)\n",
                        all.seconds[Automatic] / all.seconds[Plain]);
        if (all.seconds[Expert] > 0 && all.seconds[Regions] > 0)
            std::printf("(d) against (a): %.2f\n", all.seconds[Regions] / all.seconds[Expert]);
    } else
        std::printf("\nTimes need --jobs 1 (process CPU time, one picture at a time)\n");
    std::printf("Wall time %.0f s with %d jobs\n", wall.elapsed() / 1000.0, options.jobs);
    return 0;
}
