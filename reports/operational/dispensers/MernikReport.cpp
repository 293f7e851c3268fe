#include "reports/operational/dispensers/MernikReport.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"

namespace tv {

namespace {

// One SMTRK row of either reading.
struct TMernikRow {
  std::string SmNum, Trk, Pistol, Gsm;  // Trk: TRKINDEX=TRKNUM; Pistol: PISTOLET=GSMNAME
  Currency Volume;
  TDateTime BegTime = 0, EndTime = 0;
};

std::vector<TMernikRow> ReadMernikRows(TReportCreator& creator, int from, int to,
                                       const char* order) {
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  ds->SelectSQL().SetText(
      "SELECT t.SMNUM, t.TRKINDEX, t.PISTOLET, t.TRKNUM, t.GSMNAME, t.TRKSMENAM,        "
      "sm.BEGTIME, sm.ENDTIME\r\nFROM SMTRK t\r\nLEFT JOIN SMLOG sm ON sm.SMNUM = t.SMNUM\r\n"
      "WHERE t.SMNUM BETWEEN :ShiftFrom AND :ShiftTo " +
      std::string(order));
  ds->ParamByName("ShiftFrom").SetAsInteger(from);
  ds->ParamByName("ShiftTo").SetAsInteger(to);
  ds->Open();
  std::vector<TMernikRow> rows;
  TIBField& sm = ds->FieldByName("SMNUM");
  TIBField& index = ds->FieldByName("TRKINDEX");
  TIBField& pistol = ds->FieldByName("PISTOLET");
  TIBField& trk = ds->FieldByName("TRKNUM");
  TIBField& gsm = ds->FieldByName("GSMNAME");
  TIBField& volume = ds->FieldByName("TRKSMENAM");
  TIBField& beg = ds->FieldByName("BEGTIME");
  TIBField& end = ds->FieldByName("ENDTIME");
  for (; !ds->Eof(); ds->Next())
    rows.push_back({sm.AsString(), index.AsString() + "=" + trk.AsString(),
                    pistol.AsString() + "=" + gsm.AsString(), gsm.AsString(), volume.AsCurrency(),
                    beg.AsDateTime(), end.AsDateTime()});
  ds->Close();
  return rows;
}

std::string NamePart(const std::string& entry) { return entry.substr(0, entry.find('=')); }
std::string ValuePart(const std::string& entry) {
  const std::size_t eq = entry.find('=');
  return eq == std::string::npos ? std::string() : entry.substr(eq + 1);
}

struct TNozzle {
  std::string Entry;
  TPstInfo Info;
};
struct TDispenser {
  std::string Entry;
  std::vector<TNozzle> Nozzles;
  std::unordered_map<std::string, std::size_t> Index;
};

class TMernikBuilder {
 public:
  void FirstPass(const std::vector<TMernikRow>& rows);
  int HeaderColumns(TStringList& num, TStringList& name, TStringList& gsm);
  void FindMernikPistol(const TMernikRow& row);
  void AddMernikShiftRow(THTML_Jet& jet);
  std::string Shift;

