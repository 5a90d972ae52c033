#pragma once

#include <QFont>
#include <QImage>
#include <QList>
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

// Typeset pages for the reading measurements and the picture-analysis tests.
enum class Writing { Horizontal, Vertical };

// How a page is set. Horizontal lines run left to right, top to bottom; vertical lines (columns)
// run top to bottom, right to left, with the marks that turn in vertical writing turned (long
// vowel mark, brackets, ellipsis), the comma and full stop in the upper right of their cell and
// small kana moved towards it, as vertical fonts draw them.
struct PageStyle {
    QString family = QStringLiteral("Noto Sans CJK JP");
    Writing writing = Writing::Horizontal;
    QSize size{1748, 2480}; // A5 at 300 dpi
    int dotsPerInch = 300;
    int pixelSize = 42;      // the character's em: 10 pt at 300 dpi
    double linePitch = 1.75; // from one line (column) to the next, in ems
    QMargins margins{170, 200, 170, 200};
    // Readings ("{base|reading}") are drawn at half size beside vertical lines, to their right;
    // without this, or on horizontal pages, only the base is drawn.
    bool ruby = false;
    int maxLines = 0;    // 0: as many lines as fit
    int firstIndent = 1; // ems left blank before the first character of each paragraph
};

// What a scanner and its file do to a page.
struct ScanStyle {
    int quarterTurns = 0;   // the page laid on the glass sideways or upside down: quarter turns
                            // clockwise, before any skew
    double skewDegrees = 0; // positive turns the page clockwise as seen on screen
    double blurSigma = 0;   // Gaussian blur, in pixels
    double noiseSigma = 0;  // grey noise on every pixel, in grey levels
    double speckRate = 0;   // share of pixels flipped to a dark or light speck
    int jpegQuality = 0;    // 0: lossless; otherwise written and read back as JPEG
    int paper = 255;        // grey of the paper and of the ink
    int ink = 0;
    quint32 seed = 1;
};

// A typeset page: the picture (8-bit grey, carrying its resolution) and the main text drawn on
// it, one entry per line in reading order, readings left out.
struct TextPage {
    QImage image;
    QStringList lines;
    QList<QRect> lineBoxes; // each line's cell box, readings included, before any skew
    int paragraphsSet = 0;  // how many of the given paragraphs were set whole
};

// Sets the paragraphs on a page until it is full; a paragraph cut off at the page's end ends
// the page. Latin words are never split across lines; a closing mark that does not fit hangs
// into the margin, as books print it.
TextPage textPage(const QStringList& paragraphs, const PageStyle& style);
// The lines first..first+count-1 of a page with margin pixels around them, as a user drags a
// frame around part of a page; the other lines' ink that falls inside is kept.
TextPage cropLines(const TextPage& page, int first, int count, int margin);
// The page as a scanner delivers it (resolution kept).
QImage scanned(const QImage& page, const ScanStyle& scan);
// The text of marked-up prose as read aloud from the page: readings left out.
QString withoutReadings(const QString& markedUp);

} // namespace quillpix::workspace
