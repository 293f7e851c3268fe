#include "platform/ib/IBDatabase.h"

#include <algorithm>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBClient.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBTransaction.h"

namespace tv {

using ib_detail::FbRef;
using ib_detail::IBQuietStatus;
using ib_detail::IBStatus;

namespace {

bool IsLoopback(const std::string& host) {
  return host == "127.0.0.1" || AnsiSameText(host, "localhost");
}

// Firebird's DPB tag of a Params name (with or without "isc_dpb_").
struct DpbName {
  const char* name;
  unsigned char tag;
  bool isInt;
};
constexpr DpbName kDpbNames[] = {{"user_name", isc_dpb_user_name, false},
                                 {"password", isc_dpb_password, false},
                                 {"lc_ctype", isc_dpb_lc_ctype, false},
                                 {"sql_role_name", isc_dpb_sql_role_name, false},
                                 {"sql_dialect", isc_dpb_sql_dialect, true}};

// "host/port:path" or "host:path" split into its parts; a single letter
// before ":" is a drive, not a host. One pass over the name, so a name of any
// length costs no stack: the path is empty when the name is not remote.
struct RemoteName {
  std::string host, port, path;  // port with its leading "/"
};

RemoteName SplitRemoteName(const std::string& name) {
  auto separator = [](char c) { return c == ':' || c == '/' || c == '\\'; };
  std::size_t i = 0;
  while (i < name.size() && !separator(name[i])) ++i;
  const std::size_t hostEnd = i;
  if (hostEnd < 2 || i == name.size()) return {};
  if (name[i] == '/') {
    ++i;
    while (i < name.size() && !separator(name[i])) ++i;
    if (i == hostEnd + 1 || i == name.size()) return {};
  }
  if (name[i] != ':' || i + 1 == name.size()) return {};
  const std::string path = name.substr(i + 1);
  // A path with a line break is no remote name.
  if (path.find_first_of("\r\n") != std::string::npos) return {};
  return {name.substr(0, hostEnd), name.substr(hostEnd, i - hostEnd), path};
}

}  // namespace

TIBDatabase::TIBDatabase(TComponent* owner) : TComponent(owner) {}

TIBDatabase::~TIBDatabase() {
  try {
    Close();
  } catch (...) {  // nothing can be reported from a destructor; the handle is gone
  }
  for (TIBDataSet* d : std::vector<TIBDataSet*>(dataSets_)) d->DatabaseGone();
  for (TIBTransaction* t : std::vector<TIBTransaction*>(transactions_)) t->DatabaseGone();
}

void TIBDatabase::SetDatabaseName(std::string name) {
  if (Connected()) throw EIBClientError("Cannot change the database name while connected");
  databaseName_ = std::move(name);
}

void TIBDatabase::SetDefaultTransaction(TIBTransaction* transaction) {
  defaultTransaction_ = transaction;
  if (transaction != nullptr && transaction->DefaultDatabase() == nullptr)
    transaction->SetDefaultDatabase(this);
}

void TIBDatabase::SetConnected(bool value) {
  if (value)
    Open();
  else
    Close();
}

std::string TIBDatabase::AttachName() const {
  const RemoteName remote = SplitRemoteName(databaseName_);
  if (remote.path.empty()) return MapPath(databaseName_);
  const std::string path = IsLoopback(remote.host) ? MapPath(remote.path) : remote.path;
  return remote.host + remote.port + ":" + path;
}

std::vector<unsigned char> TIBDatabase::BuildDpb() const {
  IBStatus st;
  Firebird::IUtil* util = FirebirdMaster()->getUtilInterface();
  Firebird::IXpbBuilder* dpb = util->getXpbBuilder(&st, Firebird::IXpbBuilder::DPB, nullptr, 0);
  std::vector<unsigned char> bytes;
  try {
    dpb->insertTag(&st, isc_dpb_utf8_filename);
    for (int i = 0; i < params_.Count(); ++i) {
      std::string name = Trim(params_.Names(i).empty() ? params_[i] : params_.Names(i));
      const std::string value = params_.ValueFromIndex(i);
      if (name.empty()) continue;
      name = AnsiLowerCase(name);
      if (name.rfind("isc_dpb_", 0) == 0) name = name.substr(8);
      auto it = std::find_if(std::begin(kDpbNames), std::end(kDpbNames),
                             [&](const DpbName& d) { return name == d.name; });
      if (it == std::end(kDpbNames))
        throw EIBClientError("Unknown database parameter \"" + params_[i] + "\"");
      if (it->isInt)
        dpb->insertInt(&st, it->tag, StrToInt(value));
      else
        dpb->insertString(&st, it->tag, value.c_str());
    }
    const unsigned char* buffer = dpb->getBuffer(&st);
    bytes.assign(buffer, buffer + dpb->getBufferLength(&st));
  } catch (...) {
    dpb->dispose();
    throw;
  }
  dpb->dispose();
  return bytes;
}

void TIBDatabase::Open() {
  if (Connected()) return;
  if (databaseName_.empty()) throw EIBClientError("Database name is missing");
  const std::vector<unsigned char> dpb = BuildDpb();
  const std::string name = AttachName();
  IBStatus st;
  FbRef<Firebird::IProvider> provider(FirebirdMaster()->getDispatcher());
  Firebird::IAttachment* att =
      provider->attachDatabase(&st, name.c_str(), static_cast<unsigned>(dpb.size()), dpb.data());
  attachment_ = att;
}

void TIBDatabase::Close() {
  if (!Connected()) return;
  for (TIBDataSet* d : std::vector<TIBDataSet*>(dataSets_)) d->Disconnecting();
  std::string failure;
  for (TIBTransaction* t : std::vector<TIBTransaction*>(transactions_)) {
    std::string text = t->EndQuietly();
    if (failure.empty()) failure = std::move(text);
  }
  IBQuietStatus st;
  attachment_->detach(&st);
  if (st.Failed()) {
    if (failure.empty()) failure = IBStatusText(&st);
    attachment_->release();
  }
  attachment_ = nullptr;
  if (!failure.empty()) throw EIBInterBaseError(failure);
}

void TIBDatabase::AddTransaction(TIBTransaction* t) {
  if (std::find(transactions_.begin(), transactions_.end(), t) == transactions_.end())
    transactions_.push_back(t);
}

void TIBDatabase::RemoveTransaction(TIBTransaction* t) {
  transactions_.erase(std::remove(transactions_.begin(), transactions_.end(), t),
                      transactions_.end());
  if (defaultTransaction_ == t) defaultTransaction_ = nullptr;
}

void TIBDatabase::AddDataSet(TIBDataSet* d) {
  if (std::find(dataSets_.begin(), dataSets_.end(), d) == dataSets_.end()) dataSets_.push_back(d);
}

void TIBDatabase::RemoveDataSet(TIBDataSet* d) {
  dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), d), dataSets_.end());
}

}  // namespace tv
