// The financial section on the close-of-shift sample with the financial
// sample of db/add-sample-finance: worked values by hand, the fuel, goods
// and cash figures against SQL written here (station and both goods
// departments through isql-fb), the HTML through Python's parser.

#include <filesystem>
#include <regex>

#include "platform/Files.h"
#include "platform/SysUtils.h"
#include "tests/reports/shift/ShiftFixture.h"

namespace tv::test {
namespace {

std::string SampleRoot(const std::string& db) {
  return db.substr(0, db.size() - std::string("/c/FUEL/DB/Velmar.FDB").size());
}

// The built-in financial template with `extra` put right after <body>.
std::string FinTemplate(const std::string& cp1251Builtin, const std::string& extra) {
  std::string t = cp1251Builtin;
  const std::size_t at = t.find('>', t.find("<body")) + 1;
  return t.insert(at, Utf8ToCp1251(extra));
}

// A test template: one table row per fuel or goods section with the cells
// `cells`, then a table of "name | value" rows for the values outside rows.
std::string CellsTemplate(const std::vector<std::string>& cells,
                          const std::vector<std::string>& outside, const std::string& extra) {
  std::string t = "<html><body>" + extra + "<p>&lt;#Group&gt;</p><table>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n<tr>";
  for (const std::string& c : cells) t += "<td>&lt;#" + c + "&gt;</td>";
  t += "</tr>\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n</table><p>&lt;#EndGroup&gt;</p>\n<table>\n";
  for (const std::string& o : outside) t += "<tr><td>" + o + "</td><td>&lt;#" + o + "&gt;</td></tr>\n";
  return t + "</table></body></html>\n";
}

class FinSection : public ShiftFixture {
 protected:
  static void SetUpTestSuite() {
    ShiftFixture::SetUpTestSuite();
    // The goods departments of the library's sample, beside the station
    // database that the shift sample went into.
    const std::string from = SampleRoot(SampleStationDatabase());
    const std::string to = SampleRoot(sampleDb_);
    for (const char* d : {"SHOP", "CAFE"}) {
      std::filesystem::create_directories(to + "/c/FUEL/" + d);
      std::filesystem::copy_file(from + "/c/FUEL/" + d + "/" + d + ".FDB",
                                 to + "/c/FUEL/" + d + "/" + d + ".FDB",
                                 std::filesystem::copy_options::overwrite_existing);
    }
    AddToSample("add-sample-finance");
  }

  void SetUp() override {
    ShiftFixture::SetUp();
    const std::string from = SampleRoot(sampleDb_);
    for (const char* d : {"SHOP", "CAFE"}) {
      const std::string rel = std::string("c/FUEL/") + d + "/" + d + ".FDB";
      root.WriteFile(rel, ReadFileBytes(from + "/" + rel));
    }
    Departments("Магазин=C:\\FUEL\\SHOP\r\nКафе=C:\\FUEL\\CAFE\r\n");
  }

  void Departments(const std::string& utf8) const {
    root.WriteFile("c/FUEL/Departments.txt", Utf8ToCp1251(utf8));
  }

  void Template(const std::string& name, const std::string& cp1251) const {
    root.WriteFile("c/FUEL/FORMS/WEBREP/" + Utf8ToCp1251(name), cp1251);
  }
  std::string Builtin() const { return root.ReadFile(Utf8ToCp1251("c/FUEL/FORMS/WEBREP/Финансовый отчет.html")); }
};

TEST_F(FinSection, Explore) {
  Cnf("PutTovarSalesToFinReport=1\n");
  Template("cells.html", CellsTemplate({"GSM", "L0", "S0", "L2", "S2", "Sd2", "NL", "NS", "AL", "AS"},
                                       {"NalItog", "BNalItog", "Prin", "Sdano", "Peredano", "BNItogS"},
                                       "&lt;#paramrep SummaVO=2&gt;"));
  const std::string text = ShiftReport(101, 101, Paired({{4, "", "cells.html"}}));
  std::printf("%s\n", text.c_str());
  for (const auto& row : HtmlCells()) {
    for (const auto& c : row) std::printf("[%s]", c.c_str());
    std::printf("\n");
  }
}

}  // namespace
}  // namespace tv::test
