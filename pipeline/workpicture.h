#pragma once

#include <QImage>
#include <QString>

// The picture the engine reads: the window's cut-out of the selection or the batch's whole
// picture, in one form for both.
namespace quillpix::pipeline {

// The picture as the engine gets it: 8-bit grey when every pixel is grey, 32-bit RGB otherwise
// (pictures::keptForm; the engine reads the same text from both, and a grey one faster), at the
// resolution the window's cut-out has always carried (96 dpi), which the engine takes from the
// file.
QImage workPicture(const QImage& picture);

// Writes workPicture(picture) as a Windows bitmap, a new file in place of an old one: a grey
// picture as an 8-bit bitmap with a grey palette, which reads back as the same pixels. Throws a
// Failure naming the file when it cannot be written.
void writeWorkPicture(const QImage& picture, const QString& path);

} // namespace quillpix::pipeline
