#pragma once
// The hidden tray window and the notification-area icon it owns, through the
// ANSI record in its Windows 2000 layout (488 bytes in the 32-bit product).
#include "platform/win32/Win32Windows.h"

#include <shellapi.h>

#include "platform/host/ITrayIcon.h"
#include "platform/win32/host/Win32HostWindow.h"

namespace pankor::win32host {

inline constexpr const wchar_t* kTrayWindowClass = L"Pankor.Tray";
// The icon's notifications arrive as this message, the code in lParam's low word.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 1;
// Icon, callback message and tip.
inline constexpr UINT kTrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

// The tray window's unload handler (the core's: it removes the icon).
class ITrayWindowEvents {
public:
    virtual ~ITrayWindowEvents() = default;
    virtual void OnUnloading() noexcept = 0;
};

class TrayIcon final : public HostWindow, public ITrayIcon {
public:
    TrayIcon(HINSTANCE instance, HostLoop& loop) noexcept;
    ~TrayIcon() override { Destroy(); }

    void SetEvents(ITrayWindowEvents* events) noexcept { windowEvents_ = events; }

    bool Add(IconHandle icon, const std::string& tip, ITrayEvents& events) noexcept override;
    int SetVersion(int version) noexcept override;
    int Balloon(const std::string& heading, const std::string& body, int timeoutMs) noexcept override;
    void Remove() noexcept override;
    int RecordSize() const noexcept override;

    // The record as it stands, for tests.
    const NOTIFYICONDATAA& Record() const noexcept { return data_; }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept override;
    void OnUnload() noexcept override;

    NOTIFYICONDATAA data_{};
    ITrayEvents* events_ = nullptr;
    ITrayWindowEvents* windowEvents_ = nullptr;
};

// Copies UTF-8 text into a fixed ANSI field, cut so that it and its NUL fit
// and no character is split.
void CopyAnsi(char* field, std::size_t fieldSize, const std::string& utf8) noexcept;

}  // namespace pankor::win32host
