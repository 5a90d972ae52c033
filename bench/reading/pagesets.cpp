#include "pagesets.h"

#include "pagetexts.h"

#include <QPainter>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <random>

namespace quillpix::readingbench {

using workspace::PageStyle;
using workspace::ScanStyle;
using workspace::TextPage;
using workspace::Writing;

QString categoryName(Category category) {
    switch (category) {
    case Category::Horizontal:
        return QStringLiteral("horizontal");
    case Category::LatinDense:
        return QStringLiteral("latin");
    case Category::Vertical:
        return QStringLiteral("vertical");
    case Category::Furigana:
        return QStringLiteral("furigana");
    case Category::Skewed:
        return QStringLiteral("skewed");
    case Category::Book:
        return QStringLiteral("book");
    case Category::Crops:
        return QStringLiteral("crops");
    case Category::TwoTiers:
        return QStringLiteral("two-tiers");
    case Category::Turned:
        return QStringLiteral("turned");
    case Category::Tables:
        return QStringLiteral("tables");
    case Category::Photos:
        return QStringLiteral("photos");
    case Category::Spreads:
        return QStringLiteral("spreads");
    case Category::WholeBook:
        return QStringLiteral("whole-book");
    }
    return {};
}

std::vector<Category> allCategories() {
    return {Category::Horizontal, Category::LatinDense, Category::Vertical, Category::Furigana,
            Category::Skewed,     Category::Book,       Category::Crops,    Category::TwoTiers,
            Category::Turned,     Category::Tables,     Category::Photos,   Category::Spreads,
            Category::WholeBook};
}

QStringList measuredFamilies() {
    return {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Serif CJK JP"),
            QStringLiteral("IPAMincho"), QStringLiteral("IPAexGothic")};
}

QStringList heldOutFamilies() {
    return {QStringLiteral("VL Gothic"), QStringLiteral("Sawarabi Mincho")};
}

namespace {

// FNV-1a over the name's UTF-16 units: unlike qHash, the same in every process.
quint32 stableHash(const QString& name) {
    quint32 h = 2166136261u;
    for (QChar c : name) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    return h;
}

// Everything random about a picture comes from one generator seeded by its name, so the sets
// are the same in every run and on every machine.
class Maker {
public:
    explicit Maker(const QString& name) : m_random(stableHash(name)) {}

    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(m_random);
    }
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }

    // The paragraphs from a random start, enough to fill any page.
    QStringList paragraphs(const QStringList& all) {
        const int start = pick(int(all.size()));
        QStringList out;
        for (int k = 0; k < 12; ++k)
            out.append(all[(start + k) % all.size()]);
        return out;
    }

    PageStyle style(const QString& family, Writing writing) {
        PageStyle style;
        style.family = family;
        style.writing = writing;
        static const int sizes[] = {38, 42, 44}; // 9, 10 and 10.5 pt at 300 dpi
        style.pixelSize = sizes[pick(3)];
        style.linePitch = uniform(1.65, 1.95);
        return style;
    }

    // A flat-bed scan: slight blur, sensor noise, paper a little grey, sometimes JPEG.
    ScanStyle scan() {
        ScanStyle scan;
        scan.blurSigma = uniform(0.5, 1.1);
        scan.noiseSigma = uniform(3, 9);
        scan.speckRate = uniform(0, 0.0004);
        static const int qualities[] = {0, 0, 75, 90};
        scan.jpegQuality = qualities[pick(4)];
        scan.paper = int(uniform(232, 252));
        scan.ink = int(uniform(10, 45));
        scan.seed = quint32(pick(1 << 30));
        return scan;
    }

    double skew() {
        const double magnitude = uniform(1.0, 3.0);
        return pick(2) == 0 ? magnitude : -magnitude;
    }

private:
    std::mt19937 m_random;
};

QString joined(const QStringList& lines) {
    return lines.join(QLatin1Char('\n'));
}

