#pragma once
// The fuel receipt, pump-out and transfer reports (codes 0, 31 and '#' 19)
// over the journal of fuel operations on tanks, PRX joined with PRXSILO
// (one row per tank) and CONTRAGENT (supplier and keeper). Each result row
// is one column of both versions (PrxColumns.h).

#include <string>
#include <string_view>
#include <vector>

namespace tv {

class TReportCreator;

// The optional columns found by probing PRX and PRXSILO.
struct TPrxSchema {
  bool Contractor = false;     // PRX.CONTR_ID (else PRXSILO is not read)
  bool DischargeName = false;  // PRX.NAMESLIV
  bool Keeper = false;         // PRX.KEEPER_ID
  bool WaybillMass = false;    // PRX.MASSAFROMTTN
  bool OperationType = false;  // PRXSILO.TYPEOPER
};

// What a request asks for. OpenShift is the host's open shift, read only
// when First or Last is -1 (then the range is that shift's operations).
struct TPrxSelection {
  int First = 0, Last = 0;
  bool Receipt = false, Transfer = false;  // the transfer wins
  int OpenShift = 0;
  bool Office = false;  // office report type: correction rows stay in
};

// The select list of PRX joined with PRXSILO (the tank's own values where
// it has a row) and the supplier from CONTRAGENT: the start of every
// statement over PRX with CONTR_ID, here and in the close-of-shift report.
inline constexpr std::string_view PrxJoinedSelectList =
    "SELECT p.OPNUM, p.\"DATE\", p.SMNUM, COALESCE(ps.SILONUM, p.SILONUM) AS SILONUM, "
    "p.CARVOLTTN, COALESCE(ps.SILONAME, p.SILONAME) AS SILONAME, p.OPERATOR, p.GSMNAME, "
    "COALESCE(ps.BEGTIME, p.BEGTIME) AS BEGTIME, COALESCE(ps.ENDTIME, p.ENDTIME) AS ENDTIME, "
    "COALESCE(ps.SILOLEVELBEFORE, p.SILOLEVELBEFORE) AS SILOLEVELBEFORE, "
    "COALESCE(ps.SILOLEVELAFTER, p.SILOLEVELAFTER) AS SILOLEVELAFTER, "
    "COALESCE(ps.FACTL, p.FACT1) AS FACT1, p.DOPUSK, p.DELTA, p.UDVES, p.TEMPER, p.PRIM, "
    "COALESCE(ps.FACTPLOTN, p.FACTPLOTN) AS FACTPLOTN, p.COR, p.PRIHOD, p.CARVOLFACT, "
    "p.CARUDVESFACT, p.CARTEMPERFACT, p.\"AUTO\", p.CARNAME, p.TTNDATA, p.CONTR_ID, "
    "p.TTNNUM, c.NAME AS CONTRNAME, c.FULLNAME AS CONTRFULLNAME, c.INN";

// The lines of the report's statement, in order.
std::vector<std::string> PrxStatementLines(const TPrxSchema& schema, const TPrxSelection& sel);

// The report: first and last operation number (-1 in either: the open
// shift), receipt and transfer switches (non-zero: on). The text version
// goes to `text`, the HTML version to LastHTMLReport; both are cleared
// first. Failures are exceptions; nothing is left open or on disk.
void MakePrxReport(TReportCreator& creator, int first, int last, int receipt, int transfer,
                   std::string& text);

}  // namespace tv
