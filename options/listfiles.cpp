#include "listfiles.h"

#include "textfiles.h"

#include <QListWidget>

namespace quillpix {
namespace {

// Up to this many items every one is measured, so the widest sets the horizontal scroll range.
constexpr qsizetype kMeasuredItems = 10000;

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

QString selectedItemText(const QListWidget* list) {
    const QListWidgetItem* item = list ? list->currentItem() : nullptr;
    return item ? item->text() : QString();
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

void loadListFile(const QString& path, QListWidget* list) {
    const QStringList items = splitListItems(textfiles::readCp932(path));
    list->clear();
    // Measuring every item's text to lay the list out takes seconds for a million lines;
    // items of one line each are all as high as the first.
    list->setUniformItemSizes(items.size() > kMeasuredItems);
    list->addItems(items);
    list->setCurrentRow(-1);
}

} // namespace quillpix
