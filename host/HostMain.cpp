// tolvaren-host: does with libtolvaren.so what the station's control
// application does, and nothing else: loads it, gives it the three host
// procedures, requests one report, prints the text version and stores the
// HTML version.
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "host/HostAnswers.h"
#include "host/HostConfig.h"
#include "host/HostExchange.h"
#include "host/HostLibrary.h"
#include "host/HostProviders.h"
#include "host/HostRequest.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"

namespace tv::host {
namespace {

struct Options {
  std::string config;
  std::string library;
  std::string html = "tolvaren-report.html";
  bool fetchHtml = true;
  bool trace = false;
  std::vector<std::string> request;  // code, then parameters
};

void PrintHelp() {
  std::cout
      << "Usage: tolvaren-host [options] CODE [PARAMETER...]\n"
         "       tolvaren-host [options] export|load|flag ARGUMENT...   (waybill exchange)\n"
         "       tolvaren-host [options] provider|apply ARGUMENT...     (remote data providers)\n"
         "Requests one report from libtolvaren.so as the station's control application does:\n"
         "prints the text version (UTF-8) and writes the HTML version to a file.\n\n"
         "Options:\n"
         "  --config FILE   host configuration (UTF-8 INI); default "
         "$TOLVAREN_ROOT/tolvaren-host.ini,\n"
         "                  built-in defaults when that file is missing\n"
         "  --library FILE  the library; default libtolvaren.so beside this program\n"
         "  --html FILE     where the HTML version goes (default tolvaren-report.html)\n"
         "  --no-html       do not fetch the HTML version\n"
         "  --trace         print every question of the library to standard error\n"
         "  --help          this text\n\n"
         "Exit status: 0 report made; 1 the library answered False (its text on standard error);\n"
         "2 the request or the host failed.\n\n"
      << ExchangeCommandHelp() << "\n"
      << ProviderCommandHelp() << "\n"
      << RequestSyntax() << "\n"
      << ReportCodeList();
}

std::string ExeFolder() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/'));
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (!o.request.empty()) {
      o.request.push_back(a);
    } else if (a == "--help" || a == "-h") {
      return false;
    } else if (a == "--config" && hasValue) {
      o.config = argv[++i];
    } else if (a == "--library" && hasValue) {
      o.library = argv[++i];
    } else if (a == "--html" && hasValue) {
      o.html = argv[++i];
    } else if (a == "--no-html") {
      o.fetchHtml = false;
    } else if (a == "--trace") {
      o.trace = true;
    } else if (a.rfind("--", 0) == 0 && a.size() > 2) {
      throw std::invalid_argument("unknown option " + a);
    } else {
      o.request.push_back(a);
    }
  }
  if (o.request.empty()) throw std::invalid_argument("no report code given (see --help)");
  return true;
}

THostConfig LoadConfig(const Options& o) {
  if (!o.config.empty()) return THostConfig::Load(o.config);
  const std::string fallback = RootFolder() + "/tolvaren-host.ini";
  return FileExists(fallback) ? THostConfig::Load(fallback) : THostConfig();
}

std::string TakeText(const TolvarenLibrary& lib, TVText& text) {
  std::string bytes = text.data == nullptr ? std::string() : std::string(text.data, text.length);
  lib.TextFree(&text);
  return bytes;
}

int Run(const Options& o) {
  TolvarenLibrary lib(o.library.empty() ? ExeFolder() + "/libtolvaren.so" : o.library);
  // The shift registry and every file of the station live in the root
  // folder: a missing one is named, never made here on the way.
  RequireRootFolder();
  auto trace = [](const std::string& line) { std::cerr << "host: " << line << "\n"; };
  THostAnswers host(lib, LoadConfig(o),
                    o.trace ? std::function<void(const std::string&)>(trace) : nullptr);
  if (host.Config().Int("Host", "Mode", 0) == 0) host.WriteShiftRegistry();
  if (lib.InitReports(THostAnswers::Fill(), THostAnswers::Query(), THostAnswers::Report()) == 0) {
    std::cerr << "InitReports: " << Cp1251ToUtf8(lib.LastError()) << "\n";
    return 2;
  }
  if (IsExchangeCommand(o.request[0])) return RunExchangeCommand(lib, o.request);
  if (IsProviderCommand(o.request[0])) return RunProviderCommand(lib, o.request);
  const char code = ParseReportCode(o.request[0]);
  TVVariant params{};
  BuildParams(lib, std::vector<std::string>(o.request.begin() + 1, o.request.end()), &params);
  TVText text{};
  const int32_t made = lib.GetReportsInStringEx(code, &params, &text);
  lib.Clear(&params);
  const std::string report = TakeText(lib, text);
  if (made == TV_REPORT_RAISED) {
    std::cerr << Cp1251ToUtf8(lib.LastError()) << "\n";
    return 2;
  }
  if (made == TV_REPORT_FALSE) {
    std::cerr << (report.empty() ? std::string("the library made no report") : Cp1251ToUtf8(report))
              << "\n";
    return 1;
  }
  std::cout << Cp1251ToUtf8(report);
  if (!report.empty() && report.back() != '\n') std::cout << "\n";
  if (o.fetchHtml && code != '7') {
    TVText html{};
    lib.GetReportsInStringEx('7', nullptr, &html);
    std::ofstream out(o.html, std::ios::binary | std::ios::trunc);
    out << TakeText(lib, html);
    if (!out) throw std::runtime_error("cannot write " + o.html);
    std::cerr << "HTML version: " << o.html << "\n";
  }
  return 0;
}

}  // namespace
}  // namespace tv::host

int main(int argc, char** argv) {
  tv::host::Options options;
  try {
    if (!tv::host::ParseOptions(argc, argv, options)) {
      tv::host::PrintHelp();
      return 0;
    }
    return tv::host::Run(options);
  } catch (const tv::Exception& e) {
    std::cerr << "tolvaren-host: " << tv::Cp1251ToUtf8(e.Message()) << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "tolvaren-host: " << e.what() << "\n";
    return 2;
  }
}
