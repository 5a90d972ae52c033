#pragma once

#include <QImage>

#include <optional>

namespace quillpix::pagelayout {

// The resolution to tell the engine, from what the picture declares, in dots per inch; none
// when the declaration cannot be a scan's, so that the engine estimates it from the size of
// the text (which it does as well as a true declaration, while a false one costs much: text
// at 300 dpi declared as 96 dpi is read with lines run together).
//
// Scans are made at 100 to 1200 dpi. Below that lie the values programs write for a picture
// that declares nothing, 72 and 96 dpi (Qt reports 96 for such a picture, and the program's
// work bitmap said 96); above, nothing a scanner makes. The vertical resolution counts, since
// the engine measures lines by their height.
std::optional<int> plausibleDotsPerInch(int dotsPerMeterX, int dotsPerMeterY);
// A picture whose resolution is the one Qt gives every new picture in this process (the
// screen's, or 100 dpi without one) declares nothing.
std::optional<int> plausibleDotsPerInch(const QImage& picture);

} // namespace quillpix::pagelayout
