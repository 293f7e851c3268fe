#include "library/ReportsLog.h"

#include <memory>
#include <mutex>

#include "engines/HTMLJet.h"
#include "exchange/ProviderRegistry.h"
#include "foundation/FBUtils.h"
#include "library/HostCallbacks.h"
#include "library/ReportCreator.h"
#include "library/ReportsInterface.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "platform/os/UserServices.h"

namespace tv {

namespace {

std::unique_ptr<TFileLogger>& LoggerSlot() {
  static std::unique_ptr<TFileLogger> logger;
  return logger;
}

std::once_flag& StartupFlag() {
  static std::once_flag flag;
  return flag;
}

void Startup() {
  RequireRootFolder();  // its locks and the log live there
  FBUtils::Initialize();
  auto logger = std::make_unique<TFileLogger>("C:\\FUEL\\LogFiles\\Reports.log");
  logger->SetPrefix("[Tolvaren]");
  LoggerSlot() = std::move(logger);
  HTMLJet::HTMLJetLogger = LoggerSlot().get();
  HTMLJet::SetGlobalVar("valuta", "руб."_w);
  // A Windows beep or message box has no place in a library without a
  // screen: they leave a line in the report log instead.
  SetBeepHandler([](unsigned frequencyHz, unsigned durationMs) {
    if (LoggerSlot()) {
      LoggerSlot()->LogFmt("Звуковой сигнал %d Гц, %d мс"_w, {frequencyHz, durationMs}, 4);
    }
  });
  SetMessageBoxHandler([](const std::string& text, const std::string& caption) {
    if (LoggerSlot()) LoggerSlot()->Log(caption + ": " + text, 4);
  });
  // Made last, so that it is destroyed first at unload, while everything
  // that LibraryShutdown touches still exists.
  static const struct UnloadGuard {
    ~UnloadGuard() { LibraryShutdown(); }
  } unloadGuard;
}

}  // namespace

TFileLogger& ReportsLogger() {
  LibraryStartup();
  if (!LoggerSlot()) Startup();  // only after an unload step; keeps callers safe
  return *LoggerSlot();
}

void LibraryStartup() { std::call_once(StartupFlag(), Startup); }

void LibraryShutdown() {
  // Remote data modules still alive close their connections while the
  // support library and the log are there.
  exchange::CloseAllProviderOwners();
  SetBeepHandler(nullptr);
  SetMessageBoxHandler(nullptr);
  HTMLJet::HTMLJetLogger = nullptr;
  LoggerSlot().reset();
  ClearHostProcs();
  ClearVidOpl();
  LastHTMLReport.clear();
  CnfIniFileName.clear();
  FBUtils::Finalize();
}

}  // namespace tv
