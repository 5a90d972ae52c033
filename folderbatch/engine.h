#pragma once

#include "batchsettings.h"

#include <QObject>
#include <QString>

#include <memory>

// The recognition engine as the batch sees it: one picture in a work folder in, one text file
// out. The batch never starts the engine any other way: processes and the loaded engines of
// residentfirst.h both implement the two classes.
namespace quillpix::folderbatch {

// The engine reading one picture. It reads <work folder>/tmp.bmp and writes its UTF-8 text to
// <work folder>/tmp.txt, as the window's run reads tmp.bmp and writes tmp.txt.
class EngineRun : public QObject {
    Q_OBJECT
public:
    // Ends the run; finished() is not emitted afterwards. A process ends at once; an engine
    // loaded in this program cannot stop within a page, so kill() waits for that page. Either
    // way nothing writes in the work folder once it returns.
    virtual void kill() = 0;

Q_SIGNALS:
    // The engine has ended, in whatever way. The diagnostic is the engine's last message, for
    // a report in case it wrote no text; the batch judges the run by tmp.txt alone, as the
    // window does.
    void finished(const QString& diagnostic);
};

class Engine {
public:
    virtual ~Engine() = default;
    // Checked once before the first picture: "" when the engine can run with these settings,
    // otherwise one line saying what is missing (the engine itself, a language).
    virtual QString check(const Settings& settings) = 0;
    // Starts reading the work folder's tmp.bmp. The run lives in the calling thread and reports
    // there.
    virtual std::unique_ptr<EngineRun> start(const Settings& settings,
                                             const QString& workFolder) = 0;
};

// The command-line engine `tesseract` from PATH, one process per picture, with the same words
// as the window's command line and one thread each (OMP_THREAD_LIMIT=1). Each process runs in
// its own process group, which kill() ends whole, and dies with the thread that started it.
std::unique_ptr<Engine> makeProcessEngine();

// The batch's usual engine: loaded engines when the settings and the program on PATH allow,
// processes otherwise (ResidentFirstEngine).
std::unique_ptr<Engine> makeEngine();

// The languages `tesseract --list-langs` names; empty when the list cannot be had.
QStringList installedLanguages(const QString& program);

} // namespace quillpix::folderbatch
