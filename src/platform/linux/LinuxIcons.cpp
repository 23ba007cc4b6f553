#include "platform/linux/LinuxIcons.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "platform/linux/MappedFile.h"
#include "platform/pe/IconImage.h"
#include "platform/pe/PeResources.h"

namespace pankor {

namespace {

std::optional<RgbaImage> DecodePng(IconBytes png) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
    if (loader == nullptr) return std::nullopt;
    std::optional<RgbaImage> out;
    const bool written = gdk_pixbuf_loader_write(loader, png.data(), png.size(), nullptr);
    const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
    GdkPixbuf* pix = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pix != nullptr && gdk_pixbuf_get_bits_per_sample(pix) == 8 && gdk_pixbuf_get_width(pix) <= 1024 &&
        gdk_pixbuf_get_height(pix) <= 1024) {
        const int w = gdk_pixbuf_get_width(pix), h = gdk_pixbuf_get_height(pix);
        const int channels = gdk_pixbuf_get_n_channels(pix), stride = gdk_pixbuf_get_rowstride(pix);
        const guchar* px = gdk_pixbuf_read_pixels(pix);
        RgbaImage img{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 4)};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c)
                    img.rgba[(static_cast<std::size_t>(y) * w + x) * 4 + c] =
                        c < channels
                            ? px[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * channels + c]
                            : 255;
        out = std::move(img);
    }
    g_object_unref(loader);
    return out;
}

}  // namespace

int LinuxIcons::SystemMetric(int index) noexcept {
    switch (index) {
        case 11:
        case 12: return 32;  // large icon
        case 49:
        case 50: return 16;  // small icon
        default: return 0;
    }
}

Result<std::optional<Bytes>> LinuxIcons::RenderFirstIcon(const std::string& path, int size,
                                                         std::uint32_t backgroundRgb) noexcept {
    using R = Result<std::optional<Bytes>>;
    try {
        const MappedFile file(path);
        const auto pe = PeResources::Parse(file.bytes());
        if (!pe) return R::Of(std::nullopt);
        const auto group = pe->Find(kRtGroupIcon);
        if (!group) return R::Of(std::nullopt);
        const auto entry = ChooseIcon(ReadIconGroup(*group), size);
        if (!entry) return R::Of(std::nullopt);
        const auto image = pe->Find(kRtIcon, entry->id);
        if (!image) return R::Of(std::nullopt);
        // As on Windows: no drawing surface for sizes like these.
        if (size <= 0 || size > 4096) return R::Fail("cannot draw an icon of " + std::to_string(size) + " pixels");
        const std::optional<RgbaImage> decoded = IsPng(*image) ? DecodePng(*image) : DecodeDibIcon(*image);
        if (!decoded) return R::Fail("the icon image could not be decoded");
        return R::Of(EncodeBmp24(ComposeOnBackground(*decoded, size, backgroundRgb)));
    } catch (...) {
        return R::Fail("out of memory");
    }
}

}  // namespace pankor
