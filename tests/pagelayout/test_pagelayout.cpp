#include "direction.h"
#include "edges.h"
#include "ink.h"
#include "librarymessages.h"
#include "pageonpicture.h"
#include "pagetexts.h"
#include "pix.h"
#include "readingplan.h"
#include "resolution.h"
#include "ruby.h"
#include "skew.h"
#include "spreads.h"
#include "textpicture.h"
#include "textpresence.h"
#include "tiers.h"

#include <leptonica/allheaders.h>

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryFile>
#include <QTest>

#include <cmath>
#include <functional>
#include <optional>
#include <random>
#include <thread>

#include <unistd.h>

using namespace quillpix;
using namespace quillpix::pagelayout;
using workspace::PageStyle;
using workspace::ScanStyle;
using workspace::TextPage;
using workspace::Writing;

Q_DECLARE_METATYPE(std::optional<int>)
using Bands = QList<std::pair<int, int>>;
Q_DECLARE_METATYPE(Bands)

namespace {

// What part of a typeset page a picture shows: the page, or a frame dragged around some lines.
enum class Part { Page, Line, TwoLines, Paragraph, Characters };

struct PictureRecipe {
    Writing writing = Writing::Horizontal;
    QString family = QStringLiteral("Noto Sans CJK JP");
    Part part = Part::Page;
    bool ruby = false;
    double skew = 0;
    int jpeg = 0;
    double linePitch = 1.8;
    int quarters = 0; // laid on the glass turned this many quarters clockwise
};

// A6 at 300 dpi keeps the tables quick; the pages carry 18 to 26 lines like a book's.
TextPage typeset(const PictureRecipe& recipe) {
    PageStyle style;
    style.family = recipe.family;
    style.writing = recipe.writing;
    style.size = QSize(1240, 1748);
    style.margins = QMargins(120, 140, 120, 140);
    style.ruby = recipe.ruby;
    style.pixelSize = 40;
    style.linePitch = recipe.linePitch;
    return workspace::textPage(workspace::japaneseProse().mid(3), style);
}

QImage picture(const PictureRecipe& recipe) {
    TextPage page = typeset(recipe);
    switch (recipe.part) {
    case Part::Page:
        break;
    case Part::Line:
        page = workspace::cropLines(page, 1, 1, 20);
        break;
    case Part::TwoLines:
        page = workspace::cropLines(page, 1, 2, 20);
        break;
    case Part::Paragraph:
        page = workspace::cropLines(page, 1, 5, 30);
        break;
    case Part::Characters:
        page = workspace::cropLines(page, 1, 1, 10);
        page.image = recipe.writing == Writing::Vertical
                         ? page.image.copy(0, 0, page.image.width(), 110)
                         : page.image.copy(0, 0, 110, page.image.height());
        break;
    }
    ScanStyle scan;
    scan.quarterTurns = recipe.quarters;
    scan.skewDegrees = recipe.skew;
    scan.blurSigma = 0.8;
    scan.noiseSigma = 6;
    scan.paper = 240;
    scan.ink = 30;
    scan.jpegQuality = recipe.jpeg;
    return workspace::scanned(page.image, scan);
}

// Ink pixels (darker than mid-grey) inside a rectangle.
int inkIn(const QImage& grey, const QRect& box) {
    int count = 0;
    const QRect r = box.intersected(grey.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = r.left(); x <= r.right(); ++x)
            count += line[x] < 128;
    }
    return count;
}

constexpr int kDpm300 = 11811;

// What the process wrote to standard error while work ran.
QByteArray standardErrorOf(const std::function<void()>& work) {
    QTemporaryFile file;
    if (!file.open())
        return "no temporary file";
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    work();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

// A4 at 150 dpi, declared: the page the analysis sees at its own scale, quick to make.
constexpr QSize kA4At150(1240, 1754);
constexpr int kDpm150 = 5906;

// Grey noise with a fixed seed: uniform over every grey (spread 0), or about a mean.
QImage noise(QSize size, unsigned seed, int mean = 0, int spread = 0, int dpm = kDpm150) {
    QImage image(size, QImage::Format_Grayscale8);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> flat(0, 255);
    std::normal_distribution<double> bell(mean, spread);
    for (int y = 0; y < size.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < size.width(); ++x)
            line[x] = uchar(spread == 0 ? flat(random)
                                        : std::clamp(int(std::lround(bell(random))), 0, 255));
    }
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    return image;
}

// Paper with its grain and dark squares of the given sides, spread over it.
QImage paperWith(const QList<int>& sides, unsigned seed) {
    QImage image = noise(kA4At150, seed, 240, 6);
    std::mt19937 random(seed);
    QPainter painter(&image);
    for (const int side : sides)
        painter.fillRect(int(random() % 1000) + 100, int(random() % 1500) + 100, side, side,
                         QColor(30, 30, 30));
    return image;
}

// Wider than the picture library takes: its words per line stop below 2^24.
QImage tooWideForTheLibrary() {
    QImage wide((1 << 26) + 1, 1, QImage::Format_Grayscale8);
    wide.fill(255);
    return wide;
}

} // namespace

class TestPageLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The library's one handler for the process, set before any thread uses it.
    void initTestCase() { routeLibraryMessages(); }
    void directionFromScore_data();
    void directionFromScore();
    void direction_data();
    void direction();
    void blankPictureIsHorizontal();
    void worthStraightening_data();
    void worthStraightening();
    void skew_data();
    void skew();
    void straightening_data();
    void straightening();
    void resolution_data();
    void resolution();
    void declaredResolutionSurvivesTheFile_data();
    void declaredResolutionSurvivesTheFile();
    void inkThreshold_data();
    void inkThreshold();
    void characterSize_data();
    void workingScale_data();
    void workingScale();
    void characterSize();
    void partialEdgeBands_data();
    void partialEdgeBands();
    void rubyMarks_data();
    void rubyMarks();
    void rubyPaintedOverKeepsOtherPieces_data();
    void rubyPaintedOverKeepsOtherPieces();
    void readingsLeaveTheMainText_data();
    void readingsLeaveTheMainText();
    void oneBlockAcross_data();
    void oneBlockAcross();
    void inkBesideText_data();
    void inkBesideText();
    void paperWhitenedBesideRules_data();
    void paperWhitenedBesideRules();
    void pageCorners_data();
    void pageCorners();
    void runningHeadsOf_data();
    void runningHeadsOf();
    void planOfATwoTierPage();
    void foldBand_data();
    void foldBand();
    void planOfASpread();
    void enoughTextToOrient_data();
    void enoughTextToOrient();
    void holdsText_data();
    void holdsText();
    void textFoundByFigures_data();
    void textFoundByFigures();
    void planOfASlantedBookPage();
    void libraryMessages_data();
    void libraryMessages();
    void libraryErrorsStayOnTheirThread();
};

void TestPageLayout::directionFromScore_data() {
    QTest::addColumn<double>("score");
    QTest::addColumn<QSize>("extent");
    QTest::addColumn<int>("expected");
    const auto h = int(Direction::Horizontal);
    const auto v = int(Direction::Vertical);
    QTest::newRow("horizontal score at its least, tall ink") << 0.4 << QSize(10, 90) << h;
    QTest::newRow("vertical score at its least, wide ink") << -0.4 << QSize(90, 10) << v;
    QTest::newRow("too close, tall ink") << 0.39 << QSize(10, 90) << v;
    QTest::newRow("too close, wide ink") << -0.39 << QSize(90, 10) << h;
    QTest::newRow("nothing, square") << 0.0 << QSize(50, 50) << h;
    QTest::newRow("nothing, one pixel taller") << 0.0 << QSize(50, 51) << v;
}

void TestPageLayout::directionFromScore() {
    QFETCH(double, score);
    QFETCH(QSize, extent);
    QFETCH(int, expected);
    QCOMPARE(directionFrom(score, extent), Direction(expected));
}

void TestPageLayout::direction_data() {
    QTest::addColumn<int>("writing");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("part");
    QTest::addColumn<bool>("ruby");
    QTest::addColumn<double>("skew");
    const struct {
        const char* name;
        Writing writing;
        const char* family;
        Part part;
        bool ruby;
        double skew;
    } rows[] = {
        {"horizontal page, Gothic", Writing::Horizontal, "Noto Sans CJK JP", Part::Page, false, 0},
        {"horizontal page, Mincho", Writing::Horizontal, "IPAMincho", Part::Page, false, 0},
        {"horizontal page, held-out Gothic", Writing::Horizontal, "VL Gothic", Part::Page, false,
         0},
        {"horizontal page turned 3°", Writing::Horizontal, "IPAexGothic", Part::Page, false, 3},
        {"vertical page, Mincho", Writing::Vertical, "Noto Serif CJK JP", Part::Page, false, 0},
        {"vertical page, held-out Mincho", Writing::Vertical, "Sawarabi Mincho", Part::Page, false,
         0},
        {"vertical page with readings", Writing::Vertical, "IPAMincho", Part::Page, true, 0},
        {"vertical page turned -3°", Writing::Vertical, "IPAexGothic", Part::Page, true, -3},
        {"one horizontal line", Writing::Horizontal, "IPAMincho", Part::Line, false, 0},
        {"horizontal paragraph", Writing::Horizontal, "Noto Serif CJK JP", Part::Paragraph, false,
         0},
        {"one column", Writing::Vertical, "IPAMincho", Part::Line, false, 0},
        {"one column with readings", Writing::Vertical, "Noto Sans CJK JP", Part::Line, true, 0},
        {"vertical paragraph", Writing::Vertical, "VL Gothic", Part::Paragraph, true, 0},
        // Two or three characters cannot be told by the smears; their outline decides.
        {"three horizontal characters", Writing::Horizontal, "IPAexGothic", Part::Characters, false,
         0},
        {"three vertical characters", Writing::Vertical, "IPAexGothic", Part::Characters, false, 0},
    };
    for (const auto& r : rows)
        QTest::newRow(r.name) << int(r.writing) << QString::fromUtf8(r.family) << int(r.part)
                              << r.ruby << r.skew;
}

