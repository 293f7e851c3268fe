#include "exchange/DCOMDataModule.h"

#include <charconv>

#include "exchange/TTNUnit.h"
#include "foundation/FBUtils.h"
#include "foundation/FileLogger.h"
#include "foundation/XMUtils.h"
#include "platform/data/ClientDataSet.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/text/Format.h"
#include "platform/text/StringList.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"

namespace tv::exchange {

const std::array<const char*, kProviderCount> kProviderNames = {
    "DSPRepTTN",       "DSPTRKHistory",    "DSPRepLogTran", "DSPRepTTNID",   "DSPRepCustomSQL",
    "DSPRepAllLogTran", "DSPRepDBConnect", "DSPRepTTNDet",  "DSPRepScanDoc", "DSPRepScanDocTypes"};

namespace {

constexpr int kDCOMDatabaseQuestion = 69;
constexpr int kHostModeQuestion = 46;
constexpr const char* kIndexSaleMacro = "#INDEXSALE#";

std::string What(const std::exception& e) {
  const auto* own = dynamic_cast<const Exception*>(&e);
  return own != nullptr ? own->Message() : e.what();
}

void SetLines(TSQLStrings& sql, std::initializer_list<const char*> lines) {
  sql.Clear();
  for (const char* line : lines) sql.Add(line);
}

// The fuel-sales statement with its macros, as the module starts with it.
void SetLogTranLines(TSQLStrings& sql) {
  SetLines(sql, {"SELECT #CHECKED# lt.INDEXSALE, CAST(CAST(lt.DATA AS VARCHAR(30)) AS TIMESTAMP) AS TIDEDATE, ",
                 "       lt.GSMNAME, lt.LITER, (lt.PLOTN * lt.LITER) AS MASSA,",
                 "       lt.SUMMA, lt.PLISTNUM, CAST(CAST(c.CONTR_ID AS VARCHAR(10)) AS INTEGER) AS CONTR_ID,",
                 "       c.NAME AS CNAME, drv.NAME AS DRIVERFIO, drv.UDOST,",
                 "       car.MARKA AS CARMARKA, car.NAME AS CARGOSNUM, car.PRMARKA, car.PRNAME AS PRGOSNUM,",
                 "       car.PRNUMBER AS PRGARNUMBER, lt.PLOTN #ID2CNT# #PLOTNOMER#",
                 "FROM",
                 "(SELECT  lt.* FROM LOGTRAN lt",
                 "#TTNDETJOIN#",
                 "WHERE (#INDEXSALE#) AND #WHERETTN#",
                 "       ",
                 "ORDER BY lt.INDEXSALE DESC, lt.DATA DESC) lt",
                 "LEFT JOIN CONTRAGENT c ON #CONTRJOIN#",
                 "#GPJOIN#",
                 "LEFT JOIN VDDRIVER drv ON lt.IDDRV = drv.ID",
                 "LEFT JOIN VDCAR car ON lt.IDCAR = car.ID"});
}

void SetStatements(TDCOMDataModule& m) {
  SetLines(m.FBTTNQuery, {"SELECT * FROM TTN ORDER BY TTN_ID DESC", ""});
  SetLines(m.FBTRKQuery,
           {"SELECT Trk.\"TIME\", Client, Gsm, Operation, Op1, Op2, Liters, Summa, AutoMobil FROM Trk",
            "ORDER BY Trk.\"TIME\" DESC"});
  SetLogTranLines(m.FBLogTranQuery);
  SetLines(m.FBAllLogTranQuery,
           {"SELECT lt.INDEXSALE, CAST(CAST(lt.DATA AS VARCHAR(30)) AS TIMESTAMP) AS TIDEDATE, ",
            "       lt.GSMNAME, lt.LITER, (lt.PLOTN * lt.LITER) AS MASSA,",
            "       lt.SUMMA, lt.PLISTNUM,",
            "       c.NAME AS CNAME, drv.NAME AS DRIVERFIO, drv.UDOST,",
            "       car.MARKA AS CARMARKA, car.NAME AS CARGOSNUM",
            "FROM",
            "(SELECT FIRST 5000 lt.* FROM LOGTRAN lt",
            "WHERE (lt.INDEXSALE IS NOT NULL)",
            "ORDER BY lt.INDEXSALE DESC) lt",
            "LEFT JOIN VDCONTRACTOR c ON lt.IDCNT = c.ID",
            "LEFT JOIN VDDRIVER drv ON lt.IDDRV = drv.ID",
            "LEFT JOIN VDCAR car ON lt.IDCAR = car.ID",
            "ORDER BY lt.INDEXSALE DESC, TIDEDATE DESC"});
  SetLines(m.FBTTNDetQuery, {"SELECT * FROM TTNDETAIL ORDER BY TTN_ID, ID", ""});
  SetLines(m.FBScanDocQuery,
           {"SELECT sd.*, ct1.NAME AS CNTSENDER, ct2.NAME AS CNTTARGET, ct3.NAME AS CNTPER",
            "FROM SCANDOCUMENTS sd", "LEFT JOIN CONTRAGENT ct1 ON ct1.CONTR_ID=sd.CNTSENDER_ID",
            "LEFT JOIN CONTRAGENT ct2 ON ct2.CONTR_ID=sd.CNTTARGET_ID",
            "LEFT JOIN CONTRAGENT ct3 ON ct3.CONTR_ID=sd.CNTPER_ID", "WHERE sd.ISDELETE=0",
            "ORDER BY ID DESC"});
  SetLines(m.FBScanDocTypesQuery, {"SELECT * FROM SCANDOCTYPES", "ORDER BY 1"});
}

void SetTransaction(TIBTransaction& t, TIBDatabase& db, bool readOnly) {
  t.SetDefaultDatabase(&db);
  t.Params().Add("read_committed");
  t.Params().Add("rec_version");
  t.Params().Add("nowait");
  if (readOnly) t.Params().Add("read");
  t.SetDefaultAction(TTransactionAction::taRollback);
}

TStringList Keys(std::initializer_list<const char*> names) {
  TStringList list;
  for (const char* n : names) list.Add(n);
  return list;
}

// The waybill id of a delete record: the old TTN_ID, an integer and
// nothing else, since it decides which waybill is deleted.
int32_t DeletedTTNID(const TDeltaRecord& delta) {
  for (const TDeltaField& f : delta) {
    if (!AnsiSameText(f.Name, "TTN_ID")) continue;
    if (f.OldValue.IsEmpty() || f.OldValue.IsNull()) break;
    if (f.OldValue.Type() == VarType::Integer || f.OldValue.Type() == VarType::Smallint) {
      return f.OldValue.AsInteger();
    }
    const std::string text = f.OldValue.AsString();
    int32_t id = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) {
      throw EDatabaseError("Неверное значение ключевого поля \"TTN_ID\": \""_w + text + "\"");
    }
    return id;
  }
  throw EDatabaseError("Нет значения ключевого поля \"TTN_ID\""_w);
}

}  // namespace

