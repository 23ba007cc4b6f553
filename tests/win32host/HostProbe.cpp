// Looks at a running Pankor.exe from outside as an installer would (its windows' state; WM_CLOSE to one),
// and plays what it may meet: a virus scanner holding a file open, a hung manager ignoring WM_CLOSE.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* Shown(HWND window) { return window ? (IsWindowVisible(window) ? "visible" : "hidden") : "none"; }

int State() {
    const HWND main = FindWindowW(L"Pankor.Main", nullptr), tray = FindWindowW(L"Pankor.Tray", nullptr);
    DWORD pid = 0;
    if (main || tray) GetWindowThreadProcessId(main ? main : tray, &pid);
    std::printf("main=%s tray=%s pid=%lu", Shown(main), Shown(tray), pid);
    if (main) {
        wchar_t caption[64] = {};
        GetWindowTextW(main, caption, 64);
        RECT w{}, c{}, b{};
        GetWindowRect(main, &w);
        GetClientRect(main, &c);
        if (const HWND browser = GetWindow(main, GW_CHILD)) GetWindowRect(browser, &b);  // the control's window
        std::printf(" caption=%ls frame=%s at=%ld,%ld size=%ldx%ld client=%ldx%ld browser=%ldx%ld screen=%dx%d",
                    caption, (GetWindowLongPtrW(main, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME)) ? "yes" : "none",
                    w.left, w.top, w.right - w.left, w.bottom - w.top, c.right, c.bottom, b.right - b.left,
                    b.bottom - b.top, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    }
    wchar_t image[MAX_PATH * 2] = L"-";
    DWORD size = MAX_PATH * 2;
    if (const HANDLE process = pid ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid) : nullptr) {
        if (!QueryFullProcessImageNameW(process, 0, image, &size)) image[0] = L'?', image[1] = 0;
        CloseHandle(process);
    }
    std::printf(" image=%ls\n", image);
    return 0;
}

int Close(const wchar_t* cls) {
    const HWND window = FindWindowW(cls, nullptr);
    if (!window) return std::printf("no such window\n"), 2;
    SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 10000, nullptr);
    for (int i = 0; i < 200 && IsWindow(window); ++i) Sleep(50);  // a window of another process goes on its own time
    std::printf(IsWindow(window) ? "still there\n" : "closed\n");
    return IsWindow(window) ? 1 : 0;
}

// Says it is ready, then waits the given seconds (or until killed) with window messages flowing.
int Linger(const char* ready, int seconds) {
    std::printf("%s\n", ready);
    std::fflush(stdout);
    MSG msg;
    for (const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000; GetTickCount64() < end;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return 0;
}

int Hold(const char* path, int seconds) {
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::printf("cannot open: error %lu\n", GetLastError()), 1;
    return Linger("held", seconds);  // the file closes with the process
}

LRESULT CALLBACK Refuse(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_CLOSE ? 0 : DefWindowProcW(window, message, wParam, lParam);
}

int Stubborn(int seconds) {
    // style, procedure, extra bytes, instance, icon, cursor, background, menu, class
    const WNDCLASSW wc{0, Refuse, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr, nullptr, L"Pankor.Main"};
    if (!RegisterClassW(&wc) || !CreateWindowExW(0, wc.lpszClassName, L"Pankor", WS_POPUP, 0, 0, 10, 10, nullptr,
                                                 nullptr, wc.hInstance, nullptr))
        return std::printf("no window: error %lu\n", GetLastError()), 1;
    return Linger("up", seconds);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc >= 2 ? argv[1] : "";
    if (command == "state") return State();
    if (command == "close" && argc == 3) return Close(std::string(argv[2]) == "tray" ? L"Pankor.Tray" : L"Pankor.Main");
    if (command == "hold" && argc == 4) return Hold(argv[2], std::atoi(argv[3]));
    if (command == "stubborn" && argc == 3) return Stubborn(std::atoi(argv[2]));
    std::fprintf(stderr, "usage: host_probe state | close main|tray | hold PATH SECONDS | stubborn SECONDS\n");
    return 2;
}
