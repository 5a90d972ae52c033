#include "outputformat.h"

#include <QFileInfo>

namespace quillpix::folderbatch {

// Each format's one instance, defined beside it.
const OutputFormat& textOutput();
const OutputFormat& pdfOutput();
const OutputFormat& hocrOutput();
const OutputFormat& altoOutput();

const QList<const OutputFormat*>& outputFormats() {
    static const QList<const OutputFormat*> formats{&textOutput(), &pdfOutput(), &hocrOutput(),
                                                    &altoOutput()};
    return formats;
}

const OutputFormat* formatOfOption(const QString& option) {
    for (const OutputFormat* format : outputFormats())
        if (!format->option().isEmpty() && format->option() == option)
            return format;
    return nullptr;
}

QList<const OutputFormat*> formatsAsked(const QStringList& options) {
    QList<const OutputFormat*> asked;
    for (const OutputFormat* format : outputFormats())
        if (format->option().isEmpty() || options.contains(format->option()))
            asked << format;
    return asked;
}

QString besideResult(const QString& folder, const PictureItem& item, const QString& extension) {
    QString path = resultPath(folder, item);
    path.chop(4); // ".txt"
    return path + extension;
}

QString besideBook(const QString& bookPath, const QString& extension) {
    QString path = bookPath;
    if (QFileInfo(path).fileName().endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        path.chop(4);
    return path + extension;
}

QString relativeName(const QString& folder, const QString& path) {
    return path.startsWith(folder + QLatin1Char('/')) ? path.mid(folder.size() + 1) : path;
}

} // namespace quillpix::folderbatch
