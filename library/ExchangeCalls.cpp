#include "library/ExchangeCalls.h"

#include "exchange/ProviderRegistry.h"
#include "exchange/QueryFileLoader.h"
#include "exchange/QueryFileWriter.h"
#include "exchange/TTNTable.h"
#include "foundation/XMUtils.h"
#include "library/HostCallbacks.h"
#include "library/IBSource.h"
#include "library/ReportRoutines.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/data/ClientDataSet.h"
#include "platform/Exceptions.h"
#include "platform/ib/IBDataSet.h"

namespace tv {

namespace {

// The exchange asks the host its mode (office or station) before it
// writes; without the host's procedure it must not start at all.
exchange::TExchangeHost ExchangeHost() {
  if (HostCallback == nullptr) {
    throw EHostCallbackError(
        "Библиотека не инициализирована: сначала вызовите InitReports"_w);
  }
  exchange::TExchangeHost host;
  host.Query = HostQuery();
  host.Log = &ReportsLogger();
  host.FillClientDataSet = [](TIBDataSet& source, TClientDataSet& target) {
    FillClientDataSet(source, target);
  };
  host.DataPacket = [](TIBDataSet& source) {
    TIBSource rows(source, true);
    return DataPacketOf(rows);
  };
  host.WritePacket = [](TIBDataSet& source, const exchange::TPacketPieces& sink) {
    TIBSource rows(source, true);
    return WriteDataPacket(rows, sink);
  };
  return host;
}

// Runs `prepare` (argument checks) with the export's context on its
// errors, then `run`, which adds the context itself.
template <class Prepare, class Run>
void CallExport(const char* procedure, Prepare&& prepare, Run&& run) {
  try {
    prepare();
  } catch (const std::exception& e) {
    MakeContextException(e, std::string("procedure ") + procedure)->Raise();
  }
  run();
}

}  // namespace

std::string HostWidePath(const uint16_t* text, const char* what) {
  if (text == nullptr) throw EConvertError(std::string("No ") + what + " given");
  std::u16string_view wide(reinterpret_cast<const char16_t*>(text));
  std::string path = Utf16ToCp1251(wide);
  if (Cp1251ToUtf16(path) != wide) {
    throw EConvertError(std::string(what) + " holds characters outside Windows-1251: \"" + path +
                        "\"");
  }
  return path;
}

void CallAddRepDataToQueryFile(const uint16_t* dbFolder, const uint16_t* exchangeFile) {
  exchange::TExchangeHost host;
  std::string folder, file;
  CallExport(
      "AddRepDataToQueryFile",
      [&] {
        host = ExchangeHost();
        folder = HostWidePath(dbFolder, "DBFolder");
        file = HostWidePath(exchangeFile, "ExchangeFile");
      },
      [&] { exchange::AddRepDataToQueryFile(folder, file, host); });
}

void CallProcessQueryFile(const uint16_t* exchangeFile) {
  exchange::TExchangeHost host;
  std::string file;
  CallExport(
      "ProcessQueryFile",
      [&] {
        host = ExchangeHost();
        file = HostWidePath(exchangeFile, "ExchangeFile");
      },
      [&] { exchange::ProcessQueryFile(file, host); });
}

void CallProcessTTNTable(const uint16_t* dbFolder) {
  std::string folder;
  CallExport(
      "ProcessTTNTable", [&] { folder = HostWidePath(dbFolder, "DBFolder"); },
      [&] { exchange::ProcessTTNTable(folder); });
}

void CallCreateDCOMDataModule(void* owner) {
  exchange::CreateDCOMDataModule(reinterpret_cast<uintptr_t>(owner), ExchangeHost());
}

}  // namespace tv
