#include "reports/operational/returns/AktVozvrReport.h"

#include <memory>

#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/XMUtils.h"
#include "library/HostCallbacks.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportsInterface.h"
#include "library/TempReportFile.h"
#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/returns/AktVozvrLookups.h"

namespace tv {

namespace {

constexpr const char* DateTimeFormat = "dd.mm.yyyy hh:nn";

// The payment-type condition: the payment types of cash kind, or nothing
// (every type) when none is.
std::string VidOplCondition() {
  const TVidOplKinds kinds = TVidOplKinds::Ask();
  std::string joined;
  for (int i = 0; i < VidOplCount; ++i) {
    if (!kinds.IsCash(i)) continue;
    if (!joined.empty()) joined += " or ";
    joined += "bc.VidOpl = " + VidOplArray.At(i, 1).AsString();
  }
  return joined.empty() ? std::string() : " and (" + joined + ")";
}

}  // namespace

void MakeAktVozvrReport(TReportCreator& creator, int smNum, const std::string& operatorName,
                        TDateTime begTime, TDateTime endTime, int client, int clientMode,
                        std::string& text) {
  TTempReportFile out;
  auto rep = std::make_unique<TFileRepGen>("C:\\FUEL\\FORMS\\REPORT\\AktVozvr.frm", out.Name(),
                                           true, 0, 1);
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  PutOrgRequisites(rep.get(), nullptr, -1);
  const std::string vidOpl = VidOplCondition();
  bool byClient = false;
  if (clientMode != 2) byClient = AskHost(hcSmenaNum).AsInteger() >= 0;
  ds->SelectSQL().SetText(
      "SELECT bc.*\r\nFROM BCheck bc\r\n"
      "WHERE (bc.Data > :Data1) and (bc.Data < :Data2) and (bc.Summa < -0.004)  \r\n" +
      std::string(byClient ? "and (bc.Client = :Client)" : "") + "\r\n" + vidOpl);
  if (byClient) ds->ParamByName("Client").SetAsInteger(client);
  ds->ParamByName("Data1").SetAsDateTime(begTime);
  ds->ParamByName("Data2").SetAsDateTime(endTime);
  ds->Open();

  rep->SetVar("SmNum", IntToStr(smNum));
  rep->SetVar("BegTime", FormatDateTime(DateTimeFormat, begTime));
  rep->SetVar("EndTime", Now() < endTime ? "Не закрыта ("_w +
                                               FormatDateTime(DateTimeFormat, endTime - 1.0) + ")"
                                         : FormatDateTime(DateTimeFormat, endTime));
  rep->SetVar("Operator", operatorName);
  rep->SetVar("NKKM", AskHost(hcKKMRegNum, client).AsString());

  double total = 0;
  int n = 0;
  TIBField& data = ds->FieldByName("Data");
  TIBField& trk = ds->FieldByName("TrkIndex");
  TIBField& kolvo = ds->FieldByName("Kolvo");
  TIBField& price = ds->FieldByName("Price");
  TIBField& summa = ds->FieldByName("Summa");
  for (; !ds->Eof();) {
    const TDateTime when = data.AsDateTime();
    const double sum = summa.AsFloat();
    rep->SetVar("NN", Format("%3d", {++n}));
    rep->SetVar("NNC", Format("%3d", {ds->RecNo()}));
    rep->SetVar("Date", FormatDateTime("dd.mm.yyyy", when));
    rep->SetVar("Time", FormatDateTime("hh:nn", when));
    rep->SetVar("Trk", Format("%3d", {trk.AsInteger() + 1}));
    rep->SetVar("Kolvo", Format("%7.2n", {kolvo.AsFloat()}));
    rep->SetVar("Price", Format("%7.2n", {price.AsFloat()}));
    rep->SetVar("Summa", Format("%9.2n", {-sum}));
    total -= sum;
    ds->Next();
    rep->PrintRepeat();
  }
  ds->Close();
  rep->SetVar("SummaAll", Format("%9.2n", {total}));
  rep->SetVar("SummaText", AmountInWords(total));
  rep->EndReport();
  rep.reset();
  ds.reset();
  text = out.ReadText();
  LastHTMLReport =
      "Данный отчет устарел (он сформирован только для старой формы отчета). "
      "Ипользуйте взамен \"Отчеты по возвратам\""_w;
}

}  // namespace tv
