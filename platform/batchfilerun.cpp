#include "batchfilerun.h"

#include "childprocess.h"
#include "consolewindow.h"
#include "cp932.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace quillpix::batchfile {
namespace {

// Handles 0 to 9, as "3>" and the like can name them.
constexpr int kHandles = 10;
// What a program said last on its standard error: its failure's reason lies in this tail.
constexpr qsizetype kErrorTailBytes = 4096;
// How often a run asks whether it is to stop: a stop ends it within this.
constexpr int kStopPollMs = 40;
using Handles = std::array<int, kHandles>;
bool isBuiltin(const QString& word, const char* name) {
    return word.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// A descriptor of our own above the standard handles, closed when a program starts.
int raised(int fd) {
    if (fd < 0)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, kHandles);
    ::close(fd);
    return moved;
}

void writeText(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            return;
        done += n;
    }
}

// One run of a batch file: the console and the descriptors every command starts with.
class BatchRun {
public:
    BatchRun(const QString& batchPath, Console console, QWidget* consoleParent,
             const std::function<bool()>& stopRequested);
    ~BatchRun();
    BatchReport run(const QString& text);

private:
    // A program's standard error, read on its way to the console (or to nothing), its tail kept.
    struct ErrorCapture {
        int fd = -1;
        QByteArray tail;
        std::unique_ptr<QSocketNotifier> notifier;
    };
    // The programs of one pipeline as they were started: how each ended, where its end went
    // in the report (-1 until it ended), and how many still run.
    struct Started {
        explicit Started(size_t count)
            : codes(count, 0), errors(count), endedAt(count, -1), processes(count) {}
        std::vector<int> codes;
        std::vector<ErrorCapture> errors;
        std::vector<qsizetype> endedAt;
        std::vector<std::unique_ptr<QProcess>> processes;
        int remaining = 0;
    };
    int runPipeline(const Pipeline& pipeline);
    // Opens what the command's redirections name into its handles; false, said on its error
    // handle, when one cannot be.
    bool redirect(const Command& command, Handles& h, std::vector<int>& opened);
    void captureErrors(Handles& h, ErrorCapture& capture, std::vector<int>& opened);
    // Starts the pipeline's k-th program with its handles, or says it cannot be found.
    void start(const Command& command, const Handles& h, qsizetype k, Started& started);
    void readErrors(ErrorCapture& capture);
    void pause(int outputHandle);
    bool waitUntil(const std::function<bool()>& done);
    void wake();
    void drainOutput();
    void report(int handle, const QString& text);
    void killAll();

    QString m_path;
    QString m_folder;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    std::unique_ptr<ConsoleWindow> m_console;
    std::unique_ptr<QSocketNotifier> m_outputNotifier;
    // What a command reads and writes unless the line says otherwise.
    int m_input = -1, m_output = -1;
    // The console's end of the programs' output.
    int m_fromPrograms = -1;
    std::vector<QProcess*> m_running;
    QEventLoop* m_loop = nullptr;
    bool m_woken = false;
    // Keys pressed in the console that no "pause" has taken yet.
    int m_keys = 0;
    bool m_stopped = false;
    std::unique_ptr<QTimer> m_stopWatch;
    BatchReport m_report;
};

BatchRun::BatchRun(const QString& batchPath, Console console, QWidget* consoleParent,
                   const std::function<bool()>& stopRequested)
    : m_path(QFileInfo(batchPath).absoluteFilePath()),
      m_folder(QFileInfo(batchPath).absolutePath()) {
    m_report.read = true;
    if (stopRequested) {
        // A stop ends the programs as closing the console does.
        m_stopWatch = std::make_unique<QTimer>();
        m_stopWatch->setInterval(kStopPollMs);
        QObject::connect(m_stopWatch.get(), &QTimer::timeout, m_stopWatch.get(),
                         [this, stopRequested] {
                             if (m_stopped || !stopRequested())
                                 return;
                             m_stopped = true;
                             m_report.stopped = true;
                             killAll();
                             wake();
                         });
        m_stopWatch->start();
    }
    // The console's keys belong to "pause"; a program that reads its input ends at once
    // instead of waiting for keys that never come to it.
    m_input = raised(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    int output[2] = {-1, -1};
    if (console == Console::None || ::pipe2(output, O_CLOEXEC) != 0) {
        m_output = raised(::open("/dev/null", O_WRONLY | O_CLOEXEC));
        return;
    }
    m_fromPrograms = raised(output[0]);
    m_output = raised(output[1]);
    ::fcntl(m_fromPrograms, F_SETFL, ::fcntl(m_fromPrograms, F_GETFL) | O_NONBLOCK);

    m_console = std::make_unique<ConsoleWindow>(consoleParent, m_path);
    m_outputNotifier = std::make_unique<QSocketNotifier>(m_fromPrograms, QSocketNotifier::Read);
    QObject::connect(m_outputNotifier.get(), &QSocketNotifier::activated, m_console.get(),
                     [this] { drainOutput(); });
    // A key pressed while a program runs is kept for the next "pause", as the console's input
    // keeps it until something reads it.
    QObject::connect(m_console.get(), &ConsoleWindow::keyPressed, m_console.get(), [this] {
        ++m_keys;
        wake();
    });
    QObject::connect(m_console.get(), &ConsoleWindow::closeRequested, m_console.get(), [this] {
        m_stopped = true;
        killAll();
        wake();
    });
    m_console->show();
    m_console->raise();
    m_console->activateWindow();
    m_console->setFocus();
}

BatchRun::~BatchRun() {
    if (m_console)
        drainOutput();
    m_outputNotifier.reset();
    for (int fd : {m_input, m_output, m_fromPrograms})
        if (fd >= 0)
            ::close(fd);
}

BatchReport BatchRun::run(const QString& text) {
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        if (m_stopped)
            break;
        const Line line = parseLine(expandVariables(raw, m_environment, m_path));
        if (!line.error.isEmpty()) {
            report(m_output, line.error);
            m_report.lastProgram.clear();
            m_report.exitCode = 1;
            continue;
        }
        for (const Pipeline& pipeline : line.pipelines) {
            if (m_stopped)
                break;
            const int last = m_report.exitCode;
            if ((pipeline.joiner == Joiner::IfSucceeded && last != 0) ||
                (pipeline.joiner == Joiner::IfFailed && last == 0))
                continue;
            m_report.exitCode = runPipeline(pipeline);
            m_report.lastProgram = pipeline.commands.last().words.value(0);
        }
    }
    return m_report;
}

