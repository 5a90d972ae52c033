// How well Japanese pages are read, by category, with three ways of choosing the engine's
// settings: (a) an expert's fixed settings, chosen by the page's known direction (jpn --psm 3
// for horizontal pages, jpn_vert --psm 5 for vertical ones); (b) the program's old default,
// jpn --psm 3 for everything; (c) the automatic reading, which looks at the picture alone. (a)
// and (b) are given the resolution the program's work bitmap declares (96 dpi), (c) the rule's
// resolution. The engine's text takes the program's road: UTF-8 to code page 932, the text-file
// reader, the clean-up. Character error rate is reported with and without whitespace, and the
// time of (c) against (b) on the same pictures in the same thread.
//
// The engine is the linked library, loaded once per worker and language, one recognition
// thread each (the program restarts itself with OMP_THREAD_LIMIT=1 when that is missing, as
// the library reads it when loaded).
//
//   bench_reading [--quick] [--fonts measured|heldout|all|"Family,Family"] [--jobs N]
//                 [--categories horizontal,latin,...] [--dpi-study] [--dump DIR] [--verbose]

#include "charerror.h"
#include "cleanup.h"
#include "direction.h"
#include "ink.h"
#include "pagesets.h"
#include "pix.h"
#include "readingplan.h"
#include "ruby.h"
#include "skew.h"
#include "textfiles.h"

#include <tesseract/baseapi.h>

#include <leptonica/allheaders.h>

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

// The engine's output as the program appends it: converted to code page 932 with CR LF, read
// back by the text-file reader and cleaned.
struct Shown {
    QString plain;   // the clean-up rules as written
    QString guarded; // with Latin spacing kept
};

Shown asShown(const QByteArray& utf8, const QString& workFolder) {
    const QString raw = workFolder + QStringLiteral("/tmp.txt");
    const QString sjis = workFolder + QStringLiteral("/tmp_sjis.txt");
    QFile file(raw);
    if (!file.open(QIODevice::WriteOnly) || file.write(utf8) != utf8.size())
        std::abort();
    file.close();
    textfiles::convertUtf8ToSjis(raw, sjis, textfiles::Durability::WorkFile);
    const QString text = textfiles::readTextFile(sjis);
    return {cleanup::cleanRecognizedText(text),
            cleanup::cleanRecognizedText(text, cleanup::LatinSpacing::Kept)};
}

enum Setting { Expert, Plain, Automatic, SettingCount };
const char* const kSettingNames[SettingCount] = {"(a) expert", "(b) jpn --psm 3", "(c) 自動"};

struct Outcome {
    Errors kept[SettingCount];
    Errors ignored[SettingCount];
    Errors keptGuarded; // (c) with the guarded clean-up
    double seconds[SettingCount] = {};
    QString note;
};

Run expertRun(const TestPicture& p) {
    if (p.writing == workspace::Writing::Vertical)
        return {QStringLiteral("jpn_vert"), 5, {p.image}, kWorkBitmapDpi};
    return {QStringLiteral("jpn"), 3, {p.image}, kWorkBitmapDpi};
}

Run plainRun(const TestPicture& p) {
    return {QStringLiteral("jpn"), 3, {p.image}, kWorkBitmapDpi};
}

struct Options {
    bool quick = false;
    bool analyse = false;
    bool keepReadings = false;
    bool dpiStudy = false;
    bool verbose = false;
    int jobs = 2;
    int perFont = 1;
    QString dump;
    QStringList families = measuredFamilies();
    std::vector<Category> categories = allCategories();
};

