#pragma once
// The close-of-shift report (codes 2, 3, 4 and '-'): one TCloseSmenaRep per
// request loads the shift data once, builds its working lists on first use
// and runs the requested sections through one section table
// (CloseSmenaRep.cpp), each section in a text and an HTML version.
//
// Sections of later kinds plug into that table; they read the fields and
// lists below. The lists hold owned objects (TGSMInfo_2, TSiloInfo,
// TTRKInfo) that CloseShiftData frees.

#include <memory>
#include <string>

#include "foundation/BaseObject.h"
#include "platform/data/Currency.h"
#include "platform/text/DateTime.h"
#include "platform/data/MemoryData.h"
#include "platform/text/StringList.h"
#include "platform/data/Variant.h"

namespace tv {

class TReportCreator;
class TRepGen;
class THTML_Jet;
class TTempReportFile;
class TIBDataSet;
struct TFinTotals;
struct TKKMOperIndex;

// The close-of-shift report: creates the report object, runs MakeReport
// and frees the object whatever happened; the report's failures pass on
// (with the context "Формирование сменного отчета").
void CreateCloseSmenaReport(TReportCreator& creator, int smenaFrom, int smenaTo,
                            const Variant& sections, int kkmIndex, int reserved1,
                            const std::string& tovarPath, bool officeFlag,
                            const Variant& payTypeSel, int reserved2,
                            const Variant& payTypeCodes, std::string& text);

class TCloseSmenaRep : public TBaseObject {
 public:
  // Stores the request. TovarPath loses a trailing delimiter and becomes
  // empty when that folder does not exist.
  TCloseSmenaRep(TReportCreator* creator, int smenaFrom, int smenaTo, const Variant& sections,
                 int kkmIndex, const std::string& tovarPath, bool officeFlag,
                 const Variant& payTypeSel, const Variant& payTypeCodes, int siloSortField);
  ~TCloseSmenaRep() override;

  // Loads the data, runs the sections of the request and puts the joined
  // text into `text`; the paired and triple layouts also publish the joined
  // HTML as LastHTMLReport. Working data and the temporary file are freed
  // on every path.
  void MakeReport(std::string& text);

  // Builds the section of `kind` (0 .. 17; others build nothing), making
  // the working lists it needs first. A failure that leaves the section
  // puts its message alone into the report text.
  void BuildSection(int kind, const std::string& formName, const std::string& htmlName);

  void OpenShiftData();
  void ReadConfigData();
  void CloseShiftData();
  // Calls SetReportsAlias of the goods library when the process has loaded
  // it already; never loads it.
  static void SetTovarReportsAlias(const std::string& path);
  bool OfficeReportsType() const;

  // Working lists (Part of the data load; built on first use).
  void FillGsmList();
  void FillGsmList2(unsigned kinds);  // bit n: check type n
  void FillSiloList();
  void FillTrkList();

  // Sections.
  void BuildHeader(const std::string& formName, const std::string& htmlName, std::string& text);
  void BuildFooter(const std::string& formName, const std::string& htmlName, std::string& text);
  void BuildTrkReport(const std::string& formName, const std::string& htmlName, std::string& text);
  void BuildSiloReport(const std::string& formName, const std::string& htmlName,
                       std::string& text);
  void BuildHostSectionA(const std::string& formName, const std::string& htmlName,
                         std::string& text);
  void BuildHostSectionB(const std::string& formName, const std::string& htmlName,
                         std::string& text);
  void BuildGoodsSection(const std::string& formName, const std::string& htmlName,
                         std::string& text);
  // Non-standard finances (kind 10), receipts and pump-outs (kinds 5 and 12)
  // and the withdrawn forms (kinds 6 and 7); the Build...Section routines
  // are their entries in the section table.
  void BuildNonStdFinancialReport(const std::string& formName, const std::string& htmlName,
                                  std::string& text);
  void BuildPrxReport(const std::string& formName, const std::string& htmlName, bool receipt,
                      std::string& text);
  void BuildReceiptSection(const std::string& formName, const std::string& htmlName,
                           std::string& text);
  void BuildPumpOutSection(const std::string& formName, const std::string& htmlName,
                           std::string& text);
  void BuildMovementNotice(const std::string& formName, std::string& text);
  void BuildMovementSection(const std::string& formName, const std::string& htmlName,
                            std::string& text);
  void BuildCashlessDetailNotice(const TStringList& gsmList, const std::string& formName,
                                 std::string& text);
  void BuildCashlessDetailSection(const std::string& formName, const std::string& htmlName,
                                  std::string& text);
  // The small sections (SmallSections.cpp): adapters that hand the range
  // and its period to builders of their own reports.
  void BuildFinKKMSection(const std::string& formName, const std::string& htmlName,
                          std::string& text);
  void BuildUnmadeReturnsSection(const std::string& formName, const std::string& htmlName,
                                 std::string& text);
  void BuildStatementsSection(const std::string& formName, const std::string& htmlName,
                              std::string& text);
  void BuildBonusSection(const std::string& formName, const std::string& htmlName,
                         std::string& text);
  // HTML only; `formName` is not used.
  void BuildRebootSection(const std::string& formName, const std::string& htmlName,
                          std::string& text);
  // The bonus section's registry settings; ReadBonusShowSwitches leaves
  // a switch as it is when the key does not hold it.
  static void ReadBonusRepSettings(bool& nullStr, bool& allVO, Variant& payTypes);
  static void ReadBonusShowSwitches(bool& showGsmItog, bool& showSubVidoplItog);
  // The operator of a single shift of the log, empty for a range.
  std::string RangeOperator() const;

