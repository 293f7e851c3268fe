// The C entry points of libtolvaren.so. Each body is one guard: whatever
// fails inside becomes the entry point's documented result, with its
// message kept for tv_last_error; no exception leaves the library.
#include <cxxabi.h>

#include <cstring>
#include <new>
#include <string>

#include "exchange/ProviderRegistry.h"
#include "library/CVariant.h"
#include "library/ExchangeCalls.h"
#include "library/HostData.h"
#include "library/HostText.h"
#include "library/ReportCreator.h"
#include "library/ReportsInterface.h"
#include "library/ReportsLog.h"
#include "platform/os/Paths.h"
#include "tolvaren/tolvaren.h"

namespace tv {
namespace {

thread_local std::string lastError;

void NoteFailure(std::string message) noexcept {
  try {
    lastError = std::move(message);
  } catch (...) {
    lastError.clear();
  }
}

// Whether an entry point needs the root folder (its configuration, log and
// locks live there) or may answer without one.
enum class Root { kNeeded, kOptional };

// Runs `body`; on any failure keeps its message and returns `failed`.
// Without its root folder the start-up fails with a text that names the
// folder and how it is set.
template <class Result, class Body>
Result Guarded(Result failed, Body&& body, Root root = Root::kNeeded) {
  try {
    if (root == Root::kNeeded || RootFolderExists()) LibraryStartup();
    return body();
  } catch (abi::__forced_unwind&) {
    throw;
  } catch (const std::exception& e) {
    NoteFailure(ExceptionMessage(e));
  } catch (...) {
    NoteFailure("Unknown failure");
  }
  return failed;
}

TRxMemoryData& DataOf(TVMemoryData* data) {
  if (data == nullptr || data->data == nullptr) throw EDatabaseError("No data set");
  return *data->data;
}

const TRxMemoryData& DataOf(const TVMemoryData* data) {
  return DataOf(const_cast<TVMemoryData*>(data));
}

}  // namespace
}  // namespace tv

using tv::Guarded;

namespace {

// Clears a host variant and gives it a new type; false for a null pointer.
bool ResetVariant(TVVariant* v, uint16_t type) {
  if (v == nullptr) return false;
  tv::CVariantClear(v);
  v->vt = type;
  return true;
}

}  // namespace

