#pragma once
// The three exchange exports as the library runs them: the host's UTF-16
// arguments become Windows-1251 paths, and the exchange gets the host's
// query procedure, the report log and FillClientDataSet. Each raises on
// failure (the export's guard turns that into its result).

#include <cstdint>
#include <string>

namespace tv {

// A host's zero-terminated UTF-16 text as Windows-1251; EConvertError
// naming `what` when it is missing or holds a character outside the code
// page (which would otherwise become "?" and name another file).
std::string HostWidePath(const uint16_t* text, const char* what);

void CallAddRepDataToQueryFile(const uint16_t* dbFolder, const uint16_t* exchangeFile);
void CallProcessQueryFile(const uint16_t* exchangeFile);
void CallProcessTTNTable(const uint16_t* dbFolder);
// The remote data module of the host's provider owner (DCOMServerOnCreate).
void CallCreateDCOMDataModule(void* owner);

}  // namespace tv
