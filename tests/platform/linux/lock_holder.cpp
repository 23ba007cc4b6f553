// Test helper: takes the single-instance lock like a first copy, starts a
// long-lived program, says "held <own pid> <its pid>", then waits to be killed.
#include <spawn.h>
#include <unistd.h>

#include <cstdio>

#include "platform/linux/LinuxInstanceLock.h"
#include "startup/modInstance.h"

int main() {
    pankor::LinuxInstanceLock lock;
    if (!lock.Acquire(pankor::kInstanceMutexName).value_or(false)) return 1;
    pid_t child = 0;
    char sleepPath[] = "/bin/sleep", seconds[] = "60";
    char* args[] = {sleepPath, seconds, nullptr};
    posix_spawn(&child, sleepPath, nullptr, nullptr, args, environ);
    std::printf("held %d %d\n", static_cast<int>(getpid()), static_cast<int>(child));
    std::fflush(stdout);
    pause();
    return 0;
}
