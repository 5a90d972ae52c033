#pragma once

#include <QPointer>
#include <QWidget>

namespace quillpix {

// The wait pointer over a window from its construction until end() or its own end, however the
// work between ends: a failure's message is shown with the default pointer. A window already
// showing the wait pointer keeps it: the outer wait owns it.
class WaitingPointer {
public:
    explicit WaitingPointer(QWidget* window) {
        if (!window ||
            (window->testAttribute(Qt::WA_SetCursor) && window->cursor().shape() == Qt::WaitCursor))
            return;
        m_window = window;
        m_window->setCursor(Qt::WaitCursor);
    }
    ~WaitingPointer() { end(); }
    WaitingPointer(const WaitingPointer&) = delete;
    WaitingPointer& operator=(const WaitingPointer&) = delete;

    // The wait is over, though the work is not (what is left is quick).
    void end() {
        if (m_window)
            m_window->unsetCursor();
        m_window = nullptr;
    }

private:
    QPointer<QWidget> m_window;
};

} // namespace quillpix
