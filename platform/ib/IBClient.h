#pragma once
// Internal to platform/ib: helpers around the client library's OO interface
// (status objects that raise, references that release, date conversion).
//
// The layer uses the OO interface (IMaster, IAttachment, IStatement ...)
// rather than the classic isc_* calls: message metadata gives every
// column's offset and null flag without XSQLDA bookkeeping, a parameter can
// be passed in its own type and Firebird converts it to the one the
// statement wants, the library's builders write connection and transaction
// options, and each object is given back through one release.

#include <firebird/Interface.h>

#include <utility>

#include "platform/text/DateTime.h"
#include "platform/ib/IBEnvironment.h"
#include "platform/ib/IBError.h"

namespace tv::ib_detail {

// A status whose every call raises EIBInterBaseError with Firebird's text as
// soon as the call fails, so that no failed call's result is ever used. A
// call may fail and still return what looks like a good result: after the
// engine has shut a connection down, fetchNext returns 0 (RESULT_OK) with
// "connection shutdown" in its status. Each call also clears what the one
// before left, which is why a check after several calls would miss all but
// the last failure.
class IBRaisingStatusWrapper : public Firebird::BaseStatusWrapper<IBRaisingStatusWrapper> {
 public:
  explicit IBRaisingStatusWrapper(Firebird::IStatus* status) : BaseStatusWrapper(status) {}
  static void checkException(IBRaisingStatusWrapper* status) {
    if (status->dirty && (status->getState() & Firebird::IStatus::STATE_ERRORS) != 0)
      CheckIBStatus(status);
  }
};

// A status object for one or more calls. `IBStatus` raises on every failed
// call; `IBQuietStatus`, for the clean-up paths that must go on after a
// failure (closing, detaching, ending a transaction), leaves each call's
// outcome to Failed() and Check().
template <class Wrapper>
class BasicIBStatus {
 public:
  BasicIBStatus() : raw_(FirebirdMaster()->getStatus()), wrapper_(raw_) {}
  ~BasicIBStatus() { raw_->dispose(); }
  BasicIBStatus(const BasicIBStatus&) = delete;
  BasicIBStatus& operator=(const BasicIBStatus&) = delete;

  Wrapper* operator&() { return &wrapper_; }
  void Check() {
    if (Failed()) {
      try {
        CheckIBStatus(&wrapper_);
      } catch (...) {
        wrapper_.init();
        throw;
      }
    }
  }
  bool Failed() const { return (wrapper_.getState() & Firebird::IStatus::STATE_ERRORS) != 0; }
  void Clear() { wrapper_.init(); }

 private:
  Firebird::IStatus* raw_;
  Wrapper wrapper_;
};

using IBStatus = BasicIBStatus<IBRaisingStatusWrapper>;
using IBQuietStatus = BasicIBStatus<Firebird::CheckStatusWrapper>;

// Holds one reference of a client-library object and releases it.
template <class T>
class FbRef {
 public:
  FbRef() = default;
  explicit FbRef(T* p) : p_(p) {}
  ~FbRef() { Reset(); }
  FbRef(FbRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  FbRef& operator=(FbRef&& o) noexcept {
    if (this != &o) {
      Reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  FbRef(const FbRef&) = delete;
  FbRef& operator=(const FbRef&) = delete;

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Forgets the object without releasing it (a call such as commit or
  // detach has released it already).
  T* Detach() { return std::exchange(p_, nullptr); }
  void Reset(T* p = nullptr) {
    if (p_ != nullptr) p_->release();
    p_ = p;
  }

 private:
  T* p_ = nullptr;
};

// Firebird counts days from 1858-11-17, the runtime from 1899-12-30.
constexpr int kIscDateOfDateTimeZero = 15018;
constexpr double kIscTimeUnitsPerDay = 864000000.0;  // 1/10000 s

TDateTime IscToDateTime(ISC_DATE date, ISC_TIME time);
void DateTimeToIsc(TDateTime value, ISC_DATE& date, ISC_TIME& time);

}  // namespace tv::ib_detail
