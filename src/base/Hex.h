#pragma once
// Hexadecimal digits: signatures, key blobs, digests and percent escapes.
#include <string>
#include <string_view>

#include "base/Result.h"

namespace pankor {

// The value of one hex digit (either case), or -1.
int HexDigitValue(char c) noexcept;
// Pairs of hex digits as bytes, surrounding spaces ignored; false (out
// untouched) for an empty text, an odd length or any other character.
bool HexToBytes(std::string_view text, Bytes& out);
std::string ToLowerHex(ByteView bytes);
// "800C": upper-case hex without leading zeros.
std::string UpperHex(unsigned long value);

}  // namespace pankor
