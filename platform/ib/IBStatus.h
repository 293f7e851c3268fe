#pragma once
// Internal to platform/ib: a status object of the client library that raises
// EIBInterBaseError, for the calls of the OO interface.

#include <firebird/Interface.h>

#include "platform/ib/IBEnvironment.h"
#include "platform/ib/IBError.h"

namespace tv::ib_detail {

class IBStatus {
 public:
  IBStatus() : raw_(FirebirdMaster()->getStatus()), wrapper_(raw_) {}
  ~IBStatus() { raw_->dispose(); }
  IBStatus(const IBStatus&) = delete;
  IBStatus& operator=(const IBStatus&) = delete;

  // The wrapper handed to the interface methods.
  Firebird::CheckStatusWrapper* operator&() { return &wrapper_; }
  // Raises the pending error, if any, and clears the status for the next call.
  void Check() {
    if (wrapper_.getState() & Firebird::IStatus::STATE_ERRORS) {
      CheckIBStatus(&wrapper_);
    }
    wrapper_.init();
  }
  bool Failed() const { return (wrapper_.getState() & Firebird::IStatus::STATE_ERRORS) != 0; }
  void Clear() { wrapper_.init(); }

 private:
  Firebird::IStatus* raw_;
  Firebird::CheckStatusWrapper wrapper_;
};

}  // namespace tv::ib_detail
