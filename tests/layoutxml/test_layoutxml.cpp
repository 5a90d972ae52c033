// hOCR and ALTO of pages made by hand, read back with an XML parser: the structure both give,
// what each says of a character, and documents that must stay well-formed whatever the names and
// texts hold.

#include "boxpage.h"
#include "layoutxml.h"

#include <QXmlStreamReader>
#include <QtTest>

using namespace quillpix;
using enginelayout::Direction;
using layoutxml::PageText;

Q_DECLARE_METATYPE(QList<quillpix::layoutxml::PageText>)

namespace {

struct Node {
    QString name; // "#text" for text between elements
    QXmlStreamAttributes attributes;
    QString text;
    QList<Node> children;
    QString operator[](const char* name) const { return attributes.value(name).toString(); }
};

// The document as a tree without the line breaks and indentation between elements; name holds
// the parser's complaint if there is one.
Node parse(const QByteArray& document) {
    Node root;
    QList<Node*> open{&root};
    QXmlStreamReader reader(document);
    while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
        if (reader.isStartElement()) {
            open.last()->children.append({reader.name().toString(), reader.attributes(), {}, {}});
            open.append(&open.last()->children.last());
        } else if (reader.isEndElement()) {
            open.removeLast();
        } else if (reader.isCharacters() && !reader.text().contains(u'\n')) {
            open.last()->children.append({"#text", {}, reader.text().toString(), {}});
        }
    }
    if (reader.hasError() || !document.endsWith('\n'))
        return {"error: " + reader.errorString(), {}, {}, {}};
    return root;
}

// hOCR names its parts by class, ALTO by element; in document order.
QList<const Node*> find(const Node& node, const QString& part) {
    QList<const Node*> found;
    for (const Node& child : node.children) {
        if (child.name == part || child["class"] == part)
            found.append(&child);
        found += find(child, part);
    }
    return found;
}

QString textOf(const Node& node) {
    QString text = node.name == u"Glyph" ? node["CONTENT"] : node.text;
    for (const Node& child : node.children)
        text += textOf(child);
    return text;
}

struct Format {
    QByteArray (*write)(const QList<PageText>&);
    QString page, block, line;
};
const Format kFormats[] = {{layoutxml::hocr, "ocr_page", "ocr_carea", "ocr_line"},
                           {layoutxml::alto, "Page", "TextBlock", "TextLine"}};

// Blocks in brackets, lines apart by '/', words by '|', or by ' ' where the text had a space.
QString shape(const Node& document, const Format& format) {
    QString shape;
    for (const Node* block : find(document, format.block)) {
        QStringList lines;
        for (const Node* line : find(*block, format.line)) {
            lines.append(QString());
            for (qsizetype i = 0; i < line->children.size(); ++i) {
                const Node& child = line->children[i];
                const bool space = child.name == u"#text" || child.name == u"SP";
                if (!space && i > 0 && line->children[i - 1].name == child.name)
                    lines.last() += u'|';
                lines.last() += space ? QStringLiteral(" ") : textOf(child);
            }
        }
        shape += u'[' + lines.join(u'/') + u']';
    }
    return shape;
}

textplacing::PlacedCharacter placed(const QString& text, int line, qsizetype at, QRect box) {
    return {.text = text, .at = at, .line = line, .box = box, .alternatives = {text}};
}

// One character after another on the first line, each its own alternative.
PageText page(const QString& picture, const QStringList& characters = {},
              const QList<int>& blocks = {0}) {
    PageText page{picture, QSize(100, 80), {}, {}};
    for (int block : blocks)
        page.lines.append({Direction::Horizontal, QRect(0, 0, 100, 20), {}, block});
    for (const QString& text : characters)
        page.characters.append(placed(text, 0, page.characters.size(), QRect(0, 0, 5, 5)));
    return page;
}

} // namespace

class TestLayoutXml : public QObject {
    Q_OBJECT
private slots:
    void structure_data();
    void structure();
    void character_data();
    void character();
    void documents_data();
    void documents();
    void resultBoxAsAPage();
};

