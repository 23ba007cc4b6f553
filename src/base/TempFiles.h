#pragma once
// A whole-file replace writes "<file>.tmp-<unique>" beside the file and
// renames it over; a writer killed in between leaves that name behind. Both
// platforms use this one pattern so start-up can sweep the leftovers.
#include <string_view>

namespace pankor {

inline constexpr std::string_view kTempMarker = ".tmp-";
// Leftovers older than this are no longer being written.
inline constexpr long long kTempLeftoverSeconds = 60;

inline bool IsTempFileName(std::string_view name) noexcept {
    const std::size_t at = name.rfind(kTempMarker);
    return at != std::string_view::npos && at > 0 && at + kTempMarker.size() < name.size();
}

}  // namespace pankor
