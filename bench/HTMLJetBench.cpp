// THTML_Jet on a statement of 100 000 records: 12 columns, an outer group
// per counterparty (50), an inner group per fuel (4 per counterparty, 500
// records each), fuel totals read back by MakeItog, counterparty totals.
// Reports records per second and the peak memory of a run against the size
// of the document it produced.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"

namespace {

constexpr int kClients = 50;
constexpr int kFuels = 4;
constexpr int kRecordsPerFuel = 500;
constexpr int kRecords = kClients * kFuels * kRecordsPerFuel;

const char* const kTexts[] = {"Date", "Card", "Driver", "Car", "Doc", "Note"};
const char* const kNumbers[] = {"Price", "Liter", "Kg", "Summa", "Discount", "Paid"};

std::string Cell(const std::string& name) { return "<td>&lt;#" + name + "&gt;</td>"; }

std::string TemplateText() {
  std::string head, record, totals;
  for (const char* name : {"Дата", "Карта", "Водитель", "Автомобиль", "Документ", "Цена", "Литры",
                           "Кг", "Сумма", "Скидка", "Оплачено", "Примечание"})
    head += std::string("<td><b>") + name + "</b></td>";
  for (int i = 0; i < 5; ++i) record += Cell(kTexts[i]);
  for (const char* name : kNumbers) record += Cell(name);
  record += Cell("Note");
  for (int i = 1; i < 6; ++i) totals += Cell(kNumbers[i]);
  const std::string row12 = "<tr><td colspan=12>";
  return "<html><head><title>Ведомость</title></head><body>\n<h3>&lt;#OrgName&gt;</h3>\n"
         "<p align=center>&lt;#Group&gt;</p>\n<p>Контрагент: <b>&lt;#Client&gt;</b></p>\n"
         "<table border=1 cellspacing=0>\n<tr>" +
         head + "</tr>\n" + row12 + "&lt;#Group&gt;</td></tr>\n" + row12 +
         "ГСМ: &lt;#GSM&gt;</td></tr>\n" + row12 + "&lt;#Repeat&gt;</td></tr>\n<tr>" + record +
         "</tr>\n" + row12 + "&lt;#EndRepeat&gt;</td></tr>\n" + row12 +
         "&lt;#Itog&gt;</td></tr>\n"
         "<tr><td colspan=6>Итого по &lt;#GSM&gt;:</td>" +
         totals + "<td></td></tr>\n" + row12 + "&lt;#EndItog&gt;</td></tr>\n" + row12 +
         "&lt;#EndGroup&gt;</td></tr>\n" + row12 +
         "&lt;#AllItog&gt;</td></tr>\n<tr><td colspan=6>Итого по контрагенту:</td>" + totals +
         "<td></td></tr>\n" + row12 +
         "&lt;#EndAllItog&gt;</td></tr>\n</table>\n"
         "<p>&lt;#EndGroup&gt;</p>\n</body></html>\n";
}

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  return 0;
}

std::string BuildStatement(const std::string& file) {
  tv::THTML_Jet jet(file);
  jet.Init();
  jet.Add("OrgName", tv::Utf8ToCp1251("ООО \"Велмар\""));
  const char* const fuels[kFuels] = {"AI-92", "AI-95", "DT", "LPG"};
  for (int client = 0; client < kClients; ++client) {
    jet.Add("Client", "Client " + std::to_string(client));
    double clientLiter = 0;
    for (int fuel = 0; fuel < kFuels; ++fuel) {
      jet.Add("GSM", fuels[fuel]);
      for (int r = 0; r < kRecordsPerFuel; ++r) {
        const double liter = 10 + (r % 37) * 1.25;
        jet.Add("Date", "0" + std::to_string(1 + r % 9) + ".03.2024");
        jet.Add("Card", std::to_string(100000 + r));
        jet.Add("Driver", "Driver " + std::to_string(r % 13));
        jet.Add("Car", "A" + std::to_string(r % 1000) + "BC");
        jet.Add("Doc", std::to_string(client * 10000 + r));
        jet.Add("Note", "");
        jet.AddFloat("Price", "%.2n", 52.4 + fuel);
        jet.AddFloat("Liter", "%.2n", liter);
        jet.AddFloat("Kg", "%.3n", liter * 0.745);
        jet.AddFloat("Summa", "%.2n", liter * (52.4 + fuel));
        jet.AddFloat("Discount", "%.2n", r % 5);
        jet.AddFloat("Paid", "%.2n", liter * (52.4 + fuel) - r % 5);
        jet.EndLine();
        clientLiter += liter;
      }
      jet.AddInItog("GSM", fuels[fuel]);
      jet.MakeItog(2);
      jet.EndIGroup();
    }
    for (const char* name : kNumbers) jet.AddOutItogFloat(name, "%.2n", clientLiter);
    jet.EndOGroup();
  }
  std::string out;
  jet.TakeReady(out);
  return out;
}

void BM_Statement100k(benchmark::State& state) {
  std::string root = (std::filesystem::temp_directory_path() / "tolvaren-bench-XXXXXX").string();
  ::mkdtemp(root.data());
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  const std::string file = "C:\\FUEL\\FORMS\\WEBREP\\statement.html";
  tv::ForceDirectories(tv::ExtractFilePath(file));
  tv::WriteFileBytes(file, tv::Utf8ToCp1251(TemplateText()));
  tv::HTMLJet::MaxReportRows = kRecords;
  tv::HTMLJet::MaxReportSizeMB = 500;
  // Memory is counted from the process's size before the first run: what a
  // run keeps after it has freed its strings (malloc's cache) counts too.
  const long before = StatusKb("VmRSS:");
  double outputBytes = 0, peakRatio = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak (VmHWM)
    state.ResumeTiming();
    std::string document = BuildStatement(file);
    state.PauseTiming();
    const long peak = StatusKb("VmHWM:");
    outputBytes = static_cast<double>(document.size());
    peakRatio = std::max(peakRatio, (peak - before) * 1024.0 / outputBytes);
    benchmark::DoNotOptimize(document);
    document = std::string();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.counters["output_MB"] = outputBytes / 1048576;
  state.counters["peak_over_output"] = peakRatio;
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_Statement100k)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
