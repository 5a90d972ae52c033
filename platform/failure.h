#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

class QWidget;

namespace quillpix {

class Platform;

// A step that could not be done (a file that cannot be read or written, a picture that cannot
// be loaded). The text is shown to the user as it stands, so it names what failed and where.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

// Runs one handler. A failure stops it at the failing step, with the effects of its earlier
// steps in place; the window's pointer goes back to the default and a message box tells what
// failed. The program never ends because of it.
void runReportingFailures(Platform& platform, QWidget* window,
                          const std::function<void()>& handler);

} // namespace quillpix
