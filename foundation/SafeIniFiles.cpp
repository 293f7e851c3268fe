#include "foundation/SafeIniFiles.h"

#include <exception>

#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/OsError.h"
#include "platform/os/SysInfo.h"
#include "platform/SysUtils.h"

namespace tv {
namespace {

const char kLineFeedEscape[] = "<@\\n@>";
constexpr std::size_t kEscapeLength = sizeof kLineFeedEscape - 1;
constexpr std::size_t kChunkLength = 65532;
constexpr int kNoCount = -65535;

const std::string& SectionMissingText() { return "Не указано название секции. Имя файла: "_w; }
const std::string& IdentMissingText() { return "Не указано название переменной. Имя файла: "_w; }

bool NeedsQuotes(std::string_view chunk) {
  auto special = [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '"'; };
  return !chunk.empty() && (special(chunk.front()) || special(chunk.back()));
}

std::string Unescape(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size();) {
    if (raw.compare(i, kEscapeLength, kLineFeedEscape) == 0) {
      out += "\r\n";
      i += kEscapeLength;
    } else {
      out += raw[i++];
    }
  }
  return out;
}

}  // namespace

namespace {

[[noreturn]] void RaiseWithContext(const std::exception& e, std::string_view context) {
  SafeIniFiles::MakeContextException(e, context)->Raise();
  std::terminate();  // Raise does not return
}

}  // namespace

namespace SafeIniFiles {

std::string MakeMutexName(std::string_view prefix, std::string_view fileName) {
  std::string name = std::string(prefix) + AnsiLowerCase(fileName);
  for (std::size_t p = name.find("\\\\"); p != std::string::npos; p = name.find("\\\\"))
    name.erase(p, 1);
  for (char& c : name)
    if (std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos) c = '_';
  return name;
}

std::unique_ptr<NamedMutex> CreateGlobalMutex(const std::string& name) {
  for (const std::string& candidate : {"Global\\" + name, name}) {
    try {
      return NamedMutex::Create(candidate);
    } catch (const Exception&) {
      if (RaiseOnMutexError && candidate == name)
        throw Exception("Error CreateMutex: " + SysErrorMessage(GetLastError()) + " (" + name +
                        ")");
    }
  }
  return nullptr;
}

uint32_t StrHash(std::string_view text) {
  uint32_t h = 0;
  for (unsigned char b : text) {
    h += b;
    h -= (h << 13) | (h >> 19);
  }
  return h;
}

std::string StrToHexStr(std::string_view text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 2);
  for (unsigned char c : text) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string HexStrToStr(std::string_view text) {
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    int hi = digit(text[i]);
    int lo = digit(text[i + 1]);
    out += hi < 0 || lo < 0 ? '?' : static_cast<char>(hi * 16 + lo);
  }
  return out;
}

std::unique_ptr<Exception> MakeContextException(const std::exception& e, std::string_view context) {
  std::string prefix = std::string(context) + " -> ";
  if (const auto* ours = dynamic_cast<const Exception*>(&e))
    return ours->Clone(prefix + ours->Message());
  return std::make_unique<Exception>(prefix + e.what());
}

const TFormatSettings& IniFormatSettings() {
  static const TFormatSettings kSettings = [] {
    TFormatSettings fs = DefaultFormatSettings();
    fs.ShortDateFormat = "dd.mm.yyyy";
    fs.LongDateFormat = "dd.mm.yyyy";
    fs.ShortTimeFormat = "hh:nn:ss.zzzz";
    fs.LongTimeFormat = "hh:nn:ss.zzzz";
    fs.DateSeparator = '.';
    fs.TimeSeparator = ':';
    fs.DecimalSeparator = '.';
    return fs;
  }();
  return kSettings;
}

}  // namespace SafeIniFiles

