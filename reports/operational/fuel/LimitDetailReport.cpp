#include "reports/operational/fuel/LimitDetailReport.h"

#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "foundation/XMUtils.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "platform/data/ClientDataSet.h"
#include "platform/text/Cp1251.h"
#include "platform/data/Currency.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/fuel/LimitBalanceReport.h"

namespace tv {

namespace {

const char* const kMovementStatement =
    "SELECT * FROM\r\n"
    "(\r\n"
    "SELECT lh.DATAAPPLY, DATACHANGE, lim.NAME AS LIMNAME, lh.LID AS LIMID, lh.CHANGEONL, "
    "lh.CHANGEONS, lh.BALANCEL, lh.BALANCES,\r\n"
    "  NULL AS GSMNAME, NULL AS SALEL, NULL AS SALES, NULL AS DRIVER, NULL AS CARNAME, NULL AS "
    "INDEXSALE\r\n"
    "FROM VDLIMITSHISTORY lh\r\n"
    "LEFT JOIN VDLIMITS lim ON lim.ID = lh.LID\r\n"
    "WHERE (lim.CONTR_ID = :ORGID) AND (lh.CHANGETYPE = 1) AND\r\n"
    "      (lh.DATAAPPLY BETWEEN :BegTime AND :EndTime)\r\n"
    "\r\n"
    "UNION ALL\r\n"
    "\r\n"
    "SELECT lt.DATA AS DATAAPPLY, lt.DATA AS DATACHANGE, '#ISTIDE#' AS LIMNAME, NULL AS LIMID, "
    "NULL AS CHANGEONL, NULL AS CHANGEONS, NULL AS BALANCEL, NULL AS BALANCES,\r\n"
    "  lt.GSMNAME, lt.LITER AS SALEL, lt.SUMMA AS SALES, vd.NAME AS DRIVER, car.NAME AS CARNAME, "
    "lt.INDEXSALE\r\n"
    "FROM LOGTRAN lt\r\n"
    "LEFT JOIN VdDriver vd ON vd.ID=lt.IDDrv\r\n"
    "LEFT JOIN VdCar car ON car.ID=lt.IDCar\r\n"
    "WHERE\r\n"
    "  (lt.DATA BETWEEN :BegTime AND :EndTime) AND\r\n"
    "  (lt.VIDOPL - lt.VIDOPL / 100 * 100 = 4) AND (lt.IDCNT = :ORGID)\r\n"
    ")\r\n"
    "ORDER BY 1,2";

// The fixed tag of the sale rows in the movement list.
const char* const kSaleTag = "#ISTIDE#";

// One movement row: a top-up of a limit or a sale on statement.
struct TMovement {
  TDateTime Apply = 0;
  std::string LimName, LimId, GSM, Driver, Car;
  int IndexSale = 0;
  bool HasSaleL = false, HasSaleS = false, HasAddL = false, HasAddS = false;
  bool HasNewL = false, HasNewS = false;
  Currency SaleL, SaleS, AddL, AddS, NewL, NewS;
};

// The four sums of a limit group or of the report.
struct TLimitSums {
  Currency SaleL, SaleS, AddL, AddS;
};

// One limit of the counterparty.
struct TLimit {
  std::string Name, Id, Car, Driver, GSM;
  int OrgId = 0;  // the counterparty that holds the limit
};

std::string LimitKey(const std::string& name, const std::string& id) {
  return name + '\x01' + id;
}

class TLimitDetailBuilder {
 public:
  TLimitDetailBuilder(TReportCreator& creator, std::string orgName, TDateTime beg, TDateTime end)
      : creator_(creator), orgName_(std::move(orgName)), beg_(beg), end_(end) {}
  void Run(std::string& html);

 private:
  void ReadMovements(const std::vector<int>& orgIds);
  void IndexMovements(TClientDataSet& rows, std::vector<int>& sales);
  void WriteLimit(const TLimit& limit);
  bool Shown(const TLimit& limit, const TMovement& m);
  void WriteMovement(const TMovement& m, int nn);
  void CloseLimitGroup();
  void ClearLimitTotals() { group_ = TLimitSums(); }