void TestPageLayout::direction() {
    QFETCH(int, writing);
    QFETCH(QString, family);
    QFETCH(int, part);
    QFETCH(bool, ruby);
    QFETCH(double, skew);
    const QImage image = picture({Writing(writing), family, Part(part), ruby, skew});
    const DirectionFinding found = writingDirection(image);
    const Direction expected =
        Writing(writing) == Writing::Vertical ? Direction::Vertical : Direction::Horizontal;
    QCOMPARE(found.direction, expected);
    // Pictures of whole lines are told apart by the smears, never by chance of their outline.
    if (Part(part) != Part::Characters)
        QVERIFY2(!found.byShape, qPrintable(QString::number(found.score)));
}

void TestPageLayout::blankPictureIsHorizontal() {
    QImage blank(600, 400, QImage::Format_Grayscale8);
    blank.fill(235);
    const DirectionFinding found = writingDirection(blank);
    QCOMPARE(found.direction, Direction::Horizontal);
    QCOMPARE(found.score, 0.0);
    QVERIFY(!findSkew(blank, Direction::Horizontal).straighten);
    QCOMPARE(planReading(blank).pictures.size(), 1);
}

void TestPageLayout::worthStraightening_data() {
    QTest::addColumn<double>("degrees");
    QTest::addColumn<double>("confidence");
    QTest::addColumn<double>("lines");
    QTest::addColumn<bool>("expected");
    QTest::newRow("at every least") << 0.3 << 1.5 << 3.0 << true;
    QTest::newRow("anticlockwise") << -0.3 << 1.5 << 3.0 << true;
    QTest::newRow("angle too small") << 0.29 << 1.5 << 3.0 << false;
    QTest::newRow("anticlockwise too small") << -0.29 << 1.5 << 3.0 << false;
    QTest::newRow("not sharp enough") << 2.0 << 1.49 << 30.0 << false;
    QTest::newRow("too few lines") << 2.0 << 3.0 << 2.99 << false;
    QTest::newRow("at the search's end") << -5.0 << 3.0 << 30.0 << true;
    QTest::newRow("beyond the search") << 5.01 << 3.0 << 30.0 << false;
}

void TestPageLayout::worthStraightening() {
    QFETCH(double, degrees);
    QFETCH(double, confidence);
    QFETCH(double, lines);
    QFETCH(bool, expected);
    QCOMPARE(pagelayout::worthStraightening(degrees, confidence, lines), expected);
}

void TestPageLayout::skew_data() {
    QTest::addColumn<int>("writing");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("part");
    QTest::addColumn<double>("skew");
    QTest::addColumn<bool>("straighten");
    const struct {
        const char* name;
        Writing writing;
        const char* family;
        Part part;
        double skew;
        bool straighten;
    } rows[] = {
        // Straight pages and crops are never turned.
        {"straight horizontal page", Writing::Horizontal, "Noto Sans CJK JP", Part::Page, 0, false},
        {"straight horizontal page, Mincho", Writing::Horizontal, "IPAMincho", Part::Page, 0,
         false},
        {"straight vertical page", Writing::Vertical, "Noto Serif CJK JP", Part::Page, 0, false},
        {"straight vertical page, held out", Writing::Vertical, "Sawarabi Mincho", Part::Page, 0,
         false},
        {"straight line", Writing::Horizontal, "Noto Sans CJK JP", Part::Line, 0, false},
        {"straight two lines", Writing::Horizontal, "IPAexGothic", Part::TwoLines, 0, false},
        {"straight column", Writing::Vertical, "IPAMincho", Part::Line, 0, false},
        {"straight two columns", Writing::Vertical, "Noto Serif CJK JP", Part::TwoLines, 0, false},
        {"straight paragraph", Writing::Horizontal, "VL Gothic", Part::Paragraph, 0, false},
        // Slanted pages are found within a tenth of a degree, either way, either direction.
        {"horizontal +1°", Writing::Horizontal, "Noto Sans CJK JP", Part::Page, 1, true},
        {"horizontal -2°", Writing::Horizontal, "IPAMincho", Part::Page, -2, true},
        {"horizontal +3°", Writing::Horizontal, "VL Gothic", Part::Page, 3, true},
        {"vertical -1°", Writing::Vertical, "IPAexGothic", Part::Page, -1, true},
        {"vertical +2°", Writing::Vertical, "Noto Serif CJK JP", Part::Page, 2, true},
        {"vertical -3°", Writing::Vertical, "Sawarabi Mincho", Part::Page, -3, true},
        {"paragraph +2°", Writing::Horizontal, "Noto Sans CJK JP", Part::Paragraph, 2, true},
        // Too few lines to tell a slant from the characters' shapes: left alone.
        {"one slanted line", Writing::Horizontal, "IPAMincho", Part::Line, 2, false},
        {"one slanted column", Writing::Vertical, "IPAexGothic", Part::Line, -2, false},
    };
    for (const auto& r : rows)
        QTest::newRow(r.name) << int(r.writing) << QString::fromUtf8(r.family) << int(r.part)
                              << r.skew << r.straighten;
}

void TestPageLayout::skew() {
    QFETCH(int, writing);
    QFETCH(QString, family);
    QFETCH(int, part);
    QFETCH(double, skew);
    QFETCH(bool, straighten);
    const Direction direction =
        Writing(writing) == Writing::Vertical ? Direction::Vertical : Direction::Horizontal;
    const SkewFinding found =
        findSkew(picture({Writing(writing), family, Part(part), false, skew}), direction);
    QCOMPARE(found.straighten, straighten);
    if (straighten)
        QVERIFY2(std::abs(found.degrees + skew) <= 0.1, qPrintable(QString::number(found.degrees)));
}

void TestPageLayout::straightening_data() {
    QTest::addColumn<int>("writing");
    QTest::addColumn<double>("skew");
    QTest::newRow("horizontal +2.5°") << int(Writing::Horizontal) << 2.5;
    QTest::newRow("vertical -1.5°") << int(Writing::Vertical) << -1.5;
}

void TestPageLayout::straightening() {
    // Turning by the found angle leaves the lines straight, keeps the size and resolution, and
    // brings in paper, not black, at the corners.
    QFETCH(int, writing);
    QFETCH(double, skew);
    const Direction direction =
        Writing(writing) == Writing::Vertical ? Direction::Vertical : Direction::Horizontal;
    const QImage slanted =
        picture({Writing(writing), QStringLiteral("IPAexGothic"), Part::Page, false, skew});
    const SkewFinding found = findSkew(slanted, direction);
    const QImage straight = turned(slanted, found.degrees, 240);
    QCOMPARE(straight.size(), slanted.size());
    QCOMPARE(straight.dotsPerMeterY(), slanted.dotsPerMeterY());
    QCOMPARE(straight.pixelColor(0, 0).red(), 240);
    QCOMPARE(straight.pixelColor(straight.width() - 1, straight.height() - 1).red(), 240);
    const SkewFinding after = findSkew(straight, direction);
    QVERIFY2(std::abs(after.degrees) < 0.1, qPrintable(QString::number(after.degrees)));
    QVERIFY(!after.straighten);
}

void TestPageLayout::resolution_data() {
    QTest::addColumn<int>("dotsPerMeterX");
    QTest::addColumn<int>("dotsPerMeterY");
    QTest::addColumn<std::optional<int>>("expected");
    QTest::newRow("300 dpi") << kDpm300 << kDpm300 << std::optional<int>(300);
    QTest::newRow("600 dpi") << 23622 << 23622 << std::optional<int>(600);
    QTest::newRow("least, 101 dpi") << 3976 << 3976 << std::optional<int>(101);
    QTest::newRow("rounded down to 100 dpi") << 3956 << 3956 << std::optional<int>();
    QTest::newRow("Qt's stand-in without a screen, 100 dpi")
        << 3937 << 3937 << std::optional<int>();
    QTest::newRow("below, 99 dpi") << 3898 << 3898 << std::optional<int>();
    QTest::newRow("1200 dpi") << 47244 << 47244 << std::optional<int>(1200);
    QTest::newRow("1201 dpi") << 47284 << 47284 << std::optional<int>(1201);
    QTest::newRow("1500 dpi") << 59055 << 59055 << std::optional<int>(1500);
    QTest::newRow("most, 2400 dpi") << 94488 << 94488 << std::optional<int>(2400);
    QTest::newRow("above, 2401 dpi") << 94528 << 94528 << std::optional<int>();
    QTest::newRow("across below the range") << 2835 << kDpm300 << std::optional<int>();
    QTest::newRow("across above the range") << 94528 << kDpm300 << std::optional<int>();
    QTest::newRow("Qt's stand-in, 96 dpi") << 3780 << 3780 << std::optional<int>();
    QTest::newRow("programs' stand-in, 72 dpi") << 2835 << 2835 << std::optional<int>();
    QTest::newRow("none") << 0 << 0 << std::optional<int>();
    QTest::newRow("vertical counts") << 23622 << kDpm300 << std::optional<int>(300);
    QTest::newRow("fax, 204 by 196") << 8031 << 7717 << std::optional<int>(196);
    QTest::newRow("rounded to the nearest") << 11800 << 11800 << std::optional<int>(300);
}

