#include "listitems.h"

#include <QCoreApplication>

#include <array>

namespace quillpix {
namespace {

// The items the program ships in its lists, with what the window shows for them in its
// language: short enough for the list's width, the mode number kept. The engine is given the
// line as the file holds it.
struct ShippedItem {
    const char* line;
    const char* caption;
};
constexpr std::array kShippedItems{
    ShippedItem{"自動", QT_TRANSLATE_NOOP("options", "自動")},
    ShippedItem{"自動:3", QT_TRANSLATE_NOOP("options", "自動:3")},
    ShippedItem{"単一ブロック:6", QT_TRANSLATE_NOOP("options", "単一ブロック:6")},
    ShippedItem{"縦書きブロック:5", QT_TRANSLATE_NOOP("options", "縦ブロック:5")},
    ShippedItem{"1行:7", QT_TRANSLATE_NOOP("options", "1行:7")},
    ShippedItem{"単語:8", QT_TRANSLATE_NOOP("options", "単語:8")},
    ShippedItem{"疎なテキスト:11", QT_TRANSLATE_NOOP("options", "疎な文字:11")},
    ShippedItem{"自動(向き検出なし):4", QT_TRANSLATE_NOOP("options", "自動(向き無):4")},
    ShippedItem{"-c preserve_interword_spaces=1", QT_TRANSLATE_NOOP("options", "空白を保つ")},
};

} // namespace

QString listFilePath(const QString& programFolder, ListFile list) {
    switch (list) {
    case ListFile::PSMode:
        return programFolder + QStringLiteral("/listPSMode.txt");
    case ListFile::Lang:
        return programFolder + QStringLiteral("/listLang.txt");
    case ListFile::Option:
        break;
    }
    return programFolder + QStringLiteral("/listOption.txt");
}

QString itemCaption(const QString& line) {
    static const QStringList shipped = [] {
        QStringList lines;
        for (const ShippedItem& item : kShippedItems)
            lines << QString::fromUtf8(item.line);
        return lines;
    }();
    const qsizetype at = shipped.indexOf(line);
    return at < 0 ? line
                  : QCoreApplication::translate("options", kShippedItems[size_t(at)].caption);
}

QStringList splitListItems(const QString& text) {
    QStringList items;
    const qsizetype n = text.size();
    const QChar* data = text.constData();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = data[i];
        if (c != u'\r' && c != u'\n')
            continue;
        items << QString(data + start, i - start);
        if (c == u'\r' && i + 1 < n && data[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        items << QString(data + start, n - start);
    return items;
}

} // namespace quillpix
