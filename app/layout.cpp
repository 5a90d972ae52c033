#include "layout.h"

#include <algorithm>

namespace quillpix::layout {

QRect grownPlace(const QRect& laidOut, Across across, Down down, QSize extra) {
    const int dw = std::max(0, extra.width());
    const int dh = std::max(0, extra.height());
    QRect r = laidOut;
    if (across == Across::Moves)
        r.translate(dw, 0);
    else if (across == Across::Grows)
        r.setWidth(r.width() + dw);
    const int view = viewShare(dh);
    switch (down) {
    case Down::Stays:
        break;
    case Down::GrowsWithView:
        r.setHeight(r.height() + view);
        break;
    case Down::BelowView:
        r.translate(0, view);
        break;
    case Down::GrowsBelowView:
        r.translate(0, view);
        r.setHeight(r.height() + dh - view);
        break;
    }
    return r;
}

QStringList storedSize(QSize size) {
    return {QString::number(size.width()), QString::number(size.height())};
}

QSize startSize(const QStringList& stored, QSize laidOut, QSize room) {
    if (stored.size() != 2)
        return laidOut;
    bool okW = false, okH = false;
    const int w = stored[0].toInt(&okW);
    const int h = stored[1].toInt(&okH);
    if (!okW || !okH || w < 1 || h < 1 || w > kLargestStoredSide || h > kLargestStoredSide)
        return laidOut;
    const QSize size(std::max(w, laidOut.width()), std::max(h, laidOut.height()));
    return size.width() <= room.width() && size.height() <= room.height() ? size : laidOut;
}

} // namespace quillpix::layout
