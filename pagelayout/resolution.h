#pragma once

#include <QImage>

#include <optional>

namespace quillpix::pagelayout {

// The resolution to tell the engine, from what the picture declares, in dots per inch; none
// when the declaration cannot be a scan's, so that the engine estimates it from the size of
// the text. The vertical resolution counts, since the engine measures lines by their height.
// Declarations outside 100 to 1200 dpi are no scan's, and 72 and 96 dpi are what programs
// write (and what Qt reports) for a picture that declares nothing, so they say nothing either.
std::optional<int> plausibleDotsPerInch(int dotsPerMeterX, int dotsPerMeterY);
std::optional<int> plausibleDotsPerInch(const QImage& picture);

} // namespace quillpix::pagelayout
