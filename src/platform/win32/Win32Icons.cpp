#include "platform/win32/Win32Icons.h"

#include "platform/pe/IconImage.h"

#include "platform/win32/Win32Windows.h"

#include <shellapi.h>

#include <cstring>
#include <optional>

#include "base/UniqueHandle.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Text.h"

namespace pankor {

namespace {

HICON AsIcon(IconHandle icon) noexcept { return reinterpret_cast<HICON>(icon); }
IconHandle AsHandle(HICON icon) noexcept { return reinterpret_cast<IconHandle>(icon); }

// The first icon of the file at the system's large size; 0 or 1 when none.
HICON FirstIcon(const std::wstring& path) noexcept { return ExtractIconW(GetModuleHandleW(nullptr), path.c_str(), 0); }

struct IconTraits {
    using Handle = HICON;
    static HICON Invalid() noexcept { return nullptr; }
    static void Close(HICON icon) noexcept { DestroyIcon(icon); }
};
using UniqueIcon = UniqueHandle<IconTraits>;

struct MemoryDcTraits {
    using Handle = HDC;
    static HDC Invalid() noexcept { return nullptr; }
    static void Close(HDC dc) noexcept { DeleteDC(dc); }
};
struct BitmapTraits {
    using Handle = HBITMAP;
    static HBITMAP Invalid() noexcept { return nullptr; }
    static void Close(HBITMAP bitmap) noexcept { DeleteObject(bitmap); }
};

// A memory DC with a DIB section selected into it. The DC's own bitmap goes
// back in before either is deleted: a selected bitmap must not be deleted.
class Canvas {
public:
    Canvas() noexcept : dc_(CreateCompatibleDC(nullptr)) {}
    ~Canvas() {
        if (previous_) SelectObject(dc_.Get(), previous_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const noexcept { return dc_.Get(); }
    std::uint8_t* bits() const noexcept { return bits_; }

    // A bottom-up 32-bit DIB section selected into the device context.
    bool Create(int size) noexcept {
        if (!dc_) return false;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = size;
        info.bmiHeader.biHeight = size;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.Reset(CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap_ || !bits) return false;
        bits_ = static_cast<std::uint8_t*>(bits);
        const HGDIOBJ previous = SelectObject(dc_.Get(), bitmap_.Get());
        if (previous == nullptr || previous == HGDI_ERROR) return false;
        previous_ = previous;
        return true;
    }

private:
    // Declared in this order so the bitmap is deleted before its DC.
    UniqueHandle<MemoryDcTraits> dc_;
    UniqueHandle<BitmapTraits> bitmap_;
    HGDIOBJ previous_ = nullptr;
    std::uint8_t* bits_ = nullptr;
};

constexpr int kLargestSide = 4096;

}  // namespace

Bytes EncodeDibAsBmp(const std::uint8_t* bgrx, int width, int height) {
    if (!bgrx || width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide) return {};
    // The DIB holds its bottom row first; the shared writer takes rows top to bottom.
    const std::size_t w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    RgbaImage image{width, height, std::vector<std::uint8_t>(w * h * 4)};
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint8_t* from = bgrx + ((h - 1 - y) * w + x) * 4;
            std::uint8_t* to = &image.rgba[(y * w + x) * 4];
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = 255;
        }
    return EncodeBmp24(image);
}

IconHandle Win32Icons::ExtractSized(const std::string& path, int width, int height) noexcept {
    const std::optional<std::wstring> wide = win32::WidePath(path);
    if (!wide || wide->empty()) return 0;
    HICON icon = nullptr;
    UINT id = 0;
    const UINT count = PrivateExtractIconsW(wide->c_str(), 0, width, height, &icon, &id, 1, 0);
    return count == 1 && AsHandle(icon) > 1 ? AsHandle(icon) : 0;
}

IconHandle Win32Icons::ExtractDefault(const std::string& path) noexcept {
    const std::optional<std::wstring> wide = win32::WidePath(path);
    if (!wide || wide->empty()) return 0;
    return AsHandle(FirstIcon(*wide));
}

void Win32Icons::Destroy(IconHandle icon) noexcept {
    if (icon > 1) DestroyIcon(AsIcon(icon));
}

int Win32Icons::SystemMetric(int index) noexcept { return GetSystemMetrics(index); }

Result<std::optional<Bytes>> Win32Icons::RenderFirstIcon(const std::string& path, int size,
                                                         std::uint32_t backgroundRgb) noexcept {
    using R = Result<std::optional<Bytes>>;
    try {
        const std::optional<std::wstring> wide = win32::WidePath(path);
        if (!wide || wide->empty()) return R::Of(std::nullopt);
        const HICON first = FirstIcon(*wide);
        if (AsHandle(first) <= 1) return R::Of(std::nullopt);  // 1: the file is no program or icon file
        const UniqueIcon icon(first);

        if (size <= 0 || size > kLargestSide)
            return R::Fail("cannot draw an icon of " + std::to_string(size) + " pixels", ERROR_INVALID_PARAMETER);
        Canvas canvas;
        if (!canvas.Create(size)) {
            const DWORD error = GetLastError();
            return R::Fail("cannot create the drawing surface: " + win32::ErrorText(error), error);
        }
        // Pixels are blue, green, red, unused in memory; the colour comes as 0xRRGGBB.
        const std::uint8_t blue = static_cast<std::uint8_t>(backgroundRgb);
        const std::uint8_t green = static_cast<std::uint8_t>(backgroundRgb >> 8);
        const std::uint8_t red = static_cast<std::uint8_t>(backgroundRgb >> 16);
        std::uint8_t* pixel = canvas.bits();
        const std::size_t count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
        for (std::size_t i = 0; i < count; ++i, pixel += 4) {
            pixel[0] = blue;
            pixel[1] = green;
            pixel[2] = red;
            pixel[3] = 0;
        }
        if (!DrawIconEx(canvas.dc(), 0, 0, icon.Get(), size, size, 0, nullptr, DI_NORMAL)) {
            const DWORD error = GetLastError();
            return R::Fail("DrawIconEx failed: " + win32::ErrorText(error), error);
        }
        GdiFlush();  // the drawing must be in the pixels before they are read
        Bytes bmp = EncodeDibAsBmp(canvas.bits(), size, size);
        if (bmp.empty()) return R::Fail("cannot encode the bitmap");
        return R::Of(std::move(bmp));
    } catch (...) {
        return R::From(win32::OutOfMemory());
    }
}

}  // namespace pankor
