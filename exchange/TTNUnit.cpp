#include "exchange/TTNUnit.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "foundation/FBUtils.h"
#include "foundation/FileLogger.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/text/StringList.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"

namespace tv::TTNUnit {

namespace {

constexpr const char* kTTNDetailProbe =
    "SELECT * FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'TTNDETAIL'";

std::unique_ptr<TIBDataSet> ReadDataSet(TIBDatabase* database) {
  return std::unique_ptr<TIBDataSet>(
      FBUtils::FBCreateDataSetForRead(database, true, nullptr, nullptr, ""));
}

bool HasRow(TIBDataSet& ds, const char* sql) {
  ds.SelectSQL().SetText(sql);
  ds.Open();
  const bool any = !ds.Eof();
  ds.Close();
  return any;
}

// ---- Waybill ids ---------------------------------------------------------

// The counter is shared by every database of the process; what is
// serialised is only the first look at each database, so that two first
// callers cannot both start from the same maximum.
std::atomic<int32_t> gLastTTNID{-1};
std::atomic<bool> gLocalRange{true};  // the range of the last load
std::mutex gIdLoadLock;
std::set<std::string> gSeenDatabases;  // upper-cased connection strings

int AskHostMode(const THostQuery& host) {
  if (!host) throw Exception("Программа-хост не передала процедуру запросов: режим хоста неизвестен"_w);
  Variant mode;
  host(mode, 46, 0);
  return mode.AsInteger();
}

void LoadMaximum(TIBDatabase* database, const THostQuery& host) {
  const bool office = AskHostMode(host) == kOfficeHostMode;
  auto ds = ReadDataSet(database);
  ds->SelectSQL().SetText(office ? "SELECT MAX(TTN_ID) FROM TTN WHERE TTN_ID >= 100000000"
                                 : "SELECT MAX(TTN_ID) FROM TTN WHERE TTN_ID < 100000000");
  ds->Open();
  int32_t maximum = ds->Fields(0).IsNull() ? 0 : ds->Fields(0).AsInteger();
  ds->Close();
  if (office && maximum == 0) maximum = kOfficeIdBase;
  int32_t last = gLastTTNID.load();
  while (last < maximum && !gLastTTNID.compare_exchange_weak(last, maximum)) {
  }
  gLocalRange = !office;
}

}  // namespace

int32_t GetNextTTNID(TIBDatabase* database, const THostQuery& host) {
  {
    const std::string key = AnsiUpperCase(database->DatabaseName());
    std::lock_guard<std::mutex> hold(gIdLoadLock);
    if (gLastTTNID.load() < 0 || gSeenDatabases.count(key) == 0) {
      LoadMaximum(database, host);
      gSeenDatabases.insert(key);
    }
  }
  int32_t last = gLastTTNID.load();
  for (;;) {
    const int32_t limit = gLocalRange ? kOfficeIdBase - 1 : INT32_MAX;
    if (last >= limit) {
      throw Exception(gLocalRange ? "Исчерпан диапазон локальных номеров ТТН (до 100000000)"_w
                                  : "Исчерпан диапазон номеров ТТН"_w);
    }
    if (gLastTTNID.compare_exchange_weak(last, last + 1)) return last + 1;
  }
}

int32_t LastTTNID() { return gLastTTNID.load(); }

void ResetTTNIDCounter() {
  std::lock_guard<std::mutex> hold(gIdLoadLock);
  gSeenDatabases.clear();
  gLastTTNID = -1;
  gLocalRange = true;
}

// ---- Capability records --------------------------------------------------

namespace {

struct Record {
  TAZSConnectionData data;
  bool ready = false;
};

// AZSConnectionList and AZSConnectionLock: records by upper-cased
// connection string. A record is listed before its probe runs (outside the
// lock); others asking for it meanwhile wait on gProbed.
struct ConnectionList {
  std::mutex lock;
  std::condition_variable probed;
  std::map<std::string, std::shared_ptr<Record>> records;
};

ConnectionList& AZSConnectionList() {
  static ConnectionList list;
  return list;
}

TAZSConnectionData Probe(TIBDatabase* database) {
  if (!database->Connected()) FBUtils::FBConnectDB(database);
  TAZSConnectionData data;
  auto ds = ReadDataSet(database);
  data.HasTTNDetail = HasRow(*ds, kTTNDetailProbe);
  ds->SelectSQL().SetText("SELECT FIRST 1 * FROM LOGTRAN");
  ds->Open();
  data.HasID2CNT = ds->FindField("ID2CNT") != nullptr;
  data.HasPlotNomer = ds->FindField("PLOTNOMER") != nullptr;
  ds->Close();
  data.ContractorsEmpty = !HasRow(*ds, "SELECT FIRST 1 * FROM VDCONTRACTOR");
  return data;
}

}  // namespace

TAZSConnectionData GetConnectionData(TIBDatabase* database, TIBTransaction* transaction,
                                     TFileLogger* log) {
  ConnectionList& list = AZSConnectionList();
  const std::string key = AnsiUpperCase(database->DatabaseName());
  std::shared_ptr<Record> mine;
  {
    std::unique_lock<std::mutex> hold(list.lock);
    for (;;) {
      auto it = list.records.find(key);
      if (it == list.records.end()) break;
      if (it->second->ready) return it->second->data;
      list.probed.wait(hold);  // another thread probes it; a failed probe drops the record
    }
    mine = std::make_shared<Record>();
    list.records.emplace(key, mine);
  }
  TAZSConnectionData data;
  try {
    data = Probe(database);
  } catch (...) {
    std::lock_guard<std::mutex> hold(list.lock);
    list.records.erase(key);
    list.probed.notify_all();
    throw;
  }
  {
    std::lock_guard<std::mutex> hold(list.lock);
    mine->data = data;
    mine->ready = true;
    list.probed.notify_all();
  }
  MoveTTNDetailsToTable(database, transaction, data.HasTTNDetail, log);
  return data;
}

void GetConnectionData(TIBDatabase* database, TIBTransaction* transaction, bool& hasTTNDetail,
                       bool& hasID2CNT, bool& contractorsEmpty, bool& hasPlotNomer,
                       TFileLogger* log) {
  const TAZSConnectionData data = GetConnectionData(database, transaction, log);
  hasTTNDetail = data.HasTTNDetail;
  hasID2CNT = data.HasID2CNT;
  contractorsEmpty = data.ContractorsEmpty;
  hasPlotNomer = data.HasPlotNomer;
}

void FinalizeConnectionData() {
  ConnectionList& list = AZSConnectionList();
  std::lock_guard<std::mutex> hold(list.lock);
  list.records.clear();
}

// ---- TTNDETAIL -----------------------------------------------------------

bool TTNDetailExists(TIBDatabase* database) {
  auto ds = ReadDataSet(database);
  return HasRow(*ds, kTTNDetailProbe);
}

bool GetTTNDetailFields(TIBDatabase* database, TStringList& fields) {
  fields.Clear();
  auto ds = ReadDataSet(database);
  ds->SelectSQL().SetText("SELECT FIRST 1 * FROM TTNDETAIL");
  ds->Open();
  for (int i = 0; i < ds->FieldCount(); ++i) fields.Add(ds->Fields(i).FieldName());
  const bool empty = ds->Eof();
  ds->Close();
  return empty;
}

std::string BuildTTNDetailInsertSQL(const TStringList& fields) {
  std::string columns, values;
  for (int i = 0; i < fields.Count(); ++i) {
    if (i > 0) {
      columns += ',';
      values += ',';
    }
    columns += '"' + fields[i] + '"';
    values += ':' + fields[i];
  }
  return "INSERT INTO TTNDETAIL (" + columns + ") VALUES (" + values + ")";
}

std::string DetailSourceColumn(const std::string& detailColumn) {
  return detailColumn == "INDEXSALE" ? detailColumn : detailColumn + "1";
}

namespace {

// Each detail column's parameter and the TTN field it is filled from,
// looked up once for all rows.
struct DetailCopy {
  enum Kind { kId, kTTNId, kCopy, kFlag };
  struct Column {
    TIBParam* param;
    Kind kind;
    TIBField* from;  // kCopy: null when TTN lacks the source column
  };
  std::vector<Column> columns;

