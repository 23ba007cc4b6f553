// The icon reader on arbitrary PE bytes and icon images: no crash, no read
// outside the input, and a decoded image always has the size it claims.
#include <cstddef>
#include <cstdint>

#include "platform/pe/IconImage.h"
#include "platform/pe/PeResources.h"

using namespace pankor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const IconBytes bytes(data, size);
    auto check = [](const std::optional<RgbaImage>& img) {
        if (img && img->rgba.size() != static_cast<std::size_t>(img->width) * img->height * 4) __builtin_trap();
    };
    check(DecodeDibIcon(bytes));  // the input as a bare icon image
    (void)ReadIconGroup(bytes);
    if (const auto pe = PeResources::Parse(bytes)) {
        if (const auto group = pe->Find(kRtGroupIcon)) {
            if (const auto entry = ChooseIcon(ReadIconGroup(*group), 64)) {
                if (const auto image = pe->Find(kRtIcon, entry->id); image && !IsPng(*image)) {
                    const auto decoded = DecodeDibIcon(*image);
                    check(decoded);
                    if (decoded && decoded->width <= 64 && decoded->height <= 64)
                        (void)EncodeBmp24(ComposeOnBackground(*decoded, 16, 0x0D1119));
                }
            }
        }
    }
    return 0;
}
