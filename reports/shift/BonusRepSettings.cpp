// The bonus section's settings in the station's registry (local machine,
// "SOFTWARE\Halvorsk\AZS\Reports\BonusRep"): which payment types it
// selects and the bonus report's switches.
#include "library/ReportsInterface.h"
#include "platform/os/Registry.h"
#include "reports/shift/CloseSmenaRep.h"

namespace tv {

namespace {

const char* const BonusRepKey = "SOFTWARE\\Halvorsk\\AZS\\Reports\\BonusRep";

// 1 only when the value exists and holds 1; a value of another type raises.
bool IsOne(const TRegistry& reg, const std::string& name) {
  return reg.ValueExists(name) && reg.ReadInteger(name) == 1;
}

}  // namespace

// A station without the key gets it, selecting the payment type of code 0.
// A key that cannot be made leaves every setting at its default.
void TCloseSmenaRep::ReadBonusRepSettings(bool& nullStr, bool& allVO, Variant& payTypes) {
  TRegistry reg;
  reg.SetRootKey(TRegistry::HKEY_LOCAL_MACHINE);
  if (!reg.KeyExists(BonusRepKey)) {
    if (reg.OpenKey(BonusRepKey, true)) reg.WriteInteger("PayType0", 1);
  } else {
    reg.OpenKey(BonusRepKey, true);
  }
  const bool open = !reg.CurrentPath().empty();
  nullStr = open && IsOne(reg, "NullStr");
  allVO = open && IsOne(reg, "CBAllVO");
  payTypes = VarArrayCreate({0, VidOplCount - 1}, VarType::Integer);
  for (int i = 0; i < VidOplCount; ++i) {
    const std::string code = VarToStr(VidOplArray.At(i, 1));
    payTypes[i] = Variant(open && IsOne(reg, "PayType" + code) ? 1 : 0);
  }
  reg.CloseKey();
}

// Both switches are on unless the key holds them.
void TCloseSmenaRep::ReadBonusShowSwitches(bool& showGsmItog, bool& showSubVidoplItog) {
  TRegistry reg;
  reg.SetRootKey(TRegistry::HKEY_LOCAL_MACHINE);
  if (!reg.OpenKey(BonusRepKey, true)) return;
  if (reg.ValueExists("ShowGSMItog")) showGsmItog = reg.ReadBool("ShowGSMItog");
  if (reg.ValueExists("ShowSubVidoplItog")) showSubVidoplItog = reg.ReadBool("ShowSubVidoplItog");
  reg.CloseKey();
}

}  // namespace tv
