#include "tests/support/FirebirdTest.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/ib/IBEnvironment.h"
#include "tests/support/TempRoot.h"

// The client library keeps for the life of the process the converter it
// opens for file names (see IBEnvironment.cpp) and the big numbers of its
// SRP login; neither is freed at exit, and neither is a leak of ours. Nor is
// the C library's own table of a thread's thread-local blocks, which grows
// when a thread meets the thread-locals of one more loaded library copy,
// nor the loader's list of dependencies of the unwinder that the C library
// opens at a process's first exception (lost when a library copy that
// threw it first is unloaded).
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:__gconv_open\nleak:mp_init\nleak:_dl_resize_dtv\nleak:_dl_map_object_deps\n";
}
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_options() {
  return "print_suppressions=0";
}

namespace tv::test {
namespace {

std::string gEngineFolder;

void RemoveEngineFolder() {
  std::error_code ec;
  if (!gEngineFolder.empty()) std::filesystem::remove_all(gEngineFolder, ec);
}

std::string SqlQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += c;
  }
  return out + "'";
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

}  // namespace

void UseFirebirdTestEngine() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::string tmpl =
        (std::filesystem::temp_directory_path() / "tolvaren-fbengine-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    gEngineFolder = tmpl;
    WriteFirebirdEngineFolder(gEngineFolder, EmbeddedFirebirdConf());
    ::setenv("FIREBIRD_LOCK", (gEngineFolder + "/lock").c_str(), 1);
    ::setenv("FIREBIRD", gEngineFolder.c_str(), 1);
    std::atexit(RemoveEngineFolder);
  });
}

std::string Isql(const std::string& script, int* exitCode) {
  UseFirebirdTestEngine();
  char name[] = "/tmp/tolvaren-isql-XXXXXX";
  const int fd = ::mkstemp(name);
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  ::close(fd);
  {
    std::ofstream out(name, std::ios::binary);
    out << "SET SQL DIALECT 3;\n" << script << "\n";
  }
  std::string output = RunCommand(
      std::string("isql-fb -q -b -user SYSDBA -i ") + ShellQuote(name) + " 2>&1", exitCode);
  ::unlink(name);
  return output;
}

std::vector<IsqlRow> IsqlSelect(const std::string& path, const std::string& select) {
  int rc = 0;
  const std::string out = Isql("SET NAMES WIN1251;\nSET LIST ON;\nCONNECT " + SqlQuote(path) +
                                   " USER 'SYSDBA';\n" + select + ";\n",
                               &rc);
  EXPECT_EQ(rc, 0) << out;
  std::vector<IsqlRow> rows;
  bool inRow = false;
  std::size_t pos = 0;
  while (pos < out.size()) {
    std::size_t end = out.find('\n', pos);
    if (end == std::string::npos) end = out.size();
    std::string line = out.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      inRow = false;
      continue;
    }
    if (!inRow) rows.emplace_back();
    inRow = true;
    const std::size_t gap = line.find(' ');
    std::size_t value = gap == std::string::npos ? line.size() : line.find_first_not_of(' ', gap);
    if (value == std::string::npos) value = line.size();
    rows.back()[line.substr(0, gap)] = line.substr(value);
  }
  return rows;
}

void CreateTestDatabase(const std::string& path, const std::string& ddl) {
  int rc = 0;
  std::string out = Isql("SET NAMES WIN1251;\nCREATE DATABASE " + SqlQuote(path) +
                             " USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n" +
                             ddl + "\nCOMMIT;\n",
                         &rc);
  ASSERT_EQ(rc, 0) << out;
}

}  // namespace tv::test