TDCOMDataModule::TDCOMDataModule(TProviderOwner* owner, TExchangeHost host)
    : host_(std::move(host)) {
  IBDB.Params().Add("user_name=SYSDBA");
  IBDB.Params().Add("lc_ctype=WIN1251");
  IBDB.SetLoginPrompt(false);
  SetTransaction(WTran, IBDB, false);
  SetTransaction(RTran, IBDB, true);
  IBDB.SetDefaultTransaction(&RTran);
  SetStatements(*this);
  columns_ = std::make_unique<TTableColumns>(&IBDB);
  columns_->SetKeepStatements(true);
  ProviderOwner = owner;
  DataModuleCreate();
}

TDCOMDataModule::~TDCOMDataModule() { Destroy(); }

void TDCOMDataModule::Destroy() {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  if (destroyed_) return;
  destroyed_ = true;
  try {
    DataModuleDestroy();
  } catch (const std::exception& e) {
    if (host_.Log != nullptr) host_.Log->LogFmt("Ошибка DataModuleDestroy: %s"_w, {What(e)}, 2);
  }
}

void TDCOMDataModule::CheckAlive() const {
  if (destroyed_) throw EDatabaseError("Модуль данных уже освобожден"_w);
}

void TDCOMDataModule::DataModuleCreate() {
  // Errors leave the module as far as it got, as before; the log says why.
  try {
    IBDB.Params().SetValue("password", FBUtils::GetFBPassword());
    Variant database;
    host_.Query(database, kDCOMDatabaseQuestion, 0);
    IBDB.SetDatabaseName(database.AsString());
    for (int i = 0; i < kProviderCount; ++i) {
      ProviderOwner->RegisterProvider(i, kProviderNames[i]);
      registered_ = i + 1;
    }
    TTNUnit::GetConnectionData(&IBDB, &WTran, HasTTNDetail, HasID2CNT, ContractorsEmpty,
                               HasPlotNomer, host_.Log);
    BuildLogTranSQL();
  } catch (const std::exception& e) {
    if (host_.Log != nullptr) host_.Log->LogFmt("Ошибка DataModuleCreate: %s"_w, {What(e)}, 2);
  }
}

