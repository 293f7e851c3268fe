#include "host/HostAnswers.h"

#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/Registry.h"
#include "platform/text/StringList.h"
#include "platform/SysUtils.h"

namespace tv::host {

namespace {

const THostAnswers* current = nullptr;

// The section texts of [Sections] write a line break as "\n".
std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

TDateTime DefaultShiftBegin() { return Date() + EncodeTime(8, 0, 0, 0); }

}  // namespace

THostAnswers::THostAnswers(const TolvarenLibrary& library, THostConfig config,
                           std::function<void(const std::string&)> trace)
    : lib_(library), config_(std::move(config)), trace_(std::move(trace)) {
  current = this;
}

THostAnswers::~THostAnswers() {
  if (current == this) current = nullptr;
}

THostCallback THostAnswers::Query() {
  return [](TVVariant* result, int32_t code, int32_t param) -> int32_t {
    return current == nullptr ? TV_HOST_FAILED : current->Answer(result, code, param);
  };
}

THostFillDataProc THostAnswers::Fill() {
  return [](int32_t kind, TVMemoryData* data) -> int32_t {
    return current == nullptr ? TV_HOST_FAILED : current->FillData(kind, data);
  };
}

THostReportCallback THostAnswers::Report() {
  return [](TVText* text, int32_t code, const TVVariant*) -> int32_t {
    return current == nullptr ? TV_HOST_FAILED : current->SectionText(text, code);
  };
}

void THostAnswers::Trace(const std::string& line) const {
  if (trace_) trace_(Cp1251ToUtf8(line));
}

void THostAnswers::SetText(TVVariant* v, const std::string& text) const {
  lib_.SetString(v, text.data(), text.size());
}

void THostAnswers::WriteShiftRegistry() const {
  TRegistry reg;
  if (!reg.OpenKey("SOFTWARE\\Halvorsk\\AZS", true)) {
    throw Exception("cannot create the registry key SOFTWARE\\Halvorsk\\AZS");
  }
  reg.WriteInteger("IsSmenaOpen", config_.Bool("Shift", "Open", true) ? 1 : 0);
  reg.WriteInteger("SmenaNum", config_.Int("Shift", "Number", 1));
  reg.WriteDateTime("SmenaBeginTime", config_.Date("Shift", "Begin", DefaultShiftBegin()));
  reg.CloseKey();
}

void THostAnswers::AnswerPaymentTypes(TVVariant* result, int32_t code) const {
  const int count = config_.Int("PaymentTypes", "Count", -1);
  if (count < 0 && code != 27) {
    // No list of its own: a text tells the library to use its defaults.
    SetText(result, "");
    return;
  }
  const int n = count < 0 ? 13 : count;
  if (code == 57) {
    lib_.SetArray(result, 2, 0, n - 1, 0, 1);
    for (int i = 0; i < n; ++i) {
      const std::string k = std::to_string(i);
      lib_.SetInt(lib_.Item2(result, i, 0), config_.Int("PaymentTypes", "Code" + k, i));
      lib_.SetInt(lib_.Item2(result, i, 1), config_.Int("PaymentTypes", "Attr" + k, 0));
    }
    return;
  }
  lib_.SetArray(result, 1, 0, n - 1, 0, 0);
  for (int i = 0; i < n; ++i) {
    const std::string k = std::to_string(i);
    if (code == 23) {
      SetText(lib_.Item(result, i), config_.Text("PaymentTypes", "Name" + k, ""));
    } else {
      const int kind = config_.Int("PaymentTypes", "Code" + k, i) % 100;
      lib_.SetInt(lib_.Item(result, i), config_.Int("PaymentTypes", "Kind" + k, kind));
    }
  }
}

int32_t THostAnswers::Answer(TVVariant* result, int32_t code, int32_t param) const {
  Trace("вопрос "_w + std::to_string(code) + " (" + std::to_string(param) + ")");
  const std::string kkm = "KKM" + std::to_string(param);
  switch (code) {
    case 0:
      lib_.SetInt(result, config_.Int("Shift", "Number", 1));
      break;
    case 1:
      lib_.SetDate(result, config_.Date("Shift", "Begin", DefaultShiftBegin()));
      break;
    case 2:
      SetText(result, config_.Text("Shift", "Operator", "Оператор"_w));
      break;
    case 3:
      SetText(result, config_.Text("Shift", "Operator2", ""));
      break;
    case 4:
      SetText(result, config_.Text("Shift", "Operator3", ""));
      break;
    case 5:
      SetText(result, config_.Text("Host", "DataFolder", "C:\\FUEL\\DB\\"));
      break;
    case 8:
      lib_.SetBool(result, config_.Bool("Host", "AltForms", false));
      break;
    case 9:
      lib_.SetInt(result, config_.Int("Host", "VolumeDecimals", 2));
      break;
    case 13:
      SetText(result, config_.Text("Host", "StationName", "АЗС №1"_w));
      break;
    case 18:
      SetText(result, config_.Text(kkm, "RegNum", ""));
      break;
    case 23:
    case 27:
    case 57:
      AnswerPaymentTypes(result, code);
      break;
    case 43:
      SetText(result, config_.Text(kkm, "Model", ""));
      break;
    case 44:
      SetText(result, config_.Text(kkm, "Num", ""));
      break;
    case 45:
      lib_.SetBool(result, config_.Bool("Host", "TovarKKMFlag", false));
      break;
    case 46:
      lib_.SetInt(result, config_.Int("Host", "Mode", 0));
      break;
    case 56:
      lib_.SetInt(result, config_.Int("Host", "TemplateVariant", 1));
      break;
    case 69:
      SetText(result, config_.Text("Host", "DCOMDatabase", "C:\\FUEL\\DB\\Velmar.FDB"));
      break;
    case 80:
      lib_.SetBool(result, config_.Bool("Host", "UseNBForms", false));
      break;
    case 87:
      SetText(result, config_.Text("Host", "CurrencyName", "руб."_w));
      break;
    case 88:
      lib_.SetInt(result, config_.Int("Host", "MoneyDecimals", 2));
      break;
    default:
      SetText(result, "Хост не отвечает на вопрос "_w + std::to_string(code));
      return TV_HOST_FAILED;
  }
  return TV_HOST_OK;
}

// [Fill<kind>] Rows=N, Row1..RowN = "FIELD=value;FIELD=value"; a value in
// the host's date form is passed as a date, any other as text.
int32_t THostAnswers::FillData(int32_t kind, TVMemoryData* data) const {
  Trace("заполнение "_w + std::to_string(kind));
  const std::string section = "Fill" + std::to_string(kind);
  const int rows = config_.Int(section, "Rows", 0);
  for (int r = 1; r <= rows; ++r) {
    if (lib_.Append(data) != 0) return TV_HOST_FAILED;
    TStringList pairs;
    pairs.SetText(StringReplace(config_.Text(section, "Row" + std::to_string(r), ""), ";", "\r\n",
                                rfReplaceAll));
    for (int i = 0; i < pairs.Count(); ++i) {
      const std::string field = Trim(pairs.Names(i));
      const std::string value = pairs.ValueFromIndex(i);
      TVVariant v{};
      TDateTime date = 0;
      if (ParseHostDate(Trim(value), date)) {
        lib_.SetDate(&v, date);
      } else {
        SetText(&v, value);
      }
      const int32_t rc = lib_.SetField(data, field.c_str(), &v);
      lib_.Clear(&v);
      if (rc != 0) return TV_HOST_FAILED;
    }
    if (lib_.Post(data) != 0) return TV_HOST_FAILED;
  }
  return TV_HOST_OK;
}

int32_t THostAnswers::SectionText(TVText* text, int32_t code) const {
  Trace("раздел отчета "_w + std::to_string(code));
  const std::string value = Unescape(config_.Text("Sections", "Code" + std::to_string(code), ""));
  return lib_.TextSet(text, value.data(), value.size()) == 0 ? TV_HOST_OK : TV_HOST_FAILED;
}

}  // namespace tv::host
