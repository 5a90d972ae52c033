#include "ruby.h"

#include <QPainter>

#include <algorithm>
#include <optional>
#include <utility>

namespace quillpix::pagelayout {
namespace {

// Columns are made of the pieces at least this wide (most kanji and many kana have one); a
// ruby is narrower, however tall: its kana may run together into one piece.
constexpr double kWideShare = 0.6;
// How far up and down the columns around a piece are looked for, in characters.
constexpr double kNeighbourhood = 4.0;
// A ruby's pieces start at most this far right of its column's edge (ruby is half
// a character wide, a detached stroke such as the tail of "ん" starts near their right edge),
// and may reach into it by a little, as a wide kanji's stroke can.
constexpr double kMostGap = 0.55;
constexpr double kMostReach = 0.15;
// Left of the leftmost column, with a clear gap but within a ruby's reach: the ruby of a
// column that the frame left out. A stroke of the column's own characters is nearer.
constexpr double kLeastOrphanGap = 0.1;
constexpr double kMostOrphanGap = 1.0;
// Ruby set this far from their column stand in a lane of their own, which the engine reads
// as a column of text; nearer, it takes them with their column and leaves them out.
constexpr double kLeastApartGap = 0.25;
// On a page of tightly set columns, where most ruby stands closer than this to the next
// column, the engine takes ruby into the text wherever they stand.
constexpr double kTightGap = 0.3;
// A piece that shares more than this part of its width with a column belongs to the column.
constexpr double kMostSharedWidth = 0.3;
// Ruby stands beside columns of whole characters; a column narrower than this is a few
// narrow characters or parts of one (the left of "た" at a paragraph's end, its right part
// beside it), whose other pieces are not ruby.
constexpr double kLeastColumnWidth = 0.75;

struct Span {
    int left;
    int right; // one past the last column
};

// The columns within reach of a height on the page: the widths of the wide pieces there (sorted
// by their tops), overlapping ones joined, from left to right.
std::vector<Span> columnsNear(const std::vector<QRect>& columnPieces, double centre, double reach,
                              double em) {
    std::vector<Span> spans;
    const auto first =
        std::lower_bound(columnPieces.begin(), columnPieces.end(), centre - reach - 2 * em,
                         [](const QRect& r, double y) { return r.top() < y; });
    for (auto it = first; it != columnPieces.end() && it->top() <= centre + reach; ++it)
        if (it->bottom() >= centre - reach)
            spans.push_back({it->left(), it->right() + 1});
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.left < b.left; });
    std::vector<Span> columns;
    for (const Span& s : spans) {
        if (!columns.empty() && s.left <= columns.back().right)
            columns.back().right = std::max(columns.back().right, s.right);
        else
            columns.push_back(s);
    }
    return columns;
}

// A narrow piece that may be ruby: beside a column, or left of the leftmost one (orphan), and
// whether it stands apart from its column. Beside a column, the gap to the next column's ink
// when that is within a character.
struct Candidate {
    QRect piece;
    bool orphan;
    bool apart;
    std::optional<double> gapToNext;
};

// Where a narrow piece stands against the columns around it: a candidate, or none when it lies
// in a column or beside none.
std::optional<Candidate> rubyCandidate(const QRect& piece, const std::vector<Span>& columns,
                                       double em) {
    const int left = piece.left();
    const int right = piece.right() + 1;
    bool inColumn = false;
    bool orphan = false;
    bool besideColumn = false;
    bool apart = false;
    if (!columns.empty()) {
        const double gap = columns.front().left - right;
        orphan = gap >= kLeastOrphanGap * em && gap <= kMostOrphanGap * em;
    }
    for (const Span& c : columns) {
        const int shared = std::min(right, c.right) - std::max(left, c.left);
        if (shared > kMostSharedWidth * piece.width())
            inColumn = true;
        const double gap = left - c.right;
        if (gap >= -kMostReach * em && gap <= kMostGap * em &&
            c.right - c.left >= kLeastColumnWidth * em) {
            besideColumn = true;
            apart = apart || gap >= kLeastApartGap * em;
        }
    }
    if (inColumn || !(orphan || besideColumn))
        return std::nullopt;
    Candidate candidate{piece, orphan, apart, std::nullopt};
    if (besideColumn) {
        const auto next = std::find_if(columns.begin(), columns.end(),
                                       [right](const Span& c) { return c.left >= right; });
        if (next != columns.end() && next->left - right <= em)
            candidate.gapToNext = double(next->left - right);
    }
    return candidate;
}