void TestPageLayout::resolution() {
    QFETCH(int, dotsPerMeterX);
    QFETCH(int, dotsPerMeterY);
    QFETCH(std::optional<int>, expected);
    QCOMPARE(plausibleDotsPerInch(dotsPerMeterX, dotsPerMeterY), expected);
}

void TestPageLayout::declaredResolutionSurvivesTheFile_data() {
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("dotsPerMeter");
    QTest::addColumn<std::optional<int>>("expected");
    for (const char* format : {"PNG", "JPEG", "TIFF", "BMP"}) {
        QTest::addRow("%s at 300 dpi", format)
            << QByteArray(format) << kDpm300 << std::optional<int>(300);
        QTest::addRow("%s at 400 dpi", format)
            << QByteArray(format) << 15748 << std::optional<int>(400);
    }
    // A new picture carries Qt's 96 dpi, which tells nothing.
    QTest::newRow("PNG as Qt makes it") << QByteArray("PNG") << 0 << std::optional<int>();
}

void TestPageLayout::declaredResolutionSurvivesTheFile() {
    // What a scan's file declares reaches the rule through Qt's readers.
    QFETCH(QByteArray, format);
    QFETCH(int, dotsPerMeter);
    QFETCH(std::optional<int>, expected);
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    if (dotsPerMeter > 0) {
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format.constData()))
        QSKIP("no writer for this format");
    const QImage read = QImage::fromData(bytes, format.constData());
    QVERIFY(!read.isNull());
    QCOMPARE(plausibleDotsPerInch(read), expected);
}

void TestPageLayout::inkThreshold_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("ink");
    QTest::addColumn<int>("inkShare"); // per thousand
    QTest::addColumn<int>("expected");
    QTest::newRow("black on white") << 255 << 0 << 50 << 153;
    QTest::newRow("grey scan") << 240 << 30 << 80 << 156;
    QTest::newRow("faint ink, still text") << 230 << 180 << 50 << 210;
    QTest::newRow("least contrast") << 230 << 182 << 50 << 211;
    QTest::newRow("too faint: no ink") << 230 << 183 << 50 << 0;
    QTest::newRow("specks below 0.2 %: no ink") << 240 << 20 << 1 << 0;
    QTest::newRow("ink from 0.2 % on") << 240 << 20 << 2 << 152;
}

void TestPageLayout::inkThreshold() {
    QFETCH(int, paper);
    QFETCH(int, ink);
    QFETCH(int, inkShare);
    QFETCH(int, expected);
    std::vector<int> histogram(256);
    histogram[paper] = 1000 - inkShare;
    histogram[ink] = inkShare;
    int foundPaper = -1;
    QCOMPARE(pagelayout::inkThreshold(histogram, &foundPaper), expected);
    QCOMPARE(foundPaper, paper);
}

void TestPageLayout::characterSize_data() {
    QTest::addColumn<QList<QRect>>("pieces");
    QTest::addColumn<double>("expected");
    QList<QRect> kanjiAndStrokes;
    for (int k = 0; k < 9; ++k)
        kanjiAndStrokes.append(QRect(0, 0, 3 + k, 2));
    kanjiAndStrokes.append(QRect(0, 0, 18, 20));
    QTest::newRow("the whole characters are the large pieces") << kanjiAndStrokes << 20.0;
    QTest::newRow("specks of one pixel do not count")
        << QList<QRect>{QRect(0, 0, 1, 1), QRect(0, 0, 1, 1), QRect(0, 0, 5, 2)} << 5.0;
    QTest::newRow("two-pixel pieces count")
        << QList<QRect>{QRect(0, 0, 2, 1), QRect(0, 0, 1, 2), QRect(0, 0, 1, 1)} << 2.0;
    QTest::newRow("nothing") << QList<QRect>{} << 0.0;
    QTest::newRow("only specks") << QList<QRect>{QRect(0, 0, 1, 1)} << 0.0;
}

void TestPageLayout::characterSize() {
    QFETCH(QList<QRect>, pieces);
    QFETCH(double, expected);
    QCOMPARE(typicalCharacterSize(std::vector<QRect>(pieces.begin(), pieces.end())), expected);
}

void TestPageLayout::workingScale_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("dotsPerInch");
    QTest::addColumn<int>("scale");
    QTest::newRow("A5 at 300 dpi") << QSize(1748, 2480) << 300 << 2;
    QTest::newRow("A4 at 300 dpi, no further than A5") << QSize(2480, 3508) << 300 << 2;
    QTest::newRow("a spread at 300 dpi") << QSize(3508, 2480) << 300 << 2;
    QTest::newRow("A4 at 600 dpi") << QSize(4960, 7016) << 600 << 4;
    QTest::newRow("A4 at 200 dpi") << QSize(1654, 2339) << 200 << 2;
    QTest::newRow("A4 at 150 dpi, whole") << QSize(1240, 1754) << 150 << 1;
    QTest::newRow("a photo's 72 dpi is not believed") << QSize(3000, 4000) << 72 << 4;
    QTest::newRow("no resolution declared") << QSize(2480, 3508) << 0 << 4;
    QTest::newRow("a cut-out at 300 dpi") << QSize(600, 400) << 300 << 1;
}

void TestPageLayout::workingScale() {
    QFETCH(QSize, size);
    QFETCH(int, dotsPerInch);
    QFETCH(int, scale);
    QImage blank(size, QImage::Format_Grayscale8);
    blank.fill(255);
    blank.setDotsPerMeterX(int(dotsPerInch / 0.0254 + 0.5));
    blank.setDotsPerMeterY(int(dotsPerInch / 0.0254 + 0.5));
    QCOMPARE(inkOf(toGreyPix(blank).get()).scale, scale);
}

void TestPageLayout::partialEdgeBands_data() {
    // Profiles across the lines, a character being 20 pixels: runs of rows with ink.
    QTest::addColumn<QList<int>>("runs"); // alternating lengths: ink, gap, ink, gap...
    QTest::addColumn<Bands>("expected");
    QTest::newRow("part of a line at the top") << QList<int>{5, 8, 20, 10} << Bands{{0, 4}};
    QTest::newRow("parts at both edges") << QList<int>{5, 8, 20, 10, 6} << Bands{{0, 4}, {43, 48}};
    QTest::newRow("13 rows are a part") << QList<int>{0, 2, 20, 5, 13} << Bands{{27, 39}};
    QTest::newRow("14 rows are a line") << QList<int>{0, 2, 20, 5, 14} << Bands{};
    QTest::newRow("no whole line beside") << QList<int>{5, 8, 15, 10} << Bands{};
    QTest::newRow("16 rows are a whole line") << QList<int>{5, 8, 16, 10} << Bands{{0, 4}};
    QTest::newRow("apart from the edge") << QList<int>{0, 1, 5, 8, 20, 10} << Bands{};
    QTest::newRow("one band alone") << QList<int>{5, 10} << Bands{};
}

void TestPageLayout::partialEdgeBands() {
    QFETCH(QList<int>, runs);
    QFETCH(Bands, expected);
    std::vector<int> profile;
    for (int k = 0; k < runs.size(); ++k)
        profile.insert(profile.end(), size_t(runs[k]), k % 2 == 0 ? 7 : 0);
    const auto bands = pagelayout::partialEdgeBands(profile, 20);
    QCOMPARE(Bands(bands.begin(), bands.end()), expected);
}

