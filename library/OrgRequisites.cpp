#include "library/OrgRequisites.h"

#include <array>
#include <utility>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/SafeIniFiles.h"
#include "library/HostCallbacks.h"
#include "library/ReportCreator.h"
#include "platform/text/DateTime.h"

namespace tv {

namespace {

// Keys of section "Organization" in output order, with the variable names
// where they differ ("Bank" becomes "BankName"); "INN/KPP" is inserted
// after "KPP".
constexpr std::array<std::pair<const char*, const char*>, 14> kRequisites = {{
    {"OrgName", "OrgName"},
    {"SubOrgName", "SubOrgName"},
    {"Address", "Address"},
    {"INN", "INN"},
    {"KPP", "KPP"},
    {"RSchet", "RSchet"},
    {"KSchet", "KSchet"},
    {"Bank", "BankName"},
    {"BIK", "BIK"},
    {"OKPO", "OKPO"},
    {"HeadName", "HeadName"},
    {"AccountantName", "AccountantName"},
    {"ManagerName", "ManagerName"},
    {"OperatorName", "OperatorName"},
}};

constexpr const char* kDateFormat = "dd.mm.yyyy";
constexpr const char* kTimeFormat = "hh:nn:ss";
constexpr const char* kDateTimeFormat = "dd.mm.yyyy hh:nn:ss";

// The sixteen named values in output order.
std::vector<std::pair<std::string, std::string>> NamedValues(
    const std::array<std::string, 14>& values, const std::string& station) {
  std::vector<std::pair<std::string, std::string>> out;
  out.emplace_back("AZS", station);
  for (size_t i = 0; i < kRequisites.size(); ++i) {
    out.emplace_back(kRequisites[i].second, values[i]);
    if (std::string_view(kRequisites[i].first) == "KPP")
      out.emplace_back("INN/KPP", values[3] + "/" + values[4]);
  }
  return out;
}

std::string HostText(int code, int param = 0) { return AskHost(code, param).AsString(); }

}  // namespace

void PutOrgRequisites(TRepGen* form, THTML_Jet* jet, int kkmIndex) {
  std::array<std::string, 14> values;
  {
    TSafeIniFile ini(CnfIniFileName);
    for (size_t i = 0; i < kRequisites.size(); ++i) {
      values[i] = ini.ReadString("Organization", kRequisites[i].first, "");
    }
  }
  if (form != nullptr) {
    for (const auto& [name, value] : NamedValues(values, HostText(hcStationName)))
      form->SetVar(name, value);
    form->SetVar("CurDate", FormatDateTime(kDateFormat, Now()));
    form->SetVar("CurTime", FormatDateTime(kTimeFormat, Now()));
    form->SetVar("CurDateTime", FormatDateTime(kDateTimeFormat, Now()));
  }
  if (jet != nullptr) {
    for (const auto& [name, value] : NamedValues(values, HostText(hcStationName)))
      jet->Add(name, value);
    jet->AddDateTime("CurDate", kDateFormat, Now());
    jet->AddDateTime("CurTime", kTimeFormat, Now());
    jet->AddDateTime("CurDateTime", kDateTimeFormat, Now());
  }
  if (kkmIndex < 0) return;
  if (form != nullptr) {
    const std::string model = HostText(hcKKMModel, kkmIndex);
    form->SetVar("KKMModel", model);
    const std::string num = HostText(hcKKMNum, kkmIndex);
    form->SetVar("KKMNum", num);
    const std::string regNum = HostText(hcKKMRegNum, kkmIndex);
    form->SetVar("KKMRNum", regNum);
  }
  if (jet != nullptr) {
    const std::string model = HostText(hcKKMModel, kkmIndex);
    jet->Add("KKMModel", model);
    const std::string num = HostText(hcKKMNum, kkmIndex);
    jet->Add("KKMNum", num);
    const std::string regNum = HostText(hcKKMRegNum, kkmIndex);
    jet->Add("KKMRNum", regNum);
  }
}

}  // namespace tv
