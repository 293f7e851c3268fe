#include "foundation/ReportSettings.h"

#include "foundation/SafeIniFiles.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"

namespace tv {

int DecL = 2;
int DecKg = 2;
int DecL2 = 2;
int DecKg2 = 2;
std::string VolumeFormat = "%.2n";
std::string MassFormat = "%.2n";
uint8_t RepSmType = 0;
int SiloReportSortField = 0;
bool NotRoundRVal = false;
bool FinPrcDelim = false;
bool RezGrGSM = false;

namespace {

// The host's default decimals of volumes and masses.
constexpr int kVolumeDecimalsQuestion = 9;

int HostVolumeDecimals(const THostQuery& host) {
  Variant answer;
  host(answer, kVolumeDecimalsQuestion, 0);
  return answer.AsInteger();
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A separator stored as two hexadecimal digits ("2C" a comma, "20" a
// blank); anything else leaves the system's.
char ReadSeparator(TSafeIniFile& ini, const char* key, char systemSeparator) {
  const std::string stored = ini.ReadHexString("Reports", key, std::string(1, systemSeparator));
  const std::string raw = ini.ReadString("Reports", key, "");
  if (!raw.empty() && (raw.size() != 2 || !IsHexDigit(raw[0]) || !IsHexDigit(raw[1]))) {
    return systemSeparator;
  }
  return stored.size() == 1 ? stored[0] : systemSeparator;
}

}  // namespace

std::string CnfIniPath() { return GetWindowsDir() + "cnf.INI"; }

void LoadReportSettings(const THostQuery& host, bool& repeatTableHeaderDefault,
                        TFormatSettings& reportFormatSettings) {
  TSafeIniFile ini(CnfIniPath());
  DecL = ini.ReadInteger("Reports", "DecL", 2);
  DecKg = ini.ReadInteger("Reports", "DecKg", 2);
  DecL2 = ini.ReadInteger("Reports", "DecL2", HostVolumeDecimals(host));
  DecKg2 = ini.ReadInteger("Reports", "DecKg2", HostVolumeDecimals(host));
  VolumeFormat = "%." + IntToStr(DecL2) + "n";
  MassFormat = "%." + IntToStr(DecKg2) + "n";
  RepSmType = static_cast<uint8_t>(ini.ReadInteger("Misc", "RepSmType", 0));
  SiloReportSortField = ini.ReadInteger("SmenaRep", "SiloReportSortField", 0);
  NotRoundRVal = !ini.ReadBool("SmenaRep", "RoundRVal", false);
  const TFormatSettings& system = DefaultFormatSettings();
  reportFormatSettings.DecimalSeparator =
      ReadSeparator(ini, "DecimalSeparator", system.DecimalSeparator);
  reportFormatSettings.ThousandSeparator =
      ReadSeparator(ini, "ThousandSeparator", system.ThousandSeparator);
  FinPrcDelim = ini.ReadBool("Reports", "FinPrcDelim", false);
  RezGrGSM = ini.ReadBool("Reports", "RezGrGSM", false);
  repeatTableHeaderDefault = ini.ReadBool("Reports", "RepeatH", true);
}

}  // namespace tv
