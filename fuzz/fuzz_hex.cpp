// Hex decoding of signatures and key blobs: no crash, and what decodes
// re-encodes to the same digits.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Hex.h"
#include "base/Text.h"

using namespace pankor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Bytes bytes;
    if (HexToBytes(text, bytes)) {
        if (ToLowerHex(bytes) != LowerAscii(TrimSpaces(text))) __builtin_trap();
    }
    const std::string_view trimmed = TrimWhite(text);
    if (!trimmed.empty() && (IsWhite(trimmed.front()) || IsWhite(trimmed.back()))) __builtin_trap();
    return 0;
}
