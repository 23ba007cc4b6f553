#pragma once
// Records what the notifications ask of the windows.
#include <string>
#include <vector>

#include "notify/INotifyUi.h"

namespace pankor::fakes {

class FakeNotifyUi : public INotifyUi {
public:
    std::vector<std::string> calls;  // "balloon heading|body|tab", "flash"
    void Balloon(const std::string& heading, const std::string& body, const std::string& tab) noexcept override {
        calls.push_back("balloon " + heading + "|" + body + "|" + tab);
    }
    void FlashIfBackground() noexcept override { calls.push_back("flash"); }
};

}  // namespace pankor::fakes
