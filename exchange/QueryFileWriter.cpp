#include "exchange/QueryFileWriter.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

#include "foundation/FBUtils.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"
#include "platform/os/SysInfo.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "zip/ZipWriter.h"

namespace tv::exchange {

namespace {

constexpr const char* kOfficeRowsSQL =
    "SELECT * FROM TTN WHERE TTN_ID >= 100000000 AND COALESCE(ISDELETE, 0)=0 ORDER BY TTN_ID";

void DeleteOldFile(const std::string& exchangeFile) {
  if (!FileExists(exchangeFile) || DeleteFile(exchangeFile)) return;
  throw Exception("Удаление файла"_w + " \"" + exchangeFile + "\": " +
                  SysErrorMessage(GetLastError()));
}

// Files that exist only while the archive is made; gone afterwards whatever
// happened.
struct WorkFiles {
  std::string packet;
  std::string archive;
  ~WorkFiles() {
    DeleteFile(packet);
    DeleteFile(archive);
  }
};

void ZipPacket(const WorkFiles& work, const std::string& folder) {
  zip::TZipWriter writer;
  try {
    writer.SetZipName(work.archive);
    writer.SetRootDir(folder);
    writer.DoAll = true;
    writer.ZipAction = zip::zaUpdate;
    writer.DoProcessMessages = false;
    writer.Password.clear();
    writer.FilesList = {std::string(kEntryName)};
    if (writer.Zip() != 1) throw Exception("Файл \""_w + work.packet + "\" не упакован"_w);
  } catch (const std::exception& e) {
    MakeContextException(e, "procedure TZipWriter.Zip")->Raise();
  }
}

// The office rows as the packet file, written piece by piece as they are
// fetched: neither the rows nor the whole text are held. Returns the rows.
int64_t WritePacketFile(TIBDataSet& query, const TExchangeHost& host, const std::string& path) {
  DeleteFile(path);
  bool head = true;
  int64_t rows = 0;
  try {
    rows = host.WritePacket(query, [&](std::string& piece) {
      if (head) {
        head = false;
        const size_t at = piece.find(kPacketDeclaration);
        if (at != std::string::npos) piece.replace(at, kPacketDeclaration.size(), kFileDeclaration);
      }
      AppendFileBytes(path, piece);
    });
  } catch (const EDatabaseError&) {
    if (query.Active() && !query.Eof()) CheckPacketValues(query);  // names the waybill and the column
    throw;
  }
  // The packet is one line (line breaks inside values are character
  // references): only its closing CR LF is missing.
  AppendFileBytes(path, "\r\n");
  return rows;
}

void WriteArchive(TIBDataSet& query, const TExchangeHost& host, const std::string& exchangeFile) {
  const std::string folder = ExtractFilePath(exchangeFile);
  WorkFiles work;
  work.packet = folder + std::string(kEntryName);
  work.archive = folder + "~" + std::string(kEntryName) + "." + std::to_string(::getpid()) + ".tmp";
  if (WritePacketFile(query, host, work.packet) == 0) {
    DeleteOldFile(exchangeFile);
    return;
  }
  query.Close();
  DeleteFile(work.archive);
  ZipPacket(work, folder);
  // rename(2) replaces the old file in one step.
  if (std::rename(MapPath(work.archive).c_str(), MapPath(exchangeFile).c_str()) != 0) {
    throw Exception("Замена файла"_w + " \"" + exchangeFile + "\": " +
                    SysErrorMessage(SetLastErrorForPath(errno, MapPath(exchangeFile))));
  }
}

}  // namespace

void AddRepDataToQueryFile(const std::string& dbFolder, const std::string& exchangeFile,
                           const TExchangeHost& host) {
  try {
    TFolderLock lock("writer", ExtractFilePath(exchangeFile));
    WithExchangeDatabase(DatabaseFileIn(dbFolder), [&](TIBDatabase* database) {
      std::unique_ptr<TIBDataSet> query(
          FBUtils::FBCreateDataSetForRead(database, true, nullptr, nullptr, ""));
      query->SelectSQL().SetText(kOfficeRowsSQL);
      query->SetUniDirectional(true);
      WriteArchive(*query, host, exchangeFile);
    });
  } catch (const std::exception& e) {
    MakeContextException(e, "procedure AddRepDataToQueryFile")->Raise();
  }
}

}  // namespace tv::exchange
