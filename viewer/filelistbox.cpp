#include "filelistbox.h"

#include "listing.h"

namespace quillpix {

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {}

void FileListBox::setPattern(const QString& pattern) {
    m_pattern = pattern;
    refresh();
}

namespace {
constexpr int kFileNameRole = Qt::UserRole;
constexpr int kPageRole = Qt::UserRole + 1;
} // namespace

bool FileListBox::refresh() {
    clear();
    const pictures::Listing listing = pictures::listPictures(m_folder, m_pattern);
    m_leftOutMessage = listing.leftOutMessage;
    for (const pictures::ListEntry& entry : listing.entries) {
        auto* item = new QListWidgetItem(entry.shown, this);
        item->setData(kFileNameRole, entry.fileName);
        item->setData(kPageRole, entry.page);
    }
    setCurrentRow(-1);
    return listing.listed;
}

QString FileListBox::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->data(kFileNameRole).toString() : QString();
}

int FileListBox::page() const {
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->data(kPageRole).toInt() : pictures::kNoPage;
}

QString FileListBox::documentAt(const QPoint& point) const {
    const QListWidgetItem* entry = itemAt(point);
    if (!entry)
        return {};
    const QString name = entry->data(kFileNameRole).toString();
    // A PDF of one page is listed as a picture, but it is a document all the same.
    return entry->data(kPageRole).toInt() != pictures::kNoPage ||
                   name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
               ? name
               : QString();
}

int FileListBox::rowOf(const QString& fileName, int page) const {
    for (int i = 0; i < count(); ++i)
        if (item(i)->data(kFileNameRole).toString() == fileName &&
            item(i)->data(kPageRole).toInt() == page)
            return i;
    return -1;
}

} // namespace quillpix
