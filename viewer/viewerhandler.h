#pragma once

#include "controls.h"
#include "reducedview.h"
#include "selectionstate.h"

#include <QObject>

namespace quillpix {

class Platform;
class ScrollBar;

// Folder and file choice, the reduced display, zoom and scrolling.
class ViewerHandler : public QObject {
    Q_OBJECT
public:
    ViewerHandler(Controls& controls, SelectionState& state, Platform& platform,
                  const Folders& folders);

    // The chosen item of cmbFolder becomes the folder of File1; display, preview, command line
    // and result text are cleared.
    void changeFolder();
    // The selected file of File1 is loaded and shown with its saved result text. A picture
    // that cannot be shown leaves everything as it was, the list's selection included.
    void chooseFile();
    // lstZoom's row picks the divisor; the selection is discarded and the view starts afresh.
    void chooseZoom(int row);

    // Sets the bars up for the picture in picBmp at the current zoom, view at the top-left.
    void showImage();
    // Repaints picDisp from picBmp for the current positions; fromTop draws from row 0.
    void redrawView(bool fromTop);

    // A bar's position changed (arrow, track, thumb released, or set by the program).
    void positionChanged();
    // The thumb is being dragged; only every second event of each bar is drawn.
    void horizontalTracking();
    void verticalTracking();

private:
    void onFileListSignal();
    void restoreFileSelection();
    void followViewAndDrawFrame();
    int zoomDivisor() const;

    Controls& m_c;
    SelectionState& m_state;
    Platform& m_platform;
    const Folders& m_folders;
    viewer::ReducedView m_view;
    // The list row whose choice was handled last, so the two signals a click raises load once.
    int m_handledRow = -1;
    // The file whose picture picBmp holds.
    QString m_shownFolder;
    QString m_shownName;
    // While ShowImage resets the bars, the caller repaints right afterwards.
    bool m_settingUpBars = false;
};

} // namespace quillpix
