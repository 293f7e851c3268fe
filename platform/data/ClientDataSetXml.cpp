// The XML data packet of TClientDataSet: writing by hand, reading through
// the safe XML reader (platform/text/XmlReader.h), which hands UTF-8 back; that
// is turned into Windows-1251 again.
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/data/ClientDataSet.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/text/XmlReader.h"

namespace tv {

namespace {

struct PacketType {
  TFieldType type;
  const char* fieldType;
  const char* subType;  // null: none
};

constexpr PacketType kTypes[] = {
    {TFieldType::ftString, "string", nullptr},
    {TFieldType::ftFixedChar, "string", nullptr},
    {TFieldType::ftWideString, "string.uni", nullptr},
    {TFieldType::ftSmallint, "i2", nullptr},
    {TFieldType::ftWord, "ui2", nullptr},
    {TFieldType::ftInteger, "i4", nullptr},
    {TFieldType::ftLargeint, "i8", nullptr},
    {TFieldType::ftBoolean, "boolean", nullptr},
    {TFieldType::ftCurrency, "r8", "Money"},
    {TFieldType::ftFloat, "r8", nullptr},
    {TFieldType::ftBCD, "fixed", nullptr},
    {TFieldType::ftFMTBcd, "fixedFMT", nullptr},
    {TFieldType::ftDate, "date", nullptr},
    {TFieldType::ftTime, "time", nullptr},
    {TFieldType::ftDateTime, "dateTime", nullptr},
    {TFieldType::ftMemo, "bin.hex", "Text"},
    {TFieldType::ftBlob, "bin.hex", "Binary"},
};

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t n = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) n |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) n |= static_cast<uint8_t>(bytes[i + 2]);
    out += kBase64[(n >> 18) & 63];
    out += kBase64[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? kBase64[(n >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kBase64[n & 63] : '=';
  }
  return out;
}

bool Base64Decode(std::string_view text, std::string& out) {
  uint32_t acc = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=' || c == '\r' || c == '\n' || c == ' ') continue;
    const char* p = std::strchr(kBase64, c);
    if (p == nullptr || c == '\0') return false;
    acc = (acc << 6) | static_cast<uint32_t>(p - kBase64);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return true;
}

// `count` decimal digits of 0 <= v < 10^count at `at`, zeros in front.
void PutDigits(char* at, int count, int64_t v) {
  for (int i = count - 1; i >= 0; --i, v /= 10) at[i] = static_cast<char>('0' + v % 10);
}

constexpr int64_t kUnitsPerDay = 864000000;  // 1/10000 s, Firebird's unit

// A date-time as its day and its count of 1/10000 s since that day's
// midnight, both from the one value: the last instants of a day keep their
// own date (a value that would round up to the next midnight stays at
// 23:59:59.9999 of its day).
struct TStampParts {
  double Days;
  int64_t Units;
};

TStampParts SplitStamp(TDateTime v) {
  const double days = std::trunc(v);
  int64_t units = std::llround(std::fabs(v - days) * kUnitsPerDay);
  if (units >= kUnitsPerDay) units = kUnitsPerDay - 1;
  return {days, units};
}

// Firebird keeps times to the ten-thousandth of a second: a fourth
// fraction digit follows the milliseconds when that digit is not 0, so that
// such a time comes back exactly and every other stays as before.
std::string TimeText(int64_t units) {
  const int64_t seconds = units / 10000;
  char text[13] = {};
  PutDigits(text, 2, seconds / 3600);
  text[2] = ':';
  PutDigits(text + 3, 2, seconds / 60 % 60);
  text[5] = ':';
  PutDigits(text + 6, 2, seconds % 60);
  PutDigits(text + 8, 3, units % 10000 / 10);
  const std::size_t size = units % 10 != 0 ? 12 : 11;
  text[11] = static_cast<char>('0' + units % 10);
  return std::string(text, size);
}

std::string DateText(double days) {
  int y, m, d;
  DecodeDate(days, y, m, d);
  std::string text(4, '0');
  if (y >= 0 && y <= 9999)
    PutDigits(text.data(), 4, y);
  else
    text = Format("%.4d", {y});
  char md[4];
  PutDigits(md, 2, m);
  PutDigits(md + 2, 2, d);
  return text.append(md, 4);
}

std::string CurrencyText(Currency c) { return DecimalText(Variant(c)); }

// Whether a byte needs more than itself in an attribute value.
constexpr bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c == 0x98 || c == '&' || c == '<' || c == '>' || c == '"' || c == '\'';
}

