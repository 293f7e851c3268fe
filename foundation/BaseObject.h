#pragma once
// TBaseObject owns the auxiliary objects a builder creates during its work
// (data sets, lists, temporary report objects): each is registered once and
// all are freed together, in registration order, when the owner goes.
//
// Registered objects are freed through FreeObj, which a subclass may
// override to release them otherwise. An entry leaves the list before it is
// freed, so a FreeObj that raises stops FreeAll with the later entries still
// registered (freed by the destructor), and nothing is ever freed twice.
// The list is made by the constructor, so an owner without one cannot
// exist here. A subclass that overrides FreeObj calls FreeAll in its own
// destructor: by the time ~TBaseObject runs, the override is gone.

#include <memory>
#include <vector>

namespace tv {

class TBaseObject {
 public:
  // One registered object: its address and how to destroy it.
  struct TOwnedObject {
    void* object = nullptr;
    void (*destroy)(void*) = nullptr;
  };

  TBaseObject() = default;
  // Frees every registered object; a failure of one FreeObj is reported to
  // the errors log and the rest are freed still.
  virtual ~TBaseObject();
  TBaseObject(const TBaseObject&) = delete;
  TBaseObject& operator=(const TBaseObject&) = delete;

  // Registers `obj` (owned from now on) and returns it unchanged.
  template <class T>
  T* RegObj(T* obj) {
    ownedObjects_.push_back(TOwnedObject{obj, [](void* p) { delete static_cast<T*>(p); }});
    return obj;
  }
  template <class T>
  T* RegObj(std::unique_ptr<T> obj) {
    return RegObj(obj.release());
  }
  // Dest := RegObj(Obj).
  template <class T>
  void RegObjTo(T*& dest, T* obj) {
    dest = RegObj(obj);
  }

  // Frees the registered objects from the first to the last and empties
  // the list; an exception of FreeObj passes on.
  void FreeAll();
  int OwnedCount() const { return static_cast<int>(ownedObjects_.size()); }

 protected:
  // Frees one registered object (nothing for a null one).
  virtual void FreeObj(const TOwnedObject& obj);

 private:
  std::vector<TOwnedObject> ownedObjects_;
};

}  // namespace tv
