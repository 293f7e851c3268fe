#pragma once
// Unpacking an exchange file into the fixed unpack folder
// "C:\FUEL\TEMP\REPORTDATA\UNPACK\". The archive comes from another machine
// and is treated as hostile: only the entry "ttn.ttnxml" is extracted,
// nothing lands outside the folder (the ZIP reader's guarantee), its
// declared size is bounded by MaxPacketBytes, and a damaged entry (bad CRC,
// short data, unreadable) refuses the whole file.

#include <string>

namespace tv::exchange {

// Empties the unpack folder (its files and subfolders go, the folder stays
// or is made) when made and again when it goes.
class TUnpackFolder {
 public:
  TUnpackFolder();
  ~TUnpackFolder();
  TUnpackFolder(const TUnpackFolder&) = delete;
  TUnpackFolder& operator=(const TUnpackFolder&) = delete;

  // Extracts "ttn.ttnxml" of `archive` into the folder and returns its path,
  // or an empty text when the archive has no such entry. Raises the ZIP
  // reader's error for a file that is no readable archive, and Exception for
  // an entry that is too large or damaged.
  std::string Unpack(const std::string& archive);

  static void Empty();
};

}  // namespace tv::exchange
