#pragma once

#include "textfiles.h"

#include <QByteArray>
#include <QString>

#include <podofo/podofo.h>

#include <cstdarg>

namespace quillpix::searchablepdf {

// PoDoFo writes through this device into the pending file. The file only grows, but PoDoFo
// steps back over the last few bytes it wrote to write them again ("endobj" becomes "stream"),
// so the newest bytes stay in memory until more has been written after them. A failing write
// is kept here and PoDoFo unwound with an error of its own, so its objects are left as it
// expects.
class FileDevice final : public PoDoFo::PdfOutputDevice {
public:
    explicit FileDevice(textfiles::PendingFile& file) : m_file(file) {}

    void Print(const char* format, ...) override;
    void PrintV(const char* format, long length, va_list args) override;
    void Write(const char* data, size_t length) override;
    size_t Read(char*, size_t) override;
    void Seek(size_t offset) override;
    size_t Tell() const override { return m_position; }
    size_t GetLength() const override { return end(); }
    void Flush() override { send(m_buffer.size()); }

    const QString& failure() const { return m_failure; }

private:
    static constexpr qsizetype kFlushAt = 1 << 20;
    static constexpr qsizetype kKept = 4096;

    size_t end() const { return m_flushed + size_t(m_buffer.size()); }
    void send(qsizetype count);

    textfiles::PendingFile& m_file;
    QByteArray m_buffer;  // the bytes from m_flushed on
    size_t m_flushed = 0; // how many went to the file
    size_t m_position = 0;
    QString m_failure;
};

} // namespace quillpix::searchablepdf
