#include "reports/shift/BonusReport.h"

#include <memory>
#include <unordered_set>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "library/HostCallbacks.h"
#include "library/IBSource.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "library/ReportsInterface.h"
#include "library/TempReportFile.h"
#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/text/Format.h"
#include "platform/data/MemoryData.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/shift/BonusReportBody.h"

namespace tv {

namespace {

constexpr const char* kTimeFormat = "dd.mm.yyyy hh:nn";

// The rows of a data set (database or memory) as bonus rows; with
// `dropKA`, rows whose KA is 1 are left out.
template <class DataSet>
void ReadBonusRows(DataSet& ds, std::vector<TBonusRow>& rows, bool dropKA = false) {
  decltype(auto) vidOpl = ds.FieldByName("VidOpl");
  decltype(auto) sub = ds.FieldByName("SubVidOpl");
  decltype(auto) gsm = ds.FieldByName("GSM");
  decltype(auto) porog = ds.FieldByName("Porog");
  decltype(auto) name = ds.FieldByName("NameBonus");
  decltype(auto) price = ds.FieldByName("Price");
  decltype(auto) prodano = ds.FieldByName("ProdanoL");
  decltype(auto) bonus = ds.FieldByName("BonusL");
  decltype(auto) summa = ds.FieldByName("Summa");
  const int ka = dropKA ? ds.FieldByName("KA").Index() : -1;
  for (ds.First(); !ds.Eof(); ds.Next()) {
    if (ka >= 0 && ds.Fields(ka).AsInteger() == 1) continue;
    TBonusRow r;
    r.Code = vidOpl.AsString();
    r.SubVidOpl = Trim(sub.AsString());
    r.GSM = Trim(gsm.AsString());
    r.NameBonus = name.AsString();
    r.Porog = porog.AsFloat();
    r.Price = price.AsFloat();
    r.ProdanoL = prodano.AsFloat();
    r.BonusL = bonus.AsFloat();
    r.Summa = summa.AsFloat();
    rows.push_back(std::move(r));
  }
}

bool IsFlagSet(const Variant& v) {
  try {
    return VarEquals(v, Variant(1));
  } catch (const std::exception&) {
    return false;  // a flag that is no number selects nothing
  }
}

class TBonusReport {
 public:
  TBonusReport(TReportCreator& creator, int from, int to)
      : creator_(creator), from_(from), to_(to) {}
  // The request's switches.
  bool NullStr = false, ShowGSMItog = false, ShowSubItog = false, AllVO = false;
  Variant PayTypes, PayCodes;

  void Run(std::string& text);

 private:
  void OpenData();  // BonusRepOpenData
  void OpenClosedShifts(TIBDataSet& log);
  void OpenOpenShift(TIBDataSet& log);
  void ReadSummedRows();
  void FillGroups();
  void FillLists();
  void SetHeader(const std::string& name, const std::string& value);
  void SetHeaderTime(const std::string& name, TDateTime value);