void TDCOMDataModule::DataModuleDestroy() {
  for (int i = 0; i < registered_; ++i) ProviderOwner->UnRegisterProvider(i, kProviderNames[i]);
  registered_ = 0;
  columns_->ForgetStatements();
  if (!IBDB.Connected()) return;
  if (RTran.InTransaction()) RTran.Rollback();
  if (WTran.InTransaction()) WTran.Rollback();
  FBUtils::FBDisconnectDB(&IBDB);
}

void TDCOMDataModule::BuildLogTranSQL() {
  // A sale is offered while no live waybill holds it: an EXISTS test, so a
  // sale held by a live and a deleted waybill is not offered and one held
  // by two deleted waybills is listed once.
  const std::pair<const char*, std::string> macros[] = {
      {"#ID2CNT#", HasID2CNT ? ", lt.ID2CNT, gp.NAME AS GPNAME"
                             : ", 0 AS ID2CNT, CAST('' AS VARCHAR(100)) AS GPNAME"},
      {"#CONTRJOIN#", ContractorsEmpty ? " lt.IDCNT = CAST(c.CONTR_ID AS VARCHAR(10))"
                                       : " (lt.INN = c.INN) AND (CHAR_LENGTH(c.INN) > 9)"},
      {"#PLOTNOMER#", HasPlotNomer ? ", (lt.PLOTNOMER * lt.LITER) AS MASSAPLM "
                                   : ", (lt.PLOTN * lt.LITER) AS MASSAPLM "},
      {"#GPJOIN#", HasID2CNT ? "LEFT JOIN CONTRAGENT gp ON gp.CONTR_ID = lt.ID2CNT" : ""},
      {"#TTNDETJOIN#", ""},
      {"#WHERETTN#",
       HasTTNDetail ? "NOT EXISTS (SELECT * FROM TTNDETAIL td JOIN TTN ON TTN.TTN_ID = td.TTN_ID "
                      "WHERE (td.INDEXSALE = lt.INDEXSALE) AND (COALESCE(TTN.ISDELETE, 0) <> 1))"
                    : "NOT EXISTS (SELECT * FROM TTN WHERE TTN.INDEXSALE = lt.INDEXSALE)"},
      {"#CHECKED#", HasTTNDetail ? " CAST(0 AS INTEGER) AS CHECKED, " : ""},
  };
  std::string text = FBLogTranQuery.Text();
  for (const auto& [macro, value] : macros) text = FastStringReplace(text, macro, value, 0);
  FBLogTranQuery.SetText(text);
}

void TDCOMDataModule::DSPRepTTNBeforeGetRecords() {
  if (MaxIndexSale != 0) return;
  std::unique_ptr<TIBDataSet> ds(FBUtils::FBCreateDataSetForRead(&IBDB, true, nullptr, nullptr, ""));
  Variant mode;
  host_.Query(mode, kHostModeQuestion, 0);
  ds->SelectSQL().SetText(mode.AsInteger() == TTNUnit::kOfficeHostMode
                              ? "SELECT MAX(INDEXSALE) + 10 AS MaxIndexSale FROM LOGTRAN"
                              : "SELECT GEN_ID(GEN_INDEXSALE, 0) + 10 AS MaxIndexSale FROM RDB$DATABASE");
  ds->Open();
  MaxIndexSale = ds->Fields(0).AsInteger();
  ds.reset();
  FBLogTranQuery.SetText(FastStringReplace(
      FBLogTranQuery.Text(), kIndexSaleMacro,
      Format("lt.INDEXSALE BETWEEN %d AND %d", {MaxIndexSale - 5000, MaxIndexSale}), 0));
}

