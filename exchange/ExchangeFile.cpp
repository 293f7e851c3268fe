#include "exchange/ExchangeFile.h"

#include "foundation/FBUtils.h"
#include "foundation/SafeIniFiles.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"

namespace tv::exchange {

int64_t MaxPacketBytes = int64_t{1} << 30;

std::string PacketToFileText(std::string packet) {
  const size_t at = packet.find(kPacketDeclaration);
  if (at != std::string::npos) packet.replace(at, kPacketDeclaration.size(), kFileDeclaration);
  // The client data set writes its packet as one line (line breaks inside
  // values are character references): then only the last CR LF is missing,
  // and a packet of hundreds of megabytes is not copied again.
  if (packet.find_first_of("\r\n") == std::string::npos) {
    packet += "\r\n";
    return packet;
  }
  std::string out;
  out.reserve(packet.size() + 2);
  size_t start = 0;
  while (start < packet.size()) {
    const size_t end = packet.find_first_of("\r\n", start);
    out.append(packet, start, end == std::string::npos ? std::string::npos : end - start);
    out += "\r\n";
    if (end == std::string::npos) break;
    start = end + (packet.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return out;
}

namespace {

// The first byte of `text` that XML 1.0 in Windows-1251 cannot carry, or -1.
int BadByte(std::string_view text) {
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x98) return b;
  }
  return -1;
}

}  // namespace

void CheckPacketValues(TIBDataSet& row) {
  const TIBField* idField = row.FindField("TTN_ID");
  for (int i = 0; i < row.FieldCount(); ++i) {
    const TIBField& f = row.Fields(i);
    if (f.DataType() != TFieldType::ftString || f.IsNull()) continue;
    const int bad = BadByte(f.AsString());
    if (bad < 0) continue;
    const std::string id = idField == nullptr ? "?" : idField->AsString();
    throw EDatabaseError(Format(
        "Запись TTN (TTN_ID=%s): поле %s содержит байт $%.2x, который нельзя передать в файле обмена"_w,
        {id, f.FieldName(), bad}));
  }
}

std::string DatabaseFileIn(std::string_view folder) {
  return IncludeTrailingPathDelimiter(folder) + std::string(kDatabaseFileName);
}

void WithExchangeDatabase(const std::string& path, const std::function<void(TIBDatabase*)>& work) {
  TIBDatabase* database =
      FBUtils::CreateDatabase(path, FBUtils::GetFBPassword(), FBUtils::GetFBPort(), true, nullptr,
                              "SYSDBA", "127.0.0.1", false, "", "WIN1251");
  try {
    FBUtils::FBConnectDB(database);
    work(database);
  } catch (...) {
    try {
      FBUtils::FreeDatabase(database);
    } catch (...) {  // the first error is the one to report
    }
    throw;
  }
  FBUtils::FreeDatabase(database);
}

TFolderLock::TFolderLock(std::string_view purpose, std::string_view folder) {
  const std::string native = ExcludeTrailingPathDelimiter(MapPath(folder));
  const std::string name = Format("TolvarenExchange_%s_%.8x",
                                  {std::string(purpose), static_cast<int64_t>(
                                      SafeIniFiles::StrHash(AnsiUpperCase(native)))});
  mutex_ = NamedMutex::Create(name);
  // An abandoned lock is ours: its holder died, and what it left (an
  // unfinished transaction, files in the folder) is undone by this holder.
  const NamedMutex::WaitResult result = mutex_->Wait(NamedMutex::kInfinite);
  if (result != NamedMutex::Signaled && result != NamedMutex::Abandoned) {
    RaiseLastOSError(GetLastError());
  }
}

TFolderLock::~TFolderLock() { mutex_->Release(); }

}  // namespace tv::exchange