TestPicture page(const QString& name, Category category, const PageStyle& style,
                 const QStringList& paragraphs, ScanStyle scan) {
    const TextPage typeset = workspace::textPage(paragraphs, style);
    return {name,
            category,
            style.writing,
            workspace::scanned(typeset.image, scan),
            joined(typeset.lines),
            style.family,
            scan.skewDegrees,
            style.ruby};
}

// A vertical book page set in two tiers, as many novels and magazines are: a running head over
// the upper tier, the page number under the lower one, the text running on from the upper tier
// into the lower. The known text is the two tiers' lines, upper first; the running head and the
// page number are not the book's text.
TestPicture twoTierPage(const QString& name, Maker& m, const QString& family,
                        const QStringList& paragraphs) {
    PageStyle style = m.style(family, Writing::Vertical);
    style.ruby = m.pick(2) == 0;
    if (style.ruby)
        style.linePitch = std::max(style.linePitch, 1.8);
    const QSize page(1748, 2480);
    const int top = 230;
    const int gap = int(style.pixelSize * m.uniform(1.8, 2.6));
    const int tierHeight = (page.height() - 2 * top - gap) / 2;
    style.size = QSize(page.width(), tierHeight);
    style.margins = QMargins(170, 0, 170, 0);
    const TextPage upper = workspace::textPage(paragraphs, style);
    const TextPage lower = workspace::textPage(paragraphs.mid(upper.paragraphsSet), style);

    QImage sheet(page, QImage::Format_Grayscale8);
    sheet.fill(Qt::white);
    sheet.setDotsPerMeterX(upper.image.dotsPerMeterX());
    sheet.setDotsPerMeterY(upper.image.dotsPerMeterY());
    QPainter painter(&sheet);
    painter.drawImage(0, top, upper.image);
    painter.drawImage(0, top + tierHeight + gap, lower.image);
    const int small = style.pixelSize * 3 / 4;
    painter.drawImage(170, top - 3 * small,
                      workspace::textPicture({QStringLiteral("第三章　春の雨")},
                                             QSize(page.width() - 340, 2 * small), small,
                                             Qt::AlignRight | Qt::AlignVCenter));
    painter.drawImage(
        page.width() / 2 - 100, page.height() - top + small,
        workspace::textPicture({QString::number(12 + m.pick(300))}, QSize(200, 2 * small), small));
    painter.end();
    return {name,
            Category::TwoTiers,
            Writing::Vertical,
            workspace::scanned(sheet, m.scan()),
            joined(upper.lines + lower.lines),
            family,
            0,
            style.ruby};
}

