#pragma once
// The component model the data-access classes live in: a component has a
// name and an owner; an owner frees, when it goes, the components it owns
// (the last inserted first). A component without an owner belongs to whoever
// made it.

#include <string>
#include <vector>

namespace tv {

class TComponent {
 public:
  // Inserts the new component into `owner`'s owned components when given.
  explicit TComponent(TComponent* owner = nullptr);
  // Leaves its owner and frees every component it owns.
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  TComponent* Owner() const { return owner_; }

  // Takes ownership of `component` (which leaves its previous owner).
  void InsertComponent(TComponent* component);
  // Gives up ownership of `component`; it then has no owner.
  void RemoveComponent(TComponent* component);
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }

 private:
  std::string name_;
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
};

}  // namespace tv
