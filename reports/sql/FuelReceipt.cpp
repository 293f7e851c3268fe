#include "reports/sql/FuelReceipt.h"

#include <cmath>
#include <limits>
#include <memory>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "foundation/SafeIniFiles.h"
#include "foundation/XMUtils.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBField.h"

namespace tv {

namespace {

// The cells left blank on a receipt without a sale.
const double kEmpty = std::numeric_limits<double>::quiet_NaN();

bool HasDensityColumn(TIBDatabase* database) {
  std::unique_ptr<TIBDataSet> probe(
      FBUtils::FBCreateDataSetForRead(database, true, nullptr, nullptr, ""));
  probe->SelectSQL().SetText("SELECT FIRST 1 * FROM LOGTRAN");
  probe->Open();
  return probe->FindField("TRKDENSITY") != nullptr;
}

std::string ReceiptSQL(bool contractors, bool density) {
  std::string sql =
      "SELECT lt.INDEXSALE, CAST(CAST(lt.DATA AS VARCHAR(30)) AS TIMESTAMP) AS TIDEDATE,\r\n"
      "       lt.GSMNAME, lt.LITER, (lt.PLOTN * lt.LITER) AS MASSA,\r\n"
      "       lt.SUMMA, lt.GSMPRICE, lt.PLISTNUM,\r\n"
      "       c.NAME AS CNAME, drv.NAME AS DRIVERFIO, drv.UDOST,\r\n"
      "       car.MARKA AS CARMARKA, car.NAME AS CARGOSNUM";
  sql += density ? ", lt.TRKDENSITY AS TRKDENS" : ", 0 AS TRKDENS";
  sql += "\r\nFROM LOGTRAN lt\r\n";
  sql += contractors ? "LEFT JOIN CONTRAGENT c ON lt.IDCNT = CAST(c.CONTR_ID AS VARCHAR(10))\r\n"
                     : "LEFT JOIN VDCONTRACTOR c ON lt.IDCNT = c.ID\r\n";
  sql +=
      "LEFT JOIN VDDRIVER drv ON lt.IDDRV = drv.ID\r\n"
      "LEFT JOIN VDCAR car ON lt.IDCAR = car.ID\r\n"
      "WHERE lt.INDEXSALE = :INDEXSALE";
  return sql;
}

// The sale's row into the record; its sum (0 without a sale), Currency as
// stored, so that the words take a half kopeck exactly.
Currency PutSale(THTML_Jet& jet, TIBDataSet& sale, int saleIndex) {
  if (saleIndex < 1) {
    jet.AddFloat("PSum", "", kEmpty);
    jet.AddFloat("NDSSum", "", kEmpty);
    return Currency();
  }
  if (sale.Eof()) throw Exception(Format("Продажа %d не найдена"_w, {saleIndex}));
  jet.Add("Name", sale.FieldByName("GSMNAME").AsString());
  jet.AddFloat("Kolvo", "%.2n", sale.FieldByName("LITER").AsFloat());
  const double density = sale.FieldByName("TRKDENS").AsFloat();
  if (density > 0) jet.AddFloat("TRKDens", "%.4f", density);
  jet.AddFloat("PPrice", HTMLJet::MoneyFormat, sale.FieldByName("GSMPRICE").AsFloat());
  const Currency sum = sale.FieldByName("SUMMA").AsCurrency();
  jet.AddFloat("Summa", HTMLJet::MoneyFormat, static_cast<double>(sum));
  return sum;
}

}  // namespace

void MakeFuelReceipt(TReportCreator& creator, int saleIndex, const std::string& kassirName,
                     const std::string& kassirPost, const std::string& comment, std::string& out) {
  const bool contractors = HasVidOplContractors(creator);
  const bool density = HasDensityColumn(creator.Database);
  std::unique_ptr<TIBDataSet> sale(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  sale->SelectSQL().SetText(ReceiptSQL(contractors, density));
  sale->ParamByName("INDEXSALE").SetAsInteger(saleIndex);
  sale->Open();

  THTML_Jet jet(GetWebFormFileName("Товарный чек.html"_w));
  jet.Init();
  PutOrgRequisites(nullptr, &jet, -1);
  jet.AddInteger("NN", 1);
  const Currency sum = PutSale(jet, *sale, saleIndex);
  jet.EndLine();
  if (sum != Currency()) {
    jet.AddDateTime("CheckDate", "dd mmmm yyyy", sale->FieldByName("TIDEDATE").AsDateTime());
    jet.AddInItogFloat("Summa", HTMLJet::MoneyFormat, static_cast<double>(sum));
    jet.MakeItog2("%.2n");
    jet.MakeItog(2);
  } else {
    jet.AddDateTime("CheckDate", "dd mmmm yyyy", Now());
    for (const char* name : {"PSum", "NDSSum", "Summa"}) jet.AddInItogFloat(name, "", kEmpty);
  }
  jet.EndOGroup();
  if (sum != Currency()) jet.Add("PSummaText", AmountInWords(sum));
  jet.Add("KassirPost", kassirPost);
  jet.Add("KassirName", kassirName);
  jet.Add("Comment", comment);
  jet.EndDoc();
  jet.GetReady(LastHTMLReport);
  out = "Отчет реализован только для HTML-версии!"_w;
}

const std::string& DefaultReceiptTemplate() {
  static const std::string text =
      "Вид оплаты: <#VidOpl(24)>\r\n"
      "Дата: <#DateTime>\r\n"
      "Заправлено: <#GSM(7)> <#Liter(5.1)>л. по <#Price(5.2)>\r\n"
      "@ИТОГО:    <#Summa(10.2)>р.\r\n"
      "\r\n"
      "КАССИР ____________ <#Kassir(16)>\r\n"
      "\r\n"
      "       <#OrgName> <#AZS>\r\n"
      "         СПАСИБО ЗА ПОКУПКУ\r\n"
      "\r\n\r\n\r\n\r\n"_w;
  return text;
}

void GetReceiptTemplate(TReportCreator& /*creator*/, int vidOpl, std::string& out) {
  TSafeIniFile ini("C:\\FUEL\\PredChecks.txt");
  const std::string code = IntToStr(vidOpl);
  const int own = ini.ReadInteger("TovCheckOnVidOpl", "VO" + code, 0);
  const std::string section = own == 0 ? std::string("VO-1") : "VO" + code;
  const std::string text = ini.ReadString(section, "TOVARNCHECK", DefaultReceiptTemplate());
  out = "#!OK!#" + StringReplace(text, "\t", "\r\n", rfReplaceAll);
}

}  // namespace tv
