#pragma once

#include <QImage>
#include <QSizeF>

#include <optional>

// The one rule for a picture's resolution, for the engine and the searchable PDF alike: what a
// picture declares counts when a scanner could have made it, and nothing else does.
namespace quillpix::pictures {

inline constexpr double kMetresPerInch = 0.0254;

// What a picture carries when it declares no resolution: one dot per metre, which reads as 0
// dots per inch (so the engine estimates the resolution from the text). A QImage cannot hold 0.
inline constexpr int kNoResolution = 1;

// The resolutions a declaration may have, in whole dots per inch, on both axes. Below lie the
// values written for a picture that declares nothing: 72 and 96 dpi by programs, 100 dpi by Qt
// in a program without a screen (the folder batch, and the files such programs save). Above lies
// what the engine itself no longer believes; up to it, a scan's true resolution places its PDF
// page at the paper's size and tells the engine no less than its own estimate.
inline constexpr int kLeastDpi = 101;
inline constexpr int kMostDpi = 2400;

double dotsPerInch(int dotsPerMetre);
// Rounded to whole dots, as the engine takes them.
int wholeDotsPerInch(int dotsPerMetre);
int dotsPerMetre(double dotsPerInch);

// A resolution in dots per inch across and down, when both lie in the range; none otherwise.
std::optional<QSizeF> declaredResolution(QSizeF dotsPerInch);
// What the picture declares. Qt gives a picture whose file declares nothing the resolution every
// new picture gets in this process (the screen's, or 100 dpi without one): that declares nothing
// either, so a window on a screen of unusual resolution does not take it for a scan's.
std::optional<QSizeF> declaredResolution(const QImage& picture);

// Sets the picture's resolution; none gives kNoResolution.
void setResolution(QImage& picture, std::optional<QSizeF> dotsPerInch);

} // namespace quillpix::pictures
