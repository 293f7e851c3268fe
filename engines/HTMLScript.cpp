#include "engines/HTMLScript.h"

#include <cmath>

namespace tv {

void THTMLScriptControl::SetLanguage(const std::string& language) {
  control_ = std::make_unique<ScriptControl>(language, limits_);
}

ScriptControl& THTMLScriptControl::Control() {
  if (!control_) throw EScriptError("Script language is not set");
  return *control_;
}

void THTMLScriptControl::AddCode(const std::string& code) { Control().AddCode(code); }

double THTMLScriptControl::Eval(const std::string& expression) {
  const double value = Control().Eval(expression).AsDouble();
  if (!std::isfinite(value))
    throw EScriptError(Control().Language() + ": the value of \"" + expression +
                       "\" is not a number");
  return value;
}

}  // namespace tv
