#include "tests/support/Chromium.h"

#include <stdlib.h>

#include <filesystem>

#include "tests/support/TempRoot.h"

namespace tv::test {

namespace fs = std::filesystem;

namespace {

// Runs headless Chromium on the page with `output` (the options that name
// the file made) and a profile folder of its own.
bool RunChromium(const std::string& page, const std::string& output, const std::string& file,
                 const std::string& logFile) {
  std::string profile = (fs::temp_directory_path() / "tolvaren-chromium-XXXXXX").string();
  if (::mkdtemp(profile.data()) == nullptr) return false;
  fs::remove(file);
  int rc = -1;
  RunCommand(
      "timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-quic"
      " --no-first-run --disable-background-networking --disable-component-update"
      " --disable-sync --user-data-dir='" +
          profile + "' " + output + " 'file://" + page + "' >>'" + logFile + "' 2>&1",
      &rc);
  std::error_code ec;
  fs::remove_all(profile, ec);
  return rc == 0 && fs::exists(file);
}

}  // namespace

bool RenderPagePng(const std::string& page, const std::string& png, const std::string& logFile) {
  return RunChromium(page, "--screenshot='" + png + "' --window-size=1280,1600", png, logFile);
}

bool PrintPagePdf(const std::string& page, const std::string& pdf, const std::string& logFile) {
  return RunChromium(page, "--print-to-pdf='" + pdf + "' --no-pdf-header-footer", pdf, logFile);
}

int CheckPng(const std::string& png, std::string& summary) {
  int rc = -1;
  summary = RunCommand(
      "python3 '" TOLVAREN_SOURCE_DIR "/tests/templates/check_png.py' '" + png + "'", &rc);
  return rc;
}

}  // namespace tv::test
