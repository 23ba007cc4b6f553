#pragma once
#include "platform/IIcons.h"

namespace pankor {

// Icons read from PE files with our own reader; PNG-compressed images are
// decoded by gdk-pixbuf. There are no icon handles on this host: its window
// takes its icon from the toolkit.
class LinuxIcons : public IIcons {
public:
    IconHandle ExtractSized(const std::string&, int, int) noexcept override { return 0; }
    IconHandle ExtractDefault(const std::string&) noexcept override { return 0; }
    void Destroy(IconHandle) noexcept override {}
    int SystemMetric(int index) noexcept override;
    Result<std::optional<Bytes>> RenderFirstIcon(const std::string& path, int size,
                                                 std::uint32_t backgroundRgb) noexcept override;
};

}  // namespace pankor
