#pragma once

#include <QString>

namespace quillpix {

// One window per workspace: the run's work files (tmp.bmp, tess.bat, tmp.txt, tmp_sjis.txt) lie
// in the program folder, so two windows there would read each other's results. The lock is an
// advisory lock on "quillpix.lock" in that folder, held as long as this object lives. The system
// drops it when the process ends in any way, so a crashed window never leaves it stuck, and
// programs the window starts (the engine, an editor) do not inherit it.
class InstanceLock {
public:
    explicit InstanceLock(const QString& programFolder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when another running process holds the lock for this folder. A folder where the lock
    // file cannot be made (read-only) gives false: the window then starts without the lock.
    bool heldByAnother() const { return m_heldByAnother; }
    QString path() const { return m_path; }

    // What the second start tells the user before it ends.
    static QString refusalMessage(const QString& programFolder);

private:
    QString m_path;
    int m_fd = -1;
    bool m_heldByAnother = false;
};

} // namespace quillpix
