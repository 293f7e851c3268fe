#include "tests/library/TestHost.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"

namespace tv::test {

namespace {

TestHost* current = nullptr;

void CopyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out << in.rdbuf();
  if (!in || !out) throw std::runtime_error("cannot copy " + from);
}

std::string MakeFolder() {
  char name[] = "/tmp/tolvaren-lib-XXXXXX";
  if (mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
  return name;
}

}  // namespace

TestLibrary::TestLibrary(const std::string& path, const std::string& formsLibrary)
    : folder_(MakeFolder()) {
  copy_ = folder_ + "/libtolvaren.so";
  CopyFile(path, copy_);
  if (!formsLibrary.empty()) CopyFile(formsLibrary, folder_ + "/libReportForms.so");
  // Without its support library the library ends the process, as the
  // station's does: it must be found beside the copy.
  CopyFile(TOLVAREN_FBUTILS_LIBRARY, folder_ + "/libfbUtils.so");
  handle_ = dlopen(copy_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
  InitReports = Get<decltype(InitReports)>("InitReports");
  GetReportsInStringEx = Get<decltype(GetReportsInStringEx)>("GetReportsInStringEx");
  GetReportVars = Get<decltype(GetReportVars)>("GetReportVars");
  UpdateVidOpl = Get<decltype(UpdateVidOpl)>("UpdateVidOpl");
  DCOMServerOnCreate = Get<decltype(DCOMServerOnCreate)>("DCOMServerOnCreate");
  LastError = Get<decltype(LastError)>("tv_last_error");
  TextSet = Get<decltype(TextSet)>("tv_text_set");
  TextFree = Get<decltype(TextFree)>("tv_text_free");
  WideFree = Get<decltype(WideFree)>("tv_wide_free");
  Clear = Get<decltype(Clear)>("tv_variant_clear");
}

TestLibrary::~TestLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

void* TestLibrary::Symbol(const char* name) const {
  void* p = dlsym(handle_, name);
  if (p == nullptr) throw std::runtime_error(std::string("missing entry point ") + name);
  return p;
}

void TestLibrary::Put(const Variant& v, TVVariant* out) const {
  Clear(out);
  if (v.IsArray()) {
    const int dims = v.DimCount();
    const int lo2 = dims == 2 ? v.LowBound(2) : 0;
    const int hi2 = dims == 2 ? v.HighBound(2) : 0;
    Get<decltype(&::tv_variant_set_array)>("tv_variant_set_array")(out, dims, v.LowBound(1),
                                                                   v.HighBound(1), lo2, hi2);
    auto item = Get<decltype(&::tv_variant_item)>("tv_variant_item");
    auto item2 = Get<decltype(&::tv_variant_item2)>("tv_variant_item2");
    for (int i = v.LowBound(1); i <= v.HighBound(1); ++i) {
      if (dims == 1) {
        Put(v[i], item(out, i));
      } else {
        for (int j = lo2; j <= hi2; ++j) Put(v.At(i, j), item2(out, i, j));
      }
    }
    return;
  }
  switch (v.Type()) {
    case VarType::Empty:
      break;
    case VarType::Null:
      Get<decltype(&::tv_variant_set_null)>("tv_variant_set_null")(out);
      break;
    case VarType::Boolean:
      Get<decltype(&::tv_variant_set_bool)>("tv_variant_set_bool")(out, v.AsBoolean());
      break;
    case VarType::Double:
    case VarType::Single:
      Get<decltype(&::tv_variant_set_double)>("tv_variant_set_double")(out, v.AsDouble());
      break;
    case VarType::Date:
      Get<decltype(&::tv_variant_set_date)>("tv_variant_set_date")(out, v.AsDateTime());
      break;
    case VarType::Currency:
      Get<decltype(&::tv_variant_set_currency)>("tv_variant_set_currency")(out,
                                                                           v.AsCurrency().Raw());
      break;
    case VarType::Int64:
      Get<decltype(&::tv_variant_set_int64)>("tv_variant_set_int64")(out, v.AsInt64());
      break;
    case VarType::String:
    case VarType::OleStr: {
      const std::string s = v.AsString();
      Get<decltype(&::tv_variant_set_string)>("tv_variant_set_string")(out, s.data(), s.size());
      break;
    }
    default:
      Get<decltype(&::tv_variant_set_int)>("tv_variant_set_int")(out, v.AsInteger());
  }
}

std::string Render(const TVVariant* v) {
  if (v == nullptr) return "nil";
  switch (v->vt) {
    case TV_VT_EMPTY:
      return "empty";
    case TV_VT_NULL:
      return "null";
    case TV_VT_SMALLINT:
    case TV_VT_INTEGER:
    case TV_VT_BYTE:
      return std::to_string(v->u.i);
    case TV_VT_BOOLEAN:
      return v->u.i != 0 ? "true" : "false";
    case TV_VT_INT64:
      return std::to_string(v->u.i64) + "L";
    case TV_VT_CURRENCY:
      return "c" + std::to_string(v->u.i64);
    case TV_VT_DATE:
      return "d" + FloatToStr(v->u.d);
    case TV_VT_SINGLE:
    case TV_VT_DOUBLE:
      return FloatToStr(v->u.d);
    case TV_VT_STRING:
      return "\"" + std::string(v->u.str.ptr, v->u.str.len) + "\"";
    case TV_VT_OLESTR:
      return "w\"" +
             Utf16ToCp1251(
                 std::u16string(reinterpret_cast<const char16_t*>(v->u.wstr.ptr), v->u.wstr.len)) +
             "\"";
    case TV_VT_ARRAY: {
      const int64_t n1 = int64_t{v->u.arr.bounds[1]} - v->u.arr.bounds[0] + 1;
      const int64_t n2 =
          v->u.arr.dims == 2 ? int64_t{v->u.arr.bounds[3]} - v->u.arr.bounds[2] + 1 : 1;
      std::string out = "[";
      for (int64_t k = 0; k < n1 * n2; ++k) out += (k > 0 ? ", " : "") + Render(&v->u.arr.items[k]);
      return out + "]";
    }
    default:
      return "?" + std::to_string(v->vt);
  }
}

TestHost::TestHost(const TestLibrary& lib, std::string dataFolder) : lib_(lib) {
  current = this;
  Set(0, Variant(5));
  Set(1, Variant::FromDate(EncodeDateTime(2024, 3, 2, 20, 0, 0, 0)));
  Set(2, Variant("Иванова"_w));
  Set(5, Variant(std::move(dataFolder)));
  Set(9, Variant(2));
  Set(13, Variant("АЗС №1"_w));
  Set(46, Variant(0));
  Set(56, Variant(1));
  Set(87, Variant("руб."_w));
  Set(88, Variant(2));
  // The kinds of the payment types, one per index: the code's base kind, as
  // a station announcing codes 0 .. 12 and 104 answers.
  Variant kinds = VarArrayCreate({0, 13}, VarType::Variant);
  for (int i = 0; i < 14; ++i) kinds[i] = Variant(i < 13 ? i : 4);
  Set(27, kinds);
}

TestHost::~TestHost() {
  if (current == this) current = nullptr;
}

void TestHost::Set(int code, Variant answer) {
  answers_[code] = [this, answer](TVVariant* result, int32_t) {
    lib_.Put(answer, result);
    return TV_HOST_OK;
  };
}

void TestHost::Fail(int code, std::string message) {
  answers_[code] = [this, message](TVVariant* result, int32_t) {
    if (!message.empty()) lib_.Put(Variant(message), result);
    return TV_HOST_FAILED;
  };
}

void TestHost::Throw(int code) {
  answers_[code] = [](TVVariant*, int32_t) -> int32_t { throw std::runtime_error("host throws"); };
}

void TestHost::Forget(int code) { answers_.erase(code); }

void TestHost::FailEverything(bool throwInstead) { failEverything_ = throwInstead ? 2 : 1; }

void TestHost::SetFillRows(int kind, std::vector<std::map<std::string, Variant>> rows) {
  rows_[kind] = std::move(rows);
}

void TestHost::SetSection(int code, std::string text) { sections_[code] = std::move(text); }

void TestHost::FailSection(int code, std::string message) {
  failedSections_[code] = std::move(message);
}

void TestHost::SetFillProc(int kind, std::function<int32_t(TVMemoryData*)> proc) {
  fillProcs_[kind] = std::move(proc);
}

THostCallback TestHost::Query() {
  return [](TVVariant* result, int32_t code, int32_t param) {
    return current->OnQuery(result, code, param);
  };
}

THostFillDataProc TestHost::Fill() {
  return [](int32_t kind, TVMemoryData* data) { return current->OnFill(kind, data); };
}

THostReportCallback TestHost::Report() {
  return [](TVText* text, int32_t code, const TVVariant* params) {
    return current->OnReport(text, code, params);
  };
}

std::vector<std::string> TestHost::Questions() const {
  std::vector<std::string> out;
  for (const std::string& e : Events) {
    if (e[0] == 'Q') out.push_back(e);
  }
  return out;
}

int32_t TestHost::OnQuery(TVVariant* result, int32_t code, int32_t param) {
  Events.push_back("Q" + std::to_string(code) + "/" + std::to_string(param));
  if (failEverything_ == 2) throw std::runtime_error("host throws");
  if (failEverything_ == 1) return TV_HOST_FAILED;
  auto it = answers_.find(code);
  if (it == answers_.end()) return TV_HOST_FAILED;
  return it->second(result, param);
}

int32_t TestHost::OnFill(int32_t kind, TVMemoryData* data) {
  Events.push_back("F" + std::to_string(kind));
  if (failEverything_ == 2) throw std::runtime_error("host throws");
  if (failEverything_ == 1) return TV_HOST_FAILED;
  auto count = lib_.Get<decltype(&::tv_md_field_count)>("tv_md_field_count");
  auto name = lib_.Get<decltype(&::tv_md_field_name)>("tv_md_field_name");
  std::string fields;
  for (int i = 0; i < count(data); ++i) fields += std::string(i > 0 ? "," : "") + name(data, i);
  FillFields.push_back(fields);
  if (auto it = fillProcs_.find(kind); it != fillProcs_.end()) return it->second(data);
  auto append = lib_.Get<decltype(&::tv_md_append)>("tv_md_append");
  auto set = lib_.Get<decltype(&::tv_md_set)>("tv_md_set");
  auto post = lib_.Get<decltype(&::tv_md_post)>("tv_md_post");
  for (const auto& row : rows_[kind]) {
    if (append(data) != 0) return TV_HOST_FAILED;
    for (const auto& [field, value] : row) {
      TVVariant v{};
      lib_.Put(value, &v);
      const int32_t rc = set(data, field.c_str(), &v);
      lib_.Clear(&v);
      if (rc != 0) return TV_HOST_FAILED;
    }
    if (post(data) != 0) return TV_HOST_FAILED;
  }
  return TV_HOST_OK;
}

int32_t TestHost::OnReport(TVText* text, int32_t code, const TVVariant* params) {
  Events.push_back("R" + std::to_string(code) + " " + Render(params));
  if (failEverything_ == 2) throw std::runtime_error("host throws");
  if (failEverything_ == 1) return TV_HOST_FAILED;
  if (auto it = failedSections_.find(code); it != failedSections_.end()) {
    lib_.TextSet(text, it->second.data(), it->second.size());
    return TV_HOST_FAILED;
  }
  const std::string& s = sections_[code];
  return lib_.TextSet(text, s.data(), s.size()) == 0 ? TV_HOST_OK : TV_HOST_FAILED;
}

TestHost::Reply TestHost::Request(char code, const Variant& params,
                                  const std::string& initialText) {
  TVVariant p{};
  lib_.Put(params, &p);
  Reply reply = RequestRaw(code, &p, initialText);
  lib_.Clear(&p);
  return reply;
}

TestHost::Reply TestHost::RequestRaw(char code, const TVVariant* params,
                                     const std::string& initialText) {
  TVText text{};
  if (!initialText.empty()) lib_.TextSet(&text, initialText.data(), initialText.size());
  Reply reply;
  reply.Result = lib_.GetReportsInStringEx(static_cast<unsigned char>(code), params, &text);
  reply.Text = text.data == nullptr ? std::string() : std::string(text.data, text.length);
  reply.Error = reply.Result == TV_REPORT_RAISED ? std::string(lib_.LastError()) : std::string();
  lib_.TextFree(&text);
  return reply;
}

int32_t TestHost::Init(bool withFill) {
  return lib_.InitReports(withFill ? Fill() : nullptr, Query(), Report());
}

}  // namespace tv::test
