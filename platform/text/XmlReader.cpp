#include "platform/text/XmlReader.h"

#include <expat.h>

#include <climits>
#include <memory>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"

namespace tv {

namespace {

struct Reader {
  XML_Parser parser = nullptr;
  const TXmlStartHandler* start = nullptr;
  const TXmlEndHandler* end = nullptr;
  std::string error;
};

int XMLCALL Cp1251Encoding(void*, const XML_Char* name, XML_Encoding* info) {
  if (!AnsiSameText(name, "windows-1251")) return XML_STATUS_ERROR;
  for (int b = 0; b < 256; ++b) {
    const std::u16string u = Cp1251ToUtf16(std::string(1, static_cast<char>(b)));
    info->map[b] = u.empty() ? -1 : u[0];
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

void Refuse(void* data, const std::string& what) {
  auto* r = static_cast<Reader*>(data);
  if (r->error.empty()) r->error = what;
  XML_StopParser(r->parser, XML_FALSE);
}

void RefuseDeclarations(XML_Parser parser) {
  XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetStartDoctypeDeclHandler(
      parser, [](void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        Refuse(data, "a document type declaration is not allowed");
      });
  XML_SetEntityDeclHandler(parser, [](void* data, const XML_Char*, int, const XML_Char*, int,
                                      const XML_Char*, const XML_Char*, const XML_Char*,
                                      const XML_Char*) { Refuse(data, "an entity declaration is not allowed"); });
  XML_SetExternalEntityRefHandler(
      parser, [](XML_Parser, const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
        return int(XML_STATUS_ERROR);
      });
}

}  // namespace

std::string ParseXml(std::string_view text, const TXmlStartHandler& start,
                     const TXmlEndHandler& end) {
  if (text.size() > static_cast<size_t>(INT_MAX)) return "the text is larger than 2 GB";
  Reader reader{nullptr, &start, &end, {}};
  // Windows-1251 whatever the declaration says: the packets' own
  // declaration names no encoding.
  std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate("windows-1251"),
                                                                 XML_ParserFree);
  if (!parser) throw EOutOfMemory("Out of memory");
  XML_SetUnknownEncodingHandler(parser.get(), Cp1251Encoding, nullptr);
  XML_SetUserData(parser.get(), &reader);
  reader.parser = parser.get();
  RefuseDeclarations(parser.get());
  XML_SetElementHandler(
      parser.get(),
      [](void* data, const XML_Char* name, const XML_Char** atts) {
        auto* r = static_cast<Reader*>(data);
        if (!r->error.empty()) return;
        try {
          (*r->start)(name, atts);
        } catch (const Exception& e) {
          Refuse(data, e.Message());
        } catch (const std::exception& e) {
          Refuse(data, e.what());
        }
      },
      [](void* data, const XML_Char*) {
        auto* r = static_cast<Reader*>(data);
        if (r->error.empty()) (*r->end)();
      });
  const auto status = XML_Parse(parser.get(), text.data(), static_cast<int>(text.size()), 1);
  const std::string where =
      " (line " + std::to_string(XML_GetCurrentLineNumber(parser.get())) + ")";
  if (!reader.error.empty()) return reader.error + where;
  if (status != XML_STATUS_OK) {
    return std::string(XML_ErrorString(XML_GetErrorCode(parser.get()))) + where;
  }
  return "";
}

}  // namespace tv
