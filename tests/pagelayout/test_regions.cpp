#include "evenpage.h"
#include "ink.h"
#include "readingplan.h"
#include "regions.h"

#include <QPainter>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace quillpix::pagelayout;

Q_DECLARE_METATYPE(quillpix::pagelayout::Direction)

namespace {

constexpr int kEm = 20;

// The pieces of a block of text: `lines` lines of `length` characters, each character a piece
// of 0.9 characters, lines 1.7 characters apart; vertical lines are columns, set right to left.
std::vector<QRect> block(int x, int y, int lines, int length, bool vertical) {
    std::vector<QRect> pieces;
    const int pitch = kEm * 17 / 10;
    for (int l = 0; l < lines; ++l)
        for (int c = 0; c < length; ++c) {
            const int along = c * kEm;
            const int across = l * pitch;
            pieces.emplace_back(vertical ? x + (lines - 1 - l) * pitch : x + along,
                                vertical ? y + along : y + across, kEm * 9 / 10, kEm * 9 / 10);
        }
    return pieces;
}

QFont fontOf(int pixels) {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(pixels);
    return font;
}

QRect boundsOf(const std::vector<QRect>& pieces) {
    QRect r;
    for (const QRect& p : pieces)
        r = r.united(p);
    return r;
}

struct Layout {
    std::vector<QRect> pieces;
    QList<QRect> expected; // the blocks, in reading order
    void add(const std::vector<QRect>& b, bool isBlock = true) {
        pieces.insert(pieces.end(), b.begin(), b.end());
        if (isBlock)
            expected << boundsOf(b);
    }
};

} // namespace

Q_DECLARE_METATYPE(Layout)

class TestRegions : public QObject {
    Q_OBJECT
private slots:
    void blocksInReadingOrder_data();
    void blocksInReadingOrder();
    void piecesTakenForText_data();
    void piecesTakenForText();
    void regionsOfARenderedPage();
    void planOfARenderedPage_data();
    void planOfARenderedPage();
    void lightIsUneven_data();
    void lightIsUneven();
    void curlDrawnStraight();
    void tableInsideAVerticalPage();
};

