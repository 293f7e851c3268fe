#pragma once
// libtolvaren.so as a host sees it: loaded with dlopen, every entry point
// resolved by name with dlsym, as the station's control application does.

#include <string>

#include "tolvaren/tolvaren.h"

namespace tv::host {

class TolvarenLibrary {
 public:
  // Loads the library (for the rest of the program); throws
  // std::runtime_error naming the file or the missing entry point.
  explicit TolvarenLibrary(const std::string& path);
  ~TolvarenLibrary();
  TolvarenLibrary(const TolvarenLibrary&) = delete;
  TolvarenLibrary& operator=(const TolvarenLibrary&) = delete;

  decltype(&::InitReports) InitReports = nullptr;
  decltype(&::GetReportsInStringEx) GetReportsInStringEx = nullptr;
  decltype(&::GetReportVars) GetReportVars = nullptr;
  decltype(&::UpdateVidOpl) UpdateVidOpl = nullptr;
  decltype(&::DCOMServerOnCreate) DCOMServerOnCreate = nullptr;
  decltype(&::AddRepDataToQueryFile) AddRepDataToQueryFile = nullptr;
  decltype(&::ProcessQueryFile) ProcessQueryFile = nullptr;
  decltype(&::ProcessTTNTable) ProcessTTNTable = nullptr;
  decltype(&::tv_owner_create) OwnerCreate = nullptr;
  decltype(&::tv_owner_free) OwnerFree = nullptr;
  decltype(&::tv_provider_get_records) GetRecords = nullptr;
  decltype(&::tv_provider_apply_delta) ApplyDelta = nullptr;

  decltype(&::tv_variant_set_int) SetInt = nullptr;
  decltype(&::tv_variant_set_double) SetDouble = nullptr;
  decltype(&::tv_variant_set_bool) SetBool = nullptr;
  decltype(&::tv_variant_set_date) SetDate = nullptr;
  decltype(&::tv_variant_set_null) SetNull = nullptr;
  decltype(&::tv_variant_set_string) SetString = nullptr;
  decltype(&::tv_variant_set_array) SetArray = nullptr;
  decltype(&::tv_variant_item) Item = nullptr;
  decltype(&::tv_variant_item2) Item2 = nullptr;
  decltype(&::tv_variant_clear) Clear = nullptr;
  decltype(&::tv_text_set) TextSet = nullptr;
  decltype(&::tv_text_free) TextFree = nullptr;
  decltype(&::tv_wide_free) WideFree = nullptr;
  decltype(&::tv_last_error) LastError = nullptr;
  decltype(&::tv_md_field_count) FieldCount = nullptr;
  decltype(&::tv_md_field_name) FieldName = nullptr;
  decltype(&::tv_md_append) Append = nullptr;
  decltype(&::tv_md_set) SetField = nullptr;
  decltype(&::tv_md_post) Post = nullptr;

 private:
  void* handle_ = nullptr;
};

}  // namespace tv::host
