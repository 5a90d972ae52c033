#pragma once

#include "linesfile.h"
#include "picturelist.h"
#include "textfiles.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// What the batch writes besides each page's result, one format per file: the document and book
// texts, searchable PDFs, hOCR, ALTO. The batch asks a format what it needs and where its files
// go, and hands it the pages; a new format is a new file and its line in outputFormats().
namespace quillpix::folderbatch {

class OutputFormat;

// What one output holds: a picture (or one page of a document), a whole document, or the book.
enum class OutputScope { Picture, Document, Book };

struct Output {
    const OutputFormat* format = nullptr;
    OutputScope scope = OutputScope::Document;
    QString target; // the file written
    QString name;   // how the summary names it: relative to the folder where it lies in it
    QList<PictureItem> pages;
    bool operator==(const Output&) const = default;
};

// The outputs planned, and the outputs refused with why (two of them to one file, a book that
// would replace a file it must not).
struct OutputPlan {
    QList<Output> outputs;
    QStringList clashes;
};

// One output being written: its pages in order, then finish(), which writes the target whole or
// not at all. Either throws a Failure for what cannot be written.
class PageSink {
public:
    virtual ~PageSink() = default;
    // The page's saved text, and where its characters lie on the picture as it came (null for a
    // format that needs no lines).
    virtual void add(const PictureItem& item, const QString& text,
                     const enginelayout::KeptLines* lines) = 0;
    virtual void finish() = 0;
};

class OutputFormat {
public:
    virtual ~OutputFormat() = default;
    // The batch's option that asks for it ("--pdf"); "" for the one always written.
    virtual QString option() const = 0;
    // How the summary counts its files: "hOCR files".
    virtual QString filesName() const = 0;
    // Whether each page's lines are needed: where each character lies, which only the loaded
    // engine tells, and which are read again for a page whose result is kept.
    virtual bool needsLines() const = 0;
    // A text joined from the results: written in their encoding and up to date only in it, and
    // one an older program wrote counts as its own by its page breaks (booktext::ownOutput).
    virtual bool joinsTexts() const { return false; }
    // Its outputs for the folder's pictures (every one, in the listing's order) and the book
    // ("" for none).
    virtual OutputPlan outputsFor(const QString& folder, const QList<PictureItem>& items,
                                  const QString& bookPath, bool force) const = 0;
    virtual std::unique_ptr<PageSink> open(const QString& folder, const Output& output,
                                           textfiles::TextEncoding encoding) const = 0;
};

// Every format, the texts first.
const QList<const OutputFormat*>& outputFormats();
// The format asked for by an option of the batch ("--pdf"); null for none.
const OutputFormat* formatOfOption(const QString& option);
// Those a run writes: the texts, and those whose options are among these.
QList<const OutputFormat*> formatsAsked(const QStringList& options);

// Where a page's text would lie beside its result: scan.png.txt becomes scan.png.hocr.
QString besideResult(const QString& folder, const PictureItem& item, const QString& extension);
// The book's file of another format: book.txt becomes book.hocr.
QString besideBook(const QString& bookPath, const QString& extension);
QString relativeName(const QString& folder, const QString& path);

} // namespace quillpix::folderbatch
