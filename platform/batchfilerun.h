#pragma once

#include "batchline.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Running a batch file: code page 932 text with CR LF line ends, as people share it with
// colleagues on Windows, read line by line as batchline.h says; every command runs as a program
// of its own, with no shell in between. "pause" waits for a key in the console window, "exit"
// ends the batch. Any other command is a program, looked up on PATH, or relative to the
// batch's folder when it holds a "/".
namespace quillpix::batchfile {

// Whether the batch gets our console window (its output shown, "pause" answered by a key in
// it) or runs with no window and empty standard input (a "pause" returns at once).
enum class Console { None, Window };

// The prompt "pause" prints before it waits for a key.
QString pausePrompt();

// The exit code of a command whose program cannot be found or started.
constexpr int kNotFoundExitCode = 9009;

// What became of a batch file's run.
struct BatchReport {
    bool read = false; // false: the batch file could not be read, and nothing ran
    // The programs that could not be found or started, as the batch names them, each once, in
    // the order they were tried.
    QStringList notFound;
    // The program of the last command that ran, as written ("" after a line the interpreter
    // could not read), and its exit code (kNotFoundExitCode for a program not found, 1 for a
    // line the interpreter could not read, N for "exit N").
    QString lastProgram;
    int exitCode = 0;
    // Every program that started, in the order they ended, with how each ended: what a caller
    // looks at when a program of its own (the engine) matters more than the batch's last
    // command (a "pause" after it, an "echo").
    struct ProgramEnd {
        QString program; // as the batch names it
        int exitCode = 0;
        bool crashed = false; // ended by a signal
        // The end of what it wrote to its standard error, when that went to the console (or,
        // with no console, to nothing) rather than to a file or a pipe.
        QByteArray errors;
        friend bool operator==(const ProgramEnd&, const ProgramEnd&) = default;
    };
    QList<ProgramEnd> ended;
    // The stop asked for ended the programs and the rest of the batch.
    bool stopped = false;
    friend bool operator==(const BatchReport&, const BatchReport&) = default;
};

// Runs the batch file and returns the moment it has ended; the window keeps handling its events
// meanwhile. Lines run in order in the batch's folder; every program runs in a process group of
// its own, so closing the console ends the programs and what they started, and the rest of the
// batch. Programs read empty standard input: keys pressed in the console while they run are
// kept, and each answers one later "pause".
// stopRequested, asked every few hundredths of a second while a program runs, ends the run as
// closing the console does: the programs' groups at once, nothing after them.
BatchReport runBatchFile(const QString& batchPath, Console console,
                         QWidget* consoleParent = nullptr,
                         const std::function<bool()>& stopRequested = {});

} // namespace quillpix::batchfile
