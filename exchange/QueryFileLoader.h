#pragma once
// The station side of the waybill exchange: the export ProcessQueryFile.

#include <string>

#include "exchange/ExchangeFile.h"

namespace tv::exchange {

// Loads the exchange file `exchangeFile` into the station database at
// DefaultDBPath (always that database, whatever the host's data folder):
// every office waybill whose OFCTTNID the station holds no copy of yet is
// inserted with a fresh id (TTNUnit::GetNextTTNID) and, when the station
// has TTNDETAIL, one detail row made of the waybill's single-detail
// columns. A missing file returns at once; an archive without "ttn.ttnxml"
// returns quietly.
//
// All of it runs in one transaction committed once at the end, so a load
// that is killed leaves nothing. A fault of the file itself (no archive, a
// damaged one, a packet that does not read, no integer OFCTTNID or a NULL
// one) refuses the whole file before the first write. A row that fails
// runs under its own savepoint and leaves nothing: it is logged as
// "Ошибка добавления записи TTN (ID=%d): %s" and skipped. Loads are
// serialised machine-wide on the unpack folder, which is emptied before
// and after. Failures raise with the context "procedure ProcessQueryFile"
// and the class name.
void ProcessQueryFile(const std::string& exchangeFile, const TExchangeHost& host);

}  // namespace tv::exchange
