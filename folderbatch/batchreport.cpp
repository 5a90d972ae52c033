#include "batchreport.h"

#include "outputformat.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>

#include <csignal>

namespace quillpix::folderbatch {
namespace {

// Pages the summary names one by one before it only counts them.
constexpr qsizetype kNamedPages = 10;

QString duration(qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

// The first few names, then only how many there are.
QString namedPages(const QStringList& all) {
    QStringList names;
    for (qsizetype i = 0; i < all.size() && i < kNamedPages; ++i)
        names << printableName(all[i]);
    if (all.size() > kNamedPages)
        names << QCoreApplication::translate("batch", "... (%1 in all)").arg(all.size());
    return names.join(QStringLiteral(", "));
}

} // namespace

QString printableName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Control)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString progressLine(const Progress& p, bool withPicture) {
    QString line = QStringLiteral("%1/%2").arg(p.finished).arg(p.toDo);
    if (withPicture)
        line += QLatin1Char(' ') + printableName(p.file) +
                (!p.error.isEmpty() ? QCoreApplication::translate("batch", " FAILED: ") + p.error
                 : p.kept ? QCoreApplication::translate("batch", " kept (saved meanwhile)")
                          : QCoreApplication::translate("batch", " saved"));
    if (p.perMinute > 0)
        line += QCoreApplication::translate("batch", "  %1/min").arg(p.perMinute, 0, 'f', 1);
    if (p.msLeft >= 0)
        line += QCoreApplication::translate("batch", "  %1 left").arg(duration(p.msLeft));
    return line;
}

namespace {

// What became of the outputs: each file named, but those beside the pictures counted by format
// unless something is amiss with one.
QString outputLines(const QList<Summary::OutputReport>& outputs) {
    QString text;
    QList<const OutputFormat*> counted;
    QHash<const OutputFormat*, int> written, upToDate;
    for (const Summary::OutputReport& report : outputs) {
        const QString name = printableName(report.name);
        const bool plain = report.outcome.detail.isEmpty() &&
                           (report.outcome.state == OutputOutcome::State::Written ||
                            report.outcome.state == OutputOutcome::State::UpToDate);
        if (report.perPicture && plain) {
            if (!counted.contains(report.perPicture))
                counted << report.perPicture;
            ++(report.outcome.state == OutputOutcome::State::Written ? written
                                                                     : upToDate)[report.perPicture];
            continue;
        }
        switch (report.outcome.state) {
        case OutputOutcome::State::Written:
            text += report.outcome.detail.isEmpty()
                        ? QCoreApplication::translate("batch", "  written: %1\n").arg(name)
                        : QCoreApplication::translate("batch", "  written: %1 (%2)\n")
                              .arg(name, report.outcome.detail);
            break;
        case OutputOutcome::State::UpToDate:
            text += QCoreApplication::translate("batch", "  up to date: %1\n").arg(name);
            break;
        case OutputOutcome::State::Incomplete:
            text += QCoreApplication::translate("batch", "  not written: %1: %2\n")
                        .arg(name, report.outcome.detail);
            break;
        case OutputOutcome::State::Failed:
            text += QCoreApplication::translate("batch", "  failed: %1: %2\n")
                        .arg(name, report.outcome.detail);
            break;
        case OutputOutcome::State::Stopped:
            break;
        }
    }
    for (const OutputFormat* format : std::as_const(counted)) {
        if (written.value(format) > 0)
            text += QCoreApplication::translate("batch", "  written: %1 %2 beside the results\n")
                        .arg(written.value(format))
                        .arg(format->filesName());
        if (upToDate.value(format) > 0)
            text += QCoreApplication::translate("batch", "  up to date: %1 %2\n")
                        .arg(upToDate.value(format))
                        .arg(format->filesName());
    }
    return text;
}

} // namespace

QString summaryText(const Summary& s) {
    if (!s.setupError.isEmpty())
        return QCoreApplication::translate("batch", "quillpix --batch: %1\n").arg(s.setupError);
    QString text = QCoreApplication::translate(
                       "batch", "%1: %2 pictures; %3 read and saved, %4 skipped (saved before), "
                                "%5 failed, in %6.\n")
                       .arg(QDir::toNativeSeparators(s.folder))
                       .arg(s.inShare)
                       .arg(s.done)
                       .arg(s.skipped)
                       .arg(s.failures.size())
                       .arg(duration(s.elapsedMs));
    for (const PictureFailure& f : s.failures)
        text += QCoreApplication::translate("batch", "  failed: %1: %2\n")
                    .arg(printableName(f.file), f.reason);
    if (!s.keptMeanwhile.isEmpty())
        text += QCoreApplication::translate(
                    "batch", "  kept: %1: saved while the batch ran (in the window, by hand or "
                             "by another run), so left as saved; --force replaces them\n")
                    .arg(namedPages(s.keptMeanwhile));
    if (!s.replacedNotOwn.isEmpty())
        text += QCoreApplication::translate(
                    "batch", "  replaced by --force: %1: results the batch had not read whole "
                             "itself (saved in the window or by hand)\n")
                    .arg(namedPages(s.replacedNotOwn));
    if (!s.lostCharacters.isEmpty()) {
        QStringList files;
        for (qsizetype i = 0; i < s.lostCharacters.size() && i < kNamedPages; ++i)
            files << QStringLiteral("%1 (%2)").arg(printableName(s.lostCharacters[i].file),
                                                   printableName(s.lostCharacters[i].characters));
        if (s.lostCharacters.size() > kNamedPages)
            files << QCoreApplication::translate("batch", "... (%1 in all)")
                         .arg(s.lostCharacters.size());
        text += QCoreApplication::translate(
                    "batch", "  saved with \"?\" for characters Shift-JIS cannot hold: %1; "
                             "--encoding utf-8 --force keeps them\n")
                    .arg(files.join(QStringLiteral(", ")));
    }
    if (s.staleRemoved > 0)
        text += QCoreApplication::translate(
                    "batch", "  removed: %1 temporary files left by a batch that was killed\n")
                    .arg(s.staleRemoved);
    if (s.leftOut > 0)
        text += QCoreApplication::translate("batch", "  left out: %1 names: %2\n")
                    .arg(s.leftOut)
                    .arg(s.leftOutReason);
    if (s.linesRead > 0)
        text += QCoreApplication::translate(
                    "batch", "  read again for where their text lies (their results kept): %1 "
                             "pictures\n")
                    .arg(s.linesRead);
    text += outputLines(s.outputs);
    if (!s.notReadWhole.isEmpty()) {
        const QString names = namedPages(s.notReadWhole);
        text += QCoreApplication::translate(
                    "batch", "  not read whole by the batch (saved in the window, perhaps from "
                             "part of the page): %1; the texts above hold them as saved; "
                             "delete a result and run again to have its page read whole\n")
                    .arg(names);
    }
    if (s.cancelled) {
        const QString why =
            s.signal == SIGINT    ? QCoreApplication::translate("batch", "Interrupted (SIGINT)")
            : s.signal == SIGTERM ? QCoreApplication::translate("batch", "Stopped (SIGTERM)")
                                  : QCoreApplication::translate("batch", "Cancelled");
        text += QCoreApplication::translate(
                    "batch", "%1: %2 pictures not read; run the same command again to read "
                             "them.\n")
                    .arg(why)
                    .arg(s.notStarted);
    }
    return text;
}

} // namespace quillpix::folderbatch
