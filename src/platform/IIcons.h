#pragma once
// Icons of program files: the manager's own (as handles for its windows) and
// an app's first icon drawn onto a square bitmap for the page.
#include <cstdint>
#include <optional>
#include <string>

#include "base/Result.h"

namespace pankor {

using IconHandle = std::uintptr_t;  // 0 and 1 both mean "no icon"

class IIcons {
public:
    virtual ~IIcons() = default;
    // One icon of the file at this size (the system's own pick), or 0.
    virtual IconHandle ExtractSized(const std::string& path, int width, int height) noexcept = 0;
    // The file's first icon at the system's standard large size, or 0/1.
    virtual IconHandle ExtractDefault(const std::string& path) noexcept = 0;
    virtual void Destroy(IconHandle icon) noexcept = 0;
    // GetSystemMetrics-style values (SM_CXICON 11, SM_CXSMICON 49, SM_CYSMICON 50).
    virtual int SystemMetric(int index) noexcept = 0;
    // The file's first icon stretched onto size x size pixels over the
    // background colour (0xRRGGBB), as a Windows bitmap file; nothing when
    // the file carries no icon (not an error).
    virtual Result<std::optional<Bytes>> RenderFirstIcon(const std::string& path, int size,
                                                         std::uint32_t backgroundRgb) noexcept = 0;
};

}  // namespace pankor
