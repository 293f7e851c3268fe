#include "exchange/QueryFileLoader.h"

#include <memory>
#include <unordered_set>
#include <vector>

#include "exchange/ExchangeUnpack.h"
#include "exchange/TTNUnit.h"
#include "foundation/FBUtils.h"
#include "foundation/FileLogger.h"
#include "foundation/ReportConsts.h"
#include "foundation/XMUtils.h"
#include "platform/data/ClientDataSet.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/text/StringList.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"

namespace tv::exchange {

namespace {

bool IsIntegerField(TFieldType type) {
  return type == TFieldType::ftSmallint || type == TFieldType::ftInteger ||
         type == TFieldType::ftWord || type == TFieldType::ftLargeint;
}

// The file's OFCTTNID per row, refusing a file the loader cannot key on.
std::vector<int32_t> OfficeIds(TClientDataSet& rows) {
  const int field = rows.FindField("OFCTTNID");
  if (field < 0) throw EDatabaseError("В файле обмена нет поля OFCTTNID"_w);
  if (!IsIntegerField(rows.Fields()[field].DataType)) {
    throw EDatabaseError("Поле OFCTTNID файла обмена не целого типа"_w);
  }
  std::vector<int32_t> ids;
  for (rows.SourceFirst(); !rows.SourceEof(); rows.SourceNext()) {
    const Variant v = rows.SourceValue(field);
    if (v.IsNull() || v.IsEmpty()) {
      throw EDatabaseError(Format("Запись %d файла обмена без OFCTTNID"_w,
                                  {static_cast<int>(ids.size()) + 1}));
    }
    const int64_t id = v.AsInt64();
    if (id < INT32_MIN || id > INT32_MAX) {
      throw EDatabaseError(Format("OFCTTNID %d файла обмена вне диапазона"_w, {id}));
    }
    ids.push_back(static_cast<int32_t>(id));
  }
  return ids;
}

std::unique_ptr<TIBDataSet> WriteDataSet(TIBDatabase* database, TIBTransaction* transaction) {
  return std::unique_ptr<TIBDataSet>(
      FBUtils::FBCreateDataSetForWrite(database, true, transaction, nullptr, ""));
}

// One statement run again and again in the load's transaction.
struct Statement {
  std::unique_ptr<TIBDataSet> ds;
  std::vector<TIBParam*> params;  // by the caller's column order
  void Prepare(const std::string& sql, const TStringList& columns) {
    ds->SelectSQL().SetText(sql);
    for (int i = 0; i < columns.Count(); ++i) params.push_back(&ds->ParamByName(columns[i]));
  }
};

class Loader {
 public:
  Loader(TIBDatabase* database, TClientDataSet& rows, const TExchangeHost& host)
      : db_(database), rows_(rows), host_(host) {}
  void Run(const std::vector<int32_t>& officeIds);

 private:
  void MatchColumns();
  std::unordered_set<int32_t> PresentOfficeIds();
  void PrepareDetail();
  void InsertRow(int32_t& newId);
  void Exec(TIBDataSet& ds, const char* sql);