void AppendEscaped(std::string& out, std::string_view text, const std::string& field) {
  size_t run = 0;  // start of the bytes not yet appended
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!NeedsEscape(c)) continue;
    out.append(text, run, i - run);
    run = i + 1;
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      default:
        // 0x98 has no character in Windows-1251, so no reader could decode it.
        throw EDatabaseError("Field '" + field +
                             "' holds a control character that an XML data packet cannot carry");
    }
  }
  out.append(text, run, text.size() - run);
}

std::string ValueText(const TFieldDef& def, const Variant& v) {
  switch (def.DataType) {
    case TFieldType::ftBoolean:
      return v.AsBoolean() ? "TRUE" : "FALSE";
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: {
      char buf[64];
      auto r = std::to_chars(buf, buf + sizeof buf, v.AsDouble());
      return std::string(buf, r.ptr);
    }
    case TFieldType::ftBCD:
      return CurrencyText(v.AsCurrency());
    case TFieldType::ftFMTBcd:
      return DecimalText(v);
    case TFieldType::ftDate:
      return DateText(SplitStamp(v.AsDateTime()).Days);
    case TFieldType::ftTime:
      return TimeText(SplitStamp(v.AsDateTime()).Units);
    case TFieldType::ftDateTime: {
      const TStampParts parts = SplitStamp(v.AsDateTime());
      return DateText(parts.Days) + "T" + TimeText(parts.Units);
    }
    case TFieldType::ftMemo:
    case TFieldType::ftBlob:
      return Base64Encode(v.AsString());
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
      return std::to_string(v.AsInt64());
    default:
      return v.AsString();
  }
}

const PacketType& TypeOf(const TFieldDef& def) {
  for (const PacketType& t : kTypes) {
    if (t.type == def.DataType) return t;
  }
  throw EDatabaseError("Field '" + def.Name + "' is of an unknown type");
}

// XML names here: ASCII letters, "_", the Cyrillic letters of Windows-1251,
// and after the first place also digits, "-" and ".". Colons are left out
// (namespace parsers read them as prefixes), and so is every other byte.
bool NameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0xC0 || c == 0xA8 ||
         c == 0xB8;
}

bool NameChar(unsigned char c) {
  return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

}  // namespace

std::string PacketAttrName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  // A leading "xml" is reserved by XML (a parser may take "xmlns" for a
  // namespace declaration); its first letter is escaped.
  const bool reserved = name.size() >= 3 && AnsiSameText(name.substr(0, 3), "xml");
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    const bool escapesUnderscore = c == '_' && i + 1 < name.size() && name[i + 1] == 'x';
    if ((i == 0 ? NameStart(c) && !reserved : NameChar(c)) && !escapesUnderscore) {
      out += static_cast<char>(c);
      continue;
    }
    const std::u16string unit = Cp1251ToUtf16(name.substr(i, 1));
    out += Format("_x%.4X_", {static_cast<int>(unit.empty() ? u'?' : unit[0])});
  }
  return out;
}

