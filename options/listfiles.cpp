#include "listfiles.h"

#include "textfiles.h"

#include <QListWidget>

namespace quillpix {

QString listFilePath(const QString& programFolder, int index) {
    switch (index) {
    case 1:
        return programFolder + QStringLiteral("/listPSMode.txt");
    case 2:
        return programFolder + QStringLiteral("/listLang.txt");
    default:
        return programFolder + QStringLiteral("/listOption.txt");
    }
}

void loadListFile(const QString& path, QListWidget* list) {
    const QStringList items = textfiles::readLines(path);
    list->clear();
    list->addItems(items);
    list->setCurrentRow(-1);
}

} // namespace quillpix
