#pragma once
// The provider registry that stands in for the remote data module server
// of the original platform: a host makes an owner (its remote data module)
// with a register and an unregister procedure, the library creates the
// data module on it (DCOMServerOnCreate), and remote calls reach the
// providers through their handles.
//
// Owners and provider handles are numbers, never pointers into the
// library: a handle whose owner was freed, an owner freed twice or a made-up
// value is looked up, not followed, and gives a clear error. Ids are never
// reused. Calls on one module run one at a time (its lock); freeing the
// owner waits for a running call, then frees the module.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "exchange/ExchangeFile.h"

namespace tv::exchange {

// The host's procedure: (the provider handle, the name); may be empty.
using TProviderProc = std::function<void(uintptr_t provider, const char* name)>;

uintptr_t CreateProviderOwner(TProviderProc registerProc, TProviderProc unregisterProc);
// Frees the owner and its module (the providers unregistered, open
// transactions rolled back, the connection closed). EDatabaseError for an
// unknown or freed owner.
void FreeProviderOwner(uintptr_t owner);
// Creates the data module of `owner`. EDatabaseError for an unknown owner
// or one that has its module already.
void CreateDCOMDataModule(uintptr_t owner, const TExchangeHost& host);

// The library's end: every module is destroyed (connections closed) and
// every owner forgotten, without calling the host's procedures, which may
// be gone by then.
void CloseAllProviderOwners();

// A provider's records as an XML data packet.
std::string ProviderGetRecords(uintptr_t provider, const std::string& commandText);
// Applies a delta text (ProviderDelta.h) and returns the outcome text.
std::string ProviderApplyDelta(uintptr_t provider, std::string_view delta);

}  // namespace tv::exchange