// A horizontal page of a report or a textbook: a heading in white on a dark band, a paragraph,
// a ruled table, a figure in a box with its caption, and footnotes under a short rule. The known
// text runs as a reader reads it: the heading, the paragraph, the table row by row, the caption,
// the footnotes.
TestPicture tablePage(const QString& name, Maker& m, const QString& family,
                      const QStringList& paragraphs) {
    const QSize size(1748, 2480);
    const int left = 170;
    const int width = size.width() - 2 * left;
    QImage sheet(size, QImage::Format_Grayscale8);
    sheet.fill(Qt::white);
    sheet.setDotsPerMeterX(11811);
    sheet.setDotsPerMeterY(11811);
    QStringList known;
    QPainter painter(&sheet);
    const auto font = [&family](int pixels, bool bold = false) {
        QFont f(family);
        f.setPixelSize(pixels);
        f.setBold(bold);
        return f;
    };

    static const char* const headings[] = {"第二章　資料の見方", "第三節　調査の結果",
                                           "付録　用語と記号"};
    const QString heading = QString::fromUtf8(headings[m.pick(3)]);
    int y = 200;
    const int band = int(m.uniform(100, 130));
    painter.fillRect(left, y, width, band, QColor(int(m.uniform(20, 90)), 40, 60));
    painter.setPen(Qt::white);
    painter.setFont(font(band / 2, true));
    painter.drawText(QRect(left + 40, y, width - 80, band), Qt::AlignLeft | Qt::AlignVCenter,
                     heading);
    known << heading;
    y += band + 60;

    PageStyle style = m.style(family, Writing::Horizontal);
    style.size = QSize(size.width(), 6 * style.pixelSize * style.linePitch);
    style.margins = QMargins(left, 0, left, 0);
    style.maxLines = 5;
    const TextPage paragraph = workspace::textPage(paragraphs, style);
    painter.drawImage(0, y, paragraph.image);
    known += paragraph.lines;
    y += int(paragraph.lines.size() * style.pixelSize * style.linePitch) + 60;

    static const char* const cells[][3] = {
        {"項目", "数量", "備考"},         {"りんご", "十二箱", "北の倉庫"},
        {"みかん", "八箱", "入荷待ち"},   {"ぶどう", "三箱", "冷蔵で保管"},
        {"なし", "二十箱", "来週に出荷"}, {"もも", "五箱", "傷みやすい"}};
    const int rows = 4 + m.pick(3);
    const int cellHeight = int(style.pixelSize * 1.9);
    const int cellWidth = width / 3;
    painter.setPen(QPen(Qt::black, 3));
    painter.setFont(font(style.pixelSize));
    for (int r = 0; r < rows; ++r) {
        QString row;
        for (int c = 0; c < 3; ++c) {
            const QRect cell(left + c * cellWidth, y + r * cellHeight, cellWidth, cellHeight);
            painter.drawRect(cell);
            painter.drawText(cell.adjusted(20, 0, -20, 0), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::fromUtf8(cells[r][c]));
            row += QString::fromUtf8(cells[r][c]);
        }
        known << row;
    }
    y += rows * cellHeight + 80;

    const QRect figure(left + width / 4, y, width / 2, 360);
    painter.drawRect(figure);
    painter.setBrush(QColor(150, 150, 150));
    for (int k = 0; k < 5; ++k) {
        const int h = 60 + 50 * ((k * 7 + m.pick(3)) % 5);
        painter.drawRect(figure.left() + 60 + k * 120, figure.bottom() - 30 - h, 70, h);
    }
    painter.setBrush(Qt::NoBrush);
    const QString caption = QStringLiteral("図%1　月ごとの来場者数の移り変わり").arg(1 + m.pick(9));
    painter.setFont(font(style.pixelSize * 4 / 5));
    painter.drawText(QRect(left, figure.bottom() + 20, width, style.pixelSize * 2),
                     Qt::AlignHCenter | Qt::AlignTop, caption);
    known << caption;

    const int small = style.pixelSize * 3 / 4;
    int foot = size.height() - 200 - 3 * small * 2;
    painter.drawLine(left, foot, left + 400, foot);
    foot += small;
    static const char* const notes[] = {"＊1　数量は月末の在庫を数えたものです。",
                                        "＊2　備考は担当者の記録によります。"};
    painter.setFont(font(small));
    for (const char* note : notes) {
        painter.drawText(QRect(left, foot, width, small * 2), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromUtf8(note));
        known << QString::fromUtf8(note);
        foot += small * 2;
    }
    painter.end();
    return {name,
            Category::Tables,
            Writing::Horizontal,
            workspace::scanned(sheet, m.scan()),
            joined(known),
            family,
            0,
            false};
}

