#include "platform/linux/LinuxEnvironment.h"

#include <sys/stat.h>
#include <cstdlib>

namespace pankor {

namespace {
std::optional<std::string> Raw(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr) return std::nullopt;
    return std::string(v);
}
}  // namespace

std::string ConfigHome() {
    if (auto xdg = Raw("XDG_CONFIG_HOME"); xdg && !xdg->empty()) return *xdg;
    return Raw("HOME").value_or("") + "/.config";
}

std::optional<std::string> LinuxEnvironment::Get(const std::string& name) const noexcept {
    try {
        if (auto v = Raw(name.c_str())) return v;
        if (name == "APPDATA") {
            // Windows always has this folder; a fresh Linux account may not.
            const std::string home = ConfigHome();
            mkdir(home.c_str(), 0700);
            return home;
        }
        if (name == "TEMP") {
            const auto tmp = Raw("TMPDIR");
            return tmp && !tmp->empty() ? *tmp : std::string("/tmp");
        }
    } catch (...) {
        // Out of memory: the variable reads as unset, as a failed lookup does on Windows.
    }
    return std::nullopt;
}

}  // namespace pankor