int BatchRun::runPipeline(const Pipeline& pipeline) {
    const qsizetype count = pipeline.commands.size();
    std::vector<Handles> handles(static_cast<size_t>(count));
    std::vector<int> opened;
    for (Handles& h : handles) {
        h.fill(-1);
        h[0] = m_input;
        h[1] = h[2] = m_output;
    }
    for (qsizetype k = 0; k + 1 < count; ++k) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return 1;
        ends[0] = raised(ends[0]);
        ends[1] = raised(ends[1]);
        opened.insert(opened.end(), {ends[0], ends[1]});
        handles[size_t(k)][1] = ends[1];
        handles[size_t(k + 1)][0] = ends[0];
    }

    Started started(static_cast<size_t>(count));
    for (qsizetype k = 0; k < count && !m_stopped; ++k) {
        const Command& command = pipeline.commands[k];
        Handles& h = handles[size_t(k)];
        int& code = started.codes[size_t(k)];
        if (!redirect(command, h, opened)) {
            code = 1;
            continue;
        }
        if (command.words.isEmpty())
            continue;
        const QString& name = command.words.first();
        if (isBuiltin(name, "pause")) {
            pause(h[1]);
            continue;
        }
        if (isBuiltin(name, "exit")) {
            // "exit N" ends the batch with the code N; a bare "exit" keeps the last one.
            bool number = false;
            const int given = command.words.value(1).toInt(&number);
            code = number ? given : m_report.exitCode;
            m_stopped = true;
            continue;
        }
        // Standard error left to the console is read on its way there, so a failed program's
        // last words can be its reason.
        if (h[2] == m_output)
            captureErrors(h, started.errors[size_t(k)], opened);
        start(command, h, k, started);
    }
    // Our copies go, so each program sees the end of what it reads once the writer ends.
    for (int fd : opened)
        ::close(fd);

    if (!waitUntil([&] { return started.remaining == 0 || m_stopped; }))
        m_stopped = true;
    if (started.remaining > 0) {
        // Closing the console, or the application quitting while the programs still run.
        m_stopped = true;
        killAll();
        for (const auto& process : started.processes)
            if (process)
                process->waitForFinished(5000);
    }
    m_running.clear();
    for (size_t k = 0; k < started.errors.size(); ++k) {
        ErrorCapture& capture = started.errors[k];
        if (capture.fd < 0)
            continue;
        readErrors(capture);
        capture.notifier.reset();
        ::close(capture.fd);
        if (started.endedAt[k] >= 0)
            m_report.ended[started.endedAt[k]].errors = capture.tail;
    }
    return started.codes.empty() ? 0 : started.codes.back();
}

bool BatchRun::redirect(const Command& command, Handles& h, std::vector<int>& opened) {
    for (const Redirection& r : command.redirections) {
        if (r.kind == Redirection::Kind::Duplicate) {
            // A handle that is not open cannot be copied, or the program would get ours.
            h[r.handle] = h[r.target.toInt()];
            if (h[r.handle] < 0) {
                report(h[2],
                       QCoreApplication::translate("batchfile", "ハンドル %1 は開いていません。")
                           .arg(r.target));
                return false;
            }
            continue;
        }
        const bool device = r.target.compare(QStringLiteral("nul"), Qt::CaseInsensitive) == 0;
        const QString path =
            device ? QStringLiteral("/dev/null") : QDir(m_folder).absoluteFilePath(r.target);
        const int flags = r.kind == Redirection::Kind::Read     ? O_RDONLY
                          : r.kind == Redirection::Kind::Append ? O_WRONLY | O_CREAT | O_APPEND
                                                                : O_WRONLY | O_CREAT | O_TRUNC;
        const int fd = raised(::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0666));
        if (fd < 0) {
            report(
                h[2],
                QCoreApplication::translate("batchfile", "ファイルを開けません: %1").arg(r.target));
            return false;
        }
        opened.push_back(fd);
        h[r.handle] = fd;
    }
    return true;
}

