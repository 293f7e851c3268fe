#include "reports/operational/dispensers/ResetTrkReport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "foundation/VidOpl.h"
#include "library/HostCallbacks.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "library/ReportsInterface.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"

namespace tv {

namespace {

constexpr const char* kDateTime = "dd.mm.yyyy hh:nn:ss";

// The columns of RESETTRK that the report reads: a database whose table
// lacks one of them (an older schema) has no restarts to show.
const char* const kResetColumns[] = {
    "STARTDATA",  "TRKNUM",        "TRKNAME",        "PISTOLET",       "GSM",
    "VIDOPL",     "STARTLITER",    "STARTSUMMA",     "TYPESTART",      "CLIENT",
    "POKUPATEL",  "LITER_PROG",    "LITER_DB",       "LITER_TRK_SUM",  "LITER_TRK",
    "LITER_MANUAL", "LASTDATA",    "LASTSTATE",      "DATA_LAST_KKM",  "SUMMA_LAST_KKM",
    "LITER_LAST_KKM", "RESETWINDOWS", "PRIM",        "INDEXSALE",      "FIXEDDATA"};

bool HasResetTable(TReportCreator& creator) {
  std::unique_ptr<TIBDataSet> q(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  q->SelectSQL().SetText(
      "SELECT TRIM(RDB$FIELD_NAME) AS NAME FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = "
      "'RESETTRK'");
  q->Open();
  std::vector<std::string> found;
  for (; !q->Eof(); q->Next()) found.push_back(AnsiUpperCase(q->FieldByName("NAME").AsString()));
  q->Close();
  for (const char* column : kResetColumns)
    if (std::find(found.begin(), found.end(), column) == found.end()) return false;
  return true;
}

// One record as read.
struct TResetRow {
  bool NoShift = false;
  int SmNum = 0;
  std::string Operator, TrkName, Pistolet, Gsm, Pokupatel, Prim, IndexSale;
  TDateTime BegTime = 0, EndTime = 0, StartData = 0, LastData = 0, DataLastKKM = 0, FixedData = 0;
  int TrkNum = 0, VidOpl = 0, TypeStart = 0, Client = 0, LastState = 0, ResetWindows = 0;
  bool LastStateNull = false, KKMNull = false, ResetWindowsNull = false;
  Currency StartLiter, StartSumma, SummaLastKKM, LiterLastKKM;
  Currency Liters[5];  // program, database, dispenser counters, last fill, by hand
  bool LitersNull[5] = {};
};

std::vector<TResetRow> ReadRows(TReportCreator& creator, TDateTime beg, TDateTime end) {
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  // A record on the boundary of two logged shifts (the end of one, the begin
  // of the next) belongs to the earlier one only.
  ds->SelectSQL().SetText(
      "SELECT sm.SMNUM, sm.\"OPERATOR\", sm.BEGTIME, sm.ENDTIME, t.* FROM RESETTRK t LEFT JOIN "
      "SMLOG sm ON sm.SMNUM = (SELECT MIN(s2.SMNUM) FROM SMLOG s2 WHERE t.STARTDATA BETWEEN "
      "s2.BEGTIME AND s2.ENDTIME) WHERE t.STARTDATA BETWEEN :BegDate AND :EndDate ORDER BY "
      "sm.SMNUM, t.STARTDATA");
  ds->ParamByName("BegDate").SetAsDateTime(beg);
  ds->ParamByName("EndDate").SetAsDateTime(end);
  ds->Open();
  const auto F = [&ds](const char* name) -> TIBField& { return ds->FieldByName(name); };
  const char* const liters[5] = {"LITER_PROG", "LITER_DB", "LITER_TRK_SUM", "LITER_TRK",
                                 "LITER_MANUAL"};
  std::vector<TResetRow> rows;
  for (; !ds->Eof(); ds->Next()) {
    TResetRow r;
    r.NoShift = F("SMNUM").IsNull();
    r.SmNum = F("SMNUM").AsInteger();
    r.Operator = F("OPERATOR").AsString();
    r.BegTime = F("BEGTIME").AsDateTime();
    r.EndTime = F("ENDTIME").AsDateTime();
    r.StartData = F("STARTDATA").AsDateTime();
    r.TrkNum = F("TRKNUM").AsInteger();
    r.TrkName = F("TRKNAME").AsString();
    r.Pistolet = F("PISTOLET").AsString();
    r.Gsm = F("GSM").AsString();
    r.VidOpl = F("VIDOPL").AsInteger();
    r.StartLiter = F("STARTLITER").AsCurrency();
    r.StartSumma = F("STARTSUMMA").AsCurrency();
    r.TypeStart = F("TYPESTART").AsInteger();
    r.Client = F("CLIENT").AsInteger();
    r.Pokupatel = F("POKUPATEL").AsString();
    for (int k = 0; k < 5; ++k) {
      r.LitersNull[k] = F(liters[k]).IsNull();
      r.Liters[k] = F(liters[k]).AsCurrency();
    }
    r.LastData = F("LASTDATA").AsDateTime();
    r.LastStateNull = F("LASTSTATE").IsNull();
    r.LastState = F("LASTSTATE").AsInteger();
    r.KKMNull = F("DATA_LAST_KKM").IsNull();
    r.DataLastKKM = F("DATA_LAST_KKM").AsDateTime();
    r.SummaLastKKM = F("SUMMA_LAST_KKM").AsCurrency();
    r.LiterLastKKM = F("LITER_LAST_KKM").AsCurrency();
    r.ResetWindowsNull = F("RESETWINDOWS").IsNull();
    r.ResetWindows = F("RESETWINDOWS").AsInteger();
    r.Prim = F("PRIM").AsString();
    r.IndexSale = F("INDEXSALE").AsString();
    r.FixedData = F("FIXEDDATA").AsDateTime();
    rows.push_back(std::move(r));
  }
  ds->Close();
  return rows;
}

std::string StateText(const TResetRow& r) {
  static const char* const kStates[] = {
      "Не подключена", "Выполняется отлив", "Свободна",        "Нет ответа",   "Ошибка",
      "Включение ТРК", "ТРК остановлена",   "Отлив закончен", "Пистолет снят", "Команда:Отлив",
      "Команда:Стоп",  "Команда:Свободна",  "Заблокирована"};
  if (r.LastStateNull) return "Неизвестно"_w;
  const int low = r.LastState & 0x7F;
  if (low <= 12) return Utf8ToCp1251(kStates[low]);
  return "Неизвестно:"_w + IntToStr(r.LastState);
}

std::string StartTypeText(int type) {
  switch (type) {
    case 0: return "Литры"_w;
    case 1: return "Сумма"_w;
    case 2: return "До полного"_w;
    case 4: return "Сбой:4"_w;
    default: return "Неизвестно:"_w + IntToStr(type);
  }
}

void AddResetTrkRow(THTML_Jet& jet, const TResetRow& r) {
  jet.AddDateTime("StTime", kDateTime, r.StartData);
  jet.AddInteger("TRKNum", r.TrkNum);
  const int asNumber = StrToIntDef(r.TrkName, -111);
  jet.Add("TRK", asNumber != -111 ? "ТРК: "_w + r.TrkName : r.TrkName);
  jet.Add("GSM", r.Gsm);
  jet.AddFloat("StLiter", "%.2n", static_cast<double>(r.StartLiter));
  jet.AddFloatDefault("StSumma", static_cast<double>(r.StartSumma));
  jet.Add("StType", StartTypeText(r.TypeStart));
  jet.Add("WasCheck", r.TypeStart == 2 ? "НЕТ"_w : "ДА"_w);
  jet.AddInteger("Client", r.Client);
  jet.Add("Pokupatel", r.Pokupatel);
  const int index = FindVidOplIndex(r.VidOpl, VidOplArray, -1);
  jet.Add("VidOpl", index >= 0 ? VidOplArray.At(index, 0).AsString()
                               : "Вид оплаты: "_w + IntToStr(r.VidOpl));
  const char* const names[5] = {"TRKProg", "TRKDB", "TRKCh", "TRKLast", "TRKManual"};
  for (int k = 0; k < 5; ++k)
    if (!r.LitersNull[k]) jet.AddFloat(names[k], "%.2n", static_cast<double>(r.Liters[k]));
  if (r.LastData > 1.0) jet.AddDateTime("LastTime", kDateTime, r.LastData);
  jet.Add("LastState", StateText(r));
  if (r.KKMNull)
    jet.Add("KKMLastTime", "ЧЕК НЕ ВЫБИТ!"_w);
  else
    jet.AddDateTime("KKMLastTime", kDateTime, r.DataLastKKM);
  if (r.SummaLastKKM != Currency()) jet.AddFloatDefault("KKMLastS", static_cast<double>(r.SummaLastKKM));
  if (r.LiterLastKKM != Currency())
    jet.AddFloat("KKMLastL", "%.2n", static_cast<double>(r.LiterLastKKM));
  if (!r.ResetWindowsNull) jet.Add("ResetWin", r.ResetWindows == 1 ? "<b>ДА</b>"_w : "нет"_w);
  jet.Add("Comment", r.Prim);
  jet.Add("INDEXSALE", r.IndexSale);
  jet.AddDateTime("FIXEDDATA", kDateTime, r.FixedData);
  jet.Add("PISTOLET", r.Pistolet);
  jet.EndLine();
}

// Records kept by a key text in order of first occurrence; look-ups ignore
// letter case and take constant time.
template <typename T>
struct TKeyedList {
  std::vector<std::pair<std::string, T>> Items;
  std::unordered_map<std::string, std::size_t> Index;
  T& Find(const std::string& key, bool& created) {
    auto [it, inserted] = Index.emplace(AnsiUpperCase(key), Items.size());
    created = inserted;
    if (inserted) Items.emplace_back(key, T());
    return Items[it->second].second;
  }
};

std::string Finished(THTML_Jet& jet) {
  std::string text;
  jet.GetReady(text);
  return text;
}

std::string SmenaTable(const TKeyedList<TItogResetTRKInfo>& shifts) {
  THTML_Jet jet(GetWebFormFileName("Число перезагрузок по сменам.html"_w));
  jet.Init();
  for (const auto& [key, s] : shifts.Items) {
    jet.Add("SmNum", key);
    jet.AddDateTime("BegTime", kDateTime, s.BegTime);
    jet.AddDateTime("EndTime", kDateTime, s.EndTime);
    jet.Add("Operator", s.Operator);
    jet.AddInteger("OtlivCnt", s.Count);
    jet.EndLine();
  }
  jet.EndOGroup();
  jet.EndDoc();
  return Finished(jet);
}

std::string GsmTable(const TKeyedList<TItogResetGSM>& fuels) {
  THTML_Jet jet(GetWebFormFileName("Сумма перезагрузок по ГСМ.html"_w));
  jet.Init();
  for (const auto& [key, g] : fuels.Items) {
    jet.Add("GSM", key);
    jet.AddFloatDefault("StSumma", static_cast<double>(g.StSumma));
    jet.AddFloat("StLiter", "%.2n", static_cast<double>(g.StLiter));
    jet.AddFloatDefault("KKMSumma", static_cast<double>(g.KKMSumma));
    jet.AddFloat("KKMLiter", "%.2n", static_cast<double>(g.KKMLiter));
    jet.EndLine();
  }
  jet.MakeItog2("%.2n");
  jet.MakeItog(2);
  jet.EndOGroup();
  jet.EndDoc();
  return Finished(jet);
}

}  // namespace

void MakeResetTrkReports(TReportCreator& creator, int shiftFrom, int shiftTo, TDateTime begDate,
                         TDateTime endDate, const std::string& templateName, std::string& html) {
  html = "<br><font size=3>За указанный период перезагрузок с незавершенными отливами не было."
         "</font><br><br>"_w;
  const bool current = begDate == 0;
  if (current) {
    begDate = AskHost(hcSmenaBegTime).AsDouble();
    endDate = Now();
  }
  const bool detailed = current || shiftFrom == shiftTo || templateName.empty();
  if (!HasResetTable(creator)) return;
  const std::vector<TResetRow> rows = ReadRows(creator, begDate, endDate);
  if (rows.empty()) return;

  TKeyedList<TItogResetTRKInfo> shifts;
  TKeyedList<TItogResetGSM> fuels;
  for (const TResetRow& r : rows) {
    bool created = false;
    TItogResetTRKInfo& s = shifts.Find(IntToStr(r.SmNum), created);
    if (created) s = {0, r.BegTime, r.EndTime, r.Operator};
    s.Count += 1;
    TItogResetGSM& g = fuels.Find(r.Gsm, created);
    g.StSumma += r.StartSumma;
    g.StLiter += r.StartLiter;
    if (r.TypeStart == 0 || r.TypeStart == 1) {
      g.KKMSumma += r.StartSumma + r.SummaLastKKM;
      g.KKMLiter += r.StartLiter + r.LiterLastKKM;
    } else if (r.TypeStart == 2) {
      g.KKMSumma += r.SummaLastKKM;
      g.KKMLiter += r.LiterLastKKM;
    }
  }

  std::string name = templateName, bySmena, byGsm;
  if (!detailed) {
    name = "Суммарный отчет по перезагрузкам.html"_w;
    bySmena = SmenaTable(shifts);
    byGsm = GsmTable(fuels);
  } else if (name.empty()) {
    name = "Информация по перезагрузкам.html"_w;
  }
  THTML_Jet jet(GetWebFormFileName(name));
  jet.Init();
  PutOrgRequisites(nullptr, &jet, -1);
  jet.AddInteger("BegSmena", shiftFrom);
  jet.AddInteger("EndSmena", shiftTo);
  jet.AddInteger("OtlivCount", static_cast<double>(rows.size()));
  jet.Add("ResetBySmenaTable", bySmena);
  jet.Add("ResetByGSMTable", byGsm);

  int absentCount = 0;
  Currency absentSumma;
  bool first = true;
  int previous = 0;
  for (const TResetRow& r : rows) {
    if (detailed && (first || r.SmNum != previous)) {
      if (!first) jet.EndOGroup();
      if (current || r.NoShift) {
        const std::string title = Format("Текущая (%d)"_w, {AskHost(hcSmenaNum).AsInteger()});
        jet.AddFloat("SmNum", title, std::numeric_limits<double>::quiet_NaN());
        jet.Add("Operator", AskHost(hcOperator).AsString());
      } else {
        jet.AddFloat("SmNum", "%.0f", r.SmNum);
        jet.Add("Operator", r.Operator);
      }
      first = false;
      previous = r.SmNum;
    }
    if (detailed) AddResetTrkRow(jet, r);
    if (r.TypeStart == 2 && r.StartSumma - r.SummaLastKKM > Currency()) {
      absentCount += 1;
      absentSumma += r.StartSumma - r.SummaLastKKM;
    }
  }
  std::string list;
  for (const auto& [key, s] : shifts.Items)
    list += (list.empty() ? "" : ", ") + Format("%s (%d шт)"_w, {key, s.Count});
  jet.Add("SmenaList", list);
  if (absentCount > 0) {
    jet.AddFloat("AbsentCheckCount", "%.2n", absentCount);
    jet.AddFloatDefault("AbsentCheckSumma", static_cast<double>(absentSumma));
  }
  if (detailed) jet.EndOGroup();
  jet.EndDoc();
  html = Finished(jet);
}

}  // namespace tv
