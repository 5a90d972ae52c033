#include "cp932.h"

#include "failure.h"

#include <QCoreApplication>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <array>
#include <memory>

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
        throw Failure(
            QCoreApplication::translate(
                "textfiles", "文字コード変換の準備ができません（%1 の変換表がありません）。")
                .arg(QLatin1String(name)));
    return conv;
}

// Every character without a form becomes the substitute. ICU's own substitution leaves out
// invisible format characters (U+200B, a byte-order mark, the soft hyphen) without a trace,
// which would hide them from the report of what was replaced.
void substituteEveryCharacter(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                              UChar32, UConverterCallbackReason reason, UErrorCode* status) {
    if (reason > UCNV_IRREGULAR)
        return;
    *status = U_ZERO_ERROR;
    ucnv_cbFromUWriteSub(args, 0, status);
}

Converter openCp932() {
    Converter conv = openConverter("windows-31j");
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setSubstChars(conv.get(), "?", 1, &status);
    ucnv_setFromUCallBack(conv.get(), substituteEveryCharacter, nullptr, nullptr, nullptr, &status);
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
        throw Failure(QCoreApplication::translate(
                          "textfiles", "文字コードを変換できません（%1 バイトの読み込み）。")
                          .arg(bytes.size()));
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
        throw Failure(QCoreApplication::translate(
                          "textfiles", "文字列を Shift-JIS に変換できません（%1 文字）。")
                          .arg(text.size()));
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

std::optional<QString> strictlyDecoded(const char* encoding, const QByteArray& bytes) {
    UErrorCode status = U_ZERO_ERROR;
    Converter conv(ucnv_open(encoding, &status));
    if (U_FAILURE(status))
        return std::nullopt;
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    // Every input byte yields at most two UTF-16 units.
    QString out(bytes.size() * 2 + 2, Qt::Uninitialized);
    const int32_t n =
        ucnv_toUChars(conv.get(), reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                      bytes.constData(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    out.truncate(n);
    return out;
}

QString unrepresentable(const QString& text) {
    // A character has a form when its code page 932 bytes decode back to it. Surrogate pairs
    // are looked at whole, so an emoji counts once.
    if (decode(encode(text)) == text)
        return {};
    QString missing;
    Converter conv = openCp932();
    Converter back = openCp932();
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype len =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QString one = text.mid(i, len);
        i += len;
        if (one.front().unicode() < 0x80 || missing.contains(one))
            continue;
        char bytes[8];
        UErrorCode status = U_ZERO_ERROR;
        const int32_t n = ucnv_fromUChars(conv.get(), bytes, sizeof bytes,
                                          reinterpret_cast<const UChar*>(one.constData()),
                                          int32_t(one.size()), &status);
        if (U_FAILURE(status) || toUnicode(back.get(), QByteArray(bytes, n)) != one)
            missing += one;
    }
    return missing;
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
