#include "base/Text.h"

namespace pankor {

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::size_t FindNoCase(std::string_view hay, std::string_view needle) noexcept {
    if (needle.size() > hay.size()) return std::string_view::npos;
    for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i)
        if (EqualsNoCase(hay.substr(i, needle.size()), needle)) return i;
    return std::string_view::npos;
}

bool ContainsNoCase(std::string_view hay, std::string_view needle) noexcept {
    return FindNoCase(hay, needle) != std::string_view::npos;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) noexcept {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

std::string_view TrimSpaces(std::string_view s) noexcept {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string_view TrimWhite(std::string_view s) noexcept {
    while (!s.empty() && IsWhite(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsWhite(s.back())) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> SplitLines(std::string_view s) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\r' && s[i] != '\n') continue;
        lines.push_back(s.substr(start, i - start));
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < s.size()) lines.push_back(s.substr(start));
    return lines;
}

std::string LowerFirstCharacter(std::string_view s) {
    std::string out(s);
    if (out.empty()) return out;
    out[0] = LowerAscii(out[0]);
    // U+00C0..U+00DE (but U+00D7, the multiplication sign) lie 0x20 below their small letters.
    if (out.size() >= 2 && out[0] == '\xC3') {
        const auto second = static_cast<unsigned char>(out[1]);
        if (second >= 0x80 && second <= 0x9E && second != 0x97) out[1] = static_cast<char>(second + 0x20);
    }
    return out;
}

namespace {
bool IsContinuationByte(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

std::size_t CharacterCount(std::string_view text) noexcept {
    std::size_t n = 0;
    for (const char c : text)
        if (!IsContinuationByte(c)) ++n;
    return n;
}

std::string FirstCharacters(std::string_view text, std::size_t n) {
    std::size_t end = 0;
    for (std::size_t seen = 0; end < text.size(); ++end)
        if (!IsContinuationByte(text[end]) && seen++ == n) break;
    return std::string(text.substr(0, end));
}

std::string Pad2(int n) {
    std::string s = std::to_string(n);
    if (s.size() < 2) s.insert(0, 1, '0');
    return s;
}

std::string Pad4(int n) {
    std::string s = std::to_string(n);
    if (s.size() < 4) s.insert(0, 4 - s.size(), '0');
    return s;
}

std::string FormatTime(int hour, int minute, int second) {
    return Pad2(hour) + ":" + Pad2(minute) + ":" + Pad2(second);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string SanitizeUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        // Runs of ASCII, the common case, are copied whole.
        std::size_t ascii = i;
        while (ascii < s.size() && static_cast<unsigned char>(s[ascii]) < 0x80) ++ascii;
        out.append(s.data() + i, ascii - i);
        i = ascii;
        if (i == s.size()) break;
        const auto b0 = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        char32_t min = 0, cp = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            len = 2;
            cp = b0 & 0x1F;
            min = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            len = 3;
            cp = b0 & 0x0F;
            min = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            len = 4;
            cp = b0 & 0x07;
            min = 0x10000;
        }
        std::size_t used = 1;
        bool valid = len != 0;
        for (; valid && used < len; ++used) {
            if (i + used >= s.size()) {
                valid = false;
                break;
            }
            const auto b = static_cast<unsigned char>(s[i + used]);
            if ((b & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        if (valid && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
            out.append(s.substr(i, len));
            i += len;
        } else {
            AppendUtf8(out, 0xFFFD);  // one replacement per maximal bad prefix
            i += used == 0 ? 1 : used;
        }
    }
    return out;
}

}  // namespace pankor
