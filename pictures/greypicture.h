#pragma once

#include <QImage>

// Grey pictures kept as grey: a scan whose every pixel has equal red, green and blue holds one
// byte a pixel instead of four, and the engine reads it as 8-bit grey, which it works through
// faster and with the same text.
namespace quillpix::pictures {

// Whether every pixel has equal red, green and blue, transparency left aside: from the format
// and the colour table where they tell, otherwise by looking at the pixels (stopping at the
// first coloured one).
bool isGrey(const QImage& picture);

// How few bits a picture's pixels need, transparency left aside: black and white only, grey
// levels, or colour.
enum class Tone { Bilevel, Grey, Colour };
Tone toneOf(const QImage& picture);

// The picture as the program keeps it: opaque, transparent parts laid on white paper, as
// Format_Grayscale8 when every pixel is then grey and as Format_RGB32 otherwise. The pixels'
// values do not change: grey g is colour (g, g, g). The resolution is kept.
QImage keptForm(QImage picture);

// The picture as the engine reads it: keptForm(), carrying the resolution the picture declares
// (declaredResolution) or kNoResolution. The engine believes what it is told; 300-dpi text told
// 96 dpi is read with lines run together.
QImage engineForm(const QImage& picture);

} // namespace quillpix::pictures
