#include "folderbatch.h"

#include "cleanup.h"
#include "failure.h"
#include "savetext.h"
#include "textfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <algorithm>
#include <exception>

namespace quillpix::folderbatch {
namespace {

// The rate looks at this many recent pictures, so it follows a change of page density.
constexpr size_t kRateWindow = 8;
// 96 dpi.
constexpr int kWorkPictureDotsPerMeter = 3780;

QString oneLine(const QString& text) {
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.remove(QLatin1Char('\r'));
    return line.trimmed();
}

} // namespace

struct Batch::Slot {
    QTemporaryDir work{QDir::tempPath() + QStringLiteral("/quillpix-batch-XXXXXX")};
    PictureItem item;
    std::unique_ptr<EngineRun> run;
};

int exitStatus(const Summary& summary) {
    if (!summary.setupError.isEmpty())
        return 3;
    if (summary.signal > 0)
        return 128 + summary.signal;
    return summary.failures.isEmpty() && !summary.cancelled ? 0 : 1;
}

Batch::Batch(Settings settings, std::unique_ptr<Engine> engine, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_engine(std::move(engine)) {
    qRegisterMetaType<Progress>();
    qRegisterMetaType<Summary>();
    m_summary.folder = m_settings.folder;
}

Batch::~Batch() {
    // Ends the engines before their work folders go.
    for (auto& slot : m_slots)
        slot->run.reset();
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
    if (m_started && !m_slots.empty())
        finishIfIdle();
}

void Batch::abort(int signal) {
    if (m_ended)
        return;
    m_stopping = true;
    m_summary.cancelled = true;
    m_summary.signal = signal;
    for (auto& slot : m_slots) {
        if (slot->run) {
            slot->run->kill();
            slot->run.reset();
            // Its picture counts as not started: a later run reads it.
            ++m_summary.notStarted;
        }
    }
    if (m_started && !m_slots.empty())
        finishIfIdle();
}

void Batch::begin() {
    const QString folder = m_settings.folder;
    QList<PictureItem> all;
    try {
        if (!QFileInfo(folder).isDir())
            throw Failure(QStringLiteral("no such folder: %1").arg(folder));
        all = listPictures(folder);
    } catch (const Failure& failure) {
        m_summary.setupError = oneLine(failure.text());
        return end();
    }
    if (all.isEmpty()) {
        m_summary.setupError =
            QStringLiteral("no pictures (*.bmp, *.gif) in the folder %1").arg(folder);
        return end();
    }
    // Written under a temporary name in the folder itself, as every saved result is.
    {
        QTemporaryFile probe(folder + QStringLiteral("/.quillpix-write-test-XXXXXX"));
        if (!probe.open()) {
            m_summary.setupError = QStringLiteral("cannot write in the folder %1: %2")
                                       .arg(folder, probe.errorString());
            return end();
        }
    }
    if (const QString problem = m_engine->check(m_settings); !problem.isEmpty()) {
        m_summary.setupError = problem;
        return end();
    }

    const QList<PictureItem> share = takeShard(all, m_settings.shardIndex, m_settings.shardCount);
    m_summary.inShare = int(share.size());
    for (const PictureItem& item : share) {
        if (!m_settings.force && QFileInfo(resultPath(folder, item)).isFile())
            ++m_summary.skipped;
        else
            m_queue.append(item);
    }
    m_toDo = int(m_queue.size());

    const int jobs = std::clamp(m_settings.jobs, 1, std::max(1, m_toDo));
    for (int i = 0; i < jobs && m_toDo > 0; ++i) {
        auto slot = std::make_unique<Slot>();
        if (!slot->work.isValid()) {
            m_summary.setupError = QStringLiteral("cannot make a work folder in %1: %2")
                                       .arg(QDir::tempPath(), slot->work.errorString());
            m_slots.clear();
            return end();
        }
        m_slots.push_back(std::move(slot));
    }
    m_clock.restart();
    if (m_slots.empty())
        return end();
    // The total is known before the first, perhaps slow, picture.
    Progress first;
    first.toDo = m_toDo;
    Q_EMIT progress(first);
    fill();
    finishIfIdle();
}

void Batch::fill() {
    for (auto& slotPtr : m_slots) {
        Slot& slot = *slotPtr;
        while (!slot.run && !m_stopping && m_next < m_queue.size()) {
            const PictureItem item = m_queue[m_next++];
            try {
                writeWorkPicture(item, slot.work.path());
            } catch (const Failure& failure) {
                pictureDone(item, oneLine(failure.text()));
                continue;
            }
            slot.item = item;
            slot.run = m_engine->start(m_settings, slot.work.path());
            Slot* s = &slot;
            // Queued, with the run as context: a run ended by abort() never reports.
            connect(
                slot.run.get(), &EngineRun::finished, slot.run.get(),
                [this, s](const QString& diagnostic) { runFinished(*s, diagnostic); },
                Qt::QueuedConnection);
        }
    }
}

void Batch::writeWorkPicture(const PictureItem& item, const QString& workFolder) const {
    QImage picture = loadItem(m_settings.folder, item).convertToFormat(QImage::Format_RGB32);
    // The window's cut-out is a new image, which carries the screen's resolution rather than
    // the picture's: 96 dpi on a usual desktop. The engine reads it from the file.
    picture.setDotsPerMeterX(kWorkPictureDotsPerMeter);
    picture.setDotsPerMeterY(kWorkPictureDotsPerMeter);
    const QString bitmap = workFolder + QStringLiteral("/tmp.bmp");
    QFile::remove(bitmap);
    if (!picture.save(bitmap, "BMP"))
        throw Failure(QStringLiteral("cannot write the work picture %1").arg(bitmap));
    // A result found after the run can only be this run's.
    const QString result = workFolder + QStringLiteral("/tmp.txt");
    if (QFileInfo::exists(result) && !QFile::remove(result))
        throw Failure(QStringLiteral("cannot delete the old work result %1").arg(result));
}

void Batch::saveResult(const PictureItem& item, const QString& workFolder) const {
    // The window's run and 保存, on a result box that was empty: the engine's UTF-8 text as code
    // page 932 lines, tidied, then the save rules, written under a temporary name and renamed.
    const QString converted = workFolder + QStringLiteral("/tmp_sjis.txt");
    textfiles::convertUtf8ToSjis(workFolder + QStringLiteral("/tmp.txt"), converted,
                                 textfiles::Durability::WorkFile);
    const QString boxText = cleanup::cleanRecognizedText(textfiles::readTextFile(converted));
    textfiles::writeLines({QString(), savetext::savedContent(boxText)},
                          resultPath(m_settings.folder, item));
}

void Batch::runFinished(Slot& slot, const QString& diagnostic) {
    if (!slot.run)
        return;
    // Its own queued call is on the stack: the run goes once that has returned.
    slot.run.release()->deleteLater();
    const PictureItem item = slot.item;
    QString error;
    if (!m_summary.signal) {
        if (!QFileInfo(slot.work.filePath(QStringLiteral("tmp.txt"))).isFile()) {
            error = QStringLiteral("the engine wrote no text");
            if (!diagnostic.isEmpty())
                error += QStringLiteral(": ") + diagnostic;
        } else {
            try {
                saveResult(item, slot.work.path());
            } catch (const Failure& failure) {
                error = oneLine(failure.text());
            } catch (const std::exception& e) {
                error = QString::fromLocal8Bit(e.what());
            }
        }
    }
    pictureDone(item, error);
    fill();
    finishIfIdle();
}

void Batch::pictureDone(const PictureItem& item, const QString& error) {
    if (error.isEmpty())
        ++m_summary.done;
    else
        m_summary.failures.append({displayName(item), error});
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
    const qint64 span = m_finishTimes.back() - m_finishTimes.front();
    // Below a second the rate says more about the clock than about the pictures.
    if (span >= 1000) {
        p.perMinute = double(m_finishTimes.size() - 1) * 60000.0 / double(span);
        p.msLeft = qint64(double(m_toDo - m_finished) * 60000.0 / p.perMinute);
    }
    Q_EMIT progress(p);
}

void Batch::finishIfIdle() {
    if (m_ended)
        return;
    const bool running = std::any_of(m_slots.begin(), m_slots.end(),
                                     [](const auto& slot) { return bool(slot->run); });
    if (running)
        return;
    if (!m_stopping && m_next < m_queue.size())
        return;
    m_summary.notStarted += int(m_queue.size() - m_next);
    m_next = m_queue.size();
    end();
}

void Batch::end() {
    if (m_ended)
        return;
    m_ended = true;
    m_summary.elapsedMs = m_clock.isValid() ? m_clock.elapsed() : 0;
    // The work folders go now, not when the batch object does.
    m_slots.clear();
    Q_EMIT finished(m_summary);
}

} // namespace quillpix::folderbatch
