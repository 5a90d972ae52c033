#pragma once

#include <QString>

// The fixed rules that tidy recognised Japanese text before it is appended to the result box.
namespace quillpix::cleanup {

QString cleanRecognizedText(const QString& text);

} // namespace quillpix::cleanup
