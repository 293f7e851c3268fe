#pragma once
// INI files: the runtime's TCustomIniFile interface, TIniFile with the
// semantics of the Windows profile functions, and the in-memory TMemIniFile.
//
// TIniFile keeps nothing in memory: every read parses the file anew and
// every write re-reads it, edits it in place (IniDocument.h) and replaces it
// atomically, under a cross-process lock of its path, so other processes see
// each change at once and never a half-written file. A missing file reads
// as empty. Values come back trimmed and without one pair of enclosing
// double quotes (single quotes are kept, so a value like 'x' survives a
// round trip); at most 65534 bytes are returned, as through the profile
// read's buffer.
//
// Write failures raise EIniFileException "Unable to write to <file>" and
// leave the Windows code in GetLastError (3 missing folder, 5 access denied,
// 112 disk full, 123 a section or key name the format cannot hold).

#include <string>
#include <string_view>
#include <vector>

#include "platform/text/DateTime.h"
#include "platform/text/FormatSettings.h"
#include "platform/text/StringList.h"

namespace tv {

class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  const std::string& FileName() const { return fileName_; }

  virtual std::string ReadString(std::string_view section, std::string_view ident,
                                 std::string_view def) = 0;
  virtual void WriteString(std::string_view section, std::string_view ident,
                           std::string_view value) = 0;
  // Decimal or "$"/"0x" hexadecimal; the default when absent or not a number.
  virtual int ReadInteger(std::string_view section, std::string_view ident, int def);
  virtual void WriteInteger(std::string_view section, std::string_view ident, int value);
  // ReadInteger != 0; written as "1" or "0".
  virtual bool ReadBool(std::string_view section, std::string_view ident, bool def);
  virtual void WriteBool(std::string_view section, std::string_view ident, bool value);
  // Bytes stored as two hexadecimal digits each; returns the byte count.
  virtual int ReadBinaryStream(std::string_view section, std::string_view name, std::string& out);
  virtual void WriteBinaryStream(std::string_view section, std::string_view name,
                                 std::string_view bytes);
  // Dates, times and numbers as texts in TypedFormatSettings(); a text that
  // does not convert (EConvertError) gives the default, other errors pass.
  virtual TDateTime ReadDate(std::string_view section, std::string_view name, TDateTime def);
  virtual TDateTime ReadDateTime(std::string_view section, std::string_view name, TDateTime def);
  virtual double ReadFloat(std::string_view section, std::string_view name, double def);
  virtual TDateTime ReadTime(std::string_view section, std::string_view name, TDateTime def);
  virtual void WriteDate(std::string_view section, std::string_view name, TDateTime value);
  virtual void WriteDateTime(std::string_view section, std::string_view name, TDateTime value);
  virtual void WriteFloat(std::string_view section, std::string_view name, double value);
  virtual void WriteTime(std::string_view section, std::string_view name, TDateTime value);
  // Key names of the section in file order (`strings` is cleared first).
  virtual void ReadSection(std::string_view section, TStringList& strings) = 0;
  virtual void ReadSections(TStringList& strings) = 0;
  // Names of the sub-sections "<section>\<name>" (the part after the "\").
  virtual void ReadSections(std::string_view section, TStringList& strings);
  // "key=value" lines, each value through ReadString.
  virtual void ReadSectionValues(std::string_view section, TStringList& strings);
  virtual void EraseSection(std::string_view section) = 0;
  virtual void DeleteKey(std::string_view section, std::string_view ident) = 0;
  virtual void UpdateFile() = 0;
  virtual bool ValueExists(std::string_view section, std::string_view ident);
  bool SectionExists(std::string_view section);

 protected:
  // The settings of the typed texts: the process's defaults here.
  virtual const TFormatSettings& TypedFormatSettings() const { return DefaultFormatSettings(); }

 private:
  std::string fileName_;
};

class TIniFile : public TCustomIniFile {
 public:
  // Nothing is read or created here.
  explicit TIniFile(std::string windowsPath) : TCustomIniFile(std::move(windowsPath)) {}

  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view def) override;
  void WriteString(std::string_view section, std::string_view ident,
                   std::string_view value) override;
  void ReadSection(std::string_view section, TStringList& strings) override;
  void ReadSections(TStringList& strings) override;
  using TCustomIniFile::ReadSections;
  void EraseSection(std::string_view section) override;
  void DeleteKey(std::string_view section, std::string_view ident) override;
  // Every change is on disk already; nothing to do.
  void UpdateFile() override {}

  // Most bytes a read returns (the profile read's buffer less its NUL).
  static constexpr std::size_t kMaxValueLength = 65534;
};

// An INI document held in memory; the file (when named) is read at creation
// and written by UpdateFile. Sections and keys keep their first-write order;
// a rewritten key keeps its place.
class TMemIniFile : public TCustomIniFile {
 public:
  explicit TMemIniFile(std::string windowsPath = {});

  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view def) override;
  void WriteString(std::string_view section, std::string_view ident,
                   std::string_view value) override;
  void ReadSection(std::string_view section, TStringList& strings) override;
  void ReadSections(TStringList& strings) override;
  using TCustomIniFile::ReadSections;
  void ReadSectionValues(std::string_view section, TStringList& strings) override;
  void EraseSection(std::string_view section) override;
  void DeleteKey(std::string_view section, std::string_view ident) override;
  // Writes the rendered text to the file; nothing when the name is empty.
  void UpdateFile() override;

  void Clear() { sections_.clear(); }
  // The document as lines: "[name]", the "key=value" lines, an empty line,
  // for each section; SetStrings parses such lines back.
  void GetStrings(TStringList& strings) const;
  void SetStrings(const TStringList& strings);

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
  };
  Section* FindSection(std::string_view name);
  void Load(std::string_view bytes);

  std::vector<Section> sections_;
};

}  // namespace tv
