#pragma once

#include "cleanup.h"

#include <QString>

namespace quillpix::resulttext {

// What a recognition run asks of the result box.
class ResultBox {
public:
    virtual ~ResultBox() = default;
    // The box's text becomes the text "元に戻す" puts back.
    virtual void rememberForUndo() = 0;
    // Appends to the text of the moment (what the user typed during the run stays) and moves
    // the caret to the end.
    virtual void append(const QString& text) = 0;
    virtual void focus() = 0;
    // How the clean-up treats Latin text, as the user chose it on the box's menu.
    virtual cleanup::LatinSpacing latinSpacing() const = 0;
};

} // namespace quillpix::resulttext
