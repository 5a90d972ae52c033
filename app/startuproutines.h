#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QListWidget;
class QPushButton;

namespace quillpix {

// "<company> Quillpix.exe Ver<major>.<minor>.<revision>"
QString windowCaption(const QString& company, int major, int minor, int revision);

// Names of the folders in folder that begin with prefix, compared
// without regard to case; hidden entries left out; in case-insensitive name order.
QStringList entriesWithPrefix(const QString& folder, const QString& prefix);
// Empties the chooser and fills it with entriesWithPrefix, selecting nothing.
void fillFolderList(const QString& folder, const QString& prefix, QComboBox* chooser);
// Splits at every "," (empty pieces kept) into the emptied list box.
void splitToList(const QString& text, QListWidget* list);
// The paint button's states by the codes the start-up passes.
enum class PaintButton { Disabled = -1, Enabled = 0 };
void setPaintButton(QPushButton* cmdPaint, PaintButton state);

} // namespace quillpix
