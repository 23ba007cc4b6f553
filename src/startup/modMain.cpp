#include "startup/modMain.h"

#include <cmath>

#include "base/Paths.h"
#include "base/Switches.h"
#include "catalog/modCatalog.h"
#include "trust/TrustKeys.h"

namespace pankor {

namespace {
constexpr const char* kFeatureControl = "HKCU\\Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\";
}

bool modMain::Main() noexcept {
    process_.DebugMode = HasSwitch("/debug");
    system_.DeclareDpiAware();  // the manifest still applies where the call is missing
    process_.RunDir = GetRunDir();
    process_.DataDir = log_.Guard("Main failed: ", std::string(), [&] {
        return environment_.Get("APPDATA").value_or("") + fs_.Separator() + "Pankor";
    });
    file_.EnsureFolder(process_.DataDir);

    if (instance_.AcquireMutex()) {
        file_.RemoveLeftoverTempFiles(process_.DataDir);
        SetBrowserFeatures();
        log_.DebugLog("--- Pankor start, runDir=" + process_.RunDir);
        if (kTrustsDevelopmentKeys) log_.DebugLog("TRUST: this build trusts the DEVELOPMENT keys - not for release");
        process_.PendingCommand = instance_.ParseInstalledArg();
        catalog_.ConfigurePublisher();
        return true;
    }

    const std::string command = instance_.ParseInstalledArg();
    if (!command.empty())
        instance_.PostHandoff(command);
    else if (!HasSwitch("/tray"))
        instance_.PostHandoff("show");
    else
        log_.DebugLog("second copy with /tray - exiting quietly");
    return false;
}

std::string modMain::GetRunDir() const noexcept {
    return log_.Guard("GetRunDir failed: ", std::string("."), [&] {
        const std::string exe = system_.ExecutablePath();
        std::string folder = ParentFolderOf(exe);
        if (!folder.empty()) return folder;
        return exe.empty() ? std::string(".") : exe;
    });
}

bool modMain::HasSwitch(std::string_view name) const noexcept {
    return log_.Guard("HasSwitch failed: ", false, [&] { return pankor::HasSwitch(system_.CommandLine(), name); });
}

void modMain::SetBrowserFeatures() noexcept {
    log_.Guard("SetBrowserFeatures failed: ", [&] {
        // Fixed value names: the product's executable is always Pankor.exe.
        reg_.RegSetDword(std::string(kFeatureControl) + "FEATURE_BROWSER_EMULATION\\Pankor.exe", 11001);
        reg_.RegSetDword(std::string(kFeatureControl) + "FEATURE_BLOCK_LMZ_SCRIPT\\Pankor.exe", 0);
    });
}

int modMain::DpiPercent() const noexcept {
    const int read = system_.ScreenDpi();
    const int dpi = read > 0 ? read : 96;
    // nearbyint rounds halves to the even neighbour in the default mode.
    const int p = static_cast<int>(std::nearbyint(dpi * 100.0 / 96.0));
    return p < 100 ? 100 : p;
}

}  // namespace pankor
