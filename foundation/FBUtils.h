#pragma once
// Unit FBUtils: the library's only road to its Firebird databases.
//
// At library start (Initialize) it creates the machine-wide mutex
// "FBUtilsMutex" + the host program's path, loads the database support
// library "fbUtils.dll" (libfbUtils.so: first beside this library, then
// beside the host program, then through the system's search) and binds its
// 21 entries by name; a missing entry stays empty. Without the library the
// host process ends: the station refuses to start without its database
// services (message on standard error and in the report log, exit status 1).
//
// Connections are made with CreateDatabase; transactions and data sets come
// from the support library. Connecting and disconnecting go through the
// support library when it offers those entries, else under the mutex.
// Routines whose entry is missing raise Exception
// "Функция "<entry>" в библиотеке "fbUtils.dll" не найдена!".

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/Format.h"
#include "platform/ib/Component.h"

namespace tv {
class TIBDatabase;
class TIBTransaction;
class TIBDataSet;
}  // namespace tv

namespace tv::FBUtils {

// Library start and end; counted, so nested calls are harmless. Tests name
// the support library's file; the library itself uses the default.
void Initialize(const std::string& libraryFile = "libfbUtils.so");
void Finalize();

// Loads the support library from `fileName` (a path, or a name searched as
// Initialize does) and binds its entries; ends the process when it cannot
// be loaded. UnbindSupportLibrary forgets it. Initialize uses these; tests
// bind builds that leave entries out.
void BindSupportLibrary(const std::string& fileName);
// Where BindSupportLibrary looks, in order: the path itself when it names a
// folder; else beside this library, beside the host program, and then the
// system's search by name.
std::vector<std::string> SupportLibraryCandidates(const std::string& fileName);
void UnbindSupportLibrary();
// Whether an entry of that name is bound.
bool IsEntryBound(std::string_view entryName);

// "FBUtilsMutex" + the lower-cased host path, "\\" runs collapsed, and
// each of  " * / : < > ? \ |  replaced by "_".
std::string MakeMutexName(std::string_view hostExePath);
// This library's own file name without its folder; passed last to every
// entry of the support library.
const std::string& ModuleName();

void FBConnectDB(TIBDatabase* database);
void FBDisconnectDB(TIBDatabase* database);
TIBTransaction* FBCreateTransaction(TIBDatabase* database, bool flag, const std::string& name,
                                    TComponent* owner);
// A closed data set without statement bound to `database` and
// `transaction` (the database's default one when null), owned by `owner`
// when given, else by the caller.
TIBDataSet* FBCreateDataSetForRead(TIBDatabase* database, bool flag, TIBTransaction* transaction,
                                   TComponent* owner, const std::string& name);
TIBDataSet* FBCreateDataSetForWrite(TIBDatabase* database, bool flag, TIBTransaction* transaction,
                                    TComponent* owner, const std::string& name);
void FBLogMessage(const std::string& msg, int16_t level);
void FBLogMessageFmt(std::string_view fmt, std::initializer_list<TVarRec> args, int16_t level);

// Whether `table` has each of `columns` (letter case ignored), from the
// fields of one "SELECT FIRST 0 * FROM <table>" read through `database`'s
// default transaction: columns that later schemas added are looked up
// before a statement names them, so that reports still run on an older
// database. `table` is a name fixed in the caller's code and goes into the
// statement as written. Raises the database error when the table cannot be
// read.
std::vector<bool> HasColumns(TIBDatabase* database, std::string_view table,
                             std::initializer_list<std::string_view> columns);
inline bool HasColumn(TIBDatabase* database, std::string_view table, std::string_view column) {
  return HasColumns(database, table, {column})[0];
}

// Fetches every row of the open data set; a fetch of more than 3000 ms is
// logged as "TAB:FETCHALL (d<database>, <data set name>, <ms> ms)".
void FetchAllLogged(TIBDataSet* dataSet);
// The millisecond clock FetchAllLogged reads (GetTickCount unless a test
// sets another; null restores it).
using TTickSource = uint32_t (*)();
void SetTickSource(TTickSource source);

// A configured connection object owned by `owner` (or the caller):
// parameters user_name, password, lc_ctype; the name "host/port:path" when
// port is not 0, else the path; login prompt off; with
// useDefaultTransaction a read-only "DefTran_RO" owned by the database;
// connected when asked. On any failure the object is freed and the error
// passes on.
TIBDatabase* CreateDatabase(const std::string& dbPath, const std::string& password, int port,
                            bool useDefaultTransaction, TComponent* owner,
                            const std::string& userName, const std::string& host, bool connect,
                            const std::string& name, const std::string& charSet);
// Disconnects a connected database and frees it (also when disconnecting
// fails, whose error then passes on); nothing for null.
void FreeDatabase(TIBDatabase* database);

std::string GetFBPassword();
int32_t GetFBPort();

}  // namespace tv::FBUtils