namespace {

std::string PacketHead(const TFieldDefs& defs) {
  std::string out =
      "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
  for (int i = 0; i < defs.Count(); ++i) {
    const TFieldDef& def = defs[i];
    const PacketType& t = TypeOf(def);
    const std::string attr = PacketAttrName(def.Name);
    out += "<FIELD attrname=\"";
    AppendEscaped(out, attr, def.Name);
    out += '"';
    if (attr != def.Name) {
      out += " fieldname=\"";
      AppendEscaped(out, def.Name, def.Name);
      out += '"';
    }
    out += " fieldtype=\"" + std::string(t.fieldType) + "\"";
    if (def.Required) out += " required=\"true\"";
    if (def.DataType == TFieldType::ftBCD) out += " DECIMALS=\"4\" WIDTH=\"18\"";
    if (def.DataType == TFieldType::ftFMTBcd) {
      out += " DECIMALS=\"" + std::to_string(def.Size) + "\" WIDTH=\"18\"";
    }
    if (t.subType != nullptr) out += " SUBTYPE=\"" + std::string(t.subType) + "\"";
    if (def.Size > 0 && std::strncmp(t.fieldType, "string", 6) == 0) {
      out += " WIDTH=\"" + std::to_string(def.Size) + "\"";
    }
    out += "/>";
  }
  return out + "</FIELDS><PARAMS/></METADATA><ROWDATA>";
}

// One ROW element; `value(i)` is the value of field i, `names` the fields'
// attribute names.
template <class Value>
void AppendRow(std::string& out, const TFieldDefs& defs, const std::vector<std::string>& names,
               Value&& value) {
  out += "<ROW";
  for (int i = 0; i < defs.Count(); ++i) {
    const Variant& v = value(i);
    if (v.IsNull() || v.IsEmpty()) continue;
    out += ' ';
    out += names[i];
    out += "=\"";
    AppendEscaped(out, ValueText(defs[i], v), defs[i].Name);
    out += '"';
  }
  out += "/>";
}

std::vector<std::string> AttrNames(const TFieldDefs& defs) {
  std::vector<std::string> names;
  for (int i = 0; i < defs.Count(); ++i) {
    std::string name;
    AppendEscaped(name, PacketAttrName(defs[i].Name), defs[i].Name);
    names.push_back(std::move(name));
  }
  return names;
}

constexpr const char* kPacketTail = "</ROWDATA></DATAPACKET>";

// The text is handed to the sink in pieces of about this size.
constexpr size_t kPieceBytes = 256 << 10;

}  // namespace

std::string TClientDataSet::XMLData() const {
  if (!Active()) Fail("Cannot perform this operation on a closed dataset");
  const TFieldDefs& defs = FieldDefs();
  const std::vector<std::string> names = AttrNames(defs);
  std::string out = PacketHead(defs);
  Variant value;
  for (int row = 0; row < RecordCount(); ++row) {
    AppendRow(out, defs, names, [&](int i) -> const Variant& { return value = StoredValue(row, i); });
  }
  return out + kPacketTail;
}

int64_t WriteDataPacket(TDataSetSource& source, const TPacketSink& sink) {
  source.SourceFirst();
  const TFieldDefs& defs = source.SourceFieldDefs();
  const std::vector<std::string> names = AttrNames(defs);
  std::string piece = PacketHead(defs);
  Variant value;
  int64_t rows = 0;
  for (; !source.SourceEof(); source.SourceNext(), ++rows) {
    AppendRow(piece, defs, names, [&](int i) -> const Variant& { return value = source.SourceValue(i); });
    if (piece.size() >= kPieceBytes) {
      sink(piece);
      piece.clear();
    }
  }
  piece += kPacketTail;
  sink(piece);
  return rows;
}

std::string DataPacketOf(TDataSetSource& source) {
  std::string out;
  WriteDataPacket(source, [&](std::string& piece) { out += piece; });
  return out;
}

