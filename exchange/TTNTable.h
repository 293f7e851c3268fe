#pragma once
// The export ProcessTTNTable: in a database that holds office rows and
// their local copies, flags each office row that has a copy as deleted.

#include <string>

namespace tv::exchange {

// In DBFolder\Velmar.FDB sets ISDELETE = 1 on every office row (TTN_ID
// 100000000 and above, not deleted yet) that a local row (below 100000000)
// names in its OFCTTNID; deleted rows are not touched. One transaction;
// failures raise with the context "procedure ProcessTTNTable" and the
// class name, nothing committed.
void ProcessTTNTable(const std::string& dbFolder);

}  // namespace tv::exchange
