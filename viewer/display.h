#pragma once

#include <QImage>

#include <cstdint>

namespace quillpix::viewer {

// Where the view stands: the bars' positions, the zoom list's index and the divisor it gives
// for the picture on show (the whole-picture row's depends on the picture and the display).
struct ViewPosition {
    int32_t h = 0;
    int32_t v = 0;
    uint8_t zoomIndex = 0;
    int zoomDivisor = 1;
};

// What the selection asks of the display it is made on. The display owns its pixels; the
// selection's frame is drawn there on request.
class Display {
public:
    virtual ~Display() = default;
    virtual ViewPosition viewPosition() const = 0;
    // The chosen picture at full size.
    virtual const QImage& fullPicture() const = 0;
    // Whether the display shows that picture (not an emptied display or a reading notice).
    virtual bool showsPicture() const = 0;
    // Draws the grey outline (x1, y1)-(x2, y2) with the exclusive-or pen, both corners
    // included; drawn a second time, it is gone.
    virtual void toggleFrame(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
};

// The picture chosen in the file list: its folder and name ("" when nothing is chosen), and
// for a page of a document its index from 0 (-1 for a whole picture).
struct ChosenFile {
    QString folder;
    QString name;
    int page = -1;
};

// What the result text and the launch buttons ask of the file list.
class FileChoice {
public:
    virtual ~FileChoice() = default;
    virtual ChosenFile chosenFile() const = 0;
};

// What the viewer asks before another picture or folder takes the place of the one on show,
// whose result text then goes: whether it may go (it was saved, or the user gave it up).
class LeaveCheck {
public:
    virtual ~LeaveCheck() = default;
    // False when the user wants to stay: nothing changes.
    virtual bool mayLeave() = 0;
};

} // namespace quillpix::viewer
