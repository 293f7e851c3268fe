// The withdrawn sections of the close-of-shift report: fuel movement by
// tank (kind 6, "Smena5.FRM") and sales by payment type per fuel (kind 7,
// "Smena6.FRM"). Their text forms are filled as ever; the HTML version gets
// a notice naming the template to attach instead.
#include "reports/shift/WithdrawnSections.h"

#include <array>

#include "engines/RepGen.h"
#include "foundation/ReportConsts.h"
#include "foundation/ReportSettings.h"
#include "foundation/ReportUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"
#include "reports/shift/CloseSmenaRep.h"
#include "reports/shift/ShiftForms.h"
#include "reports/shift/SiloSection.h"

namespace tv {

std::string WithdrawnFormName(std::string_view formName, std::string_view defaultName) {
  std::string name(formName.empty() ? defaultName : formName);
  if (ExtractFilePath(name).empty()) return FindShiftForm(name);
  const bool drive = name.size() >= 2 && name[1] == ':' &&
                     ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  if (drive) name[0] = 'C';
  return name;
}

namespace {

// The litres and kilograms variables of a payment type in the breakdown;
// null for the types it does not show.
std::array<const char*, 2> PayTypeVars(int vidOpl) {
  switch (vidOpl) {
    case 1:
      return {"TL", "TK"};
    case 2:
      return {"BL", "BK"};
    case 3:
      return {"BNL", "BNK"};
    case 4:
      return {"VL", "VK"};
    case 7:
      return {"ATL", "ATK"};
    case 8:
      return {"BEL", "BEK"};
    case 9:
      return {"TLL", "TLK"};
    default:
      return {nullptr, nullptr};
  }
}

void WriteMovementRows(TRepGen& rep, const TStringList& tanks) {
  long double cashMoney = 0;
  const auto f = [&rep](const char* name, const char* format, TVarRec value) {
    rep.SetVar(name, Format(format, {value}));
  };
  for (int i = 0; i < tanks.Count(); ++i) {
    const auto& s = *static_cast<const TSiloInfo*>(tanks.Objects(i));
    rep.ClearVars();
    // cash money, litres, kilograms; cashless money, litres, kilograms
    std::array<double, 6> sums{};
    AddSiloToGroup(sums, s);
    // The money is Currency, printed from its exact four decimals; the
    // litres and kilograms are summed in extended.
    const Currency cash(sums[0]), cashless(sums[3]);
    cashMoney += cash;
    rep.SetVar("S", IntToStr(s.SiloNum));
    rep.SetVar("SiloName", s.SiloName.str());
    rep.SetVar("Gsm", s.GsmName.str());
    f("BOL", "%7.0f", s.SiloBegL);
    f("BOK", "%7.0f", s.SiloBegKg);
    f("PL", "%7.0f", s.SiloPrx);
    f("PK", "%7.0f", s.SiloPrKg);
    const char* names[6] = {"RNR", "RNL", "RNKg", "RBR", "RBL", "RBKg"};
    for (int k = 0; k < 6; ++k)
      f(names[k], "%8.2f", k == 0 ? TVarRec(cash) : k == 3 ? TVarRec(cashless) : TVarRec(sums[k]));
    f("Itog", "%8.2f", static_cast<long double>(sums[1]) + sums[4]);
    f("ItogKg", "%8.2f", static_cast<long double>(sums[2]) + sums[5]);
    f("ItogS", "%8.2f", cash + cashless);
    f("EOL", "%7.0f", s.SiloEndL);
    f("EOK", "%7.0f", s.SiloEndKg);
    rep.PrintRepeat();
    rep.ClearVars();
  }
  rep.SetVar("ItogoRub", Format("%14.0n", {cashMoney}));
}

}  // namespace

void WriteCashlessRows(TRepGen& rep, const TStringList& fuels) {
  const std::string litres = DecFormat(6, DecL2, 'n');
  const std::string kg = DecFormat(6, DecKg2, 'n');
  for (int i = 0; i < fuels.Count(); ++i) {
    const auto& gsm = *static_cast<const TGSMInfo_2*>(fuels.Objects(i));
    rep.SetVar("Gsm", fuels[i]);
    rep.SetVar("GsmName", fuels[i]);
    rep.SetVar("Price", Format("%8.2n", {gsm.Price}));
    for (int k = 0; k < gsm.Items.Count(); ++k) {
      const auto& row = *static_cast<const TSaleItem*>(gsm.Items.Objects(k));
      const std::string l = Format(litres, {RoundTo(static_cast<int8_t>(DecL2), row.Litre)});
      const std::string m = Format(kg, {RoundTo(static_cast<int8_t>(DecKg2), row.Kg)});
      const auto vars = PayTypeVars(row.VidOpl);
      if (vars[0] != nullptr) {
        rep.SetVar(vars[0], l);
        rep.SetVar(vars[1], m);
      }
      if (row.CheckType >= 1 && row.CheckType <= 5) {
        rep.SetVar("L" + IntToStr(k), l);
        rep.SetVar("K" + IntToStr(k), m);
      }
    }
    rep.PrintRepeat();
    rep.ClearVars();
  }
}

void TCloseSmenaRep::BuildMovementNotice(const std::string& formName, std::string& text) {
  try {
    {
      TFileRepGen rep(WithdrawnFormName(formName, "Smena5.FRM"), TempFileName, true, 0, 1);
      WriteMovementRows(rep, *SiloList);
      rep.EndReport();
    }
    HtmlText +=
        "\n\r"
        "Форма \"Движение НП\" из новой версии построителя отчетов исключена. "
        "Используйте вместо нее дополнительную копию шаблона Информации о резервуарах, "
        "присоединяемую к сменному отчету в окне Свойств."_w;
    text = RepGen::ReadFileText(TempFileName);
  } catch (const std::exception& e) {
    SectionFailed("Ошибка при формировании отчета \"Движение НП\": "_w, e, text);
  }
}

void TCloseSmenaRep::BuildCashlessDetailNotice(const TStringList& gsmList,
                                               const std::string& formName, std::string& text) {
  try {
    {
      TFileRepGen rep(WithdrawnFormName(formName, "Smena6.FRM"), TempFileName, true, 0, 1);
      WriteCashlessRows(rep, gsmList);
      rep.EndReport();
    }
    HtmlText +=
        "\r\n"
        "Форма \"Расшифровка реализации по б/н\" из новой версии построителя отчетов "
        "исключена. Используйте вместо нее дополнительную копию шаблона Финансового "
        "отчета, присоединяемую к сменному отчету в окне Свойств."_w;
    text = RepGen::ReadFileText(TempFileName);
  } catch (const std::exception& e) {
    SectionFailed("Ошибка при формировании отчета \"Расшифровка реализации по б/н\": "_w, e, text);
  }
}

void TCloseSmenaRep::BuildMovementSection(const std::string& formName, const std::string&,
                                          std::string& text) {
  BuildMovementNotice(formName, text);
}

void TCloseSmenaRep::BuildCashlessDetailSection(const std::string& formName, const std::string&,
                                                std::string& text) {
  BuildCashlessDetailNotice(*GsmList2, formName, text);
}

}  // namespace tv
