#pragma once
// Version resources of program files and dotted-version comparison.
#include <cstdint>
#include <string>
#include <string_view>

namespace pankor {

class Pankor;

class modVersion {
public:
    explicit modVersion(Pankor& app) noexcept : app_(app) {}

    // "a.b.c.d" from the file's version resource, or "".
    std::string FileVersion(const std::string& path) const noexcept;
    std::string OwnVersion() const noexcept;

private:
    Pankor& app_;
};

bool IsNewer(std::string_view a, std::string_view b) noexcept;
unsigned HiWord(std::uint32_t value) noexcept;
unsigned LoWord(std::uint32_t value) noexcept;
// The numbers compiled into this program.
std::string CompiledVersion();

}  // namespace pankor
