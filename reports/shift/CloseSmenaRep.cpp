#include "reports/shift/CloseSmenaRep.h"

#include <dlfcn.h>

#include <array>
#include <cmath>

#include "engines/HTMLJet.h"
#include "foundation/ReportConsts.h"
#include "foundation/ReportSettings.h"
#include "foundation/XMUtils.h"
#include "library/HostCallbacks.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "library/ReportsLog.h"
#include "library/TempReportFile.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/text/Format.h"
#include "platform/os/Paths.h"
#include "platform/RtlMath.h"
#include "platform/SysUtils.h"

namespace tv {

namespace {

// The lists a section needs before it runs.
enum TListNeed : unsigned {
  lnGsm = 1,
  lnGsm2 = 2,
  lnSilo = 4,
  lnTrk = 8,
};

struct TSectionEntry {
  void (TCloseSmenaRep::*Build)(const std::string&, const std::string&, std::string&);
  unsigned Lists;  // built in the order Trk, Silo, Gsm, Gsm2
};

// The section table: kind -> builder and the lists it reads. A kind
// without a builder builds nothing.
const std::array<TSectionEntry, SectionKindCount>& SectionTable() {
  static const std::array<TSectionEntry, SectionKindCount> table = {{
      {&TCloseSmenaRep::BuildHeader, 0},             // 0 header
      {&TCloseSmenaRep::BuildFooter, 0},             // 1 footer
      {&TCloseSmenaRep::BuildTrkReport, lnTrk},      // 2 dispensers
      {&TCloseSmenaRep::BuildSiloReport, lnSilo},    // 3 tanks
      {&TCloseSmenaRep::BuildFinancialReport, lnGsm},  // 4 finances
      {&TCloseSmenaRep::BuildReceiptSection, 0},     // 5 fuel receipts
      {&TCloseSmenaRep::BuildMovementSection, lnSilo},  // 6 movement (withdrawn form)
      {&TCloseSmenaRep::BuildCashlessDetailSection, lnGsm | lnGsm2},  // 7 cashless detail
      {&TCloseSmenaRep::BuildHostSectionA, 0},       // 8 host section A
      {&TCloseSmenaRep::BuildHostSectionB, 0},       // 9 host section B
      {&TCloseSmenaRep::BuildNonStdFinancialReport, lnTrk | lnSilo},  // 10 non-standard
      {&TCloseSmenaRep::BuildGoodsSection, 0},       // 11 goods
      {&TCloseSmenaRep::BuildPumpOutSection, 0},     // 12 fuel pump-out
      {&TCloseSmenaRep::BuildFinKKMSection, 0},      // 13 cash registers
      {&TCloseSmenaRep::BuildUnmadeReturnsSection, 0}, // 14 unmade returns
      {&TCloseSmenaRep::BuildStatementsSection, 0},  // 15 statements
      {&TCloseSmenaRep::BuildBonusSection, 0},       // 16 bonuses and discounts
      {&TCloseSmenaRep::BuildRebootSection, 0},      // 17 dispenser restarts
  }};
  return table;
}

// The check types 1 to 5 (cashless) as a set.
constexpr unsigned CashlessKinds = (1u << 1) | (1u << 2) | (1u << 3) | (1u << 4) | (1u << 5);

// Whether the element's text form reads as an integer.
bool ReadsAsInteger(const Variant& v) {
  int value = 0;
  return TryStrToInt(VarToStr(v), value);
}

int ElementAsInteger(const Variant& v) { return StrToInt(VarToStr(v)); }

// Nearest integer, halves to even, as the runtime's Round.
int R(double x) { return static_cast<int>(std::nearbyint(x)); }

// The triple layout's form: a bare name in the station's forms folder, a
// drive "S:\" read as "C:\".
std::string TripleFormName(const std::string& name) {
  if (ExtractFilePath(name).empty()) return "C:\\FUEL\\FORMS\\REPORT\\" + name;
  const std::string upper = AnsiUpperCase(name);
  const std::size_t at = upper.find("S:\\");
  if (at == std::string::npos) return name;
  return name.substr(0, at) + "C:\\" + name.substr(at + 3);
}

void FreeGsmList(std::unique_ptr<TStringList>& list) {
  if (!list) return;
  for (int i = 0; i < list->Count(); ++i) {
    auto* gsm = static_cast<TGSMInfo_2*>(list->Objects(i));
    if (gsm != nullptr) gsm->FreeItems();
    delete gsm;
  }
  list.reset();
}

}  // namespace

std::string DecFormat(int width, int decimals, char kind) {
  return "%" + (width > 0 ? std::to_string(width) : std::string()) + "." +
         std::to_string(decimals) + kind;
}

void CreateCloseSmenaReport(TReportCreator& creator, int smenaFrom, int smenaTo,
                            const Variant& sections, int kkmIndex, int /*reserved1*/,
                            const std::string& tovarPath, bool officeFlag,
                            const Variant& payTypeSel, int /*reserved2*/,
                            const Variant& payTypeCodes, std::string& text) {
  TCloseSmenaRep report(&creator, smenaFrom, smenaTo, sections, kkmIndex, tovarPath, officeFlag,
                        payTypeSel, payTypeCodes, SiloReportSortField);
  report.MakeReport(text);
}

TCloseSmenaRep::TCloseSmenaRep(TReportCreator* creator, int smenaFrom, int smenaTo,
                               const Variant& sections, int kkmIndex,
                               const std::string& tovarPath, bool officeFlag,
                               const Variant& payTypeSel, const Variant& payTypeCodes,
                               int siloSortField)
    : SmenaFrom(smenaFrom),
      SmenaTo(smenaTo),
      Sections(sections),
      PayTypeSel(payTypeSel),
      PayTypeCodes(payTypeCodes),
      KKMIndex(kkmIndex),
      SiloSortField(siloSortField),
      TovarPath(ExcludeTrailingPathDelimiter(tovarPath)),
      OfficeFlag(officeFlag),
      Creator(creator) {
  if (!DirectoryExists(TovarPath)) TovarPath.clear();
}

TCloseSmenaRep::~TCloseSmenaRep() {
  try {
    CloseShiftData();
  } catch (...) {
    // A destructor must not throw; CloseShiftData only frees memory.
  }
}

bool TCloseSmenaRep::OfficeReportsType() const { return GetOfficeReportsType(OfficeFlag); }

void TCloseSmenaRep::MakeReport(std::string& text) {
  try {
    ReportText.clear();
    OpenShiftData();
    TakeShiftTimes();
    tempFile_ = std::make_unique<TTempReportFile>();
    TempFileName = tempFile_->Name();
    HtmlText.clear();
    const Variant& s = Sections;
    bool allIntegers = true;
    for (int i = s.LowBound(1); i <= s.HighBound(1) && allIntegers; ++i)
      allIntegers = ReadsAsInteger(s[i]);
    if (allIntegers) {
      RunOrderLayout(s);
      // The order layout publishes no HTML, but the builders of some
      // sections write LastHTMLReport: their HTML must not pass for the
      // report's.
      LastHTMLReport = NoHTMLReportText();
    } else {
      // Exactly three elements with a name are one triple: there is no
      // element 3 to compare with.
      const bool triple =
          s.HighBound(1) - s.LowBound(1) == 2 || !VarEquals(s[s.LowBound(1)], s[3]);
      if (triple)
        RunTripleLayout(s);
      else
        RunPairedLayout(s);
      LastHTMLReport = std::move(HtmlText);
      HtmlText.clear();
    }
    text = ReportText;
  } catch (const std::exception& e) {
    auto failure = MakeContextException(e, "Формирование сменного отчета"_w);
    CloseShiftData();
    tempFile_.reset();
    failure->Raise();
  }
  CloseShiftData();
  tempFile_.reset();
}

void TCloseSmenaRep::TakeShiftTimes() {
  if (SmLog->Locate("SmNum", Variant(SmenaFrom))) BegTime = SmLog->FieldByName("BegTime").AsDateTime();
  if (SmLog->Locate("SmNum", Variant(SmenaTo))) EndTime = SmLog->FieldByName("EndTime").AsDateTime();
  // The open shift has not ended: its period ends now, for every section
  // that reads the report's period.
  if (OpenSmena && EndTime == 0) EndTime = Now();
}

void TCloseSmenaRep::RunOrderLayout(const Variant& sections) {
  std::array<int, SectionKindCount> order{};
  if (sections.HighBound(1) < sections.LowBound(1)) {
    order[0] = order[2] = order[3] = order[4] = 1;
  } else {
    for (int kind = 0; kind < SectionKindCount; ++kind) {
      const int i = sections.LowBound(1) + kind;
      if (i > sections.HighBound(1)) break;
      order[kind] = ElementAsInteger(sections[i]);
    }
  }
  for (int pass = 0; pass < SectionKindCount; ++pass) {
    int next = -1;
    for (int kind = 0; kind < SectionKindCount; ++kind)
      if (order[kind] > 0 && (next < 0 || order[kind] < order[next])) next = kind;
    if (next < 0) continue;
    BuildSection(next, "", "");
    order[next] = -1;
  }
}

void TCloseSmenaRep::RunPairedLayout(const Variant& sections) {
  const int last = R(sections.HighBound(1) / 3.0) - 1;
  for (int k = 0; k <= last; k += 2) {
    const int kind = sections[3 * k + 1].AsInteger();
    const std::string form = VarToStr(sections[3 * k + 2]);
    const std::string html = VarToStr(sections[3 * k + 5]);
    BuildSection(kind, form, html);
  }
}

void TCloseSmenaRep::RunTripleLayout(const Variant& sections) {
  const int first = R(sections.LowBound(1) / 3.0);
  const int last = R(sections.HighBound(1) / 3.0) - 1;
  for (int k = first; k <= last; ++k) {
    const int kind = sections[3 * k + 1].AsInteger();
    BuildSection(kind, TripleFormName(VarToStr(sections[3 * k + 2])), "");
  }
}

void TCloseSmenaRep::BuildSection(int kind, const std::string& formName,
                                  const std::string& htmlName) {
  if (kind < 0 || kind >= SectionKindCount) return;
  const TSectionEntry& entry = SectionTable()[kind];
  if (entry.Build == nullptr) return;
  std::string sectionText;
  try {
    if ((entry.Lists & lnTrk) != 0 && !TrkList) FillTrkList();
    if ((entry.Lists & lnSilo) != 0 && !SiloList) FillSiloList();
    if ((entry.Lists & lnGsm) != 0 && !GsmList) FillGsmList();
    if ((entry.Lists & lnGsm2) != 0 && !GsmList2) FillGsmList2(CashlessKinds);
    (this->*entry.Build)(formName, htmlName, sectionText);
  } catch (const std::exception& e) {
    ReportText += ExceptionMessage(e);
    return;
  }
  ReportText += sectionText;
}

void TCloseSmenaRep::AppendHtml(THTML_Jet& jet) {
  jet.EndDoc();
  // The engine hands its document over; the first section's becomes the
  // report's HTML as it is.
  if (HtmlText.empty()) {
    jet.TakeReady(HtmlText);
    return;
  }
  std::string html;
  jet.TakeReady(html);
  HtmlText += html;
}

void TCloseSmenaRep::SectionFailed(const std::string& prefix, const std::exception& e,
                                   std::string& text) {
  text = prefix + ExceptionMessage(e);
  ReportsLogger().Log(text, 2);
  HtmlText += "<br><br>" + text + "<br><br>";
}

void TCloseSmenaRep::BuildHostSectionA(const std::string& formName, const std::string&,
                                       std::string& text) {
  text = HostReportText(hrShiftSectionA,
                        VarArrayOf({Variant(SmenaFrom), Variant(SmenaTo), Variant(0),
                                    Variant(formName)}));
}

void TCloseSmenaRep::BuildHostSectionB(const std::string& formName, const std::string&,
                                       std::string& text) {
  text = HostReportText(hrShiftSectionB,
                        VarArrayOf({Variant(SmenaFrom), Variant(SmenaTo), Variant(formName)}));
}

void TCloseSmenaRep::BuildGoodsSection(const std::string& formName, const std::string&,
                                       std::string& text) {
  TDateTime begin = 0, end = 0;
  if (SmLog->Locate("SmNum", Variant(SmenaFrom))) begin = SmLog->FieldByName("BegTime").AsDateTime();
  if (SmLog->Locate("SmNum", Variant(SmenaTo))) end = SmLog->FieldByName("EndTime").AsDateTime();
  if (OpenSmena) end = Now();
  SetTovarReportsAlias(TovarPath);
  text = HostReportText(hrGoodsSection,
                        VarArrayOf({Variant(SmenaFrom), Variant(SmenaTo), Variant::FromDate(begin),
                                    Variant::FromDate(end), Variant(formName)}));
  HtmlText += HostReportText(hrGoodsAppendix, VarArrayCreate({0, -1}, VarType::Variant));
}

void TCloseSmenaRep::SetTovarReportsAlias(const std::string& path) {
  try {
    // Only a module the host loaded itself: RTLD_NOLOAD finds it without
    // loading it.
    void* module = ::dlopen("libTovarRep.so", RTLD_NOW | RTLD_NOLOAD);
    if (module == nullptr) return;
    using TSetReportsAlias = void (*)(const char*);
    auto entry = reinterpret_cast<TSetReportsAlias>(::dlsym(module, "SetReportsAlias"));
    if (entry != nullptr) entry(path.c_str());
    ::dlclose(module);  // drops the reference that the look-up took
  } catch (const std::exception& e) {
    MakeContextException(e, "УстановитьПутьДляТоваров"_w)->Raise();
  }
}

void TCloseSmenaRep::CloseShiftData() {
  try {
    TovarDepList.reset();
    KKMSectionNames.reset();
    VidOplList.reset();
    SmTrk.reset();
    SmLog.reset();
    SmSilo.reset();
    SiloVO.reset();
    FreeGsmList(GsmList);
    FreeGsmList(GsmList2);
    if (SiloList) {
      for (int i = 0; i < SiloList->Count(); ++i) delete static_cast<TSiloInfo*>(SiloList->Objects(i));
      SiloList.reset();
    }
    if (TrkList) {
      for (int i = 0; i < TrkList->Count(); ++i) delete static_cast<TTRKInfo*>(TrkList->Objects(i));
      TrkList.reset();
    }
  } catch (const std::exception& e) {
    MakeContextException(e, "ОчисткаДанных"_w)->Raise();
  }
}

}  // namespace tv