  DetailCopy(TIBDataSet& insert, TIBDataSet& rows, const TStringList& fields) {
    for (int i = 0; i < fields.Count(); ++i) {
      const std::string& column = fields[i];
      const Kind kind = column == "ID" ? kId : column == "TTN_ID" ? kTTNId : kCopy;
      columns.push_back({&insert.ParamByName(column), kind,
                         kind == kCopy ? rows.FindField(DetailSourceColumn(column)) : nullptr});
    }
    for (const char* flag : {"PRINTTTN1", "PRINTTTN2", "PRINTSF", "PRINTTN"}) {
      columns.push_back({&insert.ParamByName(flag), kFlag, nullptr});
    }
  }

  void Set(int32_t ttnId) {
    for (Column& c : columns) {
      switch (c.kind) {
        case kId:
        case kFlag:
          c.param->SetAsInteger(1);
          break;
        case kTTNId:
          c.param->SetAsInteger(ttnId);
          break;
        case kCopy:
          c.param->Clear();
          if (c.from != nullptr && !c.from->IsNull()) c.param->SetValue(c.from->AsVariant());
          break;
      }
    }
  }
};

}  // namespace

void MoveTTNDetailsToTable(TIBDatabase* database, TIBTransaction* transaction, bool hasTTNDetail,
                           TFileLogger* log) {
  std::unique_ptr<TIBDataSet> insert;
  try {
    TStringList fields;
    if (!hasTTNDetail || !GetTTNDetailFields(database, fields)) return;
    auto rows = ReadDataSet(database);
    rows->SelectSQL().SetText("SELECT * FROM TTN ORDER BY TTN_ID");
    rows->Open();
    if (rows->Eof()) return;
    insert.reset(FBUtils::FBCreateDataSetForWrite(database, false, transaction, nullptr, ""));
    insert->SelectSQL().SetText(BuildTTNDetailInsertSQL(fields));
    if (!insert->Transaction()->InTransaction()) insert->Transaction()->StartTransaction();
    DetailCopy copy(*insert, *rows, fields);
    TIBField& ttnId = rows->FieldByName("TTN_ID");
    for (; !rows->Eof(); rows->Next()) {
      copy.Set(ttnId.AsInteger());
      insert->ExecSQL();
    }
    insert->Transaction()->Commit();
  } catch (const std::exception& e) {
    if (insert && insert->Transaction() != nullptr && insert->Transaction()->InTransaction()) {
      try {
        insert->Transaction()->Rollback();
      } catch (...) {  // the connection is gone: nothing of the migration was committed
      }
    }
    if (log != nullptr) {
      log->LogFmt("Ошибка переноса строк ТТН в TTNDETAIL: %s"_w, {std::string(e.what())}, 2);
    }
  }
}

}  // namespace tv::TTNUnit
