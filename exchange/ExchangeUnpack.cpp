#include "exchange/ExchangeUnpack.h"

#include <filesystem>
#include <system_error>

#include "exchange/ExchangeFile.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/text/Format.h"
#include "platform/os/Paths.h"
#include "zip/ZipReader.h"

namespace tv::exchange {

namespace {

bool IsPacketEntry(const zip::TZipHeaderInfo& entry) {
  std::string name = entry.FullPath();
  const size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  return AnsiSameText(name, kEntryName);
}

// Refuses before anything is extracted: the inflated size of every entry
// that could land as "ttn.ttnxml" is bounded by what it declares, so the
// declaration is what is checked.
bool CheckDeclaredSizes(const zip::TZipReader& reader) {
  bool found = false;
  for (int32_t i = 0; i < reader.Count(); ++i) {
    const zip::TZipHeaderInfo& entry = reader.Entry(i);
    if (!IsPacketEntry(entry)) continue;
    found = true;
    if (entry.GetUncompressedSize() > MaxPacketBytes) {
      throw Exception(Format("Файл обмена: элемент \"%s\" слишком велик (%d байт, допустимо %d)"_w,
                             {entry.FullPath(), entry.GetUncompressedSize(), MaxPacketBytes}));
    }
  }
  return found;
}

}  // namespace

TUnpackFolder::TUnpackFolder() { Empty(); }

TUnpackFolder::~TUnpackFolder() {
  try {
    Empty();
  } catch (...) {  // an error of the load is already on its way; this one is lesser
  }
}

void TUnpackFolder::Empty() {
  const std::string folder(kUnpackFolder);
  if (!ForceDirectories(folder)) {
    throw EInOutError("Не удалось создать каталог "_w + folder);
  }
  std::error_code ec;
  for (const auto& item : std::filesystem::directory_iterator(MapPath(folder), ec)) {
    std::filesystem::remove_all(item.path(), ec);
  }
}

std::string TUnpackFolder::Unpack(const std::string& archive) {
  zip::TZipReader reader;
  std::string damaged;
  reader.OnBadCRC = [&](zip::TZipReader& r, int32_t, int32_t, int32_t index) {
    damaged = "ошибка CRC элемента \""_w + r.Entry(index).FullPath() + "\"";
  };
  reader.OnSkippingFile = [&](zip::TZipReader&, zip::TSkipReason, const std::string& name,
                              int32_t, bool&) {
    damaged = "элемент \""_w + name + "\" не распакован"_w;
  };
  // A file without an end record is no archive here (not the first part of
  // a set that the reader would otherwise assume).
  reader.IncompleteZipMode = zip::izAssumeNotAZip;
  reader.SetZipName(archive);
  reader.ReadZip();
  if (!CheckDeclaredSizes(reader)) return {};
  reader.SetDestDir(std::string(kUnpackFolder));
  reader.RecreateDirs = true;
  reader.DoAll = true;
  reader.OverwriteMode = zip::Always;
  reader.DoProcessMessages = false;
  reader.Password.clear();
  reader.FilesList = {std::string(kEntryName)};
  reader.UnZip();
  if (!damaged.empty()) throw Exception("Файл обмена поврежден: "_w + damaged);
  const std::string packet = std::string(kUnpackFolder) + std::string(kEntryName);
  return FileExists(packet) ? packet : std::string();
}

}  // namespace tv::exchange
