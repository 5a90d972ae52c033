#pragma once

#include <QString>

class QListWidget;

namespace quillpix {

// The option list files beside the program, by the index of their "編集" button:
// 1 listPSMode.txt, 2 listLang.txt, any other listOption.txt.
QString listFilePath(const QString& programFolder, int index);

// Fills the list box with the file's lines (code page 932; a line ends at CR LF or a lone CR,
// a lone LF stays in the item). Nothing is selected afterwards. A file that cannot be read
// throws a Failure and leaves the list as it was.
void loadListFile(const QString& path, QListWidget* list);

} // namespace quillpix
