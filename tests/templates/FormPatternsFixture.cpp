#include "tests/templates/FormPatternsFixture.h"

#include <stdexcept>

#include "platform/text/Cp1251.h"

namespace tv::test {

std::vector<std::string> LinesOf(const TStringList& lines) {
  std::vector<std::string> out;
  for (int i = 0; i < lines.Count(); ++i) out.push_back(lines[i]);
  return out;
}

const TForm& Form(std::string_view name) {
  static const std::vector<TForm> forms = [] {
    FormPatterns::CreatePatterns();
    std::vector<TForm> out;
    for (const FormPatterns::TPatternCell* cell : *FormPatterns::Patterns)
      out.push_back({(*cell)->Name, LinesOf((*cell)->Lines)});
    return out;
  }();
  for (const TForm& form : forms)
    if (form.Name == name) return form;
  throw std::runtime_error("no built-in form " + std::string(name));
}

std::string Keyword(std::string_view line) {
  if (line.empty() || line[0] != '@') return {};
  std::size_t end = line.find_first_of(" \t;", 1);
  return AnsiUpperCase(line.substr(1, end == std::string_view::npos ? end : end - 1));
}

std::vector<TSection> Sections(const std::vector<std::string>& lines) {
  std::vector<TSection> out;
  TSection current = TSection::Head;
  for (const std::string& line : lines) {
    const std::string k = Keyword(line);
    if (k == "PAGE") current = TSection::PageHeader;
    if (k == "GROUP") current = TSection::GroupHeader;
    if (k == "REPEAT") current = TSection::RepeatBody;
    if (k == "ENDREPEAT") current = TSection::GroupFooter;
    if (k == "ENDGROUP") current = TSection::PageFooter;
    if (k == "ENDPAGE") current = TSection::Tail;
    out.push_back(current);
  }
  return out;
}

}  // namespace tv::test
