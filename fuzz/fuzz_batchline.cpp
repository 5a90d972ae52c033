// A line of tess.bat on arbitrary text: the parser never fails, and a line of plain words
// (no quote, operator, caret, percent or label) splits at spaces and tabs and nowhere else.
#include "batchline.h"

#include <QRegularExpression>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillpix;
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const batchfile::Line parsed = batchfile::parseLine(line);
    static const QRegularExpression special(QStringLiteral("[\"&|<>^%:@\\r\\n\\x00-\\x08]"));
    if (line.contains(special))
        return 0;
    QStringList words =
        line.split(QRegularExpression(QStringLiteral("[ \\t]+")), Qt::SkipEmptyParts);
    // Words the interpreter itself answers (pause, rem, exit...) are no program's words.
    if (words.isEmpty() || !parsed.error.isEmpty())
        return 0;
    const QString first = words.first().toLower();
    if (first == QStringLiteral("pause") || first == QStringLiteral("rem") ||
        first == QStringLiteral("exit"))
        return 0;
    if (parsed.pipelines.size() != 1 || parsed.pipelines.first().commands.size() != 1 ||
        parsed.pipelines.first().commands.first().words != words)
        std::abort();
    return 0;
}
