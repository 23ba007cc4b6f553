#pragma once
// The start-up module's text encoders: text into the page and into JSON,
// command arguments out of the page.
#include <optional>
#include <string>
#include <string_view>

namespace pankor {

// Escapes a text for a double-quoted JavaScript or JSON string literal:
// backslash, quote, line breaks (CR LF is one) and tab by their short escapes,
// other control characters and U+2028/U+2029 as \uXXXX; all else as it is.
std::string JsonEscape(std::string_view s);
// Decodes a command argument; nothing when an escape is malformed. Escaped
// bytes are read as UTF-8; an invalid sequence becomes U+FFFD.
std::optional<std::string> UrlDecode(std::string_view s);

}  // namespace pankor
