#pragma once
// The application object: one instance of every module, wired to the platform
// and to each other in one place. Each module receives only what it uses.
#include "apps/modApps.h"
#include "apps/modIcons.h"
#include "apps/modProbe.h"
#include "catalog/modCatalog.h"
#include "core/modFile.h"
#include "core/modJson.h"
#include "core/modReg.h"
#include "core/modVersion.h"
#include "notify/modNotify.h"
#include "platform/Platform.h"
#include "platform/host/IFolderPicker.h"
#include "platform/host/IMessagePump.h"
#include "platform/host/NoHost.h"
#include "startup/HostLink.h"
#include "startup/Log.h"
#include "startup/ProcessValues.h"
#include "startup/modInstance.h"
#include "startup/modMain.h"
#include "telemetry/modIssue.h"
#include "telemetry/modTelemetry.h"
#include "trust/modHash.h"
#include "trust/modSign.h"
#include "update/modAppUpdate.h"
#include "update/modSelfUpdate.h"
#include "update/modUpdate.h"

namespace pankor {

// What the host gives the modules that wait or ask the user: its message pump
// and its folder dialog. Both exist before the windows do.
struct HostServices {
    IMessagePump& pump;
    IFolderPicker& folderPicker;
};

// For programs without a display: nothing to pump, no folder to pick.
inline HostServices NoHost() noexcept {
    static NoHostPump pump;
    static NoHostFolderPicker picker;
    return {pump, picker};
}

class Pankor {
public:
    explicit Pankor(Platform& p, HostServices h = NoHost()) noexcept : platform(p), host(h) {}
    Pankor(const Pankor&) = delete;
    Pankor& operator=(const Pankor&) = delete;

    Platform& platform;
    HostServices host;
    HostLink windows;  // the main window attaches here once it exists
    ProcessValues process;
    Log log{platform.system, platform.fs, process};
    modReg reg{platform.registry, log};
    modFile file{platform.fs, platform.system, log};
    modVersion version{platform.versions, file, platform.system, platform.fs, process, log};
    modJson json;
    modHash hash{platform.crypto, platform.system, log};
    modSign sign{platform.crypto, platform.fs, file, log};
    modIcons icons{platform.icons, platform.fs, file, platform.system, process, log};
    modProbe probe{reg, file, platform.processes, platform.system, platform.fs, process, log};
    modCatalog catalog{CatalogDeps{platform.http, platform.system, platform.environment, platform.fs, file, json, sign,
                                   version, icons, probe, process, log}};
    modInstance instance{platform.instanceLock, platform.system, platform.fs, file, process, log};
    modMain main{platform.system, platform.environment, platform.fs, process, log, file, reg, instance, catalog};
    modApps apps{AppsDeps{platform.registry, platform.processes, platform.fs, platform.environment, platform.system,
                          file, catalog, host.folderPicker, log}};
    modUpdate update{UpdateDeps{platform.http, platform.processes, platform.fs, platform.system, host.pump, log}};
    modAppUpdate appUpdate{AppUpdateDeps{catalog, update, hash, platform.fs, platform.environment, windows, log}};
    modSelfUpdate selfUpdate{SelfUpdateDeps{platform.http, platform.processes, platform.fs, platform.environment,
                                            platform.system, host.pump, file, hash, catalog, update, log}};
    modTelemetry telemetry{TelemetryDeps{file, reg, catalog, probe, apps, version, main, platform.system,
                                         platform.environment, platform.fs, platform.http, process, log}};
    modIssue issue{telemetry, catalog, platform.http, log};
    modNotify notify{file, catalog, telemetry, windows, log};
};

}  // namespace pankor
