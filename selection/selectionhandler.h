#pragma once

#include "controls.h"
#include "selectionstate.h"

#include <QObject>

namespace quillpix {

class Platform;

// The rubber-band selection on picDisp, its labels and preview.
class SelectionHandler : public QObject {
    Q_OBJECT
public:
    SelectionHandler(Controls& controls, SelectionState& state, Platform& platform,
                     const Folders& folders);

    // The three mouse events of picDisp; x and y are surface pixels.
    void press(Qt::MouseButton button, double x, double y);
    void move(double x, double y);
    void release(Qt::MouseButton button, double x, double y);

private:
    Controls& m_c;
    SelectionState& m_state;
    Platform& m_platform;
    const Folders& m_folders;
    // Where the last move of the current drag drew the frame's second corner, so a release at
    // another point can bring the frame there first.
    bool m_movedThisDrag = false;
    int32_t m_movedX = 0;
    int32_t m_movedY = 0;
};

} // namespace quillpix
