#pragma once

#include "batchreport.h"
#include "batchsettings.h"
#include "folderbatch.h"

#include <QString>
#include <QStringList>

#include <optional>

// `quillpix --batch FOLDER ...`: the batch from the command line, with no display.
namespace quillpix::folderbatch {

// True when the program was started for the batch (or for its usage) rather than the window.
bool wantsCommandLine(int argc, char** argv);

// Runs the command line to its end and returns the exit status: 0 all read or skipped, 1 a
// picture failed, 2 a wrong argument, 3 the batch could not start, 128 + signal when stopped.
int runCommandLine(int argc, char** argv);

QString usage();

// The encoding --encoding names, in any case: shift-jis, sjis, cp932, utf-8, utf8. None for
// anything else.
std::optional<textfiles::TextEncoding> encodingNamed(const QString& name);

struct ParsedArguments {
    Settings settings;
    bool help = false;
    QString error; // what is wrong with the arguments; "" when they are fine
};

// The arguments after the program name. Values not given come from the defaults; --jobs
// defaults to processors.
ParsedArguments parseArguments(const QStringList& arguments,
                               const pipeline::EngineSettings& defaults, int processors);

// How many jobs are worth running: twice the processors, and no more than the memory holds.
int jobsThatHelp(int processors, qint64 availableBytes);

} // namespace quillpix::folderbatch