 private:
  std::vector<TDispenser> dispensers_;
  std::unordered_map<std::string, std::size_t> dispenserIndex_;
  std::vector<std::pair<std::string, TGSMVolume>> fuels_;
  std::unordered_map<std::string, std::size_t> fuelIndex_;
  Currency rowTotal_;
  TDateTime beg_ = 0, end_ = 0;
};

void TMernikBuilder::FirstPass(const std::vector<TMernikRow>& rows) {
  std::vector<std::string> fuelNames;
  std::unordered_map<std::string, bool> seen;
  for (const TMernikRow& r : rows) {
    auto [d, newDispenser] = dispenserIndex_.emplace(AnsiUpperCase(r.Trk), dispensers_.size());
    if (newDispenser) dispensers_.push_back({r.Trk, {}, {}});
    TDispenser& disp = dispensers_[d->second];
    if (disp.Index.emplace(AnsiUpperCase(r.Pistol), disp.Nozzles.size()).second)
      disp.Nozzles.push_back({r.Pistol, {}});
    if (seen.emplace(AnsiUpperCase(r.Gsm), true).second) fuelNames.push_back(r.Gsm);
  }
  std::stable_sort(fuelNames.begin(), fuelNames.end(), [](const std::string& a, const std::string& b) {
    return AnsiCompareText(a, b) < 0;
  });
  for (const std::string& f : fuelNames) {
    fuelIndex_.emplace(AnsiUpperCase(f), fuels_.size());
    fuels_.push_back({f, {}});
  }
}

int TMernikBuilder::HeaderColumns(TStringList& num, TStringList& name, TStringList& gsm) {
  int nozzles = 0;
  for (const TDispenser& d : dispensers_) {
    const int n = static_cast<int>(d.Nozzles.size());
    for (int k = 0; k < n; ++k) {
      num.Add(k == 0 ? NamePart(d.Entry) : " ");
      name.Add(k > 0 ? std::string(" ")
                     : (n > 1 ? "%colspan=" + IntToStr(n) + "%" : std::string()) +
                           ValuePart(d.Entry));
      gsm.Add(ValuePart(d.Nozzles[k].Entry));
    }
    nozzles += n;
  }
  // As many fuels as nozzle columns: each column is its fuel's total already.
  if (nozzles == static_cast<int>(fuels_.size())) {
    fuels_.clear();
    fuelIndex_.clear();
  }
  for (std::size_t i = 0; i < fuels_.size(); ++i) {
    num.Add(" ");
    name.Add((i == 0 ? "%colspan=" + IntToStr(static_cast<int64_t>(fuels_.size())) + "%" : "") +
             "<b>Итоги по ГСМ</b>"_w);
    gsm.Add("<b>" + fuels_[i].first + "</b>");
  }
  if (fuels_.size() > 1) {
    gsm.Add(" ");
    num.Add(" ");
    name.Add("<b>ИТОГО</b>"_w);
  }
  return num.Count();
}

void TMernikBuilder::FindMernikPistol(const TMernikRow& row) {
  beg_ = row.BegTime;
  end_ = row.EndTime;
  const auto d = dispenserIndex_.find(AnsiUpperCase(row.Trk));
  if (d == dispenserIndex_.end()) throw Exception(Format("Не найдена ТРК %s"_w, {row.Trk}));
  TDispenser& disp = dispensers_[d->second];
  const auto n = disp.Index.find(AnsiUpperCase(row.Pistol));
  if (n == disp.Index.end()) throw Exception(Format("Не найден пистолет %s"_w, {row.Pistol}));
  TPstInfo& info = disp.Nozzles[n->second].Info;
  info.ShiftVolume = row.Volume;
  info.HasValue = true;
  rowTotal_ += row.Volume;
  if (const auto f = fuelIndex_.find(AnsiUpperCase(row.Gsm)); f != fuelIndex_.end())
    fuels_[f->second].second.Volume += row.Volume;
}

void TMernikBuilder::AddMernikShiftRow(THTML_Jet& jet) {
  const TFormatSettings& fs = HTMLJet::ReportFormatSettings();
  const auto volume = [&fs](Currency v) { return Format(VolumeFormat, {v}, fs); };
  jet.Add("SmNum", Shift);
  jet.Add("SmPeriod", FormatDateTime("dd.mm", beg_) + "-" + FormatDateTime("dd.mm", end_));
  jet.Add("SmBegTime", FormatDateTime("dd.mm.yyyy hh:nn:ss", beg_));
  jet.Add("SmEndTime", FormatDateTime("dd.mm.yyyy hh:nn:ss", end_));
  TStringList cells;
  for (TDispenser& d : dispensers_)
    for (TNozzle& n : d.Nozzles) {
      cells.Add(!n.Info.HasValue ? std::string("X")
                : n.Info.ShiftVolume == Currency() ? std::string(" ")
                                                   : volume(n.Info.ShiftVolume));
      n.Info = TPstInfo();
    }
  for (auto& [name, fuel] : fuels_) {
    cells.Add(fuel.Volume == Currency() ? std::string(" ") : "<b>" + volume(fuel.Volume) + "</b>");
    fuel.Volume = Currency();
  }
  if (fuels_.size() > 1)
    cells.Add(rowTotal_ == Currency() ? std::string(" ") : "<b>" + volume(rowTotal_) + "</b>");
  rowTotal_ = Currency();
  jet.Add("Liter", cells);
  jet.EndLine();
}

}  // namespace

void MakeMernikReport(TReportCreator& creator, int shiftFrom, int shiftTo, std::string& text) {
  TMernikBuilder b;
  b.FirstPass(ReadMernikRows(creator, shiftFrom, shiftTo, " ORDER BY 2, 3, 1"));
  TStringList num, name, gsm;
  const int columns = b.HeaderColumns(num, name, gsm);
  const std::vector<TMernikRow> rows =
      ReadMernikRows(creator, shiftFrom, shiftTo, " ORDER BY 1, 2, 3");
  THTML_Jet jet(GetWebFormFileName("Отчет по мернику.html"_w), true, columns - 1);
  jet.Init();
  PutOrgRequisites(nullptr, &jet, -1);
  jet.Add("TRKNum", num);
  jet.Add("TRKName", name);
  jet.Add("GSM", gsm);
  if (!rows.empty()) b.Shift = rows.front().SmNum;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].SmNum != b.Shift) {
      b.AddMernikShiftRow(jet);
      b.Shift = rows[i].SmNum;
    }
    b.FindMernikPistol(rows[i]);
    if (i + 1 == rows.size()) b.AddMernikShiftRow(jet);
  }
  jet.MakeItog2("%.2n");
  jet.MakeItog(2);
  jet.EndIGroup();
  jet.EndDoc();
  jet.GetReady(LastHTMLReport);
  text = "Отчет по мернику доступен только в HTML-версии!"_w;
}

}  // namespace tv
