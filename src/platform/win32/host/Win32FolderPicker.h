#pragma once
// The shell's folder browser, owned by the main window.
#include "platform/win32/Win32Windows.h"

#include "platform/host/IFolderPicker.h"

namespace pankor::win32host {

class FolderPicker final : public IFolderPicker {
public:
    // Exists before the windows do; the main window becomes its owner.
    void SetOwner(HWND owner) noexcept { owner_ = owner; }
    // COM must be initialised on this thread (the new dialog style needs OLE).
    std::string PickFolder(const std::string& prompt) noexcept override;

private:
    HWND owner_ = nullptr;
};

}  // namespace pankor::win32host
