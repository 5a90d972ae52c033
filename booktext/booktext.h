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

// Joins the results into target, written atomically, once every one of them exists; otherwise
// writes nothing and gives the indexes of those missing. Nothing to join writes nothing either.
// The results may be in either encoding (readSavedResult); target is written in encoding.
// A result that cannot be read, or a target that cannot be written, throws a Failure.
QList<int> writeJoined(const QStringList& resultPaths, const QString& target,
                       textfiles::TextEncoding encoding = textfiles::TextEncoding::ShiftJis);

// Whether target was written after every one of sources: it exists, and each of them exists and
// is not newer.
// A joined text or a PDF that is up to date need not be written again.
bool upToDate(const QString& target, const QStringList& sources);
// The same for a joined text, which must also be in the encoding asked for: one written in the
// other is joined again (the results are kept as they are).
bool upToDate(const QString& target, const QStringList& sources, textfiles::TextEncoding encoding);

// A page's saved result was written (保存 in the window): when the page belongs to a document
// of several pages, the document's text is joined again once every page has a result. Gives
// the pages (indexes from 0) still without one; nothing for a picture or a one-page document.
// Throws a Failure as writeJoined does, and when the document's text is a link out of the
// folder or to nowhere (textfiles::writeRefusal).
QList<int> pageResultChanged(const QString& folder, const QString& fileName, int page);

} // namespace quillpix::booktext
