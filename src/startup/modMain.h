#pragma once
// Process entry: switches, run and data folders, the browser feature-control
// values, the single-instance decision, the screen scale.
#include <string>
#include <string_view>

#include "core/modFile.h"
#include "core/modReg.h"
#include "platform/IEnvironment.h"
#include "startup/Log.h"
#include "startup/ProcessValues.h"
#include "startup/modInstance.h"

namespace pankor {

class modCatalog;

class modMain {
public:
    modMain(ISystem& system, const IEnvironment& environment, const IFileSystem& fs, ProcessValues& process,
            const Log& log, modFile& file, modReg& reg, modInstance& instance, modCatalog& catalog) noexcept
        : system_(system),
          environment_(environment),
          fs_(fs),
          process_(process),
          log_(log),
          file_(file),
          reg_(reg),
          instance_(instance),
          catalog_(catalog) {}

    // Runs the start-up sequence. True for the first copy, which then loads
    // its main window; a second copy has handed its request over and ends.
    bool Main() noexcept;

    std::string GetRunDir() const noexcept;
    void SetBrowserFeatures() noexcept;
    int DpiPercent() const noexcept;
    // A case-insensitive switch anywhere in the raw command line.
    bool HasSwitch(std::string_view name) const noexcept;

private:
    ISystem& system_;
    const IEnvironment& environment_;
    const IFileSystem& fs_;
    ProcessValues& process_;
    const Log& log_;
    modFile& file_;
    modReg& reg_;
    modInstance& instance_;
    modCatalog& catalog_;
};

}  // namespace pankor
