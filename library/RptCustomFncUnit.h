#pragma once
// The host's custom functions ('#' 17): a count and a call by number. The
// one function issues new record ids of the scanned-document tables through
// the machine-wide record-id generator, so station processes never collide.

#include "platform/data/Variant.h"

namespace tv::RptCustomFncUnit {

// Command 1: result := FunctionCount (Args unread). Command 2: Args must be
// an array; element 1 (the function's arguments) is read, then element 0
// as the function number, and NewScanDocID runs. Other commands do nothing.
// Failures pass on; result is then unchanged.
void CallFunction(int command, const Variant& args, Variant& result);

int FunctionCount();

// Opens the station database (the host's data folder + "Velmar.FDB") for
// every kind; kind 1: a new ID of SCANDOCUMENTS, kind 2: of SCANDOCTYPES,
// as a 32-bit integer; other kinds leave result unchanged. The connection
// is closed before it returns, also on failure.
void NewScanDocID(int kind, const Variant& args, Variant& result);

}  // namespace tv::RptCustomFncUnit