  TReportCreator& creator_;
  std::string orgName_;
  TDateTime beg_, end_;
  std::unique_ptr<THTML_Jet> jet_;
  std::vector<TMovement> moves_;
  std::unordered_map<int, std::vector<int>> sales_;           // rows of each org's sales, in order
  std::unordered_map<std::string, std::vector<int>> topUps_;  // rows of each limit's top-ups
  std::unordered_set<int> shownSales_;
  TLimitSums group_, report_;
  int n_ = 0;
};

void TLimitDetailBuilder::Run(std::string& html) {
  jet_ = std::make_unique<THTML_Jet>(GetWebFormFileName("Детализация лимитов.html"_w), false, 0);
  jet_->Init();
  PutOrgRequisites(nullptr, jet_.get(), -1);
  jet_->Add("Organization", orgName_);
  jet_->AddDateTime("BegTime", "dd.mm.yyyy hh:nn:ss", beg_);
  jet_->AddDateTime("EndTime", "dd.mm.yyyy hh:nn:ss", end_);

  std::vector<TLimit> limits;
  std::vector<int> orgIds;  // distinct, in the order the limits name them
  std::unordered_set<int> seen;
  {
    std::unique_ptr<TIBDataSet> ds(
        FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
    std::string sql = FastStringReplace(LimitStatement(), "#CONTRAGENT#",
                                        " AND (UPPER(c.NAME) = :ORGNAME) ", rfReplaceAll);
    ds->SelectSQL().SetText(FastStringReplace(sql, "#ISDELETE#", "", rfReplaceAll));
    ds->ParamByName("ORGNAME").SetAsString(AnsiUpperCase(orgName_));
    // Counterparties whose names are equal ignoring case share the statement;
    // each limit still belongs to its own counterparty.
    for (ds->Open(); !ds->Eof(); ds->Next()) {
      limits.push_back({ds->FieldByName("LIMNAME").AsString(), ds->FieldByName("LIMID").AsString(),
                        ds->FieldByName("CARNAME").AsString(), ds->FieldByName("DRIVER").AsString(),
                        ds->FieldByName("GSM").AsString(), ds->FieldByName("ORGID").AsInteger()});
      if (seen.insert(limits.back().OrgId).second) orgIds.push_back(limits.back().OrgId);
    }
  }
  if (orgIds.empty()) orgIds.push_back(0);
  ReadMovements(orgIds);

  for (std::size_t i = 0; i < limits.size(); ++i) {
    WriteLimit(limits[i]);
    const bool same = i + 1 < limits.size() && limits[i + 1].Name == limits[i].Name &&
                      limits[i + 1].Id == limits[i].Id;
    if (!same) CloseLimitGroup();
  }
  jet_->AddOutItogFloat("SaleL", "%.2n", static_cast<double>(report_.SaleL));
  jet_->AddOutItogFloat("SaleS", HTMLJet::MoneyFormat, static_cast<double>(report_.SaleS));
  jet_->AddOutItogFloat("AddL", "%.2n", static_cast<double>(report_.AddL));
  jet_->AddOutItogFloat("AddS", HTMLJet::MoneyFormat, static_cast<double>(report_.AddS));
  jet_->EndDoc();
  jet_->GetReady(html);
}

// Reads the merged movements of each counterparty once and indexes them:
// every limit sees its own top-ups and its counterparty's sales, in the
// list's order, without a copy per limit.
void TLimitDetailBuilder::ReadMovements(const std::vector<int>& orgIds) {
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
  ds->SelectSQL().SetText(kMovementStatement);
  for (const int orgId : orgIds) {
    TClientDataSet rows;
    if (ds->Active()) ds->Close();
    try {
      ds->ParamByName("BegTime").SetAsDateTime(beg_);
      ds->ParamByName("EndTime").SetAsDateTime(end_);
      ds->ParamByName("ORGID").SetAsInteger(orgId);
      FillClientDataSet(*ds, rows);
    } catch (const Exception& e) {
      throw Exception(OldVelmarMessage() + e.Message());
    }
    IndexMovements(rows, sales_[orgId]);
  }
}

void TLimitDetailBuilder::IndexMovements(TClientDataSet& rows, std::vector<int>& sales) {
  const int fApply = rows.FindField("DATAAPPLY"), fName = rows.FindField("LIMNAME"),
            fId = rows.FindField("LIMID"), fGSM = rows.FindField("GSMNAME"),
            fDriver = rows.FindField("DRIVER"), fCar = rows.FindField("CARNAME"),
            fIndex = rows.FindField("INDEXSALE");
  const auto amount = [&rows](const char* name, bool& has, Currency& value) {
    TMemField f = rows.FieldByName(name);
    has = !f.IsNull();
    if (has) value = f.AsCurrency();
  };
  moves_.reserve(moves_.size() + static_cast<std::size_t>(rows.RecordCount()));
  for (rows.First(); !rows.Eof(); rows.Next()) {
    TMovement m;
    m.Apply = rows.Fields(fApply).AsDateTime();
    m.LimName = rows.Fields(fName).AsString();
    m.LimId = rows.Fields(fId).AsString();
    m.GSM = rows.Fields(fGSM).AsString();
    m.Driver = rows.Fields(fDriver).AsString();
    m.Car = rows.Fields(fCar).AsString();
    m.IndexSale = rows.Fields(fIndex).IsNull() ? 0 : rows.Fields(fIndex).AsInteger();
    amount("SALEL", m.HasSaleL, m.SaleL);
    amount("SALES", m.HasSaleS, m.SaleS);
    amount("CHANGEONL", m.HasAddL, m.AddL);
    amount("CHANGEONS", m.HasAddS, m.AddS);
    amount("BALANCEL", m.HasNewL, m.NewL);
    amount("BALANCES", m.HasNewS, m.NewS);
    const int row = static_cast<int>(moves_.size());
    if (m.LimName == kSaleTag)
      sales.push_back(row);
    else
      topUps_[LimitKey(m.LimName, m.LimId)].push_back(row);
    moves_.push_back(std::move(m));
  }
}

void TLimitDetailBuilder::WriteLimit(const TLimit& limit) {
  jet_->Add("LimName", limit.Name);
  jet_->Add("LimGSM", limit.GSM);
  if (!limit.Car.empty())
    jet_->Add("LimObject", Format(" автомобиль \"%s\""_w, {limit.Car}));
  else if (!limit.Driver.empty())
    jet_->Add("LimObject", Format(" водитель \"%s\""_w, {limit.Driver}));
  else
    jet_->Add("LimObject", "контрагент"_w);

  // The limit's view: rows of its own top-ups or of sales, in list order.
  static const std::vector<int> none;
  const auto own = topUps_.find(LimitKey(limit.Name, limit.Id));
  const std::vector<int>& ups = own == topUps_.end() ? none : own->second;
  const auto org = sales_.find(limit.OrgId);
  const std::vector<int>& sales = org == sales_.end() ? none : org->second;
  std::size_t a = 0, b = 0;
  int nn = 0;
  while (a < ups.size() || b < sales.size()) {
    const bool takeUp = b == sales.size() || (a < ups.size() && ups[a] < sales[b]);
    const TMovement& m = moves_[takeUp ? ups[a++] : sales[b++]];
    ++nn;
    if (Shown(limit, m)) WriteMovement(m, nn);
  }
}

bool TLimitDetailBuilder::Shown(const TLimit& limit, const TMovement& m) {
  if (m.IndexSale <= 0) return true;
  if (shownSales_.count(m.IndexSale) > 0) return false;
  if (AnsiUpperCase(limit.GSM) != "ВСЕ"_w && !AnsiSameText(m.GSM, limit.GSM)) return false;
  if (!limit.Car.empty()) {
    if (!AnsiSameText(m.Car, limit.Car)) return false;
  } else if (!limit.Driver.empty() && !AnsiSameText(m.Driver, limit.Driver)) {
    return false;
  }
  shownSales_.insert(m.IndexSale);
  return true;
}

void TLimitDetailBuilder::WriteMovement(const TMovement& m, int nn) {
  ++n_;
  jet_->AddInteger("N", n_);
  jet_->AddInteger("NN", nn);
  jet_->Add("OpData", NoBr(FormatDateTime("dd.mm.yyyy hh:nn", m.Apply)));
  jet_->Add("GSM", NoBr(m.GSM));
  jet_->Add("Auto", m.Car);
  jet_->Add("Driver", m.Driver);
  const std::string& money = HTMLJet::MoneyFormat;
  if (m.HasSaleL) jet_->AddFloat("SaleL", "%.2n", static_cast<double>(m.SaleL));
  if (m.HasSaleS) jet_->AddFloat("SaleS", money, static_cast<double>(m.SaleS));
  if (m.HasAddL) jet_->AddFloat("AddL", "%.2n", static_cast<double>(m.AddL));
  if (m.HasAddS) jet_->AddFloat("AddS", money, static_cast<double>(m.AddS));
  if (m.HasNewL) jet_->AddFloat("NewL", "%.2n", static_cast<double>(m.NewL));
  if (m.HasNewS) jet_->AddFloat("NewS", money, static_cast<double>(m.NewS));
  group_.SaleL += m.SaleL;
  group_.SaleS += m.SaleS;
  group_.AddL += m.AddL;
  group_.AddS += m.AddS;
  jet_->EndLine();
}

void TLimitDetailBuilder::CloseLimitGroup() {
  const std::string& money = HTMLJet::MoneyFormat;
  jet_->AddInItogFloat("SaleL", "%.2n", static_cast<double>(group_.SaleL));
  jet_->AddInItogFloat("SaleS", money, static_cast<double>(group_.SaleS));
  jet_->AddInItogFloat("AddL", "%.2n", static_cast<double>(group_.AddL));
  jet_->AddInItogFloat("AddS", money, static_cast<double>(group_.AddS));
  jet_->AddInItog("NewL", "");
  jet_->AddInItog("NewS", "");
  report_.SaleL += group_.SaleL;
  report_.SaleS += group_.SaleS;
  report_.AddL += group_.AddL;
  report_.AddS += group_.AddS;
  jet_->MakeItog2("%.2n");
  jet_->MakeItog(2);
  ClearLimitTotals();
  jet_->EndIGroup();
}

}  // namespace

void MakeLimitDetailReport(TReportCreator& creator, const std::string& orgName,
                           std::string& html, TDateTime begDate, TDateTime endDate) {
  TLimitDetailBuilder(creator, orgName, begDate, endDate).Run(html);
}

}  // namespace tv
