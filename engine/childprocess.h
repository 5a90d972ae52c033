#pragma once

class QProcess;

// Engine programs run as children that lead a process group of their own, so that whatever
// they start (a wrapper script's engine, a shell's sleep) ends with them.
namespace quillpix::engine {

// Before start(): the child leads a new process group and dies with the thread that started
// it, should this program end without a chance to end it.
void leadOwnGroup(QProcess& process);

// Kills the child's whole group, on the thread the process belongs to; false when the child
// has ended already and nothing was signalled.
bool killGroup(QProcess& process);

// Waits up to ms for the child to end; then kills its group and waits for the leader. False
// when the child had to be killed or did not start.
bool finishWithin(QProcess& process, int ms);

} // namespace quillpix::engine
