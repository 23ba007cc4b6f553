#include "platform/win32/host/Win32TrayIcon.h"

#include <cstring>

#include "platform/win32/Win32Text.h"

namespace pankor::win32host {

#ifndef _WIN64
static_assert(NOTIFYICONDATAA_V2_SIZE == 488, "the 32-bit record is the 488-byte Windows 2000 layout");
#endif

void CopyAnsi(char* field, std::size_t fieldSize, const std::string& utf8) noexcept {
    if (fieldSize == 0) return;
    field[0] = '\0';
    std::optional<std::wstring> wide = win32::ToWide(utf8);
    if (!wide) return;
    // Drop whole characters from the end until the ANSI text fits.
    while (!wide->empty()) {
        const std::optional<std::string> ansi = win32::FromWide(*wide, CP_ACP);
        if (ansi && ansi->size() < fieldSize) {
            std::memcpy(field, ansi->c_str(), ansi->size() + 1);
            return;
        }
        std::size_t cut = wide->size() - 1;
        if (cut > 0 && IS_LOW_SURROGATE((*wide)[cut]) && IS_HIGH_SURROGATE((*wide)[cut - 1])) --cut;
        wide->resize(cut);
    }
}

TrayIcon::TrayIcon(HINSTANCE instance, HostLoop& loop) noexcept : HostWindow(loop) {
    // Never shown; a real top-level window so that an installer can find and close it.
    CreateHidden(instance, kTrayWindowClass, L"Pankor tray", WS_POPUP, WS_EX_TOOLWINDOW, nullptr, nullptr, nullptr);
}

LRESULT TrayIcon::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == kTrayCallbackMessage) {
        if (events_) events_->OnTrayEvent(LOWORD(static_cast<DWORD>(lParam)));
        return 0;
    }
    return DefWindowProcW(Hwnd(), message, wParam, lParam);
}

void TrayIcon::OnUnload() noexcept {
    if (windowEvents_) windowEvents_->OnUnloading();
}

bool TrayIcon::Add(IconHandle icon, const std::string& tip, ITrayEvents& events) noexcept {
    if (!Exists()) return false;
    events_ = &events;
    data_ = NOTIFYICONDATAA{};
    data_.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data_.hWnd = Hwnd();
    // The module instance handle as the icon's id (its low 32 bits on x86_64).
    data_.uID = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)));
    data_.uFlags = kTrayFlags;
    data_.uCallbackMessage = kTrayCallbackMessage;
    data_.hIcon = reinterpret_cast<HICON>(icon);
    CopyAnsi(data_.szTip, sizeof data_.szTip, tip);
    return Shell_NotifyIconA(NIM_ADD, &data_) != FALSE;
}

int TrayIcon::SetVersion(int version) noexcept {
    data_.uVersion = static_cast<UINT>(version);
    const int rc = Shell_NotifyIconA(NIM_SETVERSION, &data_);
    data_.uVersion = 0;
    return rc;
}

int TrayIcon::Balloon(const std::string& heading, const std::string& body, int timeoutMs) noexcept {
    // Only the balloon changes: icon, tip and callback stay as they are.
    data_.uFlags = NIF_INFO;
    CopyAnsi(data_.szInfoTitle, sizeof data_.szInfoTitle, heading);
    CopyAnsi(data_.szInfo, sizeof data_.szInfo, body);
    data_.dwInfoFlags = NIIF_INFO;
    data_.uTimeout = static_cast<UINT>(timeoutMs);
    const int rc = Shell_NotifyIconA(NIM_MODIFY, &data_);
    data_.uFlags = kTrayFlags;
    return rc;
}

void TrayIcon::Remove() noexcept { Shell_NotifyIconA(NIM_DELETE, &data_); }

int TrayIcon::RecordSize() const noexcept { return static_cast<int>(NOTIFYICONDATAA_V2_SIZE); }

}  // namespace pankor::win32host
