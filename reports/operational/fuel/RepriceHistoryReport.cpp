#include "reports/operational/fuel/RepriceHistoryReport.h"

#include <memory>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "foundation/XMUtils.h"
#include "library/ReportRoutines.h"
#include "platform/text/Cp1251.h"
#include "platform/data/Currency.h"
#include "platform/text/FloatText.h"
#include "platform/RtlMath.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"

namespace tv {

namespace {

// The lines of a text broken at CR LF, CR or LF; none for an empty text.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

std::string JoinBr(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i == 0 ? "" : "<br>") + lines[i];
  return out;
}

// A price kept with four decimals; "." and "," both read as the decimal
// separator.
Currency ReadPrice(std::string text, const std::string& basis, const char* list, std::size_t line,
                   const TFormatSettings& fs) {
  for (char& c : text)
    if (c == '.' || c == ',') c = fs.DecimalSeparator;
  try {
    return Currency::FromRaw(Round(StrToFloat(text, fs) * 10000.0L));
  } catch (const Exception& e) {
    throw EConvertError(Format("Основание \"%s\", %s, строка %d: %s"_w,
                               {basis, Utf8ToCp1251(list), static_cast<int>(line), e.Message()}));
  }
}

std::string HtmlLines(const std::string& text) {
  return FastStringReplace(Trim(text), "\r\n", "<br>", rfReplaceAll);
}

}  // namespace

std::vector<std::string> RepriceDiffList(const std::string& oldPrices,
                                         const std::string& newPrices, const std::string& basis,
                                         const TFormatSettings& fs) {
  const std::vector<std::string> olds = SplitLines(Trim(oldPrices));
  const std::vector<std::string> news = SplitLines(Trim(newPrices));
  std::vector<std::string> diff;
  if (olds.size() != news.size()) {
    diff.push_back(olds.empty()
                       ? "Не определена / синхронизация с АЗС"_w
                       : "Количество элементов в списках \"Старые цены\" и \"Новые цены\" не совпадает"_w);
    return diff;
  }
  for (std::size_t i = 0; i < olds.size(); ++i) {
    const Currency oldPrice = ReadPrice(olds[i], basis, "старые цены", i + 1, fs);
    const Currency newPrice = ReadPrice(news[i], basis, "новые цены", i + 1, fs);
    if (oldPrice == newPrice) {
      diff.push_back("Нет"_w);
      continue;
    }
    const long double delta = static_cast<long double>(newPrice - oldPrice);
    std::string line = FormatFloat("0.00", delta, fs);
    // A zero old price has no percentage; the difference alone is shown.
    if (oldPrice != Currency())
      line += ", " + FormatFloat("0.0", delta / static_cast<long double>(oldPrice) * 100, fs) + "%";
    diff.push_back(line);
  }
  return diff;
}

void BuildRepriceHistoryReport(TReportCreator& /*creator*/, std::string& html, TDateTime begDate,
                               TDateTime endDate) {
  std::unique_ptr<TIBDatabase, void (*)(TIBDatabase*)> office(
      FBUtils::CreateDatabase("C:\\FUEL\\OfficeDB\\OFFICE.FDB", FBUtils::GetFBPassword(),
                              FBUtils::GetFBPort(), true, nullptr, "SYSDBA", "127.0.0.1", true, "",
                              "WIN1251"),
      [](TIBDatabase* db) {
        try {
          FBUtils::FreeDatabase(db);
        } catch (...) {  // a failing disconnect must not hide the report's own error
        }
      });
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(office.get(), true, nullptr, nullptr, ""));
  THTML_Jet jet(GetWebFormFileName("История переоценки ГСМ.html"_w), false, 0);
  jet.Init();
  ds->SelectSQL().SetText(
      "SELECT * FROM GSMCHANGEHISTORY WHERE DATACHANGE BETWEEN :BegDate AND :EndDate ORDER BY "
      "DATACHANGE");
  ds->ParamByName("BegDate").SetAsDateTime(begDate);
  ds->ParamByName("EndDate").SetAsDateTime(endDate);
  for (ds->Open(); !ds->Eof(); ds->Next()) {
    const std::string basis = ds->FieldByName("OSNOVANIE").AsString();
    const std::string olds = ds->FieldByName("FULLGSMOLDVALUES").AsString();
    const std::string news = ds->FieldByName("FULLGSMVALUES").AsString();
    jet.Add("OsnNum", basis);
    jet.AddDateTime("OsnDate", "dd.mm.yyyy hh:nn", ds->FieldByName("DATACHANGE").AsDateTime());
    jet.AddDateTime("DateAction", "dd.mm.yy", ds->FieldByName("DATAAPPLY").AsDateTime());
    jet.Add("OperName", ds->FieldByName("OPERATOR").AsString());
    jet.Add("GSMList", HtmlLines(ds->FieldByName("FULLGSMLIST").AsString()));
    jet.Add("OldPriceList", JoinBr(SplitLines(Trim(olds))));
    jet.Add("NewPriceList", JoinBr(SplitLines(Trim(news))));
    jet.Add("PriceDiff", JoinBr(RepriceDiffList(olds, news, basis)));
    jet.Add("AZSList", HtmlLines(ds->FieldByName("AZSLIST").AsString()));
    jet.EndLine();
  }
  ds.reset();
  jet.EndOGroup();
  jet.EndDoc();
  jet.GetReady(html);
}

}  // namespace tv
