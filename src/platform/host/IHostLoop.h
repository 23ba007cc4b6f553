#pragma once
// The host's message loop as a whole: what carries the process while its
// windows are loaded.
namespace pankor {

class IHostLoop {
public:
    virtual ~IHostLoop() = default;
    // Unloads the tray window and the main window (the browser goes with it).
    virtual void UnloadWindows() noexcept = 0;
    // Ends the process at once.
    virtual void EndProcess() noexcept = 0;
};

}  // namespace pankor
