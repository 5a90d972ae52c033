#pragma once

#include "batchsettings.h"
#include "bookoutput.h"
#include "pagereader.h"
#include "picturelist.h"

#include <QElapsedTimer>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class QTemporaryDir;
class QThread;

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
    bool kept = false;    // a result saved meanwhile (in the window, say) was kept instead
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
    // Of those, the results that appeared while the batch ran (saved in the window, by hand
    // or by another batch): the batch read the picture but kept what was saved.
    QStringList keptMeanwhile;
    // With --force, the results replaced that the batch had not read whole itself (saved in
    // the window, or by hand).
    QStringList replacedNotOwn;
    // Results saved in Shift-JIS holding "?" for characters the engine read that code page
    // 932 has no form for; --encoding utf-8 keeps them.
    struct LostCharacters {
        QString file; // the result file, relative to the folder
        QString characters;
    };
    QList<LostCharacters> lostCharacters;
    // Hidden temporary files of an earlier batch that was killed, removed at the start.
    int staleRemoved = 0;
    QList<PictureFailure> failures;
    // Names of the folder that could not be read at all (not valid UTF-8), and why.
    int leftOut = 0;
    QString leftOutReason;
    int notStarted = 0; // left for a later run after a stop
    // Pages whose result was kept but whose lines an output needed: read again for those alone.
    int linesRead = 0;
    // The document texts, the book, the PDFs, hOCR and ALTO, in the order they were dealt with.
    struct OutputReport {
        QString name;
        QString target; // the file itself
        OutputOutcome outcome;
        // The files of one picture each are counted by their format when all is well.
        const OutputFormat* perPicture = nullptr;
        OutputScope scope = OutputScope::Document;
    };
    QList<OutputReport> outputs;
    // Pages of the outputs written whose results the batch did not read from the whole page
    // (saved or edited in the window, or by an older program): perhaps a part of the page.
    QStringList notReadWhole;
    bool cancelled = false;
    int signal = 0; // the signal that stopped the batch, 0 for none
    qint64 elapsedMs = 0;
};

// 0 when everything was read or skipped; 1 when a picture failed or a name was left out; 3
// when the batch could not start; 128 + the signal when one stopped it (130 for Ctrl+C, 143 for
// SIGTERM); 1 for a cancel.
int exitStatus(const Summary& summary);

// One batch over one folder. It reports in the thread it lives in, on that thread's event loop;
// the pictures are read by worker threads, each with a work folder of its own in the system's
// temporary folder (so neither the window's work files nor another batch's are touched), each
// reading one picture at a time through the pipeline and saving its text.
class Batch : public QObject {
    Q_OBJECT
public:
    explicit Batch(Settings settings,
                   std::unique_ptr<PageReader> reader = std::make_unique<PageReader>(),
                   QObject* parent = nullptr);
    // Ends a running batch as abort() does and waits for its workers.
    ~Batch() override;

    // Begins on the next turn of the event loop; finished() always follows, once.
    void start();
    // No picture is started any more; the running ones are read and saved, then finished().
    void cancel();
    // The running engines are ended and their pictures left without a result (no file is half
    // written), then finished(). Processes end at once; a loaded engine at its next word.
    // signal is reported in the summary.
    void abort(int signal = 0);
    // The same from any thread, also while the batch's own thread waits in a step (the
    // engine's trial before the first picture): the engines end at once, and abort(signal)
    // follows on the batch's thread.
    void stopNow(int signal = 0);

    bool isRunning() const { return m_started && !m_ended; }

Q_SIGNALS:
    void progress(const quillpix::folderbatch::Progress& progress);
    void finished(const quillpix::folderbatch::Summary& summary);

private:
    void begin();
    // The folder's pictures of this share that are still to be read, queued, and the outputs
    // planned; "" when the batch can go on, else why not.
    QString queuePictures();
    // A work folder for each engine at once; "" or why not.
    QString makeWorkFolders();
    // Each worker thread on its first picture.
    void startWorkers();
    // A worker thread's loop: its first picture, then the next until there is none or the
    // batch stops.
    void work(PageReader::Worker& reader, PictureItem first);
    bool takeNext(PictureItem& item);
    struct Outcome {
        QString error;               // why the picture failed; "" when it did not
        bool kept = false;           // a result that appeared meanwhile was kept
        bool replacedNotOwn = false; // --force replaced a result the batch had not read whole
        QString lost;                // characters saved as "?" (Shift-JIS)
    };
    static Outcome failedWith(const QString& why);
    Outcome readAndSave(const PictureItem& item, PageReader::Worker& reader);
    void pictureDone(const PictureItem& item, const Outcome& outcome);
    void workerEnded();
    // Plans the document texts, the book and the PDFs; queues the kept pages whose lines a PDF
    // to be written lacks. "" when it can go on, else why not.
    QString planOutputs(const QList<PictureItem>& items, const QList<PictureItem>& share);
    // The pages are dealt with: the outputs are written on a thread of their own, then end().
    void readingEnded();
    void writeOutputs();
    void joinWorkers();
    void end();

    Settings m_settings;
    // An output asked for needs each page's lines (where its characters lie).
    bool m_needsLines = false;
    std::unique_ptr<PageReader> m_reader;
    std::vector<std::unique_ptr<QTemporaryDir>> m_workFolders;
    std::vector<std::unique_ptr<QThread>> m_workers;
    int m_workersRunning = 0;
    Summary m_summary;
    int m_toDo = 0;
    int m_finished = 0;
    bool m_started = false;
    bool m_ended = false;
    QElapsedTimer m_clock;
    std::deque<qint64> m_finishTimes;

    // Shared with the workers.
    std::mutex m_queueMutex;
    QList<PictureItem> m_queue;
    qsizetype m_next = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_aborting{false};
    std::atomic<int> m_abandoned{0};
    std::atomic<int> m_stopSignal{0}; // from stopNow(), for a stop that came during a step

    // What is written besides the pages' results, and the kept pages read again for their
    // lines alone (set before the workers start, then only read).
    QList<Output> m_outputs;
    QList<PictureItem> m_linesOnly;
    bool m_outputsStarted = false;
};

} // namespace quillpix::folderbatch

Q_DECLARE_METATYPE(quillpix::folderbatch::Progress)
Q_DECLARE_METATYPE(quillpix::folderbatch::Summary)
