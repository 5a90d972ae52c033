#pragma once

#include "lines.h"
#include "plaincall.h"
#include "reading.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace quillpix::engine {
class ResidentEngine;
}

// The two ways the folder batch starts the engine on a work picture: a process of the engine's
// command line, or an engine kept loaded in this program. Both block the calling thread until
// the engine has ended, so each of the batch's workers reads one picture at a time.
namespace quillpix::pipeline {

// The stop of the engine processes under way, asked from any thread. Each process is ended by
// the thread that waits for it (see processes::killGroup), within a moment of the stop.
// Why a read that a stop ended has no text, for the user.
QString readingStopped();

class RunningProcesses {
public:
    // Ends every process group under way now, and every one started from now on.
    void stopAll();
    bool stopped() const;

private:
    std::atomic<bool> m_stopped{false};
};

// The engine's command line in a process of its own: words[0] found on PATH (or relative to
// workFolder when it holds a "/"), the rest its arguments, run in workFolder with one thread
// (OMP_THREAD_LIMIT=1), empty standard input, in a process group of its own that dies with this
// program. The output is outputFile afterwards; an exit status other than 0, a signal or a
// program that does not start is a failure, named with the engine's last message.
class ProcessStep : public EngineStep {
public:
    ProcessStep(QStringList words, QString workFolder, QString outputFile,
                RunningProcesses* processes = nullptr);
    EngineOutput run() override;

private:
    QStringList m_words;
    QString m_folder;
    QString m_output;
    RunningProcesses* m_processes;
};

// A plain call read by an engine kept loaded in this program, the work picture handed over in
// memory: the same text as the command line gives for a picture file of the same pixels. A
// call the loaded engine turns down (a config it cannot take) reads nothing; notResident() then
// tells the caller to use a process. With lines asked for, lines() holds where the engine read
// each line and character. A stop (the batch's, or any caller's: stopRequested is asked from
// the engine's thread) ends the read between two words; the output is then a failure, its
// reason readingStopped(), and stopped() is true.
class ResidentStep : public EngineStep {
public:
    ResidentStep(engine::ResidentEngine& engine, engine::PlainCall call, QImage workPicture,
                 bool withLines = false, std::function<bool()> stopRequested = {});
    EngineOutput run() override;
    bool notResident() const { return m_notResident; }
    bool stopped() const { return m_stopped; }
    const QList<enginelayout::Line>& lines() const { return m_lines; }

private:
    engine::ResidentEngine& m_engine;
    engine::PlainCall m_call;
    QImage m_picture;
    bool m_withLines;
    std::function<bool()> m_stopRequested;
    bool m_notResident = false;
    bool m_stopped = false;
    QList<enginelayout::Line> m_lines;
};

} // namespace quillpix::pipeline
