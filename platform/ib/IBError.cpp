#include "platform/ib/IBError.h"

#include <firebird/Interface.h>

#include "platform/text/Cp1251.h"

namespace tv {
namespace {

// Firebird puts file names into its messages as the file system has them
// (UTF-8); the library's texts are Windows-1251. Text that is not valid UTF-8
// came in the connection's character set already and stays as it is.
bool IsUtf8WithNonAscii(const std::string& s) {
  bool nonAscii = false;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80             ? 1
                      : (c & 0xE0) == 0xC0 ? 2
                      : (c & 0xF0) == 0xE0 ? 3
                      : (c & 0xF8) == 0xF0 ? 4
                                           : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    nonAscii = nonAscii || len > 1;
    i += len;
  }
  return nonAscii;
}

}  // namespace

std::string IBStatusText(Firebird::IStatus* status) {
  const ISC_STATUS* vector = status->getErrors();
  std::string text;
  char line[1024];
  while (fb_interpret(line, sizeof line, &vector) > 0) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  if (IsUtf8WithNonAscii(text)) text = Utf8ToCp1251(text);
  return text;
}

void CheckIBStatus(Firebird::IStatus* status) {
  if ((status->getState() & Firebird::IStatus::STATE_ERRORS) == 0) return;
  const ISC_STATUS* vector = status->getErrors();
  const int sqlCode = isc_sqlcode(vector);
  const int64_t code = vector[0] == isc_arg_gds ? vector[1] : 0;
  throw EIBInterBaseError(IBStatusText(status), sqlCode, code);
}

}  // namespace tv
