// Entry point of the Linux host: the same start-up as the Windows product.
#include "platform/Platform.h"
#include "startup/Pankor.h"

int main() {
    pankor::NativePlatform native;
    pankor::Pankor app(native.Get());
    if (app.main.Main()) {
        // First copy: the main window and its message loop come here.
    }
    return 0;
}
