#include "startup/Encoders.h"

#include "base/Hex.h"
#include "base/Text.h"

namespace pankor {

std::string JsonEscape(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 8);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\r':
                out += "\\n";
                if (i + 1 < s.size() && s[i + 1] == '\n') ++i;  // CR LF is one line break
                break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default: out += c;
        }
    }
    return out;
}

std::optional<std::string> UrlDecode(std::string_view s) {
    std::string bytes;
    bytes.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '%' && i + 2 < s.size()) {
            const int hi = HexDigitValue(s[i + 1]);
            const int lo = HexDigitValue(s[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            bytes += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            bytes += (c == '+') ? ' ' : c;
        }
    }
    return SanitizeUtf8(bytes);
}

}  // namespace pankor