Outcome measure(const TestPicture& p, Engines& engines, const QString& work,
                const Options& options) {
    Outcome out;
    auto score = [&](Setting s, const Shown& shown) {
        out.kept[s] = withWhitespace(shown.plain, p.reference);
        out.ignored[s] = withoutWhitespace(shown.plain, p.reference);
        if (s == Automatic)
            out.keptGuarded = withWhitespace(shown.guarded, p.reference);
    };
    auto dump = [&](Setting s, const QString& text) {
        if (options.dump.isEmpty())
            return;
        QFile f(QStringLiteral("%1/%2.%3.txt").arg(options.dump, p.name).arg(int(s)));
        if (f.open(QIODevice::WriteOnly))
            f.write(text.toUtf8());
    };
    // (b) and (c) alternate in the same thread, so the time of each is measured under the same
    // load; the picture analysis of (c) is part of its time.
    {
        const double start = threadSeconds();
        const QByteArray text = engines.read(plainRun(p));
        out.seconds[Plain] = threadSeconds() - start;
        const Shown shown = asShown(text, work);
        score(Plain, shown);
        dump(Plain, shown.plain);
    }
    {
        const double start = threadSeconds();
        const pagelayout::ReadingPlan plan = pagelayout::planReading(
            p.image, std::nullopt,
            options.keepReadings ? pagelayout::Readings::Kept : pagelayout::Readings::PaintedOver);
        const Run run{plan.settings.language, plan.settings.psm, plan.pictures,
                      plan.dotsPerInch.value_or(0)};
        const QByteArray text = engines.read(run);
        out.seconds[Automatic] = threadSeconds() - start;
        const Shown shown = asShown(text, work);
        score(Automatic, shown);
        dump(Automatic, shown.plain);
        if (!options.dump.isEmpty())
            for (int k = 0; k < plan.pictures.size(); ++k)
                plan.pictures[k].save(
                    QStringLiteral("%1/%2.prepared%3.png").arg(options.dump, p.name).arg(k));
        out.note = QStringLiteral("%1 %2 psm %3, turned %4°, %5 dpi, %6 picture(s)")
                       .arg(plan.direction == pagelayout::Direction::Vertical ? "V" : "H")
                       .arg(plan.settings.language)
                       .arg(plan.settings.psm)
                       .arg(plan.skewDegrees, 0, 'f', 2)
                       .arg(plan.dotsPerInch.value_or(0))
                       .arg(plan.pictures.size());
    }
    {
        const double start = threadSeconds();
        const QByteArray text = engines.read(expertRun(p));
        out.seconds[Expert] = threadSeconds() - start;
        const Shown shown = asShown(text, work);
        score(Expert, shown);
        dump(Expert, shown.plain);
    }
    return out;
}

