// Takes the instance lock of the folder given and says so on stdout: "refused" when another
// process holds it, else "held <pid>" (with "spawn", the id of a program it started) and then
// keeps it until stdin closes or the process is killed.
#include "instancelock.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    if (argc < 2)
        return 2;
    const quillpix::InstanceLock lock(QString::fromLocal8Bit(argv[1]));
    if (lock.heldByAnother()) {
        std::printf("refused\n");
        return 1;
    }
    pid_t child = 0;
    if (argc > 2 && std::strcmp(argv[2], "spawn") == 0) {
        // Until the child has started its program it still holds the parent's descriptors: the
        // pipe's write end closes on exec, and "held" is told only after that.
        int started[2];
        if (::pipe2(started, O_CLOEXEC) != 0)
            return 2;
        child = ::fork();
        if (child == 0) {
            ::execlp("sleep", "sleep", "600", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(started[1]);
        char none;
        while (::read(started[0], &none, 1) > 0) {
        }
        ::close(started[0]);
    }
    std::printf("held %d\n", int(child));
    std::fflush(stdout);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}
