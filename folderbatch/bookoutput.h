#pragma once

#include "linesfile.h"
#include "outputformat.h"
#include "picturelist.h"
#include "textfiles.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Planning and writing what the batch writes besides each page's result (outputformat.h): each
// output is written only when every page it holds has a result, from the pages' results and,
// for a format that needs them, their kept lines.
namespace quillpix::folderbatch {

// Every output of the formats for the folder's pictures (all of them, in the listing's order)
// and the book ("" for none). An output whose file another output already has is left out and
// named in clashes.
OutputPlan planOutputs(const QString& folder, const QList<PictureItem>& items,
                       const QString& bookPath, const QList<const OutputFormat*>& formats,
                       bool force = false);

// Where a page's lines are kept: pdf/.lines/scan.pdf.p3.lines (where the PDFs' lines were kept
// before other formats needed them).
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

// How writing one output went.
struct OutputOutcome {
    enum class State { Written, UpToDate, Incomplete, Failed, Stopped };
    State state = State::Written;
    QString detail; // the pages missing, why it failed, or what a forced write replaced
};
// Writes the output unless it is up to date (pages read again, by --force too, make it stale;
// a text in the other encoding too); stop is asked between pages, and once it answers true
// nothing is written. Texts are written in encoding, or in UTF-8 when a page's result is
// (booktext::joinedEncoding). A file at the output's place that the program did not write
// (booktext::ownOutput) fails the output and is kept, unless force; a page result that is no
// text fails it and nothing is written. What is written is marked as the program's.
OutputOutcome writeOutput(const QString& folder, const Output& output,
                          const std::function<bool()>& stop,
                          textfiles::TextEncoding encoding = textfiles::TextEncoding::ShiftJis,
                          bool force = false);

} // namespace quillpix::folderbatch
