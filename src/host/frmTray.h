#pragma once
// The hidden window that owns the notification-area icon: balloons for the
// notifications, and clicks that bring the main window up.
#include <string>

#include "apps/modIcons.h"
#include "platform/host/ITrayIcon.h"
#include "platform/host/IWindow.h"
#include "startup/Log.h"

namespace pankor {

class frmMain;

inline constexpr const char* kTrayTip = "Pankor";
inline constexpr int kTrayVersion = 3;  // NOTIFYICON_VERSION
inline constexpr int kBalloonTimeoutMs = 10000;
inline constexpr std::size_t kBalloonHeadingChars = 60;
inline constexpr std::size_t kBalloonBodyChars = 250;

class frmTray final : public ITrayEvents {
public:
    frmTray(ITrayIcon& tray, modIcons& icons, const IWindow& mainWindow, frmMain& main, const Log& log) noexcept
        : tray_(tray), icons_(icons), mainWindow_(mainWindow), main_(main), log_(log) {}

    void Load() noexcept;
    void Balloon(const std::string& heading, const std::string& body, const std::string& targetTab = "") noexcept;
    void ShowDeck(const std::string& tabName = "") noexcept;
    // Safe to call twice; never destroys the main window's own icon.
    void RemoveIcon() noexcept;
    void OnTrayEvent(int code) noexcept override;

    bool IconAdded() const noexcept { return iconAdded_; }

private:
    ITrayIcon& tray_;
    modIcons& icons_;
    const IWindow& mainWindow_;
    frmMain& main_;
    const Log& log_;
    bool iconAdded_ = false;
    IconHandle trayIcon_ = 0;
    std::string balloonTab_;
};

}  // namespace pankor
