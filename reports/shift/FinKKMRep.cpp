#include "reports/shift/FinKKMRep.h"

#include <algorithm>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "foundation/XMUtils.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"

namespace tv {

namespace {

constexpr const char* kStampFormat = "dd.mm.yyyy hh:nn:ss";

// The period's bounds as SQL literals.
std::string DBTime(TDateTime t) { return QuotedStr(DateTimeToDBStr(true, t)); }

}  // namespace

void TKKMVOSumList::Add(const std::string& key, Currency liters, Currency money) {
  auto [it, added] = index_.emplace(key, items_.size());
  if (added) items_.emplace_back(key, TKKMVOSum{});
  TKKMVOSum& sum = items_[it->second].second;
  sum.Liters += liters;
  sum.Money += money;
}

void TKKMVOSumList::Clear() {
  items_.clear();
  index_.clear();
}

TKKMVOSumList& TKKMFuelList::Fuel(const std::string& name) {
  auto [it, added] = index_.emplace(name, items_.size());
  if (added) items_.emplace_back(name, TKKMVOSumList());
  return items_[it->second].second;
}

TFinKKMRep::~TFinKKMRep() {
  jet_.reset();
  for (TDepartment& dep : departments_) {
    try {
      FBUtils::FreeDatabase(dep.Db);
    } catch (const std::exception& e) {
      ReportsLogger().Log("Фин. отчет по кассам -> "_w + ExceptionMessage(e), 2);
    }
  }
}

int TFinKKMRep::GetRepType(const std::string& repType) const {
  if (TovarPath.empty()) return 0;
  const std::string value = AnsiLowerCase(repType);
  if (value == "1") return 0;
  if (value == "2a") return 1;
  if (value == "2b") return 2;
  if (value == "2c") return 3;
  if (value == "2d") return 4;
  return 5;
}

void TFinKKMRep::BuildReport() {
  jet_ = std::make_unique<THTML_Jet>(GetWebFormFileName(HtmlName), false, 0);
  jet_->Init();
  variant_ = GetRepType(jet_->Params().Values("RepType"));
  ShowNames = jet_->Params().Values("ShowNames") == "1";
  jet_->AddDateTime("DataTime", kStampFormat, Now());
  if (BegTime != 0) jet_->AddDateTime("BDate", kStampFormat, BegTime);
  if (EndTime != 0) jet_->AddDateTime("EDate", kStampFormat, EndTime);
  ReadShiftCopies();
  if (variant_ != 0) ConnectDepartments();
  TRegisterList registers;
  CollectDepartmentRegisters(registers);
  CollectStationRegisters(registers);
  // Sorted as text: register 10 comes before register 2.
  std::sort(registers.Items.begin(), registers.Items.end());
  for (const std::string& reg : registers.Items) ProcessKKMData(StrToInt(reg));
  for (int n = 0; n < 7; ++n) {
    const TKKMVOSum& sum = grandTypes_[static_cast<std::size_t>(n)];
    jet_->AddOutItogFloat("ITypeL" + IntToStr(n), "%.2n", static_cast<double>(sum.Liters));
    jet_->AddOutItogFloat("IType" + IntToStr(n), HTMLJet::MoneyFormat,
                          static_cast<double>(sum.Money));
  }
  for (const auto& [key, sum] : grandList_.Items()) {
    jet_->AddOutItogFloat("IL" + key, "%.2n", static_cast<double>(sum.Liters));
    jet_->AddOutItogFloat("IS" + key, HTMLJet::MoneyFormat, static_cast<double>(sum.Money));
  }
  jet_->EndDoc();
  std::string ready;
  jet_->GetReady(ready);
  Html += ready;
}

// The shifts and the check types of their payment types, read once. The
// open shift has no end yet: its receipts run until now.
void TFinKKMRep::ReadShiftCopies() {
  shifts_.clear();
  if (ShiftLog != nullptr && ShiftLog->Active()) {
    TMemField num = ShiftLog->FieldByName("SmNum");
    TMemField beg = ShiftLog->FieldByName("BegTime");
    TMemField end = ShiftLog->FieldByName("EndTime");
    for (ShiftLog->First(); !ShiftLog->Eof(); ShiftLog->Next()) {
      const TDateTime b = beg.AsDateTime();
      // Before the first shift: any moment earlier than its begin.
      const TDateTime after = shifts_.empty() ? b - 1 : shifts_.back().End;
      shifts_.push_back({num.AsInteger(), b, end.IsNull() ? Now() : end.AsDateTime(), after});
    }
  }
  checkTypes_.clear();
  if (ShiftPayTypes != nullptr && ShiftPayTypes->Active()) {
    TMemField num = ShiftPayTypes->FieldByName("SmNum");
    TMemField vo = ShiftPayTypes->FieldByName("VidOpl");
    TMemField type = ShiftPayTypes->FieldByName("CheckType");
    // The first row of a shift and payment type gives its check type.
    for (ShiftPayTypes->First(); !ShiftPayTypes->Eof(); ShiftPayTypes->Next())
      if (!num.IsNull() && !vo.IsNull())
        checkTypes_.emplace(ShiftVOKey(num.AsInteger(), vo.AsInteger()), type.AsInteger());
  }
}

void TFinKKMRep::ConnectDepartments() {
  // Folders are compared without letter case and without a trailing
  // delimiter, which the department list and TovarPath may differ in.
  const std::string own = AnsiLowerCase(ExcludeTrailingPathDelimiter(TovarPath));
  for (int i = 0; i < DepList.Count(); ++i) {
    const std::string folder = ExcludeTrailingPathDelimiter(DepList.ValueFromIndex(i));
    if ((variant_ == 2 || variant_ == 3) && AnsiLowerCase(folder) != own) continue;
    const std::string file = folder + "\\" + ExtractFileName(folder) + ".FDB";
    try {
      TDepartment dep{DepList.Names(i), i, nullptr, false};
      dep.Db = FBUtils::CreateDatabase(file, FBUtils::GetFBPassword(), FBUtils::GetFBPort(), true,
                                       nullptr, "SYSDBA", "127.0.0.1", true,
                                       "TovarDB" + IntToStr(i + 1), "WIN1251");
      departments_.push_back(std::move(dep));
    } catch (const std::exception& e) {
      ReportsLogger().Log(Format("Фин. отчет по кассам -> Подключение к тов. отделу \"%s\" -> %s"_w,
                                 {file, ExceptionMessage(e)}),
                          2);
    }
  }
}

// A register list of the period: its bounds quoted into the statement and
// "#KKM#" replaced by the register-line column.
void TFinKKMRep::OpenRegisterList(TIBDataSet& q, const char* sql, const std::string& kkm) {
  q.SelectSQL().SetText(
      StringReplace(Format(sql, {DBTime(BegTime), DBTime(EndTime)}), "#KKM#", kkm, rfReplaceAll));
  q.Open();
}

void TFinKKMRep::CollectDepartmentRegisters(TRegisterList& registers) {
  for (TDepartment& dep : departments_) {
    std::unique_ptr<TIBDataSet> q(
        FBUtils::FBCreateDataSetForRead(dep.Db, true, nullptr, nullptr, "KKMTovar"));
    dep.HasKKMNum = FBUtils::HasColumn(dep.Db, "DOCUMENTS", "KKMNUM");
    const bool kkmNum = dep.HasKKMNum;
    OpenRegisterList(*q,
                     "SELECT DISTINCT ClientNum #KKM# FROM DOCUMENTS WHERE (ClientNum IS NOT NULL) "
                     "AND (DATA BETWEEN %s AND %s) AND (\"TYPE\" IN (2,3))",
                     kkmNum ? ", COALESCE(KKMNUM, 1) AS KKMNUM" : ", 1 AS KKMNUM");
    for (; !q->Eof(); q->Next()) {
      const std::string reg = q->Fields(0).AsString();
      registers.Add(reg);
      std::vector<std::string>& nums = depKeys_[dep.Name + "#" + reg];
      const std::string num = q->FieldByName("KKMNUM").AsString();
      bool known = false;
      for (const std::string& n : nums) known = known || n == num;
      if (!known) nums.push_back(num);
    }
  }
}

void TFinKKMRep::CollectStationRegisters(TRegisterList& registers) {
  std::unique_ptr<TIBDataSet> q(
      FBUtils::FBCreateDataSetForRead(Creator->Database, true, nullptr, nullptr, "FinGSM"));
  const std::vector<bool> has = FBUtils::HasColumns(Creator->Database, "BCHECK", {"KA", "KKM"});
  HasKA = has[0];
  HasKKMColumn = has[1];
  OpenRegisterList(*q,
                   "SELECT DISTINCT Client #KKM# FROM BCheck\r\nWHERE Client IS NOT NULL AND DATA "
                   "BETWEEN %s AND %s",
                   HasKKMColumn ? ", COALESCE(KKM,0) AS KKM" : ", 0 AS KKM");
  for (; !q->Eof(); q->Next()) {
    const std::string reg = q->Fields(0).AsString();
    registers.Add(reg);
    const int kkm = q->FieldByName("KKM").AsInteger();
    if (kkm == 1) HasKKM1 = true;
    if (kkm != 0 && kkm != 1) HasKKM2 = true;  // line 2 and beyond share the third row
  }
}

namespace FinKKMUnit {

void GetFinKKMReport(TReportCreator& creator, const TRxMemoryData& shiftLog,
                     const TRxMemoryData& shiftPayTypes, bool officeMode, TDateTime begTime,
                     TDateTime endTime, const std::string& tovarPath, const std::string& tempFile,
                     const TStringList& depList, const std::string& /*formName*/,
                     const std::string& htmlName, std::string& html, std::string& errorText) {
  try {
    TFinKKMRep rep;
    try {
      // The report reads the copies row by row, moving their cursors only.
      rep.ShiftLog = const_cast<TRxMemoryData*>(&shiftLog);
      rep.ShiftPayTypes = const_cast<TRxMemoryData*>(&shiftPayTypes);
      rep.Creator = &creator;
      rep.OfficeMode = officeMode;
      rep.BegTime = begTime;
      rep.EndTime = endTime;
      rep.TovarPath = tovarPath;
      rep.TempFile = tempFile;
      rep.DepList.Assign(depList);
      rep.HtmlName = htmlName;
      rep.BuildReport();
    } catch (const std::exception& e) {
      errorText = "Ошибка при формировании финансового отчета по кассам: "_w + ExceptionMessage(e);
      ReportsLogger().Log(errorText, 2);
      rep.Html += "<br><br>" + errorText + "<br><br>";
    }
    html = rep.Html;
  } catch (const std::exception& e) {
    errorText = "Ошибка при формировании финансового отчета по кассам: "_w + ExceptionMessage(e);
    html += "<br><br>" + errorText + "<br><br>";
  } catch (...) {
    errorText = "Ошибка при формировании финансового отчета по кассам"_w;
  }
}

}  // namespace FinKKMUnit

}  // namespace tv
