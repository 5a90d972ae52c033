#include "childprocess.h"

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace quillpix::processes {

void leadOwnGroup(QProcess& process, std::vector<int> handles) {
    process.setChildProcessModifier([handles = std::move(handles)] {
        for (size_t i = 0; i < handles.size(); ++i)
            if (handles[i] >= 0)
                ::dup2(handles[i], int(i));
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
}

bool killGroup(QProcess& process) {
    // The group's id is the leader's process id, which the system may give to a new process
    // once the leader has been reaped: a signal then would reach a stranger's group. Qt reaps
    // the child only inside its own calls on the process's thread (it waits on the child's
    // pidfd), so on this thread, while the state is not NotRunning, the leader is alive or a
    // zombie, and a zombie's id is never given out again. Nothing between the check and the
    // signal calls into Qt.
    if (process.state() == QProcess::NotRunning)
        return false;
    const qint64 pid = process.processId();
    return pid > 0 && ::kill(-pid_t(pid), SIGKILL) == 0;
}

} // namespace quillpix::processes
