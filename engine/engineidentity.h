#pragma once

#include <QString>

// Which engine program a batch would start, and whether it is the one this program links.
namespace quillpix::engine {

// The command-line program of the installation the linked engine library belongs to (for a
// library in <prefix>/lib/<arch>/ that is <prefix>/bin/tesseract), as a canonical path; ""
// when it cannot be told.
QString installedProgram();

// The linked library's version, as the command line prints it after "tesseract ".
QString libraryVersion();

struct Verdict {
    bool same = false;      // the program is the installed engine of the linked library
    QString tessdataFolder; // the language data folder it uses by default (absolute)
    QString reason;         // why not, for the log
};

// Whether programFile (found on PATH) is the linked library's own command-line program: its
// canonical path is installedProgram(), it is an ELF binary, its --version names the library's
// version, and the language data folder it reports (run in workingFolder, with this process's
// environment) exists. Starts the program twice; cache the answer.
Verdict checkProgram(const QString& programFile, const QString& workingFolder);

} // namespace quillpix::engine
