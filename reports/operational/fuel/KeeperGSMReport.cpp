#include "reports/operational/fuel/KeeperGSMReport.h"

#include <memory>
#include <unordered_map>
#include <vector>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "foundation/XMUtils.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/text/StringList.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"

namespace tv {

namespace {

const char* const kFuelQuery =
    "SELECT DISTINCT q.GSMNAME FROM\r\n"
    "(\r\n"
    "    SELECT p.GSMNAME FROM PRX p\r\n"
    "    WHERE (p.KEEPER_ID = :KEEPERID) AND (p.ENDTIME <= :EndDate)\r\n"
    "    UNION ALL\r\n"
    "    SELECT lt.GSMNAME FROM LOGTRAN lt\r\n"
    "    WHERE (lt.KEEPER_ID = :KEEPERID) AND (lt.DATA <= :EndDate)\r\n"
    ") q";

const char* const kBalanceQuery =
    "SELECT q.GSMNAME, SUM(q.LITER) AS LITER, SUM(q.MASSA) AS MASSA FROM\r\n"
    "(\r\n"
    "    SELECT p.GSMNAME, IIF(p.PRIHOD=1, p.CARVOLTTN, -p.CARVOLTTN) AS LITER,\r\n"
    "           IIF(p.PRIHOD=1, p.MASSAFROMTTN, -p.MASSAFROMTTN) AS MASSA, p.KEEPER_ID\r\n"
    "    FROM PRX p\r\n"
    "    WHERE (p.ENDTIME < :EndDate) AND (p.KEEPER_ID = :KEEPERID)\r\n"
    "    \r\n"
    "    UNION ALL\r\n"
    "    \r\n"
    "    SELECT lt.GSMNAME, -lt.LITER, ROUND(-lt.LITER * lt.PLOTN, 2), lt.KEEPER_ID\r\n"
    "    FROM LOGTRAN lt\r\n"
    "    WHERE (lt.DATA < :EndDate) AND (lt.KEEPER_ID = :KEEPERID)\r\n"
    ") q\r\n"
    "GROUP BY q.GSMNAME";

const char* const kReceiptsQuery =
    "SELECT p.ENDTIME AS OPTIME, c.NAME AS CTNAME, p.\"AUTO\", NULL AS GPERORG, c.INN AS KPINN, "
    "p.CARNAME, p.PRIM AS DRIVER,\r\n"
    "       p.TTNNUM, p.TTNDATA, p.GSMNAME, p.CARVOLTTN AS LITER, p.MASSAFROMTTN AS MASSA\r\n"
    "FROM PRX p\r\n"
    "LEFT JOIN CONTRAGENT c ON c.CONTR_ID = p.CONTR_ID\r\n"
    "WHERE (p.ENDTIME BETWEEN :BegDate AND :EndDate) AND (p.KEEPER_ID = :KEEPERID) AND "
    "((p.PRIHOD=1) AND ((p.\"AUTO\"<3) OR ((p.\"AUTO\"=3) AND (p.MASSAFROMTTN>=0))) )\r\n"
    "ORDER BY p.\"DATE\", c.NAME, p.GSMNAME";

const char* const kIssuesQuery =
    "SELECT lt.DATA AS OPTIME, c2.NAME AS CTNAME, NULL AS \"AUTO\", c.NAME AS GPERORG, c.INN AS "
    "KPINN, car.NAME AS CARNAME,\r\n"
    "       drv.NAME AS DRIVER, COALESCE(TTN.TTNSER,'') || TTN.TTNNUMBER AS TTNNUM, TTN.TTNDATE "
    "AS TTNDATA, lt.GSMNAME,        lt.LITER, ROUND(lt.LITER * lt.PLOTN, 2) AS MASSA\r\n"
    "FROM LOGTRAN lt\r\n"
    "LEFT JOIN CONTRAGENT c ON c.CONTR_ID = IIF(lt.IDCNT='', NULL, lt.IDCNT)\r\n"
    "LEFT JOIN CONTRAGENT c2 ON c2.CONTR_ID = lt.ID2CNT\r\n"
    "LEFT JOIN VDDRIVER drv ON drv.ID = lt.IDDRV\r\n"
    "LEFT JOIN VDCAR car ON car.ID = lt.IDCAR\r\n"
    "LEFT JOIN TTN ON TTN.INDEXSALE=lt.INDEXSALE AND COALESCE(TTN.ISDELETE,0)=0\r\n"
    "WHERE (lt.DATA BETWEEN :BegDate AND :EndDate) AND (lt.KEEPER_ID = :KEEPERID)\r\n"
    "UNION ALL SELECT p.ENDTIME AS OPTIME, c.NAME AS CTNAME, p.\"AUTO\", NULL AS GPERORG, c.INN "
    "AS KPINN, p.CARNAME, p.PRIM AS DRIVER,\r\n"
    "       p.TTNNUM, p.TTNDATA, p.GSMNAME, -p.CARVOLTTN AS LITER, -p.MASSAFROMTTN AS MASSA\r\n"
    "FROM PRX p\r\n"
    "LEFT JOIN CONTRAGENT c ON c.CONTR_ID = p.CONTR_ID\r\n"
    "WHERE (p.ENDTIME BETWEEN :BegDate AND :EndDate) AND (p.KEEPER_ID = :KEEPERID) AND "
    "(p.PRIHOD=1 AND p.\"AUTO\"=3 AND p.MASSAFROMTTN<0) \r\n"
    "UNION ALL SELECT p.ENDTIME AS OPTIME, c.NAME AS CTNAME, 1111 AS \"AUTO\", NULL AS GPERORG, "
    "c.INN AS KPINN, p.CARNAME, p.PRIM AS DRIVER,\r\n"
    "       p.TTNNUM, p.TTNDATA, p.GSMNAME, p.CARVOLTTN AS LITER, p.MASSAFROMTTN AS MASSA\r\n"
    "FROM PRX p\r\n"
    "LEFT JOIN CONTRAGENT c ON c.CONTR_ID = p.CONTR_ID\r\n"
    "WHERE (p.ENDTIME BETWEEN :BegDate AND :EndDate) AND (p.KEEPER_ID = :KEEPERID) AND "
    "(p.PRIHOD=0) \r\n"
    "ORDER BY 1, 2";

const char* const kAllFuels = "Все ГСМ";

class TKeeperBuilder {
 public:
  TKeeperBuilder(TReportCreator& creator, int keeperId, TDateTime beg, TDateTime end)
      : creator_(creator), keeperId_(keeperId), beg_(beg), end_(end) {}
  void Run(std::string& html);

