#include "listfiles.h"

#include "textfiles.h"

#include <QListWidget>

namespace quillpix {

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

void loadListFile(const QString& path, QListWidget* list) {
    const QStringList items = textfiles::readLines(path);
    list->clear();
    list->addItems(items);
    list->setCurrentRow(-1);
}

} // namespace quillpix
