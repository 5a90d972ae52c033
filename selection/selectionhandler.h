#pragma once

#include "selectedregion.h"
#include "selectionstate.h"

#include <QObject>

class QLabel;

namespace quillpix {

class Platform;
class PictureBox;

namespace viewer {
class Display;
}

// The controls the selection owns.
struct SelectionControls {
    QWidget* window = nullptr;
    // The cut-out that goes to the engine, never shown.
    PictureBox* picRect = nullptr;
    // The preview under "選択部分の左上".
    PictureBox* picDispRect = nullptr;
    QLabel* lblHeight = nullptr;
    QLabel* lblWidth = nullptr;
};

// The rubber-band selection on the display, its labels, preview and crop.
class SelectionHandler : public QObject, public selection::SelectedRegion {
    Q_OBJECT
public:
    SelectionHandler(const SelectionControls& controls, viewer::Display& display,
                     Platform& platform);

    // The three mouse events of the display; x and y are surface pixels.
    void press(Qt::MouseButton button, double x, double y);
    void move(double x, double y);
    void release(Qt::MouseButton button, double x, double y);
    // The view scrolled under a drag and was drawn afresh; the band reaches to the pointer at
    // (x, y) again.
    void dragScrolled(double x, double y);
    // The band covers the whole picture on show, as a finished drag would: labels, preview,
    // and a run can work on it. False when there is no picture on show or a drag is under way.
    bool selectWholePicture();

    // The view moved: the corners follow the picture, and the frame is drawn where drawn.
    void followView(int h, int v, bool drawn);
    // The display shows something else now: the corners are forgotten (the frame went with the
    // old view).
    void discard();
    // Another folder: the preview is emptied too.
    void clearForNewFolder();

    QImage cropForRun() override;
    QPoint cropOrigin() const override { return m_cropOrigin; }
    void showSentPicture(const QImage& picture) override;

    SelectionState& state() { return m_state; }

Q_SIGNALS:
    // A selection with width and height was made; a run can work on it.
    void selectionMade();
    // There is no selection any more.
    void selectionDiscarded();
    // The mouse button went up over the display; made tells whether a selection came of it.
    void dragEnded(bool made);

private:
    // A selection with width and height: the view it belongs to, labels and preview.
    void complete();
    // The frame of a finished selection on the display is erased and the selection discarded.
    void eraseFrame();
    // The band drawn from the anchor to the rounded point (x, y), which becomes its second
    // corner, so the next move erases exactly what this drew.
    void drawBandTo(double x, double y);

    SelectionControls m_c;
    viewer::Display& m_display;
    Platform& m_platform;
    SelectionState m_state;
    QPoint m_cropOrigin;
    // Where the last move of the current drag drew the frame's second corner, so a release at
    // another point can bring the frame there first.
    bool m_movedThisDrag = false;
    int32_t m_movedX = 0;
    int32_t m_movedY = 0;
    // The view scrolled under the current drag: the frame on show is the last one drawn.
    bool m_scrolledThisDrag = false;
    // The frame on show is exactly at the corners even where a corner is 0 or less (the whole
    // picture, or a drag that scrolled the view).
    bool m_frameKnown = false;
};

} // namespace quillpix
