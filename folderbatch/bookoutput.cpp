#include "bookoutput.h"

#include "booktext.h"
#include "failure.h"
#include "pdfoutput.h"
#include "textfiles.h"
#include "writeplace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sys/stat.h>

namespace quillpix::folderbatch {
namespace {

// A book's missing pictures are named up to this many; the rest are counted.
constexpr qsizetype kNamedMissing = 10;

QStringList resultPaths(const QString& folder, const QList<PictureItem>& pages) {
    QStringList paths;
    for (const PictureItem& page : pages)
        paths << resultPath(folder, page);
    return paths;
}

// A document's pages are named by their numbers, other pages by their pictures.
bool byPageNumber(const Output& output) {
    return output.scope == OutputScope::Document && output.pages.first().page >= 0;
}

QString missingText(const Output& output, const QList<int>& missing) {
    QStringList names;
    for (qsizetype i = 0; i < missing.size() && i < kNamedMissing; ++i) {
        const PictureItem& item = output.pages[missing[i]];
        names << (byPageNumber(output) ? QString::number(item.page + 1) : displayName(item));
    }
    QString text =
        byPageNumber(output)
            ? QCoreApplication::translate("batch", "no result yet for page %1")
                  .arg(names.join(u", "))
            : QCoreApplication::translate("batch", "no result yet for %1").arg(names.join(u", "));
    if (missing.size() > kNamedMissing)
        text += QCoreApplication::translate("batch", " (%1 in all)").arg(missing.size());
    return text;
}

// Only plain files are opened for reading: a FIFO put in the batch's own folders would wait
// for a writer for ever.
bool plainFile(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QByteArray fileKey(const QString& path) {
    const QFileInfo info(path);
    return QByteArray::number(info.size()) + ':' +
           QByteArray::number(info.lastModified().toMSecsSinceEpoch());
}

OutputOutcome failed(const QString& why) {
    return {OutputOutcome::State::Failed, why};
}

QString notOwnText() {
    return QCoreApplication::translate(
        "batch", "a file of this name is there that the batch did not write; it is left as it "
                 "is (move it away, or give --force to replace it)");
}

// A result that is no text is not joined: the output would hold its bytes as characters.
QString unreadableText(const Output& output, int index, QString why) {
    why.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const PictureItem& item = output.pages[index];
    return QCoreApplication::translate(
               "batch", "the result of %1 cannot be read as text, so nothing is joined (%2); "
                        "save it again as text, or delete it to have the page read again")
        .arg(byPageNumber(output)
                 ? QCoreApplication::translate("batch", "page %1").arg(item.page + 1)
                 : displayName(item),
             why);
}

} // namespace

OutputPlan planOutputs(const QString& folder, const QList<PictureItem>& items,
                       const QString& bookPath, const QList<const OutputFormat*>& formats,
                       bool force) {
    OutputPlan plan;
    QHash<QString, QString> owners;
    for (const OutputFormat* format : formats) {
        OutputPlan own = format->outputsFor(folder, items, bookPath, force);
        plan.clashes << own.clashes;
        for (const Output& out : std::as_const(own.outputs)) {
            const QString owner =
                out.scope == OutputScope::Book ? QCoreApplication::translate("batch", "the book")
                : out.scope == OutputScope::Document ? out.pages.first().file
                                                     : displayName(out.pages.first());
            if (owners.contains(out.target)) {
                plan.clashes << QCoreApplication::translate(
                                    "batch", "%1 and %2 would both be written to %3; rename one")
                                    .arg(owners.value(out.target), owner, out.name);
                continue;
            }
            owners.insert(out.target, owner);
            plan.outputs << out;
        }
    }
    return plan;
}

QString keptLinesPath(const QString& folder, const PictureItem& item) {
    QString name = QFileInfo(resultPath(folder, item)).fileName();
    name.chop(4); // ".txt"
    return pdfFolder(folder) + QStringLiteral("/.lines/") + name + QStringLiteral(".lines");
}

QByteArray linesKey(const QString& folder, const PictureItem& item) {
    const QString result = resultPath(folder, item);
    if (!QFileInfo(result).isFile())
        return {};
    return "result " + fileKey(result) + " picture " +
           fileKey(folder + QLatin1Char('/') + item.file);
}

void keepLines(const QString& folder, const PictureItem& item, QSize picture,
               const QList<enginelayout::Line>& lines) {
    const QString path = keptLinesPath(folder, item);
    textfiles::requireWritePlace(path, folder);
    if (!QDir().mkpath(textfiles::parentFolder(path)))
        throw Failure(QCoreApplication::translate("batch", "cannot make the folder %1")
                          .arg(textfiles::parentFolder(path)));
    textfiles::writeBytes(enginelayout::encodeLines({linesKey(folder, item), picture, lines}), path,
                          textfiles::Durability::WorkFile);
}

std::optional<enginelayout::KeptLines> keptLines(const QString& folder, const PictureItem& item) {
    QFile file(keptLinesPath(folder, item));
    if (!plainFile(file.fileName()) || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<enginelayout::KeptLines> kept = enginelayout::decodeLines(file.readAll());
    const QByteArray key = linesKey(folder, item);
    if (!kept || key.isEmpty() || kept->key != key)
        return std::nullopt;
    return kept;
}

QString wholePageMarkPath(const QString& folder, const PictureItem& item) {
    QString name = QFileInfo(resultPath(folder, item)).fileName();
    name.chop(4); // ".txt"
    return folder + QStringLiteral("/.quillpix/whole/") + name;
}

void markReadWhole(const QString& folder, const PictureItem& item) {
    const QString path = wholePageMarkPath(folder, item);
    textfiles::requireWritePlace(path, folder);
    if (!QDir().mkpath(textfiles::parentFolder(path)))
        throw Failure(QCoreApplication::translate("batch", "cannot make the folder %1")
                          .arg(textfiles::parentFolder(path)));
    textfiles::writeBytes(fileKey(resultPath(folder, item)), path, textfiles::Durability::WorkFile);
}

bool readWhole(const QString& folder, const PictureItem& item) {
    QFile mark(wholePageMarkPath(folder, item));
    const QString result = resultPath(folder, item);
    return plainFile(mark.fileName()) && mark.open(QIODevice::ReadOnly) &&
           QFileInfo(result).isFile() && mark.read(64) == fileKey(result);
}

OutputOutcome writeOutput(const QString& folder, const Output& output,
                          const std::function<bool()>& stop, textfiles::TextEncoding encoding,
                          bool force) {
    const OutputFormat& format = *output.format;
    // The book lies where the user named it; everything else in the picture folder.
    const QString place =
        output.scope == OutputScope::Book ? textfiles::parentFolder(output.target) : folder;
    if (const QString refusal = textfiles::writeRefusal(output.target, place); !refusal.isEmpty())
        return failed(refusal);
    const QStringList results = resultPaths(folder, output.pages);
    if (const QList<int> missing = booktext::missingResults(results); !missing.isEmpty())
        return {OutputOutcome::State::Incomplete, missingText(output, missing)};
    // A file of that name that the batch did not write is the user's: a note named like the
    // book, a text of the document typed by hand, a PDF put in pdf/.
    const bool own = booktext::ownOutput(folder, output.target, format.joinsTexts());
    if (!own && !force)
        return failed(notOwnText());
    if (own && (format.joinsTexts() ? booktext::upToDate(output.target, results, encoding)
                                    : booktext::upToDate(output.target, results)))
        return {OutputOutcome::State::UpToDate, {}};
    try {
        const std::unique_ptr<PageSink> sink = format.open(folder, output, encoding);
        for (qsizetype i = 0; i < output.pages.size(); ++i) {
            if (stop && stop())
                return {OutputOutcome::State::Stopped, {}};
            const PictureItem& item = output.pages[i];
            std::optional<enginelayout::KeptLines> lines;
            if (format.needsLines()) {
                lines = keptLines(folder, item);
                // Its result changed since it was read (by another share, or while this batch
                // ran): the batch that reads it again writes the output.
                if (!lines)
                    return {OutputOutcome::State::Incomplete,
                            QCoreApplication::translate(
                                "batch", "where the text of %1 lies is not known yet; run the "
                                         "batch again")
                                .arg(displayName(item))};
            }
            const booktext::PageTexts text = booktext::readResults({results[i]}, encoding);
            if (text.unreadable >= 0)
                return failed(unreadableText(output, int(i), text.why));
            sink->add(item, text.texts.first(), lines ? &*lines : nullptr);
        }
        sink->finish();
        booktext::markWritten(folder, output.target);
    } catch (const Failure& failure) {
        QString why = failure.text();
        why.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return failed(why);
    }
    return {OutputOutcome::State::Written,
            own ? QString()
                : QCoreApplication::translate("batch", "replaced by --force: a file the batch had "
                                                       "not written")};
}

} // namespace quillpix::folderbatch
