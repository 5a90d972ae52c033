#pragma once

#include "linesfile.h"
#include "page.h"
#include "picturelist.h"
#include "textfiles.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// What the batch writes besides each page's result: the text of every document of several pages
// (scan.pdf.txt), on request the folder's pictures joined as one book text, and searchable PDFs
// of the documents and the book in the folder's pdf/ subfolder, which is never listed as
// pictures. Each is written only when every page it holds has a result.
namespace quillpix::folderbatch {

enum class OutputKind { DocumentText, BookText, DocumentPdf, BookPdf };

struct Output {
    OutputKind kind = OutputKind::DocumentText;
    QString target; // the file written
    QString name;   // how the summary names it: relative to the folder where it lies in it
    QList<PictureItem> pages;
    bool operator==(const Output&) const = default;
};

bool isPdf(OutputKind kind);

// The folder the PDFs go to, and the hidden one beside them holding each page's lines.
QString pdfFolder(const QString& folder);
// A document's PDF: scan.pdf keeps its name, scan.tif becomes scan.tif.pdf.
QString documentPdfName(const QString& fileName);
// The book's PDF, after the book text's name: book.txt becomes book.pdf.
QString bookPdfName(const QString& bookPath);

// Everything to write for the folder's pictures (all of them, in the listing's order): the
// text of each document of several pages, the book text when bookPath is given, and with pdf
// their PDFs. A PDF whose name another output already has is left out and named in clashes.
struct OutputPlan {
    QList<Output> outputs;
    QStringList clashes;
};
// A book name that is a picture's (by its extension: it would be listed and read as one), that
// is no regular file, or an existing file the program did not write as a book (unless force)
// is refused too.
OutputPlan planOutputs(const QString& folder, const QList<PictureItem>& items,
                       const QString& bookPath, bool pdf, bool force = false);

// Where a page's lines are kept: pdf/.lines/scan.pdf.p3.lines beside the PDFs.
QString keptLinesPath(const QString& folder, const PictureItem& item);
// What kept lines belong to: the size and modification time of the page's saved result and of
// its picture file. Lines kept under another key were read for another text or picture.
// "" while the page has no result.
QByteArray linesKey(const QString& folder, const PictureItem& item);
// Keeps the lines the engine read on the page, under the key of its result as it is now. A
// place the program must not write (a link out of the folder), or a failing write, throws a
// Failure: a page whose lines cannot be kept would be read again by every later batch.
void keepLines(const QString& folder, const PictureItem& item, QSize picture,
               const QList<enginelayout::Line>& lines);
// The lines kept for the page, when they still belong to its result and picture.
std::optional<enginelayout::KeptLines> keptLines(const QString& folder, const PictureItem& item);

// Where the batch notes that it saved a page's result from the whole page:
// .quillpix/whole/scan.pdf.p3 in the folder. A result saved in the window may hold a part of
// its page alone (the region the user read), and nothing in the text tells.
QString wholePageMarkPath(const QString& folder, const PictureItem& item);
// Notes that the page's result, as it is now, was read from the whole page. Throws a Failure
// where the mark cannot be written (a link out of the folder, a failing write).
void markReadWhole(const QString& folder, const PictureItem& item);
// Whether the page's result is the one the batch saved from the whole page: a result changed
// since (edited in the window, or saved there) is not.
bool readWhole(const QString& folder, const PictureItem& item);

// The page of the PDF: the picture file's own bytes for a JPEG, the JPEG data of a scanned
// document page as the document holds it (the lines brought to its pixels when the page was
// read at another resolution), else the picture as read, which goes in without loss; a
// document page keeps its size.
searchablepdf::Page pdfPage(const QString& folder, const PictureItem& item,
                            const enginelayout::KeptLines& lines);

// How writing one output went.
struct OutputOutcome {
    enum class State { Written, UpToDate, Incomplete, Failed, Stopped };
    State state = State::Written;
    QString detail; // the pages missing, why it failed, or what a forced write replaced
};
// Writes the output unless it is up to date (pages read again, by --force too, make it stale;
// a text in the other encoding too); stop is asked between pages, and once it answers true
// nothing is written. Texts are written in encoding, or in UTF-8 when a page's result is
// (booktext::readResults). A file at the output's place that the program did not write
// (booktext::ownOutput) fails the output and is kept, unless force; a page result that is no
// text fails it and nothing is written. What is written is marked as the program's.
OutputOutcome writeOutput(const QString& folder, const Output& output,
                          const std::function<bool()>& stop,
                          textfiles::TextEncoding encoding = textfiles::TextEncoding::ShiftJis,
                          bool force = false);

} // namespace quillpix::folderbatch
