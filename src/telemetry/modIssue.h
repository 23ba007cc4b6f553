#pragma once
// Problem and feature reports from the page's form, sent with the machine
// description of the usage report.
#include <string>

#include "platform/host/IPageFields.h"
#include "telemetry/modTelemetry.h"

namespace pankor {

inline constexpr std::size_t kIssueTextMaxChars = 4000;
inline constexpr std::size_t kIssueContactMaxChars = 200;
inline constexpr std::size_t kIssueTextMinChars = 10;

class modIssue {
public:
    modIssue(modTelemetry& telemetry, const modCatalog& catalog, IHttp& http, const Log& log) noexcept
        : telemetry_(telemetry), catalog_(catalog), http_(http), log_(log) {}

    // True when the publisher accepted the report; message is what to tell the user.
    bool SubmitIssue(IPageFields& page, std::string& message) noexcept;
    static std::string PageFieldValue(IPageFields& page, const std::string& id) noexcept;

private:
    modTelemetry& telemetry_;
    const modCatalog& catalog_;
    IHttp& http_;
    const Log& log_;
};


}  // namespace pankor
