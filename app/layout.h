#pragma once

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

} // namespace quillpix::layout
