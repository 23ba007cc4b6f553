#pragma once
// Small text helpers shared by the core. Letter case is folded for ASCII only:
// every key, switch and slug the program compares is ASCII.
#include <string>
#include <string_view>
#include <vector>

namespace pankor {

inline char LowerAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
std::string LowerAscii(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b) noexcept;
// Position of needle in hay ignoring case, or npos.
std::size_t FindNoCase(std::string_view hay, std::string_view needle) noexcept;
bool ContainsNoCase(std::string_view hay, std::string_view needle) noexcept;
bool StartsWithNoCase(std::string_view s, std::string_view prefix) noexcept;
// Removes leading and trailing blanks (the space character only).
// Key files, handoff lines and switch values trim this way.
std::string_view TrimSpaces(std::string_view s) noexcept;
// Space, tab, CR or LF.
inline bool IsWhite(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// Removes leading and trailing white (signature texts, which arrive with a line end).
std::string_view TrimWhite(std::string_view s) noexcept;
// Splits at CR LF, lone CR or lone LF; a final line end adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view s);
// "hh:nn:ss" / "yyyy-mm-dd hh:nn:ss" with two-digit fields.
std::string FormatTime(int hour, int minute, int second);
std::string Pad2(int n);
std::string Pad4(int n);
// The text with its first character in lower case: ASCII and the Latin-1
// capitals ("Éclair" gives "éclair"); other scripts are left as they are.
std::string LowerFirstCharacter(std::string_view s);
// Characters, not bytes, of UTF-8 text: the count, and the first n.
std::size_t CharacterCount(std::string_view text) noexcept;
std::string FirstCharacters(std::string_view text, std::size_t n);
// Replaces every invalid UTF-8 sequence by U+FFFD.
std::string SanitizeUtf8(std::string_view s);
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace pankor