void TestLayoutXml::structure_data() {
    QTest::addColumn<QStringList>("runs"); // the characters on each line
    QTest::addColumn<QList<int>>("onLines");
    QTest::addColumn<QList<int>>("blocks"); // of the engine's lines
    QTest::addColumn<QString>("shape");
    QTest::newRow("words") << QStringList{"ab|c d"} << QList<int>{0} << QList<int>{0} << "[ab|c d]";
    QTest::newRow("blocks") << QStringList{"a", "b|c", "d", "e"} << QList<int>{0, 1, 2, 3}
                            << QList<int>{0, 5, 5, 0} << "[a][b|c/d][e]";
    QTest::newRow("empty line left out, line met again")
        << QStringList{"a", "b", "c"} << QList<int>{0, 2, 0} << QList<int>{0, 0, 0} << "[a/b/c]";
    QTest::newRow("on no line") << QStringList{"ab", "c|d", "e", "f"} << QList<int>{0, -1, 7, 0}
                                << QList<int>{0} << "[ab][c|de][f]";
}

// '|' starts a word, ' ' too after a space in the text.
void TestLayoutXml::structure() {
    QFETCH(QStringList, runs);
    QFETCH(QList<int>, onLines);
    QFETCH(QList<int>, blocks);
    PageText text = page("p.png", {}, blocks);
    qsizetype at = 0;
    for (qsizetype run = 0; run < runs.size(); ++run, ++at) {
        bool startsWord = false;
        for (const QChar c : runs[run]) {
            if (c == u'|' || c == u' ') {
                startsWord = true;
                at += c == u' ';
                continue;
            }
            text.characters.append(placed(c, onLines[run], at, QRect(at, 0, 1, 9)));
            text.characters.last().startsWord = std::exchange(startsWord, false);
            ++at;
        }
    }
    for (const Format& format : kFormats) {
        const Node document = parse(format.write({text}));
        QCOMPARE(document.name, QString());
        QTEST(shape(document, format), "shape");
    }
    // Blocks, lines and words cover their characters and no more.
    const auto box = [](const Node* node) {
        return QRect((*node)["HPOS"].toInt(), (*node)["VPOS"].toInt(), (*node)["WIDTH"].toInt(),
                     (*node)["HEIGHT"].toInt());
    };
    const Node alto = parse(layoutxml::alto({text}));
    for (const char* part : {"TextBlock", "TextLine", "String"}) {
        for (const Node* node : find(alto, part)) {
            QRect united;
            for (const Node* glyph : find(*node, "Glyph"))
                united |= box(glyph);
            QCOMPARE(box(node), united);
        }
    }
}

// A character and another in its word of confidence 50, on a page of 100 by 80.
void TestLayoutXml::character_data() {
    QTest::addColumn<QRect>("box");
    QTest::addColumn<float>("confidence");
    QTest::addColumn<bool>("doubtful");
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<QRect>("otherBox");
    QTest::addColumn<QRect>("lineBox");    // the engine's
    QTest::addColumn<QStringList>("hocr"); // the character's, word's and line's titles
    QTest::addColumn<QStringList>("alto"); // Glyph and String, then the TextBlock's ROTATION
    const QRect other(40, 20, 10, 40);
    const auto horizontal = Direction::Horizontal;
    QTest::newRow("doubtful") << QRect(10, 20, 20, 40) << 91.4f << true << horizontal << other
                              << QRect()
                              << QStringList{"x_bboxes 10 20 30 60; x_conf 91.4; x_doubtful 1",
                                             "bbox 10 20 50 60; x_wconf 71", "bbox 10 20 50 60"}
                              << QStringList{"10 20 20 40 0.91", "10 20 40 40 0.71", ""};
    QTest::newRow("unknown, vertical")
        << QRect(10, 20, 20, 40) << -1.0f << false << Direction::Vertical << other << QRect()
        << QStringList{"x_bboxes 10 20 30 60", "bbox 10 20 50 60; x_wconf 50",
                       "bbox 10 20 50 60; textangle 90"}
        << QStringList{"10 20 20 40", "10 20 40 40 0.50", "90"};
    QTest::newRow("zero, clamped")
        << QRect(-5, 70, 20, 20) << 0.0f << false << horizontal << other << QRect()
        << QStringList{"x_bboxes 0 70 15 80; x_conf 0.0", "bbox 0 20 50 80; x_wconf 25",
                       "bbox 0 20 50 80"}
        << QStringList{"0 70 15 10 0.00", "0 20 50 60 0.25", ""};
    QTest::newRow("the engine line's box")
        << QRect() << 100.0f << false << horizontal << QRect() << QRect(5, 5, 50, 20)
        << QStringList{"x_bboxes 5 5 55 25; x_conf 100.0", "bbox 5 5 55 25; x_wconf 75",
                       "bbox 5 5 55 25"}
        << QStringList{"5 5 50 20 1.00", "5 5 50 20 0.75", ""};
    QTest::newRow("the page's box")
        << QRect() << 100.0f << false << horizontal << QRect() << QRect(200, 0, 9, 9)
        << QStringList{"x_bboxes 0 0 100 80; x_conf 100.0", "bbox 0 0 100 80; x_wconf 75",
                       "bbox 0 0 100 80"}
        << QStringList{"0 0 100 80 1.00", "0 0 100 80 0.75", ""};
}

