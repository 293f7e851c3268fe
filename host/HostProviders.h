#pragma once
// The remote data provider commands of tolvaren-host: "provider NAME
// [SQL]" prints the provider's records as their XML data packet; "apply
// NAME FILE" applies the delta in FILE (docs/remote-providers.md) and
// prints each record's outcome. The host makes a provider owner, has the
// library create its data module on it (DCOMServerOnCreate; the database is
// the configuration's [Host] DCOMDatabase), runs the command and frees the
// owner.

#include <string>
#include <vector>

#include "host/HostLibrary.h"

namespace tv::host {

bool IsProviderCommand(const std::string& word);
// 0 when the call succeeded (for "apply": every record applied); 1 with
// the library's error text (or the failed records) otherwise. Throws
// std::invalid_argument for a wrong number of arguments.
int RunProviderCommand(const TolvarenLibrary& lib, const std::vector<std::string>& request);
std::string ProviderCommandHelp();

}  // namespace tv::host
