#include "reports/operational/fuel/PrxReport.h"

#include <initializer_list>
#include <memory>
#include <unordered_map>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "library/HostCallbacks.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "library/TempReportFile.h"
#include "platform/text/Cp1251.h"
#include "platform/text/FloatText.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/fuel/PrxColumns.h"

namespace tv {

std::vector<std::string> PrxStatementLines(const TPrxSchema& schema, const TPrxSelection& sel) {
  std::vector<std::string> lines;
  if (schema.Contractor) {
    std::string select = std::string(PrxJoinedSelectList) + " ";
    if (schema.DischargeName) select += " , p.NAMESLIV ";
    if (schema.Keeper)
      select += " , p.KEEPER_ID, kp.NAME AS KPNAME, kp.FULLNAME AS KPFULLNAME, kp.INN AS KPINN ";
    if (schema.WaybillMass) select += " , p.MASSAFROMTTN ";
    if (schema.OperationType) select += " , ps.TYPEOPER ";
    lines.push_back(std::move(select));
    lines.push_back("FROM Prx p");
    lines.push_back("LEFT JOIN PRXSILO ps ON p.OPNUM=ps.OPNUM");
    lines.push_back("LEFT JOIN CONTRAGENT c ON p.CONTR_ID=c.CONTR_ID");
    if (schema.Keeper) lines.push_back("LEFT JOIN CONTRAGENT kp ON p.KEEPER_ID=kp.CONTR_ID");
  } else {
    lines.push_back("SELECT p.* FROM Prx p");
  }
  if (sel.First == -1 || sel.Last == -1)
    lines.push_back("WHERE p.SmNum = " + IntToStr(sel.OpenShift));
  else
    lines.push_back("WHERE p.OpNum >= " + IntToStr(sel.First) + " and p.OpNum <= " +
                    IntToStr(sel.Last));
  if (sel.Transfer) {
    lines.push_back(" and p.\"AUTO\" = 4");
  } else {
    lines.push_back(sel.Receipt ? " and p.Prihod = 1" : " and p.Prihod = 0");
    lines.push_back(" and p.\"AUTO\" <> 4");
  }
  if (!sel.Office) lines.push_back(" and COALESCE(p.COR, 0) = 0");
  lines.push_back("ORDER BY p.GsmName, p.OPNUM");
  // The source tank (pumped out) before the receiving one.
  if (sel.Transfer && schema.OperationType) lines.push_back(", ps.TYPEOPER DESC");
  lines.push_back(schema.Contractor ? ", 4" : ", p.SILONUM");
  return lines;
}

namespace {

// One operation's totals over the result. The sums keep the value that a
// decimal text of the default format would give back after each addition,
// so that they equal the totals the station has always printed.
struct TPrxOpTotals {
  int Count = 0;
  long double Liter = 0, Mass = 0;
};

long double ThroughText(long double v) { return StrToFloat(FloatToStr(v)); }

void WritePrxReport(TIBDataSet& ds, const TPrxSelection& sel, const TPrxSchema& schema,
                    std::string& text) {
  TTempReportFile out;
  std::string form = "C:\\FUEL\\FORMS\\REPORT\\PrxEx.FRM";
  std::string html = "Отчет по приходу топлива.html"_w;
  if (sel.Transfer) {
    html = "Отчет по перекачке топлива.html"_w;
  } else if (!sel.Receipt) {
    form = "C:\\FUEL\\FORMS\\REPORT\\RsxEx.FRM";
    html = "Отчет по откачке топлива.html"_w;
  }
  const int count = ds.RecordCount();
  {
    auto rep = std::make_unique<TFileRepGen>(form, out.Name(), true, 0, count);
    auto jet = std::make_unique<THTML_Jet>(GetWebFormFileName(html), true, count - 1);
    TPrxColumnState s;
    s.DataSet = &ds;
    s.Rep = rep.get();
    s.Jet = jet.get();
    s.Flags = {schema.WaybillMass, schema.OperationType};
    CreatePrxColumnLists(s);
    std::unordered_map<int, TPrxOpTotals> totals;
    totals.reserve(static_cast<std::size_t>(count));
    jet->Init();
    PutOrgRequisites(rep.get(), jet.get(), -1);

    if (count > 0) {
      TIBField& opNum = ds.FieldByName("OPNUM");
      TIBField& fact = ds.FieldByName("FACT1");
      TIBField& plotn = ds.FieldByName("FACTPLOTN");
      for (ds.First(); !ds.Eof(); ds.Next()) {
        TPrxOpTotals& t = totals[opNum.AsInteger()];
        const long double litres = fact.AsFloat();
        t.Count += 1;
        t.Liter = ThroughText(t.Liter + litres);
        t.Mass = ThroughText(t.Mass + litres * plotn.AsFloat());
      }
      int previous = -1;
      for (ds.First(); !ds.Eof(); ds.Next()) {
        ++s.Column;
        SetPrxFormColumnVars(s);
        const int op = opNum.AsInteger();
        if (op == previous) {
          AddPrxHtmlColumn(s, 0, Currency(), Currency());
        } else {
          const TPrxOpTotals& t = totals[op];
          AddPrxHtmlColumn(s, t.Count, Currency(t.Liter), Currency(t.Mass));
        }
        previous = op;
      }
    }
    SetPrxReportVars(s);
    jet->EndLine();
    jet->EndOGroup();
    rep->EndReport();
    jet->EndDoc();
    jet->GetReady(LastHTMLReport);
  }
  text = out.ReadText();
}

// Which of the named columns the table has (a one-row query).
void Probe(TIBDataSet& ds, const char* table,
           std::initializer_list<std::pair<const char*, bool*>> fields) {
  ds.SelectSQL().SetText(std::string("SELECT FIRST 1 * FROM ") + table);
  ds.Open();
  for (const auto& [name, flag] : fields) *flag = ds.FindField(name) != nullptr;
  ds.Close();
  ds.SelectSQL().Clear();
}

}  // namespace

void MakePrxReport(TReportCreator& creator, int first, int last, int receipt, int transfer,
                   std::string& text) {
  text.clear();
  LastHTMLReport.clear();
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, "PrxQ"));
  TPrxSchema schema;
  Probe(*ds, "PRX",
        {{"CONTR_ID", &schema.Contractor},
         {"NAMESLIV", &schema.DischargeName},
         {"KEEPER_ID", &schema.Keeper},
         {"MASSAFROMTTN", &schema.WaybillMass}});
  if (schema.Contractor) Probe(*ds, "PRXSILO", {{"TYPEOPER", &schema.OperationType}});

  TPrxSelection sel;
  sel.First = first;
  sel.Last = last;
  sel.Receipt = receipt != 0;
  sel.Transfer = transfer != 0;
  if (first == -1 || last == -1) sel.OpenShift = AskHost(hcSmenaNum).AsInteger();
  sel.Office = IsOfficeReportsType();
  for (std::string& line : PrxStatementLines(schema, sel)) ds->SelectSQL().Add(std::move(line));
  ds->Open();
  try {
    FBUtils::FetchAllLogged(ds.get());
    WritePrxReport(*ds, sel, schema, text);
  } catch (...) {
    ds->Close();
    throw;
  }
  ds->Close();
}

}  // namespace tv