void BatchRun::captureErrors(Handles& h, ErrorCapture& capture, std::vector<int>& opened) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    capture.fd = raised(ends[0]);
    h[2] = raised(ends[1]);
    opened.push_back(h[2]);
    ::fcntl(capture.fd, F_SETFL, ::fcntl(capture.fd, F_GETFL) | O_NONBLOCK);
    capture.notifier = std::make_unique<QSocketNotifier>(capture.fd, QSocketNotifier::Read);
    QObject::connect(capture.notifier.get(), &QSocketNotifier::activated, capture.notifier.get(),
                     [this, &capture] { readErrors(capture); });
}

void BatchRun::start(const Command& command, const Handles& h, qsizetype k, Started& started) {
    const QString& name = command.words.first();
    const QString program = findProgram(name, m_folder, m_environment);
    auto process = std::make_unique<QProcess>();
    process->setProgram(program);
    process->setArguments(command.words.mid(1));
    process->setWorkingDirectory(m_folder);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    processes::leadOwnGroup(*process, std::vector<int>(h.begin(), h.end()));
    QObject::connect(process.get(), &QProcess::finished, process.get(),
                     [this, &started, k, name](int exitCode, QProcess::ExitStatus status) {
                         int& code = started.codes[size_t(k)];
                         code = status == QProcess::NormalExit ? exitCode : 1;
                         started.endedAt[size_t(k)] = m_report.ended.size();
                         m_report.ended.append({name, code, status != QProcess::NormalExit, {}});
                         --started.remaining;
                         wake();
                     });
    if (program.isEmpty() || (process->start(), !process->waitForStarted())) {
        report(h[2], QCoreApplication::translate(
                         "batchfile", "「%1」は、実行できるプログラムとして見つかりません。")
                         .arg(name));
        if (!m_report.notFound.contains(name))
            m_report.notFound << name;
        started.codes[size_t(k)] = kNotFoundExitCode;
        return;
    }
    ++started.remaining;
    m_running.push_back(process.get());
    started.processes[size_t(k)] = std::move(process);
}

void BatchRun::readErrors(ErrorCapture& capture) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(capture.fd, buffer, sizeof buffer);
        if (n <= 0) {
            // At its end the pipe would wake the notifier again and again.
            if (n == 0 && capture.notifier)
                capture.notifier->setEnabled(false);
            return;
        }
        const QByteArray bytes(buffer, n);
        if (m_console) {
            drainOutput();
            m_console->appendOutput(bytes);
        }
        capture.tail = (capture.tail + bytes).right(kErrorTailBytes);
    }
}

void BatchRun::pause(int outputHandle) {
    if (outputHandle == m_output && m_console) {
        drainOutput();
        m_console->appendOutput(pausePrompt().toUtf8());
    } else {
        writeText(outputHandle, pausePrompt().toUtf8());
    }
    if (!m_console)
        return;
    // A program of the same pipeline that ends meanwhile does not answer it; only a key does.
    if (!waitUntil([this] { return m_keys > 0 || m_stopped; }))
        m_stopped = true;
    if (m_stopped)
        return;
    --m_keys;
    if (outputHandle == m_output)
        m_console->appendOutput("\n");
    else
        writeText(outputHandle, "\n");
}

// Handles the window's events until done() holds. False when the wait was ended from outside
// (the application quits), which ends the batch.
bool BatchRun::waitUntil(const std::function<bool()>& done) {
    while (!done()) {
        QEventLoop loop;
        m_loop = &loop;
        m_woken = false;
        loop.exec();
        m_loop = nullptr;
        if (!m_woken)
            return false;
    }
    return true;
}

// Something the wait looks at has changed.
void BatchRun::wake() {
    m_woken = true;
    if (m_loop)
        m_loop->quit();
}

void BatchRun::drainOutput() {
    if (m_fromPrograms < 0 || !m_console)
        return;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(m_fromPrograms, buffer, sizeof buffer);
        if (n <= 0)
            return;
        m_console->appendOutput(QByteArray(buffer, n));
    }
}

void BatchRun::report(int handle, const QString& text) {
    writeText(handle, (text + QLatin1Char('\n')).toUtf8());
}

void BatchRun::killAll() {
    // Each program leads its own process group, so what it started goes with it.
    for (QProcess* process : m_running)
        processes::killGroup(*process);
}

} // namespace

QString pausePrompt() {
    return QCoreApplication::translate("batchfile", "続行するには何かキーを押してください . . . ");
}
BatchReport runBatchFile(const QString& batchPath, Console console, QWidget* consoleParent,
                         const std::function<bool()>& stopRequested) {
    QFile file(batchPath);
    if (QFileInfo(batchPath).isDir() || !file.open(QIODevice::ReadOnly))
        return {};
    const QString text = cp932::decode(file.readAll());
    file.close();
    return BatchRun(batchPath, console, consoleParent, stopRequested).run(text);
}

} // namespace quillpix::batchfile
