#pragma once

#include "direction.h"

#include <QImage>

namespace quillpix::pagelayout {

struct Ink;

struct SkewFinding {
    // The turn that straightens the lines, in degrees, clockwise positive as seen on screen.
    double degrees = 0;
    // The sharpness of the best angle: the alignment score at that angle over the score at the
    // worst angle searched (1 or less: nothing to align).
    double confidence = 0;
    double linesAcross = 0; // how many line pitches the ink spans across its lines
    bool straighten = false;
};

// Whether a found angle is worth turning the picture for: sharp enough to be real, large
// enough to matter to the engine, and from ink that spans enough lines for the angle to mean
// the page's slant rather than the shapes of a few characters.
bool worthStraightening(double degrees, double confidence, double linesAcross);

// Searches angles up to 5 degrees either way for the one that lines the text up best, on the
// ink as it is for horizontal text and turned a quarter for vertical text.
SkewFinding findSkew(const Ink& ink, Direction direction);
SkewFinding findSkew(const QImage& picture, Direction direction);

// The picture turned clockwise by degrees about its centre, same size, what comes in from
// outside filled with paper of the given grey; an 8-bit grey picture that keeps the
// resolution.
QImage turned(const QImage& picture, double degrees, int paper = 255);

} // namespace quillpix::pagelayout
