#include "platform/win32/Win32VersionResource.h"

#include <cstring>
#include <vector>

#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32Windows.h"

namespace pankor {

Result<FixedFileVersion> Win32VersionResource::Read(const std::string& path) const noexcept {
    using R = Result<FixedFileVersion>;
    try {
        const std::optional<std::wstring> wide = win32::WidePath(path);
        if (!wide || wide->empty()) return R::From(win32::ErrorFailure(ERROR_INVALID_NAME));
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(wide->c_str(), &ignored);
        if (size == 0) {
            // Some systems report a file without resources with no error set.
            const DWORD error = GetLastError();
            return R::From(win32::ErrorFailure(error != ERROR_SUCCESS ? error : ERROR_RESOURCE_TYPE_NOT_FOUND));
        }
        std::vector<BYTE> block(size);
        if (!GetFileVersionInfoW(wide->c_str(), 0, size, block.data())) return R::From(win32::LastErrorFailure());

        void* fixed = nullptr;
        UINT length = 0;
        wchar_t root[] = L"\\";
        if (!VerQueryValueW(block.data(), root, &fixed, &length) || !fixed || length < sizeof(VS_FIXEDFILEINFO))
            return R::Fail("the version resource has no fixed file version", ERROR_RESOURCE_TYPE_NOT_FOUND);
        VS_FIXEDFILEINFO info{};
        std::memcpy(&info, fixed, sizeof(info));  // the block gives no alignment promise
        return R::Of(FixedFileVersion{info.dwFileVersionMS, info.dwFileVersionLS});
    } catch (...) {
        return R::From(win32::OutOfMemory());
    }
}

}  // namespace pankor