namespace {

[[noreturn]] void BadPacket(const std::string& reason) {
  throw EDatabaseError("Invalid XML data packet: " + reason);
}

bool ParseInt(std::string_view s, int64_t& out) {
  auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool ParseCurrency(std::string_view s, Currency& out) {
  bool negative = !s.empty() && s[0] == '-';
  if (negative) s.remove_prefix(1);
  const size_t dot = s.find('.');
  std::string_view whole = s.substr(0, dot);
  std::string frac(dot == std::string_view::npos ? "" : s.substr(dot + 1));
  if (frac.size() > 4) return false;
  frac.resize(4, '0');
  int64_t w = 0, f = 0;
  if (whole.empty() || !ParseInt(whole, w) || !ParseInt(frac, f) || w < 0 || f < 0) return false;
  if (w > (INT64_MAX - f) / 10000) return false;
  const int64_t raw = w * 10000 + f;
  out = Currency::FromRaw(negative ? -raw : raw);
  return true;
}

// An exact decimal as the packet writes it: optional "-", digits, and
// optionally "." and digits.
bool IsDecimal(std::string_view s) {
  if (!s.empty() && s[0] == '-') s.remove_prefix(1);
  const size_t dot = s.find('.');
  const std::string_view whole = s.substr(0, dot);
  const std::string_view frac = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
  auto digits = [](std::string_view d) {
    return !d.empty() && d.find_first_not_of("0123456789") == std::string_view::npos;
  };
  return digits(whole) && (dot == std::string_view::npos || digits(frac));
}

bool ParseTime(std::string_view s, TDateTime& out) {
  int64_t h, n, sec, ms, tenth = 0;
  if ((s.size() != 11 && s.size() != 12) || s[2] != ':' || s[5] != ':') return false;
  if (!ParseInt(s.substr(0, 2), h) || !ParseInt(s.substr(3, 2), n) ||
      !ParseInt(s.substr(6, 2), sec) || !ParseInt(s.substr(8, 3), ms) ||
      (s.size() == 12 && !ParseInt(s.substr(11, 1), tenth))) {
    return false;
  }
  if (!TryEncodeTime(int(h), int(n), int(sec), int(ms), out)) return false;
  out += static_cast<double>(tenth) / 864000000.0;
  return true;
}

bool ParseDate(std::string_view s, TDateTime& out) {
  int64_t y, m, d;
  if (s.size() != 8 || !ParseInt(s.substr(0, 4), y) || !ParseInt(s.substr(4, 2), m) ||
      !ParseInt(s.substr(6, 2), d)) {
    return false;
  }
  return TryEncodeDate(int(y), int(m), int(d), out);
}

bool ParseValue(const TFieldDef& def, std::string_view s, Variant& out) {
  switch (def.DataType) {
    case TFieldType::ftBoolean:
      if (AnsiSameText(s, "TRUE"))
        out = Variant(true);
      else if (AnsiSameText(s, "FALSE"))
        out = Variant(false);
      else
        return false;
      return true;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: {
      double d = 0;
      auto r = std::from_chars(s.data(), s.data() + s.size(), d);
      if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
      out = Variant(d);
      return true;
    }
    case TFieldType::ftBCD: {
      Currency c;
      if (!ParseCurrency(s, c)) return false;
      out = Variant(c);
      return true;
    }
    case TFieldType::ftFMTBcd:
      if (!IsDecimal(s)) return false;
      out = Variant(std::string(s));
      return true;
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint: {
      int64_t v = 0;
      if (!ParseInt(s, v)) return false;
      out = def.DataType == TFieldType::ftLargeint ? Variant(v) : Variant(static_cast<int>(v));
      return def.DataType == TFieldType::ftLargeint || (v >= INT32_MIN && v <= INT32_MAX);
    }
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: {
      TDateTime date = 0, time = 0;
      const bool hasDate = def.DataType != TFieldType::ftTime;
      const bool hasTime = def.DataType != TFieldType::ftDate;
      if (hasDate && !ParseDate(s.substr(0, 8), date)) return false;
      std::string_view rest = hasDate ? s.substr(std::min<size_t>(8, s.size())) : s;
      if (hasDate && hasTime) {
        if (rest.empty() || rest[0] != 'T') return false;
        rest.remove_prefix(1);
      }
      if (hasTime && !ParseTime(rest, time)) return false;
      if (!hasTime && !rest.empty()) return false;
      out = Variant::FromDate(date < 0 ? date - time : date + time);
      return true;
    }
    case TFieldType::ftMemo:
    case TFieldType::ftBlob: {
      std::string bytes;
      if (!Base64Decode(s, bytes)) return false;
      out = Variant(std::move(bytes));
      return true;
    }
    default:
      out = Variant(std::string(s));
      return true;
  }
}

TFieldType TypeFromPacket(std::string_view fieldType, std::string_view subType) {
  if (fieldType == "r8") return subType == "Money" ? TFieldType::ftCurrency : TFieldType::ftFloat;
  if (fieldType == "bin.hex") return subType == "Text" ? TFieldType::ftMemo : TFieldType::ftBlob;
  if (fieldType == "r4") return TFieldType::ftFloat;
  if (fieldType == "i1" || fieldType == "ui1") return TFieldType::ftSmallint;
  if (fieldType == "ui4") return TFieldType::ftLargeint;
  for (const PacketType& t : kTypes) {
    if (fieldType == t.fieldType && t.subType == nullptr) return t.type;
  }
  return TFieldType::ftUnknown;
}

// A packet is four levels deep; anything far deeper is no packet.
constexpr size_t kMaxDepth = 16;

// What the parser collects: the fields first, then the rows.
struct PacketReader {
  TFieldDefs defs;
  std::map<std::string, int, std::less<>> byAttr;  // ROW attribute name -> field
  std::vector<std::vector<Variant>> rows;
  std::vector<std::string> path;  // open element names
  bool sawRoot = false;

  static std::string Text(const char* s) { return Utf8ToCp1251(s); }

  void Field(const char** atts) {
    std::string attr, name, fieldType, subType, width, decimals, required;
    for (int i = 0; atts[i] != nullptr; i += 2) {
      const std::string_view key = atts[i];
      if (key == "attrname")
        attr = atts[i + 1];
      else if (key == "fieldname")
        name = Text(atts[i + 1]);
      else if (key == "DECIMALS")
        decimals = atts[i + 1];
      else if (key == "fieldtype")
        fieldType = atts[i + 1];
      else if (key == "SUBTYPE")
        subType = atts[i + 1];
      else if (key == "WIDTH")
        width = atts[i + 1];
      else if (key == "required")
        required = atts[i + 1];
    }
    // The field's own name is "fieldname" when the writer had to escape it
    // for the ROW attributes, else "attrname".
    if (name.empty()) name = Text(attr.c_str());
    const TFieldType type = TypeFromPacket(fieldType, subType);
    if (name.empty() || type == TFieldType::ftUnknown) {
      throw EDatabaseError("field '" + name + "' of type '" + fieldType + "'");
    }
    int64_t size = 0;
    const bool text = type == TFieldType::ftString || type == TFieldType::ftWideString;
    if (text && !width.empty() && (!ParseInt(width, size) || size < 0 || size > INT32_MAX)) {
      throw EDatabaseError("field '" + name + "' has the width '" + width + "'");
    }
    int64_t scale = 0;
    if (type == TFieldType::ftFMTBcd && (!ParseInt(decimals, scale) || scale < 0 || scale > 18)) {
      throw EDatabaseError("field '" + name + "' has the decimals '" + decimals + "'");
    }
    defs.Add(name, type, text ? static_cast<int>(size) : static_cast<int>(scale), required == "true");
    byAttr.emplace(std::move(attr), defs.Count() - 1);
  }

  void Row(const char** atts) {
    std::vector<Variant> row(defs.Count(), Variant::Null());
    for (int i = 0; atts[i] != nullptr; i += 2) {
      const auto attr = byAttr.find(std::string_view(atts[i]));
      const int index = attr != byAttr.end() ? attr->second : defs.IndexOf(Text(atts[i]));
      if (index < 0) continue;  // RowState and other packet attributes
      const std::string value = Text(atts[i + 1]);
      if (!ParseValue(defs[index], value, row[index])) {
        throw EDatabaseError("value '" + value + "' of field '" + defs[index].Name + "'");
      }
    }
    rows.push_back(std::move(row));
  }

  void Start(const char* name, const char** atts) {
    const std::string_view n = name;
    if (path.size() >= kMaxDepth) throw EDatabaseError("elements nested too deeply");
    if (path.empty()) {
      if (n != "DATAPACKET") throw EDatabaseError("the root element is '" + Text(name) + "'");
      sawRoot = true;
    } else if (n == "FIELD" && path.back() == "FIELDS") {
      Field(atts);
    } else if (n == "ROW" && path.back() == "ROWDATA") {
      Row(atts);
    }
    path.emplace_back(n);
  }
};

}  // namespace

void TClientDataSet::ReadPacket(std::string_view packet) {
  PacketReader reader;
  if (packet.size() > static_cast<size_t>(INT_MAX)) BadPacket("the packet is larger than 2 GB");
  const std::string error = ParseXml(
      packet, [&](const char* name, const char** atts) { reader.Start(name, atts); },
      [&] {
        if (!reader.path.empty()) reader.path.pop_back();
      });
  if (!error.empty()) BadPacket(error);
  if (!reader.sawRoot) BadPacket("no DATAPACKET element");
  CopyStructure(reader.defs);
  TRxMemoryData::Open();
  for (std::vector<Variant>& row : reader.rows) AppendStoredRow(std::move(row));
  First();
}

}  // namespace tv
