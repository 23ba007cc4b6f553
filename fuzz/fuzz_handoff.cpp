// Handoff lines from the file: any text is survived, and a line we write
// ourselves always reads back as fresh with its command.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Text.h"
#include "startup/modInstance.h"

using namespace pankor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const DateTime now{2031, 5, 6, 14, 3, 27};
    const HandoffLine h = ParseHandoffLine(in, now);
    if (h.valid && h.fresh && h.ageSeconds > kHandoffMaxAgeSeconds) __builtin_trap();
    (void)ParseStamp(in);

    const std::string command(in.substr(0, in.find_first_of("\r\n")));
    const std::string line = FormatHandoffLine(now, command);
    const HandoffLine back = ParseHandoffLine(line.substr(0, line.size() - 2), now);
    if (!back.valid || !back.fresh || back.command != TrimSpaces(command)) __builtin_trap();
    return 0;
}
