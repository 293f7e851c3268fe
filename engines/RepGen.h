#pragma once
// The text-form generator: fills a text form (".frm") with named values into
// a fixed-width text report, such as a printed shift report with ruled
// tables.
//
// A form is Windows-1251 text in seven sections separated by keyword lines
// (RepGenForm.h): head, page header, group header, repeat body, group
// footer, page footer and tail. Body lines carry slots "~Name~" filled from
// the variables (RepGenSlots.h); "~PAGE~" is the page number.
//
// A report builder creates a TFileRepGen on a form and an output file, sets
// variables, calls PrintRepeat once per data row and EndGroup between groups,
// ends with EndReport, frees the generator (closing the file) and reads the
// finished text back with RepGen::ReadFileText. Without paging the output is:
// head, page header, then for each group its header, rows and footer, then
// the tail and the page footer. Lines end with CR LF.

#include <cstdint>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engines/RepGenForm.h"
#include "platform/text/TextHash.h"

namespace tv {

class TRepGen {
 public:
  // Reads the form `formFile` (a Windows path). `pageLength` is the number
  // of lines per page (0: no paging); `columnCount` the number of copies of
  // the form's column block (a full int: a report with hundreds of data
  // columns keeps them all, its lines simply grow; below 0 counts as 0).
  // Throws: the load failure with the context "ЗагрузкаФайлаFRM" (also for
  // an empty form); an unknown keyword (RepGenForm.h); Exception "Неверный
  // файл с формой "<form>" - слишком большая длина страницы" when the page
  // header, page footer, group header and repeat body together take
  // `pageLength` lines or more.
  TRepGen(std::string formFile, std::ostream& output, uint8_t pageLength, int columnCount);
  virtual ~TRepGen();
  TRepGen(const TRepGen&) = delete;
  TRepGen& operator=(const TRepGen&) = delete;

  // The name is upper-cased and cut to 15 characters; the last value set
  // under a name wins.
  void SetVar(std::string_view name, std::string_view value);
  void ClearVars();
  // "PAGE" (any case) gives the page number; a name never set gives "".
  virtual std::string GetVarValue(std::string_view name) const;

  // Prints the repeat body once with the current variables, after the head,
  // the page header and the group header when they are due.
  void PrintRepeat();
  // Closes the current group: its footer (the header first when no row was
  // printed in it); the next row opens a new group.
  void EndGroup();
  // Closes the open group, writes the tail and the page footer, and flushes
  // the output. A report with nothing printed still gets head, page header,
  // one (empty) group, tail and page footer. Throws EWriteError when the
  // output could not be written.
  void EndReport();

  // The form read.
  const std::string& FormFile() const { return formFile_; }

  // Repeat the open group's header at the top of each new page.
  bool RepeatGroupHeader = false;

 protected:
  std::ostream& Output;
  // Upper-cased names (at most 15 characters) and their values, set and
  // read for every row.
  std::unordered_map<std::string, std::string, TextHash, std::equal_to<>> Vars;
  std::vector<std::string> Head, Tail, GroupHeader, GroupFooter, PageHeader, PageFooter, RepeatBody;
  uint8_t PageLength;
  int32_t PageNumber = 1;
  bool GroupHeaderPending = true;
  bool NewPagePending = true;
  bool HeadPending = true;
  bool InPageFrame = false;
  bool InGroupFrame = false;
  int32_t LineOnPage = 1;

  void StartPage();
  void EndPage();
  void WriteSection(const std::vector<std::string>& section);
  void WriteGroupSection(const std::vector<std::string>& section);
  void WriteSubstituted(std::string_view templateLine);
  void WriteLine(std::string_view line);
  // Names the output in write errors.
  void SetOutputName(std::string name);

 private:
  void LoadForm(int columnCount);
  void CheckOutput();

  std::string formFile_;
  std::string outputName_;
  std::string lineBuffer_;
};

namespace repgen_detail {
// The output file of a TFileRepGen; a base so that it is opened before the
// form is read and closed after everything else.
struct OutputFile {
  OutputFile(std::string_view outFile, bool overwrite);
  std::ofstream stream;
};
}  // namespace repgen_detail

// A generator writing into a file that it owns.
class TFileRepGen : private repgen_detail::OutputFile, public TRepGen {
 public:
  // When RepGen::UseAltForms is set, the form's alternative in the same
  // folder is used if it exists: "a_" + name (Latin a), else "а_" + name
  // (Cyrillic а). The output is created anew (empty) when `overwrite` is
  // true or it does not exist, otherwise appended to. The output is created
  // before the form is read, so it exists even when the form fails.
  // Throws EFCreateError / EFOpenError for the output, then as TRepGen.
  TFileRepGen(std::string_view formFile, std::string_view outFile, bool overwrite,
              uint8_t pageLength, int columnCount);
  ~TFileRepGen() override;

  // The form actually used and the output file.
  const std::string& FormFileName() const { return FormFile(); }
  const std::string& OutFileName() const { return outFileName_; }

 private:
  std::string outFileName_;
};

namespace RepGen {

// Whether the "a_" / "а_" alternatives of the forms apply; set by the report
// dispatcher for every request.
extern bool UseAltForms;

// The file's lines, each followed by CR LF (a final line without a line
// break gets one). Throws EFOpenError when the file cannot be read.
std::string ReadFileText(std::string_view fileName);

// The alternative form that UseAltForms selects for `formFile`, or
// `formFile` itself.
std::string ResolveFormFile(std::string_view formFile);

}  // namespace RepGen

}  // namespace tv
