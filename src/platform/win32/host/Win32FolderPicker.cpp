#include "platform/win32/host/Win32FolderPicker.h"

#include <shlobj.h>

#include "platform/win32/Win32Text.h"

namespace pankor::win32host {

std::string FolderPicker::PickFolder(const std::string& prompt) noexcept {
    const std::optional<std::wstring> title = win32::ToWide(prompt);
    BROWSEINFOW info{};
    info.hwndOwner = owner_ && IsWindow(owner_) ? owner_ : nullptr;
    info.lpszTitle = title ? title->c_str() : L"";
    // Only places with a file-system path; the resizable dialog with its own edit box.
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen) return {};
    wchar_t path[MAX_PATH] = {};
    const BOOL hasPath = SHGetPathFromIDListW(chosen, path);
    CoTaskMemFree(chosen);
    if (!hasPath) return {};
    return win32::FromWide(path).value_or(std::string());
}

}  // namespace pankor::win32host
