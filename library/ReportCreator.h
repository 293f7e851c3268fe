#pragma once
// TReportCreator, the object of one report request: it reads the open
// shift, opens the station database, sets the request's switches of the
// template engines, runs the builder of the report code (ReportArms.h) and
// logs the outcome. Builders receive it as their first argument.

#include <exception>
#include <string>

#include "engines/HTMLDocument.h"
#include "platform/text/DateTime.h"
#include "platform/data/Variant.h"

namespace tv {

class TIBDatabase;

// The HTML version of the last report, fetched with code '7'; every other
// request resets it to "HTML-отчет не сформирован!" and builders write it.
extern THTMLDocument LastHTMLReport;
// "HTML-отчет не сформирован!": LastHTMLReport when no HTML version exists.
const std::string& NoHTMLReportText();
// Set by '#' [1000, v]: the template variant is fixed for the process.
extern bool AltTemplatesFixed;
// The configuration file of the current request: the host's data folder +
// "cnf.ini" for an office host, else "C:\WINDOWS\cnf.ini".
extern std::string CnfIniFileName;

// The message of any exception, as error texts quote it.
std::string ExceptionMessage(const std::exception& e);

class TReportCreator {
 public:
  // Reads the open shift (station hosts), sets CnfIniFileName, refreshes the
  // payment types of an office host and opens the station database (the
  // host's data folder + "Velmar.FDB"). Raises on a registry, host or
  // database failure, having freed what it made.
  TReportCreator();
  ~TReportCreator();
  TReportCreator(const TReportCreator&) = delete;
  TReportCreator& operator=(const TReportCreator&) = delete;

  // The connected station database (owned).
  TIBDatabase* Database = nullptr;
  bool IsSmenaOpen = false;
  int SmenaNum = -1;             // -1: no shift number read
  TDateTime SmenaBeginTime = 0;  // 0: no begin time read

  // A shift is open and it is shift `shift`.
  bool IsOpenSmena(int shift) const { return IsSmenaOpen && SmenaNum == shift; }

  // Fills the three shift fields from the registry of a station host.
  void CollectSmenaInfo();

  // Runs the report of `code` with `params`: True with the report's text (or
  // a builder's error text) in `text`; False for a code without a report.
  // Raises only when the request's configuration cannot be read.
  bool MakeReport(char code, const Variant& params, std::string& text);
};

}  // namespace tv
