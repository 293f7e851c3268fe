#pragma once
// The waybill exchange commands of tolvaren-host: "export DBFOLDER FILE"
// (AddRepDataToQueryFile), "load FILE" (ProcessQueryFile) and "flag
// DBFOLDER" (ProcessTTNTable). Arguments are UTF-8 on the command line and
// reach the library as UTF-16.

#include <string>
#include <vector>

#include "host/HostLibrary.h"

namespace tv::host {

bool IsExchangeCommand(const std::string& word);
// Runs the command (request[0]) with its arguments: 0 when the library
// answered 1; 1 with its error text on standard error when it failed.
// Throws std::invalid_argument for a wrong number of arguments.
int RunExchangeCommand(const TolvarenLibrary& lib, const std::vector<std::string>& request);
std::string ExchangeCommandHelp();

}  // namespace tv::host
