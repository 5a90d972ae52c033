#pragma once

#include <QRect>

#include <vector>

// The bands of a vertical page from top to bottom: tiers of columns, and the single lines above
// and below them that a book's running head and page number are.
namespace quillpix::pagelayout {

struct Ink;

// The lines of a vertical page above its text and below it, apart from it and no taller than a
// line: a running head, a page number. None without text (a tier's worth) to be apart from. A
// reader making a book's text does not want them in the prose.
std::vector<QRect> runningHeadsOf(const Ink& ink);

} // namespace quillpix::pagelayout