void TestRegions::blocksInReadingOrder_data() {
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<Direction>("direction");
    const auto tiers = [&](double gapEms) {
        Layout l;
        const std::vector<QRect> upper = block(0, 0, 8, 10, true);
        const int next = boundsOf(upper).bottom() + 1 + int(std::lround(gapEms * kEm));
        l.add(upper);
        l.add(block(0, next, 8, 10, true));
        return l;
    };
    QTest::newRow("one horizontal block") << [&] {
        Layout l;
        l.add(block(0, 0, 6, 20, false));
        return l;
    }() << Direction::Horizontal;
    QTest::newRow("two tiers, 1.5 characters apart: upper first")
        << tiers(1.5) << Direction::Vertical;
    QTest::newRow("tiers just wider apart than the cut")
        << tiers(kLeastCutEms + 0.05) << Direction::Vertical;
    // A band across a vertical page's columns crosses its lines: 20 pixels of 20, exactly the
    // crossing cut's width, part.
    QTest::newRow("tiers exactly the cut apart") << tiers(20.0 / kEm) << Direction::Vertical;
    QTest::newRow("tiers closer than the cut: one block") << [&] {
        Layout l = tiers(19.0 / kEm);
        l.expected = {boundsOf(l.pieces)};
        return l;
    }() << Direction::Vertical;
    const auto sideBySide = [&](bool vertical) {
        Layout l;
        const std::vector<QRect> left = block(0, 0, 6, 12, vertical);
        const std::vector<QRect> right =
            block(boundsOf(left).right() + 1 + 2 * kEm, 0, 6, 12, vertical);
        if (vertical) {
            l.add(right);
            l.add(left);
        } else {
            l.add(left);
            l.add(right);
        }
        return l;
    };
    QTest::newRow("vertical blocks side by side: right first")
        << sideBySide(true) << Direction::Vertical;
    QTest::newRow("horizontal columns: left first") << sideBySide(false) << Direction::Horizontal;
    // Down a horizontal page a band must be as wide as between lines: a menu's or a row of
    // buttons' items a character apart stay one block, read row by row.
    QTest::newRow("items a character apart down a horizontal page: one block") << [&] {
        Layout l;
        const std::vector<QRect> left = block(0, 0, 2, 4, false);
        l.pieces = left;
        const std::vector<QRect> right = block(boundsOf(left).right() + 1 + 22, 0, 2, 4, false);
        l.pieces.insert(l.pieces.end(), right.begin(), right.end());
        l.expected = {boundsOf(l.pieces)};
        return l;
    }() << Direction::Horizontal;
    const auto ruled = [&](double share) {
        Layout l;
        const std::vector<QRect> upper = block(0, 0, 3, 20, false);
        const QRect u = boundsOf(upper);
        // A gap hardly wider than the block's own between its lines, a rule in its middle.
        const int gap = kEm * 9 / 10;
        const int next = u.bottom() + 1 + gap;
        l.add(upper);
        l.pieces.push_back(QRect(0, u.bottom() + 1 + gap / 2 - 1, int(share * u.width()), 2));
        l.add(block(0, next, 3, 20, false));
        if (share < 0.5)
            l.expected = {u.united(boundsOf(block(0, next, 3, 20, false)))};
        return l;
    };
    QTest::newRow("a rule across parts blocks closer than the cut")
        << ruled(1.0) << Direction::Horizontal;
    QTest::newRow("a rule along half the block still parts it")
        << ruled(0.5) << Direction::Horizontal;
    QTest::newRow("a short rule does not part the block") << ruled(0.3) << Direction::Horizontal;
    QTest::newRow("paragraph breaks lining up across columns do not cut the columns") << [&] {
        // Three columns 1.7 characters apart, each with a break of 1.4 characters at one height.
        Layout l;
        for (int c = 0; c < 3; ++c) {
            const int x = c * (20 * kEm + 34);
            const std::vector<QRect> top = block(x, 0, 4, 20, false);
            l.add(top);
            l.add(block(x, boundsOf(top).bottom() + 1 + 28, 4, 20, false));
        }
        return l;
    }() << Direction::Horizontal;
    QTest::newRow("a headline over two tiers of columns") << [&] {
        Layout l;
        const std::vector<QRect> headline = block(4 * kEm, 0, 1, 8, false);
        l.add(headline);
        const std::vector<QRect> upper = block(0, 3 * kEm, 8, 10, true);
        l.add(upper);
        l.add(block(0, boundsOf(upper).bottom() + 2 * kEm, 8, 10, true));
        return l;
    }() << Direction::Vertical;
    QTest::newRow("text, a table, text across a vertical page: right to left") << [&] {
        Layout l;
        const std::vector<QRect> right = block(40 * kEm, 0, 5, 20, true);
        const std::vector<QRect> table = block(20 * kEm, 6 * kEm, 4, 8, false);
        const std::vector<QRect> left = block(0, 0, 5, 20, true);
        l.add(right);
        l.add(table);
        l.add(left);
        return l;
    }() << Direction::Vertical;
    QTest::newRow("a photograph is left out, the text around it kept") << [&] {
        Layout l;
        l.add(block(0, 0, 3, 20, false));
        l.pieces.push_back(QRect(0, 6 * kEm, 12 * kEm, 8 * kEm));
        l.add(block(0, 16 * kEm, 3, 20, false));
        return l;
    }() << Direction::Horizontal;
    QTest::newRow("nothing but a picture") << [&] {
        Layout l;
        l.pieces.push_back(QRect(0, 0, 10 * kEm, 10 * kEm));
        return l;
    }() << Direction::Horizontal;
}

void TestRegions::blocksInReadingOrder() {
    QFETCH(Layout, layout);
    QFETCH(Direction, direction);
    const std::vector<QRect> blocks = blocksOf(layout.pieces, kEm, direction);
    QCOMPARE(QList<QRect>(blocks.begin(), blocks.end()), layout.expected);
}

