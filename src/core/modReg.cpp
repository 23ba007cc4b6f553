#include "core/modReg.h"

#include "startup/Pankor.h"

namespace pankor {

std::string modReg::RegGet(const std::string& path, const std::string& defaultValue) noexcept {
    try {
        Result<std::string> r = app_.platform.registry.Read(path);
        return r.ok() ? std::move(*r.value) : defaultValue;
    } catch (...) {
        return defaultValue;
    }
}

bool modReg::RegExists(const std::string& path) noexcept {
    return app_.platform.registry.Read(path).ok();
}

void modReg::RegSet(const std::string& path, const std::string& value) noexcept {
    const Status s = app_.platform.registry.WriteString(path, value);
    if (!s.ok) app_.main.DebugLog("RegSet failed " + path + ": " + s.error);
}

void modReg::RegSetDword(const std::string& path, std::int32_t value) noexcept {
    const Status s = app_.platform.registry.WriteDword(path, value);
    if (!s.ok) app_.main.DebugLog("RegSetDword failed " + path + ": " + s.error);
}

void modReg::RegRemove(const std::string& path) noexcept {
    app_.platform.registry.Remove(path);  // an absent value is no news
}

}  // namespace pankor