void TDCOMDataModule::DSPRepTTNIDGetData(TClientDataSet& dataSet) {
  dataSet.FieldDefs().Add("TTN_ID", TFieldType::ftInteger);
  dataSet.TRxMemoryData::Open();  // rows of its own, no provider
  dataSet.Append();
  dataSet.Fields(0).SetAsInteger(TTNUnit::GetNextTTNID(&IBDB, host_.Query));
  dataSet.Post();
  dataSet.First();
}

void TDCOMDataModule::DSPRepDBConnectGetData(TClientDataSet& dataSet) {
  if (!IBDB.Connected()) FBUtils::FBConnectDB(&IBDB);
  dataSet.FieldDefs().Add("ID", TFieldType::ftInteger);
  dataSet.TRxMemoryData::Open();  // rows of its own, no provider
}

// ---- Reading ---------------------------------------------------------------

TSQLStrings* TDCOMDataModule::Statement(int provider) {
  switch (provider) {
    case piRepTTN: return &FBTTNQuery;
    case piTRKHistory: return &FBTRKQuery;
    case piRepLogTran: return &FBLogTranQuery;
    case piRepCustomSQL: return &FBCustomSQL;
    case piRepAllLogTran: return &FBAllLogTranQuery;
    case piRepTTNDet: return &FBTTNDetQuery;
    case piRepScanDoc: return &FBScanDocQuery;
    case piRepScanDocTypes: return &FBScanDocTypesQuery;
    default: return nullptr;
  }
}

std::string TDCOMDataModule::GetRecords(int provider, const std::string& commandText) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  CheckAlive();
  TSQLStrings* statement = Statement(provider);
  if (statement == nullptr && !commandText.empty()) {
    throw EDatabaseError("Command text changes not allowed");
  }
  if (provider == piRepTTNID || provider == piRepDBConnect) {
    TClientDataSet data;
    if (provider == piRepTTNID) {
      DSPRepTTNIDGetData(data);
    } else {
      DSPRepDBConnectGetData(data);
    }
    return data.XMLData();
  }
  if (statement == nullptr) throw EDatabaseError("Нет провайдера с номером "_w + std::to_string(provider));
  if (provider == piRepTTN) DSPRepTTNBeforeGetRecords();
  if (!commandText.empty()) return ReadPacket(commandText);
  const std::string sql = statement->Text();
  if (provider == piRepLogTran) {
    if (!IBDB.Connected()) FBUtils::FBConnectDB(&IBDB);
    if (sql.find("#CHECKED#") != std::string::npos) {
      throw EDatabaseError("Запрос продаж не подготовлен: модуль данных создан не полностью"_w);
    }
    if (sql.find(kIndexSaleMacro) != std::string::npos) {
      throw EDatabaseError(
          "Список продаж DSPRepLogTran доступен только после первого запроса списка накладных DSPRepTTN"_w);
    }
  }
  if (Trim(sql).empty()) throw EDatabaseError("Нет текста запроса"_w);
  return ReadPacket(sql);
}

std::string TDCOMDataModule::ReadPacket(const std::string& sql) {
  // Every read runs in RTran, which is read-only: a client's statement that
  // writes is refused by the database. The transaction ends with the read.
  struct EndRead {
    TIBTransaction& t;
    ~EndRead() {
      try {
        if (t.InTransaction()) t.Commit();
      } catch (...) {  // the read's own outcome is what counts
      }
    }
  } end{RTran};
  std::unique_ptr<TIBDataSet> ds(FBUtils::FBCreateDataSetForRead(&IBDB, true, &RTran, nullptr, ""));
  ds->SelectSQL().SetText(sql);
  ds->SetUniDirectional(true);
  return host_.DataPacket(*ds);
}

// ---- Writing ---------------------------------------------------------------

