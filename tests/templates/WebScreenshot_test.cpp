// Three filled templates (a statement, a waybill page and the shift's
// financial section) drawn by headless Chromium into PNG files, which stay
// in the build tree (tests/templates/screenshots) beside the pages for a
// person to look at. Each picture, decoded by check_png.py, must show
// something besides its background; an empty page, drawn first, must not.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/text/Cp1251.h"
#include "tests/support/Chromium.h"
#include "tests/support/TempRoot.h"
#include "tests/templates/WebFill.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

const fs::path kShotDir = TOLVAREN_SCREENSHOT_DIR;

struct TShot {
  const char* pattern;  // UTF-8
  const char* file;     // base name of the page and the picture
};
constexpr TShot kShots[] = {
    {"Ведомость по контрагенту", "statement"},
    {"ТТН1", "waybill-ttn1"},
    {"Финансовый отчет", "shift-financial"},
};

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

bool Render(const fs::path& page, const fs::path& png) {
  return RenderPagePng(page.string(), png.string(), (kShotDir / "chromium.log").string());
}

int CheckPng(const fs::path& png, std::string& summary) {
  return test::CheckPng(png.string(), summary);
}

TEST(WebScreenshots, ThreeFilledTemplatesRenderInChromium) {
  if (!HaveCommand("chromium"))
    GTEST_SKIP() << "chromium is not installed (scripts/install-deps adds it): no screenshots";
  if (!HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed: PNGs cannot be read";
  fs::create_directories(kShotDir);
  fs::remove(kShotDir / "chromium.log");

  // The check must be able to fail: a page with nothing on it.
  const fs::path blank = kShotDir / "blank.html";
  WriteBytes(blank, "<html><body bgcolor=#ffffff></body></html>\r\n");
  ASSERT_TRUE(Render(blank, kShotDir / "blank.png")) << "see " << kShotDir / "chromium.log";
  std::string summary;
  EXPECT_EQ(CheckPng(kShotDir / "blank.png", summary), 1) << summary;

  for (const TShot& shot : kShots) {
    SCOPED_TRACE(shot.pattern);
    const TWebTemplateCase c = WebTemplateCase(Utf8ToCp1251(shot.pattern));
    ASSERT_TRUE(c.pattern != nullptr && c.facts != nullptr && c.plan != nullptr);
    TFilledTemplate filled;
    {
      TempRoot root;
      FillSettingsScope settings;
      filled = FillWebTemplate(*c.facts, *c.plan, JoinLines(LinesOf(c.pattern->Lines)));
    }
    const fs::path page = kShotDir / (std::string(shot.file) + ".html");
    const fs::path png = kShotDir / (std::string(shot.file) + ".png");
    WriteBytes(page, filled.output);
    ASSERT_TRUE(Render(page, png)) << "see " << kShotDir / "chromium.log";
    EXPECT_EQ(CheckPng(png, summary), 0) << png << ": " << summary;
    int width = 0, height = 0;
    EXPECT_EQ(std::sscanf(summary.c_str(), "%d %d", &width, &height), 2) << summary;
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 1600);
  }
}

}  // namespace
}  // namespace tv::test
