#include "reports/operational/returns/AktVozvr2Report.h"

#include <memory>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "foundation/SafeIniFiles.h"
#include "foundation/VidOpl.h"
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
#include "reports/operational/returns/AktVozvrBackSales.h"

namespace tv {

namespace {

constexpr const char* DateTimeFormat = "dd.mm.yyyy hh:nn";


[[noreturn]] void BadRequest(const std::string& what) {
  throw Exception("Неверные параметры отчета по возвратным чекам: "_w + what);
}

// Takes the request array's elements into the state.
void ReadRequest(TAktVozvrState& s, const Variant& params, const Variant& codes) {
  if (!params.IsArray() || params.DimCount() != 1) BadRequest("ожидается массив"_w);
  const int low = params.LowBound(1);
  const int count = params.HighBound(1) - low + 1;
  if (count != 4 && count < 9)
    BadRequest(Format("массив из %d элементов (ожидается 4 или 9)"_w, {count}));
  const auto P = [&](int i) -> const Variant& { return params[low + i]; };
  s.Selection = P(0);
  MakeVidOplSelection(codes, s.Selection);
  if (!s.Selection.IsArray() || s.Selection.DimCount() != 1)
    BadRequest("первый элемент (выбор видов оплаты) не массив"_w);
  if (s.Selection.HighBound(1) < 0) {
    Variant all = VarArrayCreate({0, VidOplCount - 1}, VarType::Integer);
    for (int i = 0; i < VidOplCount; ++i) all[i] = Variant(1);
    s.Selection = std::move(all);
  }
  s.Flags = P(1).AsInteger();
  s.Client = P(2).AsInteger();
  if (count == 4) {
    s.ClientMode = P(3).AsInteger();
    s.BegTime = AskHost(hcSmenaBegTime).AsDateTime();
    s.EndTime = Now();
    s.SmFrom = AskHost(hcSmenaNum).AsInteger();
    s.SmTo = AskHost(hcSmenaNum).AsInteger();
    s.Operator = AskHost(hcOperator).AsString();
  } else {
    s.BegTime = P(3).AsDateTime();
    s.EndTime = P(4).AsDateTime();
    s.SmFrom = P(5).AsInteger();
    s.Operator = P(6).AsString();
    s.SmTo = P(7).AsInteger();
    s.ClientMode = P(8).AsInteger();
  }
  // OneBRep makes every act cover all cash registers together.
  if (s.ClientMode == 0 || s.ClientMode == 1) {
    TSafeIniFile ini(CnfIniPath());
    if (ini.ReadBool("Reports", "OneBRep", false)) s.ClientMode = 2;
  } else {
    s.ClientMode = 2;
  }
}

void LoadChecks(TAktVozvrState& s, TIBDataSet& ds) {
  const bool hasKA = FBUtils::HasColumn(ds.Database(), "BCHECK", "KA");
  std::string sql =
      "SELECT bc.*\r\nFROM BCheck bc\r\nWHERE (bc.Data between :Data1 and :Data2)\r\n"
      " and (bc.Summa < -0.001)";
  if (hasKA && !IsOfficeReportsType()) sql += "\r\n AND (COALESCE(bc.KA, 0) = 0) ";
  const bool byClient = s.ClientMode != 2 && AskHost(hcSmenaNum).AsInteger() >= 0;
  if (byClient) sql += "\r\n and (Client = :Client)";
  if (s.Flags & 4) sql += "\r\nORDER BY bc.TrkIndex";
  ds.SelectSQL().SetText(sql);
  ds.ParamByName("Data1").SetAsDateTime(s.BegTime);
  ds.ParamByName("Data2").SetAsDateTime(s.EndTime);
  if (byClient && AskHost(hcSmenaNum).AsInteger() >= 0)
    ds.ParamByName("Client").SetAsInteger(s.Client);
  ds.Open();
  TIBField* checkNum = ds.FindField("CheckNum");
  TIBField* kkm = ds.FindField("KKM");
  s.HasCheckNum = checkNum != nullptr;
  s.HasKKM = kkm != nullptr;
  TIBField& data = ds.FieldByName("Data");
  TIBField& trk = ds.FieldByName("TrkIndex");
  TIBField& kolvo = ds.FieldByName("Kolvo");
  TIBField& price = ds.FieldByName("Price");
  TIBField& summa = ds.FieldByName("Summa");
  TIBField& gsm = ds.FieldByName("GSM");
  TIBField& vidOpl = ds.FieldByName("VidOpl");
  for (; !ds.Eof(); ds.Next()) {
    TAktVozvrCheck c;
    c.Data = data.AsDateTime();
    c.TrkIndex = trk.AsInteger();
    c.Kolvo = kolvo.AsFloat();
    c.Price = price.AsFloat();
    c.Summa = summa.AsFloat();
    c.GSM = gsm.AsString();
    c.VidOplNull = vidOpl.IsNull();
    c.VidOpl = vidOpl.AsInteger();
    if (checkNum) c.CheckNum = checkNum->AsString();
    if (kkm) c.KKM = kkm->AsInteger();
    if (!c.VidOplNull) s.ChecksByCode[c.VidOpl].push_back(s.Checks.size());
    s.Checks.push_back(std::move(c));
  }
  ds.Close();
}

void WriteHeader(TAktVozvrState& s, const std::string& smNum) {
  TFileRepGen& rep = *s.TextRep;
  THTML_Jet& jet = *s.HtmlRep;
  rep.SetVar("SmNum", smNum);
  jet.Add("SmNum", smNum);
  rep.SetVar("BegTime", FormatDateTime(DateTimeFormat, s.BegTime));
  jet.AddDateTime("BegTime", DateTimeFormat, s.BegTime);
  rep.SetVar("Operator", s.Operator);
  jet.Add("Operator", s.Operator);
  const TDateTime now = Now();
  rep.SetVar("Date", FormatDateTime(DateTimeFormat, now));
  jet.AddDateTime("Date", DateTimeFormat, now);
  const std::string nkkm = AskHost(hcKKMRegNum, s.Client).AsString();
  rep.SetVar("NKKM", nkkm);
  jet.Add("NKKM", nkkm);
  if (s.EndTime == 0) {
    const std::string open = "Не закрыта ("_w + FormatDateTime(DateTimeFormat, now) + ")";
    rep.SetVar("EndTime", open);
    jet.AddDateTime("EndTime", open, -1.0);
  } else {
    rep.SetVar("EndTime", FormatDateTime(DateTimeFormat, s.EndTime));
    jet.AddDateTime("EndTime", DateTimeFormat, s.EndTime);
  }
}

// The row's form and HTML values; returns the row's payment-type index.
int WriteRow(TAktVozvrState& s, const TAktVozvrCheck& c) {
  TFileRepGen& rep = *s.TextRep;
  THTML_Jet& jet = *s.HtmlRep;
  rep.SetVar("NN", Format("%3d", {s.RowNo}));
  jet.AddInteger("NN", s.RowNo);
  if (s.HasCheckNum) {
    rep.SetVar("NNC", c.CheckNum);
    jet.Add("NNC", c.CheckNum);
  }
  rep.SetVar("Data", FormatDateTime("dd.mm.yyyy", c.Data));
  jet.AddDateTime("Data", "dd.mm.yyyy", c.Data);
  rep.SetVar("Time", FormatDateTime("hh:nn:ss", c.Data));
  jet.AddDateTime("Time", "hh:nn:ss", c.Data);
  const std::string trk = Format("%3d", {c.TrkIndex + 1});
  rep.SetVar("Trk", trk);
  jet.Add("Trk", jet.Params().Values("TrkPrefix") + trk);
  rep.SetVar("Kolvo", Format("%7.2n", {c.Kolvo}));
  jet.AddFloat("Kolvo", VolumeFormat, c.Kolvo);
  rep.SetVar("Price", Format("%7.2n", {c.Price}));
  jet.AddFloatDefault("Price", c.Price);
  rep.SetVar("Summa", Format("%9.2n", {-c.Summa}));
  jet.AddFloatDefault("Summa", -c.Summa);
  rep.SetVar("GSM", c.GSM);
  jet.Add("GSM", NoBr(c.GSM));
  if (s.HasKKM) jet.AddInteger("KKMType", c.KKM + 1);
  int smNum = 0;
  const std::string smena = s.Smenas.Find(c.Data, smNum) ? IntToStr(smNum) : std::string();
  rep.SetVar("Smena", smena);
  jet.Add("Smena", smena);
  // A payment code missing from the table counts as the type of index 0.
  const int index = FindVidOplIndex(c.VidOpl, VidOplArray, 0);
  const std::string payment = s.Kinds.IsCash(index) ? "наличные"_w : "безналичные"_w;
  rep.SetVar("Payment", payment);
  jet.Add("Payment", payment);
  const std::string name = VidOplNames[index].AsString();
  rep.SetVar("Payment1", name);
  jet.Add("Payment1", name);
  return index;
}

void WriteTrkTotal(TAktVozvrState& s, int trk, const std::string& gsm, double total) {
  TFileRepGen& rep = *s.TextRep;
  THTML_Jet& jet = *s.HtmlRep;
  ClearAktVozvrRowVars(s);
  rep.SetVar("Trk", Format("%3d", {trk}));
  rep.SetVar("Summa", Format("%9.2n", {total}));
  jet.Add("NN", "Итого по ТРК"_w);
  jet.AddInteger("Trk", trk);
  jet.Add("GSM", NoBr(gsm));
  jet.AddFloatDefault("Summa", total);
  rep.PrintRepeat();
  jet.EndLine();
}

void PutTotal(TAktVozvrState& s, const char* name, double value) {
  s.TextRep->SetVar(name, Format("%9.2n", {value}));
  s.HtmlRep->AddFloatDefault(name, value);
  s.HtmlRep->AddOutItogFloat(name, HTMLJet::MoneyFormat, value);
}

// Payment-type groups (or, with flag 2, the one list of every row).
void WriteBody(TAktVozvrState& s) {
  if (s.Flags & 2) {
    AddAktVozvrTrkRows(s, -1);
    s.HtmlRep->EndOGroup();
    return;
  }
  s.UseGoods = ReadCnfIniValue("REPORTS", "PutTovarBackSalesToAkt", "0") == "1";
  if (s.UseGoods) FillTovarDepList(s.DepList, OfficeHost);
  const int high = s.Selection.HighBound(1);
  for (int i = 0; i < VidOplCount && i <= high; ++i) {
    if (i < s.Selection.LowBound(1) || s.Selection[i].AsInteger() <= 0) continue;
    const int code = VidOplArray.At(i, 1).AsInteger();
    const auto rows = s.ChecksByCode.find(code);
    const bool hasRows = rows != s.ChecksByCode.end() && !rows->second.empty();
    if (!hasRows && !(s.Flags & 1) && CountTovarBackSales(s, code) <= 0) continue;
    s.RowNo = 0;
    const std::string name = VidOplNames[i].AsString();
    s.TextRep->SetVar("TypeName", name);
    s.HtmlRep->Add("VidOpl", name);
    AddAktVozvrTrkRows(s, code);
    s.TextRep->EndGroup();
    s.HtmlRep->EndOGroup();
  }
}

}  // namespace

void ClearAktVozvrRowVars(TAktVozvrState& s) {
  static constexpr const char* RowVars[] = {"NN",    "NNC",   "Data", "Time",  "Trk",     "Kolvo",
                                            "Price", "Summa", "GSM",  "Smena", "Payment", "Payment1"};
  for (const char* name : RowVars) s.TextRep->SetVar(name, "");
}

void AddAktVozvrTrkRows(TAktVozvrState& s, int code) {
  s.Code = code;
  s.SummaAll = 0;
  double nSumma = 0, bSumma = 0, trkTotal = 0;
  s.Kinds = TVidOplKinds::Ask();
  static const std::vector<std::size_t> none;
  std::vector<std::size_t> all;
  const std::vector<std::size_t>* rows = &none;
  if (code == -1) {
    all.resize(s.Checks.size());
    for (std::size_t k = 0; k < all.size(); ++k) all[k] = k;
    rows = &all;
  } else if (const auto it = s.ChecksByCode.find(code); it != s.ChecksByCode.end()) {
    rows = &it->second;
  }
  int curTrk = rows->empty() ? 0 : s.Checks[rows->front()].TrkIndex + 1;
  for (std::size_t k = 0; k < rows->size(); ++k) {
    const TAktVozvrCheck& c = s.Checks[(*rows)[k]];
    ++s.RowNo;
    const int index = WriteRow(s, c);
    s.SummaAll -= c.Summa;
    (s.Kinds.IsCash(index) ? nSumma : bSumma) -= c.Summa;
    trkTotal -= c.Summa;
    s.TextRep->PrintRepeat();
    s.HtmlRep->EndLine();
    const bool last = k + 1 == rows->size();
    if ((s.Flags & 4) && (last || s.Checks[(*rows)[k + 1]].TrkIndex + 1 != curTrk)) {
      // The subtotal shows the fuel of the dispenser's own last row.
      WriteTrkTotal(s, curTrk, c.GSM, trkTotal);
      trkTotal = 0;
      if (!last) curTrk = s.Checks[(*rows)[k + 1]].TrkIndex + 1;
    }
  }
  if (code > -1 && s.UseGoods) AddTovarBackSales(s);
  PutTotal(s, "NSumma", nSumma);
  PutTotal(s, "BSumma", bSumma);
  PutTotal(s, "SummaAll", s.SummaAll);
  const std::string words = AmountInWords(s.SummaAll);
  s.TextRep->SetVar("SummaText", words);
  s.HtmlRep->Add("SummaText", words);
  s.SmRes += s.SummaAll;
}

void MakeAktVozvr2Report(TReportCreator& creator, const Variant& params, const Variant& codes,
                         std::string& text) {
  TTempReportFile out;
  TAktVozvrState s;
  s.Creator = &creator;
  ReadRequest(s, params, codes);
  const bool act = s.SmFrom == s.SmTo;
  const std::string form = act ? "C:\\FUEL\\FORMS\\REPORT\\AktVozvr2.frm"
                               : "C:\\FUEL\\FORMS\\REPORT\\AktVozvrPr2.frm";
  const std::string html = GetWebFormFileName(act ? "Акт возврата.html"_w
                                                  : "Периодический отчет о возврате.html"_w);
  auto rep = std::make_unique<TFileRepGen>(form, out.Name(), act, 0, 1);
  auto jet = std::make_unique<THTML_Jet>(html, false, 0);
  s.TextRep = rep.get();
  s.HtmlRep = jet.get();
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  jet->Init();
  PutOrgRequisites(rep.get(), jet.get(), s.Client);
  LoadChecks(s, *ds);
  // The shift of every row from one read of the shift log.
  s.Smenas.Load(creator.Database);
  const std::string smNum =
      act ? IntToStr(s.SmFrom) : IntToStr(s.SmFrom) + " - " + IntToStr(s.SmTo);
  if (creator.IsOpenSmena(s.SmFrom)) s.EndTime = 0;
  WriteHeader(s, smNum);
  WriteBody(s);
  rep->SetVar("SmRes", Format("%9.2n", {s.SmRes}));
  const std::string words = AmountInWords(s.SmRes);
  rep->SetVar("SmResTxt", words);
  jet->AddFloatDefault("SmRes", s.SmRes);
  jet->Add("SmResTxt", words);
  rep->EndReport();
  jet->EndDoc();
  jet->GetReady(LastHTMLReport);
  ds.reset();
  rep.reset();
  jet.reset();
  text = out.ReadText();
}

}  // namespace tv
