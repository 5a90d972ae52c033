#pragma once

#include "controls.h"
#include "frmmain.h"
#include "recordingplatform.h"
#include "selectionhandler.h"
#include "tempworkspace.h"
#include "viewerhandler.h"

#include <QImage>
#include <QPoint>

#include <memory>

namespace quillpix::testing {

// The real window on a throw-away workspace, shown offscreen. The default screen of 800
// pixels gives a display of 530 × 405 (526 × 401 inside), small enough that a 3000 × 2400
// picture scrolls at every zoom.
class ViewerWindow {
public:
    explicit ViewerWindow(int screenWidth = 800) { platform.screen = screenWidth; }

    // Builds and shows the window; pictures added before are listed at start-up.
    void open();
    Controls& c() { return window->controls(); }
    SelectionState& state() { return window->selection().state(); }

    int rowOf(const QString& name);
    // Clicks the name in File1, as the user would.
    void choose(const QString& name);
    // Lets the event loop run until a picture read aside (a document page, a large picture)
    // is shown or refused.
    void waitUntilRead();
    // Clicks a row of lstZoom (0 100 %, 1 50 %, 2 25 %, 3 20 %).
    void chooseZoom(int row);

    // What picDisp must show for the picture in picBmp at divisor z and view (h, v).
    QImage expectedView(int z, int h, int v);

    TempWorkspace ws;
    RecordingPlatform platform;
    std::unique_ptr<FrmMain> window;
};

// The stretch rule pixel by pixel: back colour, then display pixel (dx, dy) from picture pixel
// (h·z + dx·W / (W \ z), v·z + dy·H / (H \ z)) where that is inside the picture.
QImage stretchedByHand(const QImage& picture, QSize surface, QRgb back, int z, int h, int v);

// The grey exclusive-or outline, both corners included, clipped to the image.
void xorFrame(QImage& image, int x1, int y1, int x2, int y2);

// Mouse events on picDisp at surface coordinates (the sunken border is added here).
void pressOn(QWidget* display, QPoint at, Qt::MouseButton button = Qt::LeftButton);
void moveOn(QWidget* display, QPoint to);
void releaseOn(QWidget* display, QPoint at, Qt::MouseButton button = Qt::LeftButton);
// Press, two moves and a release at the end point.
void drag(QWidget* display, QPoint from, QPoint to);

} // namespace quillpix::testing
