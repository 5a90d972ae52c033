#include "pages.h"

#include "scannedpage.h"

#include "completeness.h"
#include "failure.h"
#include "greypicture.h"
#include "pictureresolution.h"

#include <QCoreApplication>
#include <poppler-qt6.h>

#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QVariant>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace quillpix::pictures {
namespace {

enum class Kind { Pdf, Tiff, Other };

QString where(const QString& path, int page) {
    return page == kNoPage
               ? path
               : QCoreApplication::translate("pictures", "%1 の %2 ページ").arg(path).arg(page + 1);
}

[[noreturn]] void refuse(const QString& path, int page, const QString& why) {
    throw Failure(QCoreApplication::translate("pictures", "画像ファイルを読み込めません。\n%1\n%2")
                      .arg(where(path, page), why));
}

QString systemReason(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QCoreApplication::translate("pictures", "ファイルがありません。");
    case EACCES:
    case EPERM:
        return QCoreApplication::translate("pictures", "ファイルを読む権限がありません。");
    case EISDIR:
        return QCoreApplication::translate("pictures", "フォルダです。");
    case ELOOP:
        return QCoreApplication::translate("pictures", "リンクが循環しています。");
    default:
        return QCoreApplication::translate("pictures", "ファイルを開けません (エラー番号 %1)。")
            .arg(error);
    }
}

// Opens the file for reading only if it is a regular file once links are followed. Opening does
// not wait: a FIFO or device named like a picture is refused, never read.
void openRegular(QFile& file, const QString& path, int page) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        refuse(path, page, systemReason(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        refuse(path, page,
               QCoreApplication::translate("pictures", "通常のファイルではありません。"));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        refuse(path, page, QCoreApplication::translate("pictures", "ファイルを開けません。"));
    }
}

// The signature at the start of the file decides; a PDF may carry a few bytes of something
// else before its header, so "%PDF-" further in counts only when no picture signature matches
// (a PNG's or JPEG's comment may well quote a PDF's header).
Kind kindOf(QIODevice& file) {
    const QByteArray head = file.peek(1024);
    if (head.startsWith("II*\0") || head.startsWith(QByteArray("MM\0*", 4)))
        return Kind::Tiff;
    static const QByteArray pictureSignatures[] = {
        QByteArray("\x89PNG\r\n\x1A\n", 8), QByteArray("\xFF\xD8\xFF", 3), QByteArray("GIF8"),
        QByteArray("BM"), QByteArray("RIFF")};
    for (const QByteArray& signature : pictureSignatures)
        if (head.startsWith(signature))
            return Kind::Other;
    if (head.contains("%PDF-"))
        return Kind::Pdf;
    return Kind::Other;
}

QString readerReason(QImageReader::ImageReaderError error) {
    switch (error) {
    case QImageReader::FileNotFoundError:
        return QCoreApplication::translate("pictures", "ファイルがありません。");
    case QImageReader::DeviceError:
        return QCoreApplication::translate("pictures", "ファイルを読めません。");
    case QImageReader::UnsupportedFormatError:
        return QCoreApplication::translate("pictures", "画像ファイルではないか、壊れています。");
    case QImageReader::InvalidDataError:
        return QCoreApplication::translate("pictures",
                                           "画像データが壊れているか、途中で切れています。");
    default:
        return QCoreApplication::translate("pictures", "画像データを読めません。");
    }
}

// Poppler's complaints about a document ("Error: …") belong to the reason a page cannot be
// shown, not on standard error, where they would land among the folder batch's progress. The
// report function is process-wide, so it is set once and collects on the reading thread.
thread_local QStringList popplerComplaints;

void collectComplaint(const QString& message, const QVariant&) {
    if (popplerComplaints.size() < 5)
        popplerComplaints << message;
}

void collectPopplerComplaints() {
    static std::once_flag once;
    std::call_once(once, [] { Poppler::setDebugErrorFunction(collectComplaint, QVariant()); });
    popplerComplaints.clear();
}

QString withComplaints(const QString& reason) {
    if (popplerComplaints.isEmpty())
        return reason;
    return reason + QCoreApplication::translate("pictures", "\nPDF の読み取りで見つかった問題:\n") +
           popplerComplaints.join(QLatin1Char('\n'));
}

// Whether the file still ends as a PDF does: a cut-short one lost its trailer.
bool endsLikeAPdf(QIODevice& file) {
    const qint64 start = file.pos();
    file.seek(std::max<qint64>(0, file.size() - 1024));
    const bool ends = file.read(1024).contains("%%EOF");
    file.seek(start);
    return ends;
}

