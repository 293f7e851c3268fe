// The cash-register balance of the financial section: what each of up to
// three registers received at the start of the range, the cash it took, the
// money handed over and the money passed on, from KKMOPER (or the shift log
// where it has no rows) and the cash checks of BCHECK.
#include "reports/shift/KKMBalance.h"

#include <array>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "library/HostCallbacks.h"
#include "library/ReportCreator.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/shift/CloseSmenaRep.h"

namespace tv {

namespace {

const char* const CashSumsSql =
    "SELECT NKKM, SUM(q.SUMMA) AS NALSUMMA\r\n"
    "FROM\r\n"
    "    (\r\n"
    "    -- the newer station server keeps each shift's receipt index range in SMLOG\r\n"
    "    SELECT COALESCE(b.KKM, 0) + 1 AS NKKM, b.SUMMA\r\n"
    "    FROM SMLOG sm\r\n"
    "    LEFT JOIN BCHECK b ON (b.INDEXSALE BETWEEN sm.INDEXSALE_BEG AND sm.INDEXSALE_END)\r\n"
    "    LEFT JOIN SMTRK tr ON tr.SMNUM=sm.SMNUM AND tr.TRKINDEX=b.TRKINDEX+1 AND "
    "tr.PISTOLET=b.NUMBER\r\n"
    "    LEFT JOIN SILOVO vo ON (vo.SMNUM=sm.SMNUM) AND (vo.SILONUM=tr.SILONUM) AND "
    "(vo.VIDOPL=b.VIDOPL)\r\n"
    "    WHERE (vo.CHECKTYPE=0)#KA# AND (sm.SMNUM BETWEEN :SmBeg AND :SmEnd)\r\n"
    "          AND (sm.INDEXSALE_BEG > 0)\r\n"
    "    \r\n"
    "    UNION ALL\r\n"
    "    \r\n"
    "    -- the older station server kept no receipt index range in SMLOG; matching by\r\n"
    "    -- date is the fallback, unreliable when the computer's clock has failed\r\n"
    "    SELECT COALESCE(b.KKM, 0) + 1 AS NKKM, b.SUMMA\r\n"
    "    FROM SMLOG sm\r\n"
    "    LEFT JOIN BCHECK b ON (b.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME)\r\n"
    "    LEFT JOIN SMTRK tr ON tr.SMNUM=sm.SMNUM AND tr.TRKINDEX=b.TRKINDEX+1 AND "
    "tr.PISTOLET=b.NUMBER\r\n"
    "    LEFT JOIN SILOVO vo ON (vo.SMNUM=sm.SMNUM) AND (vo.SILONUM=tr.SILONUM) AND "
    "(vo.VIDOPL=b.VIDOPL)\r\n"
    "    WHERE  (vo.CHECKTYPE=0)#KA# AND (sm.SMNUM BETWEEN :SmBeg AND :SmEnd)\r\n"
    "           AND ((sm.INDEXSALE_BEG IS NULL) or (sm.INDEXSALE_BEG = 0))\r\n"
    "    ) q\r\n"
    "GROUP BY NKKM";

// "#KA#" takes the own-sales condition; a database of an older schema has
// no column KA in BCHECK, and every check there is the station's own.
const char* const OwnChecksSql = " AND (COALESCE(b.KA, 0) = 0)";

const char* const KKMOperProbeSql =
    "SELECT * FROM RDB$RELATIONS WHERE RDB$RELATION_NAME='KKMOPER'";
const char* const KKMOperSql =
    "SELECT SMNUM, KKM, OPTYPE, SUM(SUMMA) AS SUMMA FROM KKMOPER WHERE (SMNUM BETWEEN :bSmNum AND "
    ":eSmNum) AND OPTYPE IN (0,1) GROUP BY SMNUM, KKM, OPTYPE ";

Currency Money(long double value) { return Currency(value); }

// The host's answer to code 45 AND the first shift's flag, as a variant AND
// taken as Boolean; an answer without a value counts as false.
bool GoodsToRegister2(bool firstTovarKKM) {
  const Variant answer = AskHost(hcTovarKKMFlag);
  if (answer.IsNull() || answer.IsEmpty()) return false;
  return firstTovarKKM && answer.AsBoolean();
}

void MoneyVar(TRepGen& rep, THTML_Jet& jet, const char* name, Currency value) {
  rep.SetVar(name, Format("%m", {value}));
  jet.AddFloat(name, "%m", static_cast<double>(value));
}

// The totals are Currency: the exact four decimals go into the text, so a
// half kopeck of the sum rounds up, whatever binary neighbour a double of
// the cash money had.
void TotalVar(TRepGen& rep, THTML_Jet& jet, const char* name, const char* textFormat,
              Currency value) {
  rep.SetVar(name, Format(textFormat, {value}));
  jet.AddFloatDefault(name, static_cast<double>(value));
}

}  // namespace

bool TCloseSmenaRep::GetCashSumsByKKM() {
  if (OpenSmena) return false;
  RegObjTo(BCheckSums, FBUtils::FBCreateDataSetForRead(Creator->Database, true, nullptr, nullptr,
                                                       "BCheckSums"));
  try {
    const bool hasKA = FBUtils::HasColumn(Creator->Database, "BCHECK", "KA");
    BCheckSums->SelectSQL().SetText(
        StringReplace(CashSumsSql, "#KA#", hasKA ? OwnChecksSql : "", rfReplaceAll));
    BCheckSums->ParamByName("SmBeg").SetAsInteger(SmenaFrom);
    BCheckSums->ParamByName("SmEnd").SetAsInteger(SmenaTo);
    BCheckSums->Open();
    return true;
  } catch (const std::exception&) {
    // A station database without the receipt index range (or without
    // BCHECK's other columns) has no cash by register: the section's own cash
    // money stands in for register 1.
    return false;
  }
}

void TCloseSmenaRep::OpenKKMOper() {
  RegObjTo(KKMOper, FBUtils::FBCreateDataSetForRead(Creator->Database, true, nullptr, nullptr,
                                                    "KKMOper"));
  RegObjTo(KKMOperSums, new TKKMOperIndex);
  KKMOper->SelectSQL().SetText(KKMOperProbeSql);
  KKMOper->Open();
  KKMOperExists = !KKMOper->Eof();
  KKMOper->Close();
  if (!KKMOperExists) return;
  KKMOper->SelectSQL().SetText(KKMOperSql);
  KKMOper->ParamByName("bSmNum").SetAsInteger(OpenSmena ? 0 : SmenaFrom);
  KKMOper->ParamByName("eSmNum").SetAsInteger(OpenSmena ? 0 : SmenaTo);
  KKMOper->Open();
  // The balance looks up every shift of the range: one pass makes the
  // look-ups constant, finding what a locate from the first row finds.
  TIBField& smNum = KKMOper->FieldByName("SMNUM");
  TIBField& kkm = KKMOper->FieldByName("KKM");
  TIBField& opType = KKMOper->FieldByName("OPTYPE");
  TIBField& summa = KKMOper->FieldByName("SUMMA");
  for (KKMOper->First(); !KKMOper->Eof(); KKMOper->Next()) {
    if (smNum.IsNull()) continue;  // a locate never matches a NULL
    KKMOperSums->Shifts.insert(smNum.AsInteger());
    if (kkm.IsNull() || opType.IsNull()) continue;
    KKMOperSums->Sums.emplace(std::make_tuple(smNum.AsInteger(), kkm.AsInteger(), opType.AsInteger()),
                              summa.AsCurrency());
  }
}

bool TCloseSmenaRep::GetKKMOperSum(int smNum, int kkm, Currency& sum0, Currency& sum1) {
  sum0 = Currency();
  sum1 = Currency();
  if (!KKMOperExists || KKMOperSums == nullptr) return false;
  if (OpenSmena) smNum = 0;  // the open shift's operations carry shift number 0
  if (KKMOperSums->Shifts.count(smNum) == 0) return false;
  const auto& sums = KKMOperSums->Sums;
  if (auto it = sums.find({smNum, kkm, 0}); it != sums.end()) sum0 = it->second;
  if (auto it = sums.find({smNum, kkm, 1}); it != sums.end()) sum1 = it->second;
  return true;
}

void TCloseSmenaRep::PutKKMBalance(TRepGen& rep, THTML_Jet& jet, const TFinTotals& t) {
  std::array<Currency, 3> received{}, handed{}, cash{}, passed{};
  Currency goods1, goods2;
  SmLog->First();
  OpenKKMOper();
  const bool goodsReg2 =
      GoodsToRegister2(!SmLog->IsEmpty() && SmLog->FieldByName("TovarKKM").AsInteger() == 1);
  for (SmLog->First(); !SmLog->Eof(); SmLog->Next()) {
    const bool first = SmLog->RecNo() == 1;
    const int s = SmLog->FieldByName("SMNUM").AsInteger();
    Currency in, out;
    if (GetKKMOperSum(s, 1, in, out)) {
      for (int k = 0; k < 3; ++k) {
        GetKKMOperSum(s, k + 1, in, out);
        if (first) received[k] = in;
        handed[k] += out;
      }
    } else {
      if (first) received[0] = Money(SmLog->FieldByName("InKKM").AsFloat());
      handed[0] += Money(SmLog->FieldByName("OutKKM").AsFloat());
      if (first) received[1] = Money(SmLog->FieldByName("InKKM2").AsFloat());
      handed[1] += Money(SmLog->FieldByName("OutKKM2").AsFloat());
    }
    const Currency goods = Money(SmLog->FieldByName("SummaTovary").AsFloat());
    if (goodsReg2 && SmLog->FieldByName("TovarKKM").AsInteger() == 1)
      goods2 += goods;
    else
      goods1 += goods;
  }
  if (GetCashSumsByKKM()) {
    TIBField& nkkm = BCheckSums->FieldByName("NKKM");
    TIBField& sum = BCheckSums->FieldByName("NALSUMMA");
    std::array<bool, 3> found{};
    for (BCheckSums->First(); !BCheckSums->Eof(); BCheckSums->Next()) {
      const int k = nkkm.AsInteger() - 1;
      if (nkkm.IsNull() || k < 0 || k > 2 || found[k]) continue;
      cash[k] = sum.AsCurrency();
      found[k] = true;
    }
  } else {
    cash[0] = Money(t.NalItog);
  }
  cash[0] += goods1;
  cash[1] += goods2;
  for (int k = 0; k < 3; ++k) passed[k] = received[k] + cash[k] - handed[k];

  const Currency goods = goods1 + goods2;
  TotalVar(rep, jet, "Tovary", "%12.2n", goods);
  TotalVar(rep, jet, "TovaryAllSum", "%.2n", Money(goods1 + goods2 + t.GoodsBNal));
  TotalVar(rep, jet, "AllSum", "%12.2n", Money(t.NalItog + goods1 + goods2));
  const char* const names[3][3] = {{"Sdano", "Prin", "Peredano"},
                                   {"Sdano2", "Prin2", "Peredano2"},
                                   {"Sdano3", "Prin3", "Peredano3"}};
  for (int k = 0; k < 3; ++k) {
    MoneyVar(rep, jet, names[k][0], handed[k]);
    MoneyVar(rep, jet, names[k][1], received[k]);
    MoneyVar(rep, jet, names[k][2], passed[k]);
  }
  const long double base = received[0] + goods1 + t.NalItog - handed[0];
  MoneyVar(rep, jet, "PeredanoEl", Money(base + t.ElNet));
  MoneyVar(rep, jet, "PeredanoEp", Money(base + t.ElGross));
  const Currency all2 =
      Money(static_cast<long double>(t.NalItog) + t.BNal + goods1 + goods2 + t.GoodsBNal);
  TotalVar(rep, jet, "AllItog2", "%12.2n", all2);
  jet.AddFloatDefault("_AllItog2", static_cast<double>(all2));
}

}  // namespace tv
