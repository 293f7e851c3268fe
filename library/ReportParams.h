#pragma once
// The parameter array of a report request as the dispatcher reads it: a
// one-dimensional variant array with low bound 0 whose length is its high
// bound + 1. Each accessor reads one element with one conversion; a missing
// element raises the variant's index error ("Params[5]: Variant or safe
// array index out of bounds"), a value that does not convert the variant's
// conversion error, and a parameter that is not an array the variant's error
// for that ("Params: Invalid argument"), each named after the element.

#include <exception>
#include <string>

#include "platform/text/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/data/Variant.h"

namespace tv {

namespace report_params_detail {

// Runs `read`; a failure is raised again with `name` in front.
template <class Read>
decltype(auto) Named(const std::string& name, Read&& read) {
  try {
    return read();
  } catch (const Exception& e) {
    e.Clone(name + ": " + e.Message())->Raise();
  }
  std::terminate();  // Raise does not return
}

}  // namespace report_params_detail

class TReportParams {
 public:
  explicit TReportParams(const Variant& params) : params_(params) {}

  // High bound of dimension 1, plus 1.
  int Length() const {
    return report_params_detail::Named("Params", [&] { return params_.HighBound(1) + 1; });
  }
  const Variant& Array() const { return params_; }

  // A failure names the element: "Params[3]: Invalid argument".
  int I(int n) const {
    return report_params_detail::Named(Element(n), [&] { return params_[n].AsInteger(); });
  }
  TDateTime D(int n) const {
    return report_params_detail::Named(Element(n), [&] { return params_[n].AsDateTime(); });
  }
  std::string S(int n) const {
    return report_params_detail::Named(Element(n), [&] { return params_[n].AsString(); });
  }
  bool B(int n) const {
    return report_params_detail::Named(Element(n), [&] { return params_[n].AsBoolean(); });
  }
  const Variant& V(int n) const {
    return report_params_detail::Named(Element(n), [&]() -> const Variant& { return params_[n]; });
  }

 private:
  static std::string Element(int n) { return "Params[" + std::to_string(n) + "]"; }

  const Variant& params_;
};

}  // namespace tv
