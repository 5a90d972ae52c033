#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace quillpix::viewer {

// Reads a picture file completely before anything on screen changes. A file that cannot be
// read, is no picture, is cut short or has no pixels, and a picture larger than the view can
// scroll over (withinViewRange), throw a Failure naming the file, so the caller keeps what it
// showed before.
QImage loadPicture(const QString& path, QSize displayOuter);

// Whether the bytes of a Windows bitmap or GIF file hold all the pixel data their headers
// announce. The image reader fills a cut-short file silently with nothing, so the viewer
// checks first. Other formats are not judged here (true).
bool bitmapComplete(const QByteArray& header, qint64 fileSize);
bool gifComplete(const QByteArray& bytes);

} // namespace quillpix::viewer
