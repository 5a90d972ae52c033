#pragma once

#include "readlimits.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Pictures and the pages of documents, read for display: PNG, JPEG, TIFF, WebP, BMP and GIF
// through Qt's image readers, PDF through Poppler. The format is judged by the file's content,
// never by its name.
namespace quillpix::pictures {

// A page index (from 0), or none: the whole picture, or the first page of a document.
inline constexpr int kNoPage = -1;
// Documents are drawn at this resolution unless their scanned pictures are finer.
inline constexpr double kDocumentDpi = 300;
inline constexpr double kFinestDocumentDpi = 600;
// Pictures with more pixels than this take long enough to decode that the window reads them
// on a thread of its own.
inline constexpr qint64 kSlowPixels = qint64(16) << 20;

// How many pages a file holds: a PDF's pages and a TIFF's images, counted without drawing or
// decoding; 1 for every other picture and for a file that cannot be read (choosing it then
// tells why). Only regular files are opened.
int pageCount(const QString& path);

// The size of a PDF's page (kNoPage: its first) in inches, as the page is shown; nothing for a
// file that is no PDF or cannot be read, or a page it does not have.
std::optional<QSizeF> documentPageInches(const QString& path, int page);

// Whether this build can take a scanned page's pixels straight from the document.
extern const bool kScannedPagesDirect;

// A picture or page opened and checked, not decoded yet: everything a header tells is judged
// when it is opened, so a bad file is refused at once; the decoding, which may take long, can
// then run on another thread (one thread at a time).
class OpenedPage {
public:
    // Throws a Failure with a Japanese message naming the file (and page) when the file is no
    // regular file, cannot be read, is damaged, cut short, password-protected or empty, has no
    // such page, or is larger than the limits allow.
    OpenedPage(const QString& path, int page, const ReadLimits& limits);
    ~OpenedPage();
    OpenedPage(OpenedPage&&) noexcept;
    OpenedPage& operator=(OpenedPage&&) noexcept;

    // A document page, or a picture of more than kSlowPixels pixels.
    bool slow() const;
    // Decodes the page completely and gives it as keptForm() keeps it: Format_Grayscale8 when
    // every pixel is grey, otherwise Format_RGB32; transparent parts laid on white paper, the
    // JPEG orientation applied, 16-bit, CMYK, palette and 1-bit pictures converted. Throws a
    // Failure as the constructor does for what only decoding finds. `abandoned` is asked now and
    // then while a document page is drawn; once it answers true the drawing stops and a Failure is
    // thrown that nobody needs to show.
    QImage read(const std::function<bool()>& abandoned = {});

private:
    struct State;
    std::unique_ptr<State> m;
};

// Opens, checks and decodes in one step (see OpenedPage), within `largest` and the memory
// ceiling of the moment.
QImage readPage(const QString& path, int page, QSize largest);

// Lays transparent pixels on white and gives Format_RGB32, in place where the format allows.
QImage onWhitePaper(QImage image);

} // namespace quillpix::pictures
