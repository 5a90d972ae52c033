#pragma once

#include "cleanup.h"
#include "lines.h"

#include <QString>

namespace quillpix::resulttext {

// What a recognition run asks of the result box.
class ResultBox {
public:
    virtual ~ResultBox() = default;
    // The box's text becomes the text "元に戻す" puts back.
    virtual void rememberForUndo() = 0;
    // Appends to the text of the moment (what the user typed during the run stays) and moves
    // the caret to the end. lines are where the engine read the text, on the pixels of the
    // picture on show (empty boxes for a picture read from elsewhere); none when the engine
    // ran as a batch and said nothing of it.
    virtual void append(const QString& text, const QList<enginelayout::Line>& lines) = 0;
    virtual void focus() = 0;
    // How the clean-up treats Latin text, as the user chose it on the box's menu.
    virtual cleanup::LatinSpacing latinSpacing() const = 0;
};

} // namespace quillpix::resulttext
