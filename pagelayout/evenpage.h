#pragma once

#include <QImage>

#include <optional>

// A photographed page's uneven light and curl, taken off before the ink is separated: a page half
// in shadow would lose the text on its dark side to one threshold, and lines that bend run into
// the lines above and below them when the engine follows them straight.
namespace quillpix::pagelayout {

// The paper's light is uneven when its darkest part (the darkest twentieth of the paper's grey,
// sampled in squares) is below this share of its lightest: a shadow across the page, not the
// few greys a scanner's light varies by.
constexpr double kLeastEvenLight = 0.8;

// The paper's grey at its darkest and at its lightest, in squares of the picture; none without
// paper enough to tell.
struct PaperLight {
    int darkest = 0;
    int lightest = 0;
};
std::optional<PaperLight> paperLight(const QImage& picture);
bool lightIsUneven(const PaperLight& light);

// Whether the picture was drawn by a program (a screen): its flat colours are no shadow, and its
// dark bands carry text.
bool drawnFlat(const QImage& picture);

// The picture in grey with its paper made evenly white and the ink kept dark against it; none
// when the light is even already (or cannot be told), so a scan keeps its own greys, and none
// for a picture drawn flat.
std::optional<QImage> evenedLight(const QImage& picture);

// Horizontal lines that bend drawn straight, by the picture library's dewarping: a model of the
// page built from its text lines, applied to the picture; none when no model could be built
// (too few lines, lines too short, a page of vertical text) or the lines are straight enough.
std::optional<QImage> dewarped(const QImage& picture);

} // namespace quillpix::pagelayout
