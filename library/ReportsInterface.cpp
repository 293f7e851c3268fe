#include "library/ReportsInterface.h"

#include "engines/HTMLJet.h"
#include "foundation/ReportUtils.h"
#include "foundation/VidOpl.h"
#include "foundation/XMUtils.h"
#include "library/CheckReportForms.h"
#include "library/HostCallbacks.h"
#include "library/ReportBuilders.h"
#include "library/ReportCreator.h"
#include "library/ReportParams.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"

namespace tv {

bool OfficeHost = false;
Variant VidOplNames;
Variant VidOplArray;
int VidOplCount = 0;

void ClearVidOpl() {
  VidOplNames = Variant();
  VidOplArray = Variant();
  VidOplCount = 0;
}

namespace {

// Runs one start-up question; a host that cannot answer leaves the state
// as it was, which is all InitReports needs.
template <class Step>
void Quietly(Step&& step) {
  try {
    step();
  } catch (...) {
  }
}

void MakeFormFolder(const std::string& folder) {
  if (!ForceDirectories(folder)) throw Exception("Ошибка создания каталога "_w + folder);
}

}  // namespace

void InitReports(THostFillDataProc fillData, THostCallback query, THostReportCallback reportFunc) {
  StoreHostProcs(fillData, query, reportFunc);
  if (HostCallback != nullptr) {
    Quietly([] { OfficeHost = AskHost(hcHostMode).AsInteger() == 3; });
    Quietly([] {
      const std::string currency = Trim(AskHost(hcCurrencyName, 3).AsString());
      if (!currency.empty()) HTMLJet::SetGlobalVar("valuta", currency);
    });
    Quietly(
        [] { HTMLJet::MoneyFormat = "%." + IntToStr(AskHost(hcMoneyDecimals).AsInteger()) + "n"; });
  }
  UpdateVidOpl();
  // Reports of a process that ended in the middle leave their output behind.
  RemoveStaleTempFilesXM();
  MakeFormFolder("C:\\FUEL\\FORMS\\REPORT\\");
  MakeFormFolder("C:\\FUEL\\FORMS\\WEBREP\\");
  CheckReportForms(ReportsLogger(), HostQuery(), ReportLibraryFolder());
}

void UpdateVidOpl() {
  ClearVidOpl();
  if (HostCallback == nullptr) return;
  Quietly([] {
    VidOplNames = AskHost(hcVidOplNames);
    if (!VidOplNames.IsArray()) {
      VidOplNames = VarArrayCreate({0, 12}, VarType::Variant);
      for (int i = 0; i <= 12; ++i) VidOplNames[i] = Variant(DefaultVidOplNames()[i]);
    }
    VidOplCount = VidOplNames.HighBound(1) + 1;
    for (int i = 0; i < VidOplCount; ++i) {
      std::string name = VarToStr(VidOplNames[i]);
      if (name.empty()) name = "Вид оплаты без имени"_w;
      if (name[0] == '&') name.erase(0, 1);
      VidOplNames[i] = Variant(std::move(name));
    }
    Variant table;
    BuildVidOplArray(VidOplNames, HostQuery(), table);
    VidOplArray = std::move(table);
  });
}

THTMLDocument& HandOverLastHTMLReport() {
  ReportsLogger().Log("Запрошена HTML-версия отчета"_w, 1);
  return LastHTMLReport;
}

bool GetReportsInStringEx(char code, const Variant& params, std::string& text) {
  if (code == '#') {
    const TReportParams p(params);
    const int subCode = p.I(0);
    if (subCode == 1000) {
      AltTemplatesFixed = true;
      HTMLJet::UseAltTemplates = VarEquals(p.V(1), Variant(0));
      text.clear();
      return false;
    }
    if (subCode == 17) {
      if (LibraryUnits.CallFunction == nullptr) {
        throw Exception("Пользовательские функции не входят в эту сборку библиотеки"_w);
      }
      const int command = p.I(1);
      Variant result;
      LibraryUnits.CallFunction(command, p.V(2), result);
      text = VariantToDebugStr(result);
      return true;
    }
  }
  if (code == '7') {
    text = HandOverLastHTMLReport().Text();
    return true;
  }
  try {
    // The exports let a report request through without its root folder.
    RequireRootFolder();
    LibraryStartup();
    TReportCreator creator;
    return creator.MakeReport(code, params, text);
  } catch (const std::exception& e) {
    text = "Ошибка при формировании отчета: "_w + ExceptionMessage(e);
    return false;
  }
}

std::u16string GetReportVars() {
  if (LibraryUnits.ReportVarsText == nullptr) {
    throw Exception("Каталог переменных отчетов не входит в эту сборку библиотеки"_w);
  }
  return Cp1251ToUtf16(LibraryUnits.ReportVarsText());
}

void DCOMServerOnCreate(void* owner) {
  try {
    const int mode = AskHost(hcHostMode).AsInteger();
    if ((mode == 0 || mode == 3) && owner != nullptr &&
        LibraryUnits.CreateDCOMDataModule != nullptr) {
      LibraryUnits.CreateDCOMDataModule(owner);
    }
  } catch (const std::exception& e) {
    ReportsLogger().LogFmt("Ошибка DCOMServerOnCreate: %s"_w, {ExceptionMessage(e)}, 2);
  }
}

}  // namespace tv
