#include "platform/ib/IBParam.h"

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"

namespace tv {

TIBParam* TIBParams::FindParam(std::string_view name) {
  for (auto& p : params_) {
    if (AnsiSameText(p->Name(), name)) return p.get();
  }
  return nullptr;
}

TIBParam& TIBParams::ByName(std::string_view name) {
  TIBParam* p = FindParam(name);
  if (p == nullptr) throw EDatabaseError("Parameter '" + std::string(name) + "' not found");
  return *p;
}

void TIBParams::Rebuild(const std::vector<std::string>& names) {
  params_.clear();
  positions_.clear();
  for (const auto& name : names) {
    int index = -1;
    for (int i = 0; i < Count(); ++i) {
      if (AnsiSameText(params_[i]->Name(), name)) index = i;
    }
    if (index < 0) {
      params_.push_back(std::make_unique<TIBParam>(name));
      index = Count() - 1;
    }
    positions_.push_back(index);
  }
}

}  // namespace tv
