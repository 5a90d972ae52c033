#pragma once

#include "scanner.h"

#include <QString>
#include <QStringList>

// `quillpix --scan FOLDER ...`: pages from a scanner into a folder, with no display.
namespace quillpix::scancli {

// True when the program was started to scan rather than for the window or the batch.
bool wantsScan(int argc, char** argv);

// Scans to the end and returns the exit status: 0 pages were written, 1 the scanner or the
// folder failed (pages written before stay), 2 a wrong argument, 3 no scanner was found,
// 128 + signal when stopped.
int runScan(int argc, char** argv);

QString usage();

struct ParsedArguments {
    QString folder;
    scanner::Request request;
    bool help = false;
    QString error; // "" when the arguments are fine
};

// The arguments after the program name.
ParsedArguments parseArguments(const QStringList& arguments);

// What went wrong, in a line naming the device and the reason.
QString problemText(const scanner::Error& error, const scanner::Request& request);

} // namespace quillpix::scancli
