// Goods sales by cash-register section: the goods departments' sale and
// return documents of the report's period, summed by section, payment type
// and VAT rate.
#include "reports/shift/TovarKKMSums.h"

#include <cmath>
#include <memory>

#include "foundation/FBUtils.h"
#include "foundation/ReportUtils.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/text/FloatText.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBDataSet.h"
#include "reports/shift/CloseSmenaRep.h"

namespace tv {

namespace {

const char* const TovarSalesSql =
    "SELECT gm.\"TYPE\", gm.\"COUNT\" AS Kolvo, (gm.\"COUNT\" * gm.RPrice) AS RSumma,\r\n"
    "c.KKMSection, p.GsmVO AS Payment, d.Payment AS VOType, b.NDS, (gm.\"COUNT\" * b.ZPrice) AS "
    "ZSumma\r\n"
    "FROM Documents d\r\n"
    "LEFT JOIN GoodsMotion gm ON gm.ID_Doc=d.ID_Doc\r\n"
    "LEFT JOIN SaleDoc sd ON sd.ID_Doc=d.ID_Doc\r\n"
    "LEFT JOIN Payment p ON p.ID = sd.Payment\r\n"
    "LEFT JOIN Batches b ON b.ID_P=gm.ID_P\r\n"
    "LEFT JOIN Goods g ON g.ID_Goods=b.ID_Goods\r\n"
    "LEFT JOIN Category c ON c.ID_Category=g.ID_Category\r\n"
    "WHERE (d.Data BETWEEN :BDate AND :EDate) AND (d.\"TYPE\" IN (2,3))";

// A connected goods database, disconnected and freed on every exit.
struct TTovarDatabase {
  TIBDatabase* Db;
  explicit TTovarDatabase(const std::string& file)
      : Db(FBUtils::CreateDatabase(file, FBUtils::GetFBPassword(), FBUtils::GetFBPort(), true,
                                   nullptr, "SYSDBA", "127.0.0.1", true, "Tovar", "WIN1251")) {}
  ~TTovarDatabase() {
    try {
      FBUtils::FreeDatabase(Db);
    } catch (...) {
      // The rows are read; a failing disconnect loses nothing of them.
    }
  }
  TTovarDatabase(const TTovarDatabase&) = delete;
  TTovarDatabase& operator=(const TTovarDatabase&) = delete;
};

// The goods sales of one department database into `sums`.
void ReadDepartment(const std::string& file, TDateTime begTime, TDateTime endTime,
                    TTovarSaleSums& sums) {
  TTovarDatabase db(file);
  std::unique_ptr<TIBDataSet> q(
      FBUtils::FBCreateDataSetForRead(db.Db, true, nullptr, nullptr, "KKMTov"));
  q->SelectSQL().SetText(TovarSalesSql);
  q->SetUniDirectional(true);  // one pass over what may be many rows
  q->ParamByName("BDate").SetAsDateTime(begTime);
  q->ParamByName("EDate").SetAsDateTime(endTime);
  q->Open();
  TIBField& type = q->FieldByName("TYPE");
  TIBField& kolvo = q->FieldByName("Kolvo");
  TIBField& rSumma = q->FieldByName("RSumma");
  TIBField& section = q->FieldByName("KKMSection");
  TIBField& payment = q->FieldByName("Payment");
  TIBField& voType = q->FieldByName("VOType");
  TIBField& nds = q->FieldByName("NDS");
  TIBField& zSumma = q->FieldByName("ZSumma");
  for (; !q->Eof(); q->Next())
    sums.AddTovarSaleRow(section.AsInteger(), payment.AsInteger(), type.AsInteger(),
                         voType.AsInteger(), rSumma.AsCurrency(), kolvo.AsCurrency(),
                         nds.AsCurrency(), zSumma.AsCurrency());
  q->Close();
}

}  // namespace

std::string NdsKey(Currency nds) {
  return "NDS" + IntToStr(static_cast<int>(std::nearbyint(static_cast<double>(nds * Currency(10)))));
}

void FreeRateSums(TStringList& rateSums) {
  for (int i = 0; i < rateSums.Count(); ++i) delete static_cast<C_Rec_Summa*>(rateSums.Objects(i));
  rateSums.Clear();
}

TTovarSaleSums::TTovarSaleSums(TStringList& sectionSums, TStringList& rateSums)
    : sectionSums_(sectionSums), rateSums_(rateSums) {
  for (int i = 0; i < rateSums.Count(); ++i)
    rateIndex_.emplace(rateSums[i], static_cast<C_Rec_Summa*>(rateSums.Objects(i)));
}

void TTovarSaleSums::AddTovarSaleRow(int kkmSection, int payment, int docType, int voType,
                                     Currency rSumma, Currency kolvo, Currency nds,
                                     Currency zSumma) {
  if (docType == 3) {
    rSumma = -rSumma;
    kolvo = -kolvo;
    zSumma = -zSumma;
  }
  const std::string s = IntToStr(kkmSection);
  const std::string p = IntToStr(payment);
  const bool cash = voType == 0;
  AddSection(s + "_" + p, rSumma);
  AddSection(s + "_" + p + "К"_w, kolvo);
  AddSection(s + (cash ? "_Н"_w : "_Б"_w), rSumma);
  AddSection(s + (cash ? "_НК"_w : "_БК"_w), kolvo);
  const std::string r = NdsKey(nds);
  AddRate(r, zSumma, rSumma, kolvo);
  AddRate(r + "VO" + p, zSumma, rSumma, kolvo);
  AddRate(r + (cash ? "NAL" : "BNAL"), zSumma, rSumma, kolvo);
}

void TTovarSaleSums::AddSection(const std::string& name, Currency amount) {
  const auto [it, added] = sectionIndex_.emplace(name, sections_.size());
  if (added)
    sections_.emplace_back(name, amount);
  else
    sections_[it->second].second += amount;
}

void TTovarSaleSums::AddRate(const std::string& key, Currency zSumma, Currency rSumma,
                             Currency kolvo) {
  C_Rec_Summa*& rec = rateIndex_[key];
  if (rec == nullptr) {
    rec = new C_Rec_Summa;
    rateSums_.AddObject(key, rec);
  }
  // Doubles increased by the exact Currency amounts: a double of the
  // amount would round it before the sum, off a half-kopeck tie.
  AddTo(rec->ZSumma, zSumma);
  AddTo(rec->RSumma, rSumma);
  AddTo(rec->Kolvo, kolvo);
}

void TTovarSaleSums::Flush() {
  sectionSums_.Clear();
  for (const auto& [name, sum] : sections_) sectionSums_.Add(name + "=" + FloatToStr(sum));
}

void TCloseSmenaRep::ReadTovarKKMSums(TStringList& sectionSums, TStringList& rateSums) {
  try {
    sectionSums.Clear();
    TTovarSaleSums sums(sectionSums, rateSums);
    for (int i = 0; i < TovarDepList->Count(); ++i) {
      const std::string folder = ExcludeTrailingPathDelimiter(TovarDepList->ValueFromIndex(i));
      const std::string file = folder + "\\" + ExtractFileName(folder) + ".FDB";
      if (!FileExists(file)) continue;
      ReadDepartment(file, BegTime, EndTime, sums);
    }
    sums.Flush();
  } catch (const std::exception& e) {
    MakeContextException(e, "ПрочитатьСуммыДляТоваровПоСекциямККМ"_w)->Raise();
  }
}

}  // namespace tv
