#include "platform/script/ScriptControl.h"

#include "platform/text/Cp1251.h"
#include "platform/script/JScriptEngine.h"
#include "platform/script/VBScriptEngine.h"

namespace tv {

ScriptControl::ScriptControl(std::string_view language, const TScriptLimits& limits)
    : language_(language), limits_(limits) {
  if (AnsiSameText(language, "VBScript"))
    engine_ = std::make_unique<VBScriptEngine>(limits_);
  else if (AnsiSameText(language, "JScript"))
    engine_ = std::make_unique<JScriptEngine>(limits_);
  else
    throw EScriptError("Unknown script language \"" + language_ + "\"");
}

ScriptControl::~ScriptControl() = default;

// Counts the calls stopped on time; once there were too many, the control
// no longer runs anything, so that each further formula fails at once.
template <typename Call>
auto ScriptControl::Guarded(Call&& call) {
  if (limits_.MaxTimeouts > 0 && timeouts_ >= limits_.MaxTimeouts)
    throw EScriptTimeout(language_ + ": scripts stopped after running past their time limit " +
                         std::to_string(timeouts_) + " times");
  try {
    return call();
  } catch (const EScriptTimeout&) {
    ++timeouts_;
    throw;
  }
}

void ScriptControl::AddCode(std::string_view code) {
  Guarded([&] { engine_->AddCode(code); });
}

Variant ScriptControl::Eval(std::string_view expression) {
  return Guarded([&] { return engine_->Eval(expression); });
}

}  // namespace tv
