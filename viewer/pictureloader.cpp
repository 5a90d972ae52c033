#include "pictureloader.h"

#include "viewmath.h"

namespace quillpix::viewer {

QImage loadPage(const QString& path, int page, QSize displayOuter) {
    return pictures::readPage(path, page, largestPicture(displayOuter));
}

QImage loadPicture(const QString& path, QSize displayOuter) {
    return loadPage(path, pictures::kNoPage, displayOuter);
}

} // namespace quillpix::viewer
