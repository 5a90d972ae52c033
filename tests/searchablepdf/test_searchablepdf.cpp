// The searchable PDF end to end: three pages drawn here (horizontal Japanese as a JPEG file,
// vertical Japanese, Latin words), each read by the engine and saved as the folder batch saves
// a result, written into one PDF and read back with Poppler's own tools. Also the rules of the
// text layer on lines made by hand, and the pictures going in without loss.

#include "boxplaces.h"
#include "characters.h"
#include "cleanup.h"
#include "doubt.h"
#include "enginelayout.h"
#include "failure.h"
#include "linesfile.h"
#include "pdfwriter.h"
#include "reading.h"
#include "textfiles.h"
#include "textlayer.h"
#include "textmeasures.h"
#include "textpicture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <poppler-qt6.h>
#include <tesseract/baseapi.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace quillpix;
using searchablepdf::Direction;
using searchablepdf::Line;
using searchablepdf::Page;
using searchablepdf::Symbol;
using testing::spacedJapanese;
using testing::withoutSpace;
using textplacing::Glyph;
using textplacing::Run;

Q_DECLARE_METATYPE(quillpix::searchablepdf::Line)
Q_DECLARE_METATYPE(quillpix::searchablepdf::Page)
Q_DECLARE_METATYPE(quillpix::enginelayout::KeptLines)

namespace {

constexpr double kDpi = 150;
constexpr int kDotsPerMeter = 5906; // 150 dpi

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString pdfToText(const QString& pdf, int page) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                   QString::number(page), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf,
                   QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

struct Recognised {
    QList<Line> lines;
    QString utf8;
};

Recognised recognise(const QImage& picture, const char* language, tesseract::PageSegMode mode) {
    tesseract::TessBaseAPI api;
    if (api.Init(nullptr, language) != 0)
        return {};
    api.SetVariable("debug_file", "/dev/null");
    api.SetPageSegMode(mode);
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    api.SetImage(rgb.constBits(), rgb.width(), rgb.height(), 3, int(rgb.bytesPerLine()));
    api.SetSourceResolution(int(kDpi));
    if (api.Recognize(nullptr) != 0)
        return {};
    Recognised out;
    out.lines = enginelayout::recognisedLines(api);
    const std::unique_ptr<char[]> text(api.GetUTF8Text());
    out.utf8 = QString::fromUtf8(text.get());
    return out;
}

// What the folder batch saves for a page and the window shows again: the engine's UTF-8 text
// through the one pipeline into the saved result's bytes, read back from the file.
QString savedResult(const QString& engineText, const QString& folder, const QString& name) {
    const pipeline::Reading reading = pipeline::readOutput({true, engineText.toUtf8(), false, {}});
    const QString path = textfiles::savedResultPath(folder, name);
    textfiles::writeBytes(reading.savedBytes(), path);
    return textfiles::readSavedResult(path);
}

// A picture of few lines, with the lines of its text and where a searched word lies on it.
struct DrawnPage {
    QImage picture;
    QStringList lines;
    QString word;
    QRect wordBox;
};

const workspace::LineLayout kHorizontal{40, 80, 90};
const workspace::ColumnLayout kColumns{56, 100, 40, 760};

DrawnPage horizontalPage() {
    DrawnPage page;
    page.lines = {QStringLiteral("日本語の文章を読み取ります。"),
                  QStringLiteral("検索できる文書を作りましょう。"),
                  QStringLiteral("画像の上に見えない文字を置きます。")};
    page.picture = workspace::linesPicture(page.lines, QSize(900, 330), 48, kHorizontal);
    page.word = QStringLiteral("見えない");
    page.wordBox = workspace::linesPictureBox(page.lines, 48, kHorizontal, 2, 5, 4);
    return page;
}

DrawnPage verticalPage() {
    DrawnPage page;
    page.lines = {QStringLiteral("縦書きの文章です。"), QStringLiteral("右の列から読みます。"),
                  QStringLiteral("列は左へ進みます。"), QStringLiteral("最後の列は短い。")};
    page.picture = workspace::columnsPicture(page.lines, QSize(820, 680), 48, kColumns);
    page.word = QStringLiteral("列から読");
    page.wordBox = workspace::columnsPictureBox(kColumns, 1, 2, 4);
    return page;
}

DrawnPage latinPage() {
    DrawnPage page;
    page.lines = {QStringLiteral("Quillpix reads scanned pages."),
                  QStringLiteral("Search and copy the text."),
                  QStringLiteral("Every word keeps its place.")};
    // Thresholded, as a scanner set to black and white gives it: a one-bit picture.
    page.picture = workspace::linesPicture(page.lines, QSize(900, 330), 44, kHorizontal)
                       .convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    return page;
}

QByteArray jpegOf(const QImage& picture) {
    QImage image = picture;
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

QRectF toPixels(const QRectF& points) {
    const double k = kDpi / 72;
    return QRectF(points.x() * k, points.y() * k, points.width() * k, points.height() * k);
}

// A line of the engine's: symbols of one character each, with the boxes given, or with none
// where the layer ignores them.
Line line(Direction direction, QRect box, const QStringList& symbols,
          const QList<QRect>& boxes = {}) {
    Line out{direction, box, {}};
    for (qsizetype i = 0; i < symbols.size(); ++i)
        out.symbols.append({symbols[i], boxes.value(i), i == 0});
    return out;
}

// Boxes side by side on a line from y 0 to 20: one per width, a gap where a width is negative.
QList<QRect> across(const QList<int>& widths) {
    QList<QRect> boxes;
    int x = 0;
    for (int width : widths) {
        if (width > 0)
            boxes.append(QRect(x, 0, width, 20));
        x += std::abs(width);
    }
    return boxes;
}

// "H 0,20 size 20: a 10|b 10" for a run: its direction, origin and size, then each glyph's
// text and advance, to a tenth of a pixel.
QStringList describe(const QList<Run>& runs) {
    QStringList out;
    for (const Run& run : runs) {
        QStringList glyphs;
        for (const Glyph& glyph : run.glyphs)
            glyphs << glyph.text + u' ' + QString::number(std::round(glyph.advance * 10) / 10);
        out << QStringLiteral("%1 %2,%3 size %4: %5")
                   .arg(run.direction == Direction::Vertical ? QStringLiteral("V")
                                                             : QStringLiteral("H"))
                   .arg(run.origin.x())
                   .arg(run.origin.y())
                   .arg(run.size)
                   .arg(glyphs.join(u'|'));
    }
    return out;
}

// The JPEG with an orientation tag (EXIF, 1 to 8) after its JFIF header.
QByteArray withOrientation(const QByteArray& jpeg, int orientation) {
    const int app0 = 2 + (uchar(jpeg[4]) << 8 | uchar(jpeg[5]));
    QByteArray exif("\xFF\xE1\x00\x22"
                    "Exif\x00\x00"
                    "MM\x00\x2A\x00\x00\x00\x08"
                    "\x00\x01"
                    "\x01\x12\x00\x03\x00\x00\x00\x01",
                    28);
    exif += char(0);
    exif += char(orientation);
    exif += QByteArray(6, '\0'); // padding, no next directory
    return jpeg.left(2 + app0) + exif + jpeg.mid(2 + app0);
}

// The centre of the dark pixels.
QPointF darkCentre(const QImage& image) {
    double x = 0;
    double y = 0;
    int n = 0;
    for (int row = 0; row < image.height(); ++row)
        for (int column = 0; column < image.width(); ++column)
            if (qGray(image.pixel(column, row)) < 128) {
                x += column;
                y += row;
                ++n;
            }
    return n ? QPointF(x / n, y / n) : QPointF(-1, -1);
}

QString runTool(const QString& program, const QStringList& arguments, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestSearchablePdf : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void foldForMatching_data();
    void foldForMatching();
    void foldFollowsTheCleanup_data();
    void foldFollowsTheCleanup();
    void matchToEngine_data();
    void matchToEngine();
    void placeCharacters_data();
    void placeCharacters();
    void markDoubtful_data();
    void markDoubtful();
    void layText_data();
    void layText();

    void pdftotextGivesTheSavedText_data();
    void pdftotextGivesTheSavedText();
    void verticalColumnsReadRightToLeft();
    void searchFindsTheWordWhereItIs_data();
    void searchFindsTheWordWhereItIs();
    void jpegDataIsPassedThrough();
    void pagesKeepTheirResolution();

    void picturesGoInWithoutLoss_data();
    void picturesGoInWithoutLoss();
    void jpegOrientationIsShown_data();
    void jpegOrientationIsShown();
    void resolution_data();
    void resolution();
    void aFailedWriteLeavesTheOldFile_data();
    void aFailedWriteLeavesTheOldFile();
    void collectorGathersEveryPage();
    void boxPlacesFollowEdits_data();
    void boxPlacesFollowEdits();
    void boxPlacesWalkAndPoint();
    void boxPlacesKeptBesideTheResult_data();
    void boxPlacesKeptBesideTheResult();
    void keptLinesReadBack_data();
    void keptLinesReadBack();

private:
    QTemporaryDir m_dir;
    QString m_pdf;
    QList<DrawnPage> m_drawn;
    QList<Page> m_pages;
    QByteArray m_jpeg;
};

void TestSearchablePdf::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_drawn = {horizontalPage(), verticalPage(), latinPage()};
    m_jpeg = jpegOf(m_drawn[0].picture);
    const QImage fromJpeg = QImage::fromData(m_jpeg, "JPG");
    QVERIFY(!fromJpeg.isNull());

    struct Reading {
        QImage picture;
        const char* language;
        tesseract::PageSegMode mode;
    };
    const QList<Reading> readings = {
        {fromJpeg, "jpn", tesseract::PSM_AUTO},
        {m_drawn[1].picture, "jpn_vert", tesseract::PSM_SINGLE_BLOCK_VERT_TEXT},
        {m_drawn[2].picture, "eng", tesseract::PSM_AUTO}};
    for (qsizetype i = 0; i < readings.size(); ++i) {
        const Recognised recognised =
            recognise(readings[i].picture, readings[i].language, readings[i].mode);
        QVERIFY2(!recognised.lines.isEmpty(), "the engine read nothing");
        Page page;
        if (i == 0) {
            page.jpeg = m_jpeg;
        } else {
            page.image = readings[i].picture;
            page.image.setDotsPerMeterX(kDotsPerMeter);
            page.image.setDotsPerMeterY(kDotsPerMeter);
        }
        page.lines = recognised.lines;
        page.text =
            savedResult(recognised.utf8, m_dir.path(), QStringLiteral("page%1.png").arg(i + 1));
        QVERIFY(!page.text.isEmpty());
        m_pages << page;
    }
    m_pdf = m_dir.filePath(QStringLiteral("book.pdf"));
    searchablepdf::writeSearchablePdf(m_pages, m_pdf);
    QVERIFY(QFileInfo(m_pdf).isFile());
}

void TestSearchablePdf::foldForMatching_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    QTest::newRow("full-width digits and comma") << QStringLiteral("１２，３") << "12,3";
    QTest::newRow("ideographic full stop")
        << QStringLiteral("終わり。") << QStringLiteral("終わり.");
    QTest::newRow("full-width tilde, last of the range") << QStringLiteral("～") << "~";
    QTest::newRow("quotes and backquote") << QStringLiteral("‘a’`") << "'a''";
    QTest::newRow("circled one and twenty") << QStringLiteral("①⑳") << "120";
    QTest::newRow("kana and ASCII unchanged")
        << QStringLiteral("かなabc") << QStringLiteral("かなabc");
    QTest::newRow("beyond the plane, kept whole") << QStringLiteral("𠮷") << QStringLiteral("𠮷");
}

