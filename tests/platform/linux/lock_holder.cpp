// Test helper: takes the single-instance lock like a first copy, optionally
// starts a long-lived child first, says "held <child pid>", then waits to be killed.
#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/linux/LinuxInstanceLock.h"
#include "startup/modInstance.h"

extern char** environ;

int main(int argc, char** argv) {
    pankor::LinuxInstanceLock lock;
    const auto r = lock.Acquire(pankor::kInstanceMutexName);
    if (!r.ok() || !*r) {
        std::printf("not held\n");
        return 1;
    }
    pid_t child = 0;
    if (argc > 1 && std::strcmp(argv[1], "--with-child") == 0) {
        char sleepPath[] = "/bin/sleep", seconds[] = "60";
        char* args[] = {sleepPath, seconds, nullptr};
        posix_spawn(&child, sleepPath, nullptr, nullptr, args, environ);
    }
    std::printf("held %d\n", static_cast<int>(child));
    std::fflush(stdout);
    pause();
    return 0;
}
