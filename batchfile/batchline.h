#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One line of a batch file as the Windows command interpreter reads it: the one reading of a
// command line in this program. Whatever turns a command into a program and its words (the
// batch file's run, the loaded engine, the folder batch) reads it here:
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
// "rem" and lines that start with ":" are comments, a leading "@" is dropped.
namespace quillpix::batchfile {

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

} // namespace quillpix::batchfile
