#include "reports/operational/returns/AktVozvrBackSales.h"

#include <functional>
#include <memory>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/returns/AktVozvr2Report.h"

namespace tv {

namespace {

constexpr const char* CountSql =
    "SELECT COUNT(*) AS CNT\r\n"
    "FROM Documents d\r\n"
    "  LEFT JOIN SaleDoc sd ON sd.ID_Doc=d.ID_Doc\r\n"
    "  LEFT JOIN Payment p ON p.ID = sd.Payment\r\n"
    "WHERE (d.Data BETWEEN :DATE1 AND :DATE2) \r\n"
    "  AND (p.GsmVO = :OplNum) AND (d.\"TYPE\" = 3)";

constexpr const char* ListSql =
    "SELECT d.Data, c.Name AS CatName, g.Name AS TovarName, p.GsmVO, \r\n"
    "  gm.ZPrice, gm.RPrice, gm.PPrice, gm.\"COUNT\", sd.LNR_CardNum AS CardNumber\r\n"
    "FROM Documents d\r\n"
    "  LEFT JOIN SaleDoc sd ON sd.ID_Doc=d.ID_Doc\r\n"
    "  LEFT JOIN Payment p ON p.ID = sd.Payment\r\n"
    "  LEFT JOIN GoodsMotion gm ON gm.ID_Doc=d.ID_Doc\r\n"
    "  LEFT JOIN Batches b ON b.ID_P = gm.ID_P\r\n"
    "  LEFT JOIN Goods g ON g.ID_Goods = b.ID_Goods\r\n"
    "  LEFT JOIN Category c ON c.ID_Category = g.ID_Category\r\n"
    "WHERE (d.Data BETWEEN :DATE1 AND :DATE2) \r\n"
    "  AND (p.GsmVO = :OplNum) AND (gm.\"TYPE\" = 3)\r\n"
    "ORDER BY d.Data";

// One department's database, connected while it lives.
class TDepDatabase {
 public:
  explicit TDepDatabase(const std::string& folder)
      : db_(FBUtils::CreateDatabase(FileName(folder), FBUtils::GetFBPassword(),
                                    FBUtils::GetFBPort(), true, nullptr, "SYSDBA", "127.0.0.1",
                                    false, "", "WIN1251")) {
    try {
      FBUtils::FBConnectDB(db_);
    } catch (...) {
      FBUtils::FreeDatabase(db_);
      throw;
    }
  }
  ~TDepDatabase() { FBUtils::FreeDatabase(db_); }
  TDepDatabase(const TDepDatabase&) = delete;
  TDepDatabase& operator=(const TDepDatabase&) = delete;
  TIBDatabase* Db() const { return db_; }

  // "C:\FUEL\SHOP" gives "C:\FUEL\SHOP\SHOP.FDB".
  static std::string FileName(const std::string& folder) {
    const std::string dir = ExcludeTrailingPathDelimiter(folder);
    return dir + "\\" + ExtractFileName(dir) + ".FDB";
  }

 private:
  TIBDatabase* db_;
};

// Runs `sql` with the act's period and the payment code on every
// department's database, handing each open query to `use` with the
// department's name.
void ForEachDepartment(TAktVozvrState& s, const char* sql, int oplNum,
                       const std::function<void(TIBDataSet&, const std::string&)>& use) {
  const TDateTime date2 = s.EndTime == 0 ? Now() : s.EndTime;
  for (int i = 0; i < s.DepList.Count(); ++i) {
    TDepDatabase dep(s.DepList.ValueFromIndex(i));
    std::unique_ptr<TIBDataSet> ds(
        FBUtils::FBCreateDataSetForRead(dep.Db(), true, nullptr, nullptr, ""));
    ds->SelectSQL().SetText(sql);
    ds->ParamByName("DATE1").SetAsDateTime(s.BegTime);
    ds->ParamByName("DATE2").SetAsDateTime(date2);
    ds->ParamByName("OplNum").SetAsInteger(oplNum);
    ds->Open();
    use(*ds, s.DepList.Names(i));
    ds->Close();
  }
}

}  // namespace

int CountTovarBackSales(TAktVozvrState& s, int oplNum) {
  if (!s.UseGoods) return 0;
  int count = 0;
  ForEachDepartment(s, CountSql, oplNum, [&](TIBDataSet& ds, const std::string&) {
    if (!ds.Eof()) count += ds.Fields(0).AsInteger();
  });
  return count;
}

void AddTovarBackSales(TAktVozvrState& s) {
  TFileRepGen& rep = *s.TextRep;
  THTML_Jet& jet = *s.HtmlRep;
  const std::string catCell = jet.Params().Values("PrintCategory");
  const std::string tovarCell = jet.Params().Values("PrintTovar");
  const std::string depCell = jet.Params().Values("PrintDepName");
  ForEachDepartment(s, ListSql, s.Code, [&](TIBDataSet& ds, const std::string& depName) {
    TIBField& data = ds.FieldByName("Data");
    TIBField& catName = ds.FieldByName("CatName");
    TIBField& tovarName = ds.FieldByName("TovarName");
    TIBField& count = ds.FieldByName("COUNT");
    TIBField& rPrice = ds.FieldByName("RPrice");
    for (; !ds.Eof(); ds.Next()) {
      const TDateTime when = data.AsDateTime();
      const double n = count.AsFloat();
      const double price = rPrice.AsFloat();
      const double sum = n * price;
      ++s.RowNo;
      ClearAktVozvrRowVars(s);
      rep.SetVar("NN", Format("%3d", {s.RowNo}));
      rep.SetVar("Data", FormatDateTime("dd.mm.yyyy", when));
      rep.SetVar("Time", FormatDateTime("hh:nn:ss", when));
      rep.SetVar("Trk", "Товар"_w);
      rep.SetVar("Kolvo", Format("%7.2n", {n}));
      rep.SetVar("Price", Format("%7.2n", {price}));
      rep.SetVar("Summa", Format("%9.2n", {sum}));
      rep.SetVar("GSM", "Товар"_w);
      rep.PrintRepeat();
      jet.AddInteger("NN", s.RowNo);
      jet.AddDateTime("Data", "dd.mm.yyyy", when);
      jet.AddDateTime("Time", "hh:nn:ss", when);
      jet.Add(catCell, catName.AsString());
      jet.Add(tovarCell, tovarName.AsString());
      jet.Add(depCell, depName);
      jet.AddFloat("Kolvo", VolumeFormat, n);
      jet.AddFloatDefault("Price", price);
      jet.AddFloatDefault("Summa", sum);
      s.SummaAll += sum;
      jet.EndLine();
    }
  });
}

}  // namespace tv
