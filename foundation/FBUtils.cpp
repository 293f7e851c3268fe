#include "foundation/FBUtils.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "fbutils/fbUtils.h"
#include "foundation/FileLogger.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"
#include "platform/os/SysInfo.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"

namespace tv::FBUtils {
namespace {

// The entries in binding order.
enum Entry {
  kConnectDB,
  kDisconnectDB,
  kStartTransaction,
  kCommitTransaction,
  kRollBackTransaction,
  kOpenDataSet,
  kCloseDataSet,
  kExecDataSet,
  kCommitWithReOpen,
  kCreateTransaction,
  kSetGSMBaseConnect,
  kGetGSMDataBase,
  kCreateDataSetForWrite,
  kCreateDataSetForRead,
  kCreateDataSetForWrite2,
  kCreateDataSetForRead2,
  kLogMessage,
  kGetPassword,
  kGetPort,
  kGetFromPool,
  kReturnToPool,
  kEntryCount
};

const char* const kEntryNames[kEntryCount] = {"FBConnectDB",
                                              "FBDisconnectDB",
                                              "FBStartTransaction",
                                              "FBCommitTransaction",
                                              "FBRollBackTransaction",
                                              "FBOpenDataSet",
                                              "FBCloseDataSet",
                                              "FBExecDataSet",
                                              "CommitTransactionWithReOpenDST",
                                              "FBCreateTransaction",
                                              "FBSetGSMBaseConnect",
                                              "FBGetGSMDataBase",
                                              "FBCreateDataSetForWrite",
                                              "FBCreateDataSetForRead",
                                              "FBCreateDataSetForWrite2",
                                              "FBCreateDataSetForRead2",
                                              "FBLogMessage",
                                              "GetFBPassword",
                                              "GetFBPort",
                                              "FBGetIBDataBaseFromPool",
                                              "FBReturnIBDataBaseToPool"};

constexpr uint32_t kWaitTime = 0xFFFFFFFF;  // no time limit
constexpr uint32_t kSlowFetchMs = 3000;

struct State {
  int initCount = 0;
  std::unique_ptr<NamedMutex> mutex;
  void* library = nullptr;
  void* entries[kEntryCount] = {};
};

State& S() {
  static State state;
  return state;
}

std::mutex gInitLock;
std::atomic<TTickSource> gTicks{nullptr};

template <class F>
F EntryAt(Entry e) {
  return reinterpret_cast<F>(S().entries[e]);
}

[[noreturn]] void RaiseMissing(const char* entryName) {
  throw Exception(Format("Функция \"%s\" в библиотеке \"fbUtils.dll\" не найдена!"_w, {entryName}));
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string HostProgramPath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

// The file this code was loaded from.
std::string ModulePath() {
  const std::string path = GetModulePath();
  return path.empty() ? HostProgramPath() : path;
}

// The station cannot work without its database services: say so where the
// operator and the log will see it, and end the host process.
[[noreturn]] void RefuseToStart(const std::string& detail) {
  const std::string& message = "Модуль fbUtils.dll не загружен. В запуске приложения отказано!"_w;
  std::fprintf(stderr, "%s\n%s\n", Cp1251ToUtf8(message).c_str(), detail.c_str());
  try {
    ForceDirectories("C:\\FUEL\\LogFiles\\");
    TFileLogger log("C:\\FUEL\\LogFiles\\Reports.log");
    log.SetPrefix("[Tolvaren]");
    log.Log(message, 2);
  } catch (...) {  // the process ends either way
  }
  // A refused start is a failure: the exit status says so, where the
  // original ended with status 0.
  std::_Exit(1);
}

}  // namespace

std::string MakeMutexName(std::string_view hostExePath) {
  std::string name = "FBUtilsMutex" + AnsiLowerCase(hostExePath);
  for (std::size_t at = name.find("\\\\"); at != std::string::npos; at = name.find("\\\\"))
    name.replace(at, 2, "\\");
  for (char& c : name) {
    if (c != '\0' && std::strchr("\"*/:<>?\\|", c) != nullptr) c = '_';
  }
  return name;
}

const std::string& ModuleName() {
  static const std::string name = [] {
    const std::string path = ModulePath();
    return path.substr(path.rfind('/') + 1);
  }();
  return name;
}

std::vector<std::string> SupportLibraryCandidates(const std::string& fileName) {
  if (fileName.find('/') != std::string::npos) return {fileName};
  return {FolderOf(ModulePath()) + fileName, FolderOf(HostProgramPath()) + fileName, fileName};
}

void BindSupportLibrary(const std::string& fileName) {
  UnbindSupportLibrary();
  void* handle = nullptr;
  std::string failure;
  for (const std::string& candidate : SupportLibraryCandidates(fileName)) {
    handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr) break;
    const char* why = ::dlerror();
    if (failure.empty() && why != nullptr) failure = why;
  }
  if (handle == nullptr) RefuseToStart(failure);
  State& s = S();
  s.library = handle;
  for (int i = 0; i < kEntryCount; ++i) s.entries[i] = ::dlsym(handle, kEntryNames[i]);
}

void UnbindSupportLibrary() {
  State& s = S();
  for (void*& e : s.entries) e = nullptr;
  if (s.library != nullptr) ::dlclose(s.library);
  s.library = nullptr;
}

bool IsEntryBound(std::string_view entryName) {
  for (int i = 0; i < kEntryCount; ++i) {
    if (entryName == kEntryNames[i]) return S().entries[i] != nullptr;
  }
  return false;
}

void Initialize(const std::string& libraryFile) {
  std::lock_guard<std::mutex> lock(gInitLock);
  State& s = S();
  if (s.initCount > 0) {
    ++s.initCount;
    return;
  }
  s.mutex = CreateGlobalMutex(MakeMutexName(GetHostExeName()));
  BindSupportLibrary(libraryFile);
  ModuleName();
  s.initCount = 1;
}

void Finalize() {
  std::lock_guard<std::mutex> lock(gInitLock);
  State& s = S();
  if (s.initCount == 0 || --s.initCount > 0) return;
  s.mutex.reset();
  UnbindSupportLibrary();
}

namespace {

// Connects or disconnects through the support library's own entry, or else
// under the machine-wide mutex.
void SetConnected(TIBDatabase* database, Entry entry, bool value) {
  if (auto call = EntryAt<TFBConnectDB>(entry)) {
    call(database, ModuleName().c_str());
    return;
  }
  NamedMutex* mutex = S().mutex.get();
  if (mutex == nullptr) {
    database->SetConnected(value);
    return;
  }
  NamedMutexHold hold(*mutex, kWaitTime);
  database->SetConnected(value);
}

}  // namespace

void FBConnectDB(TIBDatabase* database) { SetConnected(database, kConnectDB, true); }

void FBDisconnectDB(TIBDatabase* database) { SetConnected(database, kDisconnectDB, false); }

TIBTransaction* FBCreateTransaction(TIBDatabase* database, bool flag, const std::string& name,
                                    TComponent* owner) {
  auto create = EntryAt<TFBCreateTransaction>(kCreateTransaction);
  if (create == nullptr) RaiseMissing("FBCreateTransaction");
  return create(database, flag, name.c_str(), owner, ModuleName().c_str());
}

namespace {

TIBDataSet* CreateDataSet(Entry named, Entry plain, const char* routine, TIBDatabase* database,
                          bool flag, TIBTransaction* transaction, TComponent* owner,
                          const std::string& name) {
  auto create2 = EntryAt<TFBCreateDataSet2>(named);
  auto create = EntryAt<TFBCreateDataSet>(plain);
  if (create2 == nullptr && create == nullptr) RaiseMissing(routine);
  TIBDataSet* ds;
  if (create2 != nullptr) {
    ds = create2(database, flag, transaction, ModuleName().c_str(), name.c_str());
  } else {
    ds = create(database, flag, transaction, ModuleName().c_str());
    if (!name.empty()) ds->SetName(name);
  }
  if (owner != nullptr) owner->InsertComponent(ds);
  return ds;
}

}  // namespace

TIBDataSet* FBCreateDataSetForRead(TIBDatabase* database, bool flag, TIBTransaction* transaction,
                                   TComponent* owner, const std::string& name) {
  return CreateDataSet(kCreateDataSetForRead2, kCreateDataSetForRead, "FBCreateDataSetForRead",
                       database, flag, transaction, owner, name);
}

TIBDataSet* FBCreateDataSetForWrite(TIBDatabase* database, bool flag, TIBTransaction* transaction,
                                    TComponent* owner, const std::string& name) {
  return CreateDataSet(kCreateDataSetForWrite2, kCreateDataSetForWrite, "FBCreateDataSetForWrite",
                       database, flag, transaction, owner, name);
}

std::vector<bool> HasColumns(TIBDatabase* database, std::string_view table,
                             std::initializer_list<std::string_view> columns) {
  std::unique_ptr<TIBDataSet> probe(
      FBCreateDataSetForRead(database, true, nullptr, nullptr, "ColumnProbe"));
  probe->SelectSQL().SetText("SELECT FIRST 0 * FROM " + std::string(table));
  probe->Open();
  std::vector<bool> found;
  for (std::string_view column : columns) found.push_back(probe->FindField(column) != nullptr);
  return found;
}

// A support library without a log entry loses the line; the caller's work
// goes on.
void FBLogMessage(const std::string& msg, int16_t level) {
  if (auto log = EntryAt<TFBLogMessage>(kLogMessage)) log(msg.c_str(), level, ModuleName().c_str());
}

void FBLogMessageFmt(std::string_view fmt, std::initializer_list<TVarRec> args, int16_t level) {
  FBLogMessage(Format(fmt, args), level);
}

void SetTickSource(TTickSource source) { gTicks.store(source); }

void FetchAllLogged(TIBDataSet* dataSet) {
  TTickSource ticks = gTicks.load();
  if (ticks == nullptr) ticks = &GetTickCount;
  const uint32_t start = ticks();
  dataSet->FetchAll();
  const uint32_t elapsed = ticks() - start;
  if (elapsed > kSlowFetchMs) {
    const auto identity = static_cast<int64_t>(reinterpret_cast<intptr_t>(dataSet->Database()));
    FBLogMessageFmt("TAB:FETCHALL (d%d, %s, %d ms)",
                    {identity, dataSet->Name(), static_cast<int64_t>(elapsed)}, 0);
  }
}

TIBDatabase* CreateDatabase(const std::string& dbPath, const std::string& password, int port,
                            bool useDefaultTransaction, TComponent* owner,
                            const std::string& userName, const std::string& host, bool connect,
                            const std::string& name, const std::string& charSet) {
  auto* database = new TIBDatabase(owner);
  try {
    if (!name.empty()) database->SetName(name);
    database->Params().SetValue("user_name", userName);
    database->Params().SetValue("password", password);
    database->Params().SetValue("lc_ctype", charSet);
    database->SetDatabaseName(port != 0 ? Format("%s/%d:%s", {host, port, dbPath}) : dbPath);
    database->SetLoginPrompt(false);
    if (useDefaultTransaction)
      database->SetDefaultTransaction(FBCreateTransaction(database, true, "DefTran_RO", database));
    if (connect) FBConnectDB(database);
  } catch (...) {
    delete database;
    throw;
  }
  return database;
}

void FreeDatabase(TIBDatabase* database) {
  if (database == nullptr) return;
  std::unique_ptr<TIBDatabase> owned(database);
  if (database->Connected()) FBDisconnectDB(database);
}

std::string GetFBPassword() {
  auto get = EntryAt<TGetFBPassword>(kGetPassword);
  if (get == nullptr) RaiseMissing("GetFBPassword");
  const char* password = get(ModuleName().c_str());
  return password != nullptr ? password : "";
}

int32_t GetFBPort() {
  auto get = EntryAt<TGetFBPort>(kGetPort);
  if (get == nullptr) RaiseMissing("GetFBPort");
  return get(ModuleName().c_str());
}

}  // namespace tv::FBUtils
