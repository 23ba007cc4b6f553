#pragma once
#include <string>

namespace pankor {

// The host's folder dialog.
class IFolderPicker {
public:
    virtual ~IFolderPicker() = default;
    // The chosen folder's file-system path; "" when the user cancels or picks
    // a place that has no such path.
    virtual std::string PickFolder(const std::string& prompt) noexcept = 0;
};

}  // namespace pankor
