#pragma once
// The error guard of the engine's public operations: a failure inside one
// leaves it as a new exception of the same class whose message starts with
// the operation's name ("THTML_Jet.EndLine -> ...").

#include <exception>
#include <string_view>

#include "foundation/XMUtils.h"

namespace tv::htmltext {

template <class Body>
void Guarded(std::string_view context, Body&& body) {
  try {
    body();
  } catch (const std::exception& e) {
    MakeContextException(e, context)->Raise();
  }
}

}  // namespace tv::htmltext
