#include "batchrunner.h"

#include "consolewindow.h"
#include "cp932.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <memory>

#include <signal.h>
#include <unistd.h>

namespace quillpix::batch {
namespace {

// Kills the batch and everything it started (it leads its own process group).
void killBatch(QProcess& process) {
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    process.kill();
}

} // namespace

QString pausePrompt() {
    return QStringLiteral("続行するには何かキーを押してください . . . ");
}

QString shellScript(const QByteArray& batchBytes) {
    // The console sends one line per key, so reading a line is reading a key; with empty
    // standard input the read fails at once and the batch goes on.
    QString script = QStringLiteral("pause() {\n"
                                    "    printf '%s' '") +
                     pausePrompt() +
                     QStringLiteral("'\n"
                                    "    IFS= read -r quillpix_key || :\n"
                                    "    printf '\\n'\n"
                                    "}\n");
    QString body = cp932::decode(batchBytes);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    script += body;
    return script;
}

bool runBatchFile(const QString& batchPath, Console consoleKind, QWidget* consoleParent) {
    QFile file(batchPath);
    if (QFileInfo(batchPath).isDir() || !file.open(QIODevice::ReadOnly))
        return false;
    const QString script = shellScript(file.readAll());
    file.close();

    QProcess process;
    process.setProgram(QStringLiteral("/bin/sh"));
    // $0 names the batch file, as %0 does.
    process.setArguments({QStringLiteral("-c"), script, QFileInfo(batchPath).absoluteFilePath()});
    process.setWorkingDirectory(QFileInfo(batchPath).absolutePath());
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

    std::unique_ptr<ConsoleWindow> console;
    if (consoleKind == Console::Window) {
        console =
            std::make_unique<ConsoleWindow>(consoleParent, QFileInfo(batchPath).absoluteFilePath());
        process.setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&process, &QProcess::readyReadStandardOutput, console.get(),
                         [&] { console->appendOutput(process.readAllStandardOutput()); });
        QObject::connect(console.get(), &ConsoleWindow::keyPressed, &process,
                         [&] { process.write("\n"); });
        QObject::connect(console.get(), &ConsoleWindow::closeRequested, &process,
                         [&] { killBatch(process); });
    } else {
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
    }

    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    process.start();
    if (!process.waitForStarted())
        return false;
    if (console) {
        console->show();
        console->raise();
        console->activateWindow();
        console->setFocus();
    }
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    // The loop also ends when the application quits while the batch still runs.
    if (process.state() != QProcess::NotRunning) {
        killBatch(process);
        process.waitForFinished(5000);
    }
    if (console)
        console->appendOutput(process.readAllStandardOutput());
    return true;
}

} // namespace quillpix::batch
