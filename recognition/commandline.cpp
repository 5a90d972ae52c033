#include "commandline.h"

#include <algorithm>

namespace quillpix::recognition {
namespace {

// Characters /bin/sh takes literally anywhere in a word. Non-ASCII characters (Japanese folder
// names) are literal too.
bool isShellLiteral(QChar c) {
    const char16_t u = c.unicode();
    if (u >= 0x80)
        return true;
    if ((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9'))
        return true;
    switch (u) {
    case u'/':
    case u'.':
    case u'_':
    case u'-':
    case u'+':
    case u',':
    case u'@':
    case u'%':
    case u':':
    case u'=':
        return true;
    default:
        return false;
    }
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

QString shellWord(const QString& path) {
    if (!path.isEmpty() && std::all_of(path.begin(), path.end(), isShellLiteral))
        return path;
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString optionForBatch(const QString& option) {
    if (option == QStringLiteral("pause"))
        return QStringLiteral("\r\npause");
    return option;
}

QString buildCommandLine(const QString& programFolder, const QString& psm, const QString& lang,
                         const QString& opt) {
    QString line = QStringLiteral("tesseract ");
    line += shellWord(programFolder + QStringLiteral("/tmp.bmp"));
    line += QLatin1Char(' ');
    line += shellWord(programFolder + QStringLiteral("/") + QStringLiteral("tmp"));
    line += QLatin1Char(' ');
    line += QStringLiteral("-l ");
    line += lang;
    line += QStringLiteral(" --psm ");
    line += psm;
    line += QLatin1Char(' ');
    line += opt;
    return line;
}

WindowStyle windowStyleFor(const QString& text) {
    return text.contains(QStringLiteral("pause")) ? WindowStyle::NormalWithFocus
                                                  : WindowStyle::MinimizedNoFocus;
}

} // namespace quillpix::recognition
