#include "library/HostCallbacks.h"

#include <cxxabi.h>

#include "library/CVariant.h"
#include "library/HostData.h"
#include "library/HostText.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"

namespace tv {

THostFillDataProc HostFillDataProc = nullptr;
THostCallback HostCallback = nullptr;
THostReportCallback HostReportFunc = nullptr;

void StoreHostProcs(THostFillDataProc fill, THostCallback query, THostReportCallback report) {
  if (fill != nullptr) HostFillDataProc = fill;
  if (query != nullptr) HostCallback = query;
  if (report != nullptr) HostReportFunc = report;
}

void ClearHostProcs() {
  HostFillDataProc = nullptr;
  HostCallback = nullptr;
  HostReportFunc = nullptr;
}

namespace {

// Calls a host procedure. A C++ exception that a host written in C++ lets
// escape is its failure, like a non-zero result; a thread cancellation
// passes on untouched.
template <class Call>
bool CallHost(Call&& call) {
  try {
    return call() == TV_HOST_OK;
  } catch (abi::__forced_unwind&) {
    throw;
  } catch (...) {
    return false;
  }
}

// Frees a C variant when the scope ends, also on the error paths.
struct CVariantHolder {
  TVVariant v{};
  ~CVariantHolder() { CVariantClear(&v); }
};

}  // namespace

Variant AskHost(int code, int param) {
  if (HostCallback == nullptr) {
    throw EHostCallbackError(
        Format("Программа-хост не передала процедуру запросов (запрос %d)"_w, {code}));
  }
  CVariantHolder result;
  const THostCallback proc = HostCallback;
  if (!CallHost([&] { return proc(&result.v, code, param); })) {
    std::string message;
    if (result.v.vt == TV_VT_STRING && result.v.u.str.ptr != nullptr) {
      message.assign(result.v.u.str.ptr, result.v.u.str.len);
    }
    if (message.empty()) {
      message = Format("Программа-хост не ответила на запрос %d"_w, {code});
    }
    throw EHostCallbackError(message);
  }
  try {
    // The readers of the answers count from 0; a COM host's array may not.
    return ZeroBased(FromCVariant(&result.v));
  } catch (const Exception& e) {
    throw EHostCallbackError(
        Format("Неверный ответ программы-хоста на запрос %d: %s"_w, {code, e.Message()}));
  }
}

THostQuery HostQuery() {
  return [](Variant& result, int code, int param) { result = AskHost(code, param); };
}

void FillHostData(int kind, TRxMemoryData& data) {
  if (HostFillDataProc == nullptr) {
    throw EHostCallbackError(
        Format("Программа-хост не передала процедуру заполнения данных (вид %d)"_w, {kind}));
  }
  TVMemoryData handle{&data};
  const THostFillDataProc proc = HostFillDataProc;
  const bool ok = CallHost([&] { return proc(kind, &handle); });
  // A row the host left open counts as stored when it answered, as the
  // data set would post it on its next move; after a failure it is dropped.
  if (data.State() == TRxMemoryData::dsInsert || data.State() == TRxMemoryData::dsEdit) {
    if (ok) {
      data.Post();
    } else {
      data.Cancel();
    }
  }
  if (!ok) {
    throw EHostCallbackError(Format("Программа-хост не заполнила данные смены (вид %d)"_w, {kind}));
  }
}

std::string HostReportText(int code, const Variant& params) {
  if (HostReportFunc == nullptr) {
    throw EHostCallbackError(
        Format("Программа-хост не передала процедуру отчетов (код %d)"_w, {code}));
  }
  CVariantHolder cparams;
  ToCVariant(params, &cparams.v);
  TVText text{};
  const THostReportCallback proc = HostReportFunc;
  const bool ok = CallHost([&] { return proc(&text, code, &cparams.v); });
  std::string result = TextOf(text);
  TextFree(&text);
  if (!ok) {
    if (result.empty()) result = Format("Программа-хост не ответила на запрос отчета %d"_w, {code});
    throw EHostCallbackError(result);
  }
  return result;
}

}  // namespace tv
