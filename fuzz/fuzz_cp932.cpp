// Code page 932 and UTF-8 conversions on arbitrary bytes: never fail, and what the encoder
// writes decodes back to text that encodes to the same bytes.
#include "cp932.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillpix;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QString& text : {cp932::decode(bytes), cp932::decodeUtf8(bytes)}) {
        const QByteArray encoded = cp932::encode(text);
        if (cp932::encode(cp932::decode(encoded)) != encoded)
            std::abort();
        for (QChar c : text)
            (void)cp932::isDoubleByte(c);
    }
    return 0;
}
