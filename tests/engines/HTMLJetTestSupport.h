#pragma once
// Shared pieces of the HTML engine tests: template files under the test
// root, the engine's settings put back after each test, and the table
// structure check by Python's HTML parser.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engines/HTMLJet.h"
#include "platform/text/FormatSettings.h"

namespace tv::test {

// The folder of the report templates, as the builders name it.
extern const char* const kWebRepDir;  // "C:\FUEL\FORMS\WEBREP\"

// Writes a UTF-8 text as a Windows-1251 file (lines as written).
void WriteCp1251File(const std::string& windowsPath, const std::string& utf8);
// Writes raw bytes.
void WriteRawFile(const std::string& windowsPath, const std::string& bytes);

// Engine output as UTF-8 with LF line ends, for comparisons.
std::string ToUtf8Lf(const std::string& cp1251);
// UTF-8 text with LF line ends as the engine writes it (CR LF, Windows-1251).
std::string FromUtf8Crlf(const std::string& utf8);

// Saves the engine's process-wide settings and restores them on exit; sets
// the separators "," and blank so that numbers read plainly in the tests.
class JetSettingsScope {
 public:
  JetSettingsScope();
  ~JetSettingsScope();
  JetSettingsScope(const JetSettingsScope&) = delete;
  JetSettingsScope& operator=(const JetSettingsScope&) = delete;

 private:
  bool useAlt_;
  int maxSizeMB_, maxRows_;
  std::string moneyFormat_;
  bool repeatHeader_;
  TFormatSettings settings_;
};

// Saves the process-wide replacement and variable lists and restores them.
class GlobalListsScope {
 public:
  GlobalListsScope();
  ~GlobalListsScope();
  GlobalListsScope(const GlobalListsScope&) = delete;
  GlobalListsScope& operator=(const GlobalListsScope&) = delete;

 private:
  std::string replacements_, vars_;
};

struct TableCheck {
  bool ran = false;    // python3 was found and ran
  bool ok = false;     // the structure is sound
  int rows = -1;       // <tr> start tags
  std::string faults;  // what the parser found wrong
};
// Runs tests/engines/HTMLTableCheck.py on a Windows-1251 HTML text.
TableCheck CheckTables(const std::string& cp1251Html);

// The golden cases folder (tests/data/engines/html/golden).
std::filesystem::path GoldenCasesDir();
std::string ReadTextFile(const std::filesystem::path& path);

// Runs one golden case's script (rows.txt) against its templates; the
// script's checks report through GoogleTest (safe on several threads).
class GoldenRun {
 public:
  explicit GoldenRun(std::filesystem::path dir) : dir_(std::move(dir)) {}
  void InstallTemplates();  // into kWebRepDir, as Windows-1251
  void RunScript();
  bool HasJet() const { return jet_ != nullptr; }
  bool Ready() const { return ready_; }
  const std::string& Output() const { return output_; }
  void MakeReady();

 private:
  void RunLine(const std::vector<std::string>& fields);
  void Execute(const std::vector<std::string>& fields);
  void Operation(const std::vector<std::string>& fields);
  void Setting(const std::vector<std::string>& fields);

  std::filesystem::path dir_;
  std::unique_ptr<THTML_Jet> jet_;
  std::string expectedError_;
  std::string output_;
  bool ready_ = false;
};

}  // namespace tv::test
