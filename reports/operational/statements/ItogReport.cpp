#include "reports/operational/statements/ItogReport.h"

#include "platform/RtlMath.h"

namespace tv {

void TItogReport::Add(long double liter, long double kg, long double summa) {
  Liter += liter;
  Kg += kg;
  Summa += Currency::FromRaw(Round(summa * 10000.0L));
}

void TItogReport::Clear() {
  Liter = 0;
  Kg = 0;
  Summa = Currency();
}

TItogList::~TItogList() = default;

int TItogList::Add(std::string name) {
  Items_.push_back(std::make_unique<TItogReport>());
  return Names_.AddObject(std::move(name), Items_.back().get());
}

TItogReport& TItogList::Item(int i) { return *static_cast<TItogReport*>(Names_.Objects(i)); }

const TItogReport& TItogList::Item(int i) const {
  return *static_cast<const TItogReport*>(Names_.Objects(i));
}

void TItogList::Reset() {
  for (int i = 0; i < Names_.Count(); ++i) Item(i).Clear();
}

}  // namespace tv
