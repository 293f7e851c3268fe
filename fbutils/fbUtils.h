#pragma once
// The entry points of the database support library ("fbUtils.dll" of the
// station, libfbUtils.so here), as the report library binds them by name.
//
// Every entry takes, last, the file name of the calling module. Objects
// cross as the data-access classes of platform/ib; both sides are built from
// the same sources. A failure (a connection refused, a bad option) comes
// back as the exception the data-access classes raise.
//
// Entries of the station's library that no caller uses (FBStartTransaction,
// FBCommitTransaction, FBRollBackTransaction, FBOpenDataSet, FBCloseDataSet,
// FBExecDataSet, CommitTransactionWithReOpenDST, FBSetGSMBaseConnect,
// FBGetGSMDataBase, FBGetIBDataBaseFromPool, FBReturnIBDataBaseToPool) are
// not provided by this stand-in.

#include <cstdint>

namespace tv {
class TComponent;
class TIBDatabase;
class TIBTransaction;
class TIBDataSet;
}  // namespace tv

extern "C" {

// "FBConnectDB" / "FBDisconnectDB": the database is connected (disconnected)
// afterwards.
typedef void (*TFBConnectDB)(tv::TIBDatabase* database, const char* moduleName);
// "FBCreateTransaction": a transaction on `database`, owned by `owner` (may
// be null), named `name` when not empty. Flag true: read-only, read
// committed; false: read-write, read committed.
typedef tv::TIBTransaction* (*TFBCreateTransaction)(tv::TIBDatabase* database, bool flag,
                                                    const char* name, tv::TComponent* owner,
                                                    const char* moduleName);
// "FBCreateDataSetForRead" / "FBCreateDataSetForWrite": a closed data set
// without statement, bound to `database` and to `transaction`; with no
// transaction, a read data set takes the database's default transaction
// and a write data set a read-write transaction of its own. Flag is kept
// for the callers and selects nothing here.
typedef tv::TIBDataSet* (*TFBCreateDataSet)(tv::TIBDatabase* database, bool flag,
                                            tv::TIBTransaction* transaction,
                                            const char* moduleName);
// "FBCreateDataSetForRead2" / "FBCreateDataSetForWrite2": the same, named.
typedef tv::TIBDataSet* (*TFBCreateDataSet2)(tv::TIBDatabase* database, bool flag,
                                             tv::TIBTransaction* transaction,
                                             const char* moduleName, const char* name);
// "FBLogMessage": one line in the support library's log.
typedef void (*TFBLogMessage)(const char* message, int16_t level, const char* moduleName);
// "GetFBPassword": the SYSDBA password (valid until the next call on the
// same thread). "GetFBPort": the server's TCP port, 0 for the embedded engine.
typedef const char* (*TGetFBPassword)(const char* moduleName);
typedef int32_t (*TGetFBPort)(const char* moduleName);
}
