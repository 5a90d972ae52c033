#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

// The batch runner: a batch file is code page 932 text with CR LF line ends, as people share it
// with colleagues on Windows; here it runs through /bin/sh.
namespace quillpix::batch {

// Whether the batch gets our console window (its output shown, "pause" answered by a key in
// it) or runs with no window and empty standard input (a "pause" returns at once).
enum class Console { None, Window };

// The prompt "pause" prints before it waits for a key.
QString pausePrompt();

// The shell text that runs a batch file: its bytes decoded as code page 932, CR LF turned into
// LF, after a definition of "pause" as a shell function.
QString shellScript(const QByteArray& batchBytes);

// Runs the batch file and returns the moment it has ended; the window keeps handling its events
// meanwhile. The batch runs in its own folder and its own process group, so closing the console
// ends the engine too. False when the batch could not be read or started.
bool runBatchFile(const QString& batchPath, Console console, QWidget* consoleParent = nullptr);

} // namespace quillpix::batch