void TestPageLayout::rubyMarks_data() {
    // Boxes in a scale where a character is 20 pixels: a column of kanji at x 0..18 with
    // pieces around it.
    QTest::addColumn<QList<QRect>>("others");
    QTest::addColumn<QList<QRect>>("expected");
    // Of those, what the engine would read: readings in a lane of their own, a quarter of a
    // character or more from their column, those of a column left out, and on a page of
    // tightly set columns every one.
    QTest::addColumn<QList<QRect>>("read");
    const QRect reading(20, 42, 8, 8);
    QTest::newRow("reading just right of the column")
        << QList<QRect>{reading} << QList<QRect>{reading} << QList<QRect>{};
    QTest::newRow("touching the column")
        << QList<QRect>{QRect(17, 42, 8, 8)} << QList<QRect>{QRect(17, 42, 8, 8)} << QList<QRect>{};
    QTest::newRow("reaching into the column")
        << QList<QRect>{QRect(15, 42, 8, 8)} << QList<QRect>{} << QList<QRect>{};
    QTest::newRow("full stop inside the column")
        << QList<QRect>{QRect(11, 42, 6, 6)} << QList<QRect>{} << QList<QRect>{};
    QTest::newRow("half a character right")
        << QList<QRect>{QRect(30, 42, 4, 4)} << QList<QRect>{QRect(30, 42, 4, 4)}
        << QList<QRect>{QRect(30, 42, 4, 4)};
    QTest::newRow("further right")
        << QList<QRect>{QRect(31, 42, 4, 4)} << QList<QRect>{} << QList<QRect>{};
    // Left of the leftmost column: a column's readings whose column lies outside the frame, if
    // apart from the column; nearer, part of its characters.
    QTest::newRow("readings of a column left out")
        << QList<QRect>{QRect(-10, 42, 8, 8)} << QList<QRect>{QRect(-10, 42, 8, 8)}
        << QList<QRect>{QRect(-10, 42, 8, 8)};
    QTest::newRow("one near, one beyond reach")
        << QList<QRect>{QRect(-10, 42, 8, 8), QRect(-30, 42, 8, 8)}
        << QList<QRect>{QRect(-10, 42, 8, 8)} << QList<QRect>{QRect(-10, 42, 8, 8)};
    QTest::newRow("nearer the column")
        << QList<QRect>{QRect(-9, 42, 8, 8)} << QList<QRect>{} << QList<QRect>{};
    QTest::newRow("a character away")
        << QList<QRect>{QRect(-28, 42, 8, 8)} << QList<QRect>{QRect(-28, 42, 8, 8)}
        << QList<QRect>{QRect(-28, 42, 8, 8)};
    QTest::newRow("further left") << QList<QRect>{QRect(-29, 42, 8, 8)} << QList<QRect>{}
                                  << QList<QRect>{};
    QTest::newRow("too wide for a reading")
        << QList<QRect>{QRect(20, 42, 12, 6)} << QList<QRect>{} << QList<QRect>{};
    QTest::newRow("widest reading") << QList<QRect>{QRect(20, 42, 11, 6)}
                                    << QList<QRect>{QRect(20, 42, 11, 6)} << QList<QRect>{};
    QTest::newRow("readings run together") << QList<QRect>{QRect(20, 30, 8, 30)}
                                           << QList<QRect>{QRect(20, 30, 8, 30)} << QList<QRect>{};
    // Beside a column whose widest pieces are narrower than whole characters (the left part of
    // "た" ending a paragraph), a piece is the rest of a character.
    QTest::newRow("beside a narrow column")
        << QList<QRect>{QRect(100, 200, 14, 18), QRect(115, 205, 6, 6)} << QList<QRect>{}
        << QList<QRect>{};
    QTest::newRow("beside a column just wide enough")
        << QList<QRect>{QRect(100, 200, 15, 18), QRect(116, 205, 6, 6)}
        << QList<QRect>{QRect(116, 205, 6, 6)} << QList<QRect>{};
    // A column's pieces offset from each other make it as wide as they reach together.
    QTest::newRow("beside a column of offset narrow pieces")
        << QList<QRect>{QRect(100, 200, 13, 18), QRect(105, 220, 13, 18), QRect(119, 205, 6, 6)}
        << QList<QRect>{QRect(119, 205, 6, 6)} << QList<QRect>{};
    QTest::newRow("in a lane of its own")
        << QList<QRect>{QRect(24, 42, 4, 4)} << QList<QRect>{QRect(24, 42, 4, 4)}
        << QList<QRect>{QRect(24, 42, 4, 4)};
    QTest::newRow("close beside its column")
        << QList<QRect>{QRect(23, 42, 4, 4)} << QList<QRect>{QRect(23, 42, 4, 4)} << QList<QRect>{};
    // Between tightly set columns the engine reads even the readings close beside their own.
    QTest::newRow("near the next column") << QList<QRect>{reading, QRect(33, 41, 19, 18)}
                                          << QList<QRect>{reading} << QList<QRect>{reading};
    QTest::newRow("a third of a character from the next column")
        << QList<QRect>{reading, QRect(34, 41, 19, 18)} << QList<QRect>{reading} << QList<QRect>{};
    QTest::newRow("touching the next column") << QList<QRect>{reading, QRect(28, 41, 19, 18)}
                                              << QList<QRect>{reading} << QList<QRect>{reading};
    // Three stretches of the column, far apart, each with a reading and a next column: the page
    // is tight when most readings stand near the next column, and a column more than a
    // character away is no neighbour.
    const auto stretches = [](int secondGap, int thirdGap) {
        QList<QRect> pieces;
        for (int stretch = 1; stretch < 3; ++stretch)
            for (int row = 0; row < 5; ++row)
                pieces << QRect(0, stretch * 300 + row * 20 + 1, 19, 18);
        pieces << QRect(20, 42, 8, 8) << QRect(33, 41, 19, 18);
        pieces << QRect(20, 342, 8, 8) << QRect(28 + secondGap, 341, 19, 18);
        pieces << QRect(20, 642, 8, 8) << QRect(28 + thirdGap, 641, 19, 18);
        return pieces;
    };
    const QList<QRect> threeReadings{QRect(20, 42, 8, 8), QRect(20, 342, 8, 8),
                                     QRect(20, 642, 8, 8)};
    QTest::newRow("one reading of three near the next column")
        << stretches(7, 7) << threeReadings << QList<QRect>{};
    QTest::newRow("the others' next columns a character away")
        << stretches(20, 20) << threeReadings << QList<QRect>{};
    QTest::newRow("the others' next columns out of reach")
        << stretches(21, 21) << threeReadings << threeReadings;
    QTest::newRow("far below the column")
        << QList<QRect>{QRect(20, 200, 8, 8)} << QList<QRect>{} << QList<QRect>{};
}

void TestPageLayout::rubyMarks() {
    QFETCH(QList<QRect>, others);
    QFETCH(QList<QRect>, expected);
    QFETCH(QList<QRect>, read);
    std::vector<QRect> pieces;
    for (int row = 0; row < 5; ++row)
        pieces.emplace_back(0, row * 20 + 1, 19, 18);
    pieces.insert(pieces.end(), others.begin(), others.end());
    const std::vector<QRect> marks = pagelayout::rubyMarks(pieces, 20);
    QCOMPARE(QList<QRect>(marks.begin(), marks.end()), expected);
    const std::vector<QRect> engine = pagelayout::rubyMarks(pieces, 20, Marks::TheEngineReads);
    QCOMPARE(QList<QRect>(engine.begin(), engine.end()), read);
}

void TestPageLayout::rubyPaintedOverKeepsOtherPieces_data() {
    // Working pixels of 2 picture pixels; a reading's piece at working x 10..13. What is left
    // of the ink at a picture column: beside the reading, within its working pixel of margin.
    QTest::addColumn<int>("x");
    QTest::addColumn<bool>("otherPiece"); // the ink there belongs to a piece of its own
    QTest::addColumn<bool>("inkLeft");
    QTest::newRow("the reading itself") << 22 << false << false;
    QTest::newRow("its soft edge, a picture pixel out") << 28 << false << false;
    QTest::newRow("its margin's last pixel") << 29 << false << false;
    QTest::newRow("beyond the margin") << 30 << false << true;
    QTest::newRow("a character's stroke within the margin") << 29 << true << true;
    QTest::newRow("a character's stroke at the reading's edge") << 18 << true << true;
}

void TestPageLayout::rubyPaintedOverKeepsOtherPieces() {
    QFETCH(int, x);
    QFETCH(bool, otherPiece);
    QFETCH(bool, inkLeft);
    QImage picture(80, 40, QImage::Format_Grayscale8);
    picture.fill(240);
    for (int y = 10; y < 30; ++y) {
        picture.scanLine(y)[x] = 20;
        for (int k = 20; k < 28; ++k)
            picture.scanLine(y)[k] = 20;
    }
    const QRect mark(10, 5, 4, 10);
    std::vector<QRect> others;
    if (otherPiece)
        others.emplace_back(x / 2, 5, 1, 10);
    const QImage cleared = rubyPaintedOver(picture, {mark}, others, 2, 240, 120);
    QCOMPARE(cleared.pixelColor(x, 20).red() < 200, inkLeft);
    QCOMPARE(cleared.pixelColor(24, 20).red(), 240);
}

void TestPageLayout::readingsLeaveTheMainText_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("ruby");
    QTest::addColumn<double>("linePitch");
    QTest::newRow("Gothic with readings") << QStringLiteral("Noto Sans CJK JP") << true << 1.8;
    QTest::newRow("Mincho with readings") << QStringLiteral("IPAMincho") << true << 1.8;
    QTest::newRow("held-out Mincho with readings")
        << QStringLiteral("Sawarabi Mincho") << true << 1.8;
    QTest::newRow("Gothic without readings") << QStringLiteral("IPAexGothic") << false << 1.8;
    QTest::newRow("Mincho without readings") << QStringLiteral("Noto Serif CJK JP") << false << 1.8;
    // Columns set so tightly that the readings all but touch the next column: every one goes.
    QTest::newRow("tight Gothic with readings")
        << QStringLiteral("Noto Sans CJK JP") << true << 1.55;
    QTest::newRow("tight Mincho with readings") << QStringLiteral("IPAMincho") << true << 1.6;
    QTest::newRow("tight Mincho without readings")
        << QStringLiteral("Noto Serif CJK JP") << false << 1.55;
}