void TestLayoutXml::character() {
    QFETCH(QRect, box);
    QFETCH(float, confidence);
    QFETCH(bool, doubtful);
    QFETCH(Direction, direction);
    QFETCH(QRect, otherBox);
    QFETCH(QRect, lineBox);
    PageText text = page("p.png");
    text.lines[0] = {direction, lineBox, {}, 0};
    text.characters = {placed("字", 0, 0, box), placed("x", 0, 1, otherBox)};
    text.characters[0].confidence = confidence;
    text.characters[0].doubtful = doubtful;
    text.characters[0].alternatives = {"宇", "学"};
    text.characters[1].confidence = 50;

    const Node hocr = parse(layoutxml::hocr({text}));
    QCOMPARE(hocr.name, QString());
    QStringList titles;
    for (const char* part : {"ocrx_cinfo", "ocrx_word", "ocr_line"})
        titles.append((*find(hocr, part).first())["title"]);
    QTEST(titles, "hocr");

    const Node alto = parse(layoutxml::alto({text}));
    QCOMPARE(alto.name, QString());
    QStringList boxes;
    for (const char* part : {"Glyph", "String"}) {
        const Node& node = *find(alto, part).first();
        boxes.append(QStringList{node["HPOS"], node["VPOS"], node["WIDTH"], node["HEIGHT"],
                                 node[part[0] == 'G' ? "GC" : "WC"]}
                         .join(u' ')
                         .trimmed());
    }
    boxes.append((*find(alto, "TextBlock").first())["ROTATION"]);
    QTEST(boxes, "alto");
    QStringList variants;
    for (const Node* variant : find(*find(alto, "Glyph").first(), "Variant"))
        variants.append((*variant)["CONTENT"]);
    QCOMPARE(variants, text.characters[0].alternatives);
}

void TestLayoutXml::documents_data() {
    QTest::addColumn<QList<PageText>>("pages");
    QTest::addColumn<QStringList>("texts");  // of the pages, as the documents hold them
    QTest::addColumn<QStringList>("titles"); // of the hOCR pages
    QTest::addColumn<QStringList>("alto");   // the file's name, the pages' IDs and numbers
    QTest::newRow("no pages") << QList<PageText>() << QStringList() << QStringList()
                              << QStringList();
    QTest::newRow("in order") << QList<PageText>{page("1.png", {"あ", "い"}), page(""),
                                                 page("3.png", {"う"})}
                              << QStringList{"あい", "", "う"}
                              << QStringList{"page_1 image \"1.png\"; bbox 0 0 100 80; ppageno 0",
                                             "page_2 bbox 0 0 100 80; ppageno 1",
                                             "page_3 image \"3.png\"; bbox 0 0 100 80; ppageno 2"}
                              << QStringList{"1.png", "page_1 1", "page_2 2", "page_3 3"};
    const QString lone[] = {QString(QChar(0xD800)), QString(QChar(0xDC00))};
    QTest::newRow("markup and what XML cannot hold")
        << QList<PageText>{page(
               "a&b<\"c'\\写\u0001" + lone[0] + ".png",
               {"&", "<", "\"", "'", ">", "\u0007", lone[0], lone[1], "\uFFFE", "𠮷", "\uFFFF"})}
        << QStringList{"&<\"'>\uFFFD\uFFFD\uFFFD\uFFFD𠮷\uFFFD"}
        << QStringList{"page_1 image \"a&b<\\\"c'\\\\写\uFFFD\uFFFD.png\"; bbox 0 0 100 80; "
                       "ppageno 0"}
        << QStringList{"a&b<\"c'\\写\uFFFD\uFFFD.png", "page_1 1"};
}

