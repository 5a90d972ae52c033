#pragma once

#include <QString>

#include <stdexcept>

namespace quillpix {

// A step that could not be done (a file that cannot be read or written, a picture that cannot
// be loaded). The text is shown to the user as it stands, so it names what failed and where.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

} // namespace quillpix
