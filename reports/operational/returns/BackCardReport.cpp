#include "reports/operational/returns/BackCardReport.h"

#include <algorithm>
#include <memory>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "foundation/SafeIniFiles.h"
#include "foundation/XMUtils.h"
#include "library/HostCallbacks.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "library/ReportsInterface.h"
#include "library/TempReportFile.h"
#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/statements/StatementUtils.h"

namespace tv {

namespace {

// The bytes of the transaction record that the report shows.
constexpr std::size_t TranBytes = 79;

bool HasStatusColumn(TIBDataSet& ds) {
  ds.SelectSQL().SetText("SELECT FIRST 1 * FROM BackCard");
  ds.Open();
  const bool has = ds.FindField("STATUS") != nullptr;
  ds.Close();
  return has;
}

void WriteHeader(TFileRepGen& rep, THTML_Jet& jet, const std::string& smena,
                 const std::string& operatorName, bool closed, TDateTime begDate,
                 TDateTime endDate) {
  const std::string azs = AskHost(hcStationName).AsString();
  rep.SetVar("AZS", azs);
  jet.Add("AZS", azs);
  rep.SetVar("Date", DateToStr(Date()));
  rep.SetVar("CurTime", TimeToStr(Time()));
  jet.AddDateTime("CurDate", "dd.mm.yyyy", Now());
  jet.AddDateTime("CurTime", "hh:nn:ss", Now());
  rep.SetVar("SmNum", smena);
  jet.Add("SmNum", smena);
  rep.SetVar("Operator", operatorName);
  jet.Add("Operator", operatorName);
  rep.SetVar("BegTime", DateTimeToStr(begDate));
  jet.AddDateTime("BegTime", "dd.mm.yyyy hh:nn:ss", begDate);
  if (!closed) {
    rep.SetVar("EndTime", "Не закрыта"_w);
    jet.AddDateTime("EndTime", "Не закрыта"_w, -1);
  } else {
    rep.SetVar("EndTime", DateTimeToStr(endDate));
    jet.AddDateTime("EndTime", "dd.mm.yyyy hh:nn:ss", endDate);
  }
}

}  // namespace

void MakeBackCardReport(TReportCreator& creator, int smenaFrom, bool closed, TDateTime begDate,
                        TDateTime endDate, const std::string& operatorName, int smenaTo,
                        const std::string& formFile, const std::string& templateFile,
                        std::string& text) {
  TTempReportFile out;
  const std::string form =
      formFile.empty() ? std::string("C:\\FUEL\\FORMS\\REPORT\\BackCard.frm") : formFile;
  const std::string html =
      templateFile.empty() ? GetWebFormFileName("Непроизведенные возвраты на терминал.html"_w)
                           : templateFile;
  auto rep = std::make_unique<TFileRepGen>(form, out.Name(), true, 0, 1);
  auto jet = std::make_unique<THTML_Jet>(html, false, 0);
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  const bool status = HasStatusColumn(*ds);
  jet->Init();
  PutOrgRequisites(rep.get(), jet.get(), -1);
  std::string sql =
      "SELECT bc.*\r\nFROM BackCard bc\r\nWHERE (bc.Data BETWEEN  :Data1 AND :Data2) ";
  if (status) sql += "\r\n AND (COALESCE(bc.\"STATUS\", 0) = 0) ";
  ds->SelectSQL().SetText(sql);

  const std::string smena = smenaFrom == smenaTo ? IntToStr(smenaFrom)
                                                 : Format("%d - %d", {smenaFrom, smenaTo});
  if (begDate == 0 && endDate == 0) {
    closed = false;
    begDate = AskHost(hcSmenaBegTime).AsDateTime();
    endDate = Now();
  }
  std::string oper = operatorName;
  if (smenaFrom == AskHost(hcSmenaNum).AsInteger() && oper.empty())
    oper = AskHost(hcOperator).AsString();
  WriteHeader(*rep, *jet, smena, oper, closed, begDate, endDate);

  ds->ParamByName("Data1").SetAsDateTime(begDate);
  ds->ParamByName("Data2").SetAsDateTime(endDate);
  ds->Open();
  double liters = 0, summa = 0;
  try {
    TIBField* comment = ds->FindField("COMMENT");
    for (; !ds->Eof();) {
      const TDateTime data = ds->FieldByName("Data").AsDateTime();
      const double l = ds->FieldByName("Liters").AsFloat();
      const double s = ds->FieldByName("Summa").AsFloat();
      const std::string tk = ds->FieldByName("TipCard").AsString();
      const std::string card = ds->FieldByName("NumberCard").AsString();
      const std::string gsm = ds->FieldByName("GSM").AsString();
      const std::string tran = ds->FieldByName("Tran").AsString();
      const std::string hex = SafeIniFiles::StrToHexStr(std::string_view(tran).substr(0, TranBytes));
      rep->SetVar("Date", FormatDateTime("dd.mm.yyyy", data));
      rep->SetVar("Time", FormatDateTime("hh:nn:ss", data));
      rep->SetVar("TK", tk);
      rep->SetVar("NumCard", card);
      rep->SetVar("GSM", gsm);
      rep->SetVar("Liter", Format("%9.2n", {l}));
      rep->SetVar("Summa", Format("%9.2n", {s}));
      rep->SetVar("Tran", hex);
      jet->AddDateTime("Date", "dd.mm.yyyy", data);
      jet->AddDateTime("Time", "hh:nn", data);
      jet->Add("TK", tk);
      jet->Add("NumCard", card);
      jet->Add("GSM", NoBr(gsm));
      jet->AddFloat("Liter", VolumeFormat, l);
      jet->AddFloatDefault("Summa", s);
      if (comment) jet->Add("COMMENT", comment->AsString());
      jet->Add("Tran", hex);
      liters += l;
      summa += s;
      ds->Next();
      rep->PrintRepeat();
      jet->EndLine();
    }
  } catch (...) {
    ds->Close();
    throw;
  }
  ds->Close();
  rep->SetVar("LiterA", Format("%9.2n", {liters}));
  rep->SetVar("SummaA", Format("%9.2n", {summa}));
  rep->EndReport();
  jet->MakeItog2("%.2n");
  jet->MakeItog(2);
  jet->EndOGroup();
  jet->EndDoc();
  jet->GetReady(LastHTMLReport);
  rep.reset();
  jet.reset();
  text = out.ReadText();
}

}  // namespace tv
