#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

class QListWidget;
class QPushButton;
class QWidget;

namespace quillpix {

// "<company> Quillpix.exe Ver<major>.<minor>.<revision>"
QString windowCaption(const QString& company, int major, int minor, int revision);

// Splits at every "," (empty pieces kept) into the emptied list box.
void splitToList(const QString& text, QListWidget* list);
// The paint button's states by the codes the start-up passes.
enum class PaintButton { Disabled = -1, Enabled = 0 };
void setPaintButton(QPushButton* cmdPaint, PaintButton state);

// A label's or a button's caption too wide for its place (a translated one) is drawn in a
// smaller font until it fits, down to kSmallestCaptionPoints; the controls keep their places.
inline constexpr double kSmallestCaptionPoints = 6.5;
void fitCaptions(QWidget* parent);

// Why the window cannot start for want of a display, or empty: Qt ends the program with an
// abort when its platform plugin finds none. The platform is the one named by "-platform"
// among the arguments, else by QT_QPA_PLATFORM (a list tried in turn), else the desktop's
// (X11 or Wayland); only X11 and Wayland need a display, DISPLAY (or "-display") and
// WAYLAND_DISPLAY.
struct DisplayEnvironment {
    QByteArray qpaPlatform;
    QByteArray display;
    QByteArray waylandDisplay;
};
QString displayProblem(const QByteArrayList& arguments, const DisplayEnvironment& environment);

} // namespace quillpix