// Holds the file's mutex for a scope; the release runs also on errors.
class TSafeIniFile::Guard {
 public:
  explicit Guard(TSafeIniFile& file) : file_(file) { file_.Lock(); }
  ~Guard() { file_.Unlock(); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  TSafeIniFile& file_;
};

TSafeIniFile::TSafeIniFile(std::string fileName) : TIniFile(std::move(fileName)) {
  mutex_ = SafeIniFiles::CreateGlobalMutex(
      SafeIniFiles::MakeMutexName("ini file lock mutex", FileName()));
}

TSafeIniFile::~TSafeIniFile() = default;

void TSafeIniFile::Lock() {
  if (!mutex_) return;
  if (mutex_->Wait(NamedMutex::kInfinite) == NamedMutex::Failed)
    RaiseLastOSError();
}

void TSafeIniFile::Unlock() {
  if (mutex_) mutex_->Release();
}

void TSafeIniFile::CheckSection(std::string_view section) const {
  if (section.empty()) throw EIniFileException(SectionMissingText() + FileName());
}

void TSafeIniFile::CheckIdent(std::string_view ident) const {
  if (ident.empty()) throw EIniFileException(IdentMissingText() + FileName());
}

std::vector<std::string> TSafeIniFile::SplitValue(std::string_view value) {
  std::vector<std::string> chunks(1);
  chunks.back().reserve(std::min(value.size() + 8, kChunkLength));
  auto room = [&](std::size_t n) {
    if (chunks.back().size() + n > kChunkLength) {
      chunks.emplace_back();
      chunks.back().reserve(kChunkLength);
    }
  };
  for (char c : value) {
    if (c == '\r') continue;
    if (c == '\n') {
      room(kEscapeLength);
      chunks.back() += kLineFeedEscape;
    } else {
      room(1);
      chunks.back() += c;
    }
  }
  return chunks;
}

std::string TSafeIniFile::ReadRawValue(std::string_view section, std::string_view key,
                                       std::string_view def, uint32_t* hash) {
  std::string raw = TIniFile::ReadString(section, key, def);
  if (hash != nullptr) *hash = SafeIniFiles::StrHash(raw);
  return Unescape(raw);
}

std::string TSafeIniFile::ReadString(std::string_view section, std::string_view ident,
                                     std::string_view def) {
  try {
    CheckSection(section);
    CheckIdent(ident);
    Guard guard(*this);
    if (PlainMode) return ReadRawValue(section, ident, def, nullptr);
    std::string id(ident);
    int count = kNoCount;
    if (!TryStrToInt(ReadRawValue(section, id + "__$Count", "", nullptr), count)) count = kNoCount;
    uint32_t h1 = 0;
    std::string result =
        ReadRawValue(section, ident, def, SafeIniFiles::CheckValueHash ? &h1 : nullptr);
    if (count > 1) {
      int stored = 0;
      if (TryStrToInt(ReadRawValue(section, id + "__$Hash", "", nullptr), stored)) {
        if (!SafeIniFiles::CheckValueHash) stored = 0;
        if (static_cast<uint32_t>(stored) == h1)
          for (int i = 2; i <= count; ++i)
            result += ReadRawValue(section, id + "__$Line" + std::to_string(i), "", nullptr);
      }
    }
    return result;
  } catch (const std::exception& e) {
    RaiseWithContext(e, "TSafeIniFile.ReadString");
  }
}

void TSafeIniFile::WriteWithRetry(std::string_view section, std::string_view key,
                                  std::string_view text) {
  uint32_t start = GetTickCount();
  for (;;) {
    try {
      TIniFile::WriteString(section, key, text);
      return;
    } catch (const Exception& e) {
      int code = GetLastError();
      bool fatal = code == kErrorPathNotFound || code == kErrorBufferOverflow ||
                   code == kErrorDiskFull || code == kErrorInvalidName;
      if (fatal || GetTickCount() - start >= SafeIniFiles::WriteTimeoutMs)
        SafeIniFiles::MakeContextException(e, SysErrorMessage(code))->Raise();
    }
    Sleep(20);
  }
}

void TSafeIniFile::Flush() {
  // Every write is on disk when it returns (TIniFile replaces the file), so
  // the flush of the profile functions has nothing left to do.
  if (AutoFlush) TIniFile::UpdateFile();
}

void TSafeIniFile::WriteString(std::string_view section, std::string_view ident,
                               std::string_view value) {
  try {
    CheckSection(section);
    CheckIdent(ident);
    std::vector<std::string> chunks = SplitValue(value);
    auto stored = [](const std::string& chunk) {
      return NeedsQuotes(chunk) ? "\"" + chunk + "\"" : chunk;
    };
    Guard guard(*this);
    if (!PlainMode) DeleteMultiLineKey(section, ident, false);
    WriteWithRetry(section, ident, stored(chunks[0]));
    if (chunks.size() > 1 && !PlainMode) {
      std::string id(ident);
      WriteWithRetry(section, id + "__$Count", std::to_string(chunks.size()));
      WriteWithRetry(section, id + "__$Hash",
                     std::to_string(static_cast<int32_t>(SafeIniFiles::StrHash(chunks[0]))));
      for (std::size_t k = 2; k <= chunks.size(); ++k)
        WriteWithRetry(section, id + "__$Line" + std::to_string(k), stored(chunks[k - 1]));
    }
    Flush();
  } catch (const std::exception& e) {
    RaiseWithContext(e, "TSafeIniFile.WriteString");
  }
}

void TSafeIniFile::DeleteMultiLineKey(std::string_view section, std::string_view ident,
                                      bool alsoIdent) {
  Guard guard(*this);
  std::string id(ident);
  int n = ReadInteger(section, id + "__$Count", kNoCount);
  if (n != kNoCount) {
    TIniFile::DeleteKey(section, id + "__$Count");
    TIniFile::DeleteKey(section, id + "__$Hash");
    for (int i = n; i >= 2; --i) TIniFile::DeleteKey(section, id + "__$Line" + std::to_string(i));
  }
  if (alsoIdent) TIniFile::DeleteKey(section, ident);
}

void TSafeIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  try {
    CheckSection(section);
    CheckIdent(ident);
    Guard guard(*this);
    if (PlainMode) {
      TIniFile::DeleteKey(section, ident);
    } else {
      DeleteMultiLineKey(section, ident, true);
    }
    Flush();
  } catch (const std::exception& e) {
    RaiseWithContext(e, "TSafeIniFile.DeleteKey");
  }
}

