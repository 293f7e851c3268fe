#include "foundation/ReportConsts.h"

#include "platform/text/Cp1251.h"

namespace tv {

const std::string& SectionName(int kind) {
  static const std::string* const kNames[SectionKindCount] = {
      &"Заголовок"_w,
      &"Конец"_w,
      &"Информация о ТРК"_w,
      &"Информация о резервуарах"_w,
      &"Финансовый отчет"_w,
      &"Поступление НП"_w,
      &"Движение НП"_w,
      &"Расшифровка реализации по б/н"_w,
      &"Отчет по складу"_w,
      &"Поступления товара"_w,
      &"Финансовый отчет нестандартный"_w,
      &"Финансовый отчет по товарам"_w,
      &"Откачка НП"_w,
      &"Финансовый отчет по кассам"_w,
      &"Непроизведенные возвраты на терминал"_w,
      &"Отпуск по ведомостям"_w,
      &"Отчет по бонусам и скидкам"_w,
      &"Информация по перезагрузкам"_w,
  };
  static const std::string kNone;
  return kind >= 0 && kind < SectionKindCount ? *kNames[kind] : kNone;
}

namespace {
void FreeSaleItems(TStringList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    delete static_cast<TSaleItem*>(list.Objects(i));
    list.SetObject(i, nullptr);
  }
  list.Clear();
}
}  // namespace

void TGSMInfo_2::FreeItems() { FreeSaleItems(Items); }

TSiloInfo::~TSiloInfo() { FreeSaleItems(VORows); }

}  // namespace tv
