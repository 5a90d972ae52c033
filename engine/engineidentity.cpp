#include "engineidentity.h"

#include "programrun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <tesseract/baseapi.h>

#include <dlfcn.h>

namespace quillpix::engine {
namespace {

// --version and --list-langs answer at once; a program silent this long is hanging.
constexpr int kAnswerLimitMs = 10000;

// The standard output of the program with these arguments, run in folder; nullopt when it
// does not start or end within a few seconds.
std::optional<QString> outputOf(const QString& program, const QStringList& arguments,
                                const QString& folder) {
    processes::ProgramRun request;
    request.program = program;
    request.arguments = arguments;
    request.workFolder = folder;
    request.channels = processes::Channels::Separate;
    request.timeLimitMs = kAnswerLimitMs;
    const processes::ProgramResult ran = processes::run(request);
    if (!ran.started || ran.killed)
        return std::nullopt;
    return QString::fromUtf8(ran.output + ran.errorOutput);
}

QString firstLine(const QString& text) {
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

QString installedProgram() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&tesseract::TessBaseAPI::Version), &info) == 0 ||
        info.dli_fname == nullptr)
        return {};
    QDir folder = QFileInfo(QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath())
                      .absoluteDir();
    // <prefix>/lib/<arch>/libtesseract.so or <prefix>/lib[64]/libtesseract.so
    for (int up = 0; up < 2; ++up) {
        if (folder.dirName().startsWith(QLatin1String("lib"))) {
            QDir prefix = folder;
            if (prefix.cdUp()) {
                const QFileInfo program(prefix.filePath(QStringLiteral("bin/tesseract")));
                if (program.isFile())
                    return program.canonicalFilePath();
            }
        }
        if (!folder.cdUp())
            break;
    }
    return {};
}

QString libraryVersion() {
    return QString::fromUtf8(tesseract::TessBaseAPI::Version());
}

Verdict checkProgram(const QString& programFile, const QString& workingFolder) {
    Verdict verdict;
    const QString installed = installedProgram();
    const QString canonical = QFileInfo(programFile).canonicalFilePath();
    if (installed.isEmpty() || canonical != installed) {
        verdict.reason = QStringLiteral("%1 is not %2").arg(programFile, installed);
        return verdict;
    }
    QFile file(canonical);
    if (!file.open(QIODevice::ReadOnly) || file.read(4) != QByteArray("\x7f"
                                                                      "ELF")) {
        verdict.reason = QStringLiteral("%1 is not a compiled program").arg(canonical);
        return verdict;
    }
    const auto version = outputOf(canonical, {QStringLiteral("--version")}, workingFolder);
    const QString expected = QStringLiteral("tesseract ") + libraryVersion();
    if (!version || firstLine(*version) != expected) {
        verdict.reason = QStringLiteral("%1 is not %2").arg(canonical, expected);
        return verdict;
    }
    // "List of available languages in "<folder>/" (4):"
    const auto listing = outputOf(canonical, {QStringLiteral("--list-langs")}, workingFolder);
    static const QRegularExpression folderLine(
        QStringLiteral("List of available languages in \"([^\"]*)\""));
    const auto match = folderLine.match(listing.value_or(QString()));
    const QString folder =
        match.hasMatch()
            ? QFileInfo(QDir(workingFolder).absoluteFilePath(match.captured(1))).canonicalFilePath()
            : QString();
    if (folder.isEmpty()) {
        verdict.reason = QStringLiteral("%1 names no language data folder").arg(canonical);
        return verdict;
    }
    verdict.same = true;
    verdict.tessdataFolder = folder;
    return verdict;
}

} // namespace quillpix::engine