  TIBDatabase* db_;
  TClientDataSet& rows_;
  const TExchangeHost& host_;
  Statement ttn_, detail_;
  std::unique_ptr<TIBDataSet> savepoint_, release_, rollback_;
  TStringList copyColumns_, detailColumns_;
  std::vector<int> copyFrom_;    // file field of each copied column
  std::vector<int> detailFrom_;  // file field of each detail column, -1 none
  bool withDetail_ = false;
};

void Loader::MatchColumns() {
  TIBDataSet& ds = *ttn_.ds;
  ds.SelectSQL().SetText("SELECT FIRST 1 *  FROM TTN");
  ds.Open();
  for (int i = 0; i < ds.FieldCount(); ++i) {
    const std::string name = AnsiUpperCase(ds.Fields(i).FieldName());
    const int from = rows_.FindField(name);
    if (from < 0) continue;
    copyColumns_.Add(name);
    copyFrom_.push_back(from);
  }
  ds.Close();
}

// The station's copies, read once: each file row is then one look-up, for
// any number of rows.
std::unordered_set<int32_t> Loader::PresentOfficeIds() {
  TIBDataSet& ds = *ttn_.ds;
  ds.SelectSQL().SetText("SELECT OFCTTNID FROM TTN WHERE OFCTTNID IS NOT NULL");
  ds.SetUniDirectional(true);
  std::unordered_set<int32_t> present;
  for (ds.Open(); !ds.Eof(); ds.Next()) present.insert(ds.Fields(0).AsInteger());
  ds.Close();
  ds.SetUniDirectional(false);
  return present;
}

void Loader::PrepareDetail() {
  withDetail_ = TTNUnit::TTNDetailExists(db_);
  if (!withDetail_) return;
  TTNUnit::GetTTNDetailFields(db_, detailColumns_);
  detail_.Prepare(TTNUnit::BuildTTNDetailInsertSQL(detailColumns_), detailColumns_);
  for (int i = 0; i < detailColumns_.Count(); ++i) {
    const std::string& column = detailColumns_[i];
    detailFrom_.push_back(column == "ID" || column == "TTN_ID"
                              ? -1
                              : rows_.FindField(TTNUnit::DetailSourceColumn(column)));
  }
}

void Loader::Exec(TIBDataSet& ds, const char* sql) {
  if (ds.SelectSQL().Text() != sql) ds.SelectSQL().SetText(sql);
  ds.ExecSQL();
}

void Loader::InsertRow(int32_t& newId) {
  for (int c = 0; c < copyColumns_.Count(); ++c) {
    if (copyColumns_[c] == "TTN_ID") {
      newId = TTNUnit::GetNextTTNID(db_, host_.Query);
      ttn_.params[c]->SetAsInteger(newId);
    } else {
      ttn_.params[c]->SetValue(rows_.SourceValue(copyFrom_[c]));
    }
  }
  if (newId < 1) throw Exception("TTN: LastID НЕ СГЕНЕРИРОВАН!"_w);
  ttn_.ds->ExecSQL();
  if (!withDetail_) return;
  for (int d = 0; d < detailColumns_.Count(); ++d) {
    const std::string& column = detailColumns_[d];
    TIBParam& param = *detail_.params[d];
    if (column == "ID") {
      param.SetAsInteger(1);
    } else if (column == "TTN_ID") {
      param.SetAsInteger(newId);
    } else {
      param.SetValue(detailFrom_[d] < 0 ? Variant::Null() : rows_.SourceValue(detailFrom_[d]));
    }
  }
  for (const char* flag : {"PRINTTTN1", "PRINTTTN2", "PRINTSF", "PRINTTN"}) {
    detail_.ds->ParamByName(flag).SetAsInteger(1);
  }
  detail_.ds->ExecSQL();
}

void Loader::Run(const std::vector<int32_t>& officeIds) {
  ttn_.ds = WriteDataSet(db_, nullptr);
  TIBTransaction* transaction = ttn_.ds->Transaction();
  // A transaction left active would end with its default action, a commit:
  // a load that fails half-way must leave nothing.
  transaction->SetDefaultAction(TTransactionAction::taRollback);
  detail_.ds = WriteDataSet(db_, transaction);
  savepoint_ = WriteDataSet(db_, transaction);
  release_ = WriteDataSet(db_, transaction);
  rollback_ = WriteDataSet(db_, transaction);
  MatchColumns();
  const std::unordered_set<int32_t> present = PresentOfficeIds();
  std::string columns, values;
  for (int c = 0; c < copyColumns_.Count(); ++c) {
    columns += (c > 0 ? ",\"" : "\"") + copyColumns_[c] + "\"";
    values += (c > 0 ? ",:" : ":") + copyColumns_[c];
  }
  ttn_.Prepare("INSERT INTO TTN (" + columns + ") VALUES (" + values + ")", copyColumns_);
  PrepareDetail();
  size_t row = 0;
  for (rows_.SourceFirst(); !rows_.SourceEof(); rows_.SourceNext(), ++row) {
    if (present.count(officeIds[row]) != 0) continue;
    int32_t newId = 0;
    Exec(*savepoint_, "SAVEPOINT TV_EXCHANGE_ROW");
    try {
      InsertRow(newId);
      Exec(*release_, "RELEASE SAVEPOINT TV_EXCHANGE_ROW ONLY");
    } catch (const std::exception& e) {
      Exec(*rollback_, "ROLLBACK TO SAVEPOINT TV_EXCHANGE_ROW");
      if (host_.Log != nullptr) {
        host_.Log->LogFmt("Ошибка добавления записи TTN (ID=%d): %s"_w,
                          {newId, std::string(e.what())}, 0);
      }
    }
  }
  if (transaction->InTransaction()) transaction->Commit();
}

void LoadPacket(const std::string& packet, const TExchangeHost& host) {
  if (FileSize(packet) > MaxPacketBytes) throw Exception("Файл обмена слишком велик"_w);
  TClientDataSet rows;
  rows.LoadFromFile(packet);
  const std::vector<int32_t> officeIds = OfficeIds(rows);
  WithExchangeDatabase(std::string(DefaultDBPath), [&](TIBDatabase* database) {
    // The capability probe runs a pending detail migration first: once this
    // load has put rows into an empty TTNDETAIL it never could again.
    TIBTransaction migration;
    migration.SetDefaultDatabase(database);
    TTNUnit::GetConnectionData(database, &migration, host.Log);
    Loader(database, rows, host).Run(officeIds);
  });
}

}  // namespace

void ProcessQueryFile(const std::string& exchangeFile, const TExchangeHost& host) {
  try {
    if (!FileExists(exchangeFile)) return;
    TFolderLock lock("unpack", kUnpackFolder);
    TUnpackFolder folder;
    const std::string packet = folder.Unpack(exchangeFile);
    if (packet.empty()) return;
    LoadPacket(packet, host);
  } catch (const std::exception& e) {
    MakeContextException(e, "procedure ProcessQueryFile")->Raise();
  }
}

}  // namespace tv::exchange
