#include "pages.h"

#include "scannedpage.h"

#include "completeness.h"
#include "failure.h"

#include <poppler-qt6.h>

#include <QFile>
#include <QImageReader>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quillpix::pictures {
namespace {

enum class Kind { Pdf, Tiff, Other };

QString where(const QString& path, int page) {
    return page == kNoPage ? path : QStringLiteral("%1 の %2 ページ").arg(path).arg(page + 1);
}

[[noreturn]] void refuse(const QString& path, int page, const QString& why) {
    throw Failure(
        QStringLiteral("画像ファイルを読み込めません。\n%1\n%2").arg(where(path, page), why));
}

QString systemReason(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("ファイルがありません。");
    case EACCES:
    case EPERM:
        return QStringLiteral("ファイルを読む権限がありません。");
    case EISDIR:
        return QStringLiteral("フォルダです。");
    case ELOOP:
        return QStringLiteral("リンクが循環しています。");
    default:
        return QStringLiteral("ファイルを開けません (エラー番号 %1)。").arg(error);
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
        refuse(path, page, QStringLiteral("通常のファイルではありません。"));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        refuse(path, page, QStringLiteral("ファイルを開けません。"));
    }
}

Kind kindOf(QIODevice& file) {
    const QByteArray head = file.peek(1024);
    if (head.startsWith("II*\0") || head.startsWith(QByteArray("MM\0*", 4)))
        return Kind::Tiff;
    // A PDF may carry a few bytes of something else before its header.
    if (head.contains("%PDF-"))
        return Kind::Pdf;
    return Kind::Other;
}

QString readerReason(QImageReader::ImageReaderError error) {
    switch (error) {
    case QImageReader::FileNotFoundError:
        return QStringLiteral("ファイルがありません。");
    case QImageReader::DeviceError:
        return QStringLiteral("ファイルを読めません。");
    case QImageReader::UnsupportedFormatError:
        return QStringLiteral("画像ファイルではないか、壊れています。");
    case QImageReader::InvalidDataError:
        return QStringLiteral("画像データが壊れているか、途中で切れています。");
    default:
        return QStringLiteral("画像データを読めません。");
    }
}

[[noreturn]] void refuseTooLarge(const QString& path, int page, QSize size, QSize largest,
                                 const QString& how) {
    throw Failure(QStringLiteral("画像が大きすぎて表示できません。\n%1\n"
                                 "この画像は%2幅 %3、高さ %4 ピクセルです。表示できるのは幅 %5、"
                                 "高さ %6 ピクセルまでです。")
                      .arg(where(path, page), how)
                      .arg(size.width())
                      .arg(size.height())
                      .arg(largest.width())
                      .arg(largest.height()));
}

void checkMemory(const QString& path, int page, QSize size, int bytesPerPixel) {
    const qint64 needed = qint64(size.width()) * size.height() * std::max(4, bytesPerPixel);
    if (needed > memoryCeiling())
        throw Failure(QStringLiteral("画像が大きすぎてメモリに読み込めません。\n%1\n"
                                     "幅 %2、高さ %3 ピクセルで約 %4 MB になります。読み込めるのは "
                                     "%5 MB までです。")
                          .arg(where(path, page))
                          .arg(size.width())
                          .arg(size.height())
                          .arg(needed >> 20)
                          .arg(memoryCeiling() >> 20));
}

// Raises the image readers' allocation limit for one read only.
class AllocationLimit {
public:
    explicit AllocationLimit(qint64 bytes) : m_before(QImageReader::allocationLimit()) {
        const qint64 mb = bytes / (1024 * 1024) + 1;
        if (m_before > 0 && mb > m_before)
            QImageReader::setAllocationLimit(int(mb));
    }
    ~AllocationLimit() { QImageReader::setAllocationLimit(m_before); }
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

private:
    int m_before;
};

