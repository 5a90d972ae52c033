#pragma once

#include "batchsettings.h"
#include "enginecall.h"
#include "lines.h"
#include "reading.h"

#include <QImage>
#include <QList>
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

    // What reading one picture gave: the pipeline's reading and, when asked for and a loaded
    // engine read it, where the engine read each line and character.
    struct PageReading {
        pipeline::Reading reading;
        QList<enginelayout::Line> lines;
        // Whether lines is where the engine read: only a loaded engine tells, and only when
        // asked.
        bool hasLines = false;
    };

    class Worker {
    public:
        virtual ~Worker() = default;
        // Reads the picture (as the window's cut-out of it: pipeline::workPicture()) with these
        // settings, the batch's own or one picture's; blocks until the engine has ended. A
        // loaded engine gets the pixels in memory; a process reads them from tmp.bmp in the
        // worker's work folder.
        virtual PageReading read(const QImage& picture, const pipeline::EngineSettings& settings,
                                 bool withLines = false) = 0;
    };
    // A worker for one thread, with its own work folder (after a successful prepare(); the
    // first one is the worker prepare() used, in prepare()'s folder).
    std::unique_ptr<Worker> worker(const QString& workFolder);

    // Ends every engine process at once and starts none any more; a loaded engine ends its
    // page at its next word (see engine::ResidentEngine::startReading).
    void stop();

    // Pictures handed to a loaded engine so far (the blank picture of prepare() not counted).
    int residentRuns() const;
    // Why the pictures go to processes; "" while they are read by loaded engines.
    QString processReason() const;

private:
    struct Shared;
    class EngineWorker;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<Worker> m_first; // the worker that read the blank picture, and its folder
    QString m_firstFolder;
};

// The languages `program --list-langs` names (in dataFolder when given); empty when the list
// cannot be had.
QStringList installedLanguages(const QString& program, const QString& dataFolder = {});

} // namespace quillpix::folderbatch
