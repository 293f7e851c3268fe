#pragma once
// New integer keys for a table's key field without a database generator.
// The first request for a (database, table, field) reads the field's
// maximum; from then on a 4-byte counter in named shared memory, visible to
// every process of the machine, is incremented under one machine-wide
// mutex. The counter lives while some process keeps it mapped: this process
// keeps every counter it used until ReleaseViews (at unload).

#include <cstdint>
#include <string>

namespace tv {

class TIBDatabase;
class TIBTransaction;

namespace GenIDUnit {

inline constexpr const char* kMutexName = "VelmarGenID-C01142B3-D157-4CCD-A94D-8B6A0398E061";

// The next key: max(last key + 1, minValue). The database is read only
// when no process holds the counter; it is never written. Raises with the
// context "Генерация ID" (the mutex missing, not obtained within the wait,
// a database failure while seeding).
int32_t GenID(const std::string& dbName, TIBDatabase* database, TIBTransaction* transaction,
              const std::string& table, const std::string& field, int32_t minValue);

// Lets go of every counter this process holds.
void ReleaseViews();

// "C:\FUEL\DB\", "scandocuments", "id" -> "C__FUEL_DB___SCANDOCUMENTS__ID".
std::string MappingName(const std::string& dbName, const std::string& table,
                        const std::string& field);
std::string MakeSafeName(const std::string& name);

// How long GenID waits for the mutex (30 s); tests shorten it.
extern uint32_t WaitTimeoutMs;

}  // namespace GenIDUnit
}  // namespace tv
