#pragma once

#include "pages.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <memory>

namespace quillpix::viewer {

// Reads a picture, or page `page` of a document (index from 0; pictures::kNoPage for a
// picture or a one-page document), completely before anything on screen changes, as an
// opaque image on white paper: 8-bit grey when every pixel is grey, Format_RGB32 otherwise
// (pictures::keptForm). A file that cannot be read, is no picture, is cut
// short, damaged, password-protected or has no pixels, a page that does not exist, a picture
// larger than the view can scroll over (withinViewRange; a document page at 300 dpi) and one
// whose pixels do not fit into memory throw a Failure with a Japanese message naming the file
// (and page), so the caller keeps what it showed before.
QImage loadPage(const QString& path, int page, QSize displayOuter);
// The same for a whole picture.
QImage loadPicture(const QString& path, QSize displayOuter);
// The first half of loadPage: the file opened and checked against the view's limits and the
// memory of the moment; what is wrong with its headers throws at once.
pictures::OpenedPage openPage(const QString& path, int page, QSize displayOuter);

// Whether a page is still being read on a thread of its own, wanted or abandoned.
bool readsUnderWay();

// Decodes one page at a time on a thread of its own, so the window keeps answering while a
// document page is drawn or a large picture decoded. Starting another read, abandon() and
// destruction abandon the read under way: its result never arrives, and a document page's
// drawing stops where Poppler can stop it (within one huge image it cannot; that thread ends
// on its own).
class BackgroundRead : public QObject {
    Q_OBJECT
public:
    BackgroundRead() = default;
    ~BackgroundRead() override;

    void start(pictures::OpenedPage reader);
    void abandon();
    bool busy() const { return m_current != nullptr; }

Q_SIGNALS:
    void done(const QImage& picture);
    // The Japanese message of the Failure that decoding threw.
    void failed(const QString& message);
    // The read under way is over: after done() or failed() has been handled, or abandoned.
    void ended();

private:
    struct Job;
    void finish(const std::shared_ptr<Job>& job);

    std::shared_ptr<Job> m_current;
};

} // namespace quillpix::viewer
