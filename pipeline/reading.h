#pragma once

#include "cleanup.h"
#include "textfiles.h"

#include <QByteArray>
#include <QString>

// From one run of the engine to the text the result box gets and the bytes saved beside the
// picture: the engine's UTF-8 output, converted to code page 932, read line by line, tidied by
// the clean-up rules. The window's two buttons and the folder batch all read pictures through
// read(); only the way the engine is started differs.
namespace quillpix::pipeline {

// What one run of the engine left behind.
struct EngineOutput {
    // The engine's text output existed after the run; utf8 holds it (perhaps nothing).
    bool written = false;
    QByteArray utf8;
    // The engine (or the program in its place) failed: it could not be started, ended with a
    // non-zero status or a signal, or a loaded engine reported a failure. The reason names
    // what failed, in Japanese, for the user.
    bool failed = false;
    QString reason;
};

// Why a picture whose engine run left no output has no result, for the user.
QString noOutputReason();

// One run of the engine on one work picture, started however it is started.
class EngineStep {
public:
    virtual ~EngineStep() = default;
    // Returns when the engine has ended.
    virtual EngineOutput run() = 0;
};

// How the engine's text is tidied for the result box: the clean-up rules as written or guarded
// for Latin text, and the lines of each paragraph joined or left as the engine ended them.
struct TextRules {
    cleanup::LatinSpacing latin = cleanup::LatinSpacing::AsWritten;
    bool paragraphs = false;
    bool operator==(const TextRules&) const = default;
};

// The result box's text for the engine's text (code page 932 lines, each ending in CR LF).
QString tidiedText(const QString& engineText, const TextRules& rules = {});

// What reading one picture gave.
struct Reading {
    bool written = false; // the engine's output existed
    bool failed = false;  // the engine failed (see EngineOutput)
    QString reason;
    // The engine's output as code page 932 text, every line followed by CR LF; for a result
    // saved in UTF-8, the characters code page 932 has no form for are kept as the engine
    // wrote them (textfiles::linesOfUtf8).
    QString engineText;
    // After the clean-up rules: what the result box gets.
    QString boxText;
    // Read for a result saved in Shift-JIS: the characters of the engine's text that have no
    // code page 932 form and so are saved as "?" (cp932::unrepresentable, each once).
    QString lostInShiftJis;

    // The engine wrote its output and did not fail: the picture can be saved.
    bool succeeded() const { return written && !failed; }
    // Whether the engine returned any visible character.
    bool anyVisible() const;
    // The saved result's bytes for a result box that held nothing before this reading.
    QByteArray
    savedBytes(textfiles::TextEncoding encoding = textfiles::TextEncoding::ShiftJis) const;
};

// The pages of a spread read one after the other, as one reading of the picture: the texts
// joined with a page-break line between two pages (textfiles::joinPages), every line followed
// by CR LF; written when every page was; failed, with the first failure's reason, when any
// page failed.
Reading joinedPages(const QList<Reading>& pages);
// The text regions of one page read one after the other, as one reading of the page: each
// region's text without the empty lines at its end (a column of a paragraph goes on in the
// next region), every line followed by CR LF; written, failed and lostInShiftJis as for
// joinedPages. A page read in one piece is that reading as it is.
Reading joinedRegions(const QList<Reading>& regions);

// The text steps alone, for an output already at hand. codePageCopy, when not empty, receives
// the code page 932 copy as a work file (the window's tmp_sjis.txt); a copy that cannot be
// written throws a Failure naming it.
Reading readOutput(const EngineOutput& output, const QString& codePageCopy = {},
                   const TextRules& rules = {},
                   textfiles::TextEncoding savedIn = textfiles::TextEncoding::ShiftJis);

// Runs the engine and reads what it wrote.
Reading read(EngineStep& engine, const QString& codePageCopy = {}, const TextRules& rules = {},
             textfiles::TextEncoding savedIn = textfiles::TextEncoding::ShiftJis);

} // namespace quillpix::pipeline
