#pragma once

#include <QString>
#include <QStringList>

class QListWidget;

namespace quillpix {

// The option list files beside the program, by the index of their "編集" button.
enum class ListFile { Option = 0, PSMode = 1, Lang = 2 };

QString listFilePath(const QString& programFolder, ListFile list);

// The items of a list file's text: CR LF, a lone CR and a lone LF each end an item, so files
// saved by Windows and by Linux editors read alike. A terminator after the last item adds no
// empty item; an empty text has none.
QStringList splitListItems(const QString& text);

// Fills the list box with the file's items (code page 932, split as above). Nothing is
// selected afterwards. A file that cannot be read throws a Failure and leaves the list as it
// was.
void loadListFile(const QString& path, QListWidget* list);

// What the window shows for a list's line: the shipped items in the window's language, any
// other line as it stands.
QString itemCaption(const QString& line);

// The line of a list's selected item as its file holds it, whatever its caption; "" when
// nothing is selected.
QString selectedItemText(const QListWidget* list);

} // namespace quillpix
