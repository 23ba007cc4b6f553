// A program with an icon (IconFixture.rc). With a number of milliseconds as
// its argument it waits that long, so a test can find it among the running
// programs.
#include <cstdlib>

#include <windows.h>

int main(int argc, char** argv) {
    if (argc > 1) Sleep(static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)));
    return 0;
}