extern "C" {

TOLVAREN_API void tv_variant_set_empty(TVVariant* v) { tv::CVariantClear(v); }

TOLVAREN_API void tv_variant_set_null(TVVariant* v) { ResetVariant(v, TV_VT_NULL); }

TOLVAREN_API void tv_variant_set_int(TVVariant* v, int32_t value) {
  if (ResetVariant(v, TV_VT_INTEGER)) v->u.i = value;
}

TOLVAREN_API void tv_variant_set_int64(TVVariant* v, int64_t value) {
  if (ResetVariant(v, TV_VT_INT64)) v->u.i64 = value;
}

TOLVAREN_API void tv_variant_set_double(TVVariant* v, double value) {
  if (ResetVariant(v, TV_VT_DOUBLE)) v->u.d = value;
}

TOLVAREN_API void tv_variant_set_bool(TVVariant* v, int32_t value) {
  if (ResetVariant(v, TV_VT_BOOLEAN)) v->u.i = value != 0 ? -1 : 0;
}

TOLVAREN_API void tv_variant_set_date(TVVariant* v, double value) {
  if (ResetVariant(v, TV_VT_DATE)) v->u.d = value;
}

TOLVAREN_API void tv_variant_set_currency(TVVariant* v, int64_t tenThousandths) {
  if (ResetVariant(v, TV_VT_CURRENCY)) v->u.i64 = tenThousandths;
}

TOLVAREN_API int32_t tv_variant_set_string(TVVariant* v, const char* text, size_t len) {
  return v != nullptr && tv::CVariantSetString(v, text, len) ? 0 : -1;
}

TOLVAREN_API int32_t tv_variant_set_olestr(TVVariant* v, const uint16_t* text, size_t len) {
  return v != nullptr && tv::CVariantSetOleStr(v, text, len) ? 0 : -1;
}

TOLVAREN_API int32_t tv_variant_set_array(TVVariant* v, int32_t dims, int32_t low1, int32_t high1,
                                          int32_t low2, int32_t high2) {
  return v != nullptr && tv::CVariantSetArray(v, dims, low1, high1, low2, high2) ? 0 : -1;
}

TOLVAREN_API TVVariant* tv_variant_item(TVVariant* v, int32_t i) { return tv::CVariantItem(v, i); }

TOLVAREN_API TVVariant* tv_variant_item2(TVVariant* v, int32_t i, int32_t j) {
  return tv::CVariantItem2(v, i, j);
}

TOLVAREN_API void tv_variant_clear(TVVariant* v) { tv::CVariantClear(v); }

TOLVAREN_API int32_t tv_text_set(TVText* text, const char* bytes, size_t len) {
  if (len == static_cast<size_t>(-1))
    len = bytes == nullptr ? 0 : std::char_traits<char>::length(bytes);
  if (bytes == nullptr) len = 0;
  return tv::TextSet(text, std::string_view(bytes == nullptr ? "" : bytes, len)) ? 0 : -1;
}

TOLVAREN_API void tv_text_free(TVText* text) { tv::TextFree(text); }

TOLVAREN_API void tv_wide_free(uint16_t* text) { tv::WideFree(text); }

TOLVAREN_API const char* tv_last_error(void) { return tv::lastError.c_str(); }

TOLVAREN_API int32_t tv_md_field_count(const TVMemoryData* data) {
  return Guarded(int32_t{0}, [&] { return static_cast<int32_t>(tv::DataOf(data).FieldCount()); });
}

TOLVAREN_API const char* tv_md_field_name(const TVMemoryData* data, int32_t index) {
  return Guarded(static_cast<const char*>(nullptr), [&]() -> const char* {
    const tv::TFieldDefs& fields = tv::DataOf(data).Fields();
    return index < 0 || index >= fields.Count() ? nullptr : fields[index].Name.c_str();
  });
}

TOLVAREN_API int32_t tv_md_field_type(const TVMemoryData* data, int32_t index) {
  return Guarded(int32_t{0}, [&]() -> int32_t {
    const tv::TFieldDefs& fields = tv::DataOf(data).Fields();
    return index < 0 || index >= fields.Count() ? 0 : static_cast<int32_t>(fields[index].DataType);
  });
}

TOLVAREN_API int32_t tv_md_add_field(TVMemoryData* data, const char* name, int32_t type,
                                     int32_t size) {
  return Guarded(int32_t{-1}, [&]() -> int32_t {
    tv::TRxMemoryData& d = tv::DataOf(data);
    if (name == nullptr || *name == '\0') throw tv::EDatabaseError("A field needs a name");
    if (d.RecordCount() > 0 || d.State() != tv::TRxMemoryData::dsBrowse) {
      throw tv::EDatabaseError("Fields can be added only to a data set without rows");
    }
    tv::TFieldDefs defs = d.Fields();
    defs.Add(name, static_cast<tv::TFieldType>(type), size);
    d.CopyStructure(defs);
    d.Open();
    return 0;
  });
}

TOLVAREN_API int32_t tv_md_append(TVMemoryData* data) {
  return Guarded(int32_t{-1}, [&] {
    tv::DataOf(data).Append();
    return int32_t{0};
  });
}

TOLVAREN_API int32_t tv_md_set(TVMemoryData* data, const char* fieldName, const TVVariant* value) {
  return Guarded(int32_t{-1}, [&] {
    tv::TRxMemoryData& d = tv::DataOf(data);
    if (d.State() != tv::TRxMemoryData::dsInsert) {
      throw tv::EDatabaseError("No appended row to set a field of");
    }
    d.FieldByName(fieldName == nullptr ? "" : fieldName).SetValue(tv::FromCVariant(value));
    return int32_t{0};
  });
}

TOLVAREN_API int32_t tv_md_post(TVMemoryData* data) {
  return Guarded(int32_t{-1}, [&] {
    tv::DataOf(data).Post();
    return int32_t{0};
  });
}

TOLVAREN_API int32_t tv_md_record_count(const TVMemoryData* data) {
  return Guarded(int32_t{0}, [&] { return static_cast<int32_t>(tv::DataOf(data).RecordCount()); });
}

TOLVAREN_API int32_t InitReports(THostFillDataProc fillData, THostCallback query,
                                 THostReportCallback reportFunc) {
  return Guarded(int32_t{0}, [&] {
    tv::InitReports(fillData, query, reportFunc);
    return int32_t{1};
  });
}

// A report without its root folder fails as every report that cannot be
// made does (the request's text says why); the requests that need no file
// still work.
TOLVAREN_API int32_t GetReportsInStringEx(int32_t code, const TVVariant* params, TVText* text) {
  return Guarded(
      int32_t{TV_REPORT_RAISED},
      [&]() -> int32_t {
        if (text == nullptr) throw tv::Exception("No text to return the report in");
        const tv::Variant request = tv::FromCVariant(params, "Params");
        const std::string_view given =
            text->data == nullptr ? std::string_view() : std::string_view(text->data, text->length);
        // The HTML version goes to the host without a copy of the library's own.
        if ((code & 0xFF) == '7') {
          const tv::THTMLDocument& html = tv::HandOverLastHTMLReport();
          if (!(html == given) && !tv::TextSet(text, html)) throw std::bad_alloc();
          return TV_REPORT_TRUE;
        }
        std::string out(given);
        const bool made = tv::GetReportsInStringEx(static_cast<char>(code & 0xFF), request, out);
        if (out != given && !tv::TextSet(text, out)) throw std::bad_alloc();
        return made ? TV_REPORT_TRUE : TV_REPORT_FALSE;
      },
      tv::Root::kOptional);
}

// The catalogue is built from the library's own tables: it needs no file.
TOLVAREN_API uint16_t* GetReportVars(void) {
  return Guarded(
      static_cast<uint16_t*>(nullptr),
      [] {
        uint16_t* text = tv::WideCopy(tv::GetReportVars());
        if (text == nullptr) throw std::bad_alloc();
        return text;
      },
      tv::Root::kOptional);
}

TOLVAREN_API void UpdateVidOpl(void) {
  Guarded(0, [] {
    tv::UpdateVidOpl();
    return 0;
  });
}

TOLVAREN_API void DCOMServerOnCreate(void* owner) {
  Guarded(0, [&] {
    tv::DCOMServerOnCreate(owner);
    return 0;
  });
}

TOLVAREN_API int32_t AddRepDataToQueryFile(const uint16_t* dbFolder, const uint16_t* exchangeFile) {
  return Guarded(int32_t{0}, [&] {
    tv::CallAddRepDataToQueryFile(dbFolder, exchangeFile);
    return int32_t{1};
  });
}

TOLVAREN_API int32_t ProcessQueryFile(const uint16_t* exchangeFile) {
  return Guarded(int32_t{0}, [&] {
    tv::CallProcessQueryFile(exchangeFile);
    return int32_t{1};
  });
}

TOLVAREN_API int32_t ProcessTTNTable(const uint16_t* dbFolder) {
  return Guarded(int32_t{0}, [&] {
    tv::CallProcessTTNTable(dbFolder);
    return int32_t{1};
  });
}

TOLVAREN_API TVProviderOwner* tv_owner_create(TVProviderProc registerProvider,
                                              TVProviderProc unregisterProvider, void* context) {
  return Guarded(static_cast<TVProviderOwner*>(nullptr), [&] {
    auto procedure = [context](TVProviderProc proc) -> tv::exchange::TProviderProc {
      if (proc == nullptr) return nullptr;
      return [proc, context](uintptr_t provider, const char* name) {
        proc(context, reinterpret_cast<TVProvider*>(provider), name);
      };
    };
    return reinterpret_cast<TVProviderOwner*>(tv::exchange::CreateProviderOwner(
        procedure(registerProvider), procedure(unregisterProvider)));
  });
}

TOLVAREN_API int32_t tv_owner_free(TVProviderOwner* owner) {
  return Guarded(int32_t{0}, [&] {
    tv::exchange::FreeProviderOwner(reinterpret_cast<uintptr_t>(owner));
    return int32_t{1};
  });
}

TOLVAREN_API int32_t tv_provider_get_records(TVProvider* provider, const char* commandText,
                                             TVText* packet) {
  return Guarded(int32_t{0}, [&] {
    if (packet == nullptr) throw tv::Exception("No text to return the packet in");
    const std::string packetText = tv::exchange::ProviderGetRecords(
        reinterpret_cast<uintptr_t>(provider), commandText == nullptr ? "" : commandText);
    if (!tv::TextSet(packet, packetText)) throw std::bad_alloc();
    return int32_t{1};
  });
}

TOLVAREN_API int32_t tv_provider_apply_delta(TVProvider* provider, const char* delta, size_t len,
                                             TVText* outcome) {
  return Guarded(int32_t{0}, [&] {
    if (outcome == nullptr) throw tv::Exception("No text to return the outcome in");
    if (delta == nullptr) throw tv::Exception("No delta given");
    const std::string_view text(delta, len == static_cast<size_t>(-1) ? std::strlen(delta) : len);
    const std::string result =
        tv::exchange::ProviderApplyDelta(reinterpret_cast<uintptr_t>(provider), text);
    if (!tv::TextSet(outcome, result)) throw std::bad_alloc();
    return int32_t{1};
  });
}

}  // extern "C"