void TestPageLayout::readingsLeaveTheMainText() {
    // Every column keeps its ink, and the lanes beside the columns lose theirs: no column or
    // character of the text is taken, and no reading is left.
    QFETCH(QString, family);
    QFETCH(bool, ruby);
    QFETCH(double, linePitch);
    const PictureRecipe recipe{Writing::Vertical, family, Part::Page, ruby, 0, 0, linePitch};
    const TextPage page = typeset(recipe);
    const QImage image = picture(recipe);
    const ReadingPlan plan = planReading(image);
    QCOMPARE(plan.direction, Direction::Vertical);
    QCOMPARE(plan.pictures.size(), 1);
    // The engine leaves out readings set close beside their column, and reads the column a
    // little worse without them: those stay for it. Every reading is found all the same.
    const PixPtr grey = toGreyPix(image);
    const Ink ink = inkOf(grey.get());
    const std::vector<QRect> all = pagelayout::rubyMarks(ink.pieces, ink.em);
    std::vector<QRect> others;
    for (const QRect& piece : ink.pieces)
        if (std::find(all.begin(), all.end(), piece) == all.end())
            others.push_back(piece);
    const QImage cleared = rubyPaintedOver(image, all, others, ink.scale, ink.paper, ink.threshold);
    const int em = 40;
    int lane = 0;
    int laneRead = 0; // what the engine is given
    for (const QRect& box : page.lineBoxes) {
        const QRect column(box.left(), box.top(), em, box.height());
        const int before = inkIn(image, column);
        QVERIFY(before > 0);
        for (const QImage& read : {plan.pictures.front(), cleared})
            QVERIFY2(inkIn(read, column) >= before * 999 / 1000,
                     qPrintable(QStringLiteral("column at %1").arg(box.left())));
        const QRect readings(box.left() + em + 2, box.top(), em / 2 - 4, box.height());
        lane += inkIn(cleared, readings);
        laneRead += inkIn(plan.pictures.front(), readings);
    }
    QCOMPARE(lane, 0);
    if (linePitch < 1.7)
        QCOMPARE(laneRead, 0);
    QCOMPARE(!all.empty(), ruby);
}

void TestPageLayout::oneBlockAcross_data() {
    // Pieces in a scale where a character is 20 pixels; each list one line's runs of ink.
    QTest::addColumn<QList<QRect>>("pieces");
    QTest::addColumn<bool>("expected");
    QTest::newRow("a line") << QList<QRect>{QRect(0, 0, 100, 20), QRect(110, 0, 90, 20)} << true;
    QTest::newRow("a gap of two characters")
        << QList<QRect>{QRect(0, 0, 100, 20), QRect(140, 0, 100, 20)} << true;
    QTest::newRow("two columns") << QList<QRect>{QRect(0, 0, 100, 20), QRect(141, 0, 100, 20)}
                                 << false;
    QTest::newRow("a gutter bridged by a heading")
        << QList<QRect>{QRect(0, 0, 100, 20), QRect(200, 0, 100, 20), QRect(50, 40, 200, 20)}
        << true;
    QTest::newRow("a gutter down the page")
        << QList<QRect>{QRect(0, 0, 100, 20), QRect(200, 0, 100, 20), QRect(0, 40, 100, 20),
                        QRect(200, 40, 100, 20)}
        << false;
    QTest::newRow("a long line over short ones")
        << QList<QRect>{QRect(0, 0, 300, 20), QRect(10, 40, 40, 20), QRect(260, 40, 40, 20)}
        << true;
    QTest::newRow("nothing") << QList<QRect>{} << false;
}

void TestPageLayout::oneBlockAcross() {
    QFETCH(QList<QRect>, pieces);
    QFETCH(bool, expected);
    Ink ink;
    ink.em = 20;
    ink.pieces.assign(pieces.begin(), pieces.end());
    QCOMPARE(pagelayout::oneBlockAcross(ink), expected);
}

void TestPageLayout::inkBesideText_data() {
    // Pieces of ink in a scale where a character is 20 pixels.
    QTest::addColumn<QList<QRect>>("pieces");
    QTest::addColumn<bool>("expected");
    const QList<QRect> line{QRect(0, 0, 20, 20), QRect(22, 0, 20, 20), QRect(44, 0, 18, 20)};
    QTest::newRow("characters") << line << false;
    QTest::newRow("a dash of two characters") << line + QList<QRect>{QRect(70, 8, 40, 3)} << false;
    QTest::newRow("a rule of four characters") << line + QList<QRect>{QRect(0, 30, 80, 2)} << false;
    QTest::newRow("a pixel longer") << line + QList<QRect>{QRect(0, 30, 81, 2)} << true;
    QTest::newRow("a vertical rule") << line + QList<QRect>{QRect(100, 0, 2, 81)} << true;
    QTest::newRow("a table's frame") << line + QList<QRect>{QRect(0, 40, 300, 200)} << true;
    QTest::newRow("a dark band") << line + QList<QRect>{QRect(0, 40, 300, 40)} << true;
    QTest::newRow("nothing") << QList<QRect>{} << false;
}

void TestPageLayout::inkBesideText() {
    QFETCH(QList<QRect>, pieces);
    QFETCH(bool, expected);
    Ink ink;
    ink.em = 20;
    ink.pieces.assign(pieces.begin(), pieces.end());
    QCOMPARE(pagelayout::inkBesideText(ink), expected);
}

// A horizontal page with a rule, a frame or a band gets white paper, its ink kept; a page of
// text alone, and a vertical one, keep their paper's grain.
void TestPageLayout::paperWhitenedBesideRules_data() {
    QTest::addColumn<int>("writing");
    QTest::addColumn<QRect>("frame"); // drawn in black outline; empty: none
    QTest::addColumn<bool>("whitened");
    const int h = int(Writing::Horizontal);
    QTest::newRow("text alone") << h << QRect() << false;
    QTest::newRow("a table's frame") << h << QRect(100, 1200, 1000, 400) << true;
    QTest::newRow("a rule under the text") << h << QRect(120, 1650, 1000, 0) << true;
    QTest::newRow("a vertical page with a frame")
        << int(Writing::Vertical) << QRect(60, 60, 1100, 1600) << false;
}

void TestPageLayout::paperWhitenedBesideRules() {
    QFETCH(int, writing);
    QFETCH(QRect, frame);
    QFETCH(bool, whitened);
    QImage page = picture({Writing(writing)}).convertToFormat(QImage::Format_Grayscale8);
    if (!frame.isNull()) {
        QPainter painter(&page);
        painter.setPen(QPen(QColor(30, 30, 30), 3));
        painter.drawRect(frame);
    }
    const ReadingPlan plan = planReading(page);
    QCOMPARE(plan.paperWhitened, whitened);
    const QImage& read = plan.pictures.front();
    // The grain of the paper (240 with noise) is white or kept; the ink stays dark either way.
    int white = 0, dark = 0;
    for (int y = 0; y < read.height(); ++y)
        for (int x = 0; x < read.width(); ++x) {
            const int grey = qGray(read.pixel(x, y));
            white += grey == 255;
            dark += grey < 100;
        }
    QCOMPARE(white > read.width() * read.height() / 2, whitened);
    QVERIFY(dark > 10000);
}

void TestPageLayout::pageCorners_data() {
    // A 1000 x 1400 picture: the desk's grey, the paper's, and the paper's four corners (none:
    // no paper drawn) as a photograph holds them.
    QTest::addColumn<int>("desk");
    QTest::addColumn<int>("paper");
    QTest::addColumn<QPolygonF>("corners");
    QTest::addColumn<bool>("found");
    QTest::addColumn<bool>("writingAround"); // light writing on the desk, as a dark screen has
    QTest::addColumn<double>("shadow"); // the light at the top, falling evenly to 1 at the bottom
    const QPolygonF keystone{QPointF(150, 120), QPointF(850, 140), QPointF(900, 1300),
                             QPointF(100, 1280)};
    QTest::newRow("a photograph, seen from below") << 50 << 235 << keystone << true << false << 1.0;
    QTest::newRow("a photograph, a lighter desk") << 165 << 235 << keystone << true << false << 1.0;
    QTest::newRow("a desk too light to tell") << 166 << 235 << keystone << false << false << 1.0;
    // Dimmer light over a grey desk: fewer grey levels between them, the same factor.
    QTest::newRow("a grey desk in dim light") << 100 << 165 << keystone << true << false << 1.0;
    QTest::newRow("a grey desk too near the paper's grey")
        << 110 << 170 << keystone << false << false << 1.0;
    QTest::newRow("a scan: paper to the edges")
        << 235 << 235 << QPolygonF() << false << false << 1.0;
    QTest::newRow("a small card on the desk")
        << 50 << 235
        << QPolygonF{QPointF(400, 500), QPointF(650, 500), QPointF(650, 900), QPointF(400, 900)}
        << false << false << 1.0;
    QTest::newRow("a dark strip along one edge only")
        << 50 << 235
        << QPolygonF{QPointF(60, -10), QPointF(1010, -10), QPointF(1010, 1410), QPointF(60, 1410)}
        << false << false << 1.0;
    const QPolygonF square{QPointF(150, 120), QPointF(850, 120), QPointF(850, 1280),
                           QPointF(150, 1280)};
    QTest::newRow("a page square to the picture on a bare desk")
        << 50 << 235 << square << true << false << 1.0;
    QTest::newRow("a dark screen's light panel, writing around it")
        << 30 << 235 << square << false << true << 1.0;
    QTest::newRow("a photograph, something light on the desk")
        << 50 << 235 << keystone << true << true << 1.0;
    QTest::newRow("a panel a pixel out of square, writing around it")
        << 30 << 235
        << QPolygonF{QPointF(150, 120), QPointF(850, 128), QPointF(850, 1280), QPointF(150, 1280)}
        << true << true << 1.0;
    // A shadow across desk and page alike: the page still stands out from the desk beside it.
    QTest::newRow("a photograph half in shadow") << 110 << 235 << keystone << true << false << 0.4;
    QTest::newRow("a scan half in shadow") << 235 << 235 << QPolygonF() << false << false << 0.4;
}

