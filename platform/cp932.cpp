#include "cp932.h"

#include <unicode/ucnv.h>

#include <array>
#include <memory>
#include <stdexcept>

namespace quillpix::cp932 {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter openConverter(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    Converter conv(ucnv_open(name, &status));
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("ICU has no converter for ") + name);
    return conv;
}

Converter openCp932() {
    Converter conv = openConverter("windows-31j");
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setSubstChars(conv.get(), "?", 1, &status);
    return conv;
}

QString toUnicode(UConverter* conv, const QByteArray& bytes) {
    if (bytes.isEmpty())
        return {};
    // Every input byte yields at most two UTF-16 units.
    QString out(bytes.size() * 2 + 2, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), out.size(),
                              bytes.constData(), bytes.size(), &status);
    if (U_FAILURE(status))
        throw std::runtime_error("text could not be decoded");
    out.truncate(n);
    return out;
}

} // namespace

QByteArray encode(const QString& text) {
    if (text.isEmpty())
        return {};
    Converter conv = openCp932();
    // A UTF-16 unit gives at most two bytes.
    QByteArray out(text.size() * 2 + 2, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    int32_t n =
        ucnv_fromUChars(conv.get(), out.data(), out.size(),
                        reinterpret_cast<const UChar*>(text.constData()), text.size(), &status);
    if (U_FAILURE(status))
        throw std::runtime_error("text could not be encoded as code page 932");
    out.truncate(n);
    return out;
}

QString decode(const QByteArray& bytes) {
    Converter conv = openCp932();
    return toUnicode(conv.get(), bytes);
}

QString decodeUtf8(const QByteArray& bytes) {
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    Converter conv = openConverter("UTF-8");
    return toUnicode(conv.get(), body);
}

bool isDoubleByte(QChar c) {
    // One bit per UTF-16 unit; a lone surrogate has no code page 932 form.
    static const std::array<uint64_t, 1024> table = [] {
        std::array<uint64_t, 1024> bits{};
        Converter conv = openConverter("windows-31j");
        UErrorCode status = U_ZERO_ERROR;
        ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                              &status);
        for (uint32_t u = 0; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            UChar ch = static_cast<UChar>(u);
            char buf[8];
            status = U_ZERO_ERROR;
            int32_t n = ucnv_fromUChars(conv.get(), buf, sizeof buf, &ch, 1, &status);
            if (U_SUCCESS(status) && n == 2)
                bits[u >> 6] |= uint64_t(1) << (u & 63);
        }
        return bits;
    }();
    const uint16_t u = c.unicode();
    return (table[u >> 6] >> (u & 63)) & 1;
}

} // namespace quillpix::cp932
