#pragma once
// Version resources of program files and dotted-version comparison.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/modFile.h"
#include "platform/IVersionResource.h"
#include "startup/ProcessValues.h"

namespace pankor {

class modVersion {
public:
    modVersion(const IVersionResource& versions, const modFile& file, const ISystem& system, const IFileSystem& fs,
               const ProcessValues& process, const Log& log) noexcept
        : versions_(versions), file_(file), system_(system), fs_(fs), process_(process), log_(log) {}

    // "a.b.c.d" from the file's version resource, or "".
    std::string FileVersion(const std::string& path) const noexcept;
    std::string OwnVersion() const noexcept;

private:
    const IVersionResource& versions_;
    const modFile& file_;
    const ISystem& system_;
    const IFileSystem& fs_;
    const ProcessValues& process_;
    const Log& log_;
};

bool IsNewer(std::string_view a, std::string_view b) noexcept;
unsigned HiWord(std::uint32_t value) noexcept;
unsigned LoWord(std::uint32_t value) noexcept;
// The numbers compiled into this program.
std::string CompiledVersion();
// "Pankor/<major>.<minor>": how the manager names itself in every request.
std::string UserAgent();

}  // namespace pankor