void TestPageLayout::pageCorners() {
    QFETCH(int, desk);
    QFETCH(int, paper);
    QFETCH(QPolygonF, corners);
    QFETCH(bool, found);
    QFETCH(bool, writingAround);
    QFETCH(double, shadow);
    QImage photo(1000, 1400, QImage::Format_Grayscale8);
    photo.fill(desk);
    if (writingAround) {
        QPainter painter(&photo);
        painter.setPen(QColor(220, 220, 220));
        painter.setFont(QFont(QStringLiteral("Noto Sans CJK JP"), 14));
        painter.drawText(QRect(20, 300, 110, 800), Qt::TextWordWrap,
                         QStringLiteral("ファイル 編集 表示 移動 実行 端末 ヘルプ 検索 設定 "
                                        "拡張 機能 出力 問題 一覧 履歴"));
    }
    if (!corners.isEmpty()) {
        QPainter painter(&photo);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(paper, paper, paper));
        painter.drawPolygon(corners);
        painter.setPen(Qt::black);
        painter.setFont(QFont(QStringLiteral("Noto Sans CJK JP"), 40));
        painter.drawText(QRect(300, 400, 400, 600), Qt::TextWordWrap,
                         QStringLiteral("写真に写った本の頁の文字"));
        // A stroke right at the middle of the picture, where the search for the paper begins.
        painter.fillRect(485, 685, 30, 30, Qt::black);
    }
    for (int y = 0; y < photo.height(); ++y) {
        uchar* line = photo.scanLine(y);
        const double light = shadow + (1 - shadow) * y / (photo.height() - 1);
        for (int x = 0; x < photo.width(); ++x)
            line[x] = uchar(std::lround(line[x] * light));
    }
    const std::optional<QPolygonF> seen = pagelayout::pageCorners(photo);
    QCOMPARE(seen.has_value(), found);
    if (!found)
        return;
    for (int k = 0; k < 4; ++k)
        QVERIFY2(QLineF((*seen)[k], corners[k]).length() < 8,
                 qPrintable(QStringLiteral("corner %1 at %2,%3")
                                .arg(k)
                                .arg((*seen)[k].x())
                                .arg((*seen)[k].y())));
    // Drawn flat, the corners go to the flat page's corners.
    const pagelayout::FlatPage flat = pagelayout::flattened(photo, *seen);
    QVERIFY(QLineF(flat.flattening.map((*seen)[2]),
                   QPointF(flat.picture.width(), flat.picture.height()))
                .length() < 2);
    QVERIFY(std::abs(flat.picture.height() - 1160) < 20);
}

void TestPageLayout::runningHeadsOf_data() {
    // Columns of a vertical page in a scale where a character is 20 pixels: ten columns across,
    // each 20 wide, in bands of the given tops and heights.
    QTest::addColumn<QList<QRect>>("pieces");
    QTest::addColumn<int>("heads"); // running heads and page numbers
    const auto columns = [](int top, int height, int count = 10) {
        QList<QRect> out;
        for (int x = 0; x < count; ++x)
            out << QRect(x * 30, top, 20, height);
        return out;
    };
    QTest::newRow("two tiers") << columns(0, 200) + columns(260, 200) << 0;
    QTest::newRow("three tiers") << columns(0, 120) + columns(180, 120) + columns(360, 120) << 0;
    QTest::newRow("a gap of a character and a fifth") << columns(0, 200) + columns(223, 200) << 0;
    QTest::newRow("a gap a pixel wider") << columns(0, 200) + columns(224, 200) << 0;
    QTest::newRow("one column runs on")
        << columns(0, 200) + columns(260, 200) + QList<QRect>{QRect(300, 150, 20, 200)} << 0;
    QTest::newRow("a running head and a page number over one tier")
        << QList<QRect>{QRect(0, 0, 280, 15)} + columns(60, 400) +
               QList<QRect>{QRect(130, 520, 30, 15)}
        << 2;
    QTest::newRow("two tiers under a running head")
        << QList<QRect>{QRect(0, 0, 280, 15)} + columns(60, 200) + columns(320, 200) << 1;
    QTest::newRow("a head 1.6 characters tall")
        << QList<QRect>{QRect(0, 0, 280, 32)} + columns(70, 400) << 1;
    QTest::newRow("a heading a pixel taller")
        << QList<QRect>{QRect(0, 0, 280, 33)} + columns(70, 400) << 0;
    QTest::newRow("a crop of a few characters") << columns(0, 80) + columns(140, 80) << 0;
    QTest::newRow("a line under a crop of a few characters")
        << columns(0, 80) + QList<QRect>{QRect(0, 120, 280, 15)} << 0;
    QTest::newRow("two narrow blocks") << columns(0, 200, 3) + columns(260, 200, 3) << 0;
    QTest::newRow("nothing") << QList<QRect>{} << 0;
}

void TestPageLayout::runningHeadsOf() {
    QFETCH(QList<QRect>, pieces);
    QFETCH(int, heads);
    Ink ink;
    ink.em = 20;
    ink.pieces.assign(pieces.begin(), pieces.end());
    QCOMPARE(int(pagelayout::runningHeadsOf(ink).size()), heads);
}

void TestPageLayout::planOfATwoTierPage() {
    // Two vertical tiers of the same prose, the upper one set on the right of what is read.
    workspace::PageStyle style;
    style.writing = workspace::Writing::Vertical;
    style.size = QSize(1748, 1000);
    style.margins = QMargins(170, 0, 170, 0);
    const workspace::TextPage tier =
        workspace::textPage(workspace::japaneseProse().mid(0, 6), style);
    QImage page(1748, 2480, QImage::Format_Grayscale8);
    page.fill(255);
    QPainter painter(&page);
    painter.drawImage(0, 200, tier.image);
    painter.drawImage(0, 1280, tier.image);
    painter.end();
    QImage headed = page;
    painter.begin(&headed);
    QFont small(QStringLiteral("Noto Sans CJK JP"));
    small.setPixelSize(34);
    painter.setFont(small);
    painter.drawText(QPoint(760, 110), QStringLiteral("第一章　春"));
    painter.drawText(QPoint(850, 2420), QStringLiteral("１２"));
    painter.end();
    const ReadingPlan plan = planReading(page);
    QCOMPARE(plan.direction, Direction::Vertical);
    // Each tier is a text region of its own, the upper one first, each read as vertical text.
    QCOMPARE(int(plan.regions.size()), 2);
    const RegionPart& upper = plan.regions[0];
    const RegionPart& lower = plan.regions[1];
    QVERIFY(upper.at.y() + upper.picture.height() < 1280 && lower.at.y() > 1200);
    QVERIFY(upper.at.y() + upper.picture.height() > 1100);
    QCOMPARE(upper.direction, Direction::Vertical);
    QCOMPARE(lower.direction, Direction::Vertical);
    // The region is the prepared picture's own pixels there.
    QCOMPARE(upper.picture, plan.pictures.front().copy(QRect(upper.at, upper.picture.size())));
    // One tier alone is read as it is.
    QVERIFY(planReading(tier.image).regions.empty());
    // A running head and a page number are taken off, or kept in their place: first and last.
    const ReadingPlan leftOut = planReading(headed);
    QCOMPARE(leftOut.runningHeadsErased, 2);
    QCOMPARE(int(leftOut.regions.size()), 2);
    const ReadingPlan kept = planReading(headed, Ruby::PaintedOver, RunningHeads::Kept);
    QCOMPARE(kept.runningHeadsErased, 0);
    QCOMPARE(int(kept.regions.size()), 4);
    QVERIFY(kept.regions.front().at.y() < 110);
    QVERIFY(kept.regions.back().at.y() > 2300);
    // The ink separated beforehand makes the same plan.
    std::optional<SeparatedInk> ink = separatedInk(headed);
    QVERIFY(ink);
    const ReadingPlan shared =
        planReading(headed, std::move(*ink), Ruby::PaintedOver, RunningHeads::LeftOut);
    QCOMPARE(shared.notes, leftOut.notes);
    QCOMPARE(shared.pictures, leftOut.pictures);
    QCOMPARE(shared.regions.size(), leftOut.regions.size());
}

