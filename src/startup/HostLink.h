#pragma once
// The modules are built before the windows that show what they do; they talk
// to the windows through this relay, which the main window attaches to once
// it exists. Until then (and in the tools, which have no windows) the calls
// are dropped.
#include "notify/INotifyUi.h"

namespace pankor {

class HostLink final : public INotifyUi {
public:
    void Attach(INotifyUi* notify) noexcept { notify_ = notify; }

    void Balloon(const std::string& heading, const std::string& body, const std::string& targetTab) noexcept override {
        if (notify_) notify_->Balloon(heading, body, targetTab);
    }
    void FlashIfBackground() noexcept override {
        if (notify_) notify_->FlashIfBackground();
    }

private:
    INotifyUi* notify_ = nullptr;
};

}  // namespace pankor