// A page photographed with a phone held over a desk: the page a little smaller than the frame on
// the dark desk, seen a little from one side (keystone), lit more towards one corner, the
// phone's blur and noise, saved as JPEG with the 72 dpi every phone writes.
TestPicture photoPage(const QString& name, Maker& m, const QString& family, Writing writing,
                      const QStringList& paragraphs) {
    const PageStyle style = m.style(family, writing);
    const TextPage typeset = workspace::textPage(paragraphs, style);
    const QSizeF page(typeset.image.size());
    const QSize frame(2100, 2800);
    const double mx = (frame.width() - page.width()) / 2;
    const double my = (frame.height() - page.height()) / 2;
    // Each corner pulled in by up to 6 % of the page's width, more on the side further away.
    const double pull = page.width() * m.uniform(0.02, 0.06);
    const bool topFar = m.pick(2) == 0;
    QPolygonF seen;
    seen << QPointF(mx + (topFar ? pull : 0) + m.uniform(-20, 20), my + m.uniform(-20, 20))
         << QPointF(mx + page.width() - (topFar ? pull : 0) + m.uniform(-20, 20),
                    my + m.uniform(-20, 20))
         << QPointF(mx + page.width() - (topFar ? 0 : pull) + m.uniform(-20, 20),
                    my + page.height() + m.uniform(-20, 20))
         << QPointF(mx + (topFar ? 0 : pull) + m.uniform(-20, 20),
                    my + page.height() + m.uniform(-20, 20));
    QTransform keystone;
    const QPolygonF flat{QPointF(0, 0), QPointF(page.width(), 0),
                         QPointF(page.width(), page.height()), QPointF(0, page.height())};
    QTransform::quadToQuad(flat, seen, keystone);

    QImage photo(frame, QImage::Format_Grayscale8);
    const int desk = int(m.uniform(30, 75));
    photo.fill(QColor(desk, desk, desk));
    QPainter painter(&photo);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(keystone);
    painter.drawImage(0, 0, typeset.image);
    painter.end();
    // The light falls off from a point near one corner, by up to a third at the far side.
    const QPointF light(m.uniform(0, frame.width()), m.pick(2) == 0 ? 0 : frame.height());
    const double falloff = m.uniform(0.2, 0.35);
    const double reach = std::hypot(frame.width(), frame.height());
    const int paper = int(m.uniform(228, 248));
    for (int y = 0; y < frame.height(); ++y) {
        uchar* line = photo.scanLine(y);
        for (int x = 0; x < frame.width(); ++x) {
            const double d = std::hypot(x - light.x(), y - light.y()) / reach;
            const double value = line[x] > desk + 2 ? 20 + (paper - 20) * line[x] / 255.0 : line[x];
            line[x] = uchar(std::clamp(int(value * (1 - falloff * d * d)), 0, 255));
        }
    }
    photo.setDotsPerMeterX(2835);
    photo.setDotsPerMeterY(2835);
    ScanStyle shot;
    shot.blurSigma = m.uniform(0.8, 1.4);
    shot.noiseSigma = m.uniform(4, 8);
    shot.jpegQuality = 85;
    shot.seed = quint32(m.pick(1 << 30));
    return {name,
            Category::Photos,
            writing,
            workspace::scanned(photo, shot),
            joined(typeset.lines),
            family,
            0,
            false};
}

