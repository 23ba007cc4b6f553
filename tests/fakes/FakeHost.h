#pragma once
// The host's services for unit tests: a pump that moves the fake clock on (minutes of waiting
// pass in a few thousand calls), a folder picker always cancelled, windows that record their calls.
#include <functional>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "notify/INotifyUi.h"
#include "platform/host/IFolderPicker.h"
#include "platform/host/IMessagePump.h"
#include "update/IUpdateUi.h"

namespace pankor::fakes {

class FakePump : public IMessagePump {
public:
    explicit FakePump(FakeSystem& clock) : clock_(clock) {}
    int calls = 0;
    int advanceMs = 200;           // virtual time each dispatch takes
    std::function<void()> onPump;  // what the dispatched messages do (page commands, timers)

    void Pump() noexcept override {
        ++calls;
        clock_.monotonicMs += advanceMs;
        if (onPump) onPump();
    }

private:
    FakeSystem& clock_;
};

class FakeFolderPicker : public IFolderPicker {
public:
    std::string PickFolder(const std::string&) noexcept override { return {}; }
};

// Each call as one line: "busy <slug>|<text>", "failed <slug>", "refresh",
// "progress <slug> <percent>", "balloon <heading>|<body>|<tab>", "flash".
class FakeUpdateUi : public IUpdateUi, public INotifyUi {
public:
    std::vector<std::string> calls;

    void UiBusy(const std::string& slug, const std::string& text) noexcept override {
        calls.push_back("busy " + slug + "|" + text);
    }
    void UiUpdateFailed(const std::string& slug) noexcept override { calls.push_back("failed " + slug); }
    void RefreshRows() noexcept override { calls.push_back("refresh"); }
    void SetProgress(const std::string& slug, int percent) noexcept override {
        calls.push_back("progress " + slug + " " + std::to_string(percent));
    }
    void Balloon(const std::string& heading, const std::string& body, const std::string& tab) noexcept override {
        calls.push_back("balloon " + heading + "|" + body + "|" + tab);
    }
    void FlashIfBackground() noexcept override { calls.push_back("flash"); }
    // The calls other than progress reports.
    std::vector<std::string> Steps() const {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.rfind("progress ", 0) != 0) out.push_back(c);
        return out;
    }
};

}  // namespace pankor::fakes
