#include "tests/support/Chromium.h"

#include <stdlib.h>

#include <filesystem>

#include "tests/support/TempRoot.h"

namespace tv::test {

namespace fs = std::filesystem;

bool RenderPagePng(const std::string& page, const std::string& png, const std::string& logFile) {
  std::string profile = (fs::temp_directory_path() / "tolvaren-chromium-XXXXXX").string();
  if (::mkdtemp(profile.data()) == nullptr) return false;
  fs::remove(png);
  int rc = -1;
  RunCommand(
      "timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-quic"
      " --no-first-run --disable-background-networking --disable-component-update"
      " --disable-sync --user-data-dir='" +
          profile + "' --screenshot='" + png + "' --window-size=1280,1600 'file://" + page +
          "' >>'" + logFile + "' 2>&1",
      &rc);
  std::error_code ec;
  fs::remove_all(profile, ec);
  return rc == 0 && fs::exists(png);
}

int CheckPng(const std::string& png, std::string& summary) {
  int rc = -1;
  summary = RunCommand(
      "python3 '" TOLVAREN_SOURCE_DIR "/tests/templates/check_png.py' '" + png + "'", &rc);
  return rc;
}

}  // namespace tv::test
