#pragma once
// The runtime's string and number routines. Texts are Windows-1251 bytes;
// positions are 1-based byte positions and 0 means "not found", as in the
// original.
//
// Also brings in Format and TVarRec (platform/text/Format.h) and the floating
// conversions FloatToStr, FormatFloat, CurrToStr, StrToFloat
// (platform/text/FloatText.h).

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text/FloatText.h"
#include "platform/text/Format.h"

namespace tv {

std::string IntToStr(int64_t v);
// Upper-case hexadecimal with at least `digits` digits. A negative 32-bit
// value prints its two's complement in 8 digits, a 64-bit one in 16.
std::string IntToHex(uint64_t v, int digits);
std::string IntToHex(int64_t v, int digits);
std::string IntToHex(int v, int digits);
std::string IntToHex(unsigned v, int digits);

// Text to integer: optional leading blanks, sign, decimal digits or
// hexadecimal after "$" or "0x"; nothing may follow. Hexadecimal texts may
// use all 32 (64) bits ("$FFFFFFFF" is -1). StrToInt raises EConvertError
// "'<text>' is not a valid integer value".
int StrToInt(std::string_view s);
bool TryStrToInt(std::string_view s, int& out);
int StrToIntDef(std::string_view s, int def);
int64_t StrToInt64(std::string_view s);
bool TryStrToInt64(std::string_view s, int64_t& out);
int64_t StrToInt64Def(std::string_view s, int64_t def);

// Remove leading and/or trailing characters with codes 0..32.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// 1-based position of sub in s, 0 when absent or sub is empty.
int Pos(std::string_view sub, std::string_view s);
// The same, searching from `offset` (1-based); 0 for an offset outside s.
int PosEx(std::string_view sub, std::string_view s, int offset = 1);
// Characters from the 1-based position `index`, at most `count`; out of
// range parts are simply cut.
std::string Copy(std::string_view s, int index, int count);
std::string LeftStr(std::string_view s, int count);
std::string RightStr(std::string_view s, int count);

std::string StringOfChar(char c, int count);  // empty for count <= 0
// s in single quotes, inner single quotes doubled.
std::string QuotedStr(std::string_view s);

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
// Replaces the first (rfReplaceAll: every) occurrence of oldPattern, left to
// right without overlapping; rfIgnoreCase compares through the Windows-1251
// upper-case table. An empty oldPattern leaves s unchanged.
std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, int flags);

}  // namespace tv
