#pragma once

#include <QByteArray>
#include <QStringList>

// The font of the invisible text: every glyph is empty, so the font only gives the text a size
// and a place, and the ToUnicode map tells what each glyph means. Its bytes are made here
// rather than shipped, as nothing of them depends on any design.
namespace quillpix::searchablepdf {

// A TrueType font of two empty glyphs (.notdef and the one every character is drawn with),
// each one em wide, its em square from the baseline up.
QByteArray glyphlessTrueType();

// The ToUnicode CMap of a font with two-byte codes: code i + 1 stands for texts[i].
QByteArray toUnicodeCMap(const QStringList& texts);

// The CIDToGIDMap that draws codes 0 to count - 1 with glyph 1.
QByteArray allToGlyphOne(int count);

} // namespace quillpix::searchablepdf
