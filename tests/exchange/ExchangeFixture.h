#pragma once
// What the exchange tests share: a fresh root, the process's own Firebird
// engine, the database support library bound by path, a host query that
// answers the host mode, and connections made as the exchange makes them.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/HostQuery.h"
#include "platform/ib/IBDatabase.h"
#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv::test {

class ExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the database file `relative` under the root with `ddl`.
  std::string MakeDatabase(const std::string& relative, const std::string& ddl);
  // A connected database object on a native path, as FBUtils makes it.
  std::unique_ptr<TIBDatabase> Connect(const std::string& path);
  // A host query answering mode `mode` to question 46.
  static THostQuery Host(int mode);

  TempRoot root_;
};

}  // namespace tv::test
