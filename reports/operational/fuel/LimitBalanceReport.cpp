#include "reports/operational/fuel/LimitBalanceReport.h"

#include <memory>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "foundation/XMUtils.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "platform/text/Cp1251.h"
#include "platform/data/Currency.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"

namespace tv {

const std::string& LimitStatement() {
  static const std::string sql =
      "SELECT * FROM\r\n"
      "    (SELECT c.CONTR_ID AS ORGID, c.NAME AS ORGNAME, car.NAME AS CARNAME, d.NAME AS "
      "DRIVER,\r\n"
      "      L.NAME AS LIMNAME, L.LITERS, L.SUMMA, L.GSM, L.ID AS LIMID, \r\n"
      "      (SELECT FIRST 1 ct.PARAM1 FROM CONTRAGENTTYPE ct\r\n"
      "      WHERE (ct.CONTR_ID = c.CONTR_ID) AND (ct.CTYPE = 1) AND\r\n"
      "            (ct.PARAM1 = L.VIDOPL)) AS PARAM1\r\n"
      "    FROM VDLIMITS L\r\n"
      "      LEFT JOIN CONTRAGENT c ON c.CONTR_ID = L.CONTR_ID\r\n"
      "      LEFT JOIN VDCAR car ON car.ID = L.CARID\r\n"
      "      LEFT JOIN VDDRIVER d ON d.ID = L.DRIVERID\r\n"
      "    WHERE (L.LIMITTYPE = 5) #ISDELETE# #CONTRAGENT# \r\n"
      "    ORDER BY c.NAME, L.NAME, L.ID)\r\n"
      "WHERE (PARAM1 IS NOT NULL)";
  return sql;
}

const std::string& OldVelmarMessage() {
  static const std::string text = "Вероятно установлена слишком старая версия Velmar. Ошибка:"_w;
  return text;
}

namespace {

// A stored -1 means "nothing set" and counts as 0.
Currency LimitAmount(TIBField& field) {
  const Currency value = field.AsCurrency();
  const long double v = value;
  return v > -1.1L && v < -0.9L ? Currency() : value;
}

void WriteLimitRows(TIBDataSet& ds, THTML_Jet& jet, Currency& liters, Currency& summa) {
  while (!ds.Eof()) {
    const std::string org = ds.FieldByName("ORGNAME").AsString();
    jet.AddInteger("N", ds.RecNo());
    jet.Add("Organization", org);
    jet.Add("LimName", ds.FieldByName("LIMNAME").AsString());
    jet.Add("Car", ds.FieldByName("CARNAME").AsString());
    jet.Add("Driver", ds.FieldByName("DRIVER").AsString());
    jet.Add("GSM", NoBr(ds.FieldByName("GSM").AsString()));
    const Currency liter = LimitAmount(ds.FieldByName("LITERS"));
    liters += liter;
    jet.AddFloat("CurLiter", "%.2n", static_cast<double>(liter));
    const Currency sum = LimitAmount(ds.FieldByName("SUMMA"));
    summa += sum;
    jet.AddFloatDefault("CurSumma", static_cast<double>(sum));
    jet.EndLine();
    ds.Next();
    if (ds.Eof() || ds.FieldByName("ORGNAME").AsString() != org) {
      jet.AddInItog("Organization", org);
      jet.MakeItog2("%.2n");
      jet.MakeItog(2);
      jet.EndIGroup();
    }
  }
}

}  // namespace

void MakeLimitBalanceReport(TReportCreator& creator, std::string& html) {
  auto jet = std::make_unique<THTML_Jet>(
      GetWebFormFileName("Текущие остатки по лимитам.html"_w), false, 0);
  jet->Init();
  PutOrgRequisites(nullptr, jet.get(), -1);
  Currency liters, summa;
  {
    std::unique_ptr<TIBDataSet> ds(
        FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
    std::string sql = FastStringReplace(LimitStatement(), "#CONTRAGENT#", "", rfReplaceAll);
    sql = FastStringReplace(sql, "#ISDELETE#", " AND (L.ISDELETE=0) AND (c.ISDELETE=0) ",
                            rfReplaceAll);
    ds->SelectSQL().SetText(sql);
    try {
      ds->Open();
    } catch (const Exception& e) {
      throw Exception(OldVelmarMessage() + e.Message());
    }
    ds->FetchAll();
    WriteLimitRows(*ds, *jet, liters, summa);
  }
  jet->AddOutItogFloat("CurSumma", HTMLJet::MoneyFormat, static_cast<double>(summa));
  jet->AddOutItogFloat("CurLiter", "%.2n", static_cast<double>(liters));
  jet->EndDoc();
  jet->GetReady(html);
}

}  // namespace tv
