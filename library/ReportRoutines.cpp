#include "library/ReportRoutines.h"

#include <atomic>
#include <memory>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "foundation/SafeIniFiles.h"
#include "foundation/XMUtils.h"
#include "library/HostCallbacks.h"
#include "library/IBSource.h"
#include "library/ReportCreator.h"
#include "library/ReportsInterface.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/text/Format.h"
#include "platform/os/Paths.h"
#include "platform/os/SysInfo.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"

namespace tv {

namespace {

std::atomic<int64_t> ProviderCounter{0};

}  // namespace

bool UseNBForms() {
  if (HostCallback == nullptr) return false;
  try {
    return AskHost(hcUseNBForms).AsBoolean();
  } catch (const std::exception&) {
    return false;
  }
}

std::string GetWebFormFileName(const std::string& fileName) {
  const std::string folder = ExtractFilePath(fileName);
  if (folder.empty()) {
    const std::string nb = "C:\\FUEL\\FORMS\\WEBREPNB\\" + fileName;
    if (UseNBForms() && FileExists(nb)) return nb;
    return "C:\\FUEL\\FORMS\\WEBREP\\" + fileName;
  }
  const std::string nb = ExcludeTrailingPathDelimiter(folder) + "NB\\" + ExtractFileName(fileName);
  if (UseNBForms() && FileExists(nb)) return nb;
  return fileName;
}

void MakeVidOplSelection(const Variant& codes, Variant& result) {
  if (codes.IsEmpty()) return;
  Variant selection = VarArrayCreate({0, VidOplCount - 1}, VarType::Integer);
  for (int i = 0; i < VidOplCount; ++i) {
    selection[i] = Variant(0);
    const Variant code(VidOplArray.At(i, 1).AsInteger());
    for (int k = codes.LowBound(1); k <= codes.HighBound(1); ++k) {
      if (VarEquals(codes[k], code)) {
        selection[i] = Variant(1);
        break;
      }
    }
  }
  result = std::move(selection);
}

void FillClientDataSet(TDataSetSource& source, TClientDataSet& target) {
  try {
    const int64_t n = ++ProviderCounter;
    const std::string name =
        Format("RepCreatorProvider_%.0f_%.0f",
               {static_cast<long double>(n), static_cast<long double>(GetTickCount())});
    TDataSetProvider provider(name, source);
    target.SetProviderName(name);
    target.Open();
  } catch (const std::exception& e) {
    MakeContextException(e, "ЗаполнениеКлиентДатаСета"_w)->Raise();
  }
}

void FillClientDataSet(TIBDataSet& source, TClientDataSet& target) {
  TIBSource adapter(source);
  FillClientDataSet(adapter, target);
}

bool HasVidOplContractors(TReportCreator& creator) {
  std::unique_ptr<TIBDataSet> query(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  query->SelectSQL().SetText(
      "SELECT c.CONTR_ID AS ID, c.NAME, ct.PARAM1 AS VIDOPL FROM CONTRAGENT c LEFT JOIN "
      "CONTRAGENTTYPE ct ON ct.CONTR_ID = c.CONTR_ID WHERE (ct.CTYPE=1) AND (ct.PARAM1 - "
      "ct.PARAM1 / 100 * 100 = 4) ORDER BY c.NAME");
  query->Open();
  return !query->Eof();
}

namespace {

void ReadTradeOfficeDepartments(TStringList& list) {
  const std::string station = Trim(AskHost(hcStationName).AsString());
  if (station.empty()) return;
  TSafeIniFile ini("C:\\FUEL\\TradeOfficeDepartments.ini");
  ini.ReadSectionValues(station, list);
  const int own = list.IndexOfName("БД АЗС"_w);
  if (own >= 0) list.Delete(own);
  for (int i = 0; i < list.Count(); ++i) {
    const size_t tab = list[i].rfind('\t');
    if (tab != std::string::npos) list.SetString(i, list[i].substr(0, tab));
  }
}

}  // namespace

void FillTovarDepList(TStringList& list, bool tradeOffice) {
  try {
    list.Clear();
    if (tradeOffice) {
      ReadTradeOfficeDepartments(list);
    } else if (FileExists("C:\\FUEL\\Departments.txt")) {
      list.LoadFromFile("C:\\FUEL\\Departments.txt");
    }
    for (int i = list.Count() - 1; i >= 0; --i) {
      if (list[i].find("##") != std::string::npos || !DirectoryExists(list.ValueFromIndex(i)))
        list.Delete(i);
    }
    for (int i = 0; i < list.Count(); ++i) list.SetString(i, ExcludeTrailingPathDelimiter(list[i]));
    const int general = list.IndexOf("Общий учёт=C:\\FUEL\\GENERALDB"_w);
    if (general >= 0) list.Delete(general);
  } catch (const std::exception& e) {
    ReportsLogger().Log("FillTovarDepList -> " + ExceptionMessage(e), 2);
  }
}

bool GetOfficeReportsType(bool useIni) {
  if (!useIni) {
    const Variant answer = AskHost(hcAltForms);
    return HTMLJet::UseAltTemplates && answer.AsBoolean();
  }
  if (!HTMLJet::UseAltTemplates) return false;
  TSafeIniFile ini(CnfIniPath());
  return ini.ReadBool("Misc", "OfficeReportsType", false);
}

bool IsOfficeReportsType() { return GetOfficeReportsType(OfficeHost); }

int ReadVOMimo() {
  TSafeIniFile ini(CnfIniPath());
  return ini.ReadInteger("Misc", "VOMimo", -1);
}

}  // namespace tv