  TReportCreator& creator_;
  int from_, to_;
  std::unique_ptr<TFileRepGen> form_;
  std::unique_ptr<THTML_Jet> jet_;
  std::vector<TBonusRow> rows_;
  TStringList groups_, fuels_, subs_;
};

void TBonusReport::Run(std::string& text) {
  TTempReportFile out;
  form_ =
      std::make_unique<TFileRepGen>("C:\\FUEL\\FORMS\\REPORT\\Bonus.frm", out.Name(), false, 0, 0);
  jet_ = std::make_unique<THTML_Jet>(GetWebFormFileName("Отчет по бонусам и скидкам.html"_w));
  jet_->Init();
  PutOrgRequisites(form_.get(), jet_.get(), -1);
  form_->ClearVars();  // the requisites stay in the HTML version only
  OpenData();
  MakeVidOplSelection(PayCodes, PayTypes);
  FillGroups();
  FillLists();
  BonusRepWriteBody(
      {*form_, *jet_, rows_, groups_, fuels_, subs_, NullStr, ShowGSMItog, ShowSubItog});
  form_->EndReport();
  jet_->EndDoc();
  jet_->GetReady(LastHTMLReport);
  form_.reset();
  jet_.reset();
  text = out.ReadText();
}

void TBonusReport::SetHeader(const std::string& name, const std::string& value) {
  form_->SetVar(name, value);
  jet_->Add(name, value);
}

void TBonusReport::SetHeaderTime(const std::string& name, TDateTime value) {
  form_->SetVar(name, FormatDateTime(kTimeFormat, value));
  jet_->AddDateTime(name, kTimeFormat, value);
}

void TBonusReport::OpenData() {
  if (from_ == to_) {
    form_->SetVar("SmNum", Format("%3.0d", {from_}));
    jet_->AddInteger("SmNum", from_);
  } else {
    const std::string range = Format("%3.0d", {from_}) + " - " + Format("%3.0d", {to_});
    SetHeader("SmNum", range);
  }
  std::unique_ptr<TIBDataSet> log(
      FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, "SmLog"));
  log->SelectSQL().SetText("SELECT * FROM SMLOG");
  log->Open();
  if (log->Locate("SmNum", Variant(from_))) {
    OpenClosedShifts(*log);
  } else if (AskHost(hcSmenaNum).AsInteger() == from_) {
    OpenOpenShift(*log);
  }
  // A range that is neither closed nor open keeps its header alone.
}

void TBonusReport::OpenClosedShifts(TIBDataSet& log) {
  SetHeaderTime("BegTime", log.FieldByName("BegTime").AsDateTime());
  if (from_ == to_) {
    SetHeaderTime("EndTime", log.FieldByName("EndTime").AsDateTime());
    for (const char* name : {"Operator", "Operator2", "Operator3"})
      SetHeader(name, log.FieldByName(name).AsString());
  } else if (log.Locate("SmNum", Variant(to_))) {
    SetHeaderTime("EndTime", log.FieldByName("EndTime").AsDateTime());
  }
  ReadSummedRows();
}

void TBonusReport::ReadSummedRows() {
  std::unique_ptr<TIBDataSet> q(
      FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, "Bonus"));
  TSQLStrings& sql = q->SelectSQL();
  sql.Add(
      "SELECT Sum(SmenaNum) AS SmenaNum, VidOpl, SubVidOpl, GSM, Porog, NameBonus, Price, "
      "Sum(ProdanoL) AS ProdanoL,");
  sql.Add("Sum(BonusL) AS BonusL, Sum(Summa) AS Summa FROM Bonus");
  sql.Add("WHERE SmenaNum BETWEEN :pBegSm AND :pEndSm");
  // Rows of the office's own sales (KA 1) only in the office's variant.
  // Rows stored before the column existed hold NULL there, and a database
  // of an older schema has no such column at all: station sales either way.
  const bool ownSalesOnly =
      !GetOfficeReportsType(false) && FBUtils::HasColumn(creator_.Database, "BONUS", "KA");
  sql.Add(ownSalesOnly ? "AND COALESCE(KA, 0) = 0" : "");
  sql.Add("GROUP BY VidOpl, SubVidOpl, GSM, Porog, NameBonus, Price");
  q->ParamByName("pBegSm").SetAsInteger(from_);
  q->ParamByName("pEndSm").SetAsInteger(to_);
  q->SetUniDirectional(true);
  q->Open();
  ReadBonusRows(*q, rows_);
}

void TBonusReport::OpenOpenShift(TIBDataSet& log) {
  SetHeader("Operator", AskHost(hcOperator).AsString());
  SetHeaderTime("BegTime", AskHost(hcSmenaBegTime).AsDateTime());
  form_->SetVar("EndTime", "не закрыта"_w);
  jet_->AddDateTime("EndTime", "не закрыта"_w, -1);
  SetHeader("Operator2", AskHost(hcOperator2).AsString());
  SetHeader("Operator3", AskHost(hcOperator3).AsString());
  if (HostFillDataProc == nullptr) return;
  TRxMemoryData logCopy("SmLog");
  CopyTableStructure(log, logCopy);
  TRxMemoryData bonus("Bonus");
  {
    std::unique_ptr<TIBDataSet> structure(
        FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, "Bonus"));
    structure->SelectSQL().SetText("SELECT * FROM BONUS");
    CopyTableStructure(*structure, bonus);
  }
  FillHostData(fdSmLog, logCopy);
  FillHostData(fdBonus, bonus);
  // The office's own sales (KA 1) are left out unless the office's variant
  // applies.
  const bool dropKA = bonus.FindField("KA") >= 0 && !GetOfficeReportsType(false);
  ReadBonusRows(bonus, rows_, dropKA);
}

