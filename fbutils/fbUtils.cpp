// The stand-in of the station's database support library.
//
// Settings: "C:\FUEL\fbUtils.ini" under the root folder, section [fbUtils],
// keys Password (default empty; the embedded engine does not check it) and
// Port (default 0: embedded engine). Log: "C:\FUEL\LogFiles\fbUtils.log".
//
// A test build leaves entries out with FBUTILS_NO_CONNECT (no
// FBConnectDB/FBDisconnectDB), FBUTILS_NO_NAMED_DATASETS (no "2" entries),
// FBUTILS_NO_LOG (no FBLogMessage) and FBUTILS_BARE (only FBLogMessage), so
// that callers' fallbacks can be exercised.

#include "fbutils/fbUtils.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/Files.h"
#include "platform/os/IniFile.h"
#include "platform/os/Paths.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"

#define FBUTILS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

const char kIniFile[] = "C:\\FUEL\\fbUtils.ini";
const char kLogFolder[] = "C:\\FUEL\\LogFiles\\";
const char kLogFile[] = "C:\\FUEL\\LogFiles\\fbUtils.log";

[[maybe_unused]] void WriteLog(const std::string& text, int level, const char* module) {
  tv::ForceDirectories(kLogFolder);
  const std::string line = tv::FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", tv::Now()) + " " +
                           std::to_string(level) + " [" + (module != nullptr ? module : "") + "] " +
                           text + "\r\n";
  const int fd = ::open(tv::MapPath(kLogFile).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return;  // a log that cannot be written must not stop the caller
  const ssize_t written = ::write(fd, line.data(), line.size());
  (void)written;
  ::close(fd);
}

[[maybe_unused]] void SetReadCommitted(tv::TIBTransaction* t, bool readOnly) {
  t->Params().Clear();
  t->Params().Add("read_committed");
  t->Params().Add("rec_version");
  t->Params().Add("nowait");
  if (readOnly) t->Params().Add("read");
}

[[maybe_unused]] tv::TIBDataSet* NewDataSet(tv::TIBDatabase* database,
                                            tv::TIBTransaction* transaction, bool forWrite) {
  auto* ds = new tv::TIBDataSet();
  ds->SetDatabase(database);
  if (transaction == nullptr && database != nullptr)
    transaction = forWrite ? nullptr : database->DefaultTransaction();
  if (transaction == nullptr) {
    transaction = new tv::TIBTransaction(ds);  // the data set's own, freed with it
    transaction->SetDefaultDatabase(database);
    SetReadCommitted(transaction, !forWrite);
  }
  ds->SetTransaction(transaction);
  return ds;
}

}  // namespace

#ifndef FBUTILS_NO_LOG
FBUTILS_EXPORT void FBLogMessage(const char* message, int16_t level, const char* moduleName) {
  WriteLog(message != nullptr ? message : "", level, moduleName);
}
#endif

#ifndef FBUTILS_BARE

#ifndef FBUTILS_NO_CONNECT
FBUTILS_EXPORT void FBConnectDB(tv::TIBDatabase* database, const char* moduleName) {
  try {
    database->Open();
  } catch (const tv::Exception& e) {
    WriteLog("FBConnectDB " + database->DatabaseName() + ": " + e.Message(), 2, moduleName);
    throw;
  }
}

FBUTILS_EXPORT void FBDisconnectDB(tv::TIBDatabase* database, const char* /*moduleName*/) {
  database->Close();
}
#endif

FBUTILS_EXPORT tv::TIBTransaction* FBCreateTransaction(tv::TIBDatabase* database, bool flag,
                                                       const char* name, tv::TComponent* owner,
                                                       const char* /*moduleName*/) {
  auto* t = new tv::TIBTransaction(owner);
  if (name != nullptr && *name != '\0') t->SetName(name);
  t->SetDefaultDatabase(database);
  SetReadCommitted(t, flag);
  return t;
}

FBUTILS_EXPORT tv::TIBDataSet* FBCreateDataSetForRead(tv::TIBDatabase* database, bool /*flag*/,
                                                      tv::TIBTransaction* transaction,
                                                      const char* /*moduleName*/) {
  return NewDataSet(database, transaction, false);
}

FBUTILS_EXPORT tv::TIBDataSet* FBCreateDataSetForWrite(tv::TIBDatabase* database, bool /*flag*/,
                                                       tv::TIBTransaction* transaction,
                                                       const char* /*moduleName*/) {
  return NewDataSet(database, transaction, true);
}

#ifndef FBUTILS_NO_NAMED_DATASETS
FBUTILS_EXPORT tv::TIBDataSet* FBCreateDataSetForRead2(tv::TIBDatabase* database, bool flag,
                                                       tv::TIBTransaction* transaction,
                                                       const char* moduleName, const char* name) {
  tv::TIBDataSet* ds = FBCreateDataSetForRead(database, flag, transaction, moduleName);
  if (name != nullptr && *name != '\0') ds->SetName(name);
  return ds;
}

FBUTILS_EXPORT tv::TIBDataSet* FBCreateDataSetForWrite2(tv::TIBDatabase* database, bool flag,
                                                        tv::TIBTransaction* transaction,
                                                        const char* moduleName, const char* name) {
  tv::TIBDataSet* ds = FBCreateDataSetForWrite(database, flag, transaction, moduleName);
  if (name != nullptr && *name != '\0') ds->SetName(name);
  return ds;
}
#endif

FBUTILS_EXPORT const char* GetFBPassword(const char* /*moduleName*/) {
  static thread_local std::string password;
  password = tv::TIniFile(kIniFile).ReadString("fbUtils", "Password", "");
  return password.c_str();
}

FBUTILS_EXPORT int32_t GetFBPort(const char* /*moduleName*/) {
  return tv::TIniFile(kIniFile).ReadInteger("fbUtils", "Port", 0);
}

#endif  // FBUTILS_BARE
