#pragma once

#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>

#include <cstdint>

// The arithmetic of the reduced, scrolled view: plain values in, plain values out.
namespace quillpix::viewer {

// What showImage gives the two bars for one picture at one zoom. A bar whose maximum is below
// 1 is disabled and keeps its large change (largeChange is then 0 and not to be applied).
struct ScrollSetup {
    int hMaximum = 0;
    int hLargeChange = 0;
    bool hEnabled = false;
    int vMaximum = 0;
    int vLargeChange = 0;
    bool vEnabled = false;
};

// The vertical bar moves 30 display pixels per arrow click; the horizontal one keeps 1.
inline constexpr int kVerticalSmallChange = 30;

// A value that the bars hold in 16 bits; anything else throws a Failure.
int16_t toInt16(int64_t value);

// Maxima (reduced size minus the display's outer size) and large changes (a fifth of the
// reduced size) for a picture of the given size at divisor z. Values beyond 16 bits throw.
ScrollSetup scrollSetup(QSize picture, int z, QSize displayOuter);

// The view's offset in picture pixels, position × z, held in 16 bits like the positions.
int16_t sourceOffset(int position, int z);

// The largest picture the view can scroll over at every zoom: the positions and offsets stay
// within 16 bits when the picture exceeds the display by at most 32767 pixels each way.
QSize largestPicture(QSize displayOuter);
bool withinViewRange(QSize picture, QSize displayOuter);

// A drag held near or beyond the display's edge scrolls the view: per tick, nothing while the
// pointer is more than kEdgeMargin pixels inside the inner area (inner pixels 0 to size - 1);
// closer or beyond, a step towards that edge growing with the distance, at most kEdgeStepMax
// display pixels each way.
inline constexpr int kEdgeMargin = 12;
inline constexpr int kEdgeStepMax = 40;
QPoint edgeScrollStep(QPointF pointer, QSize inner);

} // namespace quillpix::viewer