void TestPageLayout::foldBand_data() {
    // In a scale where a character is 20 pixels: horizontal lines 20 high at a pitch of 35 from
    // the top down to `height`, each one piece; vertical columns of characters at a pitch of 35.
    QTest::addColumn<QList<QRect>>("pieces");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QPoint>("band"); // first and last-but-one column of the band; none: (0, 0)
    const auto lines = [](int left, int width, int height = 335) {
        QList<QRect> out;
        for (int y = 0; y + 20 <= height; y += 35)
            out << QRect(left, y, width, 20);
        return out;
    };
    const auto columns = [](int left, int width) {
        QList<QRect> out;
        for (int x = left; x + 20 <= left + width; x += 35)
            for (int y = 0; y + 20 <= 335; y += 22)
                out << QRect(x, y, 20, 20);
        return out;
    };
    const QSize sheet(700, 400);
    QTest::newRow("a horizontal spread")
        << lines(0, 300) + lines(400, 300) << sheet << QPoint(300, 400);
    QTest::newRow("a band four characters wide")
        << lines(0, 300) + lines(380, 300) << sheet << QPoint(300, 380);
    QTest::newRow("a pixel narrower: a page's columns")
        << lines(0, 300) + lines(379, 300) << sheet << QPoint();
    QTest::newRow("a vertical spread")
        << columns(0, 300) + columns(400, 300) << sheet << QPoint(300, 400);
    QTest::newRow("the fold's shadow in the band")
        << lines(0, 300) + lines(400, 300) + QList<QRect>{QRect(330, 0, 40, 400)} << sheet
        << QPoint(300, 400);
    QTest::newRow("pages of two columns: the widest band in the middle")
        << lines(0, 140) + lines(180, 140) + lines(420, 140) + lines(600, 140) << QSize(760, 400)
        << QPoint(320, 420);
    QTest::newRow("a picture as tall as wide")
        << lines(0, 300) + lines(400, 300) << QSize(700, 700) << QPoint();
    QTest::newRow("the band off the middle third")
        << lines(0, 200) + lines(300, 800) << QSize(1100, 400) << QPoint();
    QTest::newRow("the band's middle just inside it")
        << lines(0, 200) + lines(300, 500) << QSize(750, 400) << QPoint(200, 300);
    QTest::newRow("the band's middle at two thirds")
        << lines(0, 450) + lines(550, 200) << QSize(750, 400) << QPoint(450, 550);
    QTest::newRow("two bands in the middle: the wider")
        << lines(0, 300) + lines(390, 170) + lines(660, 300) << QSize(960, 400) << QPoint(560, 660);
    QTest::newRow("two bands in the middle: the wider first")
        << lines(0, 300) + lines(400, 160) + lines(650, 300) << QSize(950, 400) << QPoint(300, 400);
    QTest::newRow("a crop of a few lines")
        << lines(0, 300, 230) + lines(400, 300, 230) << sheet << QPoint();
    QTest::newRow("a half too narrow for a page")
        << lines(0, 300) + lines(400, 159) << sheet << QPoint();
    QTest::newRow("nothing") << QList<QRect>{} << sheet << QPoint();
}

void TestPageLayout::foldBand() {
    QFETCH(QList<QRect>, pieces);
    QFETCH(QSize, picture);
    QFETCH(QPoint, band);
    Ink ink;
    ink.em = 20;
    ink.binary.reset(pixCreate(picture.width(), picture.height(), 1));
    ink.pieces.assign(pieces.begin(), pieces.end());
    const std::optional<std::pair<int, int>> found = pagelayout::foldBand(ink);
    QCOMPARE(found.value_or(std::pair<int, int>()), std::make_pair(band.x(), band.y()));
}

void TestPageLayout::planOfASpread() {
    // Two horizontal A6 pages side by side, the fold's shadow between them dark enough to be ink
    // down the whole page, as a book lies open on the glass.
    PageStyle style;
    style.size = QSize(1240, 1748);
    style.margins = QMargins(150, 150, 150, 150);
    const TextPage left = workspace::textPage(workspace::japaneseProse(), style);
    const TextPage right =
        workspace::textPage(workspace::japaneseProse().mid(left.paragraphsSet), style);
    const auto spread = [](const QImage& leftPage, const QImage& rightPage) {
        QImage sheet(2480, 1748, QImage::Format_Grayscale8);
        QPainter painter(&sheet);
        painter.drawImage(0, 0, leftPage);
        painter.drawImage(1240, 0, rightPage);
        for (int x = 1190; x < 1290; ++x)
            painter.fillRect(x, 0, 1, 1748, QColor::fromHsv(0, 0, 40 + 4 * std::abs(x - 1240)));
        painter.end();
        ScanStyle scan;
        scan.blurSigma = 0.8;
        scan.noiseSigma = 6;
        scan.paper = 240;
        scan.ink = 30;
        return workspace::scanned(sheet, scan);
    };
    const ReadingPlan plan = planReading(spread(left.image, right.image));
    QCOMPARE(plan.direction, Direction::Horizontal);
    // The text regions of the pages, the left page's before the right page's, none across the
    // fold; the same spread set vertically is read from its right page.
    const auto readsPagesInOrder = [](const ReadingPlan& plan, bool rightFirst) {
        if (plan.regions.size() < 2)
            return false;
        bool onSecondPage = false;
        for (const RegionPart& region : plan.regions) {
            const QRect box(region.at, region.picture.size());
            if (box.left() < 1240 && box.right() > 1240)
                return false;
            const bool onRight = box.left() >= 1240;
            if (onRight != rightFirst)
                onSecondPage = true;
            else if (onSecondPage)
                return false;
        }
        return onSecondPage;
    };
    QVERIFY(readsPagesInOrder(plan, false));
    style.writing = Writing::Vertical;
    const TextPage vertical = workspace::textPage(workspace::japaneseProse(), style);
    const QImage verticalSpread = spread(vertical.image, vertical.image);
    const ReadingPlan verticalPlan = planReading(verticalSpread);
    QCOMPARE(verticalPlan.direction, Direction::Vertical);
    QVERIFY(readsPagesInOrder(verticalPlan, true));

    // Parted at the fold into its pages, either way, the shadow gone from both.
    for (const QImage& sheet : {spread(left.image, right.image), verticalSpread}) {
        const std::optional<SpreadHalves> halves = spreadHalves(sheet);
        QVERIFY(halves);
        QVERIFY2(halves->fold > 1190 && halves->fold < 1290,
                 qPrintable(QString::number(halves->fold)));
        QCOMPARE(halves->left.size(), QSize(halves->fold, 1748));
        QCOMPARE(halves->right.size(), QSize(2480 - halves->fold, 1748));
        QCOMPARE(halves->left.dotsPerMeterX(), sheet.dotsPerMeterX());
        QCOMPARE(inkIn(halves->left, QRect(1160, 0, 80, 1748)), 0);
        QCOMPARE(inkIn(halves->right, QRect(0, 0, 1290 - halves->fold + 10, 1748)), 0);
        QVERIFY(inkIn(halves->left, QRect(150, 150, 940, 1400)) > 10000);
        QVERIFY(inkIn(halves->right, QRect(1390 - halves->fold, 150, 940, 1400)) > 10000);
        // The characters beside the band keep their ink.
        QVERIFY(inkIn(halves->left, QRect(1050, 150, 40, 1400)) > 1000);
        QVERIFY(inkIn(halves->right, QRect(1390 - halves->fold, 150, 40, 1400)) > 1000);
        // The ink separated beforehand parts it alike.
        const std::optional<SeparatedInk> ink = separatedInk(sheet);
        QVERIFY(ink);
        const std::optional<SpreadHalves> again = spreadHalves(sheet, ink->ink);
        QVERIFY(again && again->fold == halves->fold && again->right == halves->right);
    }
    // One page alone is no spread.
    QVERIFY(!spreadHalves(left.image));
}

void TestPageLayout::enoughTextToOrient_data() {
    QTest::addColumn<QImage>("image");
    QTest::addColumn<bool>("enough");
    const Writing h = Writing::Horizontal;
    const Writing v = Writing::Vertical;
    const QString sans = QStringLiteral("Noto Sans CJK JP");
    QTest::newRow("a page") << picture({h, sans, Part::Page}) << true;
    QTest::newRow("a vertical page laid a quarter clockwise")
        << picture({v, sans, Part::Page, false, 0, 0, 1.8, 1}) << true;
    QTest::newRow("five lines upside down")
        << picture({h, sans, Part::Paragraph, false, 0, 0, 1.8, 2}) << true;
    // Cut-outs the detection cannot be trusted with, whichever way they lie.
    QTest::newRow("two lines laid a quarter clockwise")
        << picture({h, sans, Part::TwoLines, false, 0, 0, 1.8, 1}) << false;
    QTest::newRow("a line") << picture({h, sans, Part::Line}) << false;
    QTest::newRow("a column laid a quarter anticlockwise")
        << picture({v, sans, Part::Line, false, 0, 0, 1.8, 3}) << false;
    QTest::newRow("a few characters") << picture({h, sans, Part::Characters}) << false;
    QImage blank(800, 800, QImage::Format_Grayscale8);
    blank.fill(240);
    QTest::newRow("blank paper") << blank << false;
}

