#include "engine.h"

#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace quillpix::folderbatch {
namespace {

const QString kProgram = QStringLiteral("tesseract");

QString lastLine(const QByteArray& output) {
    const QStringList lines =
        QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        if (!lines[i].trimmed().isEmpty())
            return lines[i].trimmed();
    return {};
}

class ProcessRun : public EngineRun {
public:
    ProcessRun(const QString& program, const QStringList& arguments, const QString& workFolder) {
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setWorkingDirectory(workFolder);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardInputFile(QProcess::nullDevice());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
        m_process.setProcessEnvironment(env);
        m_process.setChildProcessModifier([] {
            // A group of its own: Ctrl+C on the terminal reaches the batch, which ends the
            // engines itself, and kill() reaches whatever the engine started.
            ::setpgid(0, 0);
            // Should the batch die without a chance to end it, the engine goes too.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        });
        connect(&m_process, &QProcess::readyRead, this, [this] {
            m_output += m_process.readAll();
            if (m_output.size() > 8192)
                m_output = m_output.right(4096);
        });
        connect(&m_process, &QProcess::finished, this, [this] {
            m_output += m_process.readAll();
            if (!m_killed)
                Q_EMIT finished(lastLine(m_output));
        });
        connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart && !m_killed)
                Q_EMIT finished(QStringLiteral("cannot start %1: %2")
                                    .arg(m_process.program(), m_process.errorString()));
        });
        m_process.start();
    }

    ~ProcessRun() override { kill(); }

    void kill() override {
        m_killed = true;
        if (m_process.state() == QProcess::NotRunning)
            return;
        const qint64 pid = m_process.processId();
        if (pid > 0)
            ::kill(-pid_t(pid), SIGKILL);
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
    QByteArray m_output;
    bool m_killed = false;
};

class ProcessEngine : public Engine {
public:
    QString check(const Settings& settings) override {
        m_program = QStandardPaths::findExecutable(kProgram);
        if (m_program.isEmpty())
            return QStringLiteral("the recognition engine \"%1\" is not on PATH (Debian: apt-get "
                                  "install tesseract-ocr)")
                .arg(kProgram);
        const QStringList installed = installedLanguages(m_program);
        // An engine that cannot list its languages is left to say so for each picture.
        if (installed.isEmpty())
            return {};
        for (const QString& lang : settings.lang.split(QLatin1Char('+'))) {
            if (!installed.contains(lang.trimmed()))
                return QStringLiteral("the language \"%1\" is not installed for %2 (installed: "
                                      "%3)")
                    .arg(lang, m_program, installed.join(QStringLiteral(", ")));
        }
        return {};
    }

    std::unique_ptr<EngineRun> start(const Settings& settings, const QString& workFolder) override {
        if (m_program.isEmpty())
            m_program = QStandardPaths::findExecutable(kProgram);
        QStringList arguments{workFolder + QStringLiteral("/tmp.bmp"),
                              workFolder + QStringLiteral("/tmp")};
        arguments += engineSettingsWords(settings);
        return std::make_unique<ProcessRun>(m_program.isEmpty() ? kProgram : m_program, arguments,
                                            workFolder);
    }

private:
    QString m_program;
};

} // namespace

QStringList installedLanguages(const QString& program) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {QStringLiteral("--list-langs")});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    // A heading line ("List of available languages in ...:"), then one name a line.
    QStringList languages;
    const QStringList lines = QString::fromUtf8(process.readAll()).split(QLatin1Char('\n'));
    bool listing = false;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("List of available languages"))) {
            listing = true;
            continue;
        }
        if (listing && !line.trimmed().isEmpty())
            languages << line.trimmed();
    }
    return languages;
}

std::unique_ptr<Engine> makeProcessEngine() {
    return std::make_unique<ProcessEngine>();
}

} // namespace quillpix::folderbatch
