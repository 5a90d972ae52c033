#pragma once

#include <QString>

// The engine's command line and the small text rules around it, over plain values.
namespace quillpix::pipeline {

// The item's text after its first colon; an item without a colon is returned whole, one that
// ends with its first colon gives "". Nothing is trimmed.
QString itemValue(const QString& item);

// The text without spaces, ideographic spaces, CR, LF, TAB, form feeds and vertical tabs: what
// is left are the visible characters.
QString removeWhitespace(const QString& text);

// A path as one word of the batch file, as the Windows command interpreter reads it: unchanged
// when it holds no space, tab, or one of & | < > ^ ", otherwise in double quotes (a quote inside
// becomes "^""). A "%" is doubled either way, since the interpreter expands variables first.
// Everything else, ( ) $ ; ' * and Japanese included, is plain text to the interpreter.
QString batchWord(const QString& path);

// The option "pause" alone goes on a line of its own after the command, so the batch stops
// and the console stays readable. Anything else, other letter case included, stays as it is.
QString optionForBatch(const QString& option);

// Whether tess.bat carries the path as batchWord() writes it, so that the program gets exactly
// the path: every character has a code page 932 form, no CR or LF is in it, and the runner reads
// the word back as the path and nothing else (no second command, no redirection).
bool carriedWhole(const QString& path);

// A work file of the program folder as the command names it: <P>/name, or the bare name when
// tess.bat cannot carry that path whole (carriedWhole): a folder with a line break in its name
// would otherwise have the rest of its name run as a command. The batch runs in the program
// folder, so the bare name finds the same file.
QString workFile(const QString& programFolder, const QString& name);

// "tesseract <P>/tmp.bmp <P>/tmp -l <lang> --psm <psm> <opt>", with the two paths as batch
// words named as workFile() names them; for a program folder that needs no quoting this is plain
// concatenation.
QString buildCommandLine(const QString& programFolder, const QString& psm, const QString& lang,
                         const QString& opt);

// The characters of the program folder that have no code page 932 form, each once; "" when
// every one has. tess.bat is code page 932, so such a folder cannot be written into it.
QString folderCharactersWithoutForm(const QString& programFolder);

// "" when the command can be written to tess.bat as it stands; otherwise the message naming the
// characters that would become "?" in it, so that the engine is not started on a wrong path.
QString unwritableCommandMessage(const QString& command);

// The line that follows the missing-result message when the batch's program (the engine) is not
// on PATH: it names the Debian packages to install.
QString engineNotFoundMessage();

} // namespace quillpix::pipeline
