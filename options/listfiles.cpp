#include "listfiles.h"

#include "textfiles.h"

#include <QListWidget>

namespace quillpix {
namespace {

// Up to this many items every one is measured, so the widest sets the horizontal scroll range.
constexpr qsizetype kMeasuredItems = 10000;

// The line the item was read from, when its caption is another text.
constexpr int kLineRole = Qt::UserRole;

} // namespace

QString selectedItemText(const QListWidget* list) {
    const QListWidgetItem* item = list ? list->currentItem() : nullptr;
    if (!item)
        return QString();
    const QVariant line = item->data(kLineRole);
    return line.isValid() ? line.toString() : item->text();
}

void loadListFile(const QString& path, QListWidget* list) {
    const QStringList items = splitListItems(textfiles::readCp932(path));
    list->clear();
    // Measuring every item's text to lay the list out takes seconds for a million lines;
    // items of one line each are all as high as the first.
    list->setUniformItemSizes(items.size() > kMeasuredItems);
    for (const QString& line : items) {
        auto* item = new QListWidgetItem(itemCaption(line), list);
        if (item->text() != line) {
            item->setData(kLineRole, line);
            // The line as the file holds it, as the engine is given it.
            item->setToolTip(line);
        }
    }
    list->setCurrentRow(-1);
}

} // namespace quillpix
