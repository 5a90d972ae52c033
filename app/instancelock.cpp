#include "instancelock.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillpix {

InstanceLock::InstanceLock(const QString& programFolder)
    : m_path(programFolder + QStringLiteral("/quillpix.lock")) {
    // flock, not a lock file with a process id in it: the kernel releases it with the last
    // descriptor, and O_CLOEXEC keeps that descriptor out of every program started from here.
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0)
        return;
    int result;
    do
        result = ::flock(m_fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        m_heldByAnother = errno == EWOULDBLOCK;
        ::close(m_fd);
        m_fd = -1;
    }
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

QString InstanceLock::refusalMessage(const QString& programFolder) {
    return QCoreApplication::translate(
               "app", "Quillpix はこのフォルダですでに起動しています。\n%1\n\n"
                      "同じフォルダで二つ同時に使うと認識結果が混ざるため、"
                      "起動しませんでした。先に起動したウィンドウを使ってください。")
        .arg(programFolder);
}

} // namespace quillpix
