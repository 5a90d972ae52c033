#include "pdfoutput.h"

#include "bookoutput.h"
#include "failure.h"
#include "jpegheader.h"
#include "outputformat.h"
#include "pages.h"
#include "pdfwriter.h"
#include "scannedpage.h"
#include "textfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quillpix::folderbatch {
namespace {

// The lines measured on a picture of `from` pixels, on the same page at `to` pixels.
QList<enginelayout::Line> scaled(const QList<enginelayout::Line>& lines, QSize from, QSize to) {
    const double kx = double(to.width()) / from.width();
    const double ky = double(to.height()) / from.height();
    return enginelayout::withBoxesMoved(lines, [&](const QRect& r) {
        return QRectF(r.x() * kx, r.y() * ky, r.width() * kx, r.height() * ky).toRect();
    });
}

class PdfPages final : public PageSink {
public:
    PdfPages(QString folder, const QString& target)
        : m_folder(std::move(folder)), m_writer(target) {}
    void add(const PictureItem& item, const QString& text,
             const enginelayout::KeptLines* lines) override {
        searchablepdf::Page page = pdfPage(m_folder, item, *lines);
        page.text = text;
        m_writer.addPage(page);
    }
    void finish() override { m_writer.finish(); }

private:
    QString m_folder;
    searchablepdf::Writer m_writer;
};

class PdfOutput final : public OutputFormat {
public:
    QString option() const override { return QStringLiteral("--pdf"); }
    QString filesName() const override {
        return QCoreApplication::translate("batch", "searchable PDFs");
    }
    bool needsLines() const override { return true; }

    OutputPlan outputsFor(const QString& folder, const QList<PictureItem>& items,
                          const QString& bookPath, bool) const override {
        OutputPlan plan;
        const auto add = [&](OutputScope scope, const QString& name,
                             const QList<PictureItem>& pages) {
            const QString target = pdfFolder(folder) + QLatin1Char('/') + name;
            plan.outputs << Output{this, scope, target, relativeName(folder, target), pages};
        };
        for (qsizetype i = 0; i < items.size();) {
            if (items[i].page < 0) {
                // A PDF of one page is a document too: its searchable PDF is asked for as any
                // other's.
                if (items[i].file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
                    add(OutputScope::Document, items[i].file, {items[i]});
                ++i;
                continue;
            }
            const QString file = items[i].file;
            QList<PictureItem> pages;
            while (i < items.size() && items[i].page >= 0 && items[i].file == file)
                pages << items[i++];
            add(OutputScope::Document, documentPdfName(file), pages);
        }
        if (!bookPath.isEmpty())
            add(OutputScope::Book, bookPdfName(bookPath), items);
        return plan;
    }

    std::unique_ptr<PageSink> open(const QString& folder, const Output& output,
                                   textfiles::TextEncoding) const override {
        if (!QDir().mkpath(pdfFolder(folder)))
            throw Failure(QCoreApplication::translate("batch", "cannot make the folder %1")
                              .arg(pdfFolder(folder)));
        return std::make_unique<PdfPages>(folder, output.target);
    }
};

} // namespace

const OutputFormat& pdfOutput() {
    static const PdfOutput format;
    return format;
}

QString pdfFolder(const QString& folder) {
    return folder + QStringLiteral("/pdf");
}

QString documentPdfName(const QString& fileName) {
    return fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
               ? fileName
               : fileName + QStringLiteral(".pdf");
}

QString bookPdfName(const QString& bookPath) {
    QString name = QFileInfo(bookPath).fileName();
    if (name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        name.chop(4);
    return name + QStringLiteral(".pdf");
}

searchablepdf::Page pdfPage(const QString& folder, const PictureItem& item,
                            const enginelayout::KeptLines& lines) {
    const QString path = folder + QLatin1Char('/') + item.file;
    searchablepdf::Page page;
    // Lines kept for a picture of another size (a forged or stale file) are brought to the
    // page's pixels, so that the text never lies off the page.
    const auto fitted = [&](QSize size) {
        return size.isEmpty() || size == lines.picture ? lines.lines
                                                       : scaled(lines.lines, lines.picture, size);
    };
    if (item.page == pictures::kNoPage && pictures::startsAsJpeg(path)) {
        page.jpeg = textfiles::readBytes(path);
        page.lines = fitted(pictures::uprightJpegSize(page.jpeg));
        return page;
    }
    const int index = item.page == pictures::kNoPage ? 0 : item.page;
    // A scan coarser than the resolution pages are read at was drawn finer for the engine:
    // its lines are brought to the scan's own pixels.
    if (std::optional<pictures::ScannedJpeg> scan = pictures::scannedPageJpeg(path, index)) {
        const QSize size = pictures::uprightJpegSize(scan->jpeg);
        if (!size.isEmpty() && !lines.picture.isEmpty()) {
            page.jpeg = std::move(scan->jpeg);
            page.dpi =
                QSizeF(size.width() / scan->inches.width(), size.height() / scan->inches.height());
            page.lines = fitted(size);
            return page;
        }
    }
    page.image = loadItem(folder, item);
    page.lines = fitted(page.image.size());
    if (std::optional<QSizeF> inches = pictures::documentPageInches(path, item.page))
        page.dpi =
            QSizeF(page.image.width() / inches->width(), page.image.height() / inches->height());
    return page;
}

} // namespace quillpix::folderbatch
