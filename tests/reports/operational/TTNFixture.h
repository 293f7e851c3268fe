#pragma once
// The fixture of the waybill documents' tests: the limits fixture's
// databases with db/add-sample-waybills run on the station database once
// per program (waybills 501 to 509), and templates that show each variable
// a test reads in a row of its own.

#include <map>
#include <string>
#include <vector>

#include "tests/reports/operational/LimitsFixture.h"

namespace tv::test {

class TTNFixture : public LimitsFixture {
 protected:
  static void SetUpTestSuite();

  // The document of '#' `subCode` for the waybill (with the ТОРГ-12
  // variant when given), which must answer `notice`; its HTML in UTF-8.
  std::string Document(int subCode, int id, const std::string& notice);
  std::string Note(int id, int variant);
};

// A template with one row per name: the name, then its placeholder.
std::string CellsTemplate(const std::vector<std::string>& names);
// A template with those rows for `head` and `foot` around a group whose
// repeat row holds "row" and the `cells`, and whose totals row holds
// "Итого" and the same cells.
std::string GroupTemplate(const std::vector<std::string>& head,
                          const std::vector<std::string>& cells,
                          const std::vector<std::string>& foot);
// Name to value of the two-cell rows.
std::map<std::string, std::string> Cells(const std::vector<std::vector<std::string>>& rows);
// The repeat rows of GroupTemplate, each as cell name to value.
std::vector<std::map<std::string, std::string>> RecordRows(
    const std::vector<std::vector<std::string>>& rows, const std::vector<std::string>& cells,
    const std::string& first = "row");
// The text with its no-break spaces (thousands separators) made blanks.
std::string Plain(std::string text);
// A value of a query row, "" for NULL.
std::string Value(const IsqlRow& row, const std::string& column);

}  // namespace tv::test
