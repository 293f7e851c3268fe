#include "foundation/BaseObject.h"

#include <exception>
#include <string>

#include "foundation/FileLogger.h"

namespace tv {

void TBaseObject::FreeObj(const TOwnedObject& obj) {
  if (obj.object != nullptr && obj.destroy != nullptr) obj.destroy(obj.object);
}

void TBaseObject::FreeAll() {
  std::size_t done = 0;
  try {
    for (; done < ownedObjects_.size(); ++done) FreeObj(ownedObjects_[done]);
  } catch (...) {
    // The failed entry counts as gone; the later ones stay registered.
    ownedObjects_.erase(ownedObjects_.begin(), ownedObjects_.begin() + done + 1);
    throw;
  }
  ownedObjects_.clear();
}

TBaseObject::~TBaseObject() {
  // A destructor may not raise: report each failure and go on, so that no
  // registered object is left behind.
  while (!ownedObjects_.empty()) {
    try {
      FreeAll();
    } catch (const std::exception& e) {
      ErrorsWriter().Log(std::string("TBaseObject.Destroy -> ") + e.what(), 2);
    } catch (...) {
      ErrorsWriter().Log("TBaseObject.Destroy -> ?", 2);
    }
  }
}

}  // namespace tv
