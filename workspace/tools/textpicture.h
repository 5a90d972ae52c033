#pragma once

#include <QImage>
#include <QSize>
#include <QStringList>

namespace quillpix::workspace {

// Black text on white paper in Noto Sans CJK JP, as a scan gives it to the engine: the lines,
// one under the other, inside the picture less margin on every side, aligned as asked.
QImage textPicture(const QStringList& lines, QSize size, int pixelSize,
                   Qt::Alignment alignment = Qt::AlignCenter, int margin = 0);

} // namespace quillpix::workspace
