#include "host/frmTray.h"

#include "base/Text.h"
#include "host/frmMain.h"

namespace pankor {

void frmTray::Load() noexcept {
    log_.Guard("frmTray load failed: ", [&] {
        trayIcon_ = icons_.OwnSmallIcon();
        if (trayIcon_ == 0) trayIcon_ = mainWindow_.DefaultIcon();
        iconAdded_ = tray_.Add(trayIcon_, kTrayTip, *this);
        const int setVersion = iconAdded_ ? tray_.SetVersion(kTrayVersion) : 0;
        log_.DebugLog(std::string("tray icon added=") + TrueFalse(iconAdded_) +
                      " cbSize=" + std::to_string(tray_.RecordSize()) + " setversion=" + std::to_string(setVersion));
    });
}

void frmTray::Balloon(const std::string& heading, const std::string& body, const std::string& targetTab) noexcept {
    if (!iconAdded_) return;
    log_.Guard("Balloon failed: ", [&] {
        balloonTab_ = targetTab;
        const std::string shortHeading = FirstCharacters(heading, kBalloonHeadingChars);
        const std::string shortBody = FirstCharacters(body, kBalloonBodyChars);
        const int rc = tray_.Balloon(shortHeading, shortBody, kBalloonTimeoutMs);
        log_.DebugLog("balloon rc=" + std::to_string(rc) + " : " + shortHeading + " / " + shortBody);
    });
}

void frmTray::ShowDeck(const std::string& tabName) noexcept { main_.ShowFromTray(tabName); }

void frmTray::OnTrayEvent(int code) noexcept {
    switch (code) {
        case kTrayLeftButtonUp:
        case kTrayLeftDoubleClick:
        case kTrayRightButtonUp: ShowDeck(""); break;
        case kTrayBalloonClicked:
            log_.DebugLog("balloon clicked");
            ShowDeck(balloonTab_.empty() ? "apps" : balloonTab_);
            break;
        default: break;  // movement, button down, a balloon shown or gone
    }
}

void frmTray::RemoveIcon() noexcept {
    if (iconAdded_) {
        tray_.Remove();
        iconAdded_ = false;
    }
    if (trayIcon_ != 0 && trayIcon_ != mainWindow_.DefaultIcon()) icons_.ReleaseIcon(trayIcon_);
    trayIcon_ = 0;
}

}  // namespace pankor
