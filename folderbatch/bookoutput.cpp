#include "bookoutput.h"

#include "booktext.h"
#include "failure.h"
#include "jpegheader.h"
#include "listing.h"
#include "pages.h"
#include "pdfwriter.h"
#include "scannedpage.h"
#include "textfiles.h"
#include "writeplace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sys/stat.h>

namespace quillpix::folderbatch {
namespace {

// A book's missing pictures are named up to this many; the rest are counted.
constexpr qsizetype kNamedMissing = 10;

QString relativeName(const QString& folder, const QString& path) {
    return path.startsWith(folder + QLatin1Char('/')) ? path.mid(folder.size() + 1) : path;
}

QStringList resultPaths(const QString& folder, const QList<PictureItem>& pages) {
    QStringList paths;
    for (const PictureItem& page : pages)
        paths << resultPath(folder, page);
    return paths;
}

QString missingText(const Output& output, const QList<int>& missing) {
    QStringList names;
    for (qsizetype i = 0; i < missing.size() && i < kNamedMissing; ++i) {
        const PictureItem& item = output.pages[missing[i]];
        names << (output.kind == OutputKind::DocumentText || output.kind == OutputKind::DocumentPdf
                      ? QString::number(item.page + 1)
                      : displayName(item));
    }
    QString text =
        output.kind == OutputKind::DocumentText || output.kind == OutputKind::DocumentPdf
            ? QCoreApplication::translate("batch", "no result yet for page %1")
                  .arg(names.join(u", "))
            : QCoreApplication::translate("batch", "no result yet for %1").arg(names.join(u", "));
    if (missing.size() > kNamedMissing)
        text += QCoreApplication::translate("batch", " (%1 in all)").arg(missing.size());
    return text;
}

// Only plain files are opened for reading: a FIFO put in the batch's own folders would wait
// for a writer for ever.
bool plainFile(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QByteArray fileKey(const QString& path) {
    const QFileInfo info(path);
    return QByteArray::number(info.size()) + ':' +
           QByteArray::number(info.lastModified().toMSecsSinceEpoch());
}

// The lines measured on a picture of `from` pixels, on the same page at `to` pixels.
QList<enginelayout::Line> scaled(const QList<enginelayout::Line>& lines, QSize from, QSize to) {
    const double kx = double(to.width()) / from.width();
    const double ky = double(to.height()) / from.height();
    return enginelayout::withBoxesMoved(lines, [&](const QRect& r) {
        return QRectF(r.x() * kx, r.y() * ky, r.width() * kx, r.height() * ky).toRect();
    });
}

// Whether the name ends as the picture files the list shows do (pictures::kPicturePattern).
bool hasPictureExtension(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    for (const QString& pattern :
         QString::fromLatin1(pictures::kPicturePattern).split(QLatin1Char(';')))
        if (name.endsWith(pattern.mid(1), Qt::CaseInsensitive))
            return true;
    return false;
}

// Why the book must not be written at bookPath: it would take the place of a file the batch
// reads or writes (a picture, a page's result, a document's text, anything in pdf/), or of a
// file that is not text. "" when it may.
QString bookRefusal(const QString& folder, const QList<PictureItem>& items,
                    const QList<Output>& texts, const QString& bookPath, bool force) {
    // The same folder reached another way (a link to it, "..") is still the folder.
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    const QString bookFolder = QFileInfo(textfiles::parentFolder(bookPath)).canonicalFilePath();
    const QString book = !canonicalFolder.isEmpty() && bookFolder == canonicalFolder
                             ? folder + QLatin1Char('/') + QFileInfo(bookPath).fileName()
                             : bookPath;
    bool result = resultPaths(folder, items).contains(book);
    for (const Output& text : texts)
        result = result || text.target == book;
    if (result)
        return QCoreApplication::translate(
                   "batch", "--book %1 is the name of a saved result in the folder; give the "
                            "book another name")
            .arg(bookPath);
    for (const PictureItem& item : items)
        if (book == folder + QLatin1Char('/') + item.file)
            return QCoreApplication::translate(
                       "batch", "--book %1 is a picture of the folder; give the book another "
                                "name")
                .arg(bookPath);
    // The folders where the batch keeps its own files: the PDFs and their lines, the marks.
    for (const QString& own : {QStringLiteral("pdf"), QStringLiteral(".quillpix")}) {
        const QString place = folder + QLatin1Char('/') + own;
        if (book == place || book.startsWith(place + QLatin1Char('/')))
            return QCoreApplication::translate(
                       "batch", "--book %1 lies in %2/, where the batch keeps files of its own; "
                                "give the book another place")
                .arg(bookPath, own);
    }
    if (hasPictureExtension(bookPath))
        return QCoreApplication::translate(
                   "batch", "--book %1 has the extension of a picture: every later batch would "
                            "take it for one; give the book a name such as book.txt")
            .arg(bookPath);
    // Never opened when it is no plain file: a FIFO would wait for a writer for ever.
    if (QFileInfo::exists(bookPath) && !textfiles::holdsText(bookPath))
        return QCoreApplication::translate(
                   "batch", "--book %1 exists and is not a text file; give the book another "
                            "name")
            .arg(bookPath);
    // A link is judged where the book is written: one out of the folder is never written
    // through, and one within it is the program's only as the file it leads to is.
    if (!force && !QFileInfo(bookPath).isSymLink() && !booktext::ownOutput(folder, bookPath))
        return QCoreApplication::translate(
                   "batch", "--book %1 exists and is not a book the batch wrote; give the book "
                            "another name, or give --force to replace it")
            .arg(bookPath);
    return {};
}

OutputOutcome failed(const QString& why) {
    return {OutputOutcome::State::Failed, why};
}

QString notOwnText() {
    return QCoreApplication::translate(
        "batch", "a file of this name is there that the batch did not write; it is left as it "
                 "is (move it away, or give --force to replace it)");
}

// A result that is no text is not joined: the output would hold its bytes as characters.
QString unreadableText(const Output& output, int index, QString why) {
    why.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const PictureItem& item = output.pages[index];
    return QCoreApplication::translate(
               "batch", "the result of %1 cannot be read as text, so nothing is joined (%2); "
                        "save it again as text, or delete it to have the page read again")
        .arg(output.kind == OutputKind::DocumentText || output.kind == OutputKind::DocumentPdf
                 ? QCoreApplication::translate("batch", "page %1").arg(item.page + 1)
                 : displayName(item),
             why);
}

} // namespace

bool isPdf(OutputKind kind) {
    return kind == OutputKind::DocumentPdf || kind == OutputKind::BookPdf;
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

OutputPlan planOutputs(const QString& folder, const QList<PictureItem>& items,
                       const QString& bookPath, bool pdf, bool force) {
    OutputPlan plan;
    QList<Output> texts;
    QList<Output> pdfs;
    for (qsizetype i = 0; i < items.size();) {
        if (items[i].page < 0) {
            // A PDF of one page is a document too: its searchable PDF is asked for as any
            // other's. Its result is its text, so it has no text of its own.
            if (pdf && items[i].file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
                pdfs << Output{OutputKind::DocumentPdf,
                               pdfFolder(folder) + QLatin1Char('/') + items[i].file,
                               {},
                               {items[i]}};
            ++i;
            continue;
        }
        // A document's pages follow one another in the listing.
        const QString file = items[i].file;
        Output text{OutputKind::DocumentText, booktext::documentTextPath(folder, file), {}, {}};
        while (i < items.size() && items[i].page >= 0 && items[i].file == file)
            text.pages << items[i++];
        text.name = relativeName(folder, text.target);
        if (pdf)
            pdfs << Output{OutputKind::DocumentPdf,
                           pdfFolder(folder) + QLatin1Char('/') +
                               documentPdfName(text.pages.first().file),
                           {},
                           text.pages};
        texts << text;
    }
    if (!bookPath.isEmpty()) {
        const Output book{OutputKind::BookText, bookPath, relativeName(folder, bookPath), items};
        if (const QString refusal = bookRefusal(folder, items, texts, bookPath, force);
            !refusal.isEmpty())
            plan.clashes << refusal;
        else
            texts << book;
        if (pdf)
            pdfs << Output{OutputKind::BookPdf,
                           pdfFolder(folder) + QLatin1Char('/') + bookPdfName(bookPath),
                           {},
                           items};
    }
    QHash<QString, QString> pdfOwners;
    for (Output& out : pdfs) {
        out.name = relativeName(folder, out.target);
        const QString owner = out.kind == OutputKind::BookPdf
                                  ? QCoreApplication::translate("batch", "the book")
                                  : out.pages.first().file;
        if (pdfOwners.contains(out.target)) {
            plan.clashes << QCoreApplication::translate(
                                "batch", "%1 and %2 would both be written to %3; rename one")
                                .arg(pdfOwners.value(out.target), owner, out.name);
            continue;
        }
        pdfOwners.insert(out.target, owner);
        texts << out;
    }
    plan.outputs = texts;
    return plan;
}

QString keptLinesPath(const QString& folder, const PictureItem& item) {
    QString name = QFileInfo(resultPath(folder, item)).fileName();
    name.chop(4); // ".txt"
    return pdfFolder(folder) + QStringLiteral("/.lines/") + name + QStringLiteral(".lines");
}

QByteArray linesKey(const QString& folder, const PictureItem& item) {
    const QString result = resultPath(folder, item);
    if (!QFileInfo(result).isFile())
        return {};
    return "result " + fileKey(result) + " picture " +
           fileKey(folder + QLatin1Char('/') + item.file);
}

void keepLines(const QString& folder, const PictureItem& item, QSize picture,
               const QList<enginelayout::Line>& lines) {
    const QString path = keptLinesPath(folder, item);
    textfiles::requireWritePlace(path, folder);
    if (!QDir().mkpath(textfiles::parentFolder(path)))
        throw Failure(QCoreApplication::translate("batch", "cannot make the folder %1")
                          .arg(textfiles::parentFolder(path)));
    textfiles::writeBytes(enginelayout::encodeLines({linesKey(folder, item), picture, lines}), path,
                          textfiles::Durability::WorkFile);
}

std::optional<enginelayout::KeptLines> keptLines(const QString& folder, const PictureItem& item) {
    QFile file(keptLinesPath(folder, item));
    if (!plainFile(file.fileName()) || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<enginelayout::KeptLines> kept = enginelayout::decodeLines(file.readAll());
    const QByteArray key = linesKey(folder, item);
    if (!kept || key.isEmpty() || kept->key != key)
        return std::nullopt;
    return kept;
}

QString wholePageMarkPath(const QString& folder, const PictureItem& item) {
    QString name = QFileInfo(resultPath(folder, item)).fileName();
    name.chop(4); // ".txt"
    return folder + QStringLiteral("/.quillpix/whole/") + name;
}

void markReadWhole(const QString& folder, const PictureItem& item) {
    const QString path = wholePageMarkPath(folder, item);
    textfiles::requireWritePlace(path, folder);
    if (!QDir().mkpath(textfiles::parentFolder(path)))
        throw Failure(QCoreApplication::translate("batch", "cannot make the folder %1")
                          .arg(textfiles::parentFolder(path)));
    textfiles::writeBytes(fileKey(resultPath(folder, item)), path, textfiles::Durability::WorkFile);
}

bool readWhole(const QString& folder, const PictureItem& item) {
    QFile mark(wholePageMarkPath(folder, item));
    const QString result = resultPath(folder, item);
    return plainFile(mark.fileName()) && mark.open(QIODevice::ReadOnly) &&
           QFileInfo(result).isFile() && mark.read(64) == fileKey(result);
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

OutputOutcome writeOutput(const QString& folder, const Output& output,
                          const std::function<bool()>& stop, textfiles::TextEncoding encoding,
                          bool force) {
    // The book lies where the user named it; everything else in the picture folder.
    const QString place =
        output.kind == OutputKind::BookText ? textfiles::parentFolder(output.target) : folder;
    if (const QString refusal = textfiles::writeRefusal(output.target, place); !refusal.isEmpty())
        return failed(refusal);
    const QStringList results = resultPaths(folder, output.pages);
    if (const QList<int> missing = booktext::missingResults(results); !missing.isEmpty())
        return {OutputOutcome::State::Incomplete, missingText(output, missing)};
    // A file of that name that the batch did not write is the user's: a note named like the
    // book, a text of the document typed by hand, a PDF put in pdf/.
    const bool own = booktext::ownOutput(folder, output.target, !isPdf(output.kind));
    if (!own && !force)
        return failed(notOwnText());
    if (own && (isPdf(output.kind) ? booktext::upToDate(output.target, results)
                                   : booktext::upToDate(output.target, results, encoding)))
        return {OutputOutcome::State::UpToDate, {}};
    const OutputOutcome written{
        OutputOutcome::State::Written,
        own ? QString()
            : QCoreApplication::translate("batch", "replaced by --force: a file the batch had "
                                                   "not written")};
    try {
        if (!isPdf(output.kind)) {
            const booktext::PageTexts pages = booktext::readResults(results, encoding);
            if (pages.unreadable >= 0)
                return failed(unreadableText(output, pages.unreadable, pages.why));
            textfiles::writeLines(textfiles::joinPages(pages.texts), output.target,
                                  textfiles::Durability::Synced, pages.encoding);
            booktext::markWritten(folder, output.target);
            return written;
        }
        if (!QDir().mkpath(pdfFolder(folder)))
            return failed(QCoreApplication::translate("batch", "cannot make the folder %1")
                              .arg(pdfFolder(folder)));
        searchablepdf::Writer writer(output.target);
        for (qsizetype i = 0; i < output.pages.size(); ++i) {
            if (stop && stop())
                return {OutputOutcome::State::Stopped, {}};
            const PictureItem& item = output.pages[i];
            const std::optional<enginelayout::KeptLines> lines = keptLines(folder, item);
            // Its result changed since it was read (by another share, or while this batch
            // ran): the batch that reads it again writes the PDF.
            if (!lines)
                return {OutputOutcome::State::Incomplete,
                        QCoreApplication::translate(
                            "batch", "where the text of %1 lies is not known yet; run the "
                                     "batch again")
                            .arg(displayName(item))};
            searchablepdf::Page page = pdfPage(folder, item, *lines);
            const booktext::PageTexts text = booktext::readResults({results[i]}, encoding);
            if (text.unreadable >= 0)
                return failed(unreadableText(output, int(i), text.why));
            page.text = text.texts.first();
            writer.addPage(page);
        }
        writer.finish();
        booktext::markWritten(folder, output.target);
        return written;
    } catch (const Failure& failure) {
        QString why = failure.text();
        why.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return failed(why);
    }
}

} // namespace quillpix::folderbatch
