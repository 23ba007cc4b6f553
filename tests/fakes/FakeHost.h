#pragma once
// The host's services for unit tests: a message pump that moves the fake
// clock on (so minutes of waiting pass in a few thousand calls), a folder
// picker with scripted answers, and windows that record what they were told.
#include <deque>
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
    std::deque<std::string> answers;  // one per call; "" (cancel) when none is left
    std::string PickFolder(const std::string&) noexcept override {
        if (answers.empty()) return {};
        std::string answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

// Each call as one line: "busy <slug>|<text>", "failed <slug>", "refresh",
// "progress <slug> <percent>", "balloon <heading>|<body>|<tab>", "flash".
class FakeUpdateUi : public IUpdateUi, public INotifyUi {
public:
    std::vector<std::string> calls;
    std::function<void(const std::string&)> onCall;  // runs after a call is recorded

    void UiBusy(const std::string& slug, const std::string& text) noexcept override {
        Record("busy " + slug + "|" + text);
    }
    void UiUpdateFailed(const std::string& slug) noexcept override { Record("failed " + slug); }
    void RefreshRows() noexcept override { Record("refresh"); }
    void SetProgress(const std::string& slug, int percent) noexcept override {
        Record("progress " + slug + " " + std::to_string(percent));
    }
    void Balloon(const std::string& heading, const std::string& body, const std::string& tab) noexcept override {
        Record("balloon " + heading + "|" + body + "|" + tab);
    }
    void FlashIfBackground() noexcept override { Record("flash"); }
    // The calls other than progress reports.
    std::vector<std::string> Steps() const {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.rfind("progress ", 0) != 0) out.push_back(c);
        return out;
    }

private:
    void Record(std::string line) {
        calls.push_back(line);
        if (onCall) onCall(line);
    }
};

}  // namespace pankor::fakes
