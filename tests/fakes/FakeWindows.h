#pragma once
// The host's window, browser, timers, tray icon and loop for unit tests: each records
// what it was asked (the browser the statements it ran); the timers run on the fake clock.
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "platform/host/IBrowser.h"
#include "platform/host/IHostLoop.h"
#include "platform/host/ITimers.h"
#include "platform/host/ITrayIcon.h"
#include "platform/host/IWindow.h"

namespace pankor::fakes {

class FakeWindow : public IWindow {
public:
    bool visible = false, minimised = false;
    PixelSize screen{1920, 1080};
    std::vector<std::string> calls;  // "place x,y wxh", "flash on", "flash off", "drag"

    void Show() noexcept override { visible = true; }
    void Hide() noexcept override { visible = false; }
    bool IsVisible() const noexcept override { return visible; }
    bool IsMinimised() const noexcept override { return minimised; }
    void Minimise() noexcept override { minimised = true; }
    void Restore() noexcept override { minimised = false; }
    void Place(int x, int y, int w, int h) noexcept override {
        calls.push_back("place " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(w) + "x" +
                        std::to_string(h));
    }
    PixelSize ClientSize() const noexcept override { return {}; }
    PixelSize ScreenSize() const noexcept override { return screen; }
    bool IsForeground() const noexcept override { return false; }
    void SetForeground() noexcept override {}
    void Activate() noexcept override {}
    void Flash(bool on) noexcept override { calls.push_back(on ? "flash on" : "flash off"); }
    void BeginDrag() noexcept override { calls.push_back("drag"); }
    void SetIcons(IconHandle, IconHandle) noexcept override {}
    IconHandle DefaultIcon() const noexcept override { return 7; }
    std::uintptr_t Handle() const noexcept override { return 4242; }
};

class FakeBrowser : public IBrowser {
public:
    IBrowserEvents* events = nullptr;
    std::vector<std::string> statements, history;  // history keeps every statement
    std::string failing;                           // page calls of this function fail as a missing one would
    std::map<std::string, std::string> fields;
    int readyState = 1;
    std::string location;
    bool document = false, silent = false;

    Status Create(IBrowserEvents& e) noexcept override {
        events = &e;
        return Status::Ok();
    }
    void FitToWindow() noexcept override {}
    void SetSilent(bool s) noexcept override { silent = s; }
    Status Navigate(const std::string&) noexcept override { return Status::Ok(); }
    int ReadyState() const noexcept override { return readyState; }
    std::string Location() const noexcept override { return location; }
    bool HasDocument() const noexcept override { return document; }
    Status RunScript(const std::string& statement) noexcept override {
        statements.push_back(statement);
        history.push_back(statement);
        if (failing.empty() || statement.rfind("window.pk." + failing + "(", 0) != 0) return Status::Ok();
        return Status::Fail("Object doesn't support property or method '" + failing + "'");
    }
    Result<std::string> ElementValue(const std::string& id) noexcept override {
        if (!document || !fields.count(id)) return Result<std::string>::Fail("no such element");
        return Result<std::string>::Of(fields.at(id));
    }
    std::optional<PageMetrics> Metrics() noexcept override { return std::nullopt; }

    // The page arrives: a document, complete, and its event.
    void Complete() {
        document = true;
        readyState = 4;
        location = "file:///C:/Apps/Pankor/ui/index.html";
        events->OnDocumentComplete(location);
    }
    // The page navigates (a command URL, a link): true when the host cancelled it.
    bool Navigation(const std::string& url) {
        bool cancel = false;
        events->OnBeforeNavigate(url, cancel);
        return cancel;
    }
    // The statements run since the last call.
    std::vector<std::string> Take() { return std::exchange(statements, {}); }
};

// Timers on the fake clock: FireDue runs every tick that is due by now, in
// time order, the way a message loop delivers them.
class FakeTimers : public ITimers {
public:
    explicit FakeTimers(FakeSystem& clock) : clock_(clock) {}
    ITimerEvents* events = nullptr;

    void Enable(TimerId id, int intervalMs) noexcept override {
        if (due_.count(id)) return;
        due_[id] = {clock_.monotonicMs + intervalMs, intervalMs};
    }
    void Disable(TimerId id) noexcept override { due_.erase(id); }
    bool IsEnabled(TimerId id) const noexcept override { return due_.count(id) != 0; }

    void FireDue() {
        for (;;) {
            auto next = std::min_element(due_.begin(), due_.end(),
                                         [](const auto& a, const auto& b) { return a.second.at < b.second.at; });
            if (next == due_.end() || next->second.at > clock_.monotonicMs) return;
            const TimerId id = next->first;
            next->second.at += next->second.interval;
            if (events) events->OnTimer(id);
        }
    }
    // Lets time pass in steps to each tick, firing them.
    void Advance(std::int64_t ms) {
        const std::int64_t end = clock_.monotonicMs + ms;
        while (clock_.monotonicMs < end) {
            clock_.monotonicMs = end;
            for (const auto& [id, t] : due_) clock_.monotonicMs = std::min(clock_.monotonicMs, t.at);
            FireDue();
        }
    }

private:
    struct Due {
        std::int64_t at;
        int interval;
    };
    FakeSystem& clock_;
    std::map<TimerId, Due> due_;
};

class FakeTray : public ITrayIcon {
public:
    ITrayEvents* events = nullptr;
    std::vector<std::string> calls;

    bool Add(IconHandle, const std::string&, ITrayEvents& e) noexcept override {
        events = &e;
        return true;
    }
    int SetVersion(int) noexcept override { return 1; }
    int Balloon(const std::string& heading, const std::string& body, int timeoutMs) noexcept override {
        calls.push_back("balloon " + heading + "|" + body + "|" + std::to_string(timeoutMs));
        return 1;
    }
    void Remove() noexcept override { calls.push_back("remove"); }
    int RecordSize() const noexcept override { return 488; }
};

class FakeLoop : public IHostLoop {
public:
    std::vector<std::string> calls;
    void UnloadWindows() noexcept override { calls.push_back("unload"); }
    void EndProcess() noexcept override { calls.push_back("end"); }
};

}  // namespace pankor::fakes
