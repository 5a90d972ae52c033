#include "folderchooser.h"

#include <QAbstractItemView>

namespace quillpix {

void FolderChooser::showPopup() {
    emit aboutToShowPopup();
    int widest = width();
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)) + 24);
    view()->setMinimumWidth(widest);
    QComboBox::showPopup();
}

} // namespace quillpix
