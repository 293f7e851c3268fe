#include "host/HostExchange.h"

#include <iostream>
#include <stdexcept>

#include "platform/text/Cp1251.h"

namespace tv::host {

namespace {

struct Command {
  const char* name;
  size_t arguments;
  const char* usage;
};

constexpr Command kCommands[] = {
    {"export", 2, "export DBFOLDER FILE  write the office waybills of DBFOLDER\\Velmar.FDB into FILE"},
    {"load", 1, "load FILE            load the exchange file FILE into C:\\FUEL\\DB\\velmar.fdb"},
    {"flag", 1, "flag DBFOLDER        flag the office waybills of DBFOLDER\\Velmar.FDB that have a copy"},
};

const Command* Find(const std::string& word) {
  for (const Command& c : kCommands) {
    if (word == c.name) return &c;
  }
  return nullptr;
}

// The argument as the library's UTF-16 text (zero-terminated).
std::u16string Wide(const std::string& utf8) {
  std::u16string text;
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (i + n > utf8.size()) throw std::invalid_argument("argument is not UTF-8: " + utf8);
    char32_t c = n == 1 ? b : b & (0x7F >> n);
    for (int k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    if (c >= 0x10000) {
      c -= 0x10000;
      text += static_cast<char16_t>(0xD800 + (c >> 10));
      text += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      text += static_cast<char16_t>(c);
    }
    i += n;
  }
  return text;
}

const uint16_t* Arg(const std::u16string& s) { return reinterpret_cast<const uint16_t*>(s.c_str()); }

}  // namespace

bool IsExchangeCommand(const std::string& word) { return Find(word) != nullptr; }

int RunExchangeCommand(const TolvarenLibrary& lib, const std::vector<std::string>& request) {
  const Command& command = *Find(request.at(0));
  if (request.size() != command.arguments + 1) {
    throw std::invalid_argument(std::string("usage: tolvaren-host ") + command.usage);
  }
  const std::u16string first = Wide(request[1]);
  const std::u16string second = request.size() > 2 ? Wide(request[2]) : std::u16string();
  int32_t done = 0;
  if (request[0] == "export") done = lib.AddRepDataToQueryFile(Arg(first), Arg(second));
  if (request[0] == "load") done = lib.ProcessQueryFile(Arg(first));
  if (request[0] == "flag") done = lib.ProcessTTNTable(Arg(first));
  if (done == 1) return 0;
  std::cerr << Cp1251ToUtf8(lib.LastError()) << "\n";
  return 1;
}

std::string ExchangeCommandHelp() {
  std::string text = "Waybill exchange commands (host Mode 3 in the configuration for an office):\n";
  for (const Command& c : kCommands) text += std::string("  ") + c.usage + "\n";
  return text;
}

}  // namespace tv::host