  // The financial section (FinSection.cpp, FinGoods.cpp) with its goods
  // sums (TovarKKMSums.cpp) and cash-register balance (KKMBalance.cpp).
  void BuildFinancialReport(const std::string& formName, const std::string& htmlName,
                            std::string& text);
  // Clears `sectionSums` and adds the goods sales of every department
  // database of TovarDepList over BegTime..EndTime; `rateSums` gains
  // C_Rec_Summa objects that its owner frees. Failures pass on with the
  // context "ПрочитатьСуммыДляТоваровПоСекциямККМ".
  void ReadTovarKKMSums(TStringList& sectionSums, TStringList& rateSums);
  // The register's operation sums (type 0 into sum0, type 1 into sum1) of
  // the shift (0 for the open shift); false when KKMOPER has no row for it.
  bool GetKKMOperSum(int smNum, int kkm, Currency& sum0, Currency& sum1);
  // Opens BCheckSums (cash checks by register); false for the open shift
  // and when the query cannot open.
  bool GetCashSumsByKKM();
  // Probes for KKMOPER and opens KKMOper (sums by shift, register, type).
  void OpenKKMOper();
  // The balance variables of the cash registers into both versions.
  void PutKKMBalance(TRepGen& rep, THTML_Jet& jet, const TFinTotals& totals);

  // The request.
  int SmenaFrom;
  int SmenaTo;
  TDateTime BegTime = 0;
  TDateTime EndTime = 0;
  Variant Sections;
  Variant PayTypeSel;
  Variant PayTypeCodes;
  int KKMIndex;
  int SiloSortField;
  std::string TovarPath;
  bool OfficeFlag;
  TReportCreator* Creator;  // the request; its database holds the closed shifts
  std::string TempFileName;

  // Working lists: null until built.
  std::unique_ptr<TStringList> GsmList;   // TGSMInfo_2
  std::unique_ptr<TStringList> GsmList2;  // TGSMInfo_2, items keyed by payment-type code
  std::unique_ptr<TStringList> SiloList;  // TSiloInfo
  std::unique_ptr<TStringList> TrkList;   // TTRKInfo

  // Memory copies of the range's rows.
  std::unique_ptr<TRxMemoryData> SmTrk;
  std::unique_ptr<TRxMemoryData> SmLog;
  std::unique_ptr<TRxMemoryData> SmSilo;
  std::unique_ptr<TRxMemoryData> SiloVO;

  bool OpenSmena = false;
  std::string HtmlText;
  std::string ReportText;
  bool PutTovarSalesToFinReport = false;
  std::unique_ptr<TStringList> KKMSectionNames;
  std::unique_ptr<TStringList> TovarDepList;
  Currency BNItogL, BNItogK, BNItogS;
  std::unique_ptr<TStringList> VidOplList;
  // Made by each financial section and registered with the report object,
  // which frees them with itself.
  bool KKMOperExists = false;
  TIBDataSet* KKMOper = nullptr;
  TIBDataSet* BCheckSums = nullptr;
  TKKMOperIndex* KKMOperSums = nullptr;  // KKMOper's rows by key

 private:
  void RunOrderLayout(const Variant& sections);
  void RunPairedLayout(const Variant& sections);
  void RunTripleLayout(const Variant& sections);
  void TakeShiftTimes();
  void LoadOpenShift();
  void FillVidOplList();
  // The header, footer and dispenser variables of the shift range: into the
  // text form, and into the HTML template when `jet` is given.
  void SetShiftVars(TRepGen& rep, THTML_Jet* jet);
  void BuildHeaderOrFooter(const std::string& formName, const std::string& htmlName,
                           std::string& text, bool header);
  // THTML_Jet::EndDoc and the document appended to HtmlText.
  void AppendHtml(THTML_Jet& jet);
  // A section's own failure: its prefix and the message into `text`, the
  // log (level 2) and the HTML.
  void SectionFailed(const std::string& prefix, const std::exception& e, std::string& text);

  std::unique_ptr<TTempReportFile> tempFile_;
};

// A text of `litres` etc. as the section formats give them.
std::string DecFormat(int width, int decimals, char kind);

}  // namespace tv
