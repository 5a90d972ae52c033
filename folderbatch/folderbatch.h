#pragma once

#include "batchsettings.h"
#include "engine.h"
#include "picturelist.h"

#include <QElapsedTimer>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

class QTemporaryDir;

// Reading every picture of a folder whole and saving its text beside it, as the window would
// with the whole picture selected, one run and 保存 on an empty result box.
namespace quillpix::folderbatch {

// Once when the pictures to read are known (finished 0, no file), then after each picture the
// batch has dealt with (read and saved, or failed).
struct Progress {
    int finished = 0;     // pictures dealt with so far in this run
    int toDo = 0;         // pictures this run deals with: the share, less those skipped
    QString file;         // the picture just dealt with
    QString error;        // why it failed; "" when its text was saved
    double perMinute = 0; // pictures a minute over the last few
    qint64 msLeft = -1;   // at that rate; -1 while unknown
};

struct PictureFailure {
    QString file;
    QString reason;
};

struct Summary {
    QString folder;
    // Set when the batch could not start (no such folder, no picture, no engine...): nothing
    // ran.
    QString setupError;
    int inShare = 0; // pictures of the folder in this batch's share
    int done = 0;    // read and saved by this run
    int skipped = 0; // saved before, left alone
    QList<PictureFailure> failures;
    int notStarted = 0; // left for a later run after a stop
    bool cancelled = false;
    int signal = 0; // the signal that stopped the batch, 0 for none
    qint64 elapsedMs = 0;
};

// 0 when everything was read or skipped; 1 when a picture failed; 3 when the batch could not
// start; 128 + the signal when one stopped it (130 for Ctrl+C, 143 for SIGTERM); 1 for a
// cancel.
int exitStatus(const Summary& summary);

// One batch over one folder. It runs in the thread it lives in, on that thread's event loop:
// the engines run as processes or on threads of their own, and only a picture's preparation and
// saving happen in the thread itself. Every engine has a work folder of its own in the system's
// temporary folder, so neither the window's work files nor another batch's are touched.
class Batch : public QObject {
    Q_OBJECT
public:
    explicit Batch(Settings settings, std::unique_ptr<Engine> engine = makeEngine(),
                   QObject* parent = nullptr);
    ~Batch() override;

    // Begins on the next turn of the event loop; finished() always follows, once.
    void start();
    // No picture is started any more; the running ones are read and saved, then finished().
    void cancel();
    // The running engines are ended and their pictures left without a result (no file is half
    // written), then finished(). Processes end at once; a loaded engine first finishes its page.
    // signal is reported in the summary.
    void abort(int signal = 0);

    bool isRunning() const { return m_started && !m_ended; }

Q_SIGNALS:
    void progress(const quillpix::folderbatch::Progress& progress);
    void finished(const quillpix::folderbatch::Summary& summary);

private:
    struct Slot;

    void begin();
    void fill();
    void runFinished(Slot& slot, const QString& diagnostic);
    void pictureDone(const PictureItem& item, const QString& error);
    void finishIfIdle();
    void end();
    // The picture as the window's crop of the whole picture writes it: its own pixels as
    // 32-bit RGB, saved as a BMP.
    void writeWorkPicture(const PictureItem& item, const QString& workFolder) const;
    void saveResult(const PictureItem& item, const QString& workFolder) const;

    Settings m_settings;
    std::unique_ptr<Engine> m_engine;
    std::vector<std::unique_ptr<Slot>> m_slots;
    QList<PictureItem> m_queue;
    qsizetype m_next = 0;
    Summary m_summary;
    int m_toDo = 0;
    int m_finished = 0;
    bool m_started = false;
    bool m_stopping = false;
    bool m_ended = false;
    QElapsedTimer m_clock;
    std::deque<qint64> m_finishTimes;
};

} // namespace quillpix::folderbatch

Q_DECLARE_METATYPE(quillpix::folderbatch::Progress)
Q_DECLARE_METATYPE(quillpix::folderbatch::Summary)
