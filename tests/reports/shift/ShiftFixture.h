#pragma once
// The fixture of the close-of-shift report's tests: the statements fixture's
// sample station database with the shift sample of db/add-sample-shifts
// (shifts 100 to 103; the open shift 104 comes from the test host's fill),
// the clock fixed at 2024-04-02 10:30:00, cnf.ini with DecL2 and DecKg2 2,
// and a station host whose open shift is 104.

#include <map>
#include <string>
#include <vector>

#include "tests/reports/operational/StatementsFixture.h"

namespace tv::test {

class ShiftFixture : public StatementsFixture {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;
  // Whether InitReports gets the fill procedure.
  virtual bool WithFill() const { return true; }

  // cnf.ini: the fixture's [Reports] lines plus `extra` (UTF-8).
  void Cnf(const std::string& extra) const;
  // The open shift's rows of the sample for the test host's fill.
  void SetOpenShiftFill();
  // A section request of the paired layout: (kind, form, template) each.
  static Variant Paired(const std::vector<std::tuple<int, std::string, std::string>>& sections);
  // The request '-' over [from, to] with `sections`; the text in UTF-8.
  std::string ShiftReport(int from, int to, const Variant& sections);

  // One row of `SELECT` as numbers by column.
  std::map<std::string, double> SqlNumbers(const std::string& utf8Select) const;
  // The cells of the HTML version's table rows (UTF-8), from Python's
  // parser; with `wellFormed`, the parser must also find the document
  // well-formed.
  std::vector<std::vector<std::string>> HtmlCells(bool wellFormed = false);
  // Files of ours ("XM*.tmp") in the temporary folder.
  int TempFiles() const;
};

// The text with the no-break spaces of its numbers made plain blanks.
std::string Plain(std::string text);
// The ";"-separated fields, blanks trimmed, of each line that has one.
std::vector<std::vector<std::string>> Fields(const std::string& text);
// A test form of tests/data/reports/shift (native path).
std::string TestForm(const std::string& name);

// The expected text file (UTF-8) of tests/data/reports/shift.
std::string ExpectedShiftText(const std::string& name);

}  // namespace tv::test
