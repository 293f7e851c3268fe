#pragma once
// The remote data providers as a host serves them: the real libtolvaren.so
// loaded by the library tests' recording host, a provider owner whose
// procedures record what they receive, the module created through
// DCOMServerOnCreate on the sample station database of the test's root.

#include <mutex>
#include <string>
#include <vector>

#include "tests/library/LibraryFixture.h"
#include "tests/support/FirebirdTest.h"

namespace tv::test {

class ProvidersTest : public LibraryFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // InitReports, a new owner and DCOMServerOnCreate on it.
  void Create();
  // tv_owner_free; its result.
  int32_t FreeOwner();
  TVProvider* Provider(const std::string& name) const;

  struct Result {
    bool Ok = false;
    std::string Text;  // the packet or the outcome (Windows-1251), else the error
  };
  Result Read(const std::string& name, const std::string& sql = {});
  // The packet's rows (column -> value in isql-fb's notation, read by
  // Python's XML parser); fails the test when the read fails.
  std::vector<IsqlRow> Rows(const std::string& name, const std::string& sql = {});
  Result Apply(const std::string& name, const std::string& utf8Delta);
  // The outcome of every record: "ok" or the error text (Windows-1251).
  std::vector<std::string> Outcome(const std::string& name, const std::string& utf8Delta);

  std::string Db() const { return root.Path() + "/c/FUEL/DB/Velmar.FDB"; }
  std::vector<IsqlRow> Sql(const std::string& utf8Select) const;
  void Exec(const std::string& utf8Statements) const;
  // Replaces the database by a sample made with db/create-sample-db options.
  void MakeSample(const std::string& options) const;

  TVProviderOwner* owner = nullptr;
  std::mutex namesLock;
  std::vector<std::string> registered, unregistered;
  std::vector<std::pair<std::string, TVProvider*>> providers;

 private:
  decltype(&::tv_owner_create) ownerCreate_ = nullptr;
  decltype(&::tv_owner_free) ownerFree_ = nullptr;
  decltype(&::tv_provider_get_records) getRecords_ = nullptr;
  decltype(&::tv_provider_apply_delta) applyDelta_ = nullptr;
};

// Each row of `rows` as "COLUMN=value COLUMN=value", columns in name order,
// numbers by value, leaving out `skip` (BLOBs, which isql-fb lists by id).
std::vector<std::string> Flat(const std::vector<IsqlRow>& rows, const std::vector<std::string>& skip = {});

}  // namespace tv::test
