#pragma once
// The modules are built before the windows that show what they do; they talk
// to the windows through this relay, which the main window attaches to once
// it exists. Until then (and in the tools, which have no windows) the calls
// are dropped.
#include "notify/INotifyUi.h"
#include "update/IUpdateUi.h"

namespace pankor {

class HostLink final : public INotifyUi, public IUpdateUi {
public:
    void Attach(INotifyUi* notify, IUpdateUi* update) noexcept {
        notify_ = notify;
        update_ = update;
    }

    void Balloon(const std::string& heading, const std::string& body, const std::string& targetTab) noexcept override {
        if (notify_) notify_->Balloon(heading, body, targetTab);
    }
    void FlashIfBackground() noexcept override {
        if (notify_) notify_->FlashIfBackground();
    }
    void UiBusy(const std::string& slug, const std::string& text) noexcept override {
        if (update_) update_->UiBusy(slug, text);
    }
    void UiUpdateFailed(const std::string& slug) noexcept override {
        if (update_) update_->UiUpdateFailed(slug);
    }
    void RefreshRows() noexcept override {
        if (update_) update_->RefreshRows();
    }
    void SetProgress(const std::string& slug, int percent) noexcept override {
        if (update_) update_->SetProgress(slug, percent);
    }

private:
    INotifyUi* notify_ = nullptr;
    IUpdateUi* update_ = nullptr;
};

}  // namespace pankor
