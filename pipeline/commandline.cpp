#include "commandline.h"

#include "batchline.h"
#include "cp932.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace quillpix::pipeline {
namespace {

// Characters that end or change a word for the interpreter unless they are quoted.
bool needsQuotes(QChar c) {
    switch (c.unicode()) {
    case u' ':
    case u'\t':
    case u'&':
    case u'|':
    case u'<':
    case u'>':
    case u'^':
    case u'"':
        return true;
    default:
        return false;
    }
}

// Each character once with its code point: 「〜」(U+301C)、「한」(U+D55C).
QString listCharacters(const QString& characters) {
    QStringList parts;
    for (qsizetype i = 0; i < characters.size();) {
        const bool pair = characters[i].isHighSurrogate() && i + 1 < characters.size();
        const char32_t code = pair ? QChar::surrogateToUcs4(characters[i], characters[i + 1])
                                   : characters[i].unicode();
        parts << QCoreApplication::translate("pipeline", "「%1」(U+%2)")
                     .arg(characters.mid(i, pair ? 2 : 1))
                     .arg(QString::number(uint(code), 16).toUpper().rightJustified(4, u'0'));
        i += pair ? 2 : 1;
    }
    return parts.join(QCoreApplication::translate("pipeline", "、"));
}

} // namespace

QString itemValue(const QString& item) {
    const qsizetype colon = item.indexOf(QLatin1Char(':'));
    return colon < 0 ? item : item.mid(colon + 1);
}

QString removeWhitespace(const QString& text) {
    QString out = text;
    for (char16_t c : {u' ', u'\u3000', u'\r', u'\n', u'\t', u'\f', u'\v'})
        out.remove(QChar(c));
    return out;
}

QString batchWord(const QString& path) {
    QString word = path;
    word.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (!word.isEmpty() && std::none_of(word.begin(), word.end(), needsQuotes))
        return word;
    word.replace(QLatin1Char('"'), QStringLiteral("\"^\"\""));
    return QLatin1Char('"') + word + QLatin1Char('"');
}

QString optionForBatch(const QString& option) {
    if (option == QStringLiteral("pause"))
        return QStringLiteral("\r\npause");
    return option;
}

bool carriedWhole(const QString& path) {
    // The runner cuts tess.bat into lines at every LF and drops every CR: inside quotes or not,
    // a line break in a path would end the command, and the rest of the path would run as one.
    if (path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r')))
        return false;
    if (!folderCharactersWithoutForm(path).isEmpty())
        return false;
    // Read back as the runner reads the line: one command whose one argument is the path. An
    // empty environment, since every "%" of the word is doubled and names no variable.
    const batchfile::Line line = batchfile::parseLine(
        batchfile::expandVariables(QStringLiteral("x ") + batchWord(path), QProcessEnvironment()));
    if (!line.error.isEmpty() || line.pipelines.size() != 1 ||
        line.pipelines.first().commands.size() != 1)
        return false;
    const batchfile::Command& command = line.pipelines.first().commands.first();
    return command.redirections.isEmpty() &&
           command.words == QStringList{QStringLiteral("x"), path};
}

QString workFile(const QString& programFolder, const QString& name) {
    const QString path = programFolder + QLatin1Char('/') + name;
    return carriedWhole(path) ? path : name;
}

QString buildCommandLine(const QString& programFolder, const QString& psm, const QString& lang,
                         const QString& opt) {
    QString line = QStringLiteral("tesseract ");
    line += batchWord(workFile(programFolder, QStringLiteral("tmp.bmp")));
    line += QLatin1Char(' ');
    line += batchWord(workFile(programFolder, QStringLiteral("tmp")));
    line += QLatin1Char(' ');
    line += QStringLiteral("-l ");
    line += lang;
    line += QStringLiteral(" --psm ");
    line += psm;
    line += QLatin1Char(' ');
    line += opt;
    return line;
}

QString folderCharactersWithoutForm(const QString& programFolder) {
    return cp932::unrepresentable(programFolder);
}

QString unwritableCommandMessage(const QString& command) {
    const QString characters = cp932::unrepresentable(command);
    if (characters.isEmpty())
        return {};
    return QCoreApplication::translate(
               "pipeline", "コマンドに Shift-JIS（コード ページ 932）で表せない文字があるため、"
                           "tess.bat に正しく書けません: %1\n"
                           "文字認識は実行しません。これらの文字を含まないようにコマンドを"
                           "直してください。")
        .arg(listCharacters(characters));
}

QString engineNotFoundMessage() {
    return QCoreApplication::translate(
        "pipeline", "文字認識エンジン tesseract が見つかりません（PATH にありません）。"
                    "Debian では次のパッケージをインストールしてください: "
                    "tesseract-ocr tesseract-ocr-jpn\n"
                    "（例: sudo apt-get install tesseract-ocr tesseract-ocr-jpn）");
}

} // namespace quillpix::pipeline
