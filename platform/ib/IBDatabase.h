#pragma once
// TIBDatabase: one connection to a Firebird database.
//
// DatabaseName is the system's text: "C:\FUEL\DB\Velmar.FDB" (embedded
// engine, the path mapped under the root folder) or "host/port:path" and
// "host:path" (a server; for a loopback host the path is mapped too, since
// the server runs on this machine). Params are "name=value" lines:
// user_name, password, lc_ctype, sql_role_name, sql_dialect. Connecting
// with lc_ctype WIN1251 gives every text in Windows-1251, as the library
// keeps it.
//
// Closing the connection closes the data sets on it and ends its active
// transactions with their default action. A failure of Firebird raises
// EIBInterBaseError with Firebird's text; the object stays usable.

#include <string>
#include <vector>

#include "platform/text/StringList.h"
#include "platform/ib/Component.h"
#include "platform/ib/IBError.h"

namespace Firebird {
class IAttachment;
}

namespace tv {

class TIBTransaction;
class TIBDataSet;

class TIBDatabase : public TComponent {
 public:
  explicit TIBDatabase(TComponent* owner = nullptr);
  ~TIBDatabase() override;

  const std::string& DatabaseName() const { return databaseName_; }
  // EIBClientError while connected.
  void SetDatabaseName(std::string name);
  TStringList& Params() { return params_; }
  const TStringList& Params() const { return params_; }
  // Kept for callers that switch it off; this port never shows a dialog.
  bool LoginPrompt() const { return loginPrompt_; }
  void SetLoginPrompt(bool value) { loginPrompt_ = value; }
  TIBTransaction* DefaultTransaction() const { return defaultTransaction_; }
  void SetDefaultTransaction(TIBTransaction* transaction);

  bool Connected() const { return attachment_ != nullptr; }
  void SetConnected(bool value);
  void Open();
  // Closes data sets, ends transactions, detaches. When Firebird fails to
  // detach (a lost connection) the connection is dropped all the same and
  // the error raised.
  void Close();

  // The native name handed to the client library.
  std::string AttachName() const;
  Firebird::IAttachment* Attachment() const { return attachment_; }

 private:
  friend class TIBTransaction;
  friend class TIBDataSet;
  void AddTransaction(TIBTransaction* t);
  void RemoveTransaction(TIBTransaction* t);
  void AddDataSet(TIBDataSet* d);
  void RemoveDataSet(TIBDataSet* d);
  std::vector<unsigned char> BuildDpb() const;

  std::string databaseName_;
  TStringList params_;
  bool loginPrompt_ = true;
  TIBTransaction* defaultTransaction_ = nullptr;
  Firebird::IAttachment* attachment_ = nullptr;
  std::vector<TIBTransaction*> transactions_;
  std::vector<TIBDataSet*> dataSets_;
};

}  // namespace tv
