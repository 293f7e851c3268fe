// The catalogue is written the way the host has always read it: the report
// counter goes into `main` as 0 before any report section, so that `main`
// stays the second section, and is rewritten at the end; VarCnt is
// rewritten after every variable and keeps its place as the third line.
#include "library/RepVarsGSM.h"

#include "platform/text/Cp1251.h"
#include "platform/text/StringList.h"
#include "platform/SysUtils.h"

namespace tv {

TRepVarsClass::TRepVarsClass() {
  FillVarTypes();
  FillReports();
}

std::string TRepVarsClass::GetText() const {
  TStringList lines;
  Doc.GetStrings(lines);
  return lines.Text();  // every line followed by CR LF
}

void TRepVarsClass::AddVar(std::string_view section, std::string_view name,
                           std::string_view partCode, std::string_view description) {
  const int i = Doc.ReadInteger(section, "VarCnt", 0) + 1;
  const std::string number = IntToStr(i);
  Doc.WriteInteger(section, "VarCnt", i);
  Doc.WriteString(section, "v" + number, name);
  Doc.WriteString(section, "d" + number, description);
  if (!partCode.empty()) Doc.WriteString(section, "t" + number, partCode);
}

void TRepVarsClass::FillVarTypes() {
  const std::string_view section = "RepVarTypes";
  Doc.WriteString(section, "rh", "Заголовочная часть"_w);
  Doc.WriteString(section, "tab", "Расширяемая (табличная) часть"_w);
  Doc.WriteString(section, "ri", "Итоги отчета"_w);
  Doc.WriteString(section, "ti", "Итоги таблицы"_w);
  Doc.WriteString(section, "gi", "Итоги табличной группы"_w);
  Doc.WriteString(section, "gh", "Заголовок табличной группы"_w);
}

void TRepVarsClass::FillReports() {
  int count = 0;
  Doc.WriteInteger("main", "RepCount", count);
  FillCommonVars();
  const auto& sections = repvars::RepVarsSections();
  for (std::size_t k = 1; k < sections.size(); ++k) {
    ++count;
    FillReport("RepDesc" + IntToStr(count), sections[k]);
  }
  Doc.WriteInteger("main", "RepCount", count);
}

void TRepVarsClass::FillCommonVars() { FillReport("CommonVars", repvars::RepVarsSections()[0]); }

void TRepVarsClass::FillReport(const std::string& section, const repvars::TRepVarsSection& data) {
  Doc.WriteString(section, "RepName", data.Title);
  Doc.WriteString(section, "RepFileName", data.FileName);
  for (const repvars::TRepVar& var : data.Vars)
    AddVar(section, var.Name, var.PartCode, var.Description);
}

std::string ReportVarsText() {
  const TRepVarsClass catalogue;
  return catalogue.GetText();
}

}  // namespace tv
