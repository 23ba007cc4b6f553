#pragma once
// A small, bounds-checked reader of the resources in a Windows PE file, so
// version records and icons can be read where the Windows API is not at hand.
// Every offset is checked: a truncated or hostile file gives "nothing".
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/IVersionResource.h"

namespace pankor {

inline constexpr std::uint32_t kRtIcon = 3;
inline constexpr std::uint32_t kRtGroupIcon = 14;
inline constexpr std::uint32_t kRtVersion = 16;

class PeResources {
public:
    using ByteView = std::span<const std::uint8_t>;

    // Nothing when the bytes are not a PE image with a resource section.
    static std::optional<PeResources> Parse(ByteView file) noexcept;

    // The data of the resource of this type and numeric id (any id when
    // none is given), in its first language.
    std::optional<ByteView> Find(std::uint32_t type, std::optional<std::uint32_t> id = std::nullopt) const noexcept;
    // Numeric ids of the resources of one type, in directory order.
    std::vector<std::uint32_t> Ids(std::uint32_t type) const;

private:
    struct Section {
        std::uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
    };
    struct DirEntry {
        std::uint32_t nameOrId;
        bool named;
        bool subdirectory;
        std::uint32_t offset;
    };

    std::optional<std::uint32_t> RvaToOffset(std::uint32_t rva, std::uint32_t size) const noexcept;
    std::vector<DirEntry> Entries(std::uint32_t dirOffset) const;
    std::optional<ByteView> DataOf(const DirEntry& entry) const noexcept;
    std::optional<DirEntry> FirstLeaf(DirEntry entry, int levels) const;

    ByteView file_;
    std::vector<Section> sections_;
    std::uint32_t resourceOffset_ = 0;  // file offset of the resource directory
    std::uint32_t resourceSize_ = 0;
};

// The fixed file-version record of a PE file's version resource.
std::optional<FixedFileVersion> ReadVersionResource(PeResources::ByteView file) noexcept;

}  // namespace pankor
