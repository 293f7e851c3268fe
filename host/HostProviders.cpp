#include "host/HostProviders.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "platform/text/Cp1251.h"
#include "platform/text/XmlReader.h"

namespace tv::host {

namespace {

using Providers = std::map<std::string, TVProvider*>;

void Register(void* context, TVProvider* provider, const char* name) {
  (*static_cast<Providers*>(context))[name] = provider;
}

std::string Take(const TolvarenLibrary& lib, TVText& text) {
  std::string bytes = text.data == nullptr ? std::string() : std::string(text.data, text.length);
  lib.TextFree(&text);
  return bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// "1: applied" or "2: error: <text>" per record; the number that failed.
int PrintOutcome(const std::string& outcome) {
  int failed = 0;
  const std::string error = ParseXml(
      outcome,
      [&](const char* name, const char** atts) {
        if (std::strcmp(name, "RECORD") != 0) return;
        std::map<std::string, std::string> a;
        for (int i = 0; atts[i] != nullptr; i += 2) a[atts[i]] = atts[i + 1];
        const bool applied = a["applied"] == "true";
        failed += applied ? 0 : 1;
        std::cout << a["index"] << ": " << (applied ? "applied" : "error: " + a["error"]) << "\n";
      },
      [] {});
  if (!error.empty()) throw std::runtime_error("unreadable outcome: " + error);
  return failed;
}

int Fail(const TolvarenLibrary& lib) {
  std::cerr << Cp1251ToUtf8(lib.LastError()) << "\n";
  return 1;
}

int RunOn(const TolvarenLibrary& lib, TVProvider* provider, const std::vector<std::string>& request) {
  TVText text{};
  if (request[0] == "provider") {
    const std::string sql = request.size() > 2 ? Utf8ToCp1251(request[2]) : std::string();
    if (lib.GetRecords(provider, sql.c_str(), &text) != 1) return Fail(lib);
    std::cout << Cp1251ToUtf8(Take(lib, text)) << "\n";
    return 0;
  }
  const std::string delta = ReadFile(request[2]);
  if (lib.ApplyDelta(provider, delta.data(), delta.size(), &text) != 1) return Fail(lib);
  return PrintOutcome(Take(lib, text)) == 0 ? 0 : 1;
}

}  // namespace

bool IsProviderCommand(const std::string& word) { return word == "provider" || word == "apply"; }

int RunProviderCommand(const TolvarenLibrary& lib, const std::vector<std::string>& request) {
  const bool read = request.at(0) == "provider";
  if (read ? request.size() < 2 || request.size() > 3 : request.size() != 3) {
    throw std::invalid_argument(read ? "usage: tolvaren-host provider NAME [SQL]"
                                     : "usage: tolvaren-host apply NAME FILE");
  }
  Providers providers;
  TVProviderOwner* owner = lib.OwnerCreate(&Register, nullptr, &providers);
  if (owner == nullptr) return Fail(lib);
  lib.DCOMServerOnCreate(owner);
  int status = 1;
  try {
    auto it = providers.find(request[1]);
    if (it == providers.end()) {
      std::cerr << "provider " << request[1]
                << " not registered (a station or office host, Mode 0 or 3; see the report log)\n";
    } else {
      status = RunOn(lib, it->second, request);
    }
  } catch (...) {
    lib.OwnerFree(owner);
    throw;
  }
  lib.OwnerFree(owner);
  return status;
}

std::string ProviderCommandHelp() {
  return "Remote data provider commands (the database: [Host] DCOMDatabase):\n"
         "  provider NAME [SQL]  print the records of provider NAME (e.g. DSPRepTTN) as an XML "
         "data packet\n"
         "  apply NAME FILE      apply the delta in FILE to provider NAME; prints each record's "
         "outcome\n";
}

}  // namespace tv::host
