#pragma once

// Whether a picture holds text at all, from its ink alone. A page of noise, a blank or nearly
// blank page or a photograph without writing is read as the plain setting reads it: taken
// for one block of text, a page of noise kept the engine for minutes, while the engine's own
// page segmentation finds nothing on it within seconds.
namespace quillpix::pagelayout {

struct Ink;

// The figures the rule below decides by.
struct InkFigures {
    double em = 0;       // the typical character size, in the picture's own pixels
    double coverage = 0; // share of the working picture's pixels that are ink
    int pieces = 0;      // pieces of ink, specks left out
    // Share of the squares a character wide, tiling the picture, that hold no ink: the paper
    // between lines and columns and round the text; noise leaves none.
    double paperShare = 0;
};
InkFigures inkFigures(const Ink& ink);

// The rule's bounds, with the figures they were chosen from (bench_reading --analyse: 78 pages,
// crops and spreads, and pictures without text).
// Characters smaller than this many picture pixels are grains: the engine reads none of them.
// Text measured 31 to 42 (pages, crops), noise 4 to 6.
constexpr double kLeastCharacterPixels = 10;
// Ink on more of the picture than this is no page of text: text measured at most 0.12 (a
// photographed page with its desk 0.37), noise that runs together 0.86.
constexpr double kMostCoverage = 0.6;
// Among this many pieces or more, ink in nearly every square a character wide: no lines, no
// columns, no margin; a field of grains. Pages and crops of that many pieces measured 0.28 (a
// photographed page) to 0.67, noise 0 to 0.011. A cut-out of a line or of a few characters,
// framed tight, leaves no square of paper either, but holds far fewer pieces.
constexpr int kManyPieces = 400;
constexpr double kLeastPaperShare = 0.05;
// Fewer pieces than this are a blot or a speck, not a text.
constexpr int kLeastPieces = 2;

// Text: ink with a character size found, at least two pieces, the typical one no grain, on no
// more of the picture than a page of text covers, with paper between.
bool holdsText(const InkFigures& figures);
bool holdsText(const Ink& ink);

} // namespace quillpix::pagelayout