void TestSearchablePdf::foldForMatching() {
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QCOMPARE(textplacing::foldForMatching(text), folded);
}

// The clean-up's replacements, from its own table: the engine's form and what the clean-up
// makes of it must fold alike, or the saved text is placed on the wrong characters.
void TestSearchablePdf::foldFollowsTheCleanup_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("cleaned");
    for (const cleanup::Replacement& r : cleanup::replacements())
        QTest::addRow("rule %d: %s", r.rule, qPrintable(r.engine)) << r.engine << r.cleaned;
}

void TestSearchablePdf::foldFollowsTheCleanup() {
    QFETCH(QString, engine);
    QFETCH(QString, cleaned);
    const QString read = QStringLiteral("漢") + engine + QStringLiteral("字");
    const QString saved = cleanup::cleanRecognizedText(read + QStringLiteral("\r\n"));
    QCOMPARE(withoutSpace(textplacing::foldForMatching(cleaned)),
             withoutSpace(textplacing::foldForMatching(engine)));
    QCOMPARE(withoutSpace(textplacing::foldForMatching(saved)),
             withoutSpace(textplacing::foldForMatching(read)));
}

void TestSearchablePdf::matchToEngine_data() {
    QTest::addColumn<QStringList>("engine");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<qsizetype>>("anchors");
    const QStringList abcd{"a", "b", "c", "d"};
    QTest::newRow("the same text") << abcd << "abcd" << QList<qsizetype>{0, 1, 2, 3};
    QTest::newRow("white space on either side counts for nothing")
        << QStringList{"a", " ", "b", "c"} << "a\r\nb c" << QList<qsizetype>{0, 1, 2};
    QTest::newRow("the clean-up's forms")
        << QStringList{QStringLiteral("値"), QStringLiteral("１"), QStringLiteral("。")}
        << QStringLiteral("値1。") << QList<qsizetype>{0, 1, 2};
    QTest::newRow("a circled number read as two digits")
        << QStringList{"x", QStringLiteral("⑩"), "y"} << "x10y" << QList<qsizetype>{0, 1, 2, 3};
    QTest::newRow("added at the start: with the first")
        << abcd << "zabcd" << QList<qsizetype>{0, 0, 1, 2, 3};
    QTest::newRow("added inside: with the one before")
        << abcd << "abzzcd" << QList<qsizetype>{0, 1, 1, 1, 2, 3};
    QTest::newRow("added at the end") << abcd << "abcdz" << QList<qsizetype>{0, 1, 2, 3, 3};
    QTest::newRow("left out") << abcd << "ad" << QList<qsizetype>{0, 3};
    QTest::newRow("changed") << abcd << "axcd" << QList<qsizetype>{0, 1, 2, 3};
    QTest::newRow("changed and left out together") << abcd << "xd" << QList<qsizetype>{2, 3};
    QTest::newRow("nothing read") << QStringList() << "ab" << QList<qsizetype>{-1, -1};
    QTest::newRow("no text") << abcd << "" << QList<qsizetype>{};
    // Past the alignment's limit nothing is compared: the text is spread evenly.
    const qsizetype n = 4200;
    QList<qsizetype> even;
    for (qsizetype i = 0; i < n; ++i)
        even << i;
    QTest::newRow("too long to align")
        << QStringList(n, QStringLiteral("a")) << QString(n, u'b') << even;
    QTest::newRow("too long, unequal lengths")
        << QStringList(n, QStringLiteral("a")) << QString(n * 2, u'b') << [&] {
               QList<qsizetype> half;
               for (qsizetype i = 0; i < 2 * n; ++i)
                   half << i / 2;
               return half;
           }();
}

