#pragma once
// Icons inside PE files, decoded without the Windows API: the icon group
// directory, the classic DIB icon images, and a .bmp writer. PNG-compressed
// images are recognised here and decoded by the caller's image library.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pankor {

struct RgbaImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;  // rows top to bottom, 4 bytes a pixel
};

struct IconEntry {
    int width = 0, height = 0, bitCount = 0;
    std::uint32_t id = 0;
};

using IconBytes = std::span<const std::uint8_t>;

// The entries of an RT_GROUP_ICON resource; empty when it is malformed.
std::vector<IconEntry> ReadIconGroup(IconBytes group);
// The entry that draws best at `size` pixels: the smallest at least that
// large, else the largest; deeper colour breaks ties.
std::optional<IconEntry> ChooseIcon(const std::vector<IconEntry>& entries, int size);
bool IsPng(IconBytes image) noexcept;
// A DIB icon image (BITMAPINFOHEADER, colours, XOR and AND masks).
std::optional<RgbaImage> DecodeDibIcon(IconBytes image);
// The image scaled to size x size and laid over an opaque background colour (0xRRGGBB).
RgbaImage ComposeOnBackground(const RgbaImage& image, int size, std::uint32_t backgroundRgb);
// A 24-bit bottom-up Windows bitmap file of an opaque image.
std::vector<std::uint8_t> EncodeBmp24(const RgbaImage& image);

}  // namespace pankor