// A book opened flat on the glass: two A5 pages side by side on an A4-landscape picture, the
// text running on from the left page to the right one (horizontal) or from the right page to
// the left one (vertical), with the fold's shadow down the middle, darkest at the fold, and the
// paper a little grey at the outer edges where the book lifts off the glass. The known text is
// the two pages' lines in a reader's order.
TestPicture spreadPage(const QString& name, Maker& m, const QString& family, Writing writing,
                       const QStringList& paragraphs) {
    PageStyle style = m.style(family, writing);
    const QSize page(1754, 2480);
    style.size = page;
    const int outer = int(m.uniform(150, 230));
    const int inner = int(m.uniform(150, 230));
    const int top = int(m.uniform(180, 260));
    const QMargins leftMargins(outer, top, inner, top);
    const QMargins rightMargins(inner, top, outer, top);
    const bool leftFirst = writing == Writing::Horizontal;
    style.margins = leftFirst ? leftMargins : rightMargins;
    const TextPage first = workspace::textPage(paragraphs, style);
    style.margins = leftFirst ? rightMargins : leftMargins;
    const TextPage second = workspace::textPage(paragraphs.mid(first.paragraphsSet), style);

    QImage sheet(2 * page.width(), page.height(), QImage::Format_Grayscale8);
    sheet.fill(Qt::white);
    sheet.setDotsPerMeterX(first.image.dotsPerMeterX());
    sheet.setDotsPerMeterY(first.image.dotsPerMeterY());
    {
        QPainter painter(&sheet);
        painter.drawImage(leftFirst ? 0 : page.width(), 0, first.image);
        painter.drawImage(leftFirst ? page.width() : 0, 0, second.image);
    }
    // Each pixel's grey is scaled by the shade there: 255 leaves it, lower darkens it.
    const double fold = page.width() + m.uniform(-20, 20);
    const double halfWidth = m.uniform(30, 75);
    const double darkest = m.uniform(70, 170);
    const double edge = m.uniform(0, 25);
    std::vector<double> shade(size_t(sheet.width()), 255.0);
    for (int x = 0; x < sheet.width(); ++x) {
        const double fromFold = std::abs(x - fold) / halfWidth;
        if (fromFold < 1)
            shade[size_t(x)] -= (255 - darkest) * (1 - fromFold) * (1 - fromFold);
        const double fromEdge = std::min(x, sheet.width() - 1 - x) / 40.0;
        if (fromEdge < 1)
            shade[size_t(x)] -= edge * (1 - fromEdge);
    }
    for (int y = 0; y < sheet.height(); ++y) {
        uchar* line = sheet.scanLine(y);
        for (int x = 0; x < sheet.width(); ++x)
            line[x] = uchar(std::lround(line[x] * shade[size_t(x)] / 255.0));
    }
    return {name,
            Category::Spreads,
            writing,
            workspace::scanned(sheet, m.scan()),
            joined(first.lines + second.lines),
            family,
            0,
            false};
}

} // namespace

