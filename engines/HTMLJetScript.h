#pragma once
// The script engine behind the formula cells of HTML templates. An engine
// that evaluates formulas implements TScriptControl; THTML_Jet uses the
// platform's VBScript and JScript (THTMLScriptControl, HTMLScript.h) unless
// a process installs its own with SetScriptControlFactory. A factory that
// returns null makes no control, and formula cells print "&nbsp;".

#include <functional>
#include <memory>
#include <string>

namespace tv {

class TScriptControl {
 public:
  virtual ~TScriptControl() = default;
  // "VBSCRIPT" or "JSCRIPT"; throws when the language is not available.
  virtual void SetLanguage(const std::string& language) = 0;
  // Runs script text in the control's global scope; throws on script errors.
  virtual void AddCode(const std::string& code) = 0;
  // The value of an expression as a number; throws when it has none.
  virtual double Eval(const std::string& expression) = 0;
};

// Makes a control; returns null when none is available and throws when
// making one fails (the engine logs that failure and goes on without).
using TScriptControlFactory = std::function<std::unique_ptr<TScriptControl>()>;

// Installs (or, with an empty function, removes) the process-wide factory.
void SetScriptControlFactory(TScriptControlFactory factory);
// A new control from the installed factory (which may give null), else a
// THTMLScriptControl.
std::unique_ptr<TScriptControl> CreateScriptControl();

}  // namespace tv
