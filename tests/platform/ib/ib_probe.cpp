// Second process of the database tests.
//   ib_probe folder             prints the engine folder the client library uses
//   ib_probe count <db> <table> prints the row count of a table
#include <firebird/Interface.h>

#include <cstdio>
#include <string>

#include "platform/ib/IBEnvironment.h"
#include "platform/ib/IBError.h"

namespace {

int Count(const std::string& db, const std::string& table) {
  using namespace Firebird;
  IMaster* master = tv::FirebirdMaster();
  CheckStatusWrapper status(master->getStatus());
  IUtil* util = master->getUtilInterface();
  IXpbBuilder* dpb = util->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
  dpb->insertString(&status, isc_dpb_user_name, "SYSDBA");
  IAttachment* att = master->getDispatcher()->attachDatabase(
      &status, db.c_str(), dpb->getBufferLength(&status), dpb->getBuffer(&status));
  tv::CheckIBStatus(&status);
  ITransaction* tra = att->startTransaction(&status, 0, nullptr);
  IResultSet* rs = att->openCursor(&status, tra, 0, ("SELECT COUNT(*) FROM " + table).c_str(), 3,
                                   nullptr, nullptr, nullptr, nullptr, 0);
  tv::CheckIBStatus(&status);
  struct {
    ISC_INT64 value;
    short null;
  } row{};
  IMessageMetadata* meta = rs->getMetadata(&status);
  unsigned char buffer[64] = {};
  rs->fetchNext(&status, buffer);
  tv::CheckIBStatus(&status);
  row.value = *reinterpret_cast<ISC_INT64*>(buffer + meta->getOffset(&status, 0));
  rs->close(&status);
  tra->commit(&status);
  att->detach(&status);
  std::printf("%lld\n", static_cast<long long>(row.value));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "folder") {
      std::printf("%s\n", tv::FirebirdEngineFolder().c_str());
      return 0;
    }
    if (cmd == "count" && argc == 4) return Count(argv[2], argv[3]);
    std::fprintf(stderr, "usage: ib_probe folder | count <db> <table>\n");
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
