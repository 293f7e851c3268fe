#pragma once
// The library-owned text buffers of the host interface: TVText (in/out
// texts) and the UTF-16 text of GetReportVars. The library keeps the set of
// buffers it handed out: a free of any other pointer (a host's own buffer,
// or one freed already) releases nothing and reads nothing of it.

#include <cstdint>
#include <string>
#include <string_view>

#include "engines/HTMLDocument.h"
#include "tolvaren/tolvaren.h"

namespace tv {

// Replaces the text by a copy of `bytes`; false when memory is short (the
// text is kept).
bool TextSet(TVText* text, std::string_view bytes) noexcept;
// The same for a document, copied piece by piece.
bool TextSet(TVText* text, const THTMLDocument& document) noexcept;
// Releases a library buffer and empties the text; a foreign buffer is only
// dropped from the text.
void TextFree(TVText* text) noexcept;
// The bytes the text holds.
std::string TextOf(const TVText& text);

// A zero-terminated copy, or nullptr when memory is short.
uint16_t* WideCopy(std::u16string_view text) noexcept;
void WideFree(uint16_t* text) noexcept;

}  // namespace tv
