#include "textpicture.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace quillpix::workspace {
namespace {

QFont notoSans(int pixelSize) {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(pixelSize);
    return font;
}

QImage whitePaper(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

bool rotatesSideways(QChar c) {
    return c == QChar(0x30FC) || c == QChar(0x2015) || c == QChar(0xFF5E);
}

bool sitsTopRight(QChar c) {
    return c == QChar(0x3001) || c == QChar(0x3002) || c == QChar(0xFF0C) || c == QChar(0xFF0E);
}

} // namespace

QImage textPicture(const QStringList& lines, QSize size, int pixelSize, Qt::Alignment alignment,
                   int margin) {
    QImage image = whitePaper(size);
    QPainter painter(&image);
    painter.setFont(notoSans(pixelSize));
    painter.setPen(Qt::black);
    painter.drawText(image.rect().adjusted(margin, margin, -margin, -margin), alignment,
                     lines.join(QLatin1Char('\n')));
    return image;
}

QImage linesPicture(const QStringList& lines, QSize size, int pixelSize, const LineLayout& layout) {
    QImage image = whitePaper(size);
    QPainter painter(&image);
    painter.setFont(notoSans(pixelSize));
    painter.setPen(Qt::black);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(layout.left, layout.firstBaseline + i * layout.lineStep, lines[i]);
    return image;
}

QRect linesPictureBox(const QStringList& lines, int pixelSize, const LineLayout& layout, int line,
                      int from, int length) {
    const QFontMetrics metrics(notoSans(pixelSize));
    const QString& text = lines.at(line);
    const int baseline = layout.firstBaseline + line * layout.lineStep;
    const int left = layout.left + metrics.horizontalAdvance(text.left(from));
    return QRect(left, baseline - metrics.ascent(),
                 metrics.horizontalAdvance(text.mid(from, length)),
                 metrics.ascent() + metrics.descent());
}

void drawColumns(QPainter& painter, const QStringList& columns, const QFont& font,
                 const ColumnLayout& layout) {
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int em = font.pixelSize();
    const int cell = layout.cell;
    // Ideographs fill the em square from 0.88 em above the baseline to 0.12 em below it.
    const int emAboveBaseline = em * 88 / 100;
    int columnRight = layout.firstColumnRight;
    for (const QString& column : columns) {
        int top = layout.top;
        for (QChar c : column) {
            const QString s(c);
            const int w = metrics.horizontalAdvance(s);
            const int left = columnRight - cell + (cell - w) / 2;
            const int baseline = top + (cell - em) / 2 + emAboveBaseline;
            if (sitsTopRight(c)) {
                painter.drawText(left + em * 3 / 5, baseline - em * 3 / 5, s);
            } else if (rotatesSideways(c)) {
                painter.save();
                painter.translate(columnRight - cell / 2, top + cell / 2);
                painter.rotate(90);
                painter.drawText(-w / 2, emAboveBaseline - em / 2, s);
                painter.restore();
            } else {
                painter.drawText(left, baseline, s);
            }
            top += cell;
        }
        columnRight -= layout.columnStep;
    }
}

QImage columnsPicture(const QStringList& columns, QSize size, int pixelSize,
                      const ColumnLayout& layout) {
    QImage image = whitePaper(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    drawColumns(painter, columns, notoSans(pixelSize), layout);
    return image;
}

QRect columnsPictureBox(const ColumnLayout& layout, int column, int from, int length) {
    const int right = layout.firstColumnRight - column * layout.columnStep;
    return QRect(right - layout.cell, layout.top + from * layout.cell, layout.cell,
                 length * layout.cell);
}

namespace {

// One unit of line breaking: a character, a Latin word, a space, or a base with its reading,
// which stays whole on one line.
struct Token {
    QString base;
    QString reading;
    bool latin = false;
    bool space = false;
};

bool isLatinWordCharacter(QChar c) {
    return c.unicode() > 0x20 && c.unicode() < 0x7f;
}

std::vector<Token> tokens(const QString& text) {
    std::vector<Token> out;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == u'{') {
            const qsizetype bar = text.indexOf(u'|', i);
            const qsizetype close = text.indexOf(u'}', i);
            if (bar > i && close > bar) {
                out.push_back({text.mid(i + 1, bar - i - 1), text.mid(bar + 1, close - bar - 1)});
                i = close + 1;
                continue;
            }
        }
        if (c == u' ') {
            out.push_back({QStringLiteral(" "), {}, false, true});
            ++i;
        } else if (isLatinWordCharacter(c)) {
            qsizetype j = i;
            while (j < text.size() && isLatinWordCharacter(text[j]))
                ++j;
            out.push_back({text.mid(i, j - i), {}, true});
            i = j;
        } else {
            out.push_back({QString(c), {}});
            ++i;
        }
    }
    return out;
}

bool hangs(const Token& token) {
    static const QString closing = QStringLiteral("、。，．」』）！？");
    return token.base.size() == 1 && closing.contains(token.base[0]);
}

// Marks drawn turned a quarter to the right in vertical writing.
bool turnsInVertical(QChar c) {
    static const QString turned = QStringLiteral("ー－…‥「」『』（）［］【】〔〕〈〉《》｛｝＝-");
    return turned.contains(c);
}

bool isVerticalCornerMark(QChar c) {
    static const QString marks = QStringLiteral("、。，．");
    return marks.contains(c);
}

bool isSmallKana(QChar c) {
    static const QString small = QStringLiteral("ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ");
    return small.contains(c);
}

// Draws with one font and keeps the offsets every cell needs.
class CellPainter {
public:
    CellPainter(QPainter& painter, const QString& family, double em)
        : m_painter(painter), m_font(family), m_em(em) {
        m_font.setPixelSize(std::max(1, int(std::lround(em))));
        const QFontMetricsF metrics(m_font);
        // The baseline that centres an ideograph's ink in its em box.
        m_baseline = em / 2 - metrics.tightBoundingRect(QStringLiteral("国")).center().y();
    }

