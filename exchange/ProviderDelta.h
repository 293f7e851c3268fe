#pragma once
// The delta a remote client applies to a provider, and the outcome it gets
// back, as XML texts (Windows-1251); docs/remote-providers.md describes
// both for host authors.
//
//   <DELTA>
//     <RECORD kind="modify|insert|delete">
//       <FIELD name="TTNSER" old="АБ" new="ВГ"/>   old and new value
//       <FIELD name="PLIST" old="7" newnull="true"/>  set to NULL
//     </RECORD> ...
//   </DELTA>
//
// A value that is not given (no attribute) is distinct from NULL
// (oldnull/newnull="true"); values are texts that the database converts to
// the column's type.

#include <string>
#include <string_view>
#include <vector>

#include "exchange/ProviderUpdates.h"

namespace tv {

enum class TUpdateKind { ukModify, ukInsert, ukDelete };

struct TDeltaItem {
  TUpdateKind Kind = TUpdateKind::ukModify;
  TDeltaRecord Fields;
};

// The records of a delta text, in order. EDatabaseError "Invalid delta
// packet: <reason>" for a text that is not a delta of that form; then no
// record is applied.
std::vector<TDeltaItem> ReadDeltaPacket(std::string_view text);

// The outcome of one record: applied, or the error text.
struct TRecordOutcome {
  bool Applied = false;
  std::string Error;
};

//   <RESULT applied="N" failed="M">
//   <RECORD index="1" applied="true"/>
//   <RECORD index="2" applied="false" error="..."/></RESULT>
std::string OutcomePacket(const std::vector<TRecordOutcome>& outcomes);

}  // namespace tv
