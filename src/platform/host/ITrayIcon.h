#pragma once
// The program's icon in the notification area. The host builds the system's
// record; the core decides what goes into it and what a click means.
#include <string>

#include "platform/IIcons.h"

namespace pankor {

// Codes the icon reports, as the system names them.
inline constexpr int kTrayLeftButtonUp = 0x202;
inline constexpr int kTrayLeftDoubleClick = 0x203;
inline constexpr int kTrayRightButtonUp = 0x205;
inline constexpr int kTrayBalloonClicked = 0x405;

class ITrayEvents {
public:
    virtual ~ITrayEvents() = default;
    virtual void OnTrayEvent(int code) noexcept = 0;
};

class ITrayIcon {
public:
    virtual ~ITrayIcon() = default;
    // Adds the icon with its tip; false when the system (or the desktop)
    // has no notification area for it.
    virtual bool Add(IconHandle icon, const std::string& tip, ITrayEvents& events) noexcept = 0;
    // Asks for the given behaviour version; the system's answer (0 refused).
    virtual int SetVersion(int version) noexcept = 0;
    // Shows a balloon (heading, body) for timeoutMs; the system's answer.
    virtual int Balloon(const std::string& heading, const std::string& body, int timeoutMs) noexcept = 0;
    virtual void Remove() noexcept = 0;
    // The size of the system record this host fills, for the log line.
    virtual int RecordSize() const noexcept = 0;
};

}  // namespace pankor