void TestPageLayout::enoughTextToOrient() {
    QFETCH(QImage, image);
    QFETCH(bool, enough);
    QCOMPARE(pagelayout::enoughTextToOrient(image), enough);
}

void TestPageLayout::holdsText_data() {
    QTest::addColumn<QImage>("image");
    QTest::addColumn<bool>("text");
    const Writing h = Writing::Horizontal;
    const Writing v = Writing::Vertical;
    const QString sans = QStringLiteral("Noto Sans CJK JP");
    // Grains smaller than any character.
    QTest::newRow("uniform noise") << noise(kA4At150, 1) << false;
    QTest::newRow("grey noise") << noise(kA4At150, 2, 128, 20) << false;
    // Declaring nothing, the page is halved: the grains run together into ink everywhere.
    QTest::newRow("uniform noise, halved") << noise(kA4At150, 3, 0, 0, 3780) << false;
    // Halved, grey noise keeps pieces of a character's size among a field of grains.
    QTest::newRow("grey noise, halved") << noise(kA4At150, 4, 128, 40, 3780) << false;
    QTest::newRow("blank paper") << noise(kA4At150, 5, 240, 6) << false;
    QTest::newRow("paper with a speck") << paperWith({6}, 6) << false;
    // Large enough to count as ink, but alone: a blot, no text.
    QTest::newRow("paper with a blot") << paperWith({70}, 7) << false;
    // Two pieces are the least a text holds: a pair of characters.
    QTest::newRow("paper with two blots") << paperWith({70, 70}, 8) << true;
    QTest::newRow("a page") << picture({h, sans, Part::Page}) << true;
    QTest::newRow("a vertical page") << picture({v, sans, Part::Page}) << true;
    QTest::newRow("a line") << picture({h, sans, Part::Line}) << true;
    QTest::newRow("a few characters") << picture({v, sans, Part::Characters}) << true;
}

// Noise, blank paper and a lone blot hold no text, and their plan leaves them as they are,
// horizontal and not one block, whatever their ink looked like; pages and cut-outs keep theirs.
void TestPageLayout::holdsText() {
    QFETCH(QImage, image);
    QFETCH(bool, text);
    const PixPtr grey = toGreyPix(image);
    const Ink ink = inkOf(grey.get());
    const InkFigures f = inkFigures(ink);
    QVERIFY2(
        pagelayout::holdsText(ink) == text,
        qPrintable(QStringLiteral("em %1 px, coverage %2, %3 pieces, paper in %4 of the squares")
                       .arg(f.em)
                       .arg(f.coverage)
                       .arg(f.pieces)
                       .arg(f.paperShare)));
    const ReadingPlan plan = planReading(image);
    QCOMPARE(plan.textFound, text);
    if (text)
        return;
    QCOMPARE(plan.direction, Direction::Horizontal);
    QVERIFY(!plan.oneBlock);
    QCOMPARE(plan.skewDegrees, 0.0);
    QCOMPARE(plan.pictures.size(), 1);
    QCOMPARE(plan.pictures.front(), image);
    QCOMPARE(plan.dotsPerInch,
             image.dotsPerMeterY() == kDpm150 ? std::optional<int>(150) : std::optional<int>());
    QVERIFY(!pagelayout::enoughTextToOrient(image));
}

void TestPageLayout::textFoundByFigures_data() {
    QTest::addColumn<double>("em"); // picture pixels
    QTest::addColumn<double>("coverage");
    QTest::addColumn<int>("pieces");
    QTest::addColumn<double>("paperShare");
    QTest::addColumn<bool>("text");
    QTest::newRow("a page") << 40.0 << 0.1 << 1200 << 0.5 << true;
    QTest::newRow("characters of ten pixels") << 10.0 << 0.1 << 300 << 0.5 << true;
    QTest::newRow("grains of nine") << 9.0 << 0.1 << 300 << 0.5 << false;
    QTest::newRow("ink on 0.6 of the picture") << 40.0 << 0.6 << 300 << 0.5 << true;
    QTest::newRow("ink on more") << 40.0 << 0.61 << 300 << 0.5 << false;
    QTest::newRow("two pieces") << 40.0 << 0.01 << 2 << 0.9 << true;
    QTest::newRow("one piece") << 40.0 << 0.01 << 1 << 0.9 << false;
    QTest::newRow("paper in 0.05 of the squares") << 40.0 << 0.3 << 400 << 0.05 << true;
    QTest::newRow("paper in fewer") << 40.0 << 0.3 << 400 << 0.049 << false;
    QTest::newRow("fewer pieces, no paper") << 40.0 << 0.3 << 399 << 0.0 << true;
    QTest::newRow("no ink") << 0.0 << 0.0 << 0 << 1.0 << false;
}

void TestPageLayout::textFoundByFigures() {
    QFETCH(double, em);
    QFETCH(double, coverage);
    QFETCH(int, pieces);
    QFETCH(double, paperShare);
    QFETCH(bool, text);
    QCOMPARE(pagelayout::holdsText(InkFigures{em, coverage, pieces, paperShare}), text);
}

void TestPageLayout::planOfASlantedBookPage() {
    // The whole chain on a vertical page with readings, slanted 2°, saved as JPEG at 300 dpi.
    QImage image =
        picture({Writing::Vertical, QStringLiteral("Noto Serif CJK JP"), Part::Page, true, 2, 85});
    QCOMPARE(image.dotsPerMeterY(), kDpm300);
    const ReadingPlan plan = planReading(image);
    QCOMPARE(plan.direction, Direction::Vertical);
    QVERIFY2(std::abs(plan.skewDegrees + 2) <= 0.1, qPrintable(QString::number(plan.skewDegrees)));
    QVERIFY(plan.rubyErased > 0);
    QCOMPARE(plan.dotsPerInch, std::optional<int>(300));
    QCOMPARE(plan.pictures.size(), 1);
    QCOMPARE(plan.pictures.front().size(), image.size());
    // A picture that declares nothing is left to the engine to measure.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    QCOMPARE(planReading(image).dotsPerInch, std::optional<int>());
}

void TestPageLayout::libraryMessages_data() {
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QString>("failure"); // how the reason goes on; "" when the plan stands
    // A cut-out of a dash: the skew search finds its best score at the edge of its range and
    // warns.
    QImage dash(20, 4, QImage::Format_Grayscale8);
    dash.fill(255);
    QPainter(&dash).fillRect(1, 1, 18, 2, Qt::black);
    QTest::newRow("a dash: a warning, the plan stands") << dash << QString();
    QTest::newRow("too wide: the library's error is the reason")
        << tooWideForTheLibrary() << QStringLiteral(": Error in pixCreate");
    // A dark strip down one side of a page whose width is no whole number of the light map's
    // squares: the library cannot fill that map and says so. The light is then left as it is.
    QImage strip(1010, 1400, QImage::Format_Grayscale8);
    for (int y = 0; y < strip.height(); ++y) // paper in uneven light, as a photo has it
        std::fill_n(strip.scanLine(y), strip.width(), uchar(170 + 70 * y / strip.height()));
    QPainter(&strip).fillRect(0, 0, 39, 1400, QColor(40, 40, 40));
    QTest::newRow("a light map the library cannot fill: the plan stands") << strip << QString();
}

// Standard error stays clean either way; a failed plan holds the picture as it came.
void TestPageLayout::libraryMessages() {
    QFETCH(QImage, image);
    QFETCH(QString, failure);
    ReadingPlan plan;
    const QByteArray printed = standardErrorOf([&] { plan = planReading(image); });
    QVERIFY2(printed.isEmpty(), printed.constData());
    QVERIFY2(failure.isEmpty() ? plan.failure.isEmpty() : plan.failure.contains(failure),
             qPrintable(plan.failure));
    QCOMPARE(plan.pictures.size(), 1);
    QCOMPARE(plan.pictures.front().size(), image.size());
    if (!failure.isEmpty()) {
        QCOMPARE(plan.direction, Direction::Horizontal);
        QCOMPARE(plan.skewDegrees, 0.0);
    }
}

// An error on another thread, or inside a plan, is not this collector's, and is printed
// nowhere.
void TestPageLayout::libraryErrorsStayOnTheirThread() {
    const QImage wide = tooWideForTheLibrary();
    const LibraryMessages here;
    bool refused = false;
    const QByteArray printed = standardErrorOf([&] {
        std::thread other([&] { refused = !toGreyPix(wide); });
        other.join();
    });
    QVERIFY(refused);
    QVERIFY2(printed.isEmpty(), printed.constData());
    QVERIFY(here.errors().isEmpty());
    // The plan's own collector takes its errors, and gives this one back its thread after.
    QVERIFY(!planReading(wide).failure.isEmpty());
    QVERIFY(here.errors().isEmpty());
    QVERIFY(!toGreyPix(wide));
    QVERIFY(!here.errors().isEmpty());
}

QTEST_MAIN(TestPageLayout)
#include "test_pagelayout.moc"
