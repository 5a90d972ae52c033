#pragma once

#include <QString>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace quillpix {

// "<company> Quillpix.exe Ver<major>.<minor>.<revision>"
QString windowCaption(const QString& company, int major, int minor, int revision);

// Splits at every "," (empty pieces kept) into the emptied list box.
void splitToList(const QString& text, QListWidget* list);
// The paint button's states by the codes the start-up passes.
enum class PaintButton { Disabled = -1, Enabled = 0 };
void setPaintButton(QPushButton* cmdPaint, PaintButton state);

} // namespace quillpix
