#pragma once
// Firebird helpers for tests: one embedded-engine folder per test process and
// isql-fb, the client's own command-line tool, as the independent way to make
// and inspect databases.

#include <map>
#include <string>
#include <vector>

namespace tv::test {

// Points this process (and the programs it starts) at an engine folder of its
// own, made once and removed at exit: each test has a fresh TOLVAREN_ROOT,
// while the client library reads its configuration only once per process.
void UseFirebirdTestEngine();

// Runs isql-fb on `script` (statements ending with ";"), stopping at the
// first error; returns what it printed (standard output and error).
std::string Isql(const std::string& script, int* exitCode = nullptr);

// One result row of IsqlSelect: column name -> value as isql-fb prints it
// ("<null>" for NULL), Windows-1251 bytes.
using IsqlRow = std::map<std::string, std::string>;

// Runs one SELECT on the database file `path` through isql-fb (list mode,
// connection character set WIN1251) and returns its rows; fails the test on
// an error.
std::vector<IsqlRow> IsqlSelect(const std::string& path, const std::string& select);

// Creates the database file `path` (native; SQL dialect 3, default character
// set WIN1251, user SYSDBA) and runs `ddl` (Windows-1251 text, connection
// character set WIN1251) in it; fails the test on an error.
void CreateTestDatabase(const std::string& path, const std::string& ddl);

}  // namespace tv::test
