#include "library/RptCustomFncUnit.h"

#include "foundation/FBUtils.h"
#include "foundation/GenIDUnit.h"
#include "library/HostCallbacks.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/ib/IBDatabase.h"

namespace tv::RptCustomFncUnit {

namespace {

// Frees the connection however the call ends.
struct TConnection {
  TIBDatabase* Database = nullptr;
  TConnection() = default;
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;
  ~TConnection() {
    try {
      FBUtils::FreeDatabase(Database);
    } catch (const std::exception&) {
      // A failed disconnect must not hide the call's own outcome.
    }
  }
};

}  // namespace

int FunctionCount() { return 1; }

void CallFunction(int command, const Variant& args, Variant& result) {
  if (command == 1) {
    result = Variant(FunctionCount());
  } else if (command == 2) {
    if (!args.IsArray()) throw EVariantError("Аргументы пользовательской функции - не массив"_w);
    const Variant functionArgs = args[1];
    const int function = args[0].AsInteger();
    NewScanDocID(function, functionArgs, result);
  }
}

void NewScanDocID(int kind, const Variant& /*args*/, Variant& result) {
  const std::string dbPath = AskHost(hcDataFolder).AsString() + "Velmar.FDB";
  // The password comes from the support library at run time; it is kept
  // nowhere here.
  TConnection connection;
  connection.Database =
      FBUtils::CreateDatabase(dbPath, FBUtils::GetFBPassword(), FBUtils::GetFBPort(), true,
                              nullptr, "SYSDBA", "127.0.0.1", true, "RpCGSM", "WIN1251");
  const char* table = kind == 1 ? "SCANDOCUMENTS" : kind == 2 ? "SCANDOCTYPES" : nullptr;
  if (table == nullptr) return;
  TIBDatabase* db = connection.Database;
  const int32_t id = GenIDUnit::GenID(AskHost(hcDataFolder).AsString(), db,
                                      db->DefaultTransaction(), table, "ID", 1);
  result = Variant(static_cast<int>(id));
}

}  // namespace tv::RptCustomFncUnit
