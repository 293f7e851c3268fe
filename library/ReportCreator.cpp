#include "library/ReportCreator.h"

#include <new>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "foundation/SafeIniFiles.h"
#include "library/HostCallbacks.h"
#include "library/ReportArms.h"
#include "library/ReportsInterface.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "platform/os/Registry.h"
#include "platform/os/SysInfo.h"

namespace tv {

THTMLDocument LastHTMLReport;

const std::string& NoHTMLReportText() { return "HTML-отчет не сформирован!"_w; }
bool AltTemplatesFixed = false;
std::string CnfIniFileName;

std::string ExceptionMessage(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return "Out of memory";
  return e.what();
}

TReportCreator::TReportCreator() {
  CollectSmenaInfo();
  const std::string dbPath = AskHost(hcDataFolder).AsString() + "Velmar.FDB";
  CnfIniFileName =
      OfficeHost ? AskHost(hcDataFolder).AsString() + "cnf.ini" : GetWindowsDir() + "cnf.ini";
  if (OfficeHost) UpdateVidOpl();
  // The password comes from the support library at run time; it is kept
  // nowhere here.
  Database = FBUtils::CreateDatabase(dbPath, FBUtils::GetFBPassword(), FBUtils::GetFBPort(), true,
                                     nullptr, "SYSDBA", "127.0.0.1", true, "RepGSM", "WIN1251");
}

TReportCreator::~TReportCreator() {
  try {
    FBUtils::FreeDatabase(Database);
  } catch (const std::exception& e) {
    ReportsLogger().Log("TReportCreator.Destroy -> " + ExceptionMessage(e), 2);
  }
}

void TReportCreator::CollectSmenaInfo() {
  IsSmenaOpen = false;
  SmenaNum = -1;
  SmenaBeginTime = 0;
  if (!VarEquals(AskHost(hcHostMode), Variant(0))) return;
  TRegistry reg;
  reg.SetRootKey(TRegistry::HKEY_LOCAL_MACHINE);
  if (!reg.OpenKeyReadOnly("SOFTWARE\\Halvorsk\\AZS")) {
    throw Exception("TReportCreator.CollectSmenaInfo: Не удалось прочесть данные из реестра!"_w);
  }
  IsSmenaOpen = reg.ValueExists("IsSmenaOpen") && reg.ReadInteger("IsSmenaOpen") == 1;
  if (IsSmenaOpen) {
    if (reg.ValueExists("SmenaNum")) SmenaNum = reg.ReadInteger("SmenaNum");
    if (reg.ValueExists("SmenaBeginTime")) SmenaBeginTime = reg.ReadDateTime("SmenaBeginTime");
  }
  reg.CloseKey();
}

namespace {

// The template variant of a request: the host's variant answer, else its
// "alternative forms" answer, else the ordinary templates.
bool AskAltTemplates() {
  try {
    return VarEquals(AskHost(hcTemplateVariant), Variant(0));
  } catch (const std::exception&) {
  }
  try {
    return AskHost(hcAltForms).AsBoolean();
  } catch (const std::exception&) {
  }
  return false;
}

void ReadSizeLimits() {
  TSafeIniFile ini(GetWindowsDir() + "cnf.ini");
  HTMLJet::MaxReportSizeMB = ini.ReadInteger("Reports", "MaxSize", 30);
  HTMLJet::MaxReportRows = ini.ReadInteger("Reports", "MaxRows", 30000);
}

}  // namespace

bool TReportCreator::MakeReport(char code, const Variant& params, std::string& text) {
  const Variant keptParams = params;
  const uint32_t t0 = GetTickCount();
  if (code != '7') {
    UpdateVidOpl();
    // The last report's text goes with it.
    LastHTMLReport = NoHTMLReportText();
  }
  if (!AltTemplatesFixed) HTMLJet::UseAltTemplates = AskAltTemplates();
  ReadSizeLimits();
  if (code != '7') {
    LoadReportSettings(HostQuery(), HTMLJet::RepeatTableHeaderDefault,
                       HTMLJet::ReportFormatSettings());
  }
  RepGen::UseAltForms = HTMLJet::UseAltTemplates;
  bool result = true;
  std::string name = "Неизвестный отчет"_w;
  const int ordinal = static_cast<unsigned char>(code);
  try {
    const TReportParams p(keptParams);
    TArmRequest request{*this, p, text, name};
    result = RunReportArm(code, request) == TArmResult::Made;
    const uint32_t elapsed = GetTickCount() - t0;
    if (result) {
      ReportsLogger().LogFmt("Отчет \"%s\" (%d) сформирован за %d мс"_w, {name, ordinal, elapsed},
                             1);
    } else {
      ReportsLogger().LogFmt("Отчет \"%s\" (%d) НЕ сформирован!"_w, {name, ordinal}, 1);
    }
  } catch (const std::exception& e) {
    const std::string message = ExceptionMessage(e);
    ReportsLogger().LogFmt("Ошибка формирования отчета \"%s\" №%d: %s"_w, {name, ordinal, message},
                           2);
    text = Format("Ошибка при формировании отчета \"%s\": %s"_w, {name, message});
    LastHTMLReport = text;
  }
  return result;
}

}  // namespace tv
