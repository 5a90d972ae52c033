#pragma once

#include <QRect>
#include <QSize>
#include <QStringList>

// Where the start-up sequence puts the controls whose place depends on the screen width.
// The arithmetic runs in twips (15 to the pixel at 96 dpi) so the integer results match the
// layout the window was designed for.
namespace quillpix::layout {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kWindowLeft = 30;
inline constexpr int kWindowTop = 0;
inline constexpr int kClientHeight = 688;
inline constexpr int kResultDesignWidth = 745;
inline constexpr int kResultLeft = 188;
inline constexpr int kDisplayLeft = 188;
inline constexpr int kEndButtonWidth = 41;

struct WindowLayout {
    int windowX;
    int windowWidth;
    int resultWidth;
    int frameX;
    int displayWidth;
    int vScrollX;
    int hScrollWidth;
    int endButtonX;
};

constexpr WindowLayout forScreenWidth(int screenWidth) {
    const int tpp = kTwipsPerPixel;
    const int windowWidthTwips = screenWidth * tpp - kWindowLeft * tpp;
    const int windowWidth = windowWidthTwips / tpp;

    int resultWidth = kResultDesignWidth;
    if (windowWidth < 1307) {
        // Narrower than 1262 shrinks the box by the shortfall; 1262 to 1306 widens it.
        const int n = (1262 * tpp - windowWidthTwips) / tpp;
        resultWidth -= n;
    }
    const int displayWidth = windowWidthTwips / tpp - 240;
    // Without window decorations the client area is as wide as the window.
    return WindowLayout{kWindowLeft,  windowWidth,
                        resultWidth,  kResultLeft + resultWidth + 5,
                        displayWidth, kDisplayLeft + displayWidth,
                        displayWidth, windowWidth - kEndButtonWidth};
}

// A window made larger than its layout gives the room to the view and the result box; what
// lies to their right or below moves with the edge it belongs to. Across: the extra width
// moves a control or widens it. Down: the extra height is split, the view taking the upper
// share and the result box the lower one, so the rows between them move by the view's share.
enum class Across { Stays, Moves, Grows };
enum class Down {
    Stays,
    GrowsWithView,  // the view and its vertical bar
    BelowView,      // the rows between the view and the result box, the operation frame
    GrowsBelowView, // the result box
};

// The view's share of the extra height: the larger half.
constexpr int viewShare(int extraHeight) {
    return extraHeight - extraHeight / 2;
}

// Where a control laid out at laidOut stands in a window extra pixels wider and higher than
// its layout; a window never narrower or lower than the layout counts as the layout.
QRect grownPlace(const QRect& laidOut, Across across, Down down, QSize extra);

// The window's inside size kept in the settings file as two whole numbers, width then height.
QStringList storedSize(QSize size);
// The size to start at: the stored one, but no smaller than the layout either way, as long as
// it fits in room (the inside the screen's available area leaves from where the window stands):
// a size kept on a larger screen would reach off this one, so it gives the layout. Anything
// else than two whole numbers between 1 and kLargestStoredSide (a file edited or damaged)
// gives the layout too.
inline constexpr int kLargestStoredSide = 32767;
QSize startSize(const QStringList& stored, QSize laidOut, QSize room);

} // namespace quillpix::layout
