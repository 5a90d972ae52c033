#pragma once

#include <QImage>

#include <optional>

// Which way up a page lies, as the engine's orientation detection (the "osd" language data) sees
// it from the shapes of its characters: a page laid on the scanner sideways or upside down reads
// as noise until it is turned upright. The writing direction does not enter: the characters of
// an upright vertical page stand upright as those of a horizontal one do.
namespace quillpix::engine {

struct OrientationFinding {
    bool found = false;    // false: no orientation data, too few characters, or a library failure
    int quarterTurns = 0;  // clockwise quarter turns (0 to 3) that make the text upright
    double confidence = 0; // the best turn's lead over the next best, in the library's units
};

// The engine's finding on the picture; when the whole picture leaves the detection unsure (a lead
// under kSureOrientation), its two halves' characters are added to the sample. Each thread keeps
// one detector of its own, loaded on its first call (loading takes longer than a page's detection)
// and unloaded when the thread ends; nothing of the library's process-wide settings is changed, so
// threads may call this at once.
OrientationFinding findOrientation(const QImage& picture);

// Below this lead the finding is not acted on. Measured on 48 pictures in six fonts, each turned
// four ways (192 findings): the one wrong finding led by 0.3; right ones on whole pages by 0.7 to
// 42, most by more than 8; cut-outs of a line or a column by at most 4.8 (right, but too few
// characters to trust, and refused by their size before this). A page and its halves together,
// blurred small text in a thin font, led the wrong way by up to 3.8, the right way by 6.6 or more
// where the whole page alone led by under 1.
constexpr double kSureOrientation = 6.0;

// The quarter turns to make when the finding is sure, none when it is not (nothing to turn is 0).
std::optional<int> turnsToMake(const OrientationFinding& finding);

} // namespace quillpix::engine
