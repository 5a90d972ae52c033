#include "bookoutput.h"
#include "booktext.h"
#include "outputformat.h"
#include "textfiles.h"
#include "writeplace.h"

#include <QCoreApplication>
#include <QFileInfo>

// The texts joined from the pages' results: each document of several pages (scan.pdf.txt
// beside it) and the book the user named. Always written.
namespace quillpix::folderbatch {
namespace {

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
    bool result = false;
    for (const PictureItem& item : items)
        result = result || resultPath(folder, item) == book;
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

class JoinedText final : public PageSink {
public:
    JoinedText(QString target, textfiles::TextEncoding encoding)
        : m_target(std::move(target)), m_encoding(encoding) {}
    void add(const PictureItem&, const QString& text, const enginelayout::KeptLines*) override {
        m_texts << text;
    }
    void finish() override {
        textfiles::writeLines(textfiles::joinPages(m_texts), m_target,
                              textfiles::Durability::Synced, m_encoding);
    }

private:
    QString m_target;
    textfiles::TextEncoding m_encoding;
    QStringList m_texts;
};

class TextOutput final : public OutputFormat {
public:
    QString option() const override { return {}; }
    QString filesName() const override { return QCoreApplication::translate("batch", "texts"); }
    bool needsLines() const override { return false; }
    bool joinsTexts() const override { return true; }

    OutputPlan outputsFor(const QString& folder, const QList<PictureItem>& items,
                          const QString& bookPath, bool force) const override {
        OutputPlan plan;
        for (qsizetype i = 0; i < items.size();) {
            // A picture, or a PDF of one page, has its result for its text.
            if (items[i].page < 0) {
                ++i;
                continue;
            }
            // A document's pages follow one another in the listing.
            const QString file = items[i].file;
            Output text{
                this, OutputScope::Document, booktext::documentTextPath(folder, file), {}, {}};
            while (i < items.size() && items[i].page >= 0 && items[i].file == file)
                text.pages << items[i++];
            text.name = relativeName(folder, text.target);
            plan.outputs << text;
        }
        if (bookPath.isEmpty())
            return plan;
        if (const QString refusal = bookRefusal(folder, items, plan.outputs, bookPath, force);
            !refusal.isEmpty())
            plan.clashes << refusal;
        else
            plan.outputs << Output{this, OutputScope::Book, bookPath,
                                   relativeName(folder, bookPath), items};
        return plan;
    }

    std::unique_ptr<PageSink> open(const QString& folder, const Output& output,
                                   textfiles::TextEncoding encoding) const override {
        QStringList results;
        for (const PictureItem& page : output.pages)
            results << resultPath(folder, page);
        // UTF-8 as soon as one result is: Shift-JIS would lose its characters.
        return std::make_unique<JoinedText>(output.target,
                                            booktext::joinedEncoding(results, encoding));
    }
};

} // namespace

const OutputFormat& textOutput() {
    static const TextOutput format;
    return format;
}

} // namespace quillpix::folderbatch
