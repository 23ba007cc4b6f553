#include "startup/Encoders.h"

#include "base/Hex.h"
#include "base/Text.h"

namespace pankor {

std::string JsonEscape(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
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
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    // Other control characters make malformed JSON.
                    out += "\\u00";
                    out += kHex[(c >> 4) & 0xF];
                    out += kHex[c & 0xF];
                } else if (c == '\xE2' && s.substr(i + 1, 1) == "\x80" && i + 2 < s.size() &&
                           (s[i + 2] == '\xA8' || s[i + 2] == '\xA9')) {
                    // U+2028 and U+2029 end a JavaScript statement inside a string.
                    out += s[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
                    i += 2;
                } else {
                    out += c;
                }
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
