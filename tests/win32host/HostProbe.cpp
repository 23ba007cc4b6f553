// Looks at a running Pankor.exe from outside, as an installer would: finds
// its two windows by class, reports what they look like, and closes them.
//   host_probe state              one line per window
//   host_probe close main|tray    sends WM_CLOSE; exit 0 once the window is gone
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

int State() {
    if (const HWND main = FindWindowW(L"Pankor.Main", nullptr)) {
        wchar_t caption[64] = {};
        GetWindowTextW(main, caption, 64);
        RECT w{}, c{}, b{};
        GetWindowRect(main, &w);
        GetClientRect(main, &c);
        if (const HWND browser = GetWindow(main, GW_CHILD)) GetWindowRect(browser, &b);  // the control's window
        std::printf(
            "main=%s caption=%ls frame=%s at=%ld,%ld size=%ldx%ld client=%ldx%ld browser=%ldx%ld screen=%dx%d\n",
            IsWindowVisible(main) ? "visible" : "hidden", caption,
            (GetWindowLongPtrW(main, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME)) ? "yes" : "none", w.left, w.top,
            w.right - w.left, w.bottom - w.top, c.right, c.bottom, b.right - b.left, b.bottom - b.top,
            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    } else {
        std::printf("main=none\n");
    }
    const HWND tray = FindWindowW(L"Pankor.Tray", nullptr);
    std::printf("tray=%s\n", tray ? (IsWindowVisible(tray) ? "visible" : "hidden") : "none");
    return 0;
}

int Close(const wchar_t* cls) {
    const HWND window = FindWindowW(cls, nullptr);
    if (!window) return std::printf("no such window\n"), 2;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
    for (int i = 0; i < 200 && IsWindow(window); ++i) Sleep(50);  // a window of another process goes on its own time
    std::printf(IsWindow(window) ? "still there\n" : "closed\n");
    return IsWindow(window) ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "state") == 0) return State();
    if (argc >= 3 && std::strcmp(argv[1], "close") == 0)
        return Close(std::strcmp(argv[2], "tray") == 0 ? L"Pankor.Tray" : L"Pankor.Main");
    std::fprintf(stderr, "usage: host_probe state | close main|tray\n");
    return 2;
}
