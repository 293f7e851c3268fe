#include "host/HostLibrary.h"

#include <dlfcn.h>

#include <stdexcept>

namespace tv::host {

namespace {

template <class Fn>
void Resolve(void* handle, const char* name, Fn& fn) {
  void* p = dlsym(handle, name);
  if (p == nullptr) throw std::runtime_error(std::string("entry point not found: ") + name);
  fn = reinterpret_cast<Fn>(p);
}

}  // namespace

TolvarenLibrary::TolvarenLibrary(const std::string& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    throw std::runtime_error("cannot load " + path + ": " +
                             (why != nullptr ? why : "unknown error"));
  }
  try {
    Resolve(handle_, "InitReports", InitReports);
    Resolve(handle_, "GetReportsInStringEx", GetReportsInStringEx);
    Resolve(handle_, "GetReportVars", GetReportVars);
    Resolve(handle_, "UpdateVidOpl", UpdateVidOpl);
    Resolve(handle_, "DCOMServerOnCreate", DCOMServerOnCreate);
    Resolve(handle_, "AddRepDataToQueryFile", AddRepDataToQueryFile);
    Resolve(handle_, "ProcessQueryFile", ProcessQueryFile);
    Resolve(handle_, "ProcessTTNTable", ProcessTTNTable);
    Resolve(handle_, "tv_owner_create", OwnerCreate);
    Resolve(handle_, "tv_owner_free", OwnerFree);
    Resolve(handle_, "tv_provider_get_records", GetRecords);
    Resolve(handle_, "tv_provider_apply_delta", ApplyDelta);
    Resolve(handle_, "tv_variant_set_int", SetInt);
    Resolve(handle_, "tv_variant_set_double", SetDouble);
    Resolve(handle_, "tv_variant_set_bool", SetBool);
    Resolve(handle_, "tv_variant_set_date", SetDate);
    Resolve(handle_, "tv_variant_set_null", SetNull);
    Resolve(handle_, "tv_variant_set_string", SetString);
    Resolve(handle_, "tv_variant_set_array", SetArray);
    Resolve(handle_, "tv_variant_item", Item);
    Resolve(handle_, "tv_variant_item2", Item2);
    Resolve(handle_, "tv_variant_clear", Clear);
    Resolve(handle_, "tv_text_set", TextSet);
    Resolve(handle_, "tv_text_free", TextFree);
    Resolve(handle_, "tv_wide_free", WideFree);
    Resolve(handle_, "tv_last_error", LastError);
    Resolve(handle_, "tv_md_field_count", FieldCount);
    Resolve(handle_, "tv_md_field_name", FieldName);
    Resolve(handle_, "tv_md_append", Append);
    Resolve(handle_, "tv_md_set", SetField);
    Resolve(handle_, "tv_md_post", Post);
  } catch (...) {
    dlclose(handle_);
    throw;
  }
}

// The library stays loaded until the program ends, as in the station's
// application; its own shut-down runs at exit.
TolvarenLibrary::~TolvarenLibrary() = default;

}  // namespace tv::host
