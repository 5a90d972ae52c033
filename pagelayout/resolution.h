#pragma once

#include <QImage>

#include <optional>

namespace quillpix::pagelayout {

// The resolution to tell the engine, in dots per inch: the vertical one of what the picture
// declares under the pictures' one rule (pictures::declaredResolution), since the engine
// measures lines by their height; none when it declares nothing a scan could, so that the
// engine estimates it from the size of the text (which it does as well as a true declaration,
// while a false one costs much: text at 300 dpi declared as 96 dpi is read with lines run
// together).
std::optional<int> plausibleDotsPerInch(int dotsPerMeterX, int dotsPerMeterY);
std::optional<int> plausibleDotsPerInch(const QImage& picture);

} // namespace quillpix::pagelayout
