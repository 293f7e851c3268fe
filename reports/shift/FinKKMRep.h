#pragma once
// The financial report by cash registers ("Финансовый отчет по кассам",
// HTML only): for a period, per register number of the receipts, the fuel
// sold through it (station table BCheck, per shift) and, by the template's
// variant, the goods sold through it in each goods department's own
// database, in money per check type (seven columns) and in litres and
// money per payment type, with a total per register and grand totals. The
// close-of-shift report runs it as its section 13.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/data/Currency.h"
#include "platform/text/DateTime.h"
#include "platform/data/MemoryData.h"
#include "platform/text/StringList.h"

namespace tv {

class TReportCreator;
class THTML_Jet;
class TIBDatabase;
class TIBDataSet;

namespace FinKKMUnit {

// Builds the report into `html`. shiftLog: the period's shifts ("SmNum",
// "BegTime", "EndTime"; a shift without an end runs until now);
// shiftPayTypes: the check type of each shift's payment types ("SmNum",
// "VidOpl", "CheckType"); officeMode: receipts of the office's own sales
// (KA not 0) count too; begTime, endTime: the period (0: not given);
// tovarPath: the station's own goods department (empty: fuel only);
// depList: the goods departments, "name=folder"; htmlName: the template.
// The memory copies' cursors move; their rows stay as they are. Nothing is
// thrown: a failure sets errorText and appends its text to `html`.
void GetFinKKMReport(TReportCreator& creator, const TRxMemoryData& shiftLog,
                     const TRxMemoryData& shiftPayTypes, bool officeMode, TDateTime begTime,
                     TDateTime endTime, const std::string& tovarPath, const std::string& tempFile,
                     const TStringList& depList, const std::string& formName,
                     const std::string& htmlName, std::string& html, std::string& errorText);

}  // namespace FinKKMUnit

// Litres and money of one payment type or check type, fixed point with four
// decimals.
struct TKKMVOSum {
  Currency Liters, Money;
};

// Sums by key in the order the keys first came: a payment-type code ("3"),
// "VO_" + code or "CH_" + check type.
class TKKMVOSumList {
 public:
  void Add(const std::string& key, Currency liters, Currency money);
  bool Empty() const { return items_.empty(); }
  void Clear();
  const std::vector<std::pair<std::string, TKKMVOSum>>& Items() const { return items_; }

 private:
  std::vector<std::pair<std::string, TKKMVOSum>> items_;
  std::unordered_map<std::string, std::size_t> index_;
};

// Seven (litres, money) pairs by check type 0 .. 6.
using TKKMTypeSums = std::array<TKKMVOSum, 7>;

// The fuels of one register line, each with its "VO_"/"CH_" sums.
class TKKMFuelList {
 public:
  TKKMVOSumList& Fuel(const std::string& name);
  const std::vector<std::pair<std::string, TKKMVOSumList>>& Items() const { return items_; }

 private:
  std::vector<std::pair<std::string, TKKMVOSumList>> items_;
  std::unordered_map<std::string, std::size_t> index_;
};

class TFinKKMRep {
 public:
  TFinKKMRep() = default;
  ~TFinKKMRep();
  TFinKKMRep(const TFinKKMRep&) = delete;
  TFinKKMRep& operator=(const TFinKKMRep&) = delete;

  TRxMemoryData* ShiftLog = nullptr;
  TRxMemoryData* ShiftPayTypes = nullptr;
  TReportCreator* Creator = nullptr;
  bool OfficeMode = false;
  TDateTime BegTime = 0, EndTime = 0;
  std::string TovarPath, TempFile;
  std::string HtmlName;  // the template, as GetWebFormFileName resolves it
  TStringList DepList;
  std::string Html;
  // HasKKM1: a receipt of the period on register line 1; HasKKM2: one on a
  // line other than 0 and 1 (line 2 and beyond, all counted in the third
  // row).
  bool ShowNames = false, HasKA = false, HasKKMColumn = false, HasKKM1 = false, HasKKM2 = false;

  // Fills Html; failures pass on.
  void BuildReport();
  // The variant 0 .. 5 of the template parameter "RepType".
  int GetRepType(const std::string& repType) const;

 private:
  struct TDepartment {
    std::string Name;
    int Position = 0;  // in DepList, from 0
    TIBDatabase* Db = nullptr;
    bool HasKKMNum = false;  // its DOCUMENTS has the column KKMNUM
  };
  struct TShiftSpan {
    int SmNum = 0;
    TDateTime Beg = 0, End = 0;
    // Receipts up to here belong to the shift before (a receipt stamped
    // exactly at a shift change is counted once, under the earlier shift).
    TDateTime After = 0;
  };
  // What the rows of one register add into besides their own row.
  struct TKKMTotals {
    TKKMTypeSums* Types[2];
    TKKMVOSumList* Lists[2];
  };

  static int64_t ShiftVOKey(int shift, int vidOpl) {
    return (static_cast<int64_t>(shift) << 32) ^ static_cast<uint32_t>(vidOpl);
  }
  // The registers seen, each once, in the order they came.
  struct TRegisterList {
    std::vector<std::string> Items;
    std::unordered_set<std::string> Seen;
    void Add(const std::string& reg) {
      if (Seen.insert(reg).second) Items.push_back(reg);
    }
  };
  void ReadShiftCopies();
  void ConnectDepartments();
  void CollectDepartmentRegisters(TRegisterList& registers);
  void OpenRegisterList(TIBDataSet& q, const char* sql, const std::string& kkm);
  void CollectStationRegisters(TRegisterList& registers);
  void ProcessKKMData(int r);
  void AddFuelSection(int r, int k, const TKKMTotals& totals);
  void WriteFuelRows(int r, int k, const TKKMTypeSums& types, const TKKMVOSumList& list,
                     const TKKMFuelList& fuels);
  void AddCheckSums(int vidOpl, Currency liters, Currency money, const std::string* fuel,
                    int checkType, TKKMTypeSums& types, TKKMVOSumList& list,
                    const TKKMTotals& totals, TKKMFuelList* fuels);
  static void AddVOSum(TKKMVOSumList& list, const std::string& key, Currency liters,
                       Currency money);
  void AddDepartment(int r, const TKKMTotals& totals);
  std::vector<std::string> CollectKKMNums(const std::string& dep, int r) const;
  void AddGoodsSection(const TDepartment& dep, int r, const std::string& kkmNum,
                       TKKMTypeSums& types, TKKMVOSumList& list, const TKKMTotals& totals);
  void WriteTypeSums(const TKKMTypeSums& types, const TKKMVOSumList& list);
  void WriteSums(const TKKMTypeSums& types, const TKKMVOSumList& list, bool litres);

  int variant_ = 0;
  std::unique_ptr<THTML_Jet> jet_;
  std::vector<TDepartment> departments_;
  // DepKeys: department name + "#" + register -> its register numbers.
  std::unordered_map<std::string, std::vector<std::string>> depKeys_;
  std::vector<TShiftSpan> shifts_;
  std::unordered_map<int64_t, int> checkTypes_;  // (shift, payment type) -> check type
  int currentShift_ = 0;
  TKKMTypeSums grandTypes_{};
  TKKMVOSumList grandList_;
};

}  // namespace tv
