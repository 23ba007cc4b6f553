#pragma once
// The application object: one instance of every module, wired to the platform
// and to each other in one place. Each module receives only what it uses.
#include "apps/modIcons.h"
#include "apps/modProbe.h"
#include "catalog/modCatalog.h"
#include "core/modFile.h"
#include "core/modJson.h"
#include "core/modReg.h"
#include "core/modVersion.h"
#include "notify/modNotify.h"
#include "platform/Platform.h"
#include "startup/HostLink.h"
#include "startup/Log.h"
#include "startup/ProcessValues.h"
#include "startup/modInstance.h"
#include "startup/modMain.h"
#include "trust/modHash.h"
#include "telemetry/modIssue.h"
#include "telemetry/modTelemetry.h"
#include "trust/modSign.h"

namespace pankor {

class Pankor {
public:
    explicit Pankor(Platform& p) noexcept : platform(p) {}
    Pankor(const Pankor&) = delete;
    Pankor& operator=(const Pankor&) = delete;

    Platform& platform;
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
    modTelemetry telemetry{TelemetryDeps{file, reg, catalog, probe, version, main, platform.system,
                                         platform.environment, platform.fs, platform.http, process, log}};
    modIssue issue{telemetry, catalog, platform.http, log};
    HostLink host;  // the windows attach here
    modNotify notify{file, catalog, telemetry, host, log};
};

}  // namespace pankor
