#pragma once
#include <cstdint>

#include "platform/IIcons.h"

namespace pankor {

// Icons of program files through the shell and user calls; an app's icon is
// drawn with GDI onto an off-screen bitmap and encoded as a .bmp file.
class Win32Icons final : public IIcons {
public:
    IconHandle ExtractSized(const std::string& path, int width, int height) noexcept override;
    IconHandle ExtractDefault(const std::string& path) noexcept override;
    void Destroy(IconHandle icon) noexcept override;
    int SystemMetric(int index) noexcept override;
    Result<std::optional<Bytes>> RenderFirstIcon(const std::string& path, int size,
                                                 std::uint32_t backgroundRgb) noexcept override;
};

// A 24-bit Windows bitmap file of width x height pixels from 32-bit BGRx
// pixels stored bottom row first (as a bottom-up DIB section holds them).
Bytes EncodeDibAsBmp(const std::uint8_t* bgrx, int width, int height);

}  // namespace pankor
