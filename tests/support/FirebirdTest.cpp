#include "tests/support/FirebirdTest.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/ib/IBEnvironment.h"
#include "tests/support/TempRoot.h"

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
  std::string output =
      RunCommand(std::string("isql-fb -q -b -user SYSDBA -i ") + ShellQuote(name) + " 2>&1", exitCode);
  ::unlink(name);
  return output;
}

void CreateTestDatabase(const std::string& path, const std::string& ddl) {
  int rc = 0;
  std::string out = Isql("CREATE DATABASE " + SqlQuote(path) +
                             " USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n" +
                             ddl + "\nCOMMIT;\n",
                         &rc);
  ASSERT_EQ(rc, 0) << out;
}

}  // namespace tv::test
