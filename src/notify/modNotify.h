#pragma once
// Balloons for waiting updates and new games, told once per new situation;
// what was told lives in state.ini.
#include <string>

#include "catalog/modCatalog.h"
#include "core/modFile.h"
#include "notify/INotifyUi.h"
#include "startup/Log.h"
#include "telemetry/modTelemetry.h"

namespace pankor {

class modNotify {
public:
    modNotify(modFile& file, const modCatalog& catalog, const modTelemetry& telemetry, INotifyUi& ui,
              const Log& log) noexcept
        : file_(file), catalog_(catalog), telemetry_(telemetry), ui_(ui), log_(log) {}

    bool NotifyEnabled() const noexcept;
    void SetNotifyEnabled(bool on) noexcept;
    // "slug:latest|" for every installed entry with a newer latest, in catalog order.
    std::string PendingSignature() const noexcept;
    std::string UpdateBalloonText(int& count) const noexcept;
    void NotifyUpdates() noexcept;
    void NotifyToyBox() noexcept;

private:
    modFile& file_;
    const modCatalog& catalog_;
    const modTelemetry& telemetry_;
    INotifyUi& ui_;
    const Log& log_;
};

}  // namespace pankor