std::vector<TestPicture> makePictures(const QStringList& families,
                                      const std::vector<Category>& categories, int perFont,
                                      double rubyPitch) {
    const QStringList& prose = workspace::japaneseProse();
    const QStringList& latin = workspace::latinDenseProse();
    std::vector<TestPicture> out;
    auto wanted = [&](Category c) {
        return std::find(categories.begin(), categories.end(), c) != categories.end();
    };
    for (int f = 0; f < families.size(); ++f) {
        const QString& family = families[f];
        for (int n = 0; n < perFont; ++n) {
            const QString tag = QStringLiteral("%1-%2").arg(family).arg(n + 1);
            if (wanted(Category::Horizontal)) {
                for (int k = 0; k < 2; ++k) {
                    const QString name = QStringLiteral("horizontal-%1-%2").arg(tag).arg(k);
                    Maker m(name);
                    out.push_back(page(name, Category::Horizontal,
                                       m.style(family, Writing::Horizontal), m.paragraphs(prose),
                                       m.scan()));
                }
            }
            if (wanted(Category::LatinDense)) {
                const QString name = QStringLiteral("latin-%1").arg(tag);
                Maker m(name);
                out.push_back(page(name, Category::LatinDense, m.style(family, Writing::Horizontal),
                                   m.paragraphs(latin), m.scan()));
            }
            if (wanted(Category::Vertical)) {
                for (int k = 0; k < 2; ++k) {
                    const QString name = QStringLiteral("vertical-%1-%2").arg(tag).arg(k);
                    Maker m(name);
                    out.push_back(page(name, Category::Vertical, m.style(family, Writing::Vertical),
                                       m.paragraphs(prose), m.scan()));
                }
            }
            if (wanted(Category::Furigana)) {
                for (int k = 0; k < 2; ++k) {
                    const QString name = QStringLiteral("furigana-%1-%2").arg(tag).arg(k);
                    Maker m(name);
                    PageStyle style = m.style(family, Writing::Vertical);
                    style.ruby = true;
                    if (rubyPitch > 0)
                        style.linePitch = rubyPitch;
                    out.push_back(
                        page(name, Category::Furigana, style, m.paragraphs(prose), m.scan()));
                }
            }
            if (wanted(Category::Skewed)) {
                for (int k = 0; k < 2; ++k) {
                    const QString name = QStringLiteral("skewed-%1-%2").arg(tag).arg(k);
                    Maker m(name);
                    const Writing writing = k == 0 ? Writing::Horizontal : Writing::Vertical;
                    PageStyle style = m.style(family, writing);
                    ScanStyle scan = m.scan();
                    scan.skewDegrees = m.skew();
                    out.push_back(page(name, Category::Skewed, style, m.paragraphs(prose), scan));
                }
            }
            if (wanted(Category::TwoTiers)) {
                for (int k = 0; k < 2; ++k) {
                    const QString name = QStringLiteral("tiers-%1-%2").arg(tag).arg(k);
                    Maker m(name);
                    out.push_back(twoTierPage(name, m, family, m.paragraphs(prose)));
                }
            }
            if (wanted(Category::Photos)) {
                for (int k = 0; k < 2; ++k) {
                    const QString name = QStringLiteral("photo-%1-%2").arg(tag).arg(k);
                    Maker m(name);
                    out.push_back(photoPage(name, m, family,
                                            k == 0 ? Writing::Horizontal : Writing::Vertical,
                                            m.paragraphs(prose)));
                }
            }
            if (wanted(Category::Tables)) {
                for (int k = 0; k < 2; ++k) {
                    const QString name = QStringLiteral("tables-%1-%2").arg(tag).arg(k);
                    Maker m(name);
                    out.push_back(tablePage(name, m, family, m.paragraphs(prose)));
                }
            }
            if (wanted(Category::Crops)) {
                // A line, a paragraph, a column and a few columns, dragged with a margin of a
                // quarter to one character around them.
                const struct {
                    const char* kind;
                    Writing writing;
                    int lines;
                    bool ruby;
                } crops[] = {{"line", Writing::Horizontal, 1, false},
                             {"paragraph", Writing::Horizontal, 4, false},
                             {"column", Writing::Vertical, 1, f % 2 == 1},
                             {"columns", Writing::Vertical, 4, f % 2 == 0}};
                for (const auto& crop : crops) {
                    const QString name =
                        QStringLiteral("crop-%1-%2").arg(QLatin1String(crop.kind), tag);
                    Maker m(name);
                    PageStyle style = m.style(family, crop.writing);
                    style.ruby = crop.ruby;
                    style.maxLines = 8;
                    const TextPage typeset = workspace::textPage(m.paragraphs(prose), style);
                    // A line or column chosen alone is a full one, not a paragraph's last few
                    // characters.
                    int first = 1 + m.pick(int(typeset.lines.size()) - crop.lines - 1);
                    while (crop.lines == 1 && typeset.lines[first].size() < 12)
                        first = (first + 1) % int(typeset.lines.size());
                    const int margin = int(style.pixelSize * m.uniform(0.25, 1.0));
                    const TextPage cut = workspace::cropLines(typeset, first, crop.lines, margin);
                    out.push_back({name, Category::Crops, crop.writing,
                                   workspace::scanned(cut.image, m.scan()), joined(cut.lines),
                                   family, 0, crop.ruby});
                }
            }
        }
    }
    if (wanted(Category::Book)) {
        // Three pages of front matter set horizontally, then the body set vertically, some
        // pages with readings, each page laid a little crooked on the glass; the book's fonts
        // change from page to page so that no one font decides the figure.
        const Writing writings[10] = {Writing::Horizontal, Writing::Horizontal, Writing::Horizontal,
                                      Writing::Vertical,   Writing::Vertical,   Writing::Vertical,
                                      Writing::Vertical,   Writing::Vertical,   Writing::Vertical,
                                      Writing::Vertical};
        for (int p = 0; p < 10; ++p) {
            const QString family = families[p % families.size()];
            const QString name = QStringLiteral("book-%1-%2").arg(p + 1).arg(family);
            Maker m(name);
            PageStyle style = m.style(family, writings[p]);
            style.ruby = writings[p] == Writing::Vertical && p % 2 == 0;
            if (style.ruby)
                style.linePitch = std::max(style.linePitch, 1.8);
            ScanStyle scan = m.scan();
            scan.skewDegrees = m.uniform(-1.2, 1.2);
            out.push_back(
                page(name, Category::Book, style, m.paragraphs(p == 1 ? latin : prose), scan));
        }
    }
    if (wanted(Category::WholeBook)) {
        // A novel scanned as it comes off the shelf: a title page and a foreword set
        // horizontally, then the body set vertically, one page laid on the glass sideways, one
        // chapter set in two tiers with its running head and page number, every page a little
        // crooked; the fonts turn from page to page, the held-out families among them.
        QStringList fonts = families;
        for (const QString& family : heldOutFamilies())
            if (!fonts.contains(family))
                fonts.append(family);
        for (int p = 0; p < 10; ++p) {
            const QString family = fonts[(p + 1) % fonts.size()];
            const QString name = QStringLiteral("whole-book-%1-%2").arg(p + 1).arg(family);
            Maker m(name);
            if (p == 7) {
                TestPicture tiers = twoTierPage(name, m, family, m.paragraphs(prose));
                tiers.category = Category::WholeBook;
                out.push_back(std::move(tiers));
                continue;
            }
            const Writing writing = p < 2 ? Writing::Horizontal : Writing::Vertical;
            PageStyle style = m.style(family, writing);
            style.ruby = writing == Writing::Vertical && p % 3 == 0;
            if (style.ruby)
                style.linePitch = std::max(style.linePitch, 1.8);
            ScanStyle scan = m.scan();
            scan.skewDegrees = m.uniform(-1.0, 1.0);
            if (p == 4)
                scan.quarterTurns = 3;
            out.push_back(page(name, Category::WholeBook, style, m.paragraphs(prose), scan));
        }
    }
    if (wanted(Category::Turned)) {
        // Each kind of page turned a quarter, a half and three quarters, a little crooked as
        // well; the fonts include the held-out families whatever was asked, so that no threshold
        // of the turn is fitted to the fonts it was chosen on.
        QStringList fonts = families;
        for (const QString& family : heldOutFamilies())
            if (!fonts.contains(family))
                fonts.append(family);
        const struct {
            const char* kind;
            Writing writing;
            bool ruby;
            bool latin;
        } kinds[] = {{"horizontal", Writing::Horizontal, false, false},
                     {"latin", Writing::Horizontal, false, true},
                     {"vertical", Writing::Vertical, false, false},
                     {"furigana", Writing::Vertical, true, false}};
        int n = 0;
        for (const auto& kind : kinds) {
            for (int quarters = 1; quarters <= 3; ++quarters, ++n) {
                const QString family = fonts[n % fonts.size()];
                const QString name = QStringLiteral("turned-%1-%2-%3")
                                         .arg(QLatin1String(kind.kind))
                                         .arg(90 * quarters)
                                         .arg(family);
                Maker m(name);
                PageStyle style = m.style(family, kind.writing);
                style.ruby = kind.ruby;
                ScanStyle scan = m.scan();
                scan.quarterTurns = quarters;
                scan.skewDegrees = m.uniform(-1.2, 1.2);
                out.push_back(page(name, Category::Turned, style,
                                   m.paragraphs(kind.latin ? latin : prose), scan));
            }
        }
    }
    if (wanted(Category::Spreads)) {
        // A horizontal and a vertical spread in each font, the held-out families included
        // whatever was asked.
        QStringList fonts = families;
        for (const QString& family : heldOutFamilies())
            if (!fonts.contains(family))
                fonts.append(family);
        for (const QString& family : fonts) {
            for (const Writing writing : {Writing::Horizontal, Writing::Vertical}) {
                const QString name =
                    QStringLiteral("spread-%1-%2")
                        .arg(writing == Writing::Horizontal ? QStringLiteral("horizontal")
                                                            : QStringLiteral("vertical"),
                             family);
                Maker m(name);
                out.push_back(spreadPage(name, m, family, writing, m.paragraphs(prose)));
            }
        }
    }
    return out;
}

} // namespace quillpix::readingbench
