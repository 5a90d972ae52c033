#include "cleanup.h"

namespace quillpix::cleanup {

QString cleanRecognizedText(const QString& text) {
    return text;
}

} // namespace quillpix::cleanup
