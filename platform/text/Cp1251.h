#pragma once
// Windows-1251 text: the compile-time literal helper, conversions at the
// terminal and the code page's case tables.
//
// Every text inside the library is Windows-1251 bytes in std::string, so
// lengths and widths are byte counts. Source files are UTF-8; a Cyrillic
// literal is written as it reads and converted at compile time:
//
//   const std::string& msg = "Ошибка при формировании отчета: "_w;
//
// A literal that holds a character outside Windows-1251 does not compile.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

namespace cp1251_detail {

// Unicode code points of the bytes 0x80..0xFF; 0 marks the one unassigned
// byte (0x98).
inline constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

// Byte for a code point, or -1 when Windows-1251 has none.
constexpr int FromCodePoint(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  for (int i = 0; i < 128; ++i)
    if (kHigh[i] != 0 && kHigh[i] == cp) return 0x80 + i;
  return -1;
}

template <std::size_t N>
struct Utf8Literal {
  char bytes[N]{};
  constexpr Utf8Literal(const char (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
  }
};

template <std::size_t N>
struct Converted {
  char bytes[N]{};
  std::size_t size = 0;
};

template <std::size_t N>
constexpr Converted<N> ConvertLiteral(const Utf8Literal<N>& in) {
  Converted<N> out;
  std::size_t i = 0;
  const std::size_t n = N - 1;  // without the terminating zero
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(in.bytes[i]);
    char32_t cp = 0;
    std::size_t len = 0;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      len = 3;
    } else {
      throw "literal is not valid UTF-8 or lies outside Windows-1251";
    }
    if (i + len > n) throw "truncated UTF-8 sequence in literal";
    for (std::size_t k = 1; k < len; ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(in.bytes[i + k]) & 0x3F);
    int b = FromCodePoint(cp);
    if (b < 0) throw "literal holds a character outside Windows-1251";
    out.bytes[out.size++] = static_cast<char>(b);
    i += len;
  }
  return out;
}

template <Utf8Literal S>
struct LiteralStorage {
  static constexpr Converted<sizeof(S.bytes)> kData = ConvertLiteral(S);
};

}  // namespace cp1251_detail

inline namespace literals {
// "текст"_w: the Windows-1251 bytes of a UTF-8 source literal, converted at
// compile time; the reference stays valid for the whole program.
template <cp1251_detail::Utf8Literal S>
const std::string& operator""_w() {
  // A function-local object is made on first use, so literals are safe to
  // use while other globals are being initialised.
  static const std::string value{cp1251_detail::LiteralStorage<S>::kData.bytes,
                                 cp1251_detail::LiteralStorage<S>::kData.size};
  return value;
}
}  // namespace literals

// Conversions at the terminal. Characters that Windows-1251 cannot hold
// become '?'; so does each ill-formed piece of UTF-8 (overlong forms,
// surrogates, code points above U+10FFFF, stray or missing continuation
// bytes), one '?' for the longest piece that began a valid sequence.
std::string Utf8ToCp1251(std::string_view utf8);
// The character at byte `i` of `utf8`: its code point (kIllFormedUtf8, a
// value beyond Unicode, for an ill-formed piece) and the number of bytes it
// takes.
inline constexpr char32_t kIllFormedUtf8 = 0x110000;
std::size_t Utf8Sequence(std::string_view utf8, std::size_t i, char32_t& cp);
bool IsValidUtf8(std::string_view utf8);
// Whether every byte is below 0x80: a text that both encodings spell alike.
bool IsAscii(std::string_view text);
std::string Cp1251ToUtf8(std::string_view text);
std::string Utf16ToCp1251(std::u16string_view utf16);
std::u16string Cp1251ToUtf16(std::string_view text);

// OEM code page of a Russian system (866), for names stored in ZIP
// archives. Bytes without a counterpart become '?'.
std::string Cp1251ToCp866(std::string_view text);
std::string Cp866ToCp1251(std::string_view text);

// Case mapping of Windows-1251 by our own tables (never the C locale).
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
// ASCII-only variants, as the runtime's UpperCase/LowerCase.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
// Case-insensitive comparison by the upper-case tables: <0, 0, >0.
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
int AnsiCompareStr(std::string_view a, std::string_view b);

}  // namespace tv