    double em() const { return m_em; }
    double advance(const QString& text) const {
        return QFontMetricsF(m_font).horizontalAdvance(text);
    }

    // A horizontal run with its em box's top edge at top.
    void drawHorizontal(double left, double top, const QString& text) {
        m_painter.setFont(m_font);
        m_painter.drawText(QPointF(left, top + m_baseline), text);
    }

    // One character in the vertical cell whose top left is (left, top).
    void drawVertical(double left, double top, QChar c) {
        m_painter.setFont(m_font);
        const QString s(c);
        const double advance = this->advance(s);
        const QPointF origin(left + (m_em - advance) / 2, top + m_baseline);
        const QPointF centre(left + m_em / 2, top + m_em / 2);
        m_painter.save();
        if (turnsInVertical(c)) {
            m_painter.translate(centre);
            m_painter.rotate(90);
            m_painter.drawText(QPointF(-advance / 2, m_baseline - m_em / 2), s);
        } else if (isVerticalCornerMark(c)) {
            // The mark sits lower left in horizontal text and upper right in vertical text: its
            // ink is mirrored through the cell's centre, the glyph itself not turned.
            const QRectF ink = QFontMetricsF(m_font).tightBoundingRect(s).translated(origin);
            m_painter.translate(2 * (centre - ink.center()));
            m_painter.drawText(origin, s);
        } else if (isSmallKana(c)) {
            m_painter.translate(0.1 * m_em, -0.1 * m_em);
            m_painter.drawText(origin, s);
        } else {
            m_painter.drawText(origin, s);
        }
        m_painter.restore();
    }

