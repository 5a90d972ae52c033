#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Pictures and the pages of documents, read for display: PNG, JPEG, TIFF, WebP, BMP and GIF
// through Qt's image readers, PDF through Poppler. The format is judged by the file's content,
// never by its name.
namespace quillpix::pictures {

// A page index (from 0), or none: the whole picture, or the first page of a document.
inline constexpr int kNoPage = -1;
// Documents are drawn at this resolution unless their scanned pictures are finer.
inline constexpr double kDocumentDpi = 300;
inline constexpr double kFinestDocumentDpi = 600;

// How many pages a file holds: a PDF's pages and a TIFF's images, counted without drawing or
// decoding; 1 for every other picture and for a file that cannot be read (choosing it then
// tells why). Only regular files are opened.
int pageCount(const QString& path);

// Decoded pictures larger than this (in bytes, at least 4 per pixel) are refused before
// decoding: the smaller of 768 MiB and half the machine's memory.
qint64 memoryCeiling();

// Reads page `page` of the file (kNoPage: the picture, or a document's first page) completely
// and gives it as Format_RGB32: transparent parts laid on white paper, the JPEG orientation
// applied, 16-bit, CMYK, grey, palette and 1-bit pictures converted. Throws a Failure with a
// Japanese message naming the file (and page) when the file is no regular file, cannot be
// read, is damaged, cut short, password-protected or empty, has no such page, is larger than
// `largest` (a page: at kDocumentDpi), or would not fit into memoryCeiling().
QImage readPage(const QString& path, int page, QSize largest);

// Lays transparent pixels on white and gives Format_RGB32, in place where the format allows.
QImage onWhitePaper(QImage image);

} // namespace quillpix::pictures
