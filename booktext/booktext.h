#pragma once

#include "listing.h"
#include "textfiles.h"

#include <QList>
#include <QString>
#include <QStringList>

// One text for a whole document or folder: the saved results of its pages in order, a line
// holding only a form feed between two pages (page breaks as pdftotext marks them), in code
// page 932 with CR LF like every saved result, or in UTF-8 with LF when the batch is asked.
namespace quillpix::booktext {

// The saved results of a multi-page document's pages, in page order (scan.pdf.p1.txt, ...).
// A document of one page has none of its own: its result is the document's text.
QStringList documentPageResults(const QString& folder, const QString& fileName, int pageCount);
// The document's text, beside it as a picture's result would be: scan.pdf.txt.
QString documentTextPath(const QString& folder, const QString& fileName);
// The saved results of the listed pictures and pages of a folder, in the listing's order.
QStringList bookResults(const QString& folder, const QList<pictures::ListEntry>& entries);

// The indexes of the results that do not exist yet (textfiles::isVisibleFile).
QList<int> missingResults(const QStringList& resultPaths);

// The results read as they were saved (textfiles::readSavedText), in order, and the encoding a
// text joining them is written in: UTF-8 when asked for or when any of them is UTF-8, so that
// no character a page holds becomes "?"; Shift-JIS otherwise. unreadable is the index of the
// first result that cannot be read as text (-1 when none), why says what is wrong with it, and
// texts then holds the pages before it alone.
struct PageTexts {
    QStringList texts;
    textfiles::TextEncoding encoding = textfiles::TextEncoding::ShiftJis;
    int unreadable = -1;
    QString why;
};
PageTexts readResults(const QStringList& resultPaths, textfiles::TextEncoding asked);
// The encoding readResults would give, from how each result starts (textfiles::encodingOf).
textfiles::TextEncoding joinedEncoding(const QStringList& resultPaths,
                                       textfiles::TextEncoding asked);

// Joins the results into target, written atomically, once every one of them exists; otherwise
// writes nothing and gives the indexes of those missing. Nothing to join writes nothing either.
// The results may be in either encoding; target is written in the encoding readResults gives.
// A result that cannot be read as text, or a target that cannot be written, throws a Failure
// (and nothing is written).
QList<int> writeJoined(const QStringList& resultPaths, const QString& target,
                       textfiles::TextEncoding encoding = textfiles::TextEncoding::ShiftJis);

// Where the program notes that it wrote target (a document's text, a book, a searchable PDF)
// for the picture folder: .quillpix/written/scan.pdf.txt, .quillpix/written/pdf/scan.pdf, and
// for a book out of the folder .quillpix/written/outside/ and a digest of its path. A file of
// the user's that has an output's name must not be taken for an earlier output.
QString writtenMarkPath(const QString& folder, const QString& target);
// Notes target as it is now (its size, modification time and file number) as written by the
// program. Throws a Failure where the mark cannot be written.
void markWritten(const QString& folder, const QString& target);
// Whether target may be replaced as the program's own: nothing lies there, or it is the file
// the program last wrote there, unchanged since. A joined text written by an earlier version,
// which kept no marks, counts as well when it holds a page-break line (textfiles::
// pageBreakLine), as every text joining two pages or more does and a text typed by hand hardly
// ever does; its count is not asked for, since pages are added to a folder between two runs
// and a spread's result holds a page break of its own. joined is false for a PDF.
bool ownOutput(const QString& folder, const QString& target, bool joined = true);

// Whether target was written after every one of sources: it exists, and each of them exists and
// is not newer.
// A joined text or a PDF that is up to date need not be written again.
bool upToDate(const QString& target, const QStringList& sources);
// The same for a joined text, which must also be in the encoding it is written in
// (joinedEncoding: UTF-8 when asked for or when a result is UTF-8): one written in the other is
// joined again (the results are kept as they are).
bool upToDate(const QString& target, const QStringList& sources, textfiles::TextEncoding encoding);

// A page's saved result was written (保存 in the window): when the page belongs to a document
// of several pages, the document's text is joined again once every page has a result. Gives
// the pages (indexes from 0) still without one; nothing for a picture or a one-page document.
// The document's text keeps the encoding it has (UTF-8 as soon as a page is UTF-8). Throws a
// Failure as writeJoined does, when the document's text is a link out of the folder or to
// nowhere (textfiles::writeRefusal), and when a file of that name is not one the program
// wrote (ownOutput): it is left as it is.
QList<int> pageResultChanged(const QString& folder, const QString& fileName, int page);

} // namespace quillpix::booktext
