#include "exchange/ProviderRegistry.h"

#include <map>
#include <memory>
#include <mutex>

#include "exchange/DCOMDataModule.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"

namespace tv::exchange {

namespace {

// A provider handle is its owner's id times 16 plus its index plus 1.
constexpr uintptr_t kHandleSpan = 16;

class TOwnerEntry : public TProviderOwner {
 public:
  TOwnerEntry(uintptr_t id, TProviderProc reg, TProviderProc unreg)
      : id_(id), register_(std::move(reg)), unregister_(std::move(unreg)) {}
  void RegisterProvider(int index, const std::string& name) override {
    if (register_) register_(Handle(index), name.c_str());
  }
  void UnRegisterProvider(int index, const std::string& name) override {
    if (unregister_) unregister_(Handle(index), name.c_str());
  }
  uintptr_t Handle(int index) const { return id_ * kHandleSpan + index + 1; }
  void ForgetProcedures() {
    register_ = nullptr;
    unregister_ = nullptr;
  }

  std::shared_ptr<TDCOMDataModule> Module;

 private:
  uintptr_t id_;
  TProviderProc register_;
  TProviderProc unregister_;
};

struct Registry {
  std::mutex lock;
  uintptr_t lastId = 0;
  std::map<uintptr_t, std::shared_ptr<TOwnerEntry>> owners;
};

// Never destroyed: a module left alive at exit must not close its
// connection after the database engine has gone.
Registry& R() {
  static Registry* registry = new Registry;
  return *registry;
}

[[noreturn]] void UnknownOwner() {
  throw EDatabaseError("Владелец модуля данных не найден: он не создан или уже освобожден"_w);
}

// The module and provider index of a handle.
std::pair<std::shared_ptr<TDCOMDataModule>, int> Find(uintptr_t provider) {
  std::lock_guard<std::mutex> hold(R().lock);
  const int index = static_cast<int>(provider % kHandleSpan) - 1;
  auto it = R().owners.find(provider / kHandleSpan);
  if (index < 0 || index >= kProviderCount || it == R().owners.end() || !it->second->Module) {
    throw EDatabaseError(
        "Провайдер не найден: неверный дескриптор, или его модуль данных освобожден"_w);
  }
  return {it->second->Module, index};
}

}  // namespace

uintptr_t CreateProviderOwner(TProviderProc registerProc, TProviderProc unregisterProc) {
  std::lock_guard<std::mutex> hold(R().lock);
  const uintptr_t id = ++R().lastId;
  R().owners.emplace(id, std::make_shared<TOwnerEntry>(id, std::move(registerProc), std::move(unregisterProc)));
  return id;
}

void FreeProviderOwner(uintptr_t owner) {
  std::shared_ptr<TOwnerEntry> entry;
  {
    std::lock_guard<std::mutex> hold(R().lock);
    auto it = R().owners.find(owner);
    if (it == R().owners.end()) UnknownOwner();
    entry = std::move(it->second);
    R().owners.erase(it);
  }
  // Waits for a call in progress; later calls find no owner.
  if (entry->Module) entry->Module->Destroy();
}

void CreateDCOMDataModule(uintptr_t owner, const TExchangeHost& host) {
  std::shared_ptr<TOwnerEntry> entry;
  {
    std::lock_guard<std::mutex> hold(R().lock);
    auto it = R().owners.find(owner);
    if (it == R().owners.end()) UnknownOwner();
    if (it->second->Module) throw EDatabaseError("У владельца уже есть модуль данных"_w);
    entry = it->second;
  }
  auto module = std::make_shared<TDCOMDataModule>(entry.get(), host);
  std::lock_guard<std::mutex> hold(R().lock);
  if (R().owners.count(owner) == 0 || entry->Module) {
    // Freed, or given a module by another thread, meanwhile.
    module->Destroy();
    UnknownOwner();
  }
  entry->Module = std::move(module);
}

void CloseAllProviderOwners() {
  std::map<uintptr_t, std::shared_ptr<TOwnerEntry>> owners;
  {
    std::lock_guard<std::mutex> hold(R().lock);
    owners.swap(R().owners);
  }
  for (auto& [id, entry] : owners) {
    if (!entry->Module) continue;
    entry->ForgetProcedures();
    entry->Module->Destroy();
  }
}

std::string ProviderGetRecords(uintptr_t provider, const std::string& commandText) {
  auto [module, index] = Find(provider);
  return module->GetRecords(index, commandText);
}

std::string ProviderApplyDelta(uintptr_t provider, std::string_view delta) {
  auto [module, index] = Find(provider);
  const std::vector<TDeltaItem> items = ReadDeltaPacket(delta);
  return OutcomePacket(module->ApplyUpdates(index, items));
}

}  // namespace tv::exchange
