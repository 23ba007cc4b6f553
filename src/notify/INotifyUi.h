#pragma once
// What the notifications ask of the windows: a balloon from the tray icon,
// and the taskbar button's flash when the window is open but not in front.
#include <string>

namespace pankor {

class INotifyUi {
public:
    virtual ~INotifyUi() = default;
    virtual void Balloon(const std::string& heading, const std::string& body,
                         const std::string& targetTab) noexcept = 0;
    virtual void FlashIfBackground() noexcept = 0;
};

}  // namespace pankor