std::vector<TRecordOutcome> TDCOMDataModule::ApplyUpdates(int provider,
                                                          const std::vector<TDeltaItem>& delta) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  CheckAlive();
  Handler handler = nullptr;
  switch (provider) {
    case piRepTTN: handler = &TDCOMDataModule::DSPRepTTNBeforeUpdateRecord; break;
    case piRepTTNDet: handler = &TDCOMDataModule::DSPRepTTNDetBeforeUpdateRecord; break;
    case piRepScanDoc: handler = &TDCOMDataModule::DSPRepScanDocBeforeUpdateRecord; break;
    case piRepScanDocTypes: handler = &TDCOMDataModule::DSPRepScanDocTypesBeforeUpdateRecord; break;
    default: break;
  }
  std::vector<TRecordOutcome> outcomes;
  outcomes.reserve(delta.size());
  for (const TDeltaItem& item : delta) {
    TRecordOutcome outcome;
    try {
      // A provider without an update handler writes nothing: it has no
      // table of its own to write to.
      if (handler == nullptr) {
        throw EDatabaseError(Format("Провайдер %s не принимает изменений"_w,
                                    {provider >= 0 && provider < kProviderCount ? kProviderNames[provider] : "?"}));
      }
      bool applied = false;
      (this->*handler)(item.Fields, item.Kind, applied);
      outcome.Applied = applied;
    } catch (const std::exception& e) {
      outcome.Error = What(e);
    }
    outcomes.push_back(std::move(outcome));
  }
  return outcomes;
}

// Runs one record on `table` through the statement builders; deleteStyle:
// 0 nothing (the record counts as applied), 1 soft delete, 2 hard delete.
void TDCOMDataModule::Apply(const char* table, const TStringList& keys, const TDeltaRecord& delta,
                            TUpdateKind kind, int deleteStyle) {
  switch (kind) {
    case TUpdateKind::ukModify:
      BuildUpdateSQLFromDelta(&IBDB, &WTran, true, table, keys, delta, TStringList(), *columns_);
      break;
    case TUpdateKind::ukInsert:
      BuildInsertSQLFromDelta(&IBDB, &WTran, true, table, delta, *columns_);
      break;
    case TUpdateKind::ukDelete:
      if (deleteStyle != 0) {
        BuildDeleteSQLFromDelta(&IBDB, &WTran, true, table, keys, delta, deleteStyle == 1, *columns_);
      }
      break;
  }
}

void TDCOMDataModule::DSPRepTTNBeforeUpdateRecord(const TDeltaRecord& delta, TUpdateKind kind,
                                                  bool& applied) {
  applied = true;
  if (kind == TUpdateKind::ukDelete) {
    DeleteTTN(delta);
  } else {
    Apply("TTN", Keys({"TTN_ID"}), delta, kind, 0);
  }
}

void TDCOMDataModule::DSPRepTTNDetBeforeUpdateRecord(const TDeltaRecord& delta, TUpdateKind kind,
                                                     bool& applied) {
  applied = true;
  Apply("TTNDETAIL", Keys({"ID", "TTN_ID"}), delta, kind, 2);
}

void TDCOMDataModule::DSPRepScanDocBeforeUpdateRecord(const TDeltaRecord& delta, TUpdateKind kind,
                                                      bool& applied) {
  applied = true;
  Apply("SCANDOCUMENTS", Keys({"ID"}), delta, kind, 1);
}

void TDCOMDataModule::DSPRepScanDocTypesBeforeUpdateRecord(const TDeltaRecord& delta,
                                                           TUpdateKind kind, bool& applied) {
  applied = true;
  Apply("SCANDOCTYPES", Keys({"ID"}), delta, kind, 0);
}

// The waybill stays, flagged deleted and released from its sale; the id is
// bound, never written into the statement, and must find exactly one row.
void TDCOMDataModule::DeleteTTN(const TDeltaRecord& delta) {
  const int32_t id = DeletedTTNID(delta);
  std::unique_ptr<TIBDataSet> ds(FBUtils::FBCreateDataSetForWrite(&IBDB, true, &WTran, nullptr, ""));
  try {
    ds->SelectSQL().SetText(
        "UPDATE TTN SET ISDELETE = 1, INDEXSALE = 0, TTNAPPLIED=0 WHERE TTN_ID=:TTN_ID");
    ds->ParamByName("TTN_ID").SetAsInteger(id);
    ds->ExecSQL();
    if (ds->RowsAffected() != 1) {
      throw EDatabaseError(Format("Накладная %d не найдена (строк: %d)"_w, {id, ds->RowsAffected()}));
    }
    ds->Transaction()->Commit();
  } catch (...) {
    if (ds->Transaction()->InTransaction()) ds->Transaction()->Rollback();
    throw;
  }
}

}  // namespace tv::exchange
