#include "filedevice.h"

#include "failure.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace quillpix::searchablepdf {

namespace pdf = PoDoFo;

void FileDevice::Print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length >= 0)
        PrintV(format, length, args);
    va_end(args);
    if (length < 0)
        PODOFO_RAISE_ERROR(pdf::ePdfError_InvalidDataType);
}

void FileDevice::PrintV(const char* format, long length, va_list args) {
    std::string text(size_t(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    Write(text.data(), size_t(length));
}

void FileDevice::Write(const char* data, size_t length) {
    const qsizetype at = qsizetype(m_position - m_flushed);
    const qsizetype over = std::min(qsizetype(length), m_buffer.size() - at);
    m_buffer.replace(at, over, data, over);
    m_buffer.append(data + over, qsizetype(length) - over);
    m_position += length;
    if (m_buffer.size() >= kFlushAt && m_position == end())
        send(m_buffer.size() - kKept);
}

size_t FileDevice::Read(char*, size_t) {
    PODOFO_RAISE_ERROR(pdf::ePdfError_InternalLogic);
}

void FileDevice::Seek(size_t offset) {
    if (offset < m_flushed || offset > end())
        PODOFO_RAISE_ERROR(pdf::ePdfError_ValueOutOfRange);
    m_position = offset;
}

void FileDevice::send(qsizetype count) {
    if (count <= 0)
        return;
    try {
        m_file.append(m_buffer.constData(), count);
    } catch (const Failure& failure) {
        m_failure = failure.text();
        PODOFO_RAISE_ERROR(pdf::ePdfError_UnexpectedEOF);
    }
    m_buffer.remove(0, count);
    m_flushed += size_t(count);
}

} // namespace quillpix::searchablepdf
