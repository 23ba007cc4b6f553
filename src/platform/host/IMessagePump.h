#pragma once
// The host's window messages: a long wait on the GUI thread calls Pump
// between polls so timers fire, the page repaints and its commands arrive.
namespace pankor {

class IMessagePump {
public:
    virtual ~IMessagePump() = default;
    // Dispatches whatever is queued now and returns; never waits for more.
    virtual void Pump() noexcept = 0;
};

}  // namespace pankor
