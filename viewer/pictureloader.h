#pragma once

#include "pages.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace quillpix::viewer {

// Reads a picture, or page `page` of a document (index from 0; pictures::kNoPage for a
// picture or a one-page document), completely before anything on screen changes, as an
// opaque Format_RGB32 image on white paper. A file that cannot be read, is no picture, is cut
// short, damaged, password-protected or has no pixels, a page that does not exist, a picture
// larger than the view can scroll over (withinViewRange; a document page at 300 dpi) and one
// whose pixels do not fit into memory throw a Failure with a Japanese message naming the file
// (and page), so the caller keeps what it showed before.
QImage loadPage(const QString& path, int page, QSize displayOuter);
// The same for a whole picture.
QImage loadPicture(const QString& path, QSize displayOuter);

} // namespace quillpix::viewer
