#pragma once
// Unit TTNUnit: what the waybill copies between office and station share.
//
// Waybill ids (TTN.TTN_ID) are split in two ranges: 100000000 and above is
// a row made in the office, below is a row made in (or copied into) a
// station; a station's copy of an office row keeps the office id in
// OFCTTNID. ISDELETE = 1 is a soft delete, NULL counts as 0.
//
// The unit keeps two process-wide things: the waybill id counter behind
// GetNextTTNID and the capability record of every database it has probed
// (GetConnectionData), both safe to use from any thread.

#include <cstdint>
#include <string>

#include "foundation/HostQuery.h"

namespace tv {
class TIBDatabase;
class TIBTransaction;
class TStringList;
class TFileLogger;
}  // namespace tv

namespace tv::TTNUnit {

// The first id of the office range.
inline constexpr int32_t kOfficeIdBase = 100000000;
// The host mode of an office host (host question 46).
inline constexpr int kOfficeHostMode = 3;

// The capabilities of one database, probed once per process.
struct TAZSConnectionData {
  bool HasID2CNT = false;         // LOGTRAN has a column ID2CNT
  bool ContractorsEmpty = false;  // VDCONTRACTOR holds no row
  bool HasTTNDetail = false;      // the table TTNDETAIL exists
  bool HasPlotNomer = false;      // LOGTRAN has a column PLOTNOMER
};

// The next waybill id. One counter serves the whole process. The first
// time a database (by connection string, letter case ignored) is seen, the
// counter is raised to at least that database's maximum in the host's
// range (the office range when `host` answers mode 3, else the local
// range; 100000000 for an office database without office rows); later
// calls for it never query again. The load is serialised, the increment
// atomic. Raises the database error (nothing changes, the next call loads
// again) or Exception when the local range (below 100000000) or the 32-bit
// range would be left.
int32_t GetNextTTNID(TIBDatabase* database, const THostQuery& host);
// The last id handed out, -1 before the first load.
int32_t LastTTNID();

// The capability flags of `database`, probed on first use (the database is
// connected when it is not): TTNDETAIL present, LOGTRAN's ID2CNT and
// PLOTNOMER columns, VDCONTRACTOR empty; then the one-time detail migration
// runs in `transaction` (MoveTTNDetailsToTable). Later calls answer from
// the cache without a query. A caller that asks while another thread
// probes the same database waits for that probe. A probe that fails passes
// its error on and leaves nothing cached. `log` receives the migration's
// failure (may be null).
TAZSConnectionData GetConnectionData(TIBDatabase* database, TIBTransaction* transaction,
                                     TFileLogger* log = nullptr);
void GetConnectionData(TIBDatabase* database, TIBTransaction* transaction, bool& hasTTNDetail,
                       bool& hasID2CNT, bool& contractorsEmpty, bool& hasPlotNomer,
                       TFileLogger* log = nullptr);

// Moves the single-detail columns that older databases keep in TTN (a
// TTNDETAIL column X comes from TTN column X1, INDEXSALE from INDEXSALE)
// into TTNDETAIL when that table exists and holds no row: one detail row
// with ID 1 and the four print flags 1 per waybill, all in `transaction`,
// committed at the end. An empty TTN starts no transaction. A failure is
// rolled back, logged at level 2 on `log` and not raised.
void MoveTTNDetailsToTable(TIBDatabase* database, TIBTransaction* transaction, bool hasTTNDetail,
                           TFileLogger* log = nullptr);

// True when the database holds the table TTNDETAIL. Database errors pass on.
bool TTNDetailExists(TIBDatabase* database);
// Clears `fields`, appends TTNDETAIL's column names in table order and
// answers True when the table holds no row. Database errors pass on.
bool GetTTNDetailFields(TIBDatabase* database, TStringList& fields);
// The TTN column a TTNDETAIL column is filled from: X1 for X, but
// INDEXSALE for INDEXSALE (names compared exactly).
std::string DetailSourceColumn(const std::string& detailColumn);
// INSERT INTO TTNDETAIL ("A","B") VALUES (:A,:B) over the names.
std::string BuildTTNDetailInsertSQL(const TStringList& fields);

// Forgets every capability record (the unit's end; tests).
void FinalizeConnectionData();
// Forgets the id counter and the databases it has seen (tests).
void ResetTTNIDCounter();

}  // namespace tv::TTNUnit
