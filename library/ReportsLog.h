#pragma once
// The library's process-wide life: the report log and what the library
// sets up when it is loaded and tears down when it is unloaded.

#include "foundation/FileLogger.h"

namespace tv {

// The report log "C:\FUEL\LogFiles\Reports.log", prefix "[Tolvaren]". Made
// by LibraryStartup; every entry point runs that first.
TFileLogger& ReportsLogger();

// Runs once per load (later calls return at once): binds the database
// support library (FBUtils; without it the host process ends), makes the
// report log, hands it to the HTML engine, sets the template variable
// "valuta" to "руб." and routes the system beep and message box into the
// log.
void LibraryStartup();

// At unload (the end of the process: the library is linked not to be
// unloaded earlier, since it holds the support library and the Firebird
// client, which must not lose code under them): frees the log (the HTML
// engine loses it), forgets the host's procedures, clears the payment
// types, the last HTML report and the request's configuration file name,
// and lets the support library go.
void LibraryShutdown();

}  // namespace tv
