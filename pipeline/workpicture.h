#pragma once

#include "pictureresolution.h"

#include <QImage>
#include <QString>

// The picture the engine reads: the window's cut-out of the selection or the batch's whole
// picture, in one form for both.
namespace quillpix::pipeline {

// What a work picture carries when the picture declares no resolution a scan could have.
using pictures::kNoResolution;

// The picture as the engine gets it: 8-bit grey when every pixel is grey, 32-bit RGB otherwise
// (the engine reads the same text from both, and a grey one faster), with the picture's own
// resolution where it declares one, otherwise kNoResolution (pictures::engineForm).
QImage workPicture(const QImage& picture);

// Writes workPicture(picture) as a Windows bitmap, a new file in place of an old one: a grey
// picture as an 8-bit bitmap with a grey palette, which reads back as the same pixels; without a
// resolution its two resolution fields are 0. Throws a Failure naming the file when it cannot be
// written.
void writeWorkPicture(const QImage& picture, const QString& path);

} // namespace quillpix::pipeline
