#pragma once
// The command-line host's three procedures: each answers from the host
// configuration. The library's procedure types carry no context, so the
// answers come from one process-wide current host.

#include <functional>
#include <string>

#include "host/HostConfig.h"
#include "host/HostLibrary.h"

namespace tv::host {

class THostAnswers {
 public:
  // `trace` (may be empty) receives one line per question, in UTF-8.
  THostAnswers(const TolvarenLibrary& library, THostConfig config,
               std::function<void(const std::string&)> trace = {});
  ~THostAnswers();
  THostAnswers(const THostAnswers&) = delete;
  THostAnswers& operator=(const THostAnswers&) = delete;

  // Writes the open shift as the station's control application keeps it:
  // registry key "SOFTWARE\Halvorsk\AZS" (IsSmenaOpen, SmenaNum,
  // SmenaBeginTime) from [Shift].
  void WriteShiftRegistry() const;

  // The procedures to hand to InitReports; they answer for this object
  // while it lives (one at a time).
  static THostCallback Query();
  static THostFillDataProc Fill();
  static THostReportCallback Report();

  const THostConfig& Config() const { return config_; }

 private:
  int32_t Answer(TVVariant* result, int32_t code, int32_t param) const;
  int32_t FillData(int32_t kind, TVMemoryData* data) const;
  int32_t SectionText(TVText* text, int32_t code) const;
  void SetText(TVVariant* v, const std::string& text) const;
  void AnswerPaymentTypes(TVVariant* result, int32_t code) const;
  void Trace(const std::string& line) const;

  const TolvarenLibrary& lib_;
  THostConfig config_;
  std::function<void(const std::string&)> trace_;
};

}  // namespace tv::host
