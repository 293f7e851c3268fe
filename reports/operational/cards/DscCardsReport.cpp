#include "reports/operational/cards/DscCardsReport.h"

#include <memory>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "foundation/ReportUtils.h"
#include "foundation/XMUtils.h"
#include "library/ReportCreator.h"
#include "library/OrgRequisites.h"
#include "library/ReportRoutines.h"
#include "library/ReportsInterface.h"
#include "platform/text/Cp1251.h"
#include "platform/text/StringList.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"

namespace tv {

namespace {

const char* const kStatements[3] = {
    "SELECT * FROM DscCards WHERE (%s AND %s) ORDER BY CardNum",
    "SELECT CardNum, AZSName, Max(dat) AS dat, Sum(SumLiter) AS SumLiter, Sum(sumRubl) AS "
    "sumRubl\r\nFROM DscCards\r\nWHERE (%s AND %s)\r\nGROUP BY CardNum, AZSName\r\nORDER BY "
    "AZSName, CardNum",
    "SELECT CardNum, Sum(SumLiter) AS SumLiter, Sum(sumRubl) AS sumRubl\r\nFROM DscCards\r\nWHERE "
    "(%s AND %s)\r\nGROUP BY CardNum\r\nORDER BY CardNum",
};

// One condition over the lines of `masks`; `likeChars` empty makes every
// line an equality.
std::string Condition(const std::string& masks, const char* column, std::string_view likeChars) {
  std::string cond;
  if (masks.empty() || masks == "*") {
    cond = std::string("(") + column + " LIKE '*')";
  } else {
    TStringList lines;
    lines.SetText(masks);
    for (int i = 0; i < lines.Count(); ++i) {
      const std::string& line = lines[i];
      // The line is quoted as a whole, so that a quote in a name is only a
      // character of it.
      const bool like = line.find_first_of(likeChars) != std::string::npos;
      cond += std::string(" (") + column + (like ? " LIKE " : " = ") + QuotedStr(line) + ") or ";
    }
    if (!cond.empty()) cond.resize(cond.size() - 4);
    cond = "(" + cond + ")";
  }
  cond = FastStringReplace(cond, "*", "%", rfReplaceAll);
  return FastStringReplace(cond, "?", "_", rfReplaceAll);
}

// The office database, connected for one report and closed on every exit.
struct TOfficeDatabase {
  TIBDatabase* Db;
  TOfficeDatabase()
      : Db(FBUtils::CreateDatabase("C:\\FUEL\\OfficeDB\\OFFICE.FDB", FBUtils::GetFBPassword(),
                                   FBUtils::GetFBPort(), true, nullptr, "SYSDBA", "127.0.0.1",
                                   false, "", "WIN1251")) {
    try {
      FBUtils::FBConnectDB(Db);
    } catch (...) {
      FBUtils::FreeDatabase(Db);
      throw;
    }
  }
  ~TOfficeDatabase() { FBUtils::FreeDatabase(Db); }
  TOfficeDatabase(const TOfficeDatabase&) = delete;
  TOfficeDatabase& operator=(const TOfficeDatabase&) = delete;
};

}  // namespace

std::string DscCardCondition(const std::string& cardMasks) {
  return Condition(cardMasks, "CardNum", "?_*%");
}

std::string DscStationCondition(const std::string& stationNames) {
  return Condition(stationNames, "AZSName", "");
}

void MakeDscCardsReport(TReportCreator& /*creator*/, int kind, const std::string& cardMasks,
                        const std::string& stationNames, std::string& text) {
  if (kind < 0 || kind > 2)
    throw Exception(Format(
        "Неизвестный вид группировки отчета по дисконтным картам: %d (допустимы 0, 1 и 2)"_w,
        {kind}));
  TOfficeDatabase office;
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(office.Db, true, nullptr, nullptr, ""));
  ds->SelectSQL().SetText(Format(kStatements[kind], {DscCardCondition(cardMasks),
                                                     DscStationCondition(stationNames)}));
  ds->Open();
  auto jet = std::make_unique<THTML_Jet>(GetWebFormFileName("Отчет по дисконтным картам.html"_w),
                                         false, 0);
  jet->Init();
  PutOrgRequisites(nullptr, jet.get(), -1);
  for (; !ds->Eof(); ds->Next()) {
    jet->Add("CardNum", ds->FieldByName("CardNum").AsString());
    if (kind <= 1) {
      jet->Add("AZSName", ds->FieldByName("AZSName").AsString());
      jet->AddDateTime("DataDate", "dd.mm.yyyy hh:nn:ss", ds->FieldByName("dat").AsDateTime());
    }
    if (kind == 0) {
      jet->Add("GSM", ds->FieldByName("GSM").AsString());
      jet->AddInteger("VipOplNum", ds->FieldByName("VidOpl").AsInteger());
    }
    jet->AddFloat("Volume", VolumeFormat, ds->FieldByName("SumLiter").AsFloat());
    jet->AddFloatDefault("Summa", ds->FieldByName("sumRubl").AsFloat());
    jet->EndLine();
  }
  ds->Close();
  jet->MakeItog2("%.2n");
  jet->MakeItog(2);
  jet->EndOGroup();
  jet->EndDoc();
  text = "Данные по дисконтным картам находятся в новой форме отчета"_w;
  jet->GetReady(LastHTMLReport);
}

}  // namespace tv
