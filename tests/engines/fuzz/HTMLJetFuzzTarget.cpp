#include "tests/engines/fuzz/HTMLJetFuzzTarget.h"

#include <string>

#include "engines/HTMLJet.h"
#include "platform/Exceptions.h"
#include "platform/text/StringList.h"

namespace tv::fuzz {
namespace {

void FillAndFinish(THTML_Jet& jet) {
  TStringList items;
  items.Add("a");
  items.Add("%colspan=2%b");
  items.Add("");
  for (int record = 0; record < 2; ++record) {
    jet.Add("v", "1");
    jet.Add("v", items);
    jet.AddFloat("summa", "%.2n", 1234.5 * (record + 1));
    jet.AddDateTime("d", "dd.mm.yyyy", 45000 + record);
    jet.EndLine();
  }
  jet.AddInItog("v", "x");
  jet.MakeItog();
  jet.MakeItog2("%.2n");
  jet.AddOutItogFloat("summa", "%.1n", 2);
  jet.EndIGroup();
  jet.EndOGroup();
  std::string out;
  jet.GetReady(out);
  jet.GetReady(out);
}

}  // namespace

void RunHTMLJetOnInput(std::string_view bytes) {
  for (bool columnRepeat : {false, true}) {
    try {
      THTML_Jet jet("TempNotUse", columnRepeat, 2);
      jet.SetTemplateText(std::string(bytes));
      jet.Init();
      FillAndFinish(jet);
    } catch (const Exception&) {
      // Malformed templates and bad values end in the engine's exceptions.
    }
  }
}

}  // namespace tv::fuzz