// What the picture analysis finds on each picture, and how long it takes: the figures the
// thresholds were chosen from.
void analyse(const std::vector<TestPicture>& pictures) {
    std::printf("%-44s %5s %3s %7s %6s %7s %6s %5s %5s %7s\n", "picture", "em", "sc", "dir",
                "score", "skew", "conf", "lines", "marks", "ms");
    for (const TestPicture& p : pictures) {
        const double start = threadSeconds();
        const pagelayout::PixPtr grey = pagelayout::toGreyPix(p.image);
        const pagelayout::Ink ink = pagelayout::inkOf(grey.get());
        const pagelayout::DirectionFinding d = pagelayout::writingDirection(ink);
        const pagelayout::SkewFinding k = pagelayout::findSkew(ink, d.direction);
        const size_t marks = d.direction == pagelayout::Direction::Vertical
                                 ? pagelayout::readingMarks(ink.pieces, ink.em).size()
                                 : 0;
        const double ms = 1000 * (threadSeconds() - start);
        const bool right = (d.direction == pagelayout::Direction::Vertical) ==
                           (p.writing == workspace::Writing::Vertical);
        std::printf("%-44s %5.1f %3d %7s %6.2f %7.2f %6.2f %5.1f %5zu %7.1f  true %5.2f%s%s\n",
                    qPrintable(p.name), ink.em, ink.scale,
                    d.direction == pagelayout::Direction::Vertical ? "V" : "H", d.score, k.degrees,
                    k.confidence, k.linesAcross, marks, ms, p.skewDegrees,
                    right ? (k.straighten ? " turned" : "") : " WRONG DIRECTION",
                    p.ruby ? " ruby" : "");
        if (!p.ruby && marks > 0)
            for (const QRect& r : pagelayout::readingMarks(ink.pieces, ink.em))
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

Options parse(const QStringList& args) {
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--quick")) {
            o.quick = true;
        } else if (a == QLatin1String("--keep-readings")) {
            o.keepReadings = true;
        } else if (a == QLatin1String("--analyse")) {
            o.analyse = true;
        } else if (a == QLatin1String("--dpi-study")) {
            o.dpiStudy = true;
        } else if (a == QLatin1String("--verbose")) {
            o.verbose = true;
        } else if (a == QLatin1String("--per-font")) {
            o.perFont = std::max(1, next.toInt());
            ++i;
        } else if (a == QLatin1String("--jobs")) {
            o.jobs = std::max(1, next.toInt());
            ++i;
        } else if (a == QLatin1String("--dump")) {
            o.dump = next;
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
    QStringList families = options.families;
    if (options.quick)
        families = families.mid(0, 2);

    QElapsedTimer wall;
    wall.start();
    const std::vector<TestPicture> pictures =
        makePictures(families, options.categories, options.perFont);
    std::printf("%zu pictures in %s, made in %.1f s\n", pictures.size(),
                qPrintable(families.join(QStringLiteral(", "))), wall.elapsed() / 1000.0);
    if (!options.dump.isEmpty()) {
        QDir().mkpath(options.dump);
        for (const TestPicture& p : pictures) {
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
        QTemporaryDir work;
        Engines engines;
        for (size_t i = next++; i < pictures.size(); i = next++) {
            outcomes[i] = measure(pictures[i], engines, work.path(), options);
            if (options.verbose) {
                const Outcome& o = outcomes[i];
                std::lock_guard lock(printing);
                std::printf("%-44s a %6.2f%% b %6.2f%% c %6.2f%%  %s\n",
                            qPrintable(pictures[i].name), 100 * o.ignored[Expert].rate(),
                            100 * o.ignored[Plain].rate(), 100 * o.ignored[Automatic].rate(),
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

    std::map<Category, Outcome> byCategory;
    Outcome all;
    auto add = [](Outcome& sum, const Outcome& o) {
        for (int s = 0; s < SettingCount; ++s) {
            sum.kept[s] += o.kept[s];
            sum.ignored[s] += o.ignored[s];
            sum.seconds[s] += o.seconds[s];
        }
        sum.keptGuarded += o.keptGuarded;
    };
    for (size_t i = 0; i < pictures.size(); ++i) {
        add(byCategory[pictures[i].category], outcomes[i]);
        add(all, outcomes[i]);
    }
    std::printf("\nCharacter error rate, whitespace ignored / kept (clean-up as written):\n\n"
                "| Category | Pictures | Characters |");
    for (const char* n : kSettingNames)
        std::printf(" %s |", n);
    std::printf(" (c) guarded clean-up, kept |\n|---|---|---|---|---|---|---|\n");
    auto row = [&](const QString& name, const Outcome& o, int count) {
        std::printf("| %s | %d | %lld |", qPrintable(name), count, o.ignored[Expert].length);
        for (int s = 0; s < SettingCount; ++s)
            std::printf(" %.2f %% / %.2f %% |", 100 * o.ignored[s].rate(), 100 * o.kept[s].rate());
        std::printf(" %.2f %% |\n", 100 * o.keptGuarded.rate());
    };
    for (Category c : options.categories) {
        int count = 0;
        for (const TestPicture& p : pictures)
            count += p.category == c;
        row(categoryName(c), byCategory[c], count);
    }
    row(QStringLiteral("all"), all, int(pictures.size()));
    std::printf("\nEngine CPU time (thread): (a) %.1f s, (b) %.1f s, (c) %.1f s; "
                "(c) against (b): %.2f (target ≤ 1.3)\n",
                all.seconds[Expert], all.seconds[Plain], all.seconds[Automatic],
                all.seconds[Automatic] / all.seconds[Plain]);
    std::printf("Wall time %.0f s with %d jobs\n", wall.elapsed() / 1000.0, options.jobs);
    return 0;
}