void TSafeIniFile::EraseSection(std::string_view section) {
  try {
    CheckSection(section);
    Guard guard(*this);
    TIniFile::EraseSection(section);
    Flush();
  } catch (const std::exception& e) {
    RaiseWithContext(e, "TSafeIniFile.EraseSection");
  }
}

void TSafeIniFile::ReadSection(std::string_view section, TStringList& strings) {
  try {
    CheckSection(section);
    Guard guard(*this);
    TIniFile::ReadSection(section, strings);
  } catch (const std::exception& e) {
    RaiseWithContext(e, "TSafeIniFile.ReadSection");
  }
}

void TSafeIniFile::ReadSections(TStringList& strings) {
  Guard guard(*this);
  TIniFile::ReadSections(strings);
}

void TSafeIniFile::ReadSectionValues(std::string_view section, TStringList& strings) {
  try {
    CheckSection(section);
    Guard guard(*this);
    TIniFile::ReadSectionValues(section, strings);
  } catch (const std::exception& e) {
    RaiseWithContext(e, "TSafeIniFile.ReadSectionValues");
  }
}

void TSafeIniFile::UpdateFile() {
  Guard guard(*this);
  TIniFile::UpdateFile();
}

std::string TSafeIniFile::ReadHexString(std::string_view section, std::string_view ident,
                                        std::string_view def) {
  try {
    return SafeIniFiles::HexStrToStr(ReadString(section, ident, SafeIniFiles::StrToHexStr(def)));
  } catch (const std::exception& e) {
    RaiseWithContext(e, "TSafeIniFile.ReadHexString");
  }
}

std::string TSafeIniFile::ReadQuotedString(std::string_view section, std::string_view ident,
                                           std::string_view def, char quoteChar) {
  try {
    char q = quoteChar == 0 ? '"' : quoteChar;
    std::string s = ReadString(section, ident, def);
    if (!s.empty() && s.front() == q && s.back() == q)
      s = s.size() == 1 ? std::string() : s.substr(1, s.size() - 2);
    return s;
  } catch (const std::exception& e) {
    RaiseWithContext(e, "TSafeIniFile.ReadQuotedString");
  }
}

template <class T, class Convert>
T TSafeIniFile::ReadTyped(std::string_view section, std::string_view name, T def,
                          const char* context, Convert convert) {
  std::string text = ReadString(section, name, "");
  if (text.empty()) return def;
  try {
    return static_cast<T>(convert(text, SafeIniFiles::IniFormatSettings()));
  } catch (const EConvertError&) {
    return def;
  } catch (const std::exception& e) {
    RaiseWithContext(e, context);
  }
}

TDateTime TSafeIniFile::ReadDate(std::string_view section, std::string_view name, TDateTime def) {
  return ReadTyped(
      section, name, def, "TSafeIniFile.ReadDate",
      [](const std::string& t, const TFormatSettings& fs) { return StrToDate(t, fs); });
}

TDateTime TSafeIniFile::ReadDateTime(std::string_view section, std::string_view name,
                                     TDateTime def) {
  return ReadTyped(
      section, name, def, "TSafeIniFile.ReadDateTime",
      [](const std::string& t, const TFormatSettings& fs) { return StrToDateTime(t, fs); });
}

double TSafeIniFile::ReadFloat(std::string_view section, std::string_view name, double def) {
  return ReadTyped(
      section, name, def, "TSafeIniFile.ReadFloat",
      [](const std::string& t, const TFormatSettings& fs) { return StrToFloat(t, fs); });
}

TDateTime TSafeIniFile::ReadTime(std::string_view section, std::string_view name, TDateTime def) {
  return ReadTyped(
      section, name, def, "TSafeIniFile.ReadTime",
      [](const std::string& t, const TFormatSettings& fs) { return StrToTime(t, fs); });
}

void TSafeIniFile::WriteTyped(std::string_view section, std::string_view name, const char* context,
                              const std::string& text) {
  try {
    WriteString(section, name, text);
  } catch (const std::exception& e) {
    RaiseWithContext(e, context);
  }
}

void TSafeIniFile::WriteDate(std::string_view section, std::string_view name, TDateTime value) {
  WriteTyped(section, name, "TSafeIniFile.WriteDate",
             DateToStr(value, SafeIniFiles::IniFormatSettings()));
}

void TSafeIniFile::WriteDateTime(std::string_view section, std::string_view name, TDateTime value) {
  WriteTyped(section, name, "TSafeIniFile.WriteDateTime",
             DateTimeToStr(value, SafeIniFiles::IniFormatSettings()));
}

void TSafeIniFile::WriteFloat(std::string_view section, std::string_view name, double value) {
  WriteTyped(section, name, "TSafeIniFile.WriteFloat",
             FloatToStr(value, SafeIniFiles::IniFormatSettings()));
}

void TSafeIniFile::WriteTime(std::string_view section, std::string_view name, TDateTime value) {
  WriteTyped(section, name, "TSafeIniFile.WriteTime",
             TimeToStr(value, SafeIniFiles::IniFormatSettings()));
}

}  // namespace tv
