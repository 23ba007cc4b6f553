// Key files: reading arbitrary text never crashes, and after setting a plain
// key the reader finds exactly the value that was written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Text.h"
#include "core/modFile.h"

using namespace pankor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)IniLookup(text, "consent");
    const std::string value = size > 0 ? std::string(text.substr(0, size % 17)) : "v";
    if (value.find_first_of("\r\n") != std::string::npos) return 0;
    const std::string rewritten = IniRewrite(text, "catalogserial", value);
    const auto found = IniLookup(rewritten, "CatalogSerial");
    if (!found || *found != TrimSpaces(value)) __builtin_trap();
    if (rewritten.find("\r\n\r\n") != std::string::npos) __builtin_trap();  // never a blank line
    return 0;
}
