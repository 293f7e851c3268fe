#pragma once
// The parameter array of a report request as the dispatcher reads it: a
// one-dimensional variant array with low bound 0 whose length is its high
// bound + 1. Each accessor reads one element with one conversion; a missing
// element raises the variant's index error ("Variant or safe array index
// out of bounds"), a value that does not convert the variant's conversion
// error, and a parameter that is not an array the variant's error for that.

#include <string>

#include "platform/DateTime.h"
#include "platform/Variant.h"

namespace tv {

class TReportParams {
 public:
  explicit TReportParams(const Variant& params) : params_(params) {}

  // High bound of dimension 1, plus 1.
  int Length() const { return params_.HighBound(1) + 1; }
  const Variant& Array() const { return params_; }

  int I(int n) const { return params_[n].AsInteger(); }
  TDateTime D(int n) const { return params_[n].AsDateTime(); }
  std::string S(int n) const { return params_[n].AsString(); }
  bool B(int n) const { return params_[n].AsBoolean(); }
  const Variant& V(int n) const { return params_[n]; }

 private:
  const Variant& params_;
};

}  // namespace tv
