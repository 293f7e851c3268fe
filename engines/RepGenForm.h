#pragma once
// Reading a text form (".frm"). Keyword lines ("@" in the first column) cut
// the form into seven sections; every other line, empty ones included, is a
// body line of the current section. Body lines are expanded on the way in:
// the column repeat copies the right-hand part of a line once per data
// column, and each TAB becomes eight blanks.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The seven sections of a form, lines in form order.
struct TRepGenSections {
  std::vector<std::string> Head;         // before "@PAGE"
  std::vector<std::string> PageHeader;   // "@PAGE" .. "@GROUP"
  std::vector<std::string> GroupHeader;  // "@GROUP" .. "@REPEAT"
  std::vector<std::string> RepeatBody;   // "@REPEAT" .. "@ENDREPEAT"
  std::vector<std::string> GroupFooter;  // "@ENDREPEAT" .. "@ENDGROUP"
  std::vector<std::string> PageFooter;   // "@ENDGROUP" .. "@ENDPAGE"
  std::vector<std::string> Tail;         // after "@ENDPAGE"
};

// Takes the lines of one form in order and sorts them into sections.
//
// Keywords are matched without regard to case. "PAGE", "GROUP", "REPEAT",
// "ENDREPEAT", "ENDGROUP" and "ENDPAGE" each move on only from the section
// before them; one that stands anywhere else ends the form silently (that
// line and every later one are ignored). "REM" lines are dropped.
// "REPEATCOLBEG <column>" turns the column repeat on, "REPEATCOLEND" off.
class TRepGenFormReader {
 public:
  // `formFileName` names the form in messages; `columnCount` is the number
  // of copies the column repeat makes (0 drops the right-hand part).
  TRepGenFormReader(std::string formFileName, int columnCount);

  // Throws Exception "Ошибка формы "<form>" - ключевое слово "<KEYWORD>" не
  // найдено" for a keyword outside the table (an "@" line with nothing after
  // it included).
  void AddLine(std::string_view line);

  const TRepGenSections& Sections() const { return sections_; }
  TRepGenSections TakeSections() { return std::move(sections_); }

 private:
  enum class Section { Head, PageHeader, GroupHeader, RepeatBody, GroupFooter, PageFooter, Tail };

  void HandleKeyword(std::string_view line);
  void Advance(Section from, Section to);
  void ReadColumnStart(std::string_view line);
  std::string ExpandColumns(std::string_view line) const;
  std::vector<std::string>& Current();

  std::string formFileName_;
  int columnCount_;
  TRepGenSections sections_;
  Section section_ = Section::Head;
  bool stopped_ = false;
  bool columnRepeat_ = false;
  int columnStart_ = 1;
};

}  // namespace tv
