#include "textpicture.h"

#include <QFontMetrics>

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

} // namespace quillpix::workspace
