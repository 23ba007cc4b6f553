// The PE resource reader on arbitrary bytes: every lookup stays in bounds.
#include <cstddef>
#include <cstdint>

#include "platform/pe/PeResources.h"

using namespace pankor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PeResources::ByteView bytes(data, size);
    (void)ReadVersionResource(bytes);
    if (const auto pe = PeResources::Parse(bytes)) {
        for (std::uint32_t type : {kRtIcon, kRtGroupIcon, kRtVersion}) {
            const auto ids = pe->Ids(type);
            for (std::size_t i = 0; i < ids.size() && i < 8; ++i) {
                const std::uint32_t id = ids[i];
                const auto found = pe->Find(type, id);
                if (found && (found->data() < data || found->data() + found->size() > data + size)) __builtin_trap();
            }
            (void)pe->Find(type);
        }
    }
    return 0;
}
