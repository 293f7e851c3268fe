#pragma once
// The engine's default script control: THTML_Jet's TScriptControl hook on
// the platform's ScriptControl (VBScript interpreter or JScript on Duktape,
// sandboxed and time-limited; platform/script/ScriptControl.h). Installed unless a
// process sets its own factory with SetScriptControlFactory.

#include <memory>
#include <string>

#include "engines/HTMLJetScript.h"
#include "platform/script/ScriptControl.h"

namespace tv {

class THTMLScriptControl : public TScriptControl {
 public:
  THTMLScriptControl() = default;
  explicit THTMLScriptControl(const TScriptLimits& limits) : limits_(limits) {}

  // Makes the language's interpreter; EScriptError for a language other
  // than VBScript and JScript (any letter case).
  void SetLanguage(const std::string& language) override;
  void AddCode(const std::string& code) override;
  // The expression's value converted to a number by the runtime's variant
  // rules (True is -1, a text is read with the locale). A value that is no
  // finite number (Null, a text that is none, NaN, an infinity) fails, so
  // that its cell stays blank instead of showing a format text or "INF".
  double Eval(const std::string& expression) override;

 private:
  ScriptControl& Control();

  TScriptLimits limits_;
  std::unique_ptr<ScriptControl> control_;
};

}  // namespace tv
