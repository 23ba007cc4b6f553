// Process entry of the Windows product: Main, then the main window with the
// browser control and the tray window, then the message loop until both
// windows are gone.
#include "platform/Platform.h"
#include "platform/win32/Win32Windows.h"

#include <ole2.h>

#include "FirstCopy.h"
#include "platform/win32/host/Win32FolderPicker.h"
#include "platform/win32/host/Win32HostLoop.h"
#include "startup/Pankor.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        pankor::NativePlatform native;
        // The pump and the folder dialog exist before the windows: the modules hold them.
        pankor::win32host::HostLoop loop;
        pankor::win32host::FolderPicker folderPicker;
        pankor::Pankor app(native.Get(), pankor::HostServices{loop, folderPicker});
        if (!app.main.Main()) return 0;  // a second copy has handed its request over

        // The browser control and the folder dialog are OLE objects of this thread.
        const HRESULT ole = OleInitialize(nullptr);
        int exitCode = 0;
        {
            pankor::winapp::FirstCopy first(app, instance, loop, folderPicker);
            exitCode = first.Run();
        }
        if (SUCCEEDED(ole)) OleUninitialize();
        return exitCode;
    } catch (...) {
        // Only running out of memory while building the platform gets here.
        return 1;
    }
}
