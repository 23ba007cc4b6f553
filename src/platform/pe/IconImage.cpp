#include "platform/pe/IconImage.h"

#include <algorithm>
#include <cmath>

namespace pankor {

namespace {

std::uint32_t Le(IconBytes b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

constexpr int kMaxSide = 1024;  // larger icons are not icons: refuse rather than allocate

}  // namespace

std::vector<IconEntry> ReadIconGroup(IconBytes g) {
    std::vector<IconEntry> out;
    if (g.size() < 6 || Le(g, 0, 2) != 0 || Le(g, 2, 2) != 1) return out;
    const std::uint32_t count = Le(g, 4, 2);
    if (g.size() < 6 + 14ull * count) return out;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t e = 6 + 14ull * i;
        IconEntry entry;
        entry.width = g[e] == 0 ? 256 : g[e];
        entry.height = g[e + 1] == 0 ? 256 : g[e + 1];
        entry.bitCount = static_cast<int>(Le(g, e + 6, 2));
        entry.id = Le(g, e + 12, 2);
        out.push_back(entry);
    }
    return out;
}

std::optional<IconEntry> ChooseIcon(const std::vector<IconEntry>& entries, int size) {
    std::optional<IconEntry> best;
    auto better = [size](const IconEntry& a, const IconEntry& b) {  // a better than b?
        const bool aBig = a.width >= size, bBig = b.width >= size;
        if (aBig != bBig) return aBig;
        if (a.width != b.width) return aBig ? a.width < b.width : a.width > b.width;
        return a.bitCount > b.bitCount;
    };
    for (const IconEntry& e : entries)
        if (!best || better(e, *best)) best = e;
    return best;
}

bool IsPng(IconBytes image) noexcept {
    static constexpr std::uint8_t kSig[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return image.size() >= 8 && std::equal(std::begin(kSig), std::end(kSig), image.begin());
}

std::optional<RgbaImage> DecodeDibIcon(IconBytes b) {
    if (b.size() < 40) return std::nullopt;
    const std::uint32_t headerSize = Le(b, 0, 4);
    const auto width = static_cast<std::int32_t>(Le(b, 4, 4));
    const auto doubledHeight = static_cast<std::int32_t>(Le(b, 8, 4));
    const std::uint32_t bits = Le(b, 14, 2);
    const std::uint32_t compression = Le(b, 16, 4);
    std::uint32_t colours = Le(b, 32, 4);
    if (headerSize < 40 || headerSize > b.size() || width <= 0 || width > kMaxSide || doubledHeight <= 0 ||
        doubledHeight / 2 > kMaxSide || doubledHeight / 2 == 0 || compression != 0)
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
    const int height = doubledHeight / 2;
    if (bits <= 8 && (colours == 0 || colours > (1u << bits))) colours = 1u << bits;
    if (bits > 8) colours = 0;

    const std::size_t paletteAt = headerSize;
    const std::size_t xorAt = paletteAt + 4ull * colours;
    const std::size_t xorStride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    const std::size_t andAt = xorAt + xorStride * static_cast<std::size_t>(height);
    const std::size_t andStride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    if (andAt > b.size()) return std::nullopt;
    const bool hasMask = andAt + andStride * static_cast<std::size_t>(height) <= b.size();

    RgbaImage img{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const std::size_t row = xorAt + xorStride * static_cast<std::size_t>(height - 1 - y);  // bottom-up
        for (int x = 0; x < width; ++x) {
            std::uint8_t* px = &img.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            if (bits >= 24) {
                const std::size_t p = row + static_cast<std::size_t>(x) * (bits / 8);
                px[0] = b[p + 2];
                px[1] = b[p + 1];
                px[2] = b[p];
                px[3] = bits == 32 ? b[p + 3] : 255;
                anyAlpha = anyAlpha || (bits == 32 && px[3] != 0);
            } else {
                const std::size_t bitPos = static_cast<std::size_t>(x) * bits;
                const std::uint8_t byte = b[row + bitPos / 8];
                const unsigned index = (byte >> (8 - bits - bitPos % 8)) & ((1u << bits) - 1);
                const std::size_t c = paletteAt + 4ull * std::min<unsigned>(index, colours - 1);
                px[0] = b[c + 2];
                px[1] = b[c + 1];
                px[2] = b[c];
                px[3] = 255;
            }
        }
    }
    // Icons without an alpha channel of their own take transparency from the AND mask.
    if (!anyAlpha && hasMask) {
        for (int y = 0; y < height; ++y) {
            const std::size_t row = andAt + andStride * static_cast<std::size_t>(height - 1 - y);
            for (int x = 0; x < width; ++x)
                if ((b[row + static_cast<std::size_t>(x) / 8] >> (7 - x % 8)) & 1)
                    img.rgba[(static_cast<std::size_t>(y) * width + x) * 4 + 3] = 0;
        }
    }
    return img;
}

RgbaImage ComposeOnBackground(const RgbaImage& src, int size, std::uint32_t bg) {
    RgbaImage out{size, size, std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size * 4)};
    const double bgc[3] = {static_cast<double>((bg >> 16) & 0xFF), static_cast<double>((bg >> 8) & 0xFF),
                           static_cast<double>(bg & 0xFF)};
    auto at = [&](int x, int y, int c) {
        x = std::clamp(x, 0, src.width - 1);
        y = std::clamp(y, 0, src.height - 1);
        return static_cast<double>(src.rgba[(static_cast<std::size_t>(y) * src.width + x) * 4 + c]);
    };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Bilinear sampling of premultiplied colour, so transparent edges do not bleed.
            const double sx = (x + 0.5) * src.width / size - 0.5, sy = (y + 0.5) * src.height / size - 0.5;
            const int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
            const double fx = sx - x0, fy = sy - y0;
            double acc[4] = {0, 0, 0, 0};
            const double w[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
            const int xs[4] = {x0, x0 + 1, x0, x0 + 1}, ys[4] = {y0, y0, y0 + 1, y0 + 1};
            for (int k = 0; k < 4; ++k) {
                const double a = at(xs[k], ys[k], 3) / 255.0;
                for (int c = 0; c < 3; ++c) acc[c] += w[k] * a * at(xs[k], ys[k], c);
                acc[3] += w[k] * a;
            }
            std::uint8_t* px = &out.rgba[(static_cast<std::size_t>(y) * size + x) * 4];
            for (int c = 0; c < 3; ++c)
                px[c] = static_cast<std::uint8_t>(std::lround(std::clamp(acc[c] + (1 - acc[3]) * bgc[c], 0.0, 255.0)));
            px[3] = 255;
        }
    return out;
}

std::vector<std::uint8_t> EncodeBmp24(const RgbaImage& img) {
    const std::size_t stride = (static_cast<std::size_t>(img.width) * 3 + 3) & ~std::size_t{3};
    const std::size_t pixels = stride * static_cast<std::size_t>(img.height);
    std::vector<std::uint8_t> out(54 + pixels, 0);
    auto put = [&](std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put(2, static_cast<std::uint32_t>(out.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(img.width), 4);
    put(22, static_cast<std::uint32_t>(img.height), 4);  // positive: rows bottom to top
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, static_cast<std::uint32_t>(pixels), 4);
    put(38, 3780, 4);  // 96 dots per inch
    put(42, 3780, 4);
    for (int y = 0; y < img.height; ++y) {
        const std::size_t row = 54 + stride * static_cast<std::size_t>(img.height - 1 - y);
        for (int x = 0; x < img.width; ++x) {
            const std::uint8_t* px = &img.rgba[(static_cast<std::size_t>(y) * img.width + x) * 4];
            out[row + 3ull * x] = px[2];
            out[row + 3ull * x + 1] = px[1];
            out[row + 3ull * x + 2] = px[0];
        }
    }
    return out;
}

}  // namespace pankor
