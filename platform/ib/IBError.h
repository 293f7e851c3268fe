#pragma once
// Exceptions of the data-access layer.
//
//   EDatabaseError            field and data-set misuse ("Field 'X' not found")
//   `- EIBError               anything of this layer
//      |- EIBInterBaseError   a failure reported by Firebird: the message is
//      |                      Firebird's own text, its lines joined by CR LF
//      `- EIBClientError      the layer refused a call (no database assigned,
//                             data set not open, ...)

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Exceptions.h"

namespace Firebird {
class IStatus;
}

namespace tv {

class EIBError : public EDatabaseError {
 public:
  explicit EIBError(std::string message, int sqlCode = 0, int64_t ibErrorCode = 0)
      : EDatabaseError(std::move(message)), sqlCode_(sqlCode), ibErrorCode_(ibErrorCode) {}

  // SQLCODE of the failure (for example -104 for a syntax error), 0 when none.
  int SQLCode() const noexcept { return sqlCode_; }
  // The first Firebird status code (isc_...), 0 when none.
  int64_t IBErrorCode() const noexcept { return ibErrorCode_; }

  const char* ClassName() const noexcept override { return "EIBError"; }
  std::unique_ptr<Exception> Clone(std::string message) const override {
    return std::make_unique<EIBError>(std::move(message), sqlCode_, ibErrorCode_);
  }
  [[noreturn]] void Raise() const override { throw *this; }

 private:
  int sqlCode_;
  int64_t ibErrorCode_;
};

#define TV_IB_ERROR_CLASS(Name)                                                    \
  class Name : public EIBError {                                                   \
   public:                                                                         \
    using EIBError::EIBError;                                                      \
    const char* ClassName() const noexcept override { return #Name; }              \
    std::unique_ptr<Exception> Clone(std::string message) const override {         \
      return std::make_unique<Name>(std::move(message), SQLCode(), IBErrorCode()); \
    }                                                                              \
    [[noreturn]] void Raise() const override { throw *this; }                      \
  }

TV_IB_ERROR_CLASS(EIBInterBaseError);
TV_IB_ERROR_CLASS(EIBClientError);

#undef TV_IB_ERROR_CLASS

// Firebird's text of the errors in `status`: the interpreted lines joined by
// CR LF, converted to Windows-1251 where Firebird gave UTF-8 (file names).
std::string IBStatusText(Firebird::IStatus* status);

// Throws EIBInterBaseError with the errors of `status` when it holds any.
void CheckIBStatus(Firebird::IStatus* status);

}  // namespace tv
