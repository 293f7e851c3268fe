#pragma once
// Shared look-ups for the built-in form tests: the forms by name and the
// sections of a form as the text-form generator reads them.

#include <string>
#include <string_view>
#include <vector>

#include "templates/FormPatterns.h"

namespace tv::test {

// The sections of a form, in form order.
enum class TSection { Head, PageHeader, GroupHeader, RepeatBody, GroupFooter, PageFooter, Tail };

// A built-in form with its lines as a vector.
struct TForm {
  std::string Name;
  std::vector<std::string> Lines;
};

// The form of that name from a list built once for the whole test run.
const TForm& Form(std::string_view name);

std::vector<std::string> LinesOf(const TStringList& lines);

// The keyword of a keyword line, upper-cased ("" for a body line).
std::string Keyword(std::string_view line);

// The section of each line of a form (keyword lines get the section they
// open; "@REPEATCOLBEG" lines the current one).
std::vector<TSection> Sections(const std::vector<std::string>& lines);

}  // namespace tv::test
