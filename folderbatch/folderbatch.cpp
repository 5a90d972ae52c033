#include "folderbatch.h"

#include "booktext.h"
#include "boxplaces.h"
#include "doubt.h"
#include "failure.h"
#include "listing.h"
#include "pdfoutput.h"
#include "picturereading.h"
#include "textfiles.h"
#include "writeplace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>
#include <exception>

namespace quillpix::folderbatch {
namespace {

// The places and marks of a page's characters beside its result, as the window keeps them on
// 保存: a batch's result opened in the window shows what to check, as one read there does.
void keepMarks(const QString& result, const QList<enginelayout::Line>& lines) {
    const QString saved = textfiles::readSavedResult(result);
    QList<textplacing::PlacedCharacter> characters = textplacing::placeCharacters(lines, saved);
    textplacing::markDoubtful(characters);
    textplacing::BoxPlaces places;
    places.addReading(saved, 0, characters, lines);
    if (!places.isEmpty())
        textfiles::writeBytes(places.toBytes(saved), textplacing::placesPath(result));
}

// The rate looks at this many recent pictures, so it follows a change of page density.
constexpr size_t kRateWindow = 8;

// A temporary file of the program's not written to for this long has no writer left: every
// writer of the program writes its file from start to end without a pause of minutes (a page
// result at once, a PDF page after page), and another batch or the window writing now keeps
// its file fresh.
constexpr qint64 kStaleSeconds = 3600;

// The folders where the batch writes files of its own under temporary names.
QStringList ownFolders(const Settings& settings) {
    const QString& f = settings.folder;
    QStringList folders{f,
                        pdfFolder(f),
                        pdfFolder(f) + QStringLiteral("/.lines"),
                        f + QStringLiteral("/.quillpix/whole"),
                        f + QStringLiteral("/.quillpix/written"),
                        f + QStringLiteral("/.quillpix/written/pdf"),
                        f + QStringLiteral("/.quillpix/written/outside")};
    if (!settings.book.isEmpty() && !folders.contains(textfiles::parentFolder(settings.book)))
        folders << textfiles::parentFolder(settings.book);
    return folders;
}

QString oneLine(const QString& text) {
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.remove(QLatin1Char('\r'));
    return line.trimmed();
}

} // namespace

int exitStatus(const Summary& summary) {
    if (!summary.setupError.isEmpty())
        return 3;
    if (summary.signal > 0)
        return 128 + summary.signal;
    const bool outputFailed =
        std::any_of(summary.outputs.begin(), summary.outputs.end(), [](const auto& report) {
            return report.outcome.state == OutputOutcome::State::Failed;
        });
    return summary.failures.isEmpty() && !outputFailed && summary.leftOut == 0 && !summary.cancelled
               ? 0
               : 1;
}

Batch::Batch(Settings settings, std::unique_ptr<PageReader> reader, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_reader(std::move(reader)) {
    for (const OutputFormat* format : formatsAsked(m_settings.outputs))
        m_needsLines = m_needsLines || format->needsLines();
    qRegisterMetaType<Progress>();
    qRegisterMetaType<Summary>();
    m_summary.folder = m_settings.folder;
}

Batch::~Batch() {
    m_stopping = true;
    m_aborting = true;
    m_reader->stop();
    joinWorkers();
}

void Batch::start() {
    if (m_started)
        return;
    m_started = true;
    m_clock.start();
    QMetaObject::invokeMethod(this, &Batch::begin, Qt::QueuedConnection);
}

void Batch::cancel() {
    if (m_ended || m_stopping)
        return;
    m_stopping = true;
    m_summary.cancelled = true;
}

void Batch::abort(int signal) {
    if (m_ended)
        return;
    m_stopping = true;
    m_aborting = true;
    m_summary.cancelled = true;
    m_summary.signal = signal;
    m_reader->stop();
    // Before the workers have started there is nobody to report back.
    if (m_started && m_workers.empty() && m_workersRunning == 0)
        QMetaObject::invokeMethod(this, &Batch::end, Qt::QueuedConnection);
}

void Batch::stopNow(int signal) {
    m_stopSignal = signal;
    m_stopping = true;
    m_aborting = true;
    m_reader->stop();
    QMetaObject::invokeMethod(
        this, [this, signal] { abort(signal); }, Qt::QueuedConnection);
}

void Batch::begin() {
    if (m_ended)
        return;
    if (m_aborting)
        return end();
    QString problem = queuePictures();
    if (problem.isEmpty())
        problem = makeWorkFolders();
    if (problem.isEmpty()) {
        // The settings are checked once, whether or not a picture is left to read.
        problem = oneLine(m_reader->prepare(m_settings, m_workFolders.front()->path()));
        // A stop during the trial ended its engine: the trial's failure is no fault of the
        // settings.
        if (m_aborting)
            return end();
    }
    if (!problem.isEmpty()) {
        m_summary.setupError = problem;
        return end();
    }
    // What a killed batch left under temporary names would otherwise stay for good; a refused
    // start leaves the folder as it was.
    for (const QString& own : ownFolders(m_settings))
        m_summary.staleRemoved += textfiles::removeStalePending(own, kStaleSeconds);
    m_clock.restart();
    if (m_toDo == 0 || m_aborting)
        return readingEnded();
    // The total is known before the first, perhaps slow, picture.
    Progress first;
    first.toDo = m_toDo;
    Q_EMIT progress(first);
    startWorkers();
}

QString Batch::queuePictures() {
    const QString folder = m_settings.folder;
    FolderPictures all;
    try {
        const QFileInfo info(folder);
        if (!info.exists())
            throw Failure(QCoreApplication::translate("batch", "no such folder: %1").arg(folder));
        if (!info.isDir())
            throw Failure(
                QCoreApplication::translate("batch", "%1 is a file, not a folder").arg(folder));
        all = folderPictures(folder);
    } catch (const Failure& failure) {
        return oneLine(failure.text());
    }
    m_summary.leftOut = all.leftOut;
    if (all.leftOut > 0)
        m_summary.leftOutReason = QCoreApplication::translate(
            "batch", "names that are not valid UTF-8 (Shift-JIS names from old archives, "
                     "say) cannot be opened; rename them to read them");
    if (all.items.isEmpty() && all.leftOut == 0)
        return QCoreApplication::translate("batch", "no pictures (%1) in the folder %2")
            .arg(QString::fromLatin1(pictures::kPicturePattern)
                     .replace(QLatin1Char(';'), QStringLiteral(", ")),
                 folder);
    // Written under a temporary name in the folder itself, as every saved result is.
    {
        QTemporaryFile probe(folder + QStringLiteral("/.quillpix-write-test-XXXXXX"));
        if (!probe.open())
            return QCoreApplication::translate("batch", "cannot write in the folder %1: %2")
                .arg(folder, probe.errorString());
    }

    QList<PictureItem> items = all.items;
    if (!m_settings.document.isEmpty()) {
        items.removeIf([&](const PictureItem& item) { return item.file != m_settings.document; });
        if (items.isEmpty())
            return QCoreApplication::translate("batch", "no picture %1 in the folder %2")
                .arg(m_settings.document, folder);
    }
    const QList<PictureItem> share = takeShard(items, m_settings.shardIndex, m_settings.shardCount);
    m_summary.inShare = int(share.size());
    for (const PictureItem& item : share) {
        if (!m_settings.force && QFileInfo(resultPath(folder, item)).isFile())
            ++m_summary.skipped;
        else
            m_queue.append(item);
    }
    if (QString problem = planOutputs(items, share); !problem.isEmpty())
        return problem;
    m_toDo = int(m_queue.size());
    return {};
}

QString Batch::makeWorkFolders() {
    const int jobs = std::clamp(m_settings.jobs, 1, std::max(1, m_toDo));
    for (int i = 0; i < jobs; ++i) {
        auto work = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                    QStringLiteral("/quillpix-batch-XXXXXX"));
        if (!work->isValid())
            return QCoreApplication::translate("batch", "cannot make a work folder in %1: %2")
                .arg(QDir::tempPath(), work->errorString());
        m_workFolders.push_back(std::move(work));
    }
    return {};
}

void Batch::startWorkers() {
    for (const auto& folderPtr : m_workFolders) {
        const QString workFolder = folderPtr->path();
        std::shared_ptr<PageReader::Worker> reader = m_reader->worker(workFolder);
        // Each worker's first picture is under way from here on: a cancel that follows the
        // first progress report lets it finish.
        PictureItem first;
        if (!takeNext(first))
            break;
        m_workers.emplace_back(QThread::create([this, reader, first] {
            work(*reader, first);
            QMetaObject::invokeMethod(this, &Batch::workerEnded, Qt::QueuedConnection);
        }));
        ++m_workersRunning;
        m_workers.back()->start();
    }
}

bool Batch::takeNext(PictureItem& item) {
    std::lock_guard lock(m_queueMutex);
    if (m_stopping || m_next >= m_queue.size())
        return false;
    item = m_queue[m_next++];
    return true;
}

void Batch::work(PageReader::Worker& reader, PictureItem item) {
    do {
        const Outcome outcome = readAndSave(item, reader);
        if (m_aborting) {
            // Its text was thrown away: a later run reads it.
            ++m_abandoned;
            continue;
        }
        QMetaObject::invokeMethod(
            this, [this, item, outcome] { pictureDone(item, outcome); }, Qt::QueuedConnection);
    } while (takeNext(item));
}

Batch::Outcome Batch::failedWith(const QString& why) {
    Outcome outcome;
    outcome.error = why;
    return outcome;
}

Batch::Outcome Batch::readAndSave(const PictureItem& item, PageReader::Worker& reader) {
    Outcome outcome;
    try {
        // The window's run and 保存 on a result box that was empty: the whole picture as the
        // window's cut-out of it, read through the pipeline, its text saved by the save rules.
        const QImage picture = loadItem(m_settings.folder, item);
        // With its lines whenever the engine tells them, for the marks beside the result.
        const PageReader::PageReading page = readPicture(reader, picture, m_settings, true);
        const pipeline::Reading& reading = page.reading;
        if (m_aborting)
            return {};
        if (reading.failed)
            return failedWith(oneLine(reading.reason));
        if (!reading.written)
            return failedWith(pipeline::noOutputReason());
        // A page read for its lines alone keeps its result, which may have been edited.
        if (!m_linesOnly.contains(item)) {
            const QString result = resultPath(m_settings.folder, item);
            if (const QString refusal = textfiles::writeRefusal(result, m_settings.folder);
                !refusal.isEmpty())
                return failedWith(refusal);
            const QByteArray bytes = reading.savedBytes(m_settings.encoding);
            if (m_settings.force) {
                outcome.replacedNotOwn =
                    QFileInfo(result).isFile() && !readWhole(m_settings.folder, item);
                textfiles::writeBytes(bytes, result);
            } else if (!textfiles::writeBytesIfAbsent(bytes, result)) {
                // A folder or a FIFO of that name is no result anybody saved.
                if (!QFileInfo(result).isFile())
                    return failedWith(QCoreApplication::translate(
                                          "batch",
                                          "%1 is taken by something that is not a file; its text "
                                          "is not saved")
                                          .arg(QFileInfo(result).fileName()));
                // The picture had no result when the batch began; one saved since (in the
                // window, by hand, by another batch) is the user's, and stays.
                outcome.kept = true;
                return outcome;
            }
            markReadWhole(m_settings.folder, item);
            outcome.lost = reading.lostInShiftJis;
            if (page.hasLines) {
                try {
                    keepMarks(result, page.lines);
                } catch (const Failure& failure) {
                    outcome.error = QCoreApplication::translate(
                                        "batch", "its text is saved, but the marks of what to "
                                                 "check could not be kept: %1")
                                        .arg(oneLine(failure.text()));
                }
            }
        }
        if (page.hasLines && m_needsLines) {
            try {
                keepLines(m_settings.folder, item, picture.size(), page.lines);
            } catch (const Failure& failure) {
                outcome.error = QCoreApplication::translate(
                                    "batch", "its text is saved, but where it lies could not "
                                             "be kept for the PDF: %1")
                                    .arg(oneLine(failure.text()));
            }
        }
        return outcome;
    } catch (const Failure& failure) {
        return failedWith(oneLine(failure.text()));
    } catch (const std::exception& e) {
        return failedWith(QString::fromLocal8Bit(e.what()));
    }
}

void Batch::pictureDone(const PictureItem& item, const Outcome& outcome) {
    const QString& error = outcome.error;
    if (outcome.kept) {
        ++m_summary.skipped;
        m_summary.keptMeanwhile << displayName(item);
    } else if (error.isEmpty() && m_linesOnly.contains(item)) {
        ++m_summary.linesRead;
    } else if (error.isEmpty()) {
        ++m_summary.done;
    } else {
        m_summary.failures.append({displayName(item), error});
    }
    if (outcome.replacedNotOwn)
        m_summary.replacedNotOwn << displayName(item);
    if (!outcome.lost.isEmpty())
        m_summary.lostCharacters.append(
            {QFileInfo(resultPath(m_settings.folder, item)).fileName(), outcome.lost});
    ++m_finished;

    const qint64 now = m_clock.elapsed();
    if (m_finishTimes.empty())
        m_finishTimes.push_back(0);
    m_finishTimes.push_back(now);
    if (m_finishTimes.size() > kRateWindow + 1)
        m_finishTimes.pop_front();

    Progress p;
    p.finished = m_finished;
    p.toDo = m_toDo;
    p.file = displayName(item);
    p.error = error;
    p.kept = outcome.kept;
    const qint64 span = m_finishTimes.back() - m_finishTimes.front();
    // Below a second the rate says more about the clock than about the pictures.
    if (span >= 1000) {
        p.perMinute = double(m_finishTimes.size() - 1) * 60000.0 / double(span);
        p.msLeft = qint64(double(m_toDo - m_finished) * 60000.0 / p.perMinute);
    }
    Q_EMIT progress(p);
}

void Batch::workerEnded() {
    if (--m_workersRunning > 0)
        return;
    joinWorkers();
    readingEnded();
}

QString Batch::planOutputs(const QList<PictureItem>& items, const QList<PictureItem>& share) {
    const QString& folder = m_settings.folder;
    // A book of one document alone would be that document's text.
    const OutputPlan plan = folderbatch::planOutputs(
        folder, items, m_settings.document.isEmpty() ? m_settings.book : QString(),
        formatsAsked(m_settings.outputs), m_settings.force);
    if (!plan.clashes.isEmpty())
        return plan.clashes.join(QStringLiteral("; "));
    m_outputs = plan.outputs;
    for (const Output& output : std::as_const(m_outputs)) {
        if (!output.format->needsLines())
            continue;
        // Every page of a PDF (an hOCR, an ALTO) to be written needs its lines: those this batch
        // does not read come from where they were kept, or are read again for the lines alone. A
        // PDF that lacks a result it will not get here is left unwritten, and needs none; one whose
        // pages are all older than it is up to date (a page read here has no result yet, or
        // --force reads every page of the share).
        bool complete = true;
        QStringList results;
        for (const PictureItem& page : output.pages) {
            results << resultPath(folder, page);
            complete = complete && (m_queue.contains(page) || QFileInfo(results.last()).isFile());
        }
        if (!complete || booktext::upToDate(output.target, results))
            continue;
        for (const PictureItem& page : output.pages)
            if (share.contains(page) && !m_queue.contains(page) && !m_linesOnly.contains(page) &&
                !keptLines(folder, page))
                m_linesOnly << page;
    }
    m_queue += m_linesOnly;
    return {};
}

void Batch::readingEnded() {
    if (m_outputsStarted || m_stopping || m_outputs.isEmpty())
        return end();
    m_outputsStarted = true;
    m_workers.emplace_back(QThread::create([this] {
        writeOutputs();
        QMetaObject::invokeMethod(this, &Batch::workerEnded, Qt::QueuedConnection);
    }));
    ++m_workersRunning;
    m_workers.back()->start();
}

void Batch::writeOutputs() {
    QList<Summary::OutputReport> reports;
    QList<PictureItem> fromWindow;
    for (const Output& output : std::as_const(m_outputs)) {
        if (m_aborting)
            break;
        reports.append({output.name, output.target,
                        writeOutput(
                            m_settings.folder, output, [this] { return m_aborting.load(); },
                            m_settings.encoding, m_settings.force),
                        output.scope == OutputScope::Picture ? output.format : nullptr,
                        output.scope});
        // A page whose result the batch did not read whole may hold part of the page alone:
        // the text that holds it says so.
        const OutputOutcome::State state = reports.last().outcome.state;
        if (state == OutputOutcome::State::Written || state == OutputOutcome::State::UpToDate)
            for (const PictureItem& page : output.pages)
                if (!fromWindow.contains(page) && !readWhole(m_settings.folder, page))
                    fromWindow << page;
    }
    QStringList names;
    for (const PictureItem& page : std::as_const(fromWindow))
        names << displayName(page);
    QMetaObject::invokeMethod(
        this,
        [this, reports, names] {
            m_summary.outputs = reports;
            m_summary.notReadWhole = names;
        },
        Qt::QueuedConnection);
}

void Batch::joinWorkers() {
    for (const auto& worker : m_workers)
        worker->wait();
}

void Batch::end() {
    if (m_ended)
        return;
    m_ended = true;
    if (m_stopSignal > 0 && m_summary.signal == 0) {
        m_summary.signal = m_stopSignal;
        m_summary.cancelled = true;
        m_summary.setupError.clear();
    }
    m_summary.notStarted += m_abandoned + int(m_queue.size() - m_next);
    // The workers finish in any order; the summary names the files in the folder's.
    std::sort(m_summary.lostCharacters.begin(), m_summary.lostCharacters.end(),
              [](const auto& a, const auto& b) { return pictures::naturalLess(a.file, b.file); });
    m_next = m_queue.size();
    m_summary.elapsedMs = m_clock.isValid() ? m_clock.elapsed() : 0;
    // The work folders go now, not when the batch object does.
    m_workers.clear();
    m_workFolders.clear();
    Q_EMIT finished(m_summary);
}

} // namespace quillpix::folderbatch
