#pragma once

#include "platform.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

// Reading a region of the screen: the whole screen is taken once (frozen), shown full-screen,
// and the user drags a rectangle over it. On X11 Qt reads the screen itself; a Wayland
// compositor lets no program read it, so there the desktop portal's screenshot is asked for.
namespace quillpix::capture {

enum class GrabMethod { Qt, Portal, None };

// How the screen can be read for the Qt platform plugin in use ("xcb", "wayland", …). A
// Wayland session seen through XWayland shows only the X programs, so it asks the portal too.
GrabMethod grabMethodFor(const QString& platformName, bool waylandSession);

// The rectangle of the frozen picture between the points where the drag began and ended, given
// in the coordinates of the widget showing the picture stretched over widgetSize. The drag may
// go in any direction and beyond the edges; the rectangle is clipped to the picture. A
// rectangle under kMinimumSide picture pixels either way (a click, a slip) chooses nothing.
constexpr int kMinimumSide = 4;
QRect regionInPicture(QPoint pressed, QPoint released, QSize widgetSize, QSize pictureSize);

// The whole screen, every monitor at its place; or the problem, in Japanese.
struct Frozen {
    QImage picture;
    QString problem;
};
Frozen freezeScreen(GrabMethod method);

// The picture the screenshot portal saved at uri, read and then removed: the file was made for
// this request alone, and left behind it would gather in the user's pictures. Only a local
// file of this user's that is a regular file (no link) is read and removed; anything else is
// left alone and gives a null picture, as does a file that is no picture.
QImage takePortalPicture(const QString& uri);

// Shows the frozen screen full-screen and waits for the user's rectangle; nothing on Escape or
// when the drag chose nothing.
std::optional<QRect> chooseRegion(const QImage& frozen);
// The line the frozen screen shows on top: how to choose and how to give up.
QString overlayHint();

// What the user is told when the screen cannot be read at all.
QString noGrabMessage(const QString& platformName);

} // namespace quillpix::capture