    // A Latin word set sideways in a vertical line, reading downwards.
    void drawSideways(double left, double top, const QString& word) {
        m_painter.setFont(m_font);
        m_painter.save();
        m_painter.translate(left + m_em / 2, top);
        m_painter.rotate(90);
        m_painter.drawText(QPointF(0, m_baseline - m_em / 2), word);
        m_painter.restore();
    }

private:
    QPainter& m_painter;
    QFont m_font;
    double m_em;
    double m_baseline = 0;
};

struct PlacedToken {
    const Token* token;
    double offset; // along the line, from its start
    double length;
};

struct Line {
    std::vector<PlacedToken> tokens;
    QString text;
};

// Breaks the paragraphs into lines of the given length. Stops when maxLines lines are made;
// paragraphsSet counts the paragraphs whose every line was made.
std::vector<Line> breakLines(const std::vector<std::vector<Token>>& paragraphs, double length,
                             int maxLines, const CellPainter& cells, int firstIndent,
                             int& paragraphsSet) {
    std::vector<Line> lines;
    paragraphsSet = 0;
    for (const auto& paragraph : paragraphs) {
        Line line;
        double position = firstIndent * cells.em();
        for (const Token& token : paragraph) {
            double size = 0;
            if (token.latin || token.space)
                size = cells.advance(token.base);
            else
                size = token.base.size() * cells.em();
            if (position + size > length + 0.01 && !hangs(token) && !line.tokens.empty()) {
                if (int(lines.size()) == maxLines)
                    return lines;
                lines.push_back(line);
                line = {};
                position = 0;
            }
            if (token.space && line.tokens.empty())
                continue;
            line.tokens.push_back({&token, position, size});
            line.text += token.base;
            position += size;
        }
        while (!line.tokens.empty() && line.tokens.back().token->space) {
            line.tokens.pop_back();
            line.text.chop(1);
        }
        if (!line.tokens.empty()) {
            if (int(lines.size()) == maxLines)
                return lines;
            lines.push_back(line);
        }
        ++paragraphsSet;
    }
    return lines;
}

void gaussianBlur(QImage& grey, double sigma) {
    const int radius = std::max(1, int(std::ceil(3 * sigma)));
    std::vector<double> kernel(2 * radius + 1);
    double sum = 0;
    for (int k = -radius; k <= radius; ++k)
        sum += kernel[k + radius] = std::exp(-k * k / (2 * sigma * sigma));
    for (double& v : kernel)
        v /= sum;
    const int w = grey.width();
    const int h = grey.height();
    std::vector<double> rows(size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            double v = 0;
            for (int k = -radius; k <= radius; ++k)
                v += kernel[k + radius] * line[std::clamp(x + k, 0, w - 1)];
            rows[size_t(y) * w + x] = v;
        }
    }
    for (int y = 0; y < h; ++y) {
        uchar* line = grey.scanLine(y);
        for (int x = 0; x < w; ++x) {
            double v = 0;
            for (int k = -radius; k <= radius; ++k)
                v += kernel[k + radius] * rows[size_t(std::clamp(y + k, 0, h - 1)) * w + x];
            line[x] = uchar(std::clamp(int(std::lround(v)), 0, 255));
        }
    }
}

} // namespace

QString withoutReadings(const QString& markedUp) {
    QString out;
    for (const Token& token : tokens(markedUp))
        out += token.base;
    return out;
}

TextPage textPage(const QStringList& paragraphs, const PageStyle& style) {
    QImage image(style.size, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = int(std::lround(style.dotsPerInch / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);

    std::vector<std::vector<Token>> parsed;
    for (const QString& paragraph : paragraphs)
        parsed.push_back(tokens(paragraph));

    TextPage page;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::black);
    const double em = style.pixelSize;
    CellPainter cells(painter, style.family, em);
    CellPainter rubyCells(painter, style.family, em / 2);
    const double pitch = style.linePitch * em;
    const QRect area = image.rect().marginsRemoved(style.margins);
    const bool vertical = style.writing == Writing::Vertical;
    const double lineLength = vertical ? area.height() : area.width();
    const double across = vertical ? area.width() : area.height();
    int fitting = std::max(0, int(std::floor((across - em) / pitch)) + 1);
    if (style.maxLines > 0)
        fitting = std::min(fitting, style.maxLines);
    const std::vector<Line> lines =
        breakLines(parsed, lineLength, fitting, cells, style.firstIndent, page.paragraphsSet);

    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        page.lines.append(line.text);
        bool hasReading = false;
        if (!vertical) {
            const double top = area.top() + i * pitch;
            for (const PlacedToken& placed : line.tokens)
                cells.drawHorizontal(area.left() + placed.offset, top, placed.token->base);
            page.lineBoxes.append(QRectF(area.left(), top, lineLength, em).toAlignedRect());
            continue;
        }
        const double left = area.right() + 1 - em - i * pitch;
        for (const PlacedToken& placed : line.tokens) {
            const Token& token = *placed.token;
            const double top = area.top() + placed.offset;
            if (token.latin) {
                cells.drawSideways(left, top, token.base);
                continue;
            }
            if (token.space)
                continue;
            for (qsizetype k = 0; k < token.base.size(); ++k)
                cells.drawVertical(left, top + k * em, token.base[k]);
            if (style.ruby && !token.reading.isEmpty()) {
                hasReading = true;
                const double rubyEm = em / 2;
                const double start = top + (placed.length - token.reading.size() * rubyEm) / 2;
                for (qsizetype k = 0; k < token.reading.size(); ++k)
                    rubyCells.drawVertical(left + em, start + k * rubyEm, token.reading[k]);
            }
        }
        page.lineBoxes.append(
            QRectF(left, area.top(), hasReading ? 1.5 * em : em, lineLength).toAlignedRect());
    }
    painter.end();
    page.image = image.convertToFormat(QImage::Format_Grayscale8);
    return page;
}