void TestSearchablePdf::matchToEngine() {
    QFETCH(QStringList, engine);
    QFETCH(QString, text);
    QFETCH(QList<qsizetype>, anchors);
    const QList<Line> lines{line(Direction::Horizontal, QRect(0, 0, 100, 20), engine)};
    QCOMPARE(textplacing::matchToEngine(text, lines), anchors);
}

namespace {

// The engine's lines as words of symbols ("ab cd": two words of two symbols); symbol k of the
// page lies at (10 k, 30 line) and has a confidence of 50 + k.
QList<Line> wordLines(const QStringList& lines) {
    QList<Line> out;
    int k = 0;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        Line one{Direction::Horizontal, QRect(0, 30 * int(l), 200, 20), {}, int(l / 2)};
        bool wordStarts = true;
        for (const char32_t c : lines[l].toUcs4()) {
            if (c == U' ') {
                wordStarts = true;
                continue;
            }
            Symbol symbol{QString::fromUcs4(&c, 1), QRect(10 * k, 30 * int(l), 10, 20), wordStarts};
            symbol.confidence = float(50 + k++);
            one.symbols.append(symbol);
            wordStarts = false;
        }
        out.append(one);
    }
    return out;
}

} // namespace

void TestSearchablePdf::placeCharacters_data() {
    QTest::addColumn<QStringList>("engine");
    QTest::addColumn<QString>("text");
    // Per placed character: the page's symbol it lies on (-1 none), whether it is changed (x)
    // and whether it starts a word (w).
    QTest::addColumn<QList<int>>("symbols");
    QTest::addColumn<QString>("changed");
    QTest::addColumn<QString>("words");
    QTest::newRow("as read, two words, two lines")
        << QStringList{"ab cd", "ef"} << "ab cd\r\nef" << QList<int>{0, 1, 2, 3, 4, 5} << "......"
        << "w.w.w.";
    QTest::newRow("the clean-up's forms are no change")
        << QStringList{QStringLiteral("値１。")} << QStringLiteral("値1。") << QList<int>{0, 1, 2}
        << "..."
        << "w..";
    QTest::newRow("a character read otherwise")
        << QStringList{"abcd"} << "axcd" << QList<int>{0, 1, 2, 3} << ".x.."
        << "w...";
    QTest::newRow("typed inside: on the one before, changed")
        << QStringList{"abcd"} << "abzcd" << QList<int>{0, 1, 1, 2, 3} << "..x.."
        << "w....";
    QTest::newRow("a character typed twice: the second is changed")
        << QStringList{"abcd"} << "abbcd" << QList<int>{0, 1, 1, 2, 3} << "..x.."
        << "w....";
    QTest::newRow("typed twice at a word's start: the second starts none")
        << QStringList{"ab cd"} << "abccd" << QList<int>{0, 1, 2, 2, 3} << "...x."
        << "w.w..";
    QTest::newRow("two digits the user wrote as one circled number")
        << QStringList{"x10y"} << QStringLiteral("x⑩y") << QList<int>{0, 1, 3} << "..."
        << "w..";
    QTest::newRow("a space typed inside a word starts one")
        << QStringList{"abcd"} << "ab cd" << QList<int>{0, 1, 2, 3} << "...."
        << "w.w.";
    QTest::newRow("a word the user joined keeps the engine's word")
        << QStringList{"ab cd"} << "abcd" << QList<int>{0, 1, 2, 3} << "...."
        << "w.w.";
    QTest::newRow("left out") << QStringList{"abcd"} << "ad" << QList<int>{0, 3} << ".."
                              << "w.";
    QTest::newRow("a circled number read as two digits")
        << QStringList{QStringLiteral("x⑩y")} << "x10y" << QList<int>{0, 1, 1, 2} << "...."
        << "w...";
    QTest::newRow("beyond the basic plane")
        << QStringList{QStringLiteral("a𠮷")} << QStringLiteral("a𠮷b") << QList<int>{0, 1, 1}
        << "..x"
        << "w..";
    QTest::newRow("nothing read") << QStringList() << "a b" << QList<int>{-1, -1} << "xx"
                                  << "ww";
}

void TestSearchablePdf::placeCharacters() {
    QFETCH(QStringList, engine);
    QFETCH(QString, text);
    QFETCH(QList<int>, symbols);
    QFETCH(QString, changed);
    QFETCH(QString, words);
    const QList<Line> lines = wordLines(engine);
    QList<Symbol> all;
    QList<int> lineOf;
    for (qsizetype l = 0; l < lines.size(); ++l)
        for (const Symbol& symbol : lines[l].symbols) {
            all << symbol;
            lineOf << int(l);
        }
    const QList<textplacing::PlacedCharacter> placed = textplacing::placeCharacters(lines, text);
    QCOMPARE(placed.size(), symbols.size());
    QString spelled;
    for (qsizetype i = 0; i < placed.size(); ++i) {
        const textplacing::PlacedCharacter& c = placed[i];
        spelled += c.text;
        QCOMPARE(text.mid(c.at, c.text.size()), c.text);
        const int k = symbols[i];
        QCOMPARE(c.line, k < 0 ? -1 : lineOf[k]);
        QCOMPARE(c.box, k < 0 ? QRect() : all[k].box);
        QCOMPARE(c.confidence, k < 0 ? enginelayout::kNoConfidence : all[k].confidence);
        QCOMPARE(c.changed, changed[i] == u'x');
        QCOMPARE(c.startsWord, words[i] == u'w');
    }
    QCOMPARE(spelled, withoutSpace(text));
}

void TestSearchablePdf::markDoubtful_data() {
    // Twenty sure characters ("あ", 98) with these in front; marks: "x" for each doubtful one of
    // those in front, "." for one that is not (none of the twenty sure ones is).
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<float>>("confidences");
    QTest::addColumn<QString>("marks");
    QTest::newRow("sure") << QStringLiteral("本") << QList<float>{98} << ".";
    QTest::newRow("just below sure")
        << QStringLiteral("本本") << QList<float>{96.4F, 96.5F} << "x.";
    QTest::newRow("the last kanji of the first level, and the first of the second")
        << QStringLiteral("腕弌") << QList<float>{99, 99} << ".x";
    QTest::newRow("beyond Shift-JIS") << QStringLiteral("𠮷") << QList<float>{99} << "x";
    QTest::newRow("no confidence: typed where nothing was read")
        << QStringLiteral("弌本") << QList<float>{-1, -1} << "..";
    // A confidence above 100 stands for a character the user typed over (changed).
    QTest::newRow("typed over by the user")
        << QStringLiteral("本弌") << QList<float>{150, 150} << "..";
    // 26 characters mark at most five (a fifth): the least sure.
    QTest::newRow("no more than a fifth, the least sure first")
        << QStringLiteral("本本本本本本") << QList<float>{50, 20, 40, 10, 60, 30} << "xxxx.x";
}

