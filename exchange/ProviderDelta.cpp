#include "exchange/ProviderDelta.h"

#include <cstring>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/text/XmlReader.h"

namespace tv {

namespace {

[[noreturn]] void BadDelta(const std::string& reason) {
  throw EDatabaseError("Invalid delta packet: " + reason);
}

TUpdateKind KindOf(const std::string& kind) {
  if (kind == "modify") return TUpdateKind::ukModify;
  if (kind == "insert") return TUpdateKind::ukInsert;
  if (kind == "delete") return TUpdateKind::ukDelete;
  throw EDatabaseError("a record of kind '" + kind + "'");
}

// One value of a FIELD element: the text attribute, or NULL by its flag.
void TakeValue(Variant& value, const char* text, const char* nullFlag, const std::string& field) {
  const bool isNull = nullFlag != nullptr && std::strcmp(nullFlag, "true") == 0;
  if (nullFlag != nullptr && !isNull && std::strcmp(nullFlag, "false") != 0) {
    throw EDatabaseError("field '" + field + "' has a null flag other than true or false");
  }
  if (isNull && text != nullptr) {
    throw EDatabaseError("field '" + field + "' has a value and is NULL");
  }
  if (isNull) value = Variant::Null();
  if (text != nullptr) value = Variant(Utf8ToCp1251(text));
}

struct DeltaReader {
  std::vector<TDeltaItem> items;
  std::vector<std::string> path;

  void Field(const char** atts) {
    const char *name = nullptr, *oldText = nullptr, *newText = nullptr, *oldNull = nullptr,
               *newNull = nullptr;
    for (int i = 0; atts[i] != nullptr; i += 2) {
      const std::string_view key = atts[i];
      const char* v = atts[i + 1];
      if (key == "name") name = v;
      else if (key == "old") oldText = v;
      else if (key == "new") newText = v;
      else if (key == "oldnull") oldNull = v;
      else if (key == "newnull") newNull = v;
      else throw EDatabaseError("a FIELD attribute '" + Utf8ToCp1251(atts[i]) + "'");
    }
    if (name == nullptr || *name == 0) throw EDatabaseError("a FIELD without a name");
    TDeltaField field{Utf8ToCp1251(name), Variant(), Variant()};
    TakeValue(field.OldValue, oldText, oldNull, field.Name);
    TakeValue(field.NewValue, newText, newNull, field.Name);
    items.back().Fields.push_back(std::move(field));
  }

  void Start(const char* name, const char** atts) {
    const std::string_view n = name;
    const std::string_view parent = path.empty() ? std::string_view() : std::string_view(path.back());
    if (path.empty() && n != "DELTA") throw EDatabaseError("the root element is '" + Utf8ToCp1251(name) + "'");
    if (!path.empty() && n == "RECORD" && parent == "DELTA") {
      std::string kind;
      for (int i = 0; atts[i] != nullptr; i += 2) {
        if (std::string_view(atts[i]) == "kind") kind = atts[i + 1];
      }
      items.push_back({KindOf(kind), {}});
    } else if (n == "FIELD" && parent == "RECORD") {
      Field(atts);
    } else if (!path.empty()) {
      throw EDatabaseError("an element '" + Utf8ToCp1251(name) + "' inside '" + std::string(parent) + "'");
    }
    path.emplace_back(n);
  }
};

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        // Error texts may carry line breaks; other control bytes have no
        // place in XML.
        if (static_cast<unsigned char>(c) < 0x20) {
          out += (c == '\t' || c == '\n' || c == '\r') ? "&#" + std::to_string(c) + ";" : " ";
        } else if (static_cast<unsigned char>(c) != 0x98) {
          out += c;
        }
    }
  }
}

}  // namespace

std::vector<TDeltaItem> ReadDeltaPacket(std::string_view text) {
  DeltaReader reader;
  const std::string error = ParseXml(
      text, [&](const char* name, const char** atts) { reader.Start(name, atts); },
      [&] { reader.path.pop_back(); });
  if (!error.empty()) BadDelta(error);
  return std::move(reader.items);
}

std::string OutcomePacket(const std::vector<TRecordOutcome>& outcomes) {
  int applied = 0;
  for (const TRecordOutcome& o : outcomes) applied += o.Applied ? 1 : 0;
  std::string out = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<RESULT applied=\"" +
                    std::to_string(applied) + "\" failed=\"" +
                    std::to_string(outcomes.size() - applied) + "\">\r\n";
  for (size_t i = 0; i < outcomes.size(); ++i) {
    out += "<RECORD index=\"" + std::to_string(i + 1) + "\" applied=\"" +
           (outcomes[i].Applied ? "true\"" : "false\" error=\"");
    if (!outcomes[i].Applied) {
      AppendEscaped(out, outcomes[i].Error);
      out += '"';
    }
    out += "/>\r\n";
  }
  return out + "</RESULT>\r\n";
}

}  // namespace tv
