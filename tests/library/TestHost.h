#pragma once
// A test host for libtolvaren.so: loads a private copy of the library (so
// that every test starts from a freshly loaded library), hands it three
// procedures that record every question and answer from a script, and
// makes requests through the exported names, as a host program does.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/Variant.h"
#include "tolvaren/tolvaren.h"

namespace tv::test {

class TestLibrary {
 public:
  // Copies `path` into a new temporary folder (with the database support
  // library, and the forms library when one is named, beside it) and loads
  // the copy.
  explicit TestLibrary(const std::string& path, const std::string& formsLibrary = {});
  ~TestLibrary();
  TestLibrary(const TestLibrary&) = delete;
  TestLibrary& operator=(const TestLibrary&) = delete;

  // An entry point by name; fails the test when it is missing.
  void* Symbol(const char* name) const;
  template <class F>
  F Get(const char* name) const {
    return reinterpret_cast<F>(Symbol(name));
  }

  decltype(&::InitReports) InitReports;
  decltype(&::GetReportsInStringEx) GetReportsInStringEx;
  decltype(&::GetReportVars) GetReportVars;
  decltype(&::UpdateVidOpl) UpdateVidOpl;
  decltype(&::DCOMServerOnCreate) DCOMServerOnCreate;
  decltype(&::tv_last_error) LastError;
  decltype(&::tv_text_set) TextSet;
  decltype(&::tv_text_free) TextFree;
  decltype(&::tv_wide_free) WideFree;
  decltype(&::tv_variant_clear) Clear;

  // Fills *out with an owned copy of v through the library's setters.
  void Put(const Variant& v, TVVariant* out) const;

 private:
  std::string folder_;
  std::string copy_;
  void* handle_ = nullptr;
};

// A readable form of a C variant: 5, "text", d45000.5, true, empty, null,
// [1, 2] (arrays), c1.2345 (Currency).
std::string Render(const TVVariant* v);

class TestHost {
 public:
  using Answer = std::function<int32_t(TVVariant* result, int32_t param)>;

  // Becomes the current host; its answers are those of a station host with
  // an open shift 5 and its data folder at `dataFolder`.
  TestHost(const TestLibrary& lib, std::string dataFolder);
  ~TestHost();

  void Set(int code, Variant answer);
  // The host returns TV_HOST_FAILED, leaving `message` as its text when given.
  void Fail(int code, std::string message = {});
  // The host's procedure throws a C++ exception.
  void Throw(int code);
  void Forget(int code);
  // Every question fails (or throws); fills and sections too.
  void FailEverything(bool throwInstead);

  // Rows the fill procedure appends for `kind` (field name -> value).
  void SetFillRows(int kind, std::vector<std::map<std::string, Variant>> rows);
  void SetSection(int code, std::string text);
  // The report callback fails on `code` alone (TV_HOST_FAILED with `message`
  // as its text).
  void FailSection(int code, std::string message);
  // Replaces the fill of `kind` by a procedure of the test's own.
  void SetFillProc(int kind, std::function<int32_t(TVMemoryData*)> proc);

  static THostCallback Query();
  static THostFillDataProc Fill();
  static THostReportCallback Report();

  // What the library asked: "Q46/0", "F1", "R29 [5, 7, 0, \"x\"]", in order.
  std::vector<std::string> Events;
  // The field names (and types) of each data set handed to the fill.
  std::vector<std::string> FillFields;
  std::vector<std::string> Questions() const;  // the "Q" events only

  struct Reply {
    int32_t Result;
    std::string Text;   // Windows-1251
    std::string Error;  // tv_last_error after a failure
  };
  Reply Request(char code, const Variant& params, const std::string& initialText = {});
  Reply RequestRaw(char code, const TVVariant* params, const std::string& initialText = {});
  // InitReports with the three procedures; without a fill procedure when
  // `withFill` is false.
  int32_t Init(bool withFill = true);

 private:
  int32_t OnQuery(TVVariant* result, int32_t code, int32_t param);
  int32_t OnFill(int32_t kind, TVMemoryData* data);
  int32_t OnReport(TVText* text, int32_t code, const TVVariant* params);

  const TestLibrary& lib_;
  std::map<int, Answer> answers_;
  std::map<int, std::vector<std::map<std::string, Variant>>> rows_;
  std::map<int, std::string> sections_;
  std::map<int, std::string> failedSections_;
  std::map<int, std::function<int32_t(TVMemoryData*)>> fillProcs_;
  int failEverything_ = 0;  // 1 fail, 2 throw
};

}  // namespace tv::test
