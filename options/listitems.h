#pragma once

#include <QString>
#include <QStringList>

// The option list files and their items, free of the window: the folder batch reads them too.
namespace quillpix {

// The option list files beside the program, by the index of their "編集" button.
enum class ListFile { Option = 0, PSMode = 1, Lang = 2 };

QString listFilePath(const QString& programFolder, ListFile list);

// The items of a list file's text: CR LF, a lone CR and a lone LF each end an item, so files
// saved by Windows and by Linux editors read alike. A terminator after the last item adds no
// empty item; an empty text has none.
QStringList splitListItems(const QString& text);

// What the window shows for a list's line: the shipped items in the window's language, any
// other line as it stands.
QString itemCaption(const QString& line);

} // namespace quillpix
