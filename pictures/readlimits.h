#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

// How large a picture may be before it is decoded: as large as the view can scroll over, as much
// as the memory of the moment takes. Every refusal names the file (and page) in Japanese.
namespace quillpix::pictures {

// The memory this machine has for a new picture: MemAvailable of /proc/meminfo, or none when
// that cannot be read.
std::optional<qint64> availableMemory(const QByteArray& meminfo);
// A decoded picture may fill half of the available memory, less a reserve of 256 MiB for the
// rest of the program: while a picture is converted to the kept format it is held twice.
// Unknown memory allows 768 MiB.
qint64 memoryCeilingFor(std::optional<qint64> available);
// The ceiling for this machine at this moment.
qint64 memoryCeiling();

// Every read checks a picture's size against the memory ceiling before it decodes, so the image
// readers' own allocation limit only has to stay out of the way. It is process-wide and must
// not change while pictures are read on several threads: the program sets it once at start,
// before any thread reads, to the machine's physical memory.
void setUpImageReaders();

// What a page may be: no larger than `largest` (a document page at kDocumentDpi, as the view
// can scroll over it), no more than `memory` bytes decoded (at least 4 per pixel).
// `scannedPagesDirect` lets a page that is exactly one scan be decoded straight into the kept
// picture (where the program was built with Poppler's core library, see kScannedPagesDirect);
// otherwise every page is drawn.
struct ReadLimits {
    QSize largest;
    qint64 memory = 0;
    bool scannedPagesDirect = true;
};

// Throws a Failure: the picture, `size` pixels, is larger than `largest` (`how`: at which
// resolution a document page was measured, or nothing). `where` names the file and page.
[[noreturn]] void refuseTooLarge(const QString& where, QSize size, QSize largest,
                                 const QString& how);
// Throws a Failure when `size` pixels of `bytesPerPixel` (at least 4) exceed `ceiling` bytes.
void checkMemory(const QString& where, QSize size, int bytesPerPixel, qint64 ceiling);

} // namespace quillpix::pictures
