#include "reports/operational/statements/StatementUtils.h"

#include <algorithm>

#include "foundation/FBUtils.h"
#include "foundation/ReportUtils.h"
#include "foundation/VidOpl.h"
#include "foundation/XMUtils.h"
#include "library/ReportRoutines.h"
#include "library/ReportsInterface.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/SysUtils.h"

namespace tv {

void SettleVidOplSelection(Variant& selection, const Variant& codes, int defaultRow) {
  if (!codes.IsEmpty()) MakeVidOplSelection(codes, selection);
  if (!selection.IsEmpty()) return;
  // The default row must exist: a host with fewer payment types would
  // otherwise fail on an array index, with no word on the cause.
  if (VidOplCount <= defaultRow)
    throw Exception(Format(
        "Виды оплаты для отчета не выбраны, а вид оплаты по умолчанию (строка %d таблицы видов "
        "оплаты) не существует: хост передал видов оплаты: %d"_w,
        {defaultRow, VidOplCount}));
  selection = VarArrayCreate({0, VidOplCount - 1}, VarType::Integer);
  selection[defaultRow] = 1;
}

std::vector<TStatementVidOpl> StatementVidOpls(const Variant& selection, int baseKind) {
  if (!selection.IsArray())
    throw Exception(Format("Выбор видов оплаты должен быть массивом, получено значение типа %s"_w,
                           {VarTypeAsText(selection.Type())}));
  std::vector<TStatementVidOpl> result;
  // Element low + i selects row i: a COM host's array may start anywhere.
  const int low = selection.LowBound(1);
  const int last = std::min(selection.HighBound(1) - low, VidOplCount - 1);
  for (int i = 0; i <= last; ++i) {
    if (baseKind >= 0 && !VarEquals(VidOplArray.At(i, 2), Variant(baseKind))) continue;
    if (!VarEquals(selection[low + i], Variant(1))) continue;
    result.push_back({i, VidOplArray.At(i, 0).AsString(), VidOplArray.At(i, 1).AsString()});
  }
  return result;
}

std::string VidOplText(int code) {
  const int index = FindVidOplIndex(code, VidOplArray, -1);
  if (index >= 0) return VidOplArray.At(index, 0).AsString();
  return "Вид оплаты: "_w + IntToStr(code);
}

std::string JoinVidOplCodes(const std::vector<TStatementVidOpl>& vidOpls) {
  std::string codes;
  for (const auto& v : vidOpls) {
    if (!codes.empty()) codes += ',';
    codes += v.Code;
  }
  return codes;
}

std::string OwnSalesFilter() {
  const int voMimo = ReadVOMimo();
  const std::string mimo = voMimo >= 0 ? Format(" OR (a.VIDOPL=%d) ", {voMimo}) : std::string();
  return FastStringReplace(" AND ((COALESCE(a.KA, 0) = 0) #VOMIMO#) ", "#VOMIMO#", mimo,
                           rfReplaceAll);
}

bool OwnSalesOnly(TIBDatabase* database) {
  return !IsOfficeReportsType() && FBUtils::HasColumn(database, "LOGTRAN", "KA");
}

int NormalizeVdMode(int mode, const std::string& smenaFrom, const std::string& smenaTo) {
  if (mode >= 0) return mode;
  return smenaFrom == smenaTo ? 1 : 0;
}

bool VdPeriodText(int mode, const std::string& smenaFrom, TDateTime begDate, TDateTime endDate,
                  std::string& text) {
  // The " c " of the shift texts is a Latin c, as the reports always printed it.
  switch (mode) {
    case 0:
      text = "Период с "_w + DateTimeToStr(begDate) + " по "_w + DateTimeToStr(endDate);
      return true;
    case 1:
      text = "Смена №"_w + smenaFrom + " c " + DateTimeToStr(begDate) + " по "_w +
             DateTimeToStr(endDate);
      return true;
    case 2:
      text = "Смена №"_w + smenaFrom + " c " + DateTimeToStr(begDate) + " - текущая"_w;
      return true;
    default:
      return false;
  }
}

}  // namespace tv
