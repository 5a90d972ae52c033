#pragma once

#include "listitems.h"

#include <QString>

class QListWidget;

namespace quillpix {

// Fills the list box with the file's items (code page 932, split as splitListItems does). Nothing
// is selected afterwards. A file that cannot be read throws a Failure and leaves the list as it
// was.
void loadListFile(const QString& path, QListWidget* list);

// The line of a list's selected item as its file holds it, whatever its caption; "" when
// nothing is selected.
QString selectedItemText(const QListWidget* list);

} // namespace quillpix
