#include "platform/text/Cp1251.h"

#include <algorithm>

namespace tv {
namespace {

using cp1251_detail::kHigh;

// Code points of the OEM code page 866, bytes 0x80..0xFF.
constexpr std::array<char16_t, 128> kCp866 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // A0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // E0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // E8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,  // F8
};

char32_t CodePointOf(unsigned char b) {
  if (b < 0x80) return b;
  char16_t cp = kHigh[b - 0x80];
  return cp == 0 ? 0xFFFD : cp;
}

char ByteOf(char32_t cp) {
  // А..я stand in one run at 0xC0..0xFF: most Cyrillic text skips the table.
  if (cp >= 0x410 && cp <= 0x44F) return static_cast<char>(0xC0 + (cp - 0x410));
  int b = cp1251_detail::FromCodePoint(cp);
  return b < 0 ? '?' : static_cast<char>(b);
}

// Bytes before the first one above 0x7F: both encodings spell them alike,
// and most names and keys are nothing else.
std::size_t AsciiRun(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  return i;
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

struct CaseTables {
  std::array<unsigned char, 256> upper{};
  std::array<unsigned char, 256> lower{};
  std::array<unsigned short, 256> weight{};
  constexpr CaseTables() {
    for (int i = 0; i < 256; ++i) upper[i] = lower[i] = static_cast<unsigned char>(i);
    auto pair = [this](int up, int low) {
      upper[low] = static_cast<unsigned char>(up);
      lower[up] = static_cast<unsigned char>(low);
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c) pair(c, c + 32);
    pair(0xA8, 0xB8);  // Ё ё
    pair(0xA1, 0xA2);  // Ў ў
    pair(0xB2, 0xB3);  // І і
    pair(0xAA, 0xBA);  // Є є
    pair(0xAF, 0xBF);  // Ї ї
    pair(0xA3, 0xBC);  // Ј ј
    pair(0xBD, 0xBE);  // Ѕ ѕ
    pair(0xA5, 0xB4);  // Ґ ґ
    pair(0x80, 0x90);  // Ђ ђ
    pair(0x81, 0x83);  // Ѓ ѓ
    pair(0x8A, 0x9A);  // Љ љ
    pair(0x8C, 0x9C);  // Њ њ
    pair(0x8D, 0x9D);  // Ќ ќ
    pair(0x8E, 0x9E);  // Ћ ћ
    pair(0x8F, 0x9F);  // Џ џ
    // Collation weights of upper-case bytes: punctuation and digits by code,
    // then Latin letters, then Cyrillic letters in alphabet order with Ё
    // right after Е, as a Russian locale sorts them.
    for (int i = 0; i < 256; ++i) weight[i] = static_cast<unsigned short>(i);
    for (int c = 'A'; c <= 'Z'; ++c) weight[c] = static_cast<unsigned short>(1000 + (c - 'A') * 2);
    for (int c = 0xC0; c <= 0xDF; ++c)
      weight[c] = static_cast<unsigned short>(2000 + (c - 0xC0) * 2);
    weight[0xA8] = static_cast<unsigned short>(weight[0xC5] + 1);
  }
};

constexpr CaseTables kCase;

}  // namespace

std::size_t Utf8Sequence(std::string_view utf8, std::size_t i, char32_t& cp) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[i + k]); };
  const unsigned char c = byte(0);
  cp = kIllFormedUtf8;
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  // Lead bytes that begin no well-formed sequence: continuation bytes, the
  // overlong 0xC0/0xC1 and everything that would pass U+10FFFF.
  if (c < 0xC2 || c > 0xF4) return 1;
  const std::size_t len = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  // The second byte's range also shuts out overlong forms (E0, F0),
  // surrogates (ED) and code points above U+10FFFF (F4).
  const unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
  char32_t value = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (std::size_t k = 1; k < len; ++k) {
    // A broken sequence stands for one character up to the byte that
    // breaks it; that byte begins the next one.
    if (i + k >= utf8.size()) return k;
    const unsigned char cc = byte(k);
    if (k == 1 ? (cc < low || cc > high) : (cc & 0xC0) != 0x80) return k;
    value = (value << 6) | (cc & 0x3F);
  }
  cp = value;
  return len;
}

std::string Utf8ToCp1251(std::string_view utf8) {
  std::size_t i = AsciiRun(utf8);
  if (i == utf8.size()) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  out.assign(utf8.substr(0, i));
  while (i < utf8.size()) {
    char32_t cp = 0;
    i += Utf8Sequence(utf8, i, cp);
    out += ByteOf(cp);
  }
  return out;
}

bool IsAscii(std::string_view text) { return AsciiRun(text) == text.size(); }

bool IsValidUtf8(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    i += Utf8Sequence(utf8, i, cp);
    if (cp == kIllFormedUtf8) return false;
  }
  return true;
}

std::string Cp1251ToUtf8(std::string_view text) {
  const std::size_t ascii = AsciiRun(text);
  if (ascii == text.size()) return std::string(text);
  std::string out;
  out.reserve(text.size() * 2);
  out.assign(text.substr(0, ascii));
  for (char ch : text.substr(ascii)) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(ch)));
  return out;
}

std::string Utf16ToCp1251(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char16_t u = utf16[i];
    if (u >= 0xD800 && u <= 0xDFFF) {
      // A surrogate pair is one character outside the code page.
      if (u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) ++i;
      out += '?';
      continue;
    }
    out += ByteOf(u);
  }
  return out;
}

std::u16string Cp1251ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char ch : text) out += static_cast<char16_t>(CodePointOf(static_cast<unsigned char>(ch)));
  return out;
}

std::string Cp1251ToCp866(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
      continue;
    }
    char32_t cp = CodePointOf(b);
    auto it = std::find(kCp866.begin(), kCp866.end(), cp);
    out += it == kCp866.end() ? '?' : static_cast<char>(0x80 + (it - kCp866.begin()));
  }
  return out;
}

std::string Cp866ToCp1251(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    unsigned char b = static_cast<unsigned char>(ch);
    out += b < 0x80 ? ch : ByteOf(kCp866[b - 0x80]);
  }
  return out;
}

char AnsiUpperChar(char c) { return static_cast<char>(kCase.upper[static_cast<unsigned char>(c)]); }
char AnsiLowerChar(char c) { return static_cast<char>(kCase.lower[static_cast<unsigned char>(c)]); }

std::string AnsiUpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AnsiUpperChar(c);
  return out;
}

std::string AnsiLowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AnsiLowerChar(c);
  return out;
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int wa = kCase.weight[kCase.upper[static_cast<unsigned char>(a[i])]];
    int wb = kCase.weight[kCase.upper[static_cast<unsigned char>(b[i])]];
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AnsiUpperChar(a[i]) != AnsiUpperChar(b[i])) return false;
  return true;
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
  // Case-sensitive: the collation weight decides, then lower case sorts
  // before upper case, as the Windows locale comparison does.
  int r = AnsiCompareText(a, b);
  if (r != 0) return r;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    return AnsiLowerChar(a[i]) == a[i] ? -1 : 1;
  }
  return 0;
}

}  // namespace tv
