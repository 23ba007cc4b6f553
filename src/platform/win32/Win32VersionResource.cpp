#include "platform/win32/Win32VersionResource.h"

#include <cstring>
#include <vector>

#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32Windows.h"

namespace pankor {

std::optional<FixedFileVersion> Win32VersionResource::Read(const std::string& path) const noexcept {
    try {
        const std::optional<std::wstring> wide = win32::WidePath(path);
        if (!wide || wide->empty()) return std::nullopt;
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(wide->c_str(), &ignored);
        if (size == 0) return std::nullopt;
        std::vector<BYTE> block(size);
        if (!GetFileVersionInfoW(wide->c_str(), 0, size, block.data())) return std::nullopt;

        void* fixed = nullptr;
        UINT length = 0;
        wchar_t root[] = L"\\";
        if (!VerQueryValueW(block.data(), root, &fixed, &length) || !fixed || length < sizeof(VS_FIXEDFILEINFO))
            return std::nullopt;
        VS_FIXEDFILEINFO info{};
        std::memcpy(&info, fixed, sizeof(info));  // the block gives no alignment promise
        return FixedFileVersion{info.dwFileVersionMS, info.dwFileVersionLS};
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace pankor