void TestRegions::piecesTakenForText_data() {
    QTest::addColumn<QRect>("piece");
    QTest::addColumn<bool>("rule");
    QTest::addColumn<bool>("larger");
    // A dash of two characters is text; three characters of thin line are a rule.
    QTest::newRow("a character") << QRect(0, 0, kEm, kEm) << false << false;
    QTest::newRow("a dash of two characters") << QRect(0, 0, 2 * kEm, 2) << false << false;
    QTest::newRow("a thin line three characters long") << QRect(0, 0, 3 * kEm, 2) << true << false;
    QTest::newRow("a vertical rule") << QRect(0, 0, 3, 30 * kEm) << true << false;
    QTest::newRow("a thick short bar is no rule")
        << QRect(0, 0, 8 * kEm - 1, kEm / 2) << false << false;
    // Longer than any run of touching characters: a fold's shadow, a bar; it parts as a rule.
    QTest::newRow("a thick long bar") << QRect(0, 0, 8 * kEm, kEm / 2) << true << false;
    QTest::newRow("a fold's shadow") << QRect(0, 0, 2 * kEm, 80 * kEm) << true << false;
    QTest::newRow("a frame larger than text both ways")
        << QRect(0, 0, 3 * kEm + 1, 3 * kEm + 1) << false << true;
    QTest::newRow("three characters square is still text-sized")
        << QRect(0, 0, 3 * kEm, 3 * kEm) << false << false;
}

void TestRegions::piecesTakenForText() {
    QFETCH(QRect, piece);
    QFETCH(bool, rule);
    QFETCH(bool, larger);
    QCOMPARE(isRule(piece, kEm), rule);
    QCOMPARE(isLargerThanText(piece, kEm), larger);
}

// Drawn text through the whole road (ink, cut, each block's direction): a horizontal headline
// over two tiers of vertical columns gives three regions, the headline first and horizontal;
// a field of grain under them gives none.
namespace {

// A headline over two tiers of vertical columns, and grain below them, as a desk or a
// photograph's paper gives.
QImage headlineOverTwoTiers() {
    QImage page(1200, 1600, QImage::Format_Grayscale8);
    page.fill(255);
    {
        QPainter p(&page);
        p.setFont(fontOf(40));
        p.drawText(QRect(100, 40, 1000, 80), Qt::AlignCenter, QStringLiteral("見出しの一行です"));
        p.setFont(fontOf(30));
        const QString column = QStringLiteral("縦に書いた文章の列");
        for (int tier = 0; tier < 2; ++tier)
            for (int c = 0; c < 14; ++c)
                for (int k = 0; k < column.size(); ++k)
                    p.drawText(QRect(1080 - c * 52, 200 + tier * 700 + k * 32, 34, 34),
                               Qt::AlignCenter, column.mid(k, 1));
    }
    // Grain below the text, as a desk or a photograph's paper gives: no region of its own.
    for (int y = 1420; y < 1580; y += 12)
        for (int x = 60 + (y / 12 % 2) * 6; x < 500; x += 12)
            for (int dy = 0; dy < 4; ++dy)
                for (int dx = 0; dx < 4; ++dx)
                    page.scanLine(y + dy)[x + dx] = 40;
    return page;
}

// Rows of the picture with no ink: the gaps between straight lines; bent lines leave few.
int blankRows(const QImage& picture) {
    int blank = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* line = picture.constScanLine(y);
        blank += std::all_of(line, line + picture.width(), [](uchar g) { return g > 128; });
    }
    return blank;
}

} // namespace

void TestRegions::regionsOfARenderedPage() {
    const QImage page = headlineOverTwoTiers();
    const PixPtr grey = toGreyPix(page);
    const std::vector<Region> regions = textRegions(inkOf(grey.get()));
    QCOMPARE(regions.size(), size_t(3));
    QCOMPARE(regions[0].direction, Direction::Horizontal);
    QCOMPARE(regions[1].direction, Direction::Vertical);
    QCOMPARE(regions[2].direction, Direction::Vertical);
    QVERIFY(regions[1].box.bottom() < regions[2].box.top());
}

void TestRegions::planOfARenderedPage_data() {
    QTest::addColumn<QString>("as");
    QTest::newRow("printed") << "printed";
    QTest::newRow("light on a dark ground") << "dark";
    QTest::newRow("half in shadow") << "shadow";
    QTest::newRow("a dark title bar under the tiers") << "bar";
    QTest::newRow("texture beside the grain") << "texture";
    QTest::newRow("at half the size") << "small";
}