std::unique_ptr<Poppler::Document> openPdf(QFile& file, const QString& path, int page) {
    collectPopplerComplaints();
    std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(&file);
    if (doc && doc->isLocked())
        refuse(path, page,
               QCoreApplication::translate("pictures", "パスワードで保護された PDF です。"));
    // A file cut short has lost its end, and with it often every page: that is damage, not a
    // document without pages.
    const QString cutShort = QCoreApplication::translate(
        "pictures", "PDF ファイルが途中で切れています（壊れています）。");
    const bool intact = endsLikeAPdf(file);
    if (!doc)
        refuse(path, page,
               withComplaints(
                   intact ? QCoreApplication::translate("pictures", "PDF ファイルが壊れています。")
                          : cutShort));
    if (doc->numPages() <= 0)
        refuse(path, page,
               withComplaints(
                   intact ? QCoreApplication::translate("pictures", "PDF にページがありません。")
                          : cutShort));
    return doc;
}

// The finest resolution of the document's scanned pictures that have the page's shape: a
// picture's width over the page's width. Image objects are never compressed into object
// streams, so their dictionaries can be found in the file's bytes.
double scannedDpi(QIODevice& file, QSizeF pageInches) {
    static const QRegularExpression width(QStringLiteral("/Width\\s+(\\d+)"));
    static const QRegularExpression height(QStringLiteral("/Height\\s+(\\d+)"));
    const qint64 start = file.pos();
    file.seek(0);
    double best = 0;
    const double shape = pageInches.width() / pageInches.height();
    QByteArray carry;
    for (;;) {
        const QByteArray chunk = file.read(1 << 20);
        if (chunk.isEmpty())
            break;
        const QByteArray bytes = carry + chunk;
        for (qsizetype at = bytes.indexOf("/Image"); at >= 0;
             at = bytes.indexOf("/Image", at + 1)) {
            const qsizetype from = std::max<qsizetype>(0, at - 400);
            const QString around = QString::fromLatin1(bytes.mid(from, 800));
            const auto w = width.match(around), h = height.match(around);
            if (!w.hasMatch() || !h.hasMatch())
                continue;
            const double pw = w.captured(1).toDouble(), ph = h.captured(1).toDouble();
            if (ph > 0 && std::abs(pw / ph - shape) < 0.03 * shape)
                best = std::max(best, pw / pageInches.width());
        }
        carry = bytes.right(800);
    }
    file.seek(start);
    return best;
}

bool askAbandoned(const QVariant& closure) {
    const auto* abandoned =
        reinterpret_cast<const std::function<bool()>*>(closure.value<quintptr>());
    return abandoned && *abandoned && (*abandoned)();
}

} // namespace

int pageCount(const QString& path) {
    QFile file;
    try {
        openRegular(file, path, kNoPage);
    } catch (const Failure&) {
        return 1;
    }
    switch (kindOf(file)) {
    case Kind::Pdf: {
        collectPopplerComplaints();
        const std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(&file);
        return doc && !doc->isLocked() ? std::max(1, doc->numPages()) : 1;
    }
    case Kind::Tiff: {
        QImageReader reader(&file, "tiff");
        return std::max(1, reader.imageCount());
    }
    case Kind::Other:
        break;
    }
    return 1;
}

std::optional<QSizeF> documentPageInches(const QString& path, int page) {
    QFile file;
    try {
        openRegular(file, path, page);
    } catch (const Failure&) {
        return std::nullopt;
    }
    if (kindOf(file) != Kind::Pdf)
        return std::nullopt;
    collectPopplerComplaints();
    const std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(&file);
    const int index = page == kNoPage ? 0 : page;
    if (!doc || doc->isLocked() || index < 0 || index >= doc->numPages())
        return std::nullopt;
    const std::unique_ptr<Poppler::Page> pdfPage = doc->page(index);
    const QSizeF inches = pdfPage ? pdfPage->pageSizeF() / 72.0 : QSizeF();
    if (!(inches.width() > 0 && inches.height() > 0))
        return std::nullopt;
    return inches;
}

struct OpenedPage::State {
    QString path;
    int page = kNoPage;
    ReadLimits limits;
    std::unique_ptr<QFile> file = std::make_unique<QFile>();
    // A picture:
    std::unique_ptr<QImageReader> reader;
    QSize size;
    bool runLength = false; // a run-length coded bitmap
    // A document page:
    std::unique_ptr<Poppler::Document> doc;
    std::unique_ptr<Poppler::Page> pdfPage;
    int index = 0;
    QSizeF inches;

