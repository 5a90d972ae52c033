#pragma once

#include "platform.h"

#include <QString>

// The engine's command line and the small text rules around it, over plain values.
namespace quillpix::recognition {

// The item's text after its first colon; an item without a colon is returned whole, one that
// ends with its first colon gives "". Nothing is trimmed.
QString itemValue(const QString& item);

// The text without spaces, ideographic spaces, CR, LF, TAB, form feeds and vertical tabs: what
// is left are the visible characters.
QString removeWhitespace(const QString& text);

// A path as one word for /bin/sh: unchanged when it holds only characters the shell takes
// literally, otherwise in single quotes (a quote inside becomes '\'').
QString shellWord(const QString& path);

// The option "pause" alone goes on a line of its own after the command, so the batch stops
// and the console stays readable. Anything else, other letter case included, stays as it is.
QString optionForBatch(const QString& option);

// "tesseract <P>/tmp.bmp <P>/tmp -l <lang> --psm <psm> <opt>", with the two paths as shell
// words; for a program folder that needs no quoting this is plain concatenation.
QString buildCommandLine(const QString& programFolder, const QString& psm, const QString& lang,
                         const QString& opt);

// With "pause" anywhere in the text (letter case counts) the batch gets the console window,
// otherwise it runs without one.
WindowStyle windowStyleFor(const QString& text);

} // namespace quillpix::recognition
