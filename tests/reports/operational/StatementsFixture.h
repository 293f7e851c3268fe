#pragma once
// The fixture of the statement reports' tests: a fresh root folder per test
// holding a copy of the sample station database (db/create-sample-db plus
// db/add-sample-statements, made once per test program), cnf.ini, the open
// shift in the registry, the real libtolvaren.so with the forms library
// beside it, and a station host announcing the sample's payment types.
// Reports are requested through the exported names, as a host does.

#include <string>
#include <utility>
#include <vector>

#include "tests/library/LibraryFixture.h"
#include "tests/support/FirebirdTest.h"

namespace tv::test {

// The sample's statement period: 2024-02-05 00:00:00 .. 2024-02-06 23:59:59.
Variant PeriodBegin();
Variant PeriodEnd();
Variant DateVar(int y, int m, int d, int h = 0, int n = 0, int s = 0);

class StatementsFixture : public LibraryFixture {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;

  // The payment types the host announces, in index order (name, code). The
  // default is the station's 13 kinds (codes 0 .. 12) and index 13 code 104.
  static std::vector<std::pair<std::string, int>> StationPaymentTypes();
  void SetPaymentTypes(const std::vector<std::pair<std::string, int>>& types);
  // cnf.ini of the request (UTF-8 text, written in Windows-1251).
  void WriteCnfIni(const std::string& utf8) const { WriteCnf(utf8); }

  // A request that must succeed (result True); the text in UTF-8.
  std::string Report(char code, const Variant& params);
  // The text of a request, whatever its result (UTF-8).
  TestHost::Reply Request(char code, const Variant& params);
  // The HTML version of the last report (code '7'), Windows-1251.
  std::string Html();
  // The rows of the HTML version's tables, cells TAB-separated (UTF-8),
  // read by an independent parser that also checks well-formedness (unless
  // `wellFormed` is false).
  std::vector<std::vector<std::string>> HtmlRows(bool wellFormed = true);

  // A query on this test's station database (values in UTF-8).
  std::vector<IsqlRow> Sql(const std::string& utf8Select) const;
  // A statement on this test's station database (UTF-8).
  void Exec(const std::string& utf8Statement) const;
  std::string DbPath() const;

  static std::string sampleDb_;  // the sample database made for the program
};

// The expected text file (UTF-8) of tests/data/reports/operational.
std::string ExpectedText(const std::string& name);
// The text with its print date and time ("dd.mm.yyyy", "h:mm:ss" on the
// first line) replaced by those words, so that it compares with a file.
std::string MaskPrintTime(std::string text);
// Splits a text into its lines (CR LF).
std::vector<std::string> Lines(const std::string& text);
// A number as the reports print it ("1 234,56", no-break space or blank as
// thousands separator) as a double; NaN when it is no number.
double Num(std::string text);

}  // namespace tv::test
