#pragma once
// TSafeIniFile: the INI file of the whole library. On top of TIniFile it
// runs every operation under a machine-wide mutex named after the file's
// path (several station processes share one file), stores values of any
// length and with line breaks (chunks under companion keys with a count and
// a check hash, line feeds escaped), and prepends the operation's name to
// every failure ("TSafeIniFile.ReadString -> ...").
//
// Stored form of a value V under Ident: V without CR, each LF written as
// "<@\n@>", cut into chunks of at most 65532 characters (an escape is never
// split); a chunk starting or ending with a character <= ' ' or '"' is
// written in double quotes. Chunk 1 goes under Ident; with two or more
// chunks follow Ident__$Count (the number of chunks), Ident__$Hash (StrHash
// of chunk 1, signed decimal) and Ident__$Line2 .. Ident__$LineN.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/os/IniFile.h"
#include "platform/os/NamedMutex.h"

namespace tv {

namespace SafeIniFiles {

inline constexpr uint32_t WriteTimeoutMs = 1000;  // retry time of a failing write
inline constexpr bool PlainModeDefault = false;
inline constexpr bool CheckValueHash = true;
// A file that cannot be locked is never read or written unlocked: a failure
// to create its mutex is raised.
inline constexpr bool RaiseOnMutexError = true;

// Prefix + the file name lower-cased, "\\" collapsed to "\", and each of
// " * / : < > ? \ | replaced by "_": "C:\Windows\cnf.INI" gives
// prefix + "c__windows_cnf.ini".
std::string MakeMutexName(std::string_view prefix, std::string_view fileName);
// Opens the mutex "Global\" + name, else name. When neither works, raises
// Exception "Error CreateMutex: " + the system's text (RaiseOnMutexError).
std::unique_ptr<NamedMutex> CreateGlobalMutex(const std::string& name);
// h := h + b; h := h - rotl(h, 13) for every byte, modulo 2^32.
uint32_t StrHash(std::string_view text);
// Two upper-case hexadecimal digits per byte.
std::string StrToHexStr(std::string_view text);
// Pairs of hexadecimal digits back to bytes; a bad pair gives "?", a
// trailing odd character is ignored.
std::string HexStrToStr(std::string_view text);
// A new exception of E's class with the message Context + " -> " + E's.
std::unique_ptr<Exception> MakeContextException(const std::exception& e, std::string_view context);
// The fixed texts of typed values: "dd.mm.yyyy", "hh:nn:ss.zzzz" (three
// digits of milliseconds), "." between date parts, ":" between time parts,
// "." as decimal separator; otherwise the process's defaults.
const TFormatSettings& IniFormatSettings();

}  // namespace SafeIniFiles

class TSafeIniFile : public TIniFile {
 public:
  // Makes the file's mutex (raises when it cannot); reads nothing.
  explicit TSafeIniFile(std::string fileName);
  ~TSafeIniFile() override;

  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view def) override;
  void WriteString(std::string_view section, std::string_view ident,
                   std::string_view value) override;
  void ReadSection(std::string_view section, TStringList& strings) override;
  void ReadSections(TStringList& strings) override;
  using TIniFile::ReadSections;
  void ReadSectionValues(std::string_view section, TStringList& strings) override;
  void EraseSection(std::string_view section) override;
  void DeleteKey(std::string_view section, std::string_view ident) override;
  void UpdateFile() override;
  // Typed values in IniFormatSettings; an unconvertible text gives Default.
  TDateTime ReadDate(std::string_view section, std::string_view name, TDateTime def) override;
  TDateTime ReadDateTime(std::string_view section, std::string_view name, TDateTime def) override;
  double ReadFloat(std::string_view section, std::string_view name, double def) override;
  TDateTime ReadTime(std::string_view section, std::string_view name, TDateTime def) override;
  void WriteDate(std::string_view section, std::string_view name, TDateTime value) override;
  void WriteDateTime(std::string_view section, std::string_view name, TDateTime value) override;
  void WriteFloat(std::string_view section, std::string_view name, double value) override;
  void WriteTime(std::string_view section, std::string_view name, TDateTime value) override;

  // A value stored as hexadecimal digits, decoded; Default when absent.
  std::string ReadHexString(std::string_view section, std::string_view ident, std::string_view def);
  // ReadString, then one pair of QuoteChar at both ends removed (0 means
  // the double quote).
  std::string ReadQuotedString(std::string_view section, std::string_view ident,
                               std::string_view def, char quoteChar = 0);

  // Waits without time-out for the file's mutex / releases it; both do
  // nothing without a mutex. Re-entrant for the owning thread. Lock raises
  // EOSError when the wait fails (the file is then not touched).
  void Lock();
  void Unlock();

  bool AutoFlush = false;
  bool PlainMode = SafeIniFiles::PlainModeDefault;
  NamedMutex* MutexHandle() const { return mutex_.get(); }

  // The stored chunks of a value (unquoted, escapes in place).
  static std::vector<std::string> SplitValue(std::string_view value);

 protected:
  const TFormatSettings& TypedFormatSettings() const override {
    return SafeIniFiles::IniFormatSettings();
  }

 private:
  class Guard;
  template <class T, class Convert>
  T ReadTyped(std::string_view section, std::string_view name, T def, const char* context,
              Convert convert);
  void WriteTyped(std::string_view section, std::string_view name, const char* context,
                  const std::string& text);
  std::string ReadRawValue(std::string_view section, std::string_view key, std::string_view def,
                           uint32_t* hash);
  void WriteWithRetry(std::string_view section, std::string_view key, std::string_view text);
  void DeleteMultiLineKey(std::string_view section, std::string_view ident, bool alsoIdent);
  void Flush();
  void CheckSection(std::string_view section) const;
  void CheckIdent(std::string_view ident) const;

  std::unique_ptr<NamedMutex> mutex_;
};

}  // namespace tv