void TestLayoutXml::documents() {
    QFETCH(QList<PageText>, pages);
    for (const Format& format : kFormats) {
        const Node document = parse(format.write(pages));
        QCOMPARE(document.name, QString());
        QStringList texts;
        for (const Node* page : find(document, format.page))
            texts.append(textOf(*page));
        QTEST(texts, "texts");
    }
    const Node hocr = parse(layoutxml::hocr(pages));
    QStringList titles;
    for (const Node* page : find(hocr, "ocr_page"))
        titles.append((*page)["id"] + ' ' + (*page)["title"]);
    QTEST(titles, "titles");

    const Node alto = parse(layoutxml::alto(pages));
    QStringList names;
    for (const Node* name : find(alto, "fileName"))
        names.append(textOf(*name));
    for (const Node* page : find(alto, "Page"))
        names.append((*page)["ID"] + ' ' + (*page)["PHYSICAL_IMG_NR"]);
    QTEST(names, "alto");
}

// The result box written as hOCR: a line of the box a line of the page, an empty line between
// blocks, characters on their places with their marks; a character typed where nothing was read
// keeps its line's place.
void TestLayoutXml::resultBoxAsAPage() {
    const QString stored = QStringLiteral("あい う\r\n\r\n𠀋え\r\n");
    // Box positions: あ0 い1 space2 う3 break4 break5 𠀋6-7 え8.
    QList<textplacing::PlacedCharacter> read;
    for (const qsizetype at : {0, 1, 3, 8, 10}) {
        textplacing::PlacedCharacter c;
        c.at = at; // in stored: 𠀋 at 8, え at 10
        c.line = 0;
        c.box = QRect(100, int(at) * 20, 18, 18);
        c.confidence = at == 3 ? 30 : 98;
        c.doubtful = at == 3;
        read << c;
    }
    textplacing::BoxPlaces places;
    places.addReading(stored, 0, read, {{Direction::Vertical, {}, {}, 0}});
    places.edited(1, 1, 1); // い typed over: no place
    const PageText page = layoutxml::pageOfBox("p.png", QSize(300, 400), stored, places);
    QCOMPARE(page.lines.size(), 2);
    QCOMPARE(page.lines[0].block, 0);
    QCOMPARE(page.lines[1].block, 1);
    QCOMPARE(page.lines[0].direction, Direction::Vertical);
    QCOMPARE(page.lines[0].box, QRect(100, 0, 18, 78));
    QStringList texts;
    for (const textplacing::PlacedCharacter& c : page.characters)
        texts << c.text + QString::number(c.at) + (c.doubtful ? "m" : "") +
                     (c.box.isEmpty() ? "?" : "");
    QCOMPARE(texts.join(u' '), QStringLiteral("あ0 い1? う3m 𠀋8 え10"));
    const Node document = parse(layoutxml::hocr({page}));
    QCOMPARE(document.name, QString());
    QCOMPARE(shape(document, kFormats[0]), QStringLiteral("[あい う][𠀋え]"));
    QCOMPARE(find(document, "ocrx_cinfo").size(), 5);
}

QTEST_GUILESS_MAIN(TestLayoutXml)
#include "test_layoutxml.moc"