void TestSearchablePdf::markDoubtful() {
    QFETCH(QString, text);
    QFETCH(QList<float>, confidences);
    QFETCH(QString, marks);
    QList<textplacing::PlacedCharacter> characters;
    const QList<uint> codes = text.toUcs4();
    for (qsizetype i = 0; i < codes.size(); ++i) {
        textplacing::PlacedCharacter c;
        c.text = QString::fromUcs4(reinterpret_cast<const char32_t*>(&codes[i]), 1);
        c.changed = confidences[i] > 100;
        c.confidence = c.changed ? 20 : confidences[i];
        c.doubtful = true; // marks of an earlier rule go
        characters << c;
    }
    for (int i = 0; i < 20; ++i) {
        textplacing::PlacedCharacter sure;
        sure.text = QStringLiteral("あ");
        sure.confidence = 98;
        sure.doubtful = true;
        characters << sure;
    }
    textplacing::markDoubtful(characters);
    QString got;
    for (qsizetype i = 0; i < characters.size(); ++i)
        if (i < codes.size())
            got += characters[i].doubtful ? u'x' : u'.';
        else
            QVERIFY(!characters[i].doubtful);
    QCOMPARE(got, marks);
}

void TestSearchablePdf::layText_data() {
    QTest::addColumn<QList<Line>>("lines");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("runs");
    const QRect latinBox(0, 0, 50, 20);
    QTest::newRow("Latin words: each glyph on its box, a space glyph over the gap")
        << QList<Line>{line(Direction::Horizontal, latinBox, {"a", "b", "c", "d"},
                            across({10, 10, -10, 10, 10}))}
        << "ab cd" << QStringList{"H 0,20 size 20: a 10|b 10|  10|c 10|d 10"};
    QTest::newRow("a gap without a space is closed")
        << QList<Line>{line(Direction::Horizontal, latinBox, {"a", "b", "c", "d"},
                            across({10, 10, -10, 10, 10}))}
        << "abcd" << QStringList{"H 0,20 size 20: a 10|b 20|c 10|d 10"};
    QTest::newRow("a space between touching words gets room from the word before")
        << QList<Line>{line(Direction::Horizontal, latinBox, {"a", "b", "c"}, across({10, 10, 10}))}
        << "ab c" << QStringList{"H 0,20 size 20: a 10|b 7|  3|c 10"};
    QTest::newRow("Japanese: the line shared by set width, the engine's boxes ignored")
        << QList<Line>{line(Direction::Horizontal, QRect(10, 0, 230, 100),
                            {QStringLiteral("日"), QStringLiteral("本"), QStringLiteral("。")},
                            across({5, 50, 5}))}
        << QStringLiteral("日本。\r\n")
        << QStringList{QStringLiteral("H 10,100 size 100: 日 100|本 100|。 100")};
    QTest::newRow("a kanji code page 932 lacks fills the em too")
        << QList<Line>{line(Direction::Horizontal, QRect(10, 0, 230, 100),
                            {QStringLiteral("日"), QStringLiteral("丂"), QStringLiteral("。")})}
        << QStringLiteral("日丂。")
        << QStringList{QStringLiteral("H 10,100 size 100: 日 100|丂 100|。 100")};
    QTest::newRow("half-width characters take half an em")
        << QList<Line>{line(Direction::Horizontal, QRect(0, 0, 196, 100),
                            {QStringLiteral("第"), "1", QStringLiteral("章")})}
        << QStringLiteral("第1章")
        << QStringList{QStringLiteral("H 0,100 size 100: 第 80|1 40|章 80")};
    QTest::newRow("vertical: down the column from its top left, as wide as the column")
        << QList<Line>{line(Direction::Vertical, QRect(100, 10, 50, 115),
                            {QStringLiteral("縦"), QStringLiteral("書"), QStringLiteral("。")})}
        << QStringLiteral("縦書。")
        << QStringList{QStringLiteral("V 100,10 size 50: 縦 50|書 50|。 50")};
    QTest::newRow("the saved text's characters on the engine's places")
        << QList<Line>{line(Direction::Horizontal, QRect(0, 0, 230, 100),
                            {QStringLiteral("値"), QStringLiteral("１"), QStringLiteral("。")})}
        << QStringLiteral("値1。")
        << QStringList{QStringLiteral("H 0,100 size 100: 値 100|1 100|。 100")};
    QTest::newRow("an added character shares the box of the one before")
        << QList<Line>{line(Direction::Horizontal, latinBox, {"a", "b"}, across({10, 10}))} << "axb"
        << QStringList{"H 0,20 size 20: a 5|x 5|b 10"};
    QTest::newRow("a character left out: the one before reaches over its place")
        << QList<Line>{line(Direction::Horizontal, latinBox, {"a", "b", "c"}, across({10, 10, 10}))}
        << "ac" << QStringList{"H 0,20 size 20: a 20|c 10"};
    QTest::newRow("a ligature's characters share its box")
        << QList<Line>{line(Direction::Horizontal, latinBox, {"fi", "x"}, across({20, 10}))}
        << "fix" << QStringList{"H 0,20 size 20: f 10|i 10|x 10"};
    QTest::newRow("each line a run; a line break is no space across lines")
        << QList<Line>{line(Direction::Horizontal, QRect(0, 0, 20, 20), {"a", "b"},
                            across({10, 10})),
                       line(Direction::Horizontal, QRect(0, 30, 20, 20), {"c", "d"},
                            {QRect(0, 30, 10, 20), QRect(10, 30, 10, 20)})}
        << "ab\r\ncd\r\n"
        << QStringList{"H 0,20 size 20: a 10|b 10", "H 0,50 size 20: c 10|d 10"};
    QTest::newRow("a line break inside one line of the engine parts Latin words")
        << QList<Line>{line(Direction::Horizontal, latinBox, {"a", "b", "c", "d"},
                            across({10, 10, -10, 10, 10}))}
        << "ab\r\ncd" << QStringList{"H 0,20 size 20: a 10|b 10|  10|c 10|d 10"};
    QTest::newRow("but not Japanese")
        << QList<Line>{line(Direction::Horizontal, QRect(0, 0, 195, 100),
                            {QStringLiteral("日"), QStringLiteral("本")})}
        << QStringLiteral("日\r\n本")
        << QStringList{QStringLiteral("H 0,100 size 100: 日 100|本 100")};
    QTest::newRow("a line break after an accented Latin letter parts words too")
        << QList<Line>{line(Direction::Horizontal, latinBox, {QStringLiteral("é"), "b"},
                            across({10, -10, 10}))}
        << QStringLiteral("é\r\nb")
        << QStringList{QStringLiteral("H 0,20 size 20: é 10|  10|b 10")};
    QTest::newRow("two symbols at one place keep their boxes; the first gets the least advance")
        << QList<Line>{line(Direction::Horizontal, QRect(0, 0, 39, 20), {"a", "b"},
                            {QRect(0, 0, 10, 20), QRect(0, 0, 10, 20)})}
        << "ab" << QStringList{"H 0,20 size 20: a 1|b 9"};
    QTest::newRow("a character beyond the plane is set wide")
        << QList<Line>{line(Direction::Horizontal, QRect(0, 0, 145, 100),
                            {"x", QStringLiteral("𠮷")})}
        << QStringLiteral("x𠮷") << QStringList{QStringLiteral("H 0,100 size 100: x 50|𠮷 100")};
    QTest::newRow("an ideographic space is kept as it is")
        << QList<Line>{line(Direction::Horizontal, QRect(0, 0, 295, 100),
                            {QStringLiteral("日"), QStringLiteral("本"), QStringLiteral("語")})}
        << QStringLiteral("日本　語")
        << QStringList{QStringLiteral("H 0,100 size 100: 日 100|本 85|　 15|語 100")};
    QTest::newRow("boxes out of order: the line is shared instead")
        << QList<Line>{line(Direction::Horizontal, QRect(0, 0, 39, 20), {"a", "b"},
                            {QRect(10, 0, 10, 20), QRect(0, 0, 10, 20)})}
        << "ab" << QStringList{"H 0,20 size 20: a 20|b 20"};
    QTest::newRow("a line too short for its characters at its height: set smaller, within it")
        << QList<Line>{line(Direction::Horizontal, QRect(0, 0, 10, 100),
                            {QStringLiteral("日"), QStringLiteral("本"), QStringLiteral("語"),
                             QStringLiteral("文")})}
        << QStringLiteral("日本語文")
        << QStringList{QStringLiteral("H 0,100 size 50: 日 2.5|本 2.5|語 2.5|文 2.5")};
    QTest::newRow("no text, no run")
        << QList<Line>{line(Direction::Horizontal, latinBox, {"a"}, across({10}))} << "\r\n"
        << QStringList();
    QTest::newRow("nothing read, no run") << QList<Line>() << "ab" << QStringList();
}