// The page read region by region in the reading order, each region in its own direction, its
// picture the prepared page's pixels where it lies; a dark ground and a shadow taken off first.
void TestRegions::planOfARenderedPage() {
    QFETCH(QString, as);
    QImage page = headlineOverTwoTiers();
    if (as == QLatin1String("dark"))
        page.invertPixels();
    if (as == QLatin1String("shadow"))
        for (int y = 0; y < page.height(); ++y) {
            uchar* line = page.scanLine(y);
            for (int x = 0; x < page.width(); ++x)
                line[x] = uchar(line[x] * (0.35 + 0.65 * x / page.width()));
        }
    if (as == QLatin1String("bar")) {
        QPainter p(&page);
        // Close under the columns: the bar's edge, not the paper, parts its text from them.
        p.fillRect(QRect(40, 1196, 1120, 70), QColor(50, 50, 50));
        p.setFont(fontOf(36));
        p.setPen(Qt::white);
        p.drawText(QRect(60, 1196, 1000, 70), Qt::AlignVCenter, QStringLiteral("帯の上の白い文字"));
    }
    if (as == QLatin1String("texture")) {
        // Pieces of 12 pixels, larger than grains, strewn as evenly across as down: no lines.
        unsigned seed = 7;
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 5; ++column) {
                seed = seed * 1103515245u + 12345u;
                const int x = 800 + column * 30 + int(seed >> 16) % 9;
                seed = seed * 1103515245u + 12345u;
                const int y = 1420 + row * 30 + int(seed >> 16) % 9;
                for (int dy = 0; dy < 12; ++dy)
                    for (int dx = 0; dx < 12; ++dx)
                        page.scanLine(y + dy)[x + dx] = 40;
            }
    }
    // Characters of 15 to 20 pixels, as a screen's: enlarged twice for the engine.
    const bool small = as == QLatin1String("small");
    if (small)
        page = page.scaled(page.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const ReadingPlan plan = planReading(page);
    QCOMPARE(plan.inverted, as == QLatin1String("dark"));
    QCOMPARE(plan.lightEvened, as == QLatin1String("shadow"));
    // Each step noted what it did, in the order the steps ran.
    QCOMPARE(plan.notes.size() > 0 && plan.notes.first().startsWith(QStringLiteral("暗い地")),
             plan.inverted);
    QCOMPARE(plan.notes.filter(QStringLiteral("影")).size(), plan.lightEvened ? 1 : 0);
    QCOMPARE(plan.notes.last(),
             QStringLiteral("ページを %1 個のブロックに分け、読む順にそれぞれの向きで読みました")
                 .arg(plan.regions.size()));
    // The bar's white text is a region of its own, last, turned dark on light to be read.
    if (small) {
        // (The headline, a line over the page at this size, is taken off as a running head.)
        QVERIFY(plan.regions.size() >= 2);
        for (const RegionPart& region : plan.regions)
            QCOMPARE(region.enlarged, 2.0);
        return;
    }
    const bool bar = as == QLatin1String("bar");
    QCOMPARE(plan.regions.size(), size_t(bar ? 4 : 3));
    if (bar) {
        const RegionPart& onBar = plan.regions.back();
        QCOMPARE(onBar.direction, Direction::Horizontal);
        QVERIFY(onBar.at.y() > 1180);
        QVERIFY(qGray(onBar.picture.pixel(onBar.picture.width() - 2, 1)) > 200);
    }
    QCOMPARE(plan.regions[0].direction, Direction::Horizontal);
    QCOMPARE(plan.regions[1].direction, Direction::Vertical);
    QVERIFY(plan.regions[1].at.y() < 900 && plan.regions[2].at.y() > 850);
    // The columns at the shadowed left edge are in the lower tier's region too.
    QVERIFY2(plan.regions[2].at.x() < 1080 - 13 * 52 + 10,
             qPrintable(QString::number(plan.regions[2].at.x())));
    for (const RegionPart& region : plan.regions)
        QCOMPARE(region.enlarged, 1.0);
    // (Beside the bar, the bar's edge is taken off the lower tier's picture as a rule.)
    for (const RegionPart& region : plan.regions)
        if (!bar)
            QCOMPARE(region.picture.convertToFormat(QImage::Format_Grayscale8),
                     plan.pictures.front()
                         .copy(QRect(region.at, region.picture.size()))
                         .convertToFormat(QImage::Format_Grayscale8));
}

