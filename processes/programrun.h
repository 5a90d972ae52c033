#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Starting a program and waiting for its end, the one way the engine checks, the folder batch
// and the engine steps do it: the child leads a process group of its own (childprocess.h), so a
// time limit or a stop ends whatever it started too, and it dies with this program.
namespace quillpix::processes {

enum class Channels {
    Merged,   // standard error joins standard output in ProgramResult::output
    Separate, // standard error apart, in ProgramResult::errorOutput
};

struct ProgramRun {
    QString program; // a path, or a name QProcess looks up on PATH
    QStringList arguments;
    QString workFolder;                             // "": this program's current folder
    std::optional<QProcessEnvironment> environment; // none: this program's own
    bool emptyInput = true; // false: standard input is a pipe that nobody writes to
    Channels channels = Channels::Merged;
    std::optional<int> timeLimitMs; // none: waits for ever
    // Asked by the waiting thread every moment while the child runs; true ends its group.
    std::function<bool()> stopRequested;
    // Keeps only this many of the last bytes of each channel while the child runs, so a
    // talkative child holds little; the read after its end is kept whole, so its last line is
    // never cut. None: everything.
    std::optional<qsizetype> outputTail;
};

struct ProgramResult {
    bool started = false;
    QString errorString;     // why it did not start
    bool normalExit = false; // false: it did not start, crashed or was killed
    int exitCode = 0;
    bool killed = false; // its group was ended for the time limit or a stop
    QByteArray output;
    QByteArray errorOutput; // with Channels::Separate only
};

// Runs the program to its end on the calling thread, which alone reaps the child, so the group
// is only ever signalled while its leader's id is still the child's (killGroup).
ProgramResult run(const ProgramRun& request);

} // namespace quillpix::processes
