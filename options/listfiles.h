#pragma once

#include <QString>

class QListWidget;

namespace quillpix {

// The option list files beside the program, by the index of their "編集" button.
enum class ListFile { Option = 0, PSMode = 1, Lang = 2 };

QString listFilePath(const QString& programFolder, ListFile list);

// Fills the list box with the file's lines (code page 932; a line ends at CR LF or a lone CR,
// a lone LF stays in the item). Nothing is selected afterwards. A file that cannot be read
// throws a Failure and leaves the list as it was.
void loadListFile(const QString& path, QListWidget* list);

// The text of a list's selected item; "" when nothing is selected.
QString selectedItemText(const QListWidget* list);

} // namespace quillpix