void TestRegions::lightIsUneven_data() {
    QTest::addColumn<int>("darkest");
    QTest::addColumn<int>("lightest");
    QTest::addColumn<bool>("uneven");
    QTest::newRow("a scan's light") << 230 << 240 << false;
    QTest::newRow("four fifths") << 200 << 250 << false;
    QTest::newRow("just under") << 199 << 250 << true;
    QTest::newRow("a shadow") << 90 << 240 << true;
    QTest::newRow("nothing measured") << 0 << 0 << false;
}

void TestRegions::lightIsUneven() {
    QFETCH(int, darkest);
    QFETCH(int, lightest);
    QFETCH(bool, uneven);
    QCOMPARE(quillpix::pagelayout::lightIsUneven({darkest, lightest}), uneven);
}

// Lines bent by a curl are drawn straight; straight lines are left as they are.
void TestRegions::curlDrawnStraight() {
    QImage flat(1600, 2000, QImage::Format_Grayscale8);
    flat.fill(255);
    {
        QPainter p(&flat);
        p.setFont(fontOf(36));
        for (int line = 0; line < 24; ++line)
            p.drawText(QPoint(120, 160 + line * 70),
                       QStringLiteral("曲がった紙の上の行をまっすぐに読むための試験です。"));
    }
    QImage bent(flat.size(), QImage::Format_Grayscale8);
    bent.fill(255);
    for (int x = 0; x < flat.width(); ++x) {
        const int shift = int(std::lround(45 * std::sin(M_PI * x / flat.width())));
        for (int y = 0; y < flat.height(); ++y)
            if (y - shift >= 0 && y - shift < flat.height())
                bent.scanLine(y)[x] = flat.constScanLine(y - shift)[x];
    }
    QVERIFY(!dewarped(flat));
    const std::optional<QImage> straight = dewarped(bent);
    QVERIFY(straight);
    QVERIFY2(
        blankRows(*straight) > blankRows(bent) + 200,
        qPrintable(QStringLiteral("%1 against %2").arg(blankRows(*straight)).arg(blankRows(bent))));
}

// A table in a frame with its grid, on a vertical page after its columns: one region, read as
// horizontal text row by row, its grid no part of the text it is judged by.
void TestRegions::tableInsideAVerticalPage() {
    QImage page(1800, 1400, QImage::Format_Grayscale8);
    page.fill(255);
    {
        QPainter p(&page);
        p.setFont(fontOf(44));
        const QString column = QStringLiteral("縦に書いた文章の列が続く");
        for (int c = 0; c < 6; ++c)
            for (int k = 0; k < column.size(); ++k)
                p.drawText(QRect(1650 - c * 76, 100 + k * 48, 50, 50), Qt::AlignCenter,
                           column.mid(k, 1));
        // Rows closer together than the cells' words are long.
        const QStringList cells{"項目", "件数", "前年", "見学", "634",  "313", "貸出", "966",
                                "249",  "相談", "417",  "32",   "貸出", "219", "679"};
        p.setPen(QPen(Qt::black, 3));
        for (int row = 0; row <= 5; ++row)
            p.drawLine(700, 400 + row * 69, 1108, 400 + row * 69);
        for (int col = 0; col <= 3; ++col)
            p.drawLine(700 + col * 136, 400, 700 + col * 136, 745);
        for (int k = 0; k < cells.size(); ++k)
            p.drawText(QRect(700 + (k % 3) * 136, 400 + (k / 3) * 69, 136, 69), Qt::AlignCenter,
                       cells[k]);
        for (int c = 0; c < 6; ++c)
            for (int k = 0; k < column.size(); ++k)
                p.drawText(QRect(500 - c * 76, 100 + k * 48, 50, 50), Qt::AlignCenter,
                           column.mid(k, 1));
    }
    const PixPtr grey = toGreyPix(page);
    const std::vector<Region> regions = textRegions(inkOf(grey.get()));
    QCOMPARE(regions.size(), size_t(3));
    QCOMPARE(regions[0].direction, Direction::Vertical);
    QCOMPARE(regions[1].direction, Direction::Horizontal);
    QCOMPARE(regions[2].direction, Direction::Vertical);
    QVERIFY(regions[1].box.right() < regions[0].box.left());
}

QTEST_MAIN(TestRegions)
#include "test_regions.moc"
