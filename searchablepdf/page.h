#pragma once

#include "lines.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSizeF>
#include <QString>

// What a page of a searchable PDF is made of: the picture, what the engine recognised on it and
// where, and the text saved for it. Plain values, so that any engine run can fill them and a
// test can write them by hand.
namespace quillpix::searchablepdf {

// The engine's lines, which the text layer is placed on.
using enginelayout::Direction;
using enginelayout::Line;
using enginelayout::Symbol;

struct Page {
    // The picture as a JPEG file's own bytes, which go into the PDF as they are; when empty,
    // image is the picture, which goes in compressed without loss.
    QByteArray jpeg;
    QImage image;
    // Dots per inch across and down. Empty: the picture's own resolution (the JPEG's density,
    // the image's dots per metre). Either counts under the pictures' one rule
    // (pictures::declaredResolution); kDefaultDpi where there is none.
    QSizeF dpi;
    // In the pixels of the picture as shown (a JPEG turned upright as its orientation asks),
    // from the top left, in the engine's reading order.
    QList<Line> lines;
    // The text saved for the page (the engine's text after the clean-up, perhaps edited); the
    // layer holds this text, placed on the boxes of the symbols it was read from.
    QString text;
};

// The resolution taken for a picture that states none a scan could have: a scan's usual.
inline constexpr double kDefaultDpi = 300;

} // namespace quillpix::searchablepdf