void TestSearchablePdf::layText() {
    QFETCH(QList<Line>, lines);
    QFETCH(QString, text);
    QFETCH(QStringList, runs);
    QCOMPARE(describe(textplacing::layText(lines, text)), runs);
}

void TestSearchablePdf::pdftotextGivesTheSavedText_data() {
    QTest::addColumn<int>("page");
    QTest::newRow("horizontal Japanese, a JPEG") << 0;
    QTest::newRow("vertical Japanese") << 1;
    QTest::newRow("Latin words, one bit") << 2;
}

void TestSearchablePdf::pdftotextGivesTheSavedText() {
    QFETCH(int, page);
    const QString extracted = pdfToText(m_pdf, page + 1);
    const QString saved = withoutSpace(m_pages[page].text);
    const qsizetype errors = testing::editDistance(withoutSpace(extracted), saved);
    qInfo("page %d: %lld of %lld characters differ", page + 1, qlonglong(errors),
          qlonglong(saved.size()));
    QVERIFY2(errors * 100 <= saved.size(), qPrintable(extracted));
    QVERIFY2(spacedJapanese(extracted).isEmpty(), qPrintable(spacedJapanese(extracted)));
    // Latin words stay apart, one space between them.
    const QStringList savedWords =
        m_pages[page].text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    const QStringList extractedWords =
        extracted.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (page == 2) {
        QCOMPARE(extractedWords, savedWords);
        QVERIFY(!extracted.contains(QStringLiteral("  ")));
    }
}

void TestSearchablePdf::verticalColumnsReadRightToLeft() {
    QStringList lines = pdfToText(m_pdf, 2).split(u'\n');
    lines.removeIf([](const QString& line) { return withoutSpace(line).isEmpty(); });
    const QStringList& columns = m_drawn[1].lines;
    QCOMPARE(lines.size(), columns.size());
    // Each line of the text is the column at its place, counted from the right.
    for (qsizetype i = 0; i < columns.size(); ++i)
        QVERIFY2(testing::editDistance(withoutSpace(lines[i]), columns[i]) * 4 < columns[i].size(),
                 qPrintable(lines.join(u'|')));
}

void TestSearchablePdf::searchFindsTheWordWhereItIs_data() {
    QTest::addColumn<int>("page");
    QTest::newRow("horizontal") << 0;
    QTest::newRow("vertical") << 1;
}

void TestSearchablePdf::searchFindsTheWordWhereItIs() {
    QFETCH(int, page);
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(m_pdf);
    QVERIFY(document);
    const DrawnPage& drawn = m_drawn[page];
    for (int i = 0; i < document->numPages(); ++i) {
        const QList<QRectF> found = document->page(i)->search(drawn.word);
        if (i != page) {
            QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("found on page %1").arg(i + 1)));
            continue;
        }
        QCOMPARE(found.size(), 1);
        const QRectF box = toPixels(found[0]);
        const QRectF overlap = box.intersected(QRectF(drawn.wordBox));
        qInfo("found at %g,%g %gx%g; drawn at %d,%d %dx%d", box.x(), box.y(), box.width(),
              box.height(), drawn.wordBox.x(), drawn.wordBox.y(), drawn.wordBox.width(),
              drawn.wordBox.height());
        // Most of the word's box is highlighted, and little besides.
        const double area = overlap.width() * overlap.height();
        QVERIFY(area > 0.6 * drawn.wordBox.width() * drawn.wordBox.height());
        QVERIFY(area > 0.6 * box.width() * box.height());
    }
}

void TestSearchablePdf::jpegDataIsPassedThrough() {
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.start(QStringLiteral("pdfimages"),
                  {QStringLiteral("-j"), QStringLiteral("-f"), QStringLiteral("1"),
                   QStringLiteral("-l"), QStringLiteral("1"), m_pdf, QStringLiteral("extracted")});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(readBytes(m_dir.filePath(QStringLiteral("extracted-000.jpg"))), m_jpeg);
}

void TestSearchablePdf::pagesKeepTheirResolution() {
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(m_pdf);
    QVERIFY(document);
    QCOMPARE(document->numPages(), 3);
    for (int i = 0; i < 3; ++i) {
        const QSizeF points = document->page(i)->pageSizeF();
        const QSize pixels = m_drawn[i].picture.size();
        QCOMPARE(qRound(points.width() * kDpi / 72), pixels.width());
        QCOMPARE(qRound(points.height() * kDpi / 72), pixels.height());
    }
}

