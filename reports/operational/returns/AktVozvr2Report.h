#pragma once
// The return act and the periodic return report (report code 34, the
// double-quote character): money given back to customers for returned fuel
// checks, from the return rows of BCHECK (negative sums), grouped by payment
// type with cash, cashless and overall totals and the sums in words. One
// shift fills "C:\FUEL\FORMS\REPORT\AktVozvr2.frm" and "Акт возврата.html", a
// range of shifts "AktVozvrPr2.frm" and "Периодический отчет о возврате.html".
// Optionally the rows are ordered by dispenser with a subtotal row per
// dispenser, and the goods departments' back-sales of each payment type are
// listed inside its group (AktVozvrBackSales.h).

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/text/DateTime.h"
#include "platform/text/StringList.h"
#include "platform/data/Variant.h"
#include "reports/operational/returns/AktVozvrLookups.h"

namespace tv {

class TReportCreator;
class TFileRepGen;
class THTML_Jet;

// One return row of BCHECK, as the report reads it.
struct TAktVozvrCheck {
  TDateTime Data = 0;
  int TrkIndex = 0;
  double Kolvo = 0;
  double Price = 0;
  double Summa = 0;  // negative
  std::string GSM;
  int VidOpl = 0;
  bool VidOplNull = false;
  std::string CheckNum;
  int KKM = 0;
};

// The build state that the act's routines and the goods back-sales share.
struct TAktVozvrState {
  TReportCreator* Creator = nullptr;
  Variant Selection;  // 0/1 over the payment-type indexes
  int Flags = 0;      // 1 empty groups too, 2 one list, 4 by dispenser
  int Client = 0;
  int ClientMode = 0;  // ends as 0, 1 or 2 (2: all registers)
  TDateTime BegTime = 0;
  TDateTime EndTime = 0;  // 0 once the first shift proves the open one
  int SmFrom = 0;
  int SmTo = 0;
  std::string Operator;
  TFileRepGen* TextRep = nullptr;
  THTML_Jet* HtmlRep = nullptr;

  // Every return row of the request, in the query's order, with the rows of
  // each payment code indexed once (the per-type filter).
  std::vector<TAktVozvrCheck> Checks;
  std::unordered_map<int, std::vector<std::size_t>> ChecksByCode;
  bool HasCheckNum = false;
  bool HasKKM = false;
  TVidOplKinds Kinds;
  TSmenaIndex Smenas;

  int RowNo = 0;
  bool UseGoods = false;
  TStringList DepList;  // "name=folder" per goods department
  double SmRes = 0;
  // The group being written; AddTovarBackSales adds to SummaAll.
  double SummaAll = 0;
  int Code = -1;
};

// Builds the report into `text` and LastHTMLReport. `params` is the request
// array of four elements (the open shift: selection, flags, register index,
// register mode) or nine (selection, flags, register index, period begin and
// end, first shift, operator, last shift, register mode); `codes`, when not
// empty, is a list of payment codes that replaces the selection. A request
// of another shape raises Exception with a text naming what is wrong; so do
// failing queries, forms and templates. Everything made is freed and the
// temporary file deleted on every exit.
void MakeAktVozvr2Report(TReportCreator& creator, const Variant& params, const Variant& codes,
                         std::string& text);

// Writes the rows of one payment code's group (`code` -1: all rows as one
// list) with the dispenser subtotals, the goods back-sales of the group
// and the group totals, and adds the group to SmRes.
void AddAktVozvrTrkRows(TAktVozvrState& state, int code);

// Clears the text form's variables of a return row, and those alone: a
// dispenser subtotal or a goods line shows none of the last return row's
// values, while the header, the requisites and the signature lines keep
// theirs to the end of the report.
void ClearAktVozvrRowVars(TAktVozvrState& state);

}  // namespace tv
