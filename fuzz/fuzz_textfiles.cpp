// The line reader that the list files and the saved result files go through, and the line-end
// rule of the engine output conversion, on arbitrary text.
#include "textfiles.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillpix;
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2));
    const QStringList lines = textfiles::splitLines(text);
    QString joined;
    for (const QString& line : lines) {
        if (line.contains(QLatin1Char('\r')))
            std::abort(); // a CR always ends a line
        joined += line + QStringLiteral("\r\n");
    }
    // Re-reading what was read gives the same lines.
    if (textfiles::splitLines(joined) != lines)
        std::abort();
    const QString normal = textfiles::normaliseLineEnds(text);
    for (qsizetype i = 0; i < normal.size(); ++i)
        if (normal[i] == QLatin1Char('\n') && (i == 0 || normal[i - 1] != QLatin1Char('\r')))
            std::abort(); // every LF follows a CR
    (void)textfiles::parentFolder(text);
    return 0;
}
