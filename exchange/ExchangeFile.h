#pragma once
// The waybill exchange file, as both sides see it: a ZIP archive with the
// one entry "ttn.ttnxml" (deflated, no folder, no password) whose content is
// the XML data packet of the client data sets (platform/data/ClientDataSet.h)
// with the declaration naming its encoding, Windows-1251 text, every line
// ended by CR LF. docs/exchange-file.md describes it for other programs.
//
// Also here: what the writer and the loader share around the file (the
// host's services, the database they open, the machine-wide locks).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/HostQuery.h"

namespace tv {
class TClientDataSet;
class TFileLogger;
class TIBDataSet;
class TIBDatabase;
class NamedMutex;
}  // namespace tv

namespace tv::exchange {

inline constexpr std::string_view kEntryName = "ttn.ttnxml";
inline constexpr std::string_view kPacketDeclaration = "<?xml version=\"1.0\" standalone=\"yes\"?>";
inline constexpr std::string_view kFileDeclaration =
    "<?xml version=\"1.0\" encoding=\"windows-1251\" standalone=\"yes\"?>";
inline constexpr std::string_view kUnpackFolder = "C:\\FUEL\\TEMP\\REPORTDATA\\UNPACK\\";
inline constexpr std::string_view kDatabaseFileName = "Velmar.FDB";

// The packet text in pieces (platform/data/ClientDataSet.h, TPacketSink).
using TPacketPieces = std::function<void(std::string& piece)>;

// What the exchange takes from the library around it: the host's query
// procedure (host mode), the report log, the copy of a query into a client
// data set, and the rows of a query as an XML data packet, whole (the
// remote data module's providers) or in pieces as the rows are fetched
// (the exchange file's writer; returns the number of rows).
struct TExchangeHost {
  THostQuery Query;
  TFileLogger* Log = nullptr;
  std::function<void(TIBDataSet&, TClientDataSet&)> FillClientDataSet;
  std::function<std::string(TIBDataSet&)> DataPacket;
  std::function<int64_t(TIBDataSet&, const TPacketPieces&)> WritePacket;
};

// The largest "ttn.ttnxml" the loader unpacks (declared size); 1 GiB.
extern int64_t MaxPacketBytes;

// The packet's text as the file holds it: the declaration rewritten (first
// occurrence, exact case), every line ended by CR LF.
std::string PacketToFileText(std::string packet);

// Refuses a text value of the query's current row that XML 1.0 cannot
// carry (the writer asks when the packet writer has refused the row, to
// name the waybill): a control byte other than tab, CR and LF, or the byte
// 0x98, which has no character in Windows-1251. The error names the
// waybill (TTN_ID) and the column. Binary and text BLOBs travel as base64
// and may hold any byte.
void CheckPacketValues(TIBDataSet& row);

// A database file of a host's data folder: folder + delimiter (when
// missing) + "Velmar.FDB".
std::string DatabaseFileIn(std::string_view folder);
// Runs `work` on a database opened as the exchange opens its databases
// (FBUtils password and port, read-only default transaction, SYSDBA,
// "127.0.0.1", WIN1251, connected), then disconnects and frees it, also
// when `work` fails (whose error then passes on).
void WithExchangeDatabase(const std::string& path, const std::function<void(TIBDatabase*)>& work);

// A machine-wide lock on a folder (by its native path, letter case
// ignored), held for one scope.
class TFolderLock {
 public:
  TFolderLock(std::string_view purpose, std::string_view folder);
  ~TFolderLock();
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;

 private:
  std::unique_ptr<NamedMutex> mutex_;
};

}  // namespace tv::exchange
