#pragma once

#include "batchsettings.h"
#include "reading.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace quillpix::folderbatch {

// How the batch starts the engine on its pictures, decided once before the first picture from
// the command the window would write to tess.bat for the settings: an engine kept loaded per
// worker when that command is a plain call of the installed engine (and QUILLPIX_ENGINE=batch
// is not set), an engine process per picture otherwise. Each worker thread reads through a
// Worker of its own; stop() may come from any thread.
class PageReader {
public:
    PageReader();
    ~PageReader();
    PageReader(const PageReader&) = delete;
    PageReader& operator=(const PageReader&) = delete;

    // Checks the settings once, in one of the batch's work folders, by reading a blank
    // picture: "" when the engine runs with them, otherwise one line naming what is wrong (the
    // command, the engine itself, the page segmentation mode, a language, an engine that does
    // not load).
    QString prepare(const Settings& settings, const QString& workFolder);

    class Worker {
    public:
        virtual ~Worker() = default;
        // Reads workFolder/tmp.bmp into workFolder/tmp.txt and through the pipeline; blocks
        // until the engine has ended.
        virtual pipeline::Reading read(const QString& workFolder) = 0;
    };
    // A worker for one thread (after a successful prepare()).
    std::unique_ptr<Worker> worker();

    // Ends every engine process at once and starts none any more; a loaded engine finishes
    // its page.
    void stop();

    // Pictures handed to a loaded engine so far (the blank picture of prepare() not counted).
    int residentRuns() const;
    // Why the pictures go to processes; "" while they are read by loaded engines.
    QString processReason() const;

private:
    struct Shared;
    class EngineWorker;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<Worker> m_first; // the worker that read the blank picture
};

// The languages `program --list-langs` names (in dataFolder when given); empty when the list
// cannot be had.
QStringList installedLanguages(const QString& program, const QString& dataFolder = {});

} // namespace quillpix::folderbatch
