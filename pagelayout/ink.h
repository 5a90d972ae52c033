#pragma once

#include "pix.h"

#include <QImage>
#include <QRect>

#include <optional>
#include <vector>

// The ink of a picture as the layout rules see it: separated from the paper, at a working
// scale small enough to be quick, with the typical character size measured. Shared by the
// direction, skew and reading rules so that a picture is separated once.
namespace quillpix::pagelayout {

struct Ink {
    PixPtr binary;             // 1 bit per pixel, ink set, specks left out, at the working scale
    int scale = 1;             // picture pixels per working pixel along each axis
    int paper = 255;           // the paper's grey in the picture
    int threshold = 0;         // greys below this are ink
    double em = 0;             // the typical character size in working pixels; 0: no text found
    std::vector<QRect> pieces; // 8-connected pieces of ink in working pixels, specks left out
};

// Greys darker than the threshold are ink. The threshold lies between the paper's grey (the
// most common one) and the darkest ink (the darkest 0.2 % of pixels), nearer the paper, so that
// thin strokes softened by the scan stay whole; a picture whose darkest pixels are hardly darker
// than its paper has no ink (threshold 0).
int inkThreshold(const std::vector<int>& histogram, int* paper = nullptr);
// The character size from the pieces' sizes: pieces of whole characters are the large ones,
// since strokes and parts of kanji come apart, so a high quantile of the pieces' longer sides.
double typicalCharacterSize(const std::vector<QRect>& pieces);

Ink inkOf(const Pix* grey);
// A picture's grey and its ink, separated once and handed to every rule that looks at the same
// pixels (the orientation check, the spread's fold, the plan).
struct SeparatedInk {
    PixPtr grey;
    Ink ink;
};
// None when the picture library does not take the picture or reports an error on the way:
// each rule then separates the picture on its own and says what went wrong.
std::optional<SeparatedInk> separatedInk(const QImage& picture);

// The box all the ink's pieces lie in, in working pixels; empty when there are none.
QRect extentOf(const Ink& ink);

// The picture in grey with every pixel at `cut` or lighter made white: the paper's grain gone,
// the ink and its soft edges as they were.
QImage paperWhitened(const QImage& picture, int cut);

} // namespace quillpix::pagelayout
