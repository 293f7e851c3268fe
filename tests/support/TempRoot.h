#pragma once
// A fresh TOLVAREN_ROOT folder for one test, removed afterwards.

#include <gtest/gtest.h>

#include <string>

namespace tv::test {

class TempRoot {
 public:
  TempRoot();
  ~TempRoot();
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  // Native path of the root folder.
  const std::string& Path() const { return path_; }
  // Writes raw bytes to a native path under the root (folders are created).
  void WriteFile(const std::string& relative, const std::string& bytes) const;
  std::string ReadFile(const std::string& relative) const;

 private:
  std::string path_;
  std::string previous_;
  bool hadPrevious_ = false;
};

// Runs a shell command and returns its standard output; fails the test when
// the command cannot be started.
std::string RunCommand(const std::string& command, int* exitCode = nullptr);
bool HaveCommand(const std::string& name);
// The shell prefix that runs a host program under test. A sanitizing build
// checks it for leaks too: with the options the suite runs under (use_tls=0
// among them, see scripts/test) and without the Firebird client's own.
std::string HostProgramEnv();

}  // namespace tv::test