    void openPicture();
    void openPdfPage();
    QImage readPicture();
    QImage readPdfPage(const std::function<bool()>& abandoned);
};

void OpenedPage::State::openPicture() {
    reader = std::make_unique<QImageReader>(file.get());
    reader->setDecideFormatFromContent(true);
    reader->setAutoTransform(true);
    const QByteArray format = reader->format();
    if (format.isEmpty())
        refuse(path, page,
               QCoreApplication::translate("pictures", "画像ファイルではないか、壊れています。"));
    if (page > 0 && !reader->jumpToImage(page))
        refuse(path, page,
               QCoreApplication::translate("pictures", "このファイルにはこのページがありません。"));
    size = reader->size();
    // The bitmap reader gives a top-down bitmap's negative height as it stands in the header.
    if (format == "bmp" && size.height() < 0)
        size.setHeight(-size.height());
    if (!size.isValid())
        refuse(path, page,
               QCoreApplication::translate("pictures", "画像ファイルではないか、壊れています。"));
    if (size.isEmpty())
        refuse(path, page, QCoreApplication::translate("pictures", "画像の大きさが 0 です。"));
    if (reader->transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    if (size.width() > limits.largest.width() || size.height() > limits.largest.height())
        refuseTooLarge(where(path, page), size, limits.largest, QString());
    const int bytesPerPixel =
        std::max(4, QImage::toPixelFormat(reader->imageFormat()).bitsPerPixel() / 8);
    checkMemory(where(path, page), size, bytesPerPixel, limits.memory);

    bool complete = true;
    const qint64 pos = file->pos();
    if (format == "bmp") {
        file->seek(0);
        const QByteArray head = file->read(64);
        file->seek(pos);
        complete = bitmapComplete(head, file->size()) && bitmapRunsComplete(*file);
        // Compression 1 and 2, RLE8 and RLE4, in an information header of at least 40 bytes.
        if (head.size() >= 34 && qFromLittleEndian<quint32>(head.constData() + 14) >= 40) {
            const quint32 compression = qFromLittleEndian<quint32>(head.constData() + 30);
            runLength = compression == 1 || compression == 2;
        }
    } else if (format == "gif") {
        file->seek(0);
        complete = gifComplete(file->readAll());
        file->seek(pos);
    } else if (format == "jpeg") {
        file->seek(0);
        complete = jpegComplete(*file);
        file->seek(pos);
    }
    if (!complete)
        refuse(path, page,
               QCoreApplication::translate("pictures", "ファイルが途中で切れています。"));
}

QImage OpenedPage::State::readPicture() {
    QImage image;
    // The run-length codes may skip pixels (a jump, an early end of a line or of the picture),
    // which the bitmap reader leaves as whatever its new memory held; they are the colour of
    // index 0 instead, as the reader decodes into an image of its own size and format.
    if (runLength) {
        image = QImage(size, QImage::Format_Indexed8);
        image.fill(0);
    }
    if (!reader->read(&image) || image.isNull())
        refuse(path, page, readerReason(reader->error()));
    // A GIF's first frame may be small while its screen, which the reader draws it on, is not.
    if (image.width() > limits.largest.width() || image.height() > limits.largest.height())
        refuseTooLarge(where(path, page), image.size(), limits.largest, QString());
    return keptForm(std::move(image));
}

namespace {

// A page's picture declares the resolution it was drawn or scanned at, so that the engine
// measures its text by the page's true size.
QImage withResolution(QImage image, double dpiX, double dpiY) {
    image.setDotsPerMeterX(dotsPerMetre(dpiX));
    image.setDotsPerMeterY(dotsPerMetre(dpiY));
    return image;
}

} // namespace

void OpenedPage::State::openPdfPage() {
    doc = openPdf(*file, path, page);
    index = page == kNoPage ? 0 : page;
    if (index >= doc->numPages())
        refuse(path, page,
               QCoreApplication::translate("pictures", "この PDF は %1 ページまでです。")
                   .arg(doc->numPages()));
    pdfPage = doc->page(index);
    if (!pdfPage)
        refuse(path, page,
               withComplaints(
                   QCoreApplication::translate("pictures", "PDF のページが壊れています。")));
    inches = pdfPage->pageSizeF() / 72.0;
    if (!(inches.width() > 0 && inches.height() > 0))
        refuse(path, page,
               QCoreApplication::translate("pictures", "PDF のページの大きさが 0 です。"));
    const QSize atDefault(int(std::min(1e9, std::ceil(inches.width() * kDocumentDpi))),
                          int(std::min(1e9, std::ceil(inches.height() * kDocumentDpi))));
    if (atDefault.width() > limits.largest.width() || atDefault.height() > limits.largest.height())
        refuseTooLarge(where(path, page), atDefault, limits.largest,
                       QCoreApplication::translate("pictures", " 300 dpi で"));
    checkMemory(where(path, page), atDefault, 4, limits.memory);
}

QImage OpenedPage::State::readPdfPage(const std::function<bool()>& abandoned) {
    collectPopplerComplaints();
    const double scanned = scannedDpi(*file, inches);
    double dpi = std::clamp(scanned, kDocumentDpi, kFinestDocumentDpi);
    // A finer resolution only as far as the view and the memory take it.
    const QSize largest = limits.largest;
    const double byView =
        std::min(largest.width() / inches.width(), largest.height() / inches.height());
    const double byMemory = std::sqrt(double(limits.memory) / 4 / inches.width() / inches.height());
    dpi = std::max(kDocumentDpi, std::floor(std::min({dpi, byView, byMemory})));

    // A scanned page is its picture: decoded straight into the image kept, it needs no
    // page-sized drawing besides it, and keeps the scan's own sharpness. The open document
    // keeps Poppler's global state alive for it.
    if (kScannedPagesDirect && limits.scannedPagesDirect && scanned >= kDocumentDpi - 0.5) {
        if (std::optional<QImage> scan =
                scannedPagePicture(path, index, kDocumentDpi, dpi, largest, limits.memory)) {
            const double dpiX = scan->width() / inches.width();
            const double dpiY = scan->height() / inches.height();
            return withResolution(keptForm(std::move(*scan)), dpiX, dpiY);
        }
    }

    doc->setRenderHint(Poppler::Document::Antialiasing);
    doc->setRenderHint(Poppler::Document::TextAntialiasing);
    doc->setPaperColor(Qt::white);
    QImage image =
        pdfPage->renderToImage(dpi, dpi, -1, -1, -1, -1, Poppler::Page::Rotate0, nullptr, nullptr,
                               askAbandoned, QVariant::fromValue(quintptr(&abandoned)));
    if (abandoned && abandoned())
        throw Failure(
            QCoreApplication::translate("pictures", "PDF のページの描画を取りやめました。"));
    if (image.isNull())
        refuse(
            path, page,
            withComplaints(QCoreApplication::translate("pictures", "PDF のページを描けません。")));
    return withResolution(keptForm(std::move(image)), dpi, dpi);
}

OpenedPage::OpenedPage(const QString& path, int page, const ReadLimits& limits)
    : m(std::make_unique<State>()) {
    m->path = path;
    m->page = page;
    m->limits = limits;
    openRegular(*m->file, path, page);
    if (m->file->size() == 0)
        refuse(path, page, QCoreApplication::translate("pictures", "ファイルが空です。"));
    if (kindOf(*m->file) == Kind::Pdf)
        m->openPdfPage();
    else
        m->openPicture();
}

OpenedPage::~OpenedPage() = default;
OpenedPage::OpenedPage(OpenedPage&&) noexcept = default;
OpenedPage& OpenedPage::operator=(OpenedPage&&) noexcept = default;

bool OpenedPage::slow() const {
    return m->doc || qint64(m->size.width()) * m->size.height() > kSlowPixels;
}

QImage OpenedPage::read(const std::function<bool()>& abandoned) {
    return m->doc ? m->readPdfPage(abandoned) : m->readPicture();
}

QImage readPage(const QString& path, int page, QSize largest) {
    return OpenedPage(path, page, {largest, memoryCeiling()}).read();
}

QImage onWhitePaper(QImage image) {
    if (image.format() == QImage::Format_RGB32)
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
        image.format() == QImage::Format_MonoLSB) {
        // Transparent palette entries become white paper; the pixels stay as they are.
        QList<QRgb> table = image.colorTable();
        for (QRgb& c : table) {
            const int a = qAlpha(c);
            auto blend = [a](int v) { return (v * a + 255 * (255 - a) + 127) / 255; };
            c = qRgb(blend(qRed(c)), blend(qGreen(c)), blend(qBlue(c)));
        }
        image.setColorTable(table);
        return image.convertToFormat(QImage::Format_RGB32);
    }
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    // Premultiplied colour over white: c + (255 - a), row by row in place.
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = row[x];
            const int rest = 255 - qAlpha(c);
            row[x] = qRgb(qRed(c) + rest, qGreen(c) + rest, qBlue(c) + rest);
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

} // namespace quillpix::pictures
