#pragma once
// The in-app update of an installed app: download its installer, accept it
// only as a Windows executable whose keyed hash is the catalog's, run it
// silently, and refresh the page.
#include <string>

#include "catalog/modCatalog.h"
#include "platform/IEnvironment.h"
#include "platform/IFileSystem.h"
#include "startup/Log.h"
#include "trust/modHash.h"
#include "update/IUpdateUi.h"
#include "update/modUpdate.h"

namespace pankor {

struct AppUpdateDeps {
    const modCatalog& catalog;
    modUpdate& update;
    modHash& hash;
    IFileSystem& fs;
    const IEnvironment& environment;
    IUpdateUi& ui;
    const Log& log;
};

class modAppUpdate {
public:
    explicit modAppUpdate(const AppUpdateDeps& deps) noexcept : d_(deps) {}

    // Ignored while another in-app update runs (its waits let page commands in).
    void UpdateInApp(const std::string& slug) noexcept;
    // The slug of the update in progress, "" when none.
    const std::string& UpdateBusySlug() const noexcept { return busySlug_; }
    // TEMP + "Pankor-app-<slug>.exe": where the installer waits for its run.
    std::string TempInstallerPath(const std::string& slug) const;

private:
    enum class Outcome { Ignored, Failed, Done };
    Outcome Run(const std::string& slug);
    bool StillTheVerifiedFile(const std::string& slug, const std::string& path, const std::string& verified);

    AppUpdateDeps d_;
    std::string busySlug_;
};

}  // namespace pankor
