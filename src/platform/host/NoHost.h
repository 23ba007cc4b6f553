#pragma once
// Host services for programs without a display (the publisher's kit,
// benchmarks, platform tests): nothing to pump, no folder to pick.
#include "platform/host/IFolderPicker.h"
#include "platform/host/IMessagePump.h"

namespace pankor {

class NoHostPump final : public IMessagePump {
public:
    void Pump() noexcept override {}
};

class NoHostFolderPicker final : public IFolderPicker {
public:
    std::string PickFolder(const std::string&) noexcept override { return {}; }
};

}  // namespace pankor
