#pragma once

#include <QTimer>

#include <functional>

namespace quillpix::testing {

// Calls step every few milliseconds while a batch runs (the window's wait keeps handling
// events), until it returns true.
class DuringWait {
public:
    explicit DuringWait(std::function<bool()> step) : m_step(std::move(step)) {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (m_step())
                m_timer.stop();
        });
        m_timer.start(5);
    }

private:
    std::function<bool()> m_step;
    QTimer m_timer;
};

} // namespace quillpix::testing
