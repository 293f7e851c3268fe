#include "foundation/GenIDUnit.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"
#include "platform/os/SharedMemory.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBTransaction.h"

namespace tv::GenIDUnit {

uint32_t WaitTimeoutMs = 30000;

namespace {

constexpr int kErrorAlreadyExists = 183;

// Counters this process holds, by mapping name (letter case ignored).
struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return AnsiCompareText(a, b) < 0;
  }
};

struct Unit {
  std::unique_ptr<NamedMutex> mutex;
  std::map<std::string, std::unique_ptr<SharedMemory>, NoCaseLess> views;
  Unit() {
    try {
      mutex = CreateGlobalMutex(kMutexName);
    } catch (const Exception&) {
      // GenID reports the missing mutex when it is asked for a key.
    }
  }
  ~Unit() { ReleaseViews(); }
};

Unit& TheUnit() {
  static Unit unit;
  return unit;
}

int32_t& Counter(SharedMemory& view) { return *static_cast<int32_t*>(view.Data()); }

int32_t NextAfter(int32_t last, int32_t minValue) {
  const int64_t next = static_cast<int64_t>(last) + 1;
  if (next > minValue) {
    // Wrapping round would hand out keys that are already taken.
    if (next > INT32_MAX) throw EOverflow("Исчерпан диапазон значений ключа"_w);
    return static_cast<int32_t>(next);
  }
  return minValue;
}

int32_t ReadMaximum(TIBDatabase* database, TIBTransaction* transaction, const std::string& table,
                    const std::string& field) {
  TIBDataSet query;
  query.SetDatabase(database);
  query.SetTransaction(transaction);
  if (transaction != nullptr && !transaction->InTransaction()) transaction->StartTransaction();
  query.SelectSQL().SetText(
      Format("SELECT MAX(\"%s\") FROM \"%s\"", {AnsiUpperCase(field), AnsiUpperCase(table)}));
  query.Open();
  TIBField& value = query.Fields(0);
  return value.IsNull() ? 0 : value.AsInteger();
}

int32_t NextKey(Unit& unit, const std::string& name, TIBDatabase* database,
                TIBTransaction* transaction, const std::string& table, const std::string& field,
                int32_t minValue) {
  if (auto it = unit.views.find(name); it != unit.views.end()) {
    int32_t& counter = Counter(*it->second);
    counter = NextAfter(counter, minValue);
    return counter;
  }
  int lastError = 0;
  std::unique_ptr<SharedMemory> view = CreateGlobalFileMapping(name, sizeof(int32_t), &lastError);
  int32_t& counter = Counter(*view);
  const int32_t key = lastError == kErrorAlreadyExists
                          ? NextAfter(counter, minValue)
                          : NextAfter(ReadMaximum(database, transaction, table, field), minValue);
  counter = key;
  unit.views.emplace(name, std::move(view));
  return key;
}

}  // namespace

std::string MakeSafeName(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    switch (c) {
      case '"': case '*': case '/': case ':': case '<': case '=': case '>': case '?': case '\\':
      case '|':
        c = '_';
        break;
      default:
        break;
    }
  }
  return out;
}

std::string MappingName(const std::string& dbName, const std::string& table,
                        const std::string& field) {
  std::string db = AnsiUpperCase(dbName);
  if (db.empty() || !IsPathDelimiter(db.back())) db += '\\';
  return MakeSafeName(db) + "__" + AnsiUpperCase(table) + "__" + AnsiUpperCase(field);
}

int32_t GenID(const std::string& dbName, TIBDatabase* database, TIBTransaction* transaction,
              const std::string& table, const std::string& field, int32_t minValue) {
  try {
    Unit& unit = TheUnit();
    if (!unit.mutex) throw Exception("Объект мьютекса не создан"_w);
    const std::string name = MappingName(dbName, table, field);
    NamedMutexHold hold(*unit.mutex, WaitTimeoutMs);
    return NextKey(unit, name, database, transaction, table, field, minValue);
  } catch (const std::exception& e) {
    MakeContextException(e, "Генерация ID"_w, true)->Raise();
  }
  return 0;  // not reached: Raise throws
}

void ReleaseViews() {
  Unit& unit = TheUnit();
  if (!unit.mutex) return;
  const NamedMutex::WaitResult r = unit.mutex->Wait(WaitTimeoutMs);
  if (r != NamedMutex::Signaled && r != NamedMutex::Abandoned) return;
  unit.views.clear();
  unit.mutex->Release();
}

}  // namespace tv::GenIDUnit
