#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <vector>

// Vertical books set in two tiers (二段組): blocks of columns one above the other, with a band
// across the page that no column crosses. The engine's vertical block mode reads columns right
// to left across the whole page, so each upper-tier column would be joined to the one under it.
// Set side by side instead, the lower tier to the left of the upper one, the columns are read in
// the order a reader reads them: the upper tier right to left, then the lower one.
namespace quillpix::pagelayout {

struct Ink;

// Where the ink runs down the page in tiers, in working pixels, top to bottom: each band the
// full width of the ink. Empty unless there are at least two, each at least a few characters
// tall and holding columns: a page of one tier, a crop of a few characters or a running head
// over one block gives none. Thin bands above, between or below the tiers (a running head, a
// page number) belong to no tier.
std::vector<QRect> tiersOf(const Ink& ink);

// The lines of a vertical page above its text and below it, apart from it and no taller than a
// line: a running head, a page number. None without text (a tier's worth) to be apart from. A
// reader making a book's text does not want them in the prose.
std::vector<QRect> runningHeadsOf(const Ink& ink);

// One part of a picture set somewhere on another: from lies on the first, at lies at `to` on the
// second.
struct Placement {
    QRect from;
    QPoint to;
    bool operator==(const Placement&) const = default;
};

// Parts of a picture set anew on fresh paper, and where each went.
struct PartsSet {
    QImage picture;
    std::vector<Placement> placements;
};
// The tiers (in picture pixels, top to bottom) set side by side, the first at the right, with a
// gutter of `gap` pixels between them and around them.
PartsSet sideBySide(const QImage& picture, const std::vector<QRect>& tiers, int gap, int paper);

} // namespace quillpix::pagelayout
