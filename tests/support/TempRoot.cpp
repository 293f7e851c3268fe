#include "tests/support/TempRoot.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tv::test {

TempRoot::TempRoot() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "tolvaren-test-XXXXXX").string();
  char* made = ::mkdtemp(tmpl.data());
  if (made == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = made;
  if (const char* prev = std::getenv("TOLVAREN_ROOT")) {
    previous_ = prev;
    hadPrevious_ = true;
  }
  ::setenv("TOLVAREN_ROOT", path_.c_str(), 1);
}

TempRoot::~TempRoot() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
  if (hadPrevious_)
    ::setenv("TOLVAREN_ROOT", previous_.c_str(), 1);
  else
    ::unsetenv("TOLVAREN_ROOT");
}

void TempRoot::WriteFile(const std::string& relative, const std::string& bytes) const {
  std::filesystem::path p = std::filesystem::path(path_) / relative;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempRoot::ReadFile(const std::string& relative) const {
  std::ifstream in(std::filesystem::path(path_) / relative, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string HostProgramEnv() {
  return "LSAN_OPTIONS=\"${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=" TOLVAREN_SOURCE_DIR
         "/tests/data/host/lsan.supp:print_suppressions=0\" ";
}

std::string RunCommand(const std::string& command, int* exitCode) {
  FILE* p = ::popen(command.c_str(), "r");
  if (p == nullptr) {
    ADD_FAILURE() << "cannot run: " << command;
    return {};
  }
  std::string out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = ::pclose(p);
  if (exitCode != nullptr) *exitCode = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

bool HaveCommand(const std::string& name) {
  int rc = 0;
  RunCommand("command -v " + name + " >/dev/null 2>&1", &rc);
  return rc == 0;
}

}  // namespace tv::test
