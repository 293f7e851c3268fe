#pragma once
// The body of the bonus and discount report: per payment type, sub-type
// and fuel the bonus rows with their fuel, sub-type and payment-type totals
// and the report totals, written into the text form and the HTML template
// at once (BuildBonusReport prepares the lists and the header).

#include <string>
#include <vector>

#include "platform/text/StringList.h"

namespace tv {

class TRepGen;
class THTML_Jet;

// One bonus row (of the summing query, or one the host filled).
struct TBonusRow {
  std::string Code;  // VidOpl as text
  std::string SubVidOpl, GSM, NameBonus;
  double Porog = 0, Price = 0, ProdanoL = 0, BonusL = 0, Summa = 0;
};

// What the body writer works on. The lists are those of the report: the
// groups as "code=name" in order, the fuels and the sub-types sorted, with
// letter case ignored.
struct TBonusBody {
  TRepGen& Form;
  THTML_Jet& Jet;
  const std::vector<TBonusRow>& Rows;
  const TStringList& Groups;
  const TStringList& Fuels;
  const TStringList& Subs;
  bool NullStr = false;
  bool ShowGSMItog = false;
  bool ShowSubItog = false;
};

// Writes the groups, the lines and every total. A row counts when its
// ProdanoL is above 0.009; it belongs to the sub-type and the fuel that its
// trimmed texts name, letter case ignored. Totals are the sums of their
// rows' own money, whatever price each row had.
void BonusRepWriteBody(const TBonusBody& body);

}  // namespace tv
