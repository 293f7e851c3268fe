#pragma once
// The column writers of the fuel receipt, transfer and pump-out reports
// (PrxReport.h). Every result row (one tank of one operation) is one column
// of both versions: the text form gets its variables with the column number
// appended, the HTML engine gets 45 column lists whose operation-level
// entries span all the tank columns of their operation ("%colspan=N%").

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/data/Currency.h"
#include "platform/text/DateTime.h"
#include "platform/text/StringList.h"

namespace tv {

class TIBDataSet;
class TIBField;
class TRepGen;
class THTML_Jet;

inline constexpr int PrxColumnListCount = 45;

// The HTML variable that each column list fills, in the order of the
// hand-over, and whether its entries belong to the tank (else to the
// operation).
struct TPrxListName {
  const char* Name;
  bool TankLevel;
};
extern const std::array<TPrxListName, PrxColumnListCount> PrxListNames;

// One result row as the writers read it. The optional columns carry a
// presence flag: a result without the column reads as absent.
struct TPrxRow {
  int OpNum = 0, SmNum = 0;
  std::string OpNumText, SmNumText;  // as the database gives them ("" for NULL)
  double CarVolTtn = 0, LvlBefore = 0, LvlAfter = 0, Fact1 = 0, FactPlotn = 0, UdVes = 0;
  double Dopusk = 0, Temper = 0, Delta = 0;
  std::string Operator, GsmName, SiloName;
  TDateTime BegTime = 0, EndTime = 0;
  bool HasCarVolFact = true, HasCarUdVesFact = true, HasCarTemperFact = true;
  double CarVolFact = 0, CarUdVesFact = 0, CarTemperFact = 0;
  bool HasCarName = true, HasPrim = true;
  std::string CarName, Prim;
  TDateTime TtnData = 0;  // 0 when NULL or absent
  std::string TtnNum, ContrName, ContrFullName, Inn, KpName, KpFullName, KpInn, NameSliv;
  double MassaFromTtn = 0;  // read only with the waybill-mass column
  int TypeOper = 0;         // read only with the operation-type column
};

// The schema flags the writers depend on.
struct TPrxColumnFlags {
  bool WaybillMass = false;    // PRX.MASSAFROMTTN exists
  bool OperationType = false;  // PRXSILO.TYPEOPER exists
};

// The text-form variables of one column (names without the number), in
// the order they are set; conditional ones are absent when their condition
// fails. Text values use the default format settings.
std::vector<std::pair<std::string, std::string>> PrxFormColumnValues(const TPrxRow& row);

// The 45 list entries of one column, in PrxListNames order. `rowCount` is
// the operation's row count on its first column and 0 on the later ones;
// the sums are the operation's litres and kilograms (0 on later columns).
// Numbers use the HTML engine's report format settings.
std::array<std::string, PrxColumnListCount> PrxHtmlColumnValues(const TPrxRow& row,
                                                                const TPrxColumnFlags& flags,
                                                                int rowCount, Currency literSum,
                                                                Currency massSum);

// The writers' shared state: the result data set, both engines (not
// owned), the column lists, the current column number and the flags.
struct TPrxColumnState {
  TIBDataSet* DataSet = nullptr;
  TRepGen* Rep = nullptr;
  THTML_Jet* Jet = nullptr;
  std::array<std::unique_ptr<TStringList>, PrxColumnListCount> Lists;
  int Column = 0;
  TPrxColumnFlags Flags;
  // The fields of the data set, looked up on the first row.
  struct Fields;
  std::shared_ptr<Fields> F;
};

void CreatePrxColumnLists(TPrxColumnState& s);
void FreePrxColumnLists(TPrxColumnState& s);
// The data set's current row. Both raise the data-access layer's
// EDatabaseError naming a field that a writer needs and the result lacks.
void SetPrxFormColumnVars(TPrxColumnState& s);
void AddPrxHtmlColumn(TPrxColumnState& s, int rowCount, Currency literSum, Currency massSum);
// Hands the lists to the HTML engine and logs the time it took.
void SetPrxReportVars(TPrxColumnState& s);

}  // namespace tv
