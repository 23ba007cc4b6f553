#include "core/modVersion.h"

#include <cmath>
#include <limits>

#include "core/PankorVersion.h"
#include "core/modJson.h"

namespace pankor {

std::string modVersion::FileVersion(const std::string& path) const noexcept {
    // An unreadable version is no version: the app counts as not installed.
    return log_.Guard("FileVersion failed: ", std::string(), [&] {
        if (path.empty() || !file_.FileExists(path)) return std::string();
        const Result<FixedFileVersion> v = versions_.Read(path);
        if (!v.ok()) return std::string();
        return std::to_string(HiWord(v->fileVersionMS)) + "." + std::to_string(LoWord(v->fileVersionMS)) + "." +
               std::to_string(HiWord(v->fileVersionLS)) + "." + std::to_string(LoWord(v->fileVersionLS));
    });
}

std::string modVersion::OwnVersion() const noexcept {
    return log_.Guard("OwnVersion failed: ", std::string(), [&] {
        const std::string fromFile = FileVersion(OwnExePath(process_, system_.ExecutablePath(), fs_.Separator()));
        return fromFile.empty() ? CompiledVersion() : fromFile;
    });
}

std::string UserAgent() { return "Pankor/" + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor); }

std::string CompiledVersion() {
    return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + ".0." +
           std::to_string(kVersionRevision);
}

namespace {

// One part as a 32-bit integer: lenient conversion, halves to even, clamped
// (a part beyond the 32-bit range compares as the range's end).
long long PartNumber(std::string_view version, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const std::size_t dot = version.find('.', start);
        if (dot == std::string_view::npos) return 0;
        start = dot + 1;
    }
    const std::size_t end = version.find('.', start);
    const double d = LenientNumber(version.substr(start, end == std::string_view::npos ? end : end - start));
    const double rounded = std::nearbyint(d);
    if (rounded > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (rounded < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<long long>(rounded);
}

}  // namespace

bool IsNewer(std::string_view a, std::string_view b) noexcept {
    if (a.empty()) return false;
    if (b.empty()) return true;
    for (int i = 0; i < 4; ++i) {
        const long long x = PartNumber(a, i);
        const long long y = PartNumber(b, i);
        if (x != y) return x > y;
    }
    return false;
}

unsigned HiWord(std::uint32_t value) noexcept { return (value >> 16) & 0xFFFFu; }
unsigned LoWord(std::uint32_t value) noexcept { return value & 0xFFFFu; }

}  // namespace pankor