// Whether the page's columns are set tightly: most ruby beside a column stands closer than
// kTightGap to the next column's ink.
bool tightlySet(std::vector<double> gapsToNext, double em) {
    if (gapsToNext.empty())
        return false;
    auto middle = gapsToNext.begin() + gapsToNext.size() / 2;
    std::nth_element(gapsToNext.begin(), middle, gapsToNext.end());
    return *middle < kTightGap * em;
}

} // namespace

std::vector<QRect> rubyMarks(const std::vector<QRect>& pieces, double em, Marks which) {
    std::vector<QRect> marks;
    if (em <= 0)
        return marks;
    const auto wide = [em](const QRect& r) { return r.width() >= kWideShare * em; };
    std::vector<QRect> columnPieces;
    for (const QRect& r : pieces)
        if (wide(r))
            columnPieces.push_back(r);
    std::sort(columnPieces.begin(), columnPieces.end(),
              [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    const double reach = kNeighbourhood * em;
    std::vector<Candidate> candidates;
    std::vector<double> gapsToNext; // of ruby beside a column, to the next column's ink
    for (const QRect& piece : pieces) {
        if (wide(piece))
            continue;
        const double centre = piece.top() + piece.height() / 2.0;
        const std::optional<Candidate> candidate =
            rubyCandidate(piece, columnsNear(columnPieces, centre, reach, em), em);
        if (!candidate)
            continue;
        candidates.push_back(*candidate);
        if (candidate->gapToNext)
            gapsToNext.push_back(*candidate->gapToNext);
    }
    const bool tight = tightlySet(std::move(gapsToNext), em);
    for (const Candidate& c : candidates) {
        const bool taken =
            which == Marks::All ||
            (which == Marks::TheEngineReads ? c.orphan || c.apart || tight : c.orphan);
        if (taken)
            marks.push_back(c.piece);
    }
    return marks;
}

QImage paintedOver(const QImage& picture, const std::vector<QRect>& boxes, int scale, int paper) {
    QImage out = picture.convertToFormat(QImage::Format_Grayscale8);
    if (boxes.empty())
        return out;
    QPainter painter(&out);
    const QColor grey(paper, paper, paper);
    for (const QRect& b : boxes)
        painter.fillRect(
            QRect(b.left() * scale, b.top() * scale, b.width() * scale, b.height() * scale)
                .adjusted(-scale, -scale, scale, scale),
            grey);
    painter.end();
    return out;
}

QImage rubyPaintedOver(const QImage& picture, const std::vector<QRect>& marks,
                       const std::vector<QRect>& pieces, int scale, int paper, int threshold) {
    QImage out = picture.convertToFormat(QImage::Format_Grayscale8);
    // Ink, and the soft edge a scan gives it, is what lies below the paper's grey by more than
    // its grain; the grain stays: a flat patch in it changes how the engine reads the column
    // beside it, and a faint ghost of the ruby is read as characters of its own.
    const int cut = paper - std::max(2, (paper - threshold) / 8);
    const auto full = [scale](const QRect& r) {
        return QRect(r.left() * scale, r.top() * scale, r.width() * scale, r.height() * scale);
    };
    const QRect whole = out.rect();
    std::vector<QRect> kept;
    for (const QRect& m : marks) {
        // A working pixel around the ruby for its soft edge, but never into another piece:
        // the characters beside it keep every stroke.
        const QRect region = full(m).adjusted(-scale, -scale, scale, scale).intersected(whole);
        kept.clear();
        for (const QRect& p : pieces)
            if (p != m && full(p).intersects(region))
                kept.push_back(full(p));
        for (int y = region.top(); y <= region.bottom(); ++y) {
            uchar* row = out.scanLine(y);
            for (int x = region.left(); x <= region.right(); ++x)
                if (row[x] < cut && std::none_of(kept.begin(), kept.end(), [x, y](const QRect& k) {
                        return k.contains(x, y);
                    }))
                    row[x] = uchar(paper);
        }
    }
    return out;
}

} // namespace quillpix::pagelayout
