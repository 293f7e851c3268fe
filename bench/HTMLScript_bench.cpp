// Formula cells on a long report: 100 000 records with three formula cells
// each (two named formulas of ScriptValues and one call of a ScriptFile
// function), through VBScript, through JScript, and the same template with
// "paramrep ScriptLang=None" as the baseline. The ScriptFile (a few hundred
// lines) is run once per engine; each record sets three script variables
// and evaluates its three formulas. Reports records per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"

namespace {

constexpr int kRecords = 100000;
const char* const kLanguages[] = {"VBScript", "JScript", "None"};

// A script file of many small functions, the last of which the formulas use.
std::string ScriptFile(bool vb) {
  std::string text;
  for (int i = 0; i < 100; ++i) {
    const std::string n = std::to_string(i);
    text += vb ? "Function Rate" + n + "(x)\r\n  Rate" + n + " = x * " + n +
                     " / 100\r\nEnd Function\r\n"
               : "function RATE" + n + "(x) {\r\n  return x * " + n + " / 100;\r\n}\r\n";
  }
  // Formula placeholders arrive lower-cased; the JScript function reads the
  // upper-case variable itself.
  text += vb ? "Function Nds(rate)\r\n  Nds = Round(Summa * rate / (100 + rate), 2)\r\n"
               "End Function\r\n"
             : "function nds(rate) {\r\n  return Math.round(SUMMA * rate / (100 + rate) * 100)"
               " / 100;\r\n}\r\n";
  return text;
}

std::string TemplateText(const std::string& language) {
  const bool vb = language != "JScript";
  // JScript names keep their case: its named formulas are written in upper
  // case, as the engine's script variables are.
  const std::string values = vb ? "PSum = Summa * 100 / 118; NDSSum = Summa - PSum"
                                : "PSum = SUMMA * 100 / 118; NDSSum = SUMMA - PSUM";
  return "<html><body>\n&lt;#paramrep ScriptLang=" + language + "&gt;\n" +
         "&lt;#paramrep ScriptValues=" + values + "&gt;\n" +
         "&lt;#paramrep ScriptFile=" + (vb ? "lib.vbs" : "lib.js") + "&gt;\n" +
         "<table border=1>\n<tr><td>Liter</td><td>Price</td><td>Summa</td><td>Net</td>"
         "<td>VAT</td><td>VAT by function</td></tr>\n"
         "<tr><td colspan=6>&lt;#Group&gt;</td></tr>\n<tr><td colspan=6>&lt;#Repeat&gt;</td></tr>\n"
         "<tr><td>&lt;#Liter&gt;</td><td>&lt;#Price&gt;</td><td>&lt;#Summa&gt;</td>"
         "<td>&lt;#PSum&gt;</td><td>&lt;#NDSSum&gt;</td><td>&lt;#(=nds(18))&gt;</td></tr>\n"
         "<tr><td colspan=6>&lt;#EndRepeat&gt;</td></tr>\n"
         "<tr><td colspan=6>&lt;#EndGroup&gt;</td></tr>\n</table>\n</body></html>\n";
}

std::string BuildReport(const std::string& file) {
  tv::THTML_Jet jet(file);
  jet.Init();
  for (int r = 0; r < kRecords; ++r) {
    const double liter = 10 + (r % 37) * 1.25, price = 52.4 + r % 4;
    jet.AddFloat("Liter", "%.2n", liter);
    jet.AddFloat("Price", "%.2n", price);
    jet.AddFloat("Summa", "%.2n", liter * price);
    jet.EndLine();
  }
  jet.EndIGroup();
  std::string out;
  jet.GetReady(out);
  return out;
}

void BM_FormulaCells100k(benchmark::State& state) {
  const std::string language = kLanguages[state.range(0)];
  std::string root = (std::filesystem::temp_directory_path() / "tolvaren-bench-XXXXXX").string();
  ::mkdtemp(root.data());
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  const std::string dir = "C:\\FUEL\\FORMS\\WEBREP\\";
  tv::ForceDirectories(dir);
  tv::WriteFileBytes(dir + "receipts.html", tv::Utf8ToCp1251(TemplateText(language)));
  tv::WriteFileBytes(dir + "lib.vbs", ScriptFile(true));
  tv::WriteFileBytes(dir + "lib.js", ScriptFile(false));
  tv::HTMLJet::MaxReportRows = kRecords;
  tv::HTMLJet::MaxReportSizeMB = 500;
  std::size_t filled = 0;
  for (auto _ : state) {
    const std::string document = BuildReport(dir + "receipts.html");
    // Every record's VAT cell is a number when the formulas run.
    filled = 0;
    for (std::size_t p = document.find("<td><nobr>"); p != std::string::npos;
         p = document.find("<td><nobr>", p + 1))
      ++filled;
    benchmark::DoNotOptimize(document);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.counters["number_cells_per_record"] = static_cast<double>(filled) / kRecords;
  state.SetLabel(language);
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_FormulaCells100k)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
