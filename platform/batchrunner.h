#pragma once

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class QWidget;

// The batch runner: a batch file is code page 932 text with CR LF line ends, as people share it
// with colleagues on Windows, and it means here what it means to the Windows command
// interpreter. Each line is cut into commands and words by the interpreter's rules and every
// command runs as a program of its own, with no shell in between:
//
//  - words are split at spaces and tabs; double quotes group a word and are removed;
//  - "&" runs the next command after this one, "&&" only when this one succeeded, "||" only
//    when it failed, "|" feeds this one's output to the next one;
//  - "<", ">", ">>", "2>", "2>>", "2>&1", "1>&2" redirect; "nul" is the empty device;
//  - "^" makes the next character plain text (outside quotes);
//  - "%NAME%" is the environment variable NAME (an unset one is removed, as in a batch file),
//    "%%" is one "%", "%0" the batch file, "%~dp0" its folder with a trailing "/";
//  - everything else, ( ) $ * ? ; ' ` ~ { } ! # \ included, is plain text.
//
// "pause" waits for a key in the console window, "exit" ends the batch, "rem" and lines that
// start with ":" are comments, a leading "@" is dropped. Any other command is a program, looked
// up on PATH, or relative to the batch's folder when it holds a "/".
namespace quillpix::batch {

// Whether the batch gets our console window (its output shown, "pause" answered by a key in
// it) or runs with no window and empty standard input (a "pause" returns at once).
enum class Console { None, Window };

// The prompt "pause" prints before it waits for a key.
QString pausePrompt();

// The exit code of a command whose program cannot be found or started.
constexpr int kNotFoundExitCode = 9009;

// One redirection of a command: standard input (0), output (1), error (2) or another handle.
struct Redirection {
    enum class Kind { Read, Write, Append, Duplicate };
    int handle = 1;
    Kind kind = Kind::Write;
    QString target; // the file; for Duplicate the handle it copies, as a digit
    friend bool operator==(const Redirection&, const Redirection&) = default;
};

struct Command {
    QStringList words; // the program and its arguments, as the program receives them
    QList<Redirection> redirections;
    friend bool operator==(const Command&, const Command&) = default;
};

// How a pipeline follows the one before it on the line.
enum class Joiner { Always, IfSucceeded, IfFailed };

// Commands joined by "|".
struct Pipeline {
    Joiner joiner = Joiner::Always;
    QList<Command> commands;
    friend bool operator==(const Pipeline&, const Pipeline&) = default;
};

struct Line {
    QList<Pipeline> pipelines; // empty for an empty line or a comment
    QString error;             // a syntax error: nothing of the line runs
};

// Replaces %NAME%, %%, %0 to %9, %* and %~dp0-style references as the interpreter does in a
// batch file; batchPath is what %0 stands for.
QString expandVariables(const QString& line, const QProcessEnvironment& environment,
                        const QString& batchPath = {});

// Cuts one line (after expansion) into pipelines, commands, words and redirections.
Line parseLine(const QString& line);

// The words of the line's first command, variables expanded: what the program it names gets
// as its name and arguments when the line runs in a batch. Empty for an empty line, a comment
// or a line with a syntax error.
QStringList
splitWords(const QString& line,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// The program a command's first word names: an absolute path, a path relative to the folder
// when the word holds a "/", or else the first executable file of that name on the PATH of the
// environment. "" when there is none.
QString findProgram(const QString& word, const QString& folder,
                    const QProcessEnvironment& environment);

// Whether the program named by the first command of the batch's first line that has one can be
// found as findProgram() finds it, with the batch's folder and the system environment. False
// for a batch that cannot be read or names no program.
bool batchProgramFound(const QString& batchPath);

// Runs the batch file and returns the moment it has ended; the window keeps handling its events
// meanwhile. Lines run in order in the batch's folder; every program runs in a process group of
// its own, so closing the console ends the programs and what they started, and the rest of the
// batch. False when the batch could not be read.
bool runBatchFile(const QString& batchPath, Console console, QWidget* consoleParent = nullptr);

} // namespace quillpix::batch
