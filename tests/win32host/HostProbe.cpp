// Looks at a running Pankor.exe from outside, as an installer would: finds
// its two windows by class, reports what they look like, and closes them.
// (Wine answers no window icons across processes: the in-process tests check those.)
//   host_probe state              one line per window
//   host_probe close main|tray    sends WM_CLOSE; exit 0 once the window is gone
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr const wchar_t* kMain = L"Pankor.Main";
constexpr const wchar_t* kTray = L"Pankor.Tray";

HWND Find(const wchar_t* cls) { return FindWindowW(cls, nullptr); }

// The browser control's window: the main window's first direct child.
struct ChildSearch {
    HWND parent;
    HWND found;
};
BOOL CALLBACK FirstChild(HWND child, LPARAM search) {
    auto* s = reinterpret_cast<ChildSearch*>(search);
    if (GetParent(child) != s->parent) return TRUE;
    s->found = child;
    return FALSE;
}

int State() {
    const HWND main = Find(kMain);
    if (!main) {
        std::printf("main=none\n");
    } else {
        wchar_t caption[64] = {};
        GetWindowTextW(main, caption, 64);
        RECT w{}, c{};
        GetWindowRect(main, &w);
        GetClientRect(main, &c);
        const LONG_PTR style = GetWindowLongPtrW(main, GWL_STYLE);
        ChildSearch search{main, nullptr};
        EnumChildWindows(main, FirstChild, reinterpret_cast<LPARAM>(&search));
        RECT b{};
        if (search.found) GetWindowRect(search.found, &b);
        std::printf(
            "main=%s caption=%ls frame=%s at=%ld,%ld size=%ldx%ld client=%ldx%ld browser=%ldx%ld screen=%dx%d\n",
            IsWindowVisible(main) ? "visible" : "hidden", caption,
            (style & (WS_CAPTION | WS_THICKFRAME)) ? "yes" : "none", w.left, w.top, w.right - w.left, w.bottom - w.top,
            c.right, c.bottom, b.right - b.left, b.bottom - b.top, GetSystemMetrics(SM_CXSCREEN),
            GetSystemMetrics(SM_CYSCREEN));
    }
    const HWND tray = Find(kTray);
    std::printf("tray=%s\n", tray ? (IsWindowVisible(tray) ? "visible" : "hidden") : "none");
    return 0;
}

int Close(const wchar_t* cls) {
    const HWND window = Find(cls);
    if (!window) {
        std::printf("no such window\n");
        return 2;
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
    for (int i = 0; i < 200 && IsWindow(window); ++i) Sleep(50);  // a window of another process goes on its own time
    if (IsWindow(window)) {
        std::printf("still there\n");
        return 1;
    }
    std::printf("closed\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "state") == 0) return State();
    if (argc >= 3 && std::strcmp(argv[1], "close") == 0)
        return Close(std::strcmp(argv[2], "tray") == 0 ? kTray : kMain);
    std::fprintf(stderr, "usage: host_probe state | close main|tray\n");
    return 2;
}
