#include "stopsignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace quillpix {
namespace {

int g_pipe[2] = {-1, -1};

extern "C" void onStopSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // Async-signal-safe; a full pipe already holds a request.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGTERM, &action, nullptr) != 0 || ::sigaction(SIGHUP, &action, nullptr) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char number = 0;
        int last = 0;
        while (::read(g_pipe[0], &number, 1) == 1)
            last = number;
        if (last != 0)
            emit stopRequested(last);
    });
}

StopSignals::~StopSignals() {
    if (!m_notifier)
        return;
    // The default actions again: nothing reads the pipe any more.
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
}

} // namespace quillpix
