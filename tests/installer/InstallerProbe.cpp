// What the installer tests need to see or do inside Wine, from outside the
// installer:
//   installer_probe manager            the running manager as its windows show it:
//                                      "main=visible|hidden|none tray=yes|no pid=N image=PATH"
//   installer_probe reg KEY [KEY...]   every value under HKCU\KEY, "KEY|name=data" per line;
//                                      "KEY|-" for a key that does not exist
//   installer_probe hold PATH SECONDS  holds PATH open as a virus scanner or an editor would
//                                      (others may read it, nothing may write, rename or
//                                      delete it); prints "held" once it does, lets go after
//                                      SECONDS or when killed
//   installer_probe stubborn SECONDS   a window of the manager's main class that refuses
//                                      WM_CLOSE, as a hung manager would; prints "up"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr const wchar_t* kMain = L"Pankor.Main";
constexpr const wchar_t* kTray = L"Pankor.Tray";

std::wstring ImageOf(DWORD pid) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return L"?";
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    const bool ok = QueryFullProcessImageNameW(process, 0, path, &size) != FALSE;
    CloseHandle(process);
    return ok ? std::wstring(path, size) : L"?";
}

int Manager() {
    const HWND main = FindWindowW(kMain, nullptr);
    const HWND tray = FindWindowW(kTray, nullptr);
    DWORD pid = 0;
    if (main || tray) GetWindowThreadProcessId(main ? main : tray, &pid);
    std::printf("main=%s tray=%s pid=%lu image=%ls\n", main ? (IsWindowVisible(main) ? "visible" : "hidden") : "none",
                tray ? "yes" : "no", pid, pid ? ImageOf(pid).c_str() : L"-");
    return 0;
}

void PrintValue(const wchar_t* key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
    std::wstring text;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        text.assign(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0') text.pop_back();
    } else if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD v = 0;
        std::memcpy(&v, data, sizeof v);
        text = L"dword:" + std::to_wstring(v);
    } else {
        text = L"type" + std::to_wstring(type);
    }
    std::printf("%ls|%ls=%ls\n", key, name, text.c_str());
}

int Reg(int count, char** keys) {
    for (int k = 0; k < count; ++k) {
        wchar_t key[512] = {};
        MultiByteToWideChar(CP_UTF8, 0, keys[k], -1, key, 512);
        HKEY h = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS) {
            std::printf("%ls|-\n", key);
            continue;
        }
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            DWORD nameSize = 256, type = 0, dataSize = 4096;
            BYTE data[4096];
            if (RegEnumValueW(h, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
            PrintValue(key, name, type, data, dataSize);
        }
        RegCloseKey(h);
    }
    return 0;
}

// Waits the given seconds, or less when killed; window messages keep flowing.
void Linger(int seconds) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    MSG msg;
    while (GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
}

int Hold(const char* path, int seconds) {
    wchar_t wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_UTF8, 0, path, -1, wide, MAX_PATH * 2);
    const HANDLE file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("cannot open: error %lu\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Linger(seconds);
    CloseHandle(file);
    return 0;
}

LRESULT CALLBACK Refuse(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) return 0;  // a hung manager does not answer either
    return DefWindowProcW(window, message, wParam, lParam);
}

int Stubborn(int seconds) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Refuse;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kMain;
    if (!RegisterClassW(&wc) ||
        !CreateWindowExW(0, kMain, L"Pankor", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr)) {
        std::printf("no window: error %lu\n", GetLastError());
        return 1;
    }
    std::printf("up\n");
    std::fflush(stdout);
    Linger(seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc >= 2 ? argv[1] : "";
    if (command == "manager") return Manager();
    if (command == "reg" && argc >= 3) return Reg(argc - 2, argv + 2);
    if (command == "hold" && argc == 4) return Hold(argv[2], std::atoi(argv[3]));
    if (command == "stubborn" && argc == 3) return Stubborn(std::atoi(argv[2]));
    std::fprintf(stderr, "usage: installer_probe manager | reg KEY... | hold PATH SECONDS | stubborn SECONDS\n");
    return 2;
}
