#pragma once

#include <vector>

class QProcess;

// Programs run as children that lead a process group of their own, so that whatever they start
// (a wrapper script's engine, a shell's sleep) ends with them.
namespace quillpix::processes {

// Before start(): the child leads a new process group and dies with the thread that started
// it, should this program end without a chance to end it. A pipe of programs sets each child's
// handles first: descriptor handles[i] becomes its handle i (-1: left as it is).
void leadOwnGroup(QProcess& process, std::vector<int> handles = {});

// Kills the child's whole group, on the thread the process belongs to; false when the child
// has ended already and nothing was signalled.
bool killGroup(QProcess& process);

} // namespace quillpix::processes
