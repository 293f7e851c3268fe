#include "reports/operational/dispensers/TrkHistoryReport.h"

#include <algorithm>
#include <memory>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/VidOpl.h"
#include "foundation/XMUtils.h"
#include "library/HostCallbacks.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "library/ReportsInterface.h"
#include "library/TempReportFile.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"

namespace tv {

namespace {

std::string OperationText(int operation) {
  static const char* const kTexts[] = {"  Заказано  ", "Прод.отлива ", "Остановлена ",
                                       "   Отлито   ", "  Недолито  ", "   Сдача    ",
                                       "Авар.останов", "   Перелив  "};
  const int low = operation & 0x7F;
  return low < 8 ? Utf8ToCp1251(kTexts[low]) : std::string(" ");
}

std::string DoseText(int dose) {
  switch (dose & 0xFF) {
    case 0: return "Литры"_w;
    case 1: return "Сумма"_w;
    case 2: return "Бак  "_w;
    case 4: return "---  ";
    default: return " ";
  }
}

std::string PaymentText(int code) {
  if (code == 999) return {};
  const int index = FindVidOplIndex(code, VidOplArray, -1);
  if (index >= 0 && index <= VidOplNames.HighBound()) return VidOplNames[index].AsString();
  return "Оплата "_w + IntToStr(code);
}

// The rows from `first` (1-based, newest first) back towards the newest,
// at most `budget` of them, written to both versions.
void WriteTrkHistoryReport(TIBDataSet& ds, const std::string& trkName, bool whole, int first,
                           int budget, TDateTime begDate, TDateTime endDate, std::string& text) {
  TTempReportFile out;
  {
    TFileRepGen rep("C:\\FUEL\\FORMS\\REPORT\\history.frm", out.Name(), true, 0, 1);
    THTML_Jet jet(GetWebFormFileName("История продаж по ТРК.html"_w));
    jet.Init();
    PutOrgRequisites(&rep, &jet, -1);
    int maxVidOpl = 20;
    if (!TryStrToInt(Trim(jet.Params().Values("MaxVidOplLength")), maxVidOpl)) maxVidOpl = 20;

    TIBField& time = ds.FieldByName("TIME");
    TIBField& gsm = ds.FieldByName("GSM");
    TIBField& client = ds.FieldByName("CLIENT");
    TIBField& operation = ds.FieldByName("OPERATION");
    TIBField& op1 = ds.FieldByName("OP1");
    TIBField& op2 = ds.FieldByName("OP2");
    TIBField& liters = ds.FieldByName("LITERS");
    TIBField& summa = ds.FieldByName("SUMMA");
    TIBField& automobil = ds.FieldByName("AUTOMOBIL");
    TIBField* density = ds.FindField("TRKDENSITY");

    rep.SetVar("TrkN", trkName);
    jet.Add("TrkN", trkName);
    if (whole) {
      rep.SetVar("BegTime", DateTimeToStr(begDate));
      rep.SetVar("EndTime", DateTimeToStr(endDate));
      rep.SetVar("Data", DateTimeToStr(begDate));
      jet.AddDateTime("BegTime", "dd.mm.yyyy hh:nn:ss", begDate);
      jet.AddDateTime("EndTime", "dd.mm.yyyy hh:nn:ss", endDate);
    }
    // The rows are held in memory: positioning is one walk to the first row
    // written, then a step back per row.
    ds.First();
    for (int k = 1; k < first; ++k) ds.Next();
    if (!whole && first > 0) {
      rep.SetVar("BegTime", DateTimeToStr(time.AsDateTime()));
      rep.SetVar("Data", DateTimeToStr(time.AsDateTime()));
      jet.AddDateTime("BegTime", "hh:nn:ss", time.AsDateTime());
    }
    for (int k = first, written = 0; k >= 1 && written < budget; --k, ++written) {
      if (k < first) ds.Prior();
      const std::string fuel = gsm.AsString();
      const bool hasFuel = !fuel.empty();
      // A row without a fuel shows its operation only, in both versions.
      rep.SetVar("Time", hasFuel ? FormatDateTime("hh:nn:ss", time.AsDateTime()) : "");
      rep.SetVar("Date", hasFuel ? FormatDateTime("dd:mm", time.AsDateTime()) : "");
      rep.SetVar("Op", hasFuel ? client.AsString() : "");
      rep.SetVar("Gsm", fuel);
      rep.SetVar("TipOtl", hasFuel ? DoseText(op2.AsInteger()) : "");
      rep.SetVar("Liter", hasFuel ? Format("%7.2n", {liters.AsFloat()}) : "");
      rep.SetVar("Summa", hasFuel ? Format("%8.2n", {summa.AsFloat()}) : "");
      if (hasFuel) {
        jet.AddDateTime("Time", "hh:nn:ss", time.AsDateTime());
        jet.AddDateTime("Date", "dd:mm", time.AsDateTime());
        jet.Add("Op", client.AsString());
        jet.Add("Gsm", NoBr(fuel));
        jet.Add("TipOtl", DoseText(op2.AsInteger()));
        jet.AddFloat("Liter", "%.2n", liters.AsFloat());
        jet.AddFloatDefault("Summa", summa.AsFloat());
        if (density != nullptr && density->AsCurrency() > Currency())
          jet.AddFloat("TRKDens", "%.4f", static_cast<double>(density->AsCurrency()));
      }
      const std::string oper = OperationText(operation.AsInteger());
      const std::string payment = PaymentText(op1.AsInteger());
      rep.SetVar("Oper", oper);
      jet.Add("Oper", oper);
      rep.SetVar("VidOpl", LeftStr(payment, 12));
      jet.Add("VidOpl", LeftStr(payment, maxVidOpl));
      rep.SetVar("AutoMobil", automobil.AsString());
      jet.Add("AutoMobil", automobil.AsString());
      rep.PrintRepeat();
      jet.EndLine();
    }
    rep.EndReport();
    jet.EndOGroup();
    jet.EndDoc();
    jet.GetReady(LastHTMLReport);
  }
  text = out.ReadText();
}

}  // namespace

void MakeTrkHistoryReport(TReportCreator& creator, const std::string& trkName, int recentCount,
                          TDateTime begDate, TDateTime endDate, bool currentShift,
                          std::string& text) {
  if (currentShift) {
    begDate = AskHost(hcSmenaBegTime).AsDouble();
    endDate = Now();
  }
  if (begDate == 0 && endDate == 0) {
    begDate = EncodeDate(2000, 1, 1);
    endDate = Now();
  }
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  ds->SelectSQL().SetText(
      "SELECT * \r\nFROM Trk\r\nWHERE (Trk.TRK = :pTrkName) AND (Trk.\"TIME\" between :pBegDate "
      "and :pEndDate)\r\nORDER BY Trk.\"TIME\" DESC");
  ds->ParamByName("pBegDate").SetAsDateTime(begDate);
  ds->ParamByName("pEndDate").SetAsDateTime(endDate);
  ds->ParamByName("pTrkName").SetAsString(trkName);
  ds->Open();
  try {
    ds->FetchAll();
    const int count = ds->RecordCount();
    const bool whole = recentCount < 0;
    const int first = whole ? count : std::min(recentCount, count);
    WriteTrkHistoryReport(*ds, trkName, whole, first, whole ? count : 20, begDate, endDate,
                          text);
  } catch (...) {
    ds->Close();
    throw;
  }
  ds->Close();
}

}  // namespace tv
