#include "platform/pe/PeResources.h"

#include <algorithm>

namespace pankor {

namespace {

std::optional<std::uint16_t> U16(PeResources::ByteView b, std::uint64_t at) noexcept {
    if (at + 2 > b.size()) return std::nullopt;
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::optional<std::uint32_t> U32(PeResources::ByteView b, std::uint64_t at) noexcept {
    if (at + 4 > b.size()) return std::nullopt;
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kHighBit = 0x80000000u;

}  // namespace

std::optional<PeResources> PeResources::Parse(ByteView file) noexcept {
    try {
        if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z') return std::nullopt;
        const auto peAt = U32(file, 0x3C);
        if (!peAt || !U32(file, *peAt) || *U32(file, *peAt) != 0x00004550u) return std::nullopt;  // "PE\0\0"
        const std::uint64_t coff = static_cast<std::uint64_t>(*peAt) + 4;
        const auto sectionCount = U16(file, coff + 2);
        const auto optionalSize = U16(file, coff + 16);
        const std::uint64_t opt = coff + 20;
        const auto magic = U16(file, opt);
        if (!sectionCount || !optionalSize || !magic) return std::nullopt;

        std::uint64_t dirsAt = 0, countAt = 0;
        if (*magic == kPe32Magic) {
            countAt = opt + 92;
            dirsAt = opt + 96;
        } else if (*magic == kPe32PlusMagic) {
            countAt = opt + 108;
            dirsAt = opt + 112;
        } else {
            return std::nullopt;
        }
        const auto dirCount = U32(file, countAt);
        if (!dirCount || *dirCount <= kResourceDirectoryIndex) return std::nullopt;
        const std::uint64_t resDir = dirsAt + 8ull * kResourceDirectoryIndex;
        if (resDir + 8 > opt + *optionalSize) return std::nullopt;
        const auto resRva = U32(file, resDir);
        const auto resSize = U32(file, resDir + 4);
        if (!resRva || !resSize || *resRva == 0 || *resSize == 0) return std::nullopt;

        PeResources pe;
        pe.file_ = file;
        const std::uint64_t table = opt + *optionalSize;
        for (std::uint32_t i = 0; i < *sectionCount; ++i) {
            const std::uint64_t s = table + 40ull * i;
            const auto va = U32(file, s + 12), vsize = U32(file, s + 8), raw = U32(file, s + 16),
                       rawAt = U32(file, s + 20);
            if (!va || !vsize || !raw || !rawAt) return std::nullopt;
            pe.sections_.push_back({*va, *vsize, *raw, *rawAt});
        }
        const auto at = pe.RvaToOffset(*resRva, 16);
        if (!at) return std::nullopt;
        pe.resourceOffset_ = *at;
        pe.resourceSize_ = *resSize;
        return pe;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<std::uint32_t> PeResources::RvaToOffset(std::uint32_t rva, std::uint32_t size) const noexcept {
    for (const Section& s : sections_) {
        const std::uint64_t span = std::max(s.virtualSize, s.rawSize);
        if (rva < s.virtualAddress || rva - static_cast<std::uint64_t>(s.virtualAddress) >= span) continue;
        const std::uint64_t delta = rva - static_cast<std::uint64_t>(s.virtualAddress);
        if (delta + size > s.rawSize) return std::nullopt;  // not backed by file data
        const std::uint64_t offset = static_cast<std::uint64_t>(s.rawOffset) + delta;
        if (offset + size > file_.size()) return std::nullopt;
        return static_cast<std::uint32_t>(offset);
    }
    return std::nullopt;
}

std::vector<PeResources::DirEntry> PeResources::Entries(std::uint32_t dirOffset) const {
    std::vector<DirEntry> out;
    const std::uint64_t at = static_cast<std::uint64_t>(resourceOffset_) + dirOffset;
    const auto named = U16(file_, at + 12), ids = U16(file_, at + 14);
    if (!named || !ids) return out;
    const std::uint32_t total = static_cast<std::uint32_t>(*named) + *ids;
    for (std::uint32_t i = 0; i < total; ++i) {
        const auto name = U32(file_, at + 16 + 8ull * i), data = U32(file_, at + 20 + 8ull * i);
        if (!name || !data) break;
        out.push_back({*name & ~kHighBit, (*name & kHighBit) != 0, (*data & kHighBit) != 0, *data & ~kHighBit});
    }
    return out;
}

std::optional<PeResources::DirEntry> PeResources::FirstLeaf(DirEntry entry, int levels) const {
    // Fixed depth (id, then language): a directory that points at itself
    // cannot make this loop.
    for (int i = 0; i < levels && entry.subdirectory; ++i) {
        const std::vector<DirEntry> next = Entries(entry.offset);
        if (next.empty()) return std::nullopt;
        entry = next.front();
    }
    if (entry.subdirectory) return std::nullopt;
    return entry;
}

std::optional<PeResources::ByteView> PeResources::DataOf(const DirEntry& entry) const noexcept {
    const std::uint64_t at = static_cast<std::uint64_t>(resourceOffset_) + entry.offset;
    const auto rva = U32(file_, at), size = U32(file_, at + 4);
    if (!rva || !size) return std::nullopt;
    const auto offset = RvaToOffset(*rva, *size);
    if (!offset) return std::nullopt;
    return file_.subspan(*offset, *size);
}

std::optional<PeResources::ByteView> PeResources::Find(std::uint32_t type,
                                                       std::optional<std::uint32_t> id) const noexcept {
    try {
        for (const DirEntry& t : Entries(0)) {
            if (t.named || t.nameOrId != type || !t.subdirectory) continue;
            for (const DirEntry& n : Entries(t.offset)) {
                if (id && (n.named || n.nameOrId != *id)) continue;
                if (const auto leaf = FirstLeaf(n, 1)) return DataOf(*leaf);
                if (id) return std::nullopt;
            }
        }
    } catch (...) {
        // Out of memory on a hostile directory: no such resource.
    }
    return std::nullopt;
}

std::vector<std::uint32_t> PeResources::Ids(std::uint32_t type) const {
    std::vector<std::uint32_t> out;
    for (const DirEntry& t : Entries(0)) {
        if (t.named || t.nameOrId != type || !t.subdirectory) continue;
        for (const DirEntry& n : Entries(t.offset))
            if (!n.named) out.push_back(n.nameOrId);
    }
    return out;
}

std::optional<FixedFileVersion> ReadVersionResource(PeResources::ByteView file) noexcept {
    const auto pe = PeResources::Parse(file);
    if (!pe) return std::nullopt;
    const auto block = pe->Find(kRtVersion);
    if (!block) return std::nullopt;
    // VS_VERSIONINFO: length, value length, type, the key (UTF-16, ended by
    // 0), padding to 32 bits, then the 52-byte fixed record.
    const auto valueLength = U16(*block, 2);
    if (!valueLength || *valueLength < 52) return std::nullopt;
    std::uint64_t at = 6;
    while (true) {
        const auto unit = U16(*block, at);
        if (!unit) return std::nullopt;
        at += 2;
        if (*unit == 0) break;
    }
    at = (at + 3) & ~std::uint64_t{3};
    const auto ms = U32(*block, at + 8), ls = U32(*block, at + 12);
    if (!ms || !ls || at + 52 > block->size()) return std::nullopt;
    return FixedFileVersion{*ms, *ls};
}

}  // namespace pankor
