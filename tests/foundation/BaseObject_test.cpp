#include "foundation/BaseObject.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace tv {
namespace {

struct Tracked {
  Tracked(std::vector<std::string>& log, std::string name, bool failOnFree = false)
      : log_(log), name_(std::move(name)), fail_(failOnFree) {}
  ~Tracked() { log_.push_back(name_); }
  std::vector<std::string>& log_;
  std::string name_;
  bool fail_;
};

class Owner : public TBaseObject {
 public:
  ~Owner() override { FreeAll(); }
  int freeCalls = 0;

 protected:
  void FreeObj(const TOwnedObject& obj) override {
    ++freeCalls;
    if (static_cast<Tracked*>(obj.object)->fail_) throw std::runtime_error("free failed");
    TBaseObject::FreeObj(obj);
  }
};

TEST(BaseObject, FreesInRegistrationOrder) {
  std::vector<std::string> log;
  {
    TBaseObject owner;
    Tracked* a = new Tracked(log, "A");
    EXPECT_EQ(owner.RegObj(a), a);  // returned unchanged
    Tracked* b = nullptr;
    owner.RegObjTo(b, new Tracked(log, "B"));
    EXPECT_NE(b, nullptr);
    owner.RegObj(std::make_unique<Tracked>(log, "C"));
    EXPECT_EQ(owner.OwnedCount(), 3);
    EXPECT_TRUE(log.empty());
  }
  EXPECT_EQ(log, (std::vector<std::string>{"A", "B", "C"}));
}

TEST(BaseObject, AnOwnerWithoutObjectsCallsNoFreeObj) {
  Owner owner;
  owner.FreeAll();
  EXPECT_EQ(owner.freeCalls, 0);
}

TEST(BaseObject, AFailingFreeStopsFreeAllWithoutDoubleFrees) {
  std::vector<std::string> log;
  Tracked* bad = new Tracked(log, "Bad", true);
  {
    Owner owner;
    owner.RegObj(new Tracked(log, "A"));
    owner.RegObj(bad);
    owner.RegObj(new Tracked(log, "C"));
    EXPECT_THROW(owner.FreeAll(), std::runtime_error);
    EXPECT_EQ(log, (std::vector<std::string>{"A"}));
    EXPECT_EQ(owner.OwnedCount(), 1);  // only C is left
    owner.FreeAll();
    EXPECT_EQ(log, (std::vector<std::string>{"A", "C"}));
  }
  EXPECT_EQ(log, (std::vector<std::string>{"A", "C"}));
  delete bad;
}

}  // namespace
}  // namespace tv