 private:
  std::unique_ptr<TIBDataSet> Query(const char* sql);
  void ReadFuelList();
  void GetContragentInfo(std::string& name, std::string& fullName, std::string& inn);
  void GetKeeperBalances(TDateTime date);
  void AddKeeperOperations(int kind);
  void AddKeeperTotalCells(int kind);
  TKeeperGSM& Fuel(const std::string& name);

  TReportCreator& creator_;
  int keeperId_;
  TDateTime beg_, end_;
  std::unique_ptr<THTML_Jet> jet_;
  TStringList fuelList_;                            // fuel names, then "Все ГСМ"
  std::vector<TKeeperGSM> fuels_;                   // one per entry of the list
  std::unordered_map<std::string, int> fuelIndex_;  // upper-cased name -> first entry
};

std::unique_ptr<TIBDataSet> TKeeperBuilder::Query(const char* sql) {
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
  ds->SelectSQL().SetText(sql);
  return ds;
}

void TKeeperBuilder::Run(std::string& html) {
  ReadFuelList();
  jet_ = std::make_unique<THTML_Jet>(GetWebFormFileName("Движение ГСМ по хранителю.html"_w), true,
                                     fuelList_.Count() - 1);
  jet_->Init();
  PutOrgRequisites(nullptr, jet_.get(), -1);
  jet_->AddDateTime("BegDate", "dd.mm.yyyy hh:nn:ss", beg_);
  jet_->AddDateTime("EndDate", "dd.mm.yyyy hh:nn:ss", end_);
  std::string name, fullName, inn;
  GetContragentInfo(name, fullName, inn);
  jet_->Add("Keeper", name);
  jet_->Add("KeeperFullName", fullName);
  jet_->Add("KeeperINN", inn);
  jet_->Add("GSM", fuelList_);

  jet_->Add("Operation", "<b>Остатки на "_w + FormatDateTime("dd.mm.yyyy hh:nn", beg_) + "</b>");
  GetKeeperBalances(beg_);
  AddKeeperTotalCells(1);
  jet_->EndLine();
  AddKeeperOperations(2);
  jet_->Add("Operation", "<b>Итого приход</b>"_w);
  AddKeeperTotalCells(2);
  jet_->EndLine();
  AddKeeperOperations(3);
  jet_->Add("Operation", "<b>Итого расход</b>"_w);
  AddKeeperTotalCells(3);
  jet_->EndLine();
  jet_->Add("Operation", "<b>Остатки на "_w + FormatDateTime("dd.mm.yyyy hh:nn", end_) + "</b>");
  AddKeeperTotalCells(4);
  jet_->EndLine();
  jet_->EndIGroup();
  jet_->EndDoc();
  jet_->GetReady(html);
}

void TKeeperBuilder::ReadFuelList() {
  auto ds = Query(kFuelQuery);
  ds->ParamByName("KEEPERID").SetAsInteger(keeperId_);
  ds->ParamByName("EndDate").SetAsDateTime(end_);
  // Names that differ only in letter case are one fuel: one column, under
  // the spelling that comes first, so that every column adds up to "Все ГСМ".
  for (ds->Open(); !ds->Eof(); ds->Next()) {
    const std::string name = ds->Fields(0).AsString();
    if (fuelIndex_.emplace(AnsiUpperCase(name), fuelList_.Count()).second) fuelList_.Add(name);
  }
  fuelList_.Add(Utf8ToCp1251(kAllFuels));
  fuels_.resize(fuelList_.Count());
}

void TKeeperBuilder::GetContragentInfo(std::string& name, std::string& fullName,
                                       std::string& inn) {
  auto ds = Query("SELECT NAME, FULLNAME, INN FROM CONTRAGENT WHERE CONTR_ID=:ID");
  ds->ParamByName("ID").SetAsInteger(keeperId_);
  ds->Open();
  if (ds->Eof()) return;
  name = ds->FieldByName("NAME").AsString();
  fullName = ds->FieldByName("FULLNAME").AsString();
  inn = ds->FieldByName("INN").AsString();
}

TKeeperGSM& TKeeperBuilder::Fuel(const std::string& name) {
  const auto it = fuelIndex_.find(AnsiUpperCase(name));
  if (it == fuelIndex_.end()) throw Exception("ГСМ в списке не найдено: "_w + name);
  return fuels_[it->second];
}

void TKeeperBuilder::GetKeeperBalances(TDateTime date) {
  auto ds = Query(kBalanceQuery);
  ds->ParamByName("KEEPERID").SetAsInteger(keeperId_);
  ds->ParamByName("EndDate").SetAsDateTime(date);
  TKeeperGSM& all = fuels_.back();
  for (ds->Open(); !ds->Eof(); ds->Next()) {
    // Each spelling of a fuel has its own balance row; they add up.
    TKeeperGSM& fuel = Fuel(ds->FieldByName("GSMNAME").AsString());
    const Currency liter = ds->FieldByName("LITER").AsCurrency();
    const Currency mass = ds->FieldByName("MASSA").AsCurrency();
    fuel.OpenLiter += liter;
    fuel.OpenMass += mass;
    all.OpenLiter += liter;
    all.OpenMass += mass;
    fuel.CloseLiter = fuel.OpenLiter;
    fuel.CloseMass = fuel.OpenMass;
    all.CloseLiter = all.OpenLiter;
    all.CloseMass = all.OpenMass;
  }
}

void TKeeperBuilder::AddKeeperOperations(int kind) {
  auto ds = Query(kind == 2 ? kReceiptsQuery : kIssuesQuery);
  ds->ParamByName("KEEPERID").SetAsInteger(keeperId_);
  ds->ParamByName("BegDate").SetAsDateTime(beg_);
  ds->ParamByName("EndDate").SetAsDateTime(end_);
  TKeeperGSM& all = fuels_.back();
  for (ds->Open(); !ds->Eof(); ds->Next()) {
    for (TKeeperGSM& f : fuels_) f.RowLiter = f.RowMass = Currency();
    TKeeperGSM& fuel = Fuel(ds->FieldByName("GSMNAME").AsString());
    const Currency liter = ds->FieldByName("LITER").AsCurrency();
    const Currency mass = ds->FieldByName("MASSA").AsCurrency();
    fuel.RowLiter = liter;
    fuel.RowMass = mass;
    all.RowLiter += liter;
    all.RowMass += mass;
    for (TKeeperGSM* f : {&fuel, &all}) {
      if (kind == 2) {
        f->InLiter += liter;
        f->InMass += mass;
        f->CloseLiter += liter;
        f->CloseMass += mass;
      } else {
        f->OutLiter += liter;
        f->OutMass += mass;
        f->CloseLiter -= liter;
        f->CloseMass -= mass;
      }
    }
    jet_->Add("Operation", ds->FieldByName("AUTO").AsInteger() == 3
                               ? "Корректировка остатков"_w
                               : ds->FieldByName("CTNAME").AsString());
    jet_->Add("GPerOrg", ds->FieldByName("GPERORG").AsString());
    jet_->Add("Driver", ds->FieldByName("DRIVER").AsString());
    jet_->Add("Car", ds->FieldByName("CARNAME").AsString());
    if (!ds->FieldByName("OPTIME").IsNull())
      jet_->AddDateTime("OperDate", "dd.mm.yy", ds->FieldByName("OPTIME").AsDateTime());
    if (!ds->FieldByName("TTNNUM").IsNull()) jet_->Add("DocN", ds->FieldByName("TTNNUM").AsString());
    if (!ds->FieldByName("TTNDATA").IsNull())
      jet_->AddDateTime("DocD", "dd.mm.yy", ds->FieldByName("TTNDATA").AsDateTime());
    AddKeeperTotalCells(0);
    jet_->EndLine();
  }
}

void TKeeperBuilder::AddKeeperTotalCells(int kind) {
  static const Currency TKeeperGSM::*const liters[] = {
      &TKeeperGSM::RowLiter, &TKeeperGSM::OpenLiter, &TKeeperGSM::InLiter, &TKeeperGSM::OutLiter,
      &TKeeperGSM::CloseLiter};
  static const Currency TKeeperGSM::*const masses[] = {
      &TKeeperGSM::RowMass, &TKeeperGSM::OpenMass, &TKeeperGSM::InMass, &TKeeperGSM::OutMass,
      &TKeeperGSM::CloseMass};
  const std::string_view format = kind == 0 ? "%.2n" : "<b>%.2n</b>";
  const TFormatSettings& fs = HTMLJet::ReportFormatSettings();
  TStringList literCells, massCells;
  for (const TKeeperGSM& f : fuels_) {
    literCells.Add(Format(format, {static_cast<long double>(f.*liters[kind])}, fs));
    massCells.Add(Format(format, {static_cast<long double>(f.*masses[kind])}, fs));
  }
  jet_->Add("Liter", literCells);
  jet_->Add("Kg", massCells);
}

}  // namespace

void MakeKeeperGSMReport(TReportCreator& creator, int keeperId, std::string& html,
                         TDateTime begDate, TDateTime endDate) {
  TKeeperBuilder(creator, keeperId, begDate, endDate).Run(html);
}

}  // namespace tv
