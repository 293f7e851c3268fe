#include "reports/operational/waybills/TTNShipmentReceipt.h"

#include <vector>

#include "engines/HTMLJet.h"
#include "foundation/XMUtils.h"
#include "library/OrgRequisites.h"
#include "platform/text/Cp1251.h"
#include "platform/data/Currency.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/waybills/TTNDocument.h"

namespace tv {

namespace {

void Header(THTML_Jet& jet, TIBDataSet& h) {
  TTTNVarWriter w(jet);
  const auto text = [&](const char* var, const char* column) { w.Text(var, h, column); };
  const auto date = [&](const char* var, const char* column) {
    w.Date(var, "dd.mm.yyyy", h, column);
  };
  text("КвитНом", "KVITNUMBER");
  date("КвитДата", "KVITDATE");
  text("ТТНСерия", "TTNSER");
  text("ТТННом", "TTNNUMBER");
  date("ТТНДата", "TTNDATE");
  text("НомерАвто", "CARNUM");
  text("НомерЦистерны", "PRNUM1");
  text("Водитель", "DRIVERFIO");
}

void BuildReceipt(TReportCreator& creator, int ttnId, std::string& text) {
  TTTNDocument doc(creator, ttnId, "Квитанция об отгрузке.html"_w);
  THTML_Jet& jet = doc.Jet();
  // The template's head prints the date, the station and the time.
  PutOrgRequisites(nullptr, &jet, -1);
  jet.AddDateTime("ДатаВремяПечати"_w, "dd.mm.yyyy hh:nn:ss", Now());
  TIBDataSet& h = doc.OpenHeader("SELECT t.* \r\nFROM TTN t \r\nWHERE TTN_ID=");
  Header(jet, h);
  TDateTime begin = Now() + 100, end = 0;
  TIBDataSet& d = doc.OpenDetailSQL(
      "SELECT td.*, t.\"TIME\" AS TIDEBEGTIME, lt.DATA AS TIDEENDTIME, t.TRK FROM TTNDETAIL td\r\n"
      "  LEFT JOIN LOGTRAN lt ON lt.INDEXSALE = td.INDEXSALE\r\n"
      "  LEFT JOIN TRK t ON (t.INDEXSALE = td.INDEXSALE) AND (t.OPERATION = 0) \r\n"
      "  WHERE td.TTN_ID = " +
      IntToStr(ttnId) + " AND td.PRINTTTN1 = 1 ORDER BY td.ID");
  const bool hasPressure = d.FindField("PRESSURE") != nullptr;
  std::vector<std::string> dispensers;
  for (; !d.Eof(); d.Next()) {
    const auto amount = [&](const char* column) {
      return static_cast<double>(d.FieldByName(column).AsCurrency());
    };
    jet.Add("ВидТоплива"_w, d.FieldByName("NAME").AsString());
    jet.AddFloat("Масса"_w, "%.2n", amount("MASSA") * 1000);
    jet.AddFloat("Объем"_w, "%.2n", amount("VOLUME"));
    jet.AddFloat("Плотность"_w, "%.3f", amount("UDVES"));
    if (hasPressure) jet.AddFloat("Давление"_w, "%.2n", amount("PRESSURE"));
    jet.AddFloat("Температура"_w, "%.1f", amount("TEMPER"));
    TIBField& from = d.FieldByName("TIDEBEGTIME");
    TIBField& to = d.FieldByName("TIDEENDTIME");
    if (!from.IsNull() && !to.IsNull()) {
      if (from.AsDateTime() < begin) begin = from.AsDateTime();
      if (to.AsDateTime() > end) end = to.AsDateTime();
    }
    jet.EndLine();
    const std::string trk = d.FieldByName("TRK").AsString();
    bool known = trk.empty();
    for (const std::string& k : dispensers) known = known || k == trk;
    if (!known) dispensers.push_back(trk);
  }
  std::string posts;
  for (std::size_t i = 0; i < dispensers.size(); ++i) posts += (i ? ", " : "") + dispensers[i];
  jet.Add("ПостВыдачи"_w, posts);
  TIBField& ttnDate = h.FieldByName("TTNDATE");
  if (end == 0 && DatePresent(ttnDate)) {
    end = ttnDate.AsDateTime();
    begin = end - 1.0 / 24;
  }
  if (end > 1) {
    jet.AddDateTime("НачалоНалива"_w, "dd.mm.yyyy hh:nn", begin);
    jet.AddDateTime("ОкончаниеНалива"_w, "dd.mm.yyyy hh:nn", end);
  }
  jet.AddInItog("Оператор"_w, h.FieldByName("GOFIO").AsString());
  jet.MakeItog2("%.2n");
  jet.MakeItog(2);
  jet.EndOGroup();
  doc.Finish();
  text = "Квитанция об отгрузке: переключитесь на HTML-версию отчета"_w;
}

}  // namespace

void PrintShipmentReceipt(TReportCreator& creator, int ttnId, std::string& text) {
  try {
    BuildReceipt(creator, ttnId, text);
  } catch (const std::exception& e) {
    MakeContextException(e, "ФормированиеКвитанцииОбОтгрузке"_w, true)->Raise();
  }
}

}  // namespace tv
