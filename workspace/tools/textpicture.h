#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <QStringList>

namespace quillpix::workspace {

// Black text on white paper in Noto Sans CJK JP, as a scan gives it to the engine: the lines,
// one under the other, inside the picture less margin on every side, aligned as asked.
QImage textPicture(const QStringList& lines, QSize size, int pixelSize,
                   Qt::Alignment alignment = Qt::AlignCenter, int margin = 0);

// Lines drawn from a left edge at a fixed pitch, so that a test knows where each character
// went (textPicture leaves that to Qt's layout).
struct LineLayout {
    int left = 0;
    int firstBaseline = 0;
    int lineStep = 0;
};
QImage linesPicture(const QStringList& lines, QSize size, int pixelSize, const LineLayout& layout);
// Where characters from..from+length-1 of line `line` of linesPicture lie: their advance
// across, the font's ascent and descent up and down.
QRect linesPictureBox(const QStringList& lines, int pixelSize, const LineLayout& layout, int line,
                      int from, int length);

// Japanese written top to bottom in columns from right to left, one character per square cell;
// the comma and the full stop move to the upper right of their cell and the long vowel mark
// turns upright, as vertical typesetting places them.
struct ColumnLayout {
    int cell = 0;             // the side of a character's cell
    int columnStep = 0;       // from one column's right edge to the next one's
    int top = 0;              // the top of every column
    int firstColumnRight = 0; // the right edge of the first column
};
void drawColumns(QPainter& painter, const QStringList& columns, const QFont& font,
                 const ColumnLayout& layout);
QImage columnsPicture(const QStringList& columns, QSize size, int pixelSize,
                      const ColumnLayout& layout);
// The cells of characters from..from+length-1 of column `column`.
QRect columnsPictureBox(const ColumnLayout& layout, int column, int from, int length);

} // namespace quillpix::workspace
