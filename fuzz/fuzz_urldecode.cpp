// Command arguments: decoding never crashes and always yields valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/Text.h"
#include "startup/Encoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const auto out = pankor::UrlDecode(in);
    if (out && pankor::SanitizeUtf8(*out) != *out) __builtin_trap();
    (void)pankor::JsonEscape(in);
    return 0;
}
