// The clean-up rules on arbitrary text: never fail, never grow the text except where a circled
// number from ten up becomes two digits, never leave a form feed, and fold as the text did (the
// searchable PDF's text layer matches the engine's reading to the cleaned text by the fold).
#include "cleanup.h"

#include <cstdlib>

namespace {

QString foldedVisible(const QString& text) {
    QString out = quillpix::cleanup::foldedText(text);
    out.removeIf([](QChar c) { return c.isSpace(); });
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillpix;
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2));
    qsizetype twoDigitCircles = 0;
    for (QChar c : text)
        if (c.unicode() >= 0x2469 && c.unicode() <= 0x2473)
            ++twoDigitCircles;
    const QString cleaned = cleanup::cleanRecognizedText(text);
    if (cleaned.size() > text.size() + twoDigitCircles)
        std::abort();
    if (cleaned.contains(QChar(0x0C)))
        std::abort();
    // The last character goes with the final line end the reader always delivers.
    const QString lines = text + QStringLiteral("\r\n");
    if (foldedVisible(cleanup::cleanRecognizedText(lines)) != foldedVisible(lines))
        std::abort();
    return 0;
}
