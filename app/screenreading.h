#pragma once

#include <QString>

namespace quillpix {

class Platform;
class RunState;
class WaysInHandler;
class RecognitionHandler;

// The text a screen reading puts on the clipboard: the result box's text with the line ends
// other programs on this desktop expect (LF; CR LF and a lone CR each become one), without the
// empty lines at its end.
QString clipboardText(const QString& boxText);

QString copiedNotice();
QString nothingReadNotice();

// Reads a region of the screen: the user drags a rectangle over the frozen screen, the region
// is kept in bmp_gif_clipboard and chosen like a pasted picture, read at once with the lists'
// current items through the run of コマンドを作成して実行, and its text goes to the result box
// and to the clipboard, with a short notice. A screen that cannot be read is told; a cancel
// changes nothing. A run under way refuses it before the screen is frozen, and so does a user
// who keeps the result box's unsaved text.
void readScreenRegion(Platform& platform, const RunState& runState, WaysInHandler& waysIn,
                      RecognitionHandler& recognition);

} // namespace quillpix
