#pragma once
// Reading XML that comes from other machines (data packets, provider
// deltas): Windows-1251 text, whatever its declaration says, read with
// expat. A document type declaration, and with it every entity of its own,
// is refused outright, so nothing external is read and no entity can
// expand; only the predefined entities and character references remain.

#include <functional>
#include <string>
#include <string_view>

namespace tv {

// Element and attribute names and values come as UTF-8 (Utf8ToCp1251 turns
// them back); `atts` holds name, value pairs and ends with a null pointer.
// An exception of the start handler stops the parse and becomes its error.
using TXmlStartHandler = std::function<void(const char* name, const char** atts)>;
using TXmlEndHandler = std::function<void()>;

// Parses `text`; returns "" when it is well-formed and the handlers
// accepted it, else the reason followed by " (line N)".
std::string ParseXml(std::string_view text, const TXmlStartHandler& start,
                     const TXmlEndHandler& end);

}  // namespace tv