void TBonusReport::FillGroups() {
  std::unordered_set<std::string> codes;
  auto add = [&](const std::string& code, const std::string& name) {
    if (codes.insert(code).second) groups_.Add(code + "=" + name);
  };
  const bool empty = PayTypes.IsEmpty() || PayTypes.IsNull() ||
                     (PayTypes.IsArray() && PayTypes.HighBound(1) < PayTypes.LowBound(1));
  if (empty || AllVO) {
    for (int i = 0; i < VidOplCount; ++i)
      add(VidOplArray.At(i, 1).AsString(), VidOplArray.At(i, 0).AsString());
    for (const TBonusRow& r : rows_) {
      if (codes.count(r.Code) != 0) continue;
      std::string name = Trim(groups_.Values(IntToStr(StrToIntDef(r.Code, 0) % 100)));
      if (name.empty()) name = "Неизвестный"_w;
      add(r.Code, Format("%s (%s)", {name, r.Code}));
    }
    return;
  }
  if (!PayTypes.IsArray())
    throw Exception(Format("Выбор видов оплаты должен быть массивом, получено значение типа %s"_w,
                           {VarTypeAsText(PayTypes.Type())}));
  // Element low + i flags row i; a shorter array leaves the rest unselected.
  const int low = PayTypes.LowBound(1);
  const int high = PayTypes.HighBound(1);
  for (int i = 0; i < VidOplCount && low + i <= high; ++i)
    if (IsFlagSet(PayTypes[low + i]))
      add(VidOplArray.At(i, 1).AsString(), VidOplArray.At(i, 0).AsString());
}

void TBonusReport::FillLists() {
  for (TStringList* list : {&fuels_, &subs_}) {
    list->SetSorted(true);
    list->SetDuplicates(TStringList::dupIgnore);
  }
  std::unordered_set<std::string> seenFuels, seenSubs;
  for (const TBonusRow& r : rows_) {
    if (seenFuels.insert(r.GSM).second) fuels_.Add(r.GSM);
    if (seenSubs.insert(r.SubVidOpl).second) subs_.Add(r.SubVidOpl);
  }
}

// Payment-type codes must be numbers: a text among them would otherwise
// fail deep in the comparison, with no word on which element it was.
void CheckPayCodes(const Variant& payCodes) {
  if (payCodes.IsEmpty()) return;
  if (!payCodes.IsArray())
    throw Exception(Format("Коды видов оплаты должны быть массивом, получено значение типа %s"_w,
                           {VarTypeAsText(payCodes.Type())}));
  for (int k = payCodes.LowBound(1); k <= payCodes.HighBound(1); ++k) {
    int code = 0;
    const Variant& v = payCodes[k];
    if (v.IsArray() || v.IsNull() || !TryStrToInt(Trim(VarToStr(v)), code))
      throw Exception(
          Format("Код вида оплаты \"%s\" (элемент %d) не является числом"_w, {VarToStr(v), k}));
  }
}

}  // namespace

void BuildBonusReport(TReportCreator& creator, int shiftFrom, const Variant& payTypes, bool nullStr,
                      int shiftTo, bool showGSMItog, bool showSubItog, bool allVO,
                      const Variant& payCodes, std::string& text) {
  CheckPayCodes(payCodes);
  TBonusReport report(creator, shiftFrom, shiftTo);
  report.NullStr = nullStr;
  report.ShowGSMItog = showGSMItog;
  report.ShowSubItog = showSubItog;
  report.AllVO = allVO;
  report.PayTypes = payTypes;
  report.PayCodes = payCodes;
  report.Run(text);
}

}  // namespace tv
