#pragma once
// The manager's own update: its installer is downloaded and verified ahead of
// time (staged) and started silently later, when the window closes, the
// manager sits in the tray, or it quits.
#include <string>

#include "catalog/modCatalog.h"
#include "core/modFile.h"
#include "platform/IEnvironment.h"
#include "platform/IFileSystem.h"
#include "platform/IHttp.h"
#include "platform/IProcesses.h"
#include "platform/ISystem.h"
#include "platform/host/IMessagePump.h"
#include "startup/Log.h"
#include "trust/modHash.h"
#include "update/modUpdate.h"

namespace pankor {

// How long applying lets the started installer take over while messages run.
inline constexpr std::int64_t kApplyHandOverMs = 700;

struct SelfUpdateDeps {
    IHttp& http;
    IProcesses& processes;
    IFileSystem& fs;
    const IEnvironment& environment;
    const ISystem& system;
    IMessagePump& pump;
    const modFile& file;
    modHash& hash;
    const modCatalog& catalog;
    const modUpdate& update;
    const Log& log;
};

class modSelfUpdate {
public:
    explicit modSelfUpdate(const SelfUpdateDeps& deps) noexcept : d_(deps) {}

    // Downloads (blocking), verifies against the catalog's hash for the
    // manager and saves the installer; true when it is staged.
    bool StageSelfUpdate(const std::string& url, const std::string& version) noexcept;
    bool HasStagedUpdate() const noexcept { return !stagedPath_.empty(); }
    // Starts the staged installer hidden, after checking it is still the file
    // that was verified, and lets messages run for a moment.
    void ApplyStagedUpdate() noexcept;
    // The verified installer's path; "" while nothing is staged.
    const std::string& StagedUpdatePath() const noexcept { return stagedPath_; }
    // TEMP + "Pankor-update-<version without dots>.exe".
    std::string StagedInstallerPath(const std::string& version) const;

private:
    SelfUpdateDeps d_;
    std::string stagedPath_;
    std::string stagedHash_;  // what the staged file hashed to when it was verified
};

}  // namespace pankor
