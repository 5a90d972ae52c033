#pragma once

#include <QImage>
#include <QString>

// The picture the engine reads: the window's cut-out of the selection or the batch's whole
// picture, in one form for both.
namespace quillpix::pipeline {

// The picture as the engine gets it: 32-bit RGB at the resolution the window's cut-out has
// always carried (96 dpi), which the engine takes from the file.
QImage workPicture(const QImage& picture);

// Writes workPicture(picture) as a Windows bitmap, a new file in place of an old one; throws a
// Failure naming the file when it cannot be written.
void writeWorkPicture(const QImage& picture, const QString& path);

} // namespace quillpix::pipeline