void TestSearchablePdf::picturesGoInWithoutLoss_data() {
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QString>("stored"); // colour space and bits as pdfimages lists them
    // Widths that are no multiple of 8 end their one-bit rows in a part-filled byte.
    QImage bilevel(37, 23, QImage::Format_RGB32);
    QImage grey(37, 23, QImage::Format_Grayscale8);
    QImage colour(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            bilevel.setPixel(x, y, (x * 7 + y * 3) % 5 < 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
            grey.setPixel(x, y, qRgb(x * 6 + y, x * 6 + y, x * 6 + y));
            colour.setPixel(x, y, qRgb(x * 6, y * 11, 128));
        }
    QTest::newRow("black and white: one bit") << bilevel << "gray 1";
    QTest::newRow("black and white, eight bits wide")
        << bilevel.convertToFormat(QImage::Format_Mono) << "gray 1";
    QTest::newRow("one grey pixel: eight bits") << [&] {
        QImage image = bilevel;
        image.setPixel(36, 22, qRgb(254, 254, 254));
        return image;
    }() << "gray 8";
    QTest::newRow("grey") << grey << "gray 8";
    QTest::newRow("one coloured pixel: colour") << [&] {
        QImage image = grey.convertToFormat(QImage::Format_RGB32);
        image.setPixel(0, 0, qRgb(10, 10, 11));
        return image;
    }() << "rgb 8";
    QTest::newRow("colour") << colour << "rgb 8";
    QTest::newRow("a palette") << colour.convertToFormat(QImage::Format_Indexed8) << "rgb 8";
}

void TestSearchablePdf::picturesGoInWithoutLoss() {
    QFETCH(QImage, picture);
    QFETCH(QString, stored);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("lossless.pdf"));
    Page page;
    page.image = picture;
    searchablepdf::writeSearchablePdf({page}, pdf);
    const QStringList listed =
        runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}, dir.path())
            .split(u'\n')
            .value(2)
            .split(u' ', Qt::SkipEmptyParts);
    QCOMPARE(listed.value(5) + u' ' + listed.value(7), stored);
    runTool(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, QStringLiteral("out")},
            dir.path());
    const QImage back(dir.filePath(QStringLiteral("out-000.png")));
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32),
             picture.convertToFormat(QImage::Format_RGB32));
}

void TestSearchablePdf::jpegOrientationIsShown_data() {
    QTest::addColumn<int>("orientation");
    for (int orientation = 1; orientation <= 8; ++orientation)
        QTest::addRow("orientation %d", orientation) << orientation;
}

void TestSearchablePdf::jpegOrientationIsShown() {
    QFETCH(int, orientation);
    // A dark block near one corner of a picture wider than high.
    QImage picture(96, 48, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 4; y < 16; ++y)
        for (int x = 6; x < 30; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 0));
    const QByteArray jpeg = withOrientation(jpegOf(picture), orientation);
    // As the program shows it (pictures::readPage): turned upright.
    QByteArray bytes = jpeg;
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(true);
    const QImage shown = reader.read();
    QCOMPARE(shown.size(), (orientation >= 5 ? QSize(48, 96) : QSize(96, 48)));

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("turned.pdf"));
    Page page;
    page.jpeg = jpeg;
    searchablepdf::writeSearchablePdf({page}, pdf);
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdf);
    QVERIFY(document);
    const QImage rendered = document->page(0)->renderToImage(kDpi, kDpi);
    QCOMPARE(rendered.size(), shown.size());
    const QPointF expected = darkCentre(shown);
    const QPointF got = darkCentre(rendered);
    QVERIFY2(std::abs(expected.x() - got.x()) < 2 && std::abs(expected.y() - got.y()) < 2,
             qPrintable(QStringLiteral("%1,%2 drawn at %3,%4")
                            .arg(expected.x())
                            .arg(expected.y())
                            .arg(got.x())
                            .arg(got.y())));
}

void TestSearchablePdf::resolution_data() {
    QTest::addColumn<Page>("page");
    QTest::addColumn<QSizeF>("dpi");
    // A JPEG whose JFIF header states the density in the unit given (0: an aspect ratio only).
    const auto jpeg = [](int unit, int x, int y, QSizeF given = QSizeF()) {
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::white);
        Page page;
        page.jpeg = jpegOf(picture);
        page.jpeg[13] = char(unit);
        page.jpeg[14] = char(x >> 8);
        page.jpeg[15] = char(x & 0xFF);
        page.jpeg[16] = char(y >> 8);
        page.jpeg[17] = char(y & 0xFF);
        page.dpi = given;
        return page;
    };
    const auto image = [](int dotsPerMeter) {
        Page page;
        page.image = QImage(40, 20, QImage::Format_RGB32);
        page.image.fill(Qt::white);
        page.image.setDotsPerMeterX(dotsPerMeter);
        page.image.setDotsPerMeterY(dotsPerMeter);
        return page;
    };
    QTest::newRow("JFIF in inches") << jpeg(1, 150, 200) << QSizeF(150, 200);
    QTest::newRow("JFIF in centimetres") << jpeg(2, 59, 118) << QSizeF(149.86, 299.72);
    QTest::newRow("JFIF with an aspect ratio only") << jpeg(0, 1, 1) << QSizeF(300, 300);
    // The range the engine is told too (pictures::declaredResolution).
    QTest::newRow("101 dpi is a resolution") << jpeg(1, 101, 101) << QSizeF(101, 101);
    QTest::newRow("100 dpi is none") << jpeg(1, 100, 100) << QSizeF(300, 300);
    QTest::newRow("1500 dpi is a resolution") << jpeg(1, 1500, 1500) << QSizeF(1500, 1500);
    QTest::newRow("2400 dpi is a resolution") << jpeg(1, 2400, 2400) << QSizeF(2400, 2400);
    QTest::newRow("2401 dpi is none") << jpeg(1, 2401, 2401) << QSizeF(300, 300);
    QTest::newRow("down out of range is none") << jpeg(1, 150, 99) << QSizeF(300, 300);
    QTest::newRow("across out of range is none") << jpeg(1, 99, 150) << QSizeF(300, 300);
    QTest::newRow("a resolution given out of range is none")
        << jpeg(1, 150, 150, QSizeF(2401, 2401)) << QSizeF(300, 300);
    QTest::newRow("a resolution given wins")
        << jpeg(1, 150, 150, QSizeF(400, 400)) << QSizeF(400, 400);
    QTest::newRow("a picture's dots per metre") << image(11811) << QSizeF(300, 300);
    QTest::newRow("a picture at the screen's 96 dpi states none")
        << image(3780) << QSizeF(300, 300);
    QTest::newRow("a picture at 150 dpi") << image(kDotsPerMeter) << QSizeF(150, 150);
    QTest::newRow("a picture at Qt's 100 dpi without a screen states none")
        << image(3937) << QSizeF(300, 300);
}

void TestSearchablePdf::resolution() {
    QFETCH(Page, page);
    QFETCH(QSizeF, dpi);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
    searchablepdf::writeSearchablePdf({page}, pdf);
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdf);
    QVERIFY(document);
    const QSizeF points = document->page(0)->pageSizeF();
    QVERIFY2(std::abs(points.width() - 40 * 72 / dpi.width()) < 0.01 &&
                 std::abs(points.height() - 20 * 72 / dpi.height()) < 0.01,
             qPrintable(QStringLiteral("%1 x %2 points").arg(points.width()).arg(points.height())));
}

void TestSearchablePdf::aFailedWriteLeavesTheOldFile_data() {
    QTest::addColumn<int>("failure");
    QTest::newRow("a page without a picture") << 0;
    QTest::newRow("a document without pages") << 1;
    QTest::newRow("the writer dropped unfinished") << 2;
    QTest::newRow("a JPEG that is none, and no picture besides") << 3;
}

