#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSizeF>

namespace quillpix::testing {

// A GIF file of the picture's pixels (at most 256 colours), written with one literal code per
// pixel so no compressor is needed. Qt reads GIF but cannot write it.
QByteArray gifBytes(const QImage& picture);

// The headers of a 24-bit Windows bitmap of the given size, followed by pixelBytes bytes of
// zeros (fewer than the size needs makes a cut-short file).
QByteArray bitmapBytes(int width, int height, qint64 pixelBytes);
qint64 bitmapPixelBytes(int width, int height);

// The picture written by Qt's writer for the format ("png", "jpeg", "tiff", "webp", "bmp").
QByteArray encoded(const QImage& picture, const char* format, int quality = -1);
// A JPEG with an Exif block whose orientation tag holds the value (6: turn right to view).
QByteArray withOrientation(const QByteArray& jpeg, int orientation);
// A bitmap of 8-bit run-length codes: the headers, then the codes as given.
QByteArray runLengthBitmap(int width, int height, const QByteArray& codes);
// A 32-bit bitmap with the 124-byte header, rows stored top-down (negative height).
QByteArray topDownBitmap(const QImage& picture);
// An uncompressed TIFF with one grey page per picture, written by hand (Qt writes one page).
QByteArray greyTiff(const QList<QImage>& pages);
// A PDF of empty pages of the given sizes in points, written by hand; `locked` adds a
// password-protection entry that the empty password does not open.
QByteArray blankPdf(const QList<QSizeF>& pages, bool locked = false);
// A PDF of A4 pages drawn by QPdfWriter, each a large black page number on white.
QByteArray numberedPdf(int pages);
// A one-page PDF of the given size holding the scan at its top-left corner at dpi, with the
// writer's page margins or none, and with a visible word over it or not.
QByteArray scanPdf(const QImage& scan, QSizeF inches, int dpi, bool margins, bool word);

// A one-page PDF written by hand: a page of `points` (MediaBox from 0, 0) showing the scan as
// an uncompressed RGB image stretched over the whole page. `pageEntries` go into the page's
// dictionary (a /CropBox), `resources` into its resources (an /ExtGState), `before` into the
// content before the picture is drawn (a clip, "/G0 gs"); `objects` are added as objects 6, 7…
QByteArray handScanPdf(const QImage& scan, QSizeF points, const QByteArray& pageEntries = {},
                       const QByteArray& resources = {}, const QByteArray& before = {},
                       const QList<QByteArray>& objects = {});
// A PDF saved twice: first without pages, then with an A5 page added by an update appended to
// the file, whose content is a few kilobytes of drawing. Cut short within the update, the file
// still opens, as the first saving without pages.
QByteArray updatedPdf();
// A one-page A5 PDF whose content is `fills` small filled squares: slow to draw, and the
// drawing can be stopped between any two of them.
QByteArray slowPdf(int fills);

} // namespace quillpix::testing
