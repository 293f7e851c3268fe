// The waybill documents as a person sees them: each filled from the sample
// with its built-in template, drawn by headless Chromium into a PNG and
// printed into a PDF (form 1-T across an A4 sheet), both kept in the build
// tree (screenshots/waybills/).
// No page may be blank, and the text that pdftotext extracts must hold the
// number, date, parties, amounts, totals and words, so a value that the
// markup hides or a wrong charset fails here.

#include <filesystem>
#include <fstream>

#include "tests/reports/operational/TTNFixture.h"
#include "tests/support/Chromium.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

// The text without any white space, so that line breaks of the layout do
// not matter.
std::string Squeezed(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0) {
      ++i;  // no-break space
      continue;
    }
    if (!std::isspace(c)) out += text[i];
  }
  return out;
}

int PdfPages(const std::string& pdf) {
  int rc = -1;
  const std::string info = RunCommand("pdfinfo '" + pdf + "' 2>&1", &rc);
  const std::size_t at = info.find("Pages:");
  return rc != 0 || at == std::string::npos ? 0 : std::stoi(info.substr(at + 6));
}

std::string PdfText(const std::string& pdf, int page = 0) {
  const std::string pages =
      page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : std::string();
  int rc = -1;
  return RunCommand("pdftotext -raw -enc UTF-8" + pages + " '" + pdf + "' - 2>&1", &rc);
}

struct Shot {
  const char* name;
  int subCode, id, variant;
  bool landscape;
  std::vector<std::string> texts;
};

const char* const kWords502 =
    "Один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь рублей 89 копеек";
const std::vector<std::string> kTorg12Texts = {
    "Т-502", "03.04.24", "ГУП Вода", "ИНН 7701000257", "МУП Тепло", "ИНН 7701000258",
    "ОООСлитно", "ИНН 7701000261", "ООО Ромашка",
    "ИНН/КПП 7701000251/770101001 ПАО Сбербанк р/сч 40702810000000000251 кор/сч "
    "30101810400000000225 БИК 044525225",
    "1 000 000,00", "200 000,00", "34 567,89", "1 234 567,89", kWords502};

class TTNRendering : public TTNFixture {};

TEST_F(TTNRendering, DocumentsRenderAndPrintTheirValues) {
  if (!HaveCommand("chromium") || !HaveCommand("pdftotext"))
    GTEST_SKIP() << "chromium or pdftotext is missing (scripts/install-deps adds them)";
  const fs::path dir = fs::path(TOLVAREN_SCREENSHOT_DIR) / "waybills";
  fs::create_directories(dir);
  const Shot shots[] = {
      {"ttn1-502", 4, 502, 0, true,
       {"000502", "ГУП Вода", "МУП Тепло", "ооо Строчные", "1 000 000,00", "200 000,00",
        "34 567,89", "1234467,89",
        "Один миллион двести тридцать четыре тысячи четыреста шестьдесят семь рублей 89 "
        "копеек"}},
      {"ttn2-506", 5, 506, 0, true,
       {"000506", "ИП Петров П. П.", "ИНН 770100000252", "ОАО Завод", "КПП 770101253", "12,50",
        "7,25", "19,75"}},
      {"invoice-502", 6, 502, 0, false,
       {"СФ-502", "03.04.24", "ГУП Вода", "7701000257", "МУП Тепло", "7701000258",
        "1 000 000,00", "200 000,00", "34 567,89", "-100,00", "1 234 467,89"}},
      {"torg12-502", 7, 502, 0, false, kTorg12Texts},
      {"torg12-1-502", 7, 502, 1, false, kTorg12Texts},
      {"torg12-2-502", 7, 502, 2, false, kTorg12Texts},
      {"shipment-507", 16, 507, 0, false,
       {"К-507", "08.04.2024", "000507", "ДТ", "12,50", "500,00", "11, 1", "08.04.2024 10:01",
        "08.04.2024 10:40"}},
      // Names go in unescaped: Chromium shows "<" before a Cyrillic letter
      // as text, and the quotes, "&" and «» as they are.
      {"torg12-509", 7, 509, 0, false, {"ООО \"Кавычки\" & «Ёлки» <Ели>", "Топливо \"Евро\" & <К5>"}},
  };
  for (const Shot& s : shots) {
    SCOPED_TRACE(s.name);
    const TestHost::Reply reply =
        Request('#', s.subCode == 7 ? A({Variant(7), Variant(s.id), Variant(s.variant)})
                                    : A({Variant(s.subCode), Variant(s.id)}));
    ASSERT_EQ(reply.Text.find("Ошибка"), std::string::npos) << reply.Text;
    const std::string html = Html();
    EXPECT_NE(html.find("charset=windows-1251"), std::string::npos);
    const fs::path page = dir / (std::string(s.name) + ".html");
    const fs::path png = dir / (std::string(s.name) + ".png");
    const fs::path pdf = dir / (std::string(s.name) + ".pdf");
    std::ofstream(page, std::ios::binary) << html;
    const std::string log = (dir / "chromium.log").string();
    ASSERT_TRUE(RenderPagePng(page.string(), png.string(), log));
    std::string summary;
    EXPECT_EQ(CheckPng(png.string(), summary), 0) << png << ": " << summary;
    // Form 1-T is printed across the sheet: on a portrait one the
    // transport section loses its gross-mass column at the right edge.
    const fs::path print = dir / (std::string(s.name) + "-print.html");
    std::ofstream(print, std::ios::binary)
        << (s.landscape ? "<style>@page { size: A4 landscape; }</style>" : "") << html;
    ASSERT_TRUE(PrintPagePdf(print.string(), pdf.string(), log));
    const int pages = PdfPages(pdf.string());
    ASSERT_GT(pages, 0);
    for (int p = 1; p <= pages; ++p) EXPECT_NE(Squeezed(PdfText(pdf.string(), p)), "") << p;
    const std::string text = Squeezed(PdfText(pdf.string()));
    for (const std::string& t : s.texts) EXPECT_NE(text.find(Squeezed(t)), std::string::npos) << t;
  }
}

}  // namespace
}  // namespace tv::test
