// Takes the instance lock of the folder given and says so on stdout: "refused" when another
// process holds it, else "held <pid>" (with "spawn", the id of a program it started) and then
// keeps it until stdin closes or the process is killed.
#include "instancelock.h"

#include <cstdio>
#include <cstring>
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
        child = ::fork();
        if (child == 0) {
            ::execlp("sleep", "sleep", "600", static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    std::printf("held %d\n", int(child));
    std::fflush(stdout);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}
