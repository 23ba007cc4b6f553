// Test helper: says "writing <pid>", then replaces a file with a large text
// through the platform's atomic replace, so a test can kill it in the middle.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/LinuxFileSystem.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string data(std::strtoull(argv[2], nullptr, 10), 'N');
    std::printf("writing %d\n", static_cast<int>(getpid()));
    std::fflush(stdout);
    return pankor::LinuxFileSystem().ReplaceFile(argv[1], data).ok() ? 0 : 1;
}
