#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>

namespace quillpix::pictures {

// A PDF page that shows exactly one upright picture covering the whole page, with nothing else
// visible on it (an invisible text layer may lie over it): the picture's own pixels, decoded
// straight into an opaque RGB32 image, so no page-sized drawing is made besides it (a grey
// scan is then kept as 8-bit grey by the caller). Nothing when the page shows anything else or
// shows the picture otherwise than as it is (a crop box smaller than the page, a clip,
// transparency, a blend mode, a soft mask), when the picture is coarser than minDpi or finer than
// maxDpi, or when it is larger than largest or maxBytes; such a page is drawn instead. This needs
// Poppler's core library; a build without it (kScannedPagesDirect false) always gives nothing.
std::optional<QImage> scannedPagePicture(const QString& path, int pageIndex, double minDpi,
                                         double maxDpi, QSize largest, qint64 maxBytes);

// The same kind of page when its picture is a JPEG shown as it is (grey or RGB, eight bits, no
// Decode array): the JPEG data as the document holds it, undecoded, and the page's size in
// inches, so that it can go into another PDF unchanged. Nothing for any other page, and in a
// build without Poppler's core library.
struct ScannedJpeg {
    QByteArray jpeg;
    QSizeF inches;
};
std::optional<ScannedJpeg> scannedPageJpeg(const QString& path, int pageIndex);

} // namespace quillpix::pictures
