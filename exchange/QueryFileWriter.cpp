#include "exchange/QueryFileWriter.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

#include "foundation/FBUtils.h"
#include "foundation/XMUtils.h"
#include "platform/ClientDataSet.h"
#include "platform/Cp1251.h"
#include "platform/Files.h"
#include "platform/OsError.h"
#include "platform/Paths.h"
#include "platform/SysInfo.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "zip/ZipWriter.h"

namespace tv::exchange {

namespace {

constexpr const char* kOfficeRowsSQL =
    "SELECT * FROM TTN WHERE TTN_ID >= 100000000 AND COALESCE(ISDELETE, 0)=0 ORDER BY TTN_ID";

void ReadOfficeRows(const std::string& dbFolder, const TExchangeHost& host, TClientDataSet& rows) {
  WithExchangeDatabase(DatabaseFileIn(dbFolder), [&](TIBDatabase* database) {
    std::unique_ptr<TIBDataSet> query(
        FBUtils::FBCreateDataSetForRead(database, true, nullptr, nullptr, ""));
    query->SelectSQL().SetText(kOfficeRowsSQL);
    host.FillClientDataSet(*query, rows);
  });
}

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

void WriteArchive(TClientDataSet& rows, const std::string& exchangeFile) {
  const std::string folder = ExtractFilePath(exchangeFile);
  WorkFiles work;
  work.packet = folder + std::string(kEntryName);
  work.archive = folder + "~" + std::string(kEntryName) + "." + std::to_string(::getpid()) + ".tmp";
  {
    std::string packet;
    try {
      packet = rows.XMLData();
    } catch (const EDatabaseError&) {
      CheckPacketValues(rows);  // names the waybill and the column
      throw;
    }
    const std::string text = PacketToFileText(std::move(packet));
    rows.Close();  // the rows are in the text now
    // A working file, gone afterwards: written without waiting for the disk.
    DeleteFile(work.packet);
    AppendFileBytes(work.packet, text);
  }
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
    TClientDataSet rows;
    ReadOfficeRows(dbFolder, host, rows);
    TFolderLock lock("writer", ExtractFilePath(exchangeFile));
    if (rows.RecordCount() == 0) {
      DeleteOldFile(exchangeFile);
      return;
    }
    WriteArchive(rows, exchangeFile);
  } catch (const std::exception& e) {
    MakeContextException(e, "procedure AddRepDataToQueryFile")->Raise();
  }
}

}  // namespace tv::exchange
