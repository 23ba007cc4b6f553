#pragma once
// The opt-in daily usage report: consent, the machine description it carries
// (shared with problem reports), and what was installed at the last report.
#include <string>

#include "apps/modApps.h"
#include "apps/modProbe.h"
#include "catalog/modCatalog.h"
#include "core/modFile.h"
#include "core/modReg.h"
#include "core/modVersion.h"
#include "platform/IEnvironment.h"
#include "platform/IHttp.h"
#include "startup/Log.h"
#include "startup/ProcessValues.h"

namespace pankor {

class modMain;

struct TelemetryDeps {
    modFile& file;
    modReg& reg;
    modCatalog& catalog;
    modProbe& probe;
    const modApps& apps;  // where each app keeps its settings
    const modVersion& version;
    const modMain& main;  // the screen scale
    const ISystem& system;
    const IEnvironment& environment;
    const IFileSystem& fs;
    IHttp& http;
    const ProcessValues& process;
    const Log& log;
};

class modTelemetry {
public:
    explicit modTelemetry(const TelemetryDeps& deps) noexcept : d_(deps) {}

    std::string TelemetryPath() const;
    // -1 never answered (the first run), 0 no, 1 yes.
    int ConsentState() const noexcept;
    void SetConsent(bool yes) noexcept;
    void SendTelemetryIfDue() noexcept;
    std::string TelemetryJson() noexcept;
    // The members "os" to "apps" (the array closed, no braces).
    std::string EnvironmentJson() noexcept;
    std::string InstalledSlugs() const;
    std::string RemovedSlugs() const noexcept;
    void SaveSeen() noexcept;
    std::string LocaleName() noexcept;
    bool PostTelemetry(const std::string& document) noexcept;

private:
    std::string AppsArray();

    TelemetryDeps d_;
};

// A JSON POST to the publisher with the manager's user agent.
HttpRequest ReportRequest(const std::string& url, const std::string& document, int resolveMs, int connectMs, int sendMs,
                          int receiveMs);

}  // namespace pankor
