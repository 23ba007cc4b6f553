#include "core/modReg.h"

namespace pankor {

namespace {
// "<routine> failed <path>: <why>", the shape of every failure line here.
auto FailedLine(const char* routine, const std::string& path) {
    return [routine, &path](const std::string& why) { return std::string(routine) + " failed " + path + ": " + why; };
}
}  // namespace

std::string modReg::RegGet(const std::string& path, const std::string& defaultValue) noexcept {
    return log_.Guard(FailedLine("RegGet", path), defaultValue, [&] {
        Result<std::string> r = registry_.Read(path);
        if (!r.ok()) return defaultValue;
        return std::move(*r);
    });
}

bool modReg::RegExists(const std::string& path) noexcept { return registry_.Exists(path); }

void modReg::RegSet(const std::string& path, const std::string& value) noexcept {
    log_.Guard(FailedLine("RegSet", path), [&] {
        const Status s = registry_.WriteString(path, value);
        if (!s.ok()) log_.DebugLog("RegSet failed " + path + ": " + s.error());
    });
}

void modReg::RegSetDword(const std::string& path, std::int32_t value) noexcept {
    log_.Guard(FailedLine("RegSetDword", path), [&] {
        const Status s = registry_.WriteDword(path, value);
        if (!s.ok()) log_.DebugLog("RegSetDword failed " + path + ": " + s.error());
    });
}

void modReg::RegRemove(const std::string& path) noexcept {
    (void)registry_.Remove(path);  // an absent value is no news
}

}  // namespace pankor
