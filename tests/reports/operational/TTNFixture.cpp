#include "tests/reports/operational/TTNFixture.h"

namespace tv::test {

void TTNFixture::SetUpTestSuite() {
  LimitsFixture::SetUpTestSuite();
  AddToSample("add-sample-waybills");
}

std::string TTNFixture::Document(int subCode, int id, const std::string& notice) {
  EXPECT_EQ(Report('#', A({Variant(subCode), Variant(id)})), notice);
  return Cp1251ToUtf8(Html());
}

std::string TTNFixture::Note(int id, int variant) {
  EXPECT_EQ(Report('#', A({Variant(7), Variant(id), Variant(variant)})),
            "Товарный отчет ТОРГ-12: переключитесь на HTML-версию отчета");
  return Cp1251ToUtf8(Html());
}

namespace {

std::string NameRows(const std::vector<std::string>& names) {
  std::string rows;
  for (const std::string& n : names) rows += "<tr><td>" + n + "</td><td>&lt;#" + n + "&gt;</td></tr>\n";
  return rows;
}

std::string Directive(const char* word, std::size_t span) {
  return "<tr><td colspan=\"" + std::to_string(span) + "\">&lt;#" + word + "&gt;</td></tr>\n";
}

}  // namespace

std::string CellsTemplate(const std::vector<std::string>& names) {
  return "<html><body><table>\n" + NameRows(names) + "</table></body></html>\n";
}

std::string GroupTemplate(const std::vector<std::string>& head,
                          const std::vector<std::string>& cells,
                          const std::vector<std::string>& foot) {
  std::string heading = "<tr><td>Поле</td>", record = "<tr><td>row</td>",
              totals = "<tr><td>Итого</td>";
  for (const std::string& c : cells) {
    heading += "<td>" + c + "</td>";
    record += "<td>&lt;#" + c + "&gt;</td>";
    totals += "<td>&lt;#" + c + "&gt;</td>";
  }
  const std::size_t span = cells.size() + 1;
  return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
         "charset=windows-1251\"></head><body>\n<table>\n" +
         NameRows(head) + "</table>\n<p>&lt;#Group&gt;</p>\n<table>\n" + heading + "</tr>\n" +
         Directive("Repeat", span) + record + "</tr>\n" + Directive("EndRepeat", span) +
         Directive("Itog", span) + totals + "</tr>\n" + Directive("EndItog", span) +
         "</table>\n<p>&lt;#EndGroup&gt;</p>\n<table>\n" + NameRows(foot) +
         "</table>\n</body></html>\n";
}

std::map<std::string, std::string> Cells(const std::vector<std::vector<std::string>>& rows) {
  std::map<std::string, std::string> out;
  for (const auto& r : rows)
    if (r.size() == 2) out[r[0]] = r[1];
  return out;
}

std::vector<std::map<std::string, std::string>> RecordRows(
    const std::vector<std::vector<std::string>>& rows, const std::vector<std::string>& cells,
    const std::string& first) {
  std::vector<std::map<std::string, std::string>> out;
  for (const auto& r : rows) {
    if (r.empty() || r[0] != first || r.size() != cells.size() + 1) continue;
    std::map<std::string, std::string> record;
    for (std::size_t i = 0; i < cells.size(); ++i) record[cells[i]] = r[i + 1];
    out.push_back(record);
  }
  return out;
}

std::string Plain(std::string text) {
  for (std::size_t at; (at = text.find("\u00a0")) != std::string::npos;) text.replace(at, 2, " ");
  return text;
}

std::string Value(const IsqlRow& row, const std::string& column) {
  const std::string& v = row.at(column);
  return v == "<null>" ? std::string() : v;
}

}  // namespace tv::test
