// Process entry of the Windows product.
#include "platform/Platform.h"
#include "platform/win32/Win32Windows.h"
#include "startup/Pankor.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        pankor::NativePlatform native;
        pankor::Pankor app(native.Get());
        if (!app.main.Main()) return 0;  // a second copy has handed its request over

        // First copy: the main window is loaded here and its message loop
        // carries the process until the page's "quit" ends it.
        return 0;
    } catch (...) {
        // Only running out of memory while building the platform gets here.
        return 1;
    }
}
