#pragma once
// The office side of the waybill exchange: the export AddRepDataToQueryFile.

#include <string>

#include "exchange/ExchangeFile.h"

namespace tv::exchange {

// Writes the office rows (TTN_ID 100000000 and above, not deleted, in id
// order, every TTN column) of the database DBFolder\Velmar.FDB into the
// exchange file `exchangeFile`. The new archive is made under a temporary
// name beside the file and renamed over it when complete, so the old file
// stays until then and a reader never sees half an archive; "ttn.ttnxml"
// beside the file exists only meanwhile. Without office rows the old file
// is deleted and none written. Writers of one folder are serialised by a
// machine-wide lock. Failures raise with the context "procedure
// AddRepDataToQueryFile" and the class name.
void AddRepDataToQueryFile(const std::string& dbFolder, const std::string& exchangeFile,
                           const TExchangeHost& host);

}  // namespace tv::exchange
