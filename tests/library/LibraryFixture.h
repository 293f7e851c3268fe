#pragma once
// The fixture of the end-to-end library tests: a fresh root folder (with
// the log folder and the sample station database), a freshly loaded copy of
// the library (with the database support library beside it) and
// a recording test host; helpers to read the report log, to write cnf.ini
// and the registry as the station keeps them, and to reach the test build's
// extra exports (recorded builder calls and the library's state).

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "platform/text/Cp1251.h"
#include "platform/os/Registry.h"
#include "tests/library/SampleDatabase.h"
#include "tests/library/TestHost.h"
#include "tests/support/TempRoot.h"

namespace tv::test {

class LibraryFixture : public ::testing::Test {
 protected:
  LibraryFixture() {
    root.WriteFile("c/FUEL/LogFiles/.keep", "");
    InstallSampleStationDatabase(root);
  }

  // Loads the test build (fake builders) or the real libtolvaren.so; once
  // per test.
  void Load(const std::string& path = TOLVAREN_FAKE_LIBRARY, const std::string& formsLibrary = {}) {
    ASSERT_EQ(lib, nullptr) << "one library per test";
    lib = std::make_unique<TestLibrary>(path, formsLibrary);
    host = std::make_unique<TestHost>(*lib, "C:\\FUEL\\DB\\");
  }
  void LoadReal() { Load(TOLVAREN_LIBRARY); }

  std::string Calls() const { return lib->Get<const char* (*)()>("tv_test_calls")(); }
  void ResetCalls() const {
    lib->Get<void (*)()>("tv_test_reset")();
    host->Events.clear();
  }
  void FailBuilders(const std::string& message) const {
    lib->Get<void (*)(const char*)>("tv_test_fail")(message.c_str());
  }
  std::map<std::string, std::string> State() const {
    std::map<std::string, std::string> out;
    std::istringstream in(lib->Get<const char* (*)()>("tv_test_state")());
    for (std::string line; std::getline(in, line);) {
      const size_t eq = line.find('=');
      out[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return out;
  }
  std::string State(const std::string& name) const { return State().at(name); }

  std::string Log() const { return root.ReadFile("c/FUEL/LogFiles/Reports.log"); }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

  void WriteCnf(const std::string& utf8) const {
    root.WriteFile("c/WINDOWS/cnf.ini", Utf8ToCp1251(utf8));
  }
  void WriteShift(bool open, int number, TDateTime begin) const {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Halvorsk\\AZS", true));
    reg.WriteInteger("IsSmenaOpen", open ? 1 : 0);
    reg.WriteInteger("SmenaNum", number);
    reg.WriteDateTime("SmenaBeginTime", begin);
  }

  TempRoot root;
  std::unique_ptr<TestLibrary> lib;
  std::unique_ptr<TestHost> host;
};

inline Variant A(std::initializer_list<Variant> items) { return VarArrayOf(items); }
inline Variant EmptyArray() { return VarArrayCreate({0, -1}, VarType::Variant); }

}  // namespace tv::test
