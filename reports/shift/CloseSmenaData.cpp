// The data load of the close-of-shift report: memory copies of the range's
// dispenser, tank, log and payment rows (closed shifts from the station
// database, the open shift from the host), and the report's settings.
#include <memory>
#include <unordered_set>

#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "foundation/SafeIniFiles.h"
#include "foundation/XMUtils.h"
#include "library/HostCallbacks.h"
#include "library/IBSource.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "library/ReportsInterface.h"
#include "library/ReportsLog.h"
#include "platform/text/Format.h"
#include "platform/ib/IBDataSet.h"
#include "reports/shift/CloseSmenaRep.h"

namespace tv {

namespace {

constexpr const char* TableNames[4] = {"SmTrk", "SmSilo", "SmLog", "SiloVO"};

}  // namespace

void TCloseSmenaRep::OpenShiftData() {
  OpenSmena = false;
  GsmList.reset();
  GsmList2.reset();
  SiloList.reset();
  TrkList.reset();
  SmTrk.reset();
  SmSilo.reset();
  SmLog.reset();
  SiloVO.reset();
  std::unique_ptr<TIBDataSet> db[4];
  const std::string filter =
      Format(" WHERE SmNum BETWEEN %d AND %d ORDER BY SmNum", {SmenaFrom, SmenaTo});
  for (int i = 0; i < 4; ++i) {
    db[i].reset(FBUtils::FBCreateDataSetForRead(Creator->Database, true, nullptr, nullptr,
                                                TableNames[i]));
    db[i]->SelectSQL().SetText(std::string("SELECT * FROM ") + TableNames[i] + filter);
    // Each row is kept once, in its memory copy: the database data sets
    // hold only the row being copied. The shift log is walked twice (the
    // open-shift test, then the copy) and is small.
    if (i != 2) db[i]->SetUniDirectional(true);
  }
  TovarDepList = std::make_unique<TStringList>();
  KKMSectionNames = std::make_unique<TStringList>();
  VidOplList = std::make_unique<TStringList>();
  ReadConfigData();
  SmTrk = std::make_unique<TRxMemoryData>("SmTrk");
  SmSilo = std::make_unique<TRxMemoryData>("SmSilo");
  SmLog = std::make_unique<TRxMemoryData>("SmLog");
  SiloVO = std::make_unique<TRxMemoryData>("SiloVO");
  TRxMemoryData* memory[4] = {SmTrk.get(), SmSilo.get(), SmLog.get(), SiloVO.get()};
  for (int i = 0; i < 4; ++i) CopyTableStructure(*db[i], *memory[i]);
  FillTovarDepList(*TovarDepList, OfficeFlag);

  // The open shift has no log row in the database yet.
  if (SmenaFrom == -1) {
    OpenSmena = true;
  } else if (AskHost(hcSmenaNum).AsInteger() == SmenaFrom) {
    bool logged = false;
    for (db[2]->First(); !db[2]->Eof() && !logged; db[2]->Next())
      logged = db[2]->FieldByName("SmNum").AsInteger() == SmenaFrom;
    OpenSmena = !logged;
  }
  if (OpenSmena) {
    LoadOpenShift();
  } else {
    for (int i = 0; i < 4; ++i) {
      CopyTableRows(*db[i], *memory[i]);
      db[i].reset();  // its cursor and buffers go before the next table is read
    }
  }
  if (!OpenSmena || HostFillDataProc != nullptr) FillVidOplList();
}

void TCloseSmenaRep::LoadOpenShift() {
  // Without the host's fill procedure the tables stay empty.
  if (HostFillDataProc == nullptr) return;
  FillHostData(fdSmLog, *SmLog);
  FillHostData(fdSmTrk, *SmTrk);
  FillHostData(fdSmSilo, *SmSilo);
  FillHostData(fdSiloVO, *SiloVO);
  SmenaFrom = AskHost(hcSmenaNum).AsInteger();
  SmenaTo = AskHost(hcSmenaNum).AsInteger();
}

void TCloseSmenaRep::FillVidOplList() {
  std::unordered_set<std::string> seen;
  const int field = SiloVO->FindField("VIDOPL");
  if (field >= 0) {
    for (SiloVO->First(); !SiloVO->Eof(); SiloVO->Next()) {
      std::string code = SiloVO->Fields(field).AsString();
      if (seen.insert(code).second) VidOplList->Add(std::move(code));
    }
  }
  for (int i = 0; i < VidOplCount; ++i) {
    std::string code = VidOplArray.At(i, 1).AsString();
    if (seen.insert(code).second) VidOplList->Add(std::move(code));
  }
}

void TCloseSmenaRep::ReadConfigData() {
  try {
    TSafeIniFile ini(CnfIniPath());
    PutTovarSalesToFinReport = ini.ReadBool("REPORTS", "PutTovarSalesToFinReport", false);
    KKMSectionNames->SetText(ini.ReadHexString("REPORTS", "KKMSectionNames", ""));
  } catch (const std::exception& e) {
    ReportsLogger().Log("ReadConfigData -> " + ExceptionMessage(e), 2);
  }
}

}  // namespace tv
