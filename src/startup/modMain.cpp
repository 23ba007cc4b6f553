#include "startup/modMain.h"

#include <cmath>

#include "core/Text.h"
#include "startup/Pankor.h"
#include "trust/TrustKeys.h"

namespace pankor {

namespace {
constexpr const char* kFeatureControl = "HKCU\\Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\";
}

bool modMain::Main() noexcept {
    DebugMode = HasSwitch("/debug");
    app_.platform.system.DeclareDpiAware();  // the manifest still applies where the call is missing
    RunDir = GetRunDir();
    DataDir = app_.platform.environment.Get("APPDATA").value_or("") + app_.platform.fs.Separator() + "Pankor";
    app_.file.EnsureFolder(DataDir);

    if (app_.instance.AcquireMutex()) {
        SetBrowserFeatures();
        DebugLog("--- Pankor start, runDir=" + RunDir);
        if (kTrustsDevelopmentKeys) DebugLog("TRUST: this build trusts the DEVELOPMENT keys - not for release");
        PendingCommand = app_.instance.ParseInstalledArg();
        app_.catalog.ConfigurePublisher();
        return true;
    }

    const std::string command = app_.instance.ParseInstalledArg();
    if (!command.empty())
        app_.instance.PostHandoff(command);
    else if (!HasSwitch("/tray"))
        app_.instance.PostHandoff("show");
    else
        DebugLog("second copy with /tray - exiting quietly");
    return false;
}

std::string modMain::GetRunDir() const noexcept {
    try {
        const std::string exe = app_.platform.system.ExecutablePath();
        const std::size_t p = exe.find_last_of(app_.platform.fs.Separator());
        if (p != std::string::npos && p > 0) return exe.substr(0, p);
        return exe.empty() ? std::string(".") : exe;
    } catch (...) {
        return ".";
    }
}

std::string modMain::ExeBaseName() const noexcept {
    try {
        std::string name = app_.platform.system.ExecutablePath();
        const std::size_t slash = name.find_last_of(app_.platform.fs.Separator());
        if (slash != std::string::npos) name.erase(0, slash + 1);
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0) name.erase(dot);
        return name;
    } catch (...) {
        return {};
    }
}

std::string modMain::JoinPath(std::string_view folder, std::string_view name) const {
    std::string path(folder);
    path += app_.platform.fs.Separator();
    path += name;
    return path;
}

bool modMain::HasSwitch(std::string_view name) const noexcept {
    return ContainsNoCase(app_.platform.system.CommandLine(), name);
}

void modMain::DebugLog(std::string_view text) const noexcept {
    if (!DebugMode) return;
    try {
        if (LogSink) {
            LogSink(text);
            return;
        }
        const DateTime now = app_.platform.system.LocalNow();
        std::string line = FormatTime(now.hour, now.minute, now.second);
        line += ' ';
        line += text;
        line += "\r\n";
        app_.platform.fs.AppendFile(JoinPath(DataDir, "debug.log"), line);  // a lost line is accepted
    } catch (...) {
    }
}

void modMain::SetBrowserFeatures() noexcept {
    // Fixed value names: the product's executable is always Pankor.exe.
    app_.reg.RegSetDword(std::string(kFeatureControl) + "FEATURE_BROWSER_EMULATION\\Pankor.exe", 11001);
    app_.reg.RegSetDword(std::string(kFeatureControl) + "FEATURE_BLOCK_LMZ_SCRIPT\\Pankor.exe", 0);
}

int modMain::DpiPercent() const noexcept {
    const int read = app_.platform.system.ScreenDpi();
    const int dpi = read > 0 ? read : 96;
    // nearbyint rounds halves to the even neighbour in the default mode.
    const int p = static_cast<int>(std::nearbyint(dpi * 100.0 / 96.0));
    return p < 100 ? 100 : p;
}

std::string JsonEscape(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 8);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\r':
                out += "\\n";
                if (i + 1 < s.size() && s[i + 1] == '\n') ++i;  // CR LF is one line break
                break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default: out += c;
        }
    }
    return out;
}

namespace {
int HexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::optional<std::string> UrlDecode(std::string_view s) {
    std::string bytes;
    bytes.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '%' && i + 2 < s.size()) {
            const int hi = HexValue(s[i + 1]);
            const int lo = HexValue(s[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            bytes += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            bytes += (c == '+') ? ' ' : c;
        }
    }
    return SanitizeUtf8(bytes);
}

}  // namespace pankor
