#pragma once
// The runtime's exception family. Every failure of the library is an
// Exception (or a subclass) carrying its message in Windows-1251; the class
// name is part of report error texts, so each class reports its own.
//
// Chained contexts ("outer -> inner -> message") are built by re-raising a
// copy of the caught exception of the same class with a longer message
// (MakeContextException in foundation), hence Clone and Raise.

#include <memory>
#include <stdexcept>
#include <string>

namespace tv {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  ~Exception() override = default;

  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

  // The runtime class name, for example "EConvertError".
  virtual const char* ClassName() const noexcept { return "Exception"; }
  // A new object of the same dynamic class with another message.
  virtual std::unique_ptr<Exception> Clone(std::string message) const {
    return std::make_unique<Exception>(std::move(message));
  }
  // Throws *this with its dynamic type.
  [[noreturn]] virtual void Raise() const { throw *this; }

 private:
  std::string message_;
};

// Declares an exception class of the family: TV_EXCEPTION_CLASS(EFoo, Exception).
#define TV_EXCEPTION_CLASS(Name, Base)                                            \
  class Name : public Base {                                                      \
   public:                                                                        \
    using Base::Base;                                                             \
    const char* ClassName() const noexcept override { return #Name; }             \
    std::unique_ptr<::tv::Exception> Clone(std::string message) const override {  \
      return std::make_unique<Name>(std::move(message));                          \
    }                                                                             \
    [[noreturn]] void Raise() const override { throw *this; }                     \
  }

TV_EXCEPTION_CLASS(EConvertError, Exception);
TV_EXCEPTION_CLASS(EVariantError, Exception);
TV_EXCEPTION_CLASS(EVariantTypeCastError, EVariantError);
TV_EXCEPTION_CLASS(EVariantBadIndexError, EVariantError);
TV_EXCEPTION_CLASS(EListError, Exception);
TV_EXCEPTION_CLASS(EStringListError, Exception);
TV_EXCEPTION_CLASS(EInOutError, Exception);
TV_EXCEPTION_CLASS(EFOpenError, Exception);
TV_EXCEPTION_CLASS(EFCreateError, Exception);
TV_EXCEPTION_CLASS(EReadError, Exception);
TV_EXCEPTION_CLASS(EWriteError, Exception);
TV_EXCEPTION_CLASS(EOSError, Exception);
TV_EXCEPTION_CLASS(EIniFileException, Exception);
TV_EXCEPTION_CLASS(EDatabaseError, Exception);
TV_EXCEPTION_CLASS(EZeroDivide, Exception);
TV_EXCEPTION_CLASS(EOverflow, Exception);
TV_EXCEPTION_CLASS(EInvalidOp, Exception);
TV_EXCEPTION_CLASS(ERangeError, Exception);
TV_EXCEPTION_CLASS(EAccessViolation, Exception);
TV_EXCEPTION_CLASS(EOutOfMemory, Exception);

}  // namespace tv
