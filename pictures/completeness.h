#pragma once

#include <QByteArray>
#include <QIODevice>

// Whether a picture file holds all the data its headers announce. The image readers fill a
// cut-short file silently (with nothing, noise or a grey band), so the loader checks first.
// Each function answers true for bytes of another format: it judges only its own.
namespace quillpix::pictures {

// A Windows bitmap: header is the start of the file (at least its first 64 bytes when the file
// has them), fileSize its size. Run-length coded pixels are judged by completeness.cpp's walk
// over the codes, which needs the device: bitmapRunsComplete.
bool bitmapComplete(const QByteArray& header, qint64 fileSize);
// The run-length codes of an RLE4/RLE8 bitmap reach their end mark (or fill every row) before
// the file ends. The device is left where it was.
bool bitmapRunsComplete(QIODevice& file);
// A GIF up to the end of its first image's data.
bool gifComplete(const QByteArray& bytes);
// A JPEG up to its end-of-image marker, walking the segments and the entropy-coded data.
// The device is left where it was.
bool jpegComplete(QIODevice& file);

} // namespace quillpix::pictures
