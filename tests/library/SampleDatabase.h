#pragma once
// The sample station database of db/create-sample-db, made once per test
// process (with the process's own Firebird engine folder) and copied into a
// test's root folder where the host's data folder points.

#include <string>

namespace tv::test {

class TempRoot;

// Native path of the process's sample database; fails the test when it
// cannot be made.
const std::string& SampleStationDatabase();

// Copies it to <root>/c/FUEL/DB/Velmar.FDB ("C:\FUEL\DB\Velmar.FDB").
void InstallSampleStationDatabase(const TempRoot& root);

}  // namespace tv::test