std::unique_ptr<Poppler::Document> openPdf(QFile& file, const QString& path, int page) {
    std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(&file);
    if (!doc)
        refuse(path, page, QStringLiteral("PDF ファイルが壊れています。"));
    if (doc->isLocked())
        refuse(path, page, QStringLiteral("パスワードで保護された PDF です。"));
    if (doc->numPages() <= 0)
        refuse(path, page, QStringLiteral("PDF にページがありません。"));
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

QImage readPdfPage(QFile& file, const QString& path, int page, QSize largest) {
    const std::unique_ptr<Poppler::Document> doc = openPdf(file, path, page);
    const int index = page == kNoPage ? 0 : page;
    if (index >= doc->numPages())
        refuse(path, page, QStringLiteral("この PDF は %1 ページまでです。").arg(doc->numPages()));
    const std::unique_ptr<Poppler::Page> p = doc->page(index);
    if (!p)
        refuse(path, page, QStringLiteral("PDF のページが壊れています。"));
    const QSizeF inches = p->pageSizeF() / 72.0;
    if (!(inches.width() > 0 && inches.height() > 0))
        refuse(path, page, QStringLiteral("PDF のページの大きさが 0 です。"));
    auto pixels = [&](double dpi) {
        return QSize(int(std::min(1e9, std::ceil(inches.width() * dpi))),
                     int(std::min(1e9, std::ceil(inches.height() * dpi))));
    };
    const QSize atDefault = pixels(kDocumentDpi);
    if (atDefault.width() > largest.width() || atDefault.height() > largest.height())
        refuseTooLarge(path, page, atDefault, largest, QStringLiteral(" 300 dpi で"));
    checkMemory(path, page, atDefault, 4);

    const double scanned = scannedDpi(file, inches);
    double dpi = std::clamp(scanned, kDocumentDpi, kFinestDocumentDpi);
    // A finer resolution only as far as the view and the memory take it.
    const double byView =
        std::min(largest.width() / inches.width(), largest.height() / inches.height());
    const double byMemory =
        std::sqrt(double(memoryCeiling()) / 4 / inches.width() / inches.height());
    dpi = std::max(kDocumentDpi, std::floor(std::min({dpi, byView, byMemory})));

    // A scanned page is its picture: decoded straight into the image kept, it needs no
    // page-sized drawing besides it, and keeps the scan's own sharpness.
    if (scanned >= kDocumentDpi - 0.5) {
        if (std::optional<QImage> scan =
                scannedPagePicture(path, index, kDocumentDpi, dpi, largest, memoryCeiling()))
            return std::move(*scan);
    }

    doc->setRenderHint(Poppler::Document::Antialiasing);
    doc->setRenderHint(Poppler::Document::TextAntialiasing);
    doc->setPaperColor(Qt::white);
    QImage image = p->renderToImage(dpi, dpi);
    if (image.isNull())
        refuse(path, page, QStringLiteral("PDF のページを描けません。"));
    return onWhitePaper(std::move(image));
}

QImage readPicture(QFile& file, const QString& path, int page, QSize largest) {
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    if (format.isEmpty())
        refuse(path, page, QStringLiteral("画像ファイルではないか、壊れています。"));
    if (page > 0 && !reader.jumpToImage(page))
        refuse(path, page, QStringLiteral("このファイルにはこのページがありません。"));
    QSize size = reader.size();
    // The bitmap reader gives a top-down bitmap's negative height as it stands in the header.
    if (format == "bmp" && size.height() < 0)
        size.setHeight(-size.height());
    if (!size.isValid())
        refuse(path, page, QStringLiteral("画像ファイルではないか、壊れています。"));
    if (size.isEmpty())
        refuse(path, page, QStringLiteral("画像の大きさが 0 です。"));
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    if (size.width() > largest.width() || size.height() > largest.height())
        refuseTooLarge(path, page, size, largest, QString());
    const int bytesPerPixel =
        std::max(4, QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel() / 8);
    checkMemory(path, page, size, bytesPerPixel);

    bool complete = true;
    const qint64 pos = file.pos();
    if (format == "bmp") {
        file.seek(0);
        const QByteArray head = file.read(64);
        file.seek(pos);
        complete = bitmapComplete(head, file.size()) && bitmapRunsComplete(file);
    } else if (format == "gif") {
        file.seek(0);
        complete = gifComplete(file.readAll());
        file.seek(pos);
    } else if (format == "jpeg") {
        file.seek(0);
        complete = jpegComplete(file);
        file.seek(pos);
    }
    if (!complete)
        refuse(path, page, QStringLiteral("ファイルが途中で切れています。"));

    QImage image;
    {
        const AllocationLimit limit(qint64(size.width()) * size.height() * bytesPerPixel);
        if (!reader.read(&image) || image.isNull())
            refuse(path, page, readerReason(reader.error()));
    }
    // A GIF's first frame may be small while its screen, which the reader draws it on, is not.
    if (image.width() > largest.width() || image.height() > largest.height())
        refuseTooLarge(path, page, image.size(), largest, QString());
    return onWhitePaper(std::move(image));
}

} // namespace

qint64 memoryCeiling() {
    const qint64 physical = qint64(::sysconf(_SC_PHYS_PAGES)) * ::sysconf(_SC_PAGESIZE);
    const qint64 fixed = qint64(768) << 20;
    return physical > 0 ? std::min(fixed, physical / 2) : fixed;
}

int pageCount(const QString& path) {
    QFile file;
    try {
        openRegular(file, path, kNoPage);
    } catch (const Failure&) {
        return 1;
    }
    switch (kindOf(file)) {
    case Kind::Pdf: {
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

QImage readPage(const QString& path, int page, QSize largest) {
    QFile file;
    openRegular(file, path, page);
    if (file.size() == 0)
        refuse(path, page, QStringLiteral("ファイルが空です。"));
    return kindOf(file) == Kind::Pdf ? readPdfPage(file, path, page, largest)
                                     : readPicture(file, path, page, largest);
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