void TestSearchablePdf::aFailedWriteLeavesTheOldFile() {
    QFETCH(int, failure);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("book.pdf"));
    QFile old(pdf);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    Page good;
    good.image = QImage(8, 8, QImage::Format_RGB32);
    good.image.fill(Qt::white);
    bool failed = false;
    try {
        searchablepdf::Writer writer(pdf);
        if (failure != 1)
            writer.addPage(good);
        if (failure == 0)
            writer.addPage(Page());
        if (failure == 3) {
            Page broken;
            broken.jpeg = "\xFF\xD8 not a picture";
            writer.addPage(broken);
        }
        if (failure != 2)
            writer.finish();
    } catch (const Failure& error) {
        failed = true;
        QVERIFY2(error.text().contains(pdf), qPrintable(error.text()));
    }
    QCOMPARE(failed, failure != 2);
    QCOMPARE(readBytes(pdf), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("book.pdf")});
}

void TestSearchablePdf::collectorGathersEveryPage() {
    // The way the engine runs over a document: ProcessPages with renderers, here over a list of
    // two pictures.
    QTemporaryDir dir;
    const QStringList texts{QStringLiteral("一枚目の紙です。"), QStringLiteral("二枚目の紙です。")};
    QByteArray list;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString file = dir.filePath(QStringLiteral("p%1.png").arg(i));
        QVERIFY(workspace::linesPicture({texts[i]}, QSize(500, 120), 48, kHorizontal).save(file));
        list += file.toUtf8() + '\n';
    }
    const QString listFile = dir.filePath(QStringLiteral("pages.txt"));
    QFile listing(listFile);
    QVERIFY(listing.open(QIODevice::WriteOnly));
    listing.write(list);
    listing.close();

    tesseract::TessBaseAPI api;
    QCOMPARE(api.Init(nullptr, "jpn"), 0);
    api.SetVariable("debug_file", "/dev/null");
    enginelayout::LineCollector collector;
    collector.insert(
        new tesseract::TessTextRenderer(dir.filePath(QStringLiteral("out")).toUtf8().constData()));
    QVERIFY(api.ProcessPages(listFile.toUtf8().constData(), nullptr, 0, &collector));
    // The text renderer behind the collector wrote the text as ever.
    QVERIFY(readBytes(dir.filePath(QStringLiteral("out.txt"))).contains("です"));
    QCOMPARE(collector.pages().size(), 2);
    for (qsizetype i = 0; i < texts.size(); ++i) {
        QString read;
        for (const Line& l : collector.pages()[i])
            for (const Symbol& symbol : l.symbols)
                read += symbol.text;
        QVERIFY2(testing::editDistance(read, texts[i]) <= 1, qPrintable(read));
    }
}

void TestSearchablePdf::keptLinesReadBack_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<enginelayout::KeptLines>("lines");
    enginelayout::KeptLines kept{"result 12:34", m_drawn[1].picture.size(), m_pages[1].lines};
    kept.lines.first().symbols.first().text = QStringLiteral("𠮷");
    kept.lines.first().symbols.first().startsWord = true;
    kept.lines.first().symbols.first().confidence = 87.5F;
    kept.lines.last().block = 2;
    const QByteArray bytes = enginelayout::encodeLines(kept);
    const enginelayout::KeptLines none{"k", QSize(1, 1), {}};
    QTest::newRow("the engine's vertical lines") << bytes << true << kept;
    QTest::newRow("no lines") << enginelayout::encodeLines(none) << true << none;
    QTest::newRow("cut short by a byte") << bytes.chopped(1) << false << kept;
    QTest::newRow("a byte more") << bytes + 'x' << false << kept;
    QTest::newRow("the version before, without confidences") << [&] {
        QByteArray other = bytes;
        other[7] = 1;
        return other;
    }() << false << kept;
    // The first line's symbol count, after the magic, the key, the size, the line count, the
    // line's direction, box and block.
    const qsizetype symbolCount = 8 + 4 + kept.key.size() + 8 + 4 + 1 + 16 + 4;
    QTest::newRow("a symbol count far beyond the bytes") << [&] {
        QByteArray other = bytes;
        other[symbolCount] = char(0x7F);
        return other;
    }() << false << kept;
    QTest::newRow("a direction that is none") << [&] {
        QByteArray other = bytes;
        other[symbolCount - 21] = 2;
        return other;
    }() << false << kept;
    const auto withConfidence = [&](float confidence) {
        enginelayout::KeptLines other = kept;
        other.lines.first().symbols.first().confidence = confidence;
        return enginelayout::encodeLines(other);
    };
    QTest::newRow("a confidence beyond 100") << withConfidence(100.5F) << false << kept;
    QTest::newRow("a confidence that is no number")
        << withConfidence(std::nanf("")) << false << kept;
    QTest::newRow("a negative block") << [&] {
        enginelayout::KeptLines other = kept;
        other.lines.first().block = -1;
        return enginelayout::encodeLines(other);
    }() << false << kept;
    // Forged but well-formed boxes would put the text off the page.
    const auto withBox = [&](qsizetype symbol, QRect box) {
        enginelayout::KeptLines other = kept;
        if (symbol < 0)
            other.lines.first().box = box;
        else
            other.lines.first().symbols[symbol].box = box;
        return other;
    };
    // A tenth of the larger side beyond the edges: where turned-back boxes may reach.
    const QSize size = kept.picture;
    const int margin = std::max(size.width(), size.height()) / 10;
    const QRect reach(-margin, -margin, size.width() + 2 * margin, size.height() + 2 * margin);
    const enginelayout::KeptLines atTheEdge = withBox(-1, reach);
    QTest::newRow("a line reaching a tenth beyond the edges")
        << enginelayout::encodeLines(atTheEdge) << true << atTheEdge;
    QTest::newRow("a line a pixel further right")
        << enginelayout::encodeLines(withBox(-1, reach.translated(1, 0))) << false << kept;
    QTest::newRow("a line a pixel further down")
        << enginelayout::encodeLines(withBox(-1, reach.translated(0, 1))) << false << kept;
    QTest::newRow("a symbol a pixel further left")
        << enginelayout::encodeLines(withBox(0, QRect(-margin - 1, 10, 20, 20))) << false << kept;
    QTest::newRow("a huge symbol")
        << enginelayout::encodeLines(withBox(0, QRect(10, 10, 2000000000, 2000000000))) << false
        << kept;
    QTest::newRow("a symbol of negative size")
        << enginelayout::encodeLines(withBox(0, QRect(10, 10, -5, 20))) << false << kept;
    QTest::newRow("a picture of no size")
        << enginelayout::encodeLines({"k", QSize(0, 330), {}}) << false << none;
}

void TestSearchablePdf::keptLinesReadBack() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    QFETCH(enginelayout::KeptLines, lines);
    const std::optional<enginelayout::KeptLines> back = enginelayout::decodeLines(bytes);
    QCOMPARE(back.has_value(), readable);
    if (readable)
        QVERIFY(*back == lines);
}

