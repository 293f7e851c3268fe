#include "foundation/VidOpl.h"

#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"
#include "platform/os/UserServices.h"

namespace tv {

const std::array<std::string, 14>& DefaultVidOplNames() {
  static const std::array<std::string, 14> kNames = {
      "&Наличные"_w,          "&Платеж. терминал"_w, "&Товарные карты"_w, "&Безналичные"_w,
      "&Ведомость +"_w,       "&Мерник"_w,           "&ЛНР"_w,            "&Самообслуживание"_w,
      "&Договорной"_w,        "&Талоны"_w,           "&Дисконтные карты"_w, "&Переливы"_w,
      "ЛБР"_w,                "Не исполз."_w,
  };
  return kNames;
}

namespace {

// The host's list as the plain query gives it, or an empty variant.
Variant AskHostList(const THostQuery& query) {
  if (!query) return {};
  try {
    Variant answer;
    query(answer, hcVidOplList, 0);
    if (answer.IsArray() && answer.DimCount() == 2) return answer;
  } catch (...) {
    // The index-based fallback covers a host that cannot answer.
    Beep(500, 100);
  }
  return {};
}

}  // namespace

void BuildVidOplArray(const Variant& names, const THostQuery& query, Variant& table) {
  const int low = names.LowBound(1);
  const int n = names.HighBound(1) - low + 1;
  table = VarArrayCreate({0, n - 1, 0, 3}, VarType::Variant);
  const Variant list = AskHostList(query);
  for (int i = 0; i < n; ++i) {
    table.At(i, 0) = Variant(names[low + i].AsString());
    table.At(i, 3) = Variant(std::string("-1"));
    int code = 0;
    if (!list.IsEmpty() && i >= list.LowBound(1) && i <= list.HighBound(1)) {
      code = list.At(i, list.LowBound(2)).AsInteger();
      table.At(i, 3) = Variant(IntToStr(list.At(i, list.LowBound(2) + 1).AsInteger() & 0xFF));
    } else if (list.IsEmpty() && i < 13) {
      code = i;
    } else {
      Beep(500, 100);
    }
    table.At(i, 1) = Variant(IntToStr(code));
    table.At(i, 2) = Variant(IntToStr(code % 100));
  }
}

int FindVidOplIndex(int code, const Variant& table, int def) {
  if (table.IsArray()) {
    for (int i = table.LowBound(1); i <= table.HighBound(1); ++i)
      if (VarEquals(table.At(i, 1), Variant(code))) return i;
  }
  if (def >= 0) Beep(300, 50);
  return def;
}

}  // namespace tv