TextPage cropLines(const TextPage& page, int first, int count, int margin) {
    TextPage crop;
    QRect box;
    for (int i = first; i < first + count && i < page.lineBoxes.size(); ++i) {
        box = box.united(page.lineBoxes[i]);
        crop.lines.append(page.lines[i]);
    }
    box = box.adjusted(-margin, -margin, margin, margin).intersected(page.image.rect());
    crop.image = page.image.copy(box);
    for (int i = first; i < first + count && i < page.lineBoxes.size(); ++i)
        crop.lineBoxes.append(page.lineBoxes[i].translated(-box.topLeft()));
    return crop;
}

QImage scanned(const QImage& page, const ScanStyle& scan) {
    QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
    const int dpmX = page.dotsPerMeterX();
    const int dpmY = page.dotsPerMeterY();
    std::mt19937 random(scan.seed);

    if (scan.quarterTurns % 4 != 0)
        grey = grey.transformed(QTransform().rotate(90.0 * (scan.quarterTurns % 4)));
    if (scan.skewDegrees != 0) {
        QImage turned(grey.size(), QImage::Format_RGB32);
        turned.fill(Qt::white);
        QPainter painter(&turned);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(grey.width() / 2.0, grey.height() / 2.0);
        painter.rotate(scan.skewDegrees);
        painter.translate(-grey.width() / 2.0, -grey.height() / 2.0);
        painter.drawImage(0, 0, grey);
        painter.end();
        grey = turned.convertToFormat(QImage::Format_Grayscale8);
    }
    // Ink and paper greys, then the optics' blur, then the sensor's noise.
    for (int y = 0; y < grey.height(); ++y) {
        uchar* line = grey.scanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            line[x] = uchar(scan.ink + (scan.paper - scan.ink) * line[x] / 255);
    }
    if (scan.blurSigma > 0)
        gaussianBlur(grey, scan.blurSigma);
    if (scan.noiseSigma > 0 || scan.speckRate > 0) {
        std::normal_distribution<double> noise(0, std::max(scan.noiseSigma, 1e-9));
        std::uniform_real_distribution<double> chance(0, 1);
        for (int y = 0; y < grey.height(); ++y) {
            uchar* line = grey.scanLine(y);
            for (int x = 0; x < grey.width(); ++x) {
                double v = line[x] + (scan.noiseSigma > 0 ? noise(random) : 0);
                if (scan.speckRate > 0 && chance(random) < scan.speckRate)
                    v = chance(random) < 0.5 ? scan.ink : scan.paper;
                line[x] = uchar(std::clamp(int(std::lround(v)), 0, 255));
            }
        }
    }
    if (scan.jpegQuality > 0) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        grey.save(&buffer, "JPEG", scan.jpegQuality);
        grey = QImage::fromData(bytes, "JPEG").convertToFormat(QImage::Format_Grayscale8);
    }
    grey.setDotsPerMeterX(dpmX);
    grey.setDotsPerMeterY(dpmY);
    return grey;
}

} // namespace quillpix::workspace