namespace {

// Places of the box's characters from "0 1m 2" (a position each, m for a mark), boxes 10 wide
// side by side.
textplacing::BoxPlaces placesOf(const QString& description) {
    QList<textplacing::PlacedCharacter> characters;
    QString stored;
    for (const QString& word : description.split(u' ', Qt::SkipEmptyParts)) {
        textplacing::PlacedCharacter c;
        c.at = word.chopped(word.endsWith(u'm') ? 1 : 0).toInt();
        c.doubtful = word.endsWith(u'm');
        c.box = QRect(int(c.at) * 10, 0, 10, 20);
        c.confidence = 90.5F;
        characters << c;
        stored = stored.leftJustified(c.at + 1, u'x');
    }
    textplacing::BoxPlaces places;
    places.addReading(stored, 0, characters, {});
    return places;
}

QString describePlaces(const textplacing::BoxPlaces& places) {
    QStringList out;
    for (const textplacing::Place& p : places.places())
        out << QString::number(p.at) + (p.doubtful ? QStringLiteral("m") : QString());
    return out.join(u' ');
}

} // namespace

void TestSearchablePdf::boxPlacesFollowEdits_data() {
    QTest::addColumn<QList<int>>("edit"); // position, removed, added
    QTest::addColumn<QString>("after");
    const auto row = [](const char* name, QList<int> edit, const char* after) {
        QTest::newRow(name) << edit << QString::fromUtf8(after);
    };
    row("typed before everything", {0, 0, 2}, "2 3m 4 5 6m 7");
    row("typed just before a mark", {1, 0, 1}, "0 2m 3 4 5m 6");
    row("typed just after a mark", {2, 0, 1}, "0 1m 3 4 5m 6");
    row("a mark deleted", {1, 1, 0}, "0 1 2 3m 4");
    row("a mark typed over", {1, 1, 1}, "0 2 3 4m 5");
    row("a stretch over two marks replaced", {1, 4, 1}, "0 2");
    row("typed after the last", {6, 0, 3}, "0 1m 2 3 4m 5");
}

// A character keeps its place while the text around it changes, and loses it (its mark too) when
// it is typed over or deleted.
void TestSearchablePdf::boxPlacesFollowEdits() {
    QFETCH(QList<int>, edit);
    QFETCH(QString, after);
    textplacing::BoxPlaces places = placesOf(QStringLiteral("0 1m 2 3 4m 5"));
    places.edited(edit[0], edit[1], edit[2]);
    QCOMPARE(describePlaces(places), after);
}

void TestSearchablePdf::boxPlacesWalkAndPoint() {
    textplacing::BoxPlaces places = placesOf(QStringLiteral("0 1m 2 3 4m 5"));
    QCOMPARE(places.marks(), 2);
    // Forward and back, round the ends.
    const QList<std::array<qsizetype, 3>> walks = {{-1, 1, 4}, {0, 1, 4}, {1, 4, 4}, {3, 4, 1},
                                                   {4, 1, 1},  {5, 1, 4}, {9, 1, 4}};
    for (const auto& [from, next, previous] : walks) {
        QCOMPARE(places.nextMark(from), next);
        QCOMPARE(places.previousMark(from), previous);
    }
    QVERIFY(!places.accept(0)); // not marked
    QVERIFY(places.accept(4));
    QCOMPARE(describePlaces(places), QStringLiteral("0 1m 2 3 4 5"));
    QCOMPARE(places.nextMark(1), 1);
    QVERIFY(places.accept(1));
    QCOMPARE(places.nextMark(0), -1);
    QCOMPARE(places.previousMark(0), -1);
    // The smallest box that holds the point: a character inside a larger one wins.
    textplacing::Place inner;
    inner.at = 9;
    inner.box = QRect(12, 5, 3, 3);
    places.put(inner);
    QCOMPARE(places.atPoint(QPoint(5, 5)), 0);
    QCOMPARE(places.atPoint(QPoint(13, 6)), 9);
    QCOMPARE(places.atPoint(QPoint(10, 19)), 1);
    QCOMPARE(places.atPoint(QPoint(60, 5)), -1);
    QCOMPARE(textplacing::placesPath(QStringLiteral("/a/p.jpg.txt")),
             QStringLiteral("/a/p.jpg.marks"));
    QCOMPARE(textplacing::placesPath(QStringLiteral("/a/d.pdf.p3.txt")),
             QStringLiteral("/a/d.pdf.p3.marks"));
}

void TestSearchablePdf::boxPlacesKeptBesideTheResult_data() {
    QTest::addColumn<QByteArray>("change"); // what happens to the file between; "" nothing
    QTest::addColumn<bool>("kept");
    QTest::newRow("as written") << QByteArray() << true;
    QTest::newRow("the result changed elsewhere") << QByteArray("text") << false;
    QTest::newRow("another file") << QByteArray("header") << false;
    QTest::newRow("cut short") << QByteArray("cut") << false;
    QTest::newRow("an index beyond the text") << QByteArray("beyond") << false;
    QTest::newRow("an index inside CR LF") << QByteArray("crlf") << false;
    QTest::newRow("a number too large") << QByteArray("huge") << false;
    QTest::newRow("indices out of order") << QByteArray("order") << false;
    QTest::newRow("one index twice") << QByteArray("twice") << false;
    QTest::newRow("a box of negative size") << QByteArray("negative") << false;
}

// The places read back fit the very text they were written for (CR LF and characters beyond
// the BMP counted as the box counts them), or are none at all.
void TestSearchablePdf::boxPlacesKeptBesideTheResult() {
    QFETCH(QByteArray, change);
    QFETCH(bool, kept);
    // A reading appended after "x" CR LF: 𠀋 is two units in the text, one character.
    const QString before = QStringLiteral("x\r\n");
    const QString reading = QStringLiteral("あ𠀋\r\nう");
    QString stored = before + reading;
    QList<textplacing::PlacedCharacter> characters;
    for (const qsizetype at : {0, 1, 5}) {
        textplacing::PlacedCharacter c;
        c.at = at;
        c.box = QRect(int(at) * 30, -4, 30, 31);
        c.line = 0;
        c.confidence = at == 1 ? 41.5F : 97.5F;
        c.doubtful = at == 1;
        characters << c;
    }
    textplacing::BoxPlaces places;
    places.addReading(stored, before.size(), characters, {line(Direction::Vertical, {}, {})});
    // x, break, あ, 𠀋 (two units), break, う
    QCOMPARE(describePlaces(places), QStringLiteral("2 3m 6"));
    QCOMPARE(textplacing::boxPosition(stored, 8), 6);
    QByteArray bytes = places.toBytes(stored);
    QList<QByteArray> lines = bytes.split('\n');
    if (change == "text")
        stored.replace(QStringLiteral("う"), QStringLiteral("ら"));
    else if (change == "header")
        lines[0] = "quillpix places 2";
    else if (change == "cut")
        lines[3].chop(2);
    else if (change == "beyond")
        lines[4].replace(0, 1, "9");
    else if (change == "crlf")
        lines[2].replace(0, 1, "2");
    else if (change == "huge")
        lines[3].replace(" -4 ", " 99999999999 ");
    else if (change == "order")
        std::swap(lines[2], lines[3]);
    else if (change == "twice")
        lines[3].replace(0, 1, "3");
    else if (change == "negative")
        lines[3].replace(" 30 31 ", " 30 -31 ");
    bytes = lines.join('\n');
    const textplacing::BoxPlaces read = textplacing::BoxPlaces::fromBytes(bytes, stored);
    if (!kept) {
        QVERIFY(read.isEmpty());
        return;
    }
    QCOMPARE(read, places);
    QVERIFY(read.places()[1].vertical);
}

QTEST_MAIN(TestSearchablePdf)
#include "test_searchablepdf.moc"
