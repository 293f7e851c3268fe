// Every slot of the built-in forms at its line, column and width, from the
// layout of each form: the builders rely on a value of that width landing
// in its table column.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "templates/FormPatterns.h"
#include "tests/templates/FormPatternsFixture.h"

namespace tv {
namespace {

using test::TSection;

constexpr TSection PH = TSection::PageHeader;
constexpr TSection GH = TSection::GroupHeader;
constexpr TSection RB = TSection::RepeatBody;
constexpr TSection GF = TSection::GroupFooter;
constexpr TSection PF = TSection::PageFooter;

// Width of a slot that runs to the end of its line, and of one inserted at
// its own length ("~Name~@").
constexpr int kEnd = -1;
constexpr int kAt = -2;

struct TSlot {
  const char* form;
  int line;  // from 1
  TSection section;
  int col;  // column of the opening "~", from 1
  int width;
  const char* name;
};

const TSlot kSlots[] = {
    // Shift report header: the document box from column 52.
    {"SmenaBeg", 10, PH, 53, 9, "SmNum"},
    {"SmenaBeg", 10, PH, 63, 11, "Date"},
    {"SmenaBeg", 10, PH, 75, 9, "Beg"},
    {"SmenaBeg", 10, PH, 85, 9, "End"},
    {"SmenaBeg", 11, PH, 63, 11, "DateT"},
    {"SmenaBeg", 11, PH, 75, 9, "BegT"},
    {"SmenaBeg", 11, PH, 85, 9, "EndT"},
    // Dispensers.
    {"Smena1", 11, RB, 2, 4, "TN"},
    {"Smena1", 11, RB, 7, 6, "GSM"},
    {"Smena1", 11, RB, 14, 9, "Price"},
    {"Smena1", 11, RB, 24, 10, "TrkBeg"},
    {"Smena1", 11, RB, 35, 10, "TrkEnd"},
    {"Smena1", 11, RB, 46, 9, "TrkSm"},
    {"Smena1", 11, RB, 56, 9, "TrkSmK"},
    {"Smena1", 11, RB, 66, 9, "TrkSmM"},
    // Tanks.
    {"Smena2", 13, RB, 2, 3, "S"},
    {"Smena2", 13, RB, 6, 5, "GSM"},
    {"Smena2", 13, RB, 12, 6, "BOL"},
    {"Smena2", 13, RB, 19, 6, "BOK"},
    {"Smena2", 13, RB, 26, 6, "PL"},
    {"Smena2", 13, RB, 33, 6, "PK"},
    {"Smena2", 13, RB, 40, 6, "Lv"},
    {"Smena2", 13, RB, 47, 6, "Wt"},
    {"Smena2", 13, RB, 54, 6, "Vol"},
    {"Smena2", 13, RB, 61, 5, "T"},
    {"Smena2", 13, RB, 67, 6, "Plt"},
    {"Smena2", 13, RB, 74, 6, "EOL"},
    {"Smena2", 13, RB, 81, 6, "EOK"},
    {"Smena2", 13, RB, 88, 6, "EOR"},
    // The body line runs one blank past the border before its closing bar,
    // so the last slot has that blank too.
    {"Smena2", 13, RB, 95, 7, "EOKc"},
    // Financial section.
    {"Smena3", 11, RB, 2, 9, "GsmName"},
    {"Smena3", 11, RB, 12, 9, "Price"},
    {"Smena3", 11, RB, 22, 9, "L0"},
    {"Smena3", 11, RB, 32, 11, "S0"},
    {"Smena3", 11, RB, 44, 9, "L8"},
    {"Smena3", 11, RB, 54, 11, "S8"},
    {"Smena3", 11, RB, 66, 9, "L2"},
    {"Smena3", 11, RB, 76, 11, "S2"},
    {"Smena3", 11, RB, 88, 9, "L9"},
    {"Smena3", 11, RB, 98, 11, "S9"},
    {"Smena3", 11, RB, 110, 9, "L7"},
    {"Smena3", 11, RB, 120, 8, "L5"},
    {"Smena3", 15, PF, 32, 22, "ItogoRub0"},
    {"Smena3", 15, PF, 54, 22, "ItogoRub8"},
    {"Smena3", 15, PF, 76, 22, "ItogoRub2"},
    {"Smena3", 15, PF, 98, 30, "ItogoRub9"},
    {"Smena3", 16, PF, 32, 96, "Tovary"},
    {"Smena3", 18, PF, 32, 96, "AllSum"},
    {"Smena3", 20, PF, 18, 110, "Prin"},
    {"Smena3", 22, PF, 18, 21, "Sdano"},
    {"Smena3", 22, PF, 57, 71, "Peredano"},
    // Non-standard shift report; the body line has no leading bar and writes
    // the dispenser and tank numbers one and two places further right.
    {"SMENA2_1", 3, PH, 14, 12, "SmNum"},
    {"SMENA2_1", 3, PH, 36, kEnd, "Operator"},
    {"SMENA2_1", 4, PH, 35, kEnd, "BegTime"},
    {"SMENA2_1", 5, PH, 35, kEnd, "EndTime"},
    {"SMENA2_1", 15, RB, 1, 5, "GSM"},
    {"SMENA2_1", 15, RB, 7, 6, "CBL"},
    {"SMENA2_1", 15, RB, 14, 6, "SPrx"},
    {"SMENA2_1", 15, RB, 21, 6, "SPrk"},
    {"SMENA2_1", 15, RB, 29, 3, "N"},
    {"SMENA2_1", 15, RB, 33, 11, "TrkEnd"},
    {"SMENA2_1", 15, RB, 45, 11, "TrkBeg"},
    {"SMENA2_1", 15, RB, 57, 8, "TrkRsx"},
    {"SMENA2_1", 15, RB, 66, 8, "SiloSm"},
    {"SMENA2_1", 15, RB, 75, 5, "SmM"},
    {"SMENA2_1", 15, RB, 81, 6, "Card"},
    {"SMENA2_1", 15, RB, 88, 8, "NalL"},
    {"SMENA2_1", 15, RB, 97, 5, "Pri"},
    {"SMENA2_1", 15, RB, 103, 9, "Summa"},
    {"SMENA2_1", 15, RB, 115, 3, "R"},
    {"SMENA2_1", 15, RB, 119, 7, "SEndM"},
    {"SMENA2_1", 15, RB, 127, 5, "LvW"},
    {"SMENA2_1", 15, RB, 133, 7, "SEndM"},
    {"SMENA2_1", 15, RB, 141, 5, "Ol"},
    {"SMENA2_1", 15, RB, 147, 5, "CEL"},
    {"SMENA2_1", 15, RB, 153, 7, "REndL"},
    {"SMENA2_1", 19, PF, 13, 7, "InL"},
    {"SMENA2_1", 19, PF, 65, 8, "TrkL"},
    {"SMENA2_1", 19, PF, 74, 5, "Mer"},
    {"SMENA2_1", 19, PF, 80, 6, "Bezn"},
    {"SMENA2_1", 19, PF, 100, 11, "ItogoRub"},
    {"SMENA2_1", 19, PF, 136, 7, "OstL"},
    {"SMENA2_1", 28, PF, 18, 21, "ItogoRub"},
    // Receipts and pump-outs.
    {"Smena4", 12, RB, 2, 3, "S"},
    {"Smena4", 12, RB, 6, 6, "GSM"},
    {"Smena4", 12, RB, 13, 20, "PrName"},
    {"Smena4", 12, RB, 34, 9, "PrKod"},
    {"Smena4", 12, RB, 44, 8, "NDoc"},
    {"Smena4", 12, RB, 53, 9, "Vol"},
    {"Smena4", 12, RB, 63, 9, "Den"},
    {"Smena4", 12, RB, 73, 9, "Mass"},
    {"Smena4", 12, RB, 83, 11, "T"},
    {"Smena4", 16, PF, 53, 42, "iVol"},
    {"SmenaSink", 12, RB, 2, 3, "S"},
    {"SmenaSink", 12, RB, 6, 6, "GSM"},
    {"SmenaSink", 12, RB, 13, 9, "PrName"},
    {"SmenaSink", 12, RB, 23, 10, "CarName"},
    {"SmenaSink", 12, RB, 34, 9, "PrKod"},
    {"SmenaSink", 12, RB, 44, 8, "NDoc"},
    {"SmenaSink", 12, RB, 53, 9, "Vol"},
    {"SmenaSink", 12, RB, 63, 9, "Den"},
    {"SmenaSink", 12, RB, 73, 9, "Mass"},
    {"SmenaSink", 12, RB, 83, 11, "T"},
    {"SmenaSink", 16, PF, 53, 42, "iVol"},
    // Journals: each card line ends with its slot at column 54.
    {"SMENAPRX", 4, PH, 9, kEnd, "SmNum"},
    {"SMENAPRX", 5, PH, 29, 24, "BegTime"},
    {"SMENAPRX", 5, PH, 62, kEnd, "Operator"},
    {"SMENAPRX", 6, PH, 29, kEnd, "EndTime"},
    {"SMENAPRX", 9, RB, 54, kEnd, "Line"},
    {"SMENAPRX", 10, RB, 54, kEnd, "GSMNam"},
    {"SMENAPRX", 11, RB, 54, kEnd, "Line"},
    {"SMENAPRX", 12, RB, 54, kEnd, "FIO"},
    {"SMENAPRX", 13, RB, 54, kEnd, "Line"},
    {"SMENAPRX", 14, RB, 54, kEnd, "BegTim"},
    {"SMENAPRX", 15, RB, 54, kEnd, "EndTim"},
    {"SMENAPRX", 16, RB, 54, kEnd, "CarMsL"},
    {"SMENAPRX", 17, RB, 54, kEnd, "CarMsT"},
    {"SMENAPRX", 18, RB, 54, kEnd, "UdVes"},
    {"SMENAPRX", 19, RB, 54, kEnd, "Temper"},
    {"SMENAPRX", 20, RB, 54, kEnd, "Fact1"},
    {"SMENAPRX", 21, RB, 54, kEnd, "Ves"},
    {"SMENAPRX", 22, RB, 54, kEnd, "Empthy"},
    {"SMENAPRX", 23, RB, 54, kEnd, "Dopusk"},
    {"SMENAPRX", 24, RB, 54, kEnd, "Delta"},
    {"SMENAPRX", 25, RB, 54, kEnd, "Line"},
    {"SMENAPRX", 26, RB, 54, kEnd, "Itogo"},
    {"SMENAPRX", 27, RB, 54, kEnd, "Line"},
    {"SMENAPRX", 30, PF, 1, kEnd, "Postuplen"},
    {"SmenaRsx", 4, PH, 9, kEnd, "SmNum"},
    {"SmenaRsx", 5, PH, 29, 24, "BegTime"},
    {"SmenaRsx", 5, PH, 62, kEnd, "Operator"},
    {"SmenaRsx", 6, PH, 29, kEnd, "EndTime"},
    {"SmenaRsx", 9, RB, 54, kEnd, "Line"},
    {"SmenaRsx", 10, RB, 54, kEnd, "GSMNam"},
    {"SmenaRsx", 11, RB, 54, kEnd, "Line"},
    {"SmenaRsx", 12, RB, 54, kEnd, "Number"},
    {"SmenaRsx", 13, RB, 54, kEnd, "Line"},
    {"SmenaRsx", 14, RB, 54, kEnd, "CarMsT"},
    {"SmenaRsx", 15, RB, 54, kEnd, "BegTim"},
    {"SmenaRsx", 16, RB, 54, kEnd, "EndTim"},
    {"SmenaRsx", 17, RB, 54, kEnd, "LvlBef"},
    {"SmenaRsx", 18, RB, 54, kEnd, "LvlAft"},
    {"SmenaRsx", 19, RB, 54, kEnd, "Fact1"},
    {"SmenaRsx", 20, RB, 54, kEnd, "Ves"},
    {"SmenaRsx", 21, RB, 54, kEnd, "UdVes"},
    {"SmenaRsx", 22, RB, 54, kEnd, "Temper"},
    {"SmenaRsx", 23, RB, 54, kEnd, "Line"},
    {"SmenaRsx", 24, RB, 54, kEnd, "Itogo"},
    {"SmenaRsx", 25, RB, 54, kEnd, "Line"},
    {"SmenaRsx", 28, PF, 1, kEnd, "Postuplen"},
    // Withdrawn sections.
    {"Smena5", 13, RB, 2, 3, "S"},
    {"Smena5", 13, RB, 6, 5, "GSM"},
    {"Smena5", 13, RB, 12, 7, "BOL"},
    {"Smena5", 13, RB, 20, 7, "BOK"},
    {"Smena5", 13, RB, 28, 7, "PL"},
    {"Smena5", 13, RB, 36, 7, "PK"},
    {"Smena5", 13, RB, 44, 8, "RNL"},
    {"Smena5", 13, RB, 53, 8, "RNR"},
    {"Smena5", 13, RB, 62, 8, "RBL"},
    {"Smena5", 13, RB, 71, 8, "RBR"},
    {"Smena5", 13, RB, 80, 14, "Itog"},
    {"Smena6", 11, RB, 2, 8, "GSM"},
    {"Smena6", 11, RB, 11, 6, "BNL"},
    {"Smena6", 11, RB, 18, 6, "BNK"},
    {"Smena6", 11, RB, 25, 6, "BEL"},
    {"Smena6", 11, RB, 32, 6, "BEK"},
    {"Smena6", 11, RB, 39, 6, "TL"},
    {"Smena6", 11, RB, 46, 6, "TK"},
    {"Smena6", 11, RB, 53, 6, "ATL"},
    {"Smena6", 11, RB, 60, 6, "ATK"},
    {"Smena6", 11, RB, 67, 6, "VL"},
    {"Smena6", 11, RB, 74, 6, "VK"},
    {"Smena6", 11, RB, 81, 6, "TLL"},
    {"Smena6", 11, RB, 88, 6, "TLK"},
    {"Smena6", 11, RB, 95, 6, "BL"},
    {"Smena6", 11, RB, 102, 6, "BK"},
    // Return acts.
    {"AktVozvr", 9, PH, 29, kEnd, "BegTime"},
    {"AktVozvr", 10, PH, 29, 20, "EndTime"},
    {"AktVozvr", 24, RB, 3, 4, "NN"},
    {"AktVozvr", 24, RB, 11, 5, "NNC"},
    {"AktVozvr", 24, RB, 18, 6, "Time"},
    {"AktVozvr", 24, RB, 35, 5, "Trk"},
    {"AktVozvr", 24, RB, 42, 7, "Kolvo"},
    {"AktVozvr", 24, RB, 50, 7, "Price"},
    {"AktVozvr", 24, RB, 58, 9, "Summa"},
    {"AktVozvr", 32, PF, 1, kEnd, "SummaText"},
    {"AktVozvr2", 2, PH, 45, kEnd, "Date"},
    {"AktVozvr2", 6, PH, 30, kEnd, "SmNum"},
    {"AktVozvr2", 7, PH, 30, kEnd, "BegTime"},
    {"AktVozvr2", 8, PH, 30, kEnd, "EndTime"},
    {"AktVozvr2", 9, PH, 30, kEnd, "Operator"},
    {"AktVozvr2", 12, GH, 13, kEnd, "TypeName"},
    {"AktVozvr2", 17, RB, 3, 4, "NN"},
    {"AktVozvr2", 17, RB, 9, 6, "Time"},
    {"AktVozvr2", 17, RB, 26, 5, "Trk"},
    {"AktVozvr2", 17, RB, 33, 7, "Kolvo"},
    {"AktVozvr2", 17, RB, 41, 7, "Price"},
    {"AktVozvr2", 17, RB, 49, 9, "Summa"},
    {"AktVozvr2", 20, GF, 48, kEnd, "SummaAll"},
    {"AktVozvr2", 21, GF, 14, kAt, "SummaText"},
    {"AktVozvr2", 25, PF, 47, kEnd, "SmRes"},
    {"AktVozvr2", 26, PF, 14, kAt, "SmResTxt"},
    {"AktVozvrPr2", 3, PH, 13, 48, "OrgName"},
    {"AktVozvrPr2", 4, PH, 7, 54, "INN"},
    {"AktVozvrPr2", 5, PH, 27, 12, "SubOrgName"},
    {"AktVozvrPr2", 5, PH, 41, 20, "Address"},
    {"AktVozvrPr2", 6, PH, 13, 48, "KKMModel"},
    {"AktVozvrPr2", 7, PH, 13, 13, "KKMNum"},
    {"AktVozvrPr2", 8, PH, 13, kEnd, "KKMRNum"},
    {"AktVozvrPr2", 11, PH, 32, 8, "Date"},
    {"AktVozvrPr2", 15, PH, 15, kAt, "BegTime"},
    {"AktVozvrPr2", 15, PH, 29, kEnd, "EndTime"},
    {"AktVozvrPr2", 16, PH, 17, kEnd, "SmNum"},
    {"AktVozvrPr2", 24, RB, 3, 4, "NN"},
    {"AktVozvrPr2", 24, RB, 8, 5, "NNC"},
    {"AktVozvrPr2", 24, RB, 14, 7, "Smena"},
    {"AktVozvrPr2", 24, RB, 22, 8, "Time"},
    {"AktVozvrPr2", 24, RB, 35, 5, "Trk"},
    {"AktVozvrPr2", 24, RB, 41, 7, "GSM"},
    {"AktVozvrPr2", 24, RB, 49, 8, "Kolvo"},
    {"AktVozvrPr2", 24, RB, 58, 7, "Price"},
    {"AktVozvrPr2", 24, RB, 66, 10, "Summa"},
    {"AktVozvrPr2", 24, RB, 77, 12, "Payment"},
    {"AktVozvrPr2", 27, GF, 66, 10, "NSumma"},
    {"AktVozvrPr2", 28, GF, 66, 10, "BSumma"},
    {"AktVozvrPr2", 29, GF, 66, 10, "SummaAll"},
    {"AktVozvrPr2", 36, PF, 1, kAt, "SmResTxt"},
    {"AktVozvrPr2", 42, PF, 33, kEnd, "ManagerName"},
    {"AktVozvrPr2", 43, PF, 33, kEnd, "OperatorName"},
    {"AktVozvrPr2", 44, PF, 33, kEnd, "Operator"},
    // Terminal returns.
    {"BackCard", 2, PH, 3, 28, "Data"},
    {"BackCard", 2, PH, 31, 44, "AZS"},
    {"BackCard", 2, PH, 75, kEnd, "Time"},
    {"BackCard", 5, PH, 14, 12, "SmNum"},
    {"BackCard", 5, PH, 35, kEnd, "Operator"},
    {"BackCard", 6, PH, 34, kEnd, "BegTime"},
    {"BackCard", 7, PH, 34, kEnd, "EndTime"},
    {"BackCard", 15, RB, 2, 10, "Date"},
    {"BackCard", 15, RB, 13, 6, "Time"},
    {"BackCard", 15, RB, 20, 4, "TK"},
    {"BackCard", 15, RB, 25, 16, "NumCard"},
    {"BackCard", 15, RB, 42, 9, "GSM"},
    {"BackCard", 15, RB, 52, 9, "Liter"},
    {"BackCard", 15, RB, 62, 9, "Summa"},
    {"BackCard", 19, PF, 52, 9, "LiterA"},
    {"BackCard", 19, PF, 62, 9, "SummaA"},
    // Plastic cards.
    {"CardRep", 5, PH, 22, kEnd, "BegDate"},
    {"CardRep", 6, PH, 22, kEnd, "EndDate"},
    {"CardRep", 9, GH, 1, kEnd, "VidOpl"},
    {"CardRep", 14, RB, 2, 4, "NN"},
    {"CardRep", 14, RB, 7, 20, "CardNum"},
    {"CardRep", 14, RB, 28, 12, "Date"},
    {"CardRep", 14, RB, 41, 6, "Time"},
    {"CardRep", 14, RB, 48, 5, "GSM"},
    {"CardRep", 14, RB, 54, 7, "Price"},
    {"CardRep", 14, RB, 62, 7, "Kolvo"},
    {"CardRep", 14, RB, 70, 9, "Summa"},
    {"CardRep", 14, RB, 80, 16, "VidOpl"},
    {"CardRep", 17, GF, 70, kEnd, "SummaAll"},
    {"CardRep", 19, PF, 70, kEnd, "VidOplSum"},
    // Coupons.
    {"CouponRep", 4, PH, 22, kEnd, "BDate"},
    {"CouponRep", 5, PH, 22, kEnd, "EDate"},
    {"CouponRep", 8, GH, 14, 6, "GSM"},
    {"CouponRep", 13, RB, 2, 15, "Num"},
    {"CouponRep", 13, RB, 18, 12, "Cdate"},
    {"CouponRep", 13, RB, 31, 8, "Litre"},
    {"CouponRep", 13, RB, 40, 8, "Use"},
    {"CouponRep", 16, GF, 31, 8, "aLit"},
    {"CouponRep", 16, GF, 40, 8, "aUse"},
    {"CouponRep", 18, PF, 1, kEnd, "otliv"},
    // Discounts and bonuses.
    {"bonus", 3, PH, 14, 12, "SmNum"},
    {"bonus", 3, PH, 35, kEnd, "Operator"},
    {"bonus", 4, PH, 34, kEnd, "BegTime"},
    {"bonus", 5, PH, 34, kEnd, "EndTime"},
    {"bonus", 7, GH, 13, 26, "Opl"},
    {"bonus", 7, GH, 54, kEnd, "SubOpl"},
    {"bonus", 14, RB, 2, 5, "GSM"},
    {"bonus", 14, RB, 8, 6, "por"},
    {"bonus", 14, RB, 15, 7, "Price"},
    {"bonus", 14, RB, 23, 6, "Prc"},
    {"bonus", 14, RB, 30, 8, "PriceB"},
    {"bonus", 14, RB, 39, 10, "Prodano"},
    {"bonus", 14, RB, 50, 9, "BonusL"},
    {"bonus", 14, RB, 60, 10, "AllL"},
    {"bonus", 14, RB, 71, 10, "Money"},
    {"bonus", 14, RB, 82, 9, "BMoney"},
    {"bonus", 17, GF, 39, 10, "ProdAL2"},
    {"bonus", 17, GF, 50, 9, "BonAL2"},
    {"bonus", 17, GF, 60, 10, "AllAL2"},
    {"bonus", 17, GF, 71, 10, "MoneyA2"},
    {"bonus", 17, GF, 82, 9, "BMonA2"},
    {"bonus", 18, GF, 1, 37, "Opl2"},
    {"bonus", 18, GF, 39, 10, "ProdAL"},
    {"bonus", 18, GF, 50, 9, "BonusAL"},
    {"bonus", 18, GF, 60, 10, "AllAL"},
    {"bonus", 18, GF, 71, 10, "MoneyA"},
    {"bonus", 18, GF, 82, 9, "BMoneyA"},
    {"bonus", 23, PF, 39, 10, "Litre"},
    {"bonus", 23, PF, 50, 9, "Blitre"},
    {"bonus", 23, PF, 60, 10, "Alitre"},
    {"bonus", 23, PF, 71, 10, "Summa"},
    {"bonus", 23, PF, 82, 9, "BSumma"},
    // Dispenser history.
    {"history", 2, PH, 40, 7, "TrkN"},
    {"history", 4, PH, 22, 12, "BegTime"},
    {"history", 5, PH, 25, 12, "EndTime"},
    {"history", 12, RB, 2, 8, "Time"},
    {"history", 12, RB, 11, 5, "Op"},
    {"history", 12, RB, 17, 6, "GSM"},
    {"history", 12, RB, 24, 12, "Oper"},
    {"history", 12, RB, 37, 14, "VidOpl"},
    {"history", 12, RB, 52, 11, "TipOtl"},
    {"history", 12, RB, 64, 7, "Liter"},
    {"history", 12, RB, 72, 8, "Summa"},
    // Statements.
    {"vdAgent", 2, PH, 6, 28, "Data"},
    {"vdAgent", 2, PH, 34, 44, "AZS"},
    {"vdAgent", 2, PH, 78, kEnd, "Time"},
    {"vdAgent", 5, PH, 1, 10, "Date"},
    {"vdAgent", 6, PH, 13, 19, "Organization"},
    {"vdAgent", 13, RB, 2, 5, "Num"},
    {"vdAgent", 13, RB, 8, 10, "Date1"},
    {"vdAgent", 13, RB, 19, 7, "Time1"},
    {"vdAgent", 13, RB, 27, 10, "Number"},
    {"vdAgent", 13, RB, 38, 9, "List"},
    {"vdAgent", 13, RB, 48, 9, "GSM"},
    {"vdAgent", 13, RB, 58, 9, "Liter"},
    {"vdAgent", 17, PF, 57, 9, "LiterA"},
    {"vdAgent", 18, PF, 1, kEnd, "Operator"},
    {"vdMobil", 2, PH, 6, 28, "Data"},
    {"vdMobil", 2, PH, 34, 44, "AZS"},
    {"vdMobil", 2, PH, 78, kEnd, "Time"},
    {"vdMobil", 5, PH, 10, 17, "Date1"},
    {"vdMobil", 5, PH, 30, kEnd, "Date2"},
    {"vdMobil", 6, PH, 13, 20, "Organization"},
    {"vdMobil", 6, PH, 44, 12, "AutoMobil"},
    {"vdMobil", 14, RB, 2, 5, "Num"},
    {"vdMobil", 14, RB, 8, 10, "Date"},
    {"vdMobil", 14, RB, 19, 6, "Time"},
    {"vdMobil", 14, RB, 26, 9, "List"},
    {"vdMobil", 14, RB, 36, 9, "GSM"},
    {"vdMobil", 14, RB, 46, 9, "Liter"},
    {"vdMobil", 18, PF, 46, 9, "LiterA"},
    {"vdPeriod", 2, PH, 6, 28, "Data"},
    {"vdPeriod", 2, PH, 34, 44, "AZS"},
    {"vdPeriod", 2, PH, 78, kEnd, "Time"},
    {"vdPeriod", 5, PH, 1, kEnd, "Date"},
    {"vdPeriod", 8, PH, 33, 8, "GSM"},
    {"vdPeriod", 14, RB, 2, 29, "Organization"},
    {"vdPeriod", 14, RB, 32, 9, "Liter"},
    {"vdPeriod", 18, PF, 32, 9, "LiterA"},
    {"vdPeriod", 21, PF, 1, kEnd, "Operator"},
    {"bneRep", 2, PH, 6, 28, "Data"},
    {"bneRep", 2, PH, 34, 44, "AZS"},
    {"bneRep", 2, PH, 78, kEnd, "Time"},
    {"bneRep", 5, PH, 1, kEnd, "Date"},
    {"bneRep", 8, PH, 38, 13, "GSM"},
    {"bneRep", 14, RB, 2, 29, "Organization"},
    {"bneRep", 14, RB, 32, 8, "Liter"},
    {"bneRep", 14, RB, 41, 10, "Summa"},
    {"bneRep", 18, PF, 32, 8, "LitA"},
    {"bneRep", 18, PF, 41, 10, "Itogo"},
    {"bneRep", 21, PF, 1, kEnd, "Operator"},
    // Delivery card and issue notes.
    {"PrxEx", 6, PH, 53, 13, "OpNum"},
    {"PrxEx", 8, PH, 53, 13, "Date"},
    {"PrxEx", 9, PH, 53, 13, "SmNum"},
    {"PrxEx", 10, PH, 53, 13, "Operator"},
    {"PrxEx", 11, PH, 53, 13, "GSMName"},
    {"PrxEx", 12, PH, 53, 13, "SiloName"},
    {"PrxEx", 13, PH, 53, 13, "CarVolTTN"},
    {"PrxEx", 14, PH, 53, 13, "BegTime"},
    {"PrxEx", 15, PH, 53, 13, "EndTime"},
    {"PrxEx", 16, PH, 53, 13, "LvlBefore"},
    {"PrxEx", 17, PH, 53, 13, "LvlAfter"},
    {"PrxEx", 18, PH, 53, 13, "Fact1"},
    {"PrxEx", 19, PH, 53, 13, "Ves"},
    {"PrxEx", 21, PH, 53, 13, "Dopusk"},
    {"PrxEx", 22, PH, 53, 13, "DeltaPlus"},
    {"PrxEx", 23, PH, 53, 13, "DeltaMinus"},
    {"PrxEx", 24, PH, 53, 13, "UdVes"},
    {"PrxEx", 25, PH, 53, 13, "Temper"},
    {"RsxEx", 6, PH, 29, 11, "SmNum"},
    {"RsxEx", 7, PH, 29, 11, "Operator"},
    {"RsxEx", 8, PH, 29, 11, "OpNum"},
    {"RsxEx", 9, PH, 29, 11, "Date"},
    {"RsxEx", 10, PH, 29, 11, "FIO"},
    {"RsxEx", 11, PH, 29, 11, "Auto"},
    {"RsxEx", 12, PH, 29, 11, "BegTime"},
    {"RsxEx", 13, PH, 29, 11, "EndTime"},
    {"RsxEx", 14, PH, 29, 11, "Fact1"},
    // Goods forms.
    {"ReportInventory", 2, PH, 58, kEnd, "DataTime"},
    {"ReportInventory", 4, PH, 23, kEnd, "Title"},
    {"ReportInventory", 6, PH, 1, kEnd, "Information"},
    {"ReportInventory", 13, GH, 2, 110, "Category"},
    {"ReportInventory", 16, RB, 2, 10, "Kod"},
    {"ReportInventory", 16, RB, 13, 40, "Name"},
    {"ReportInventory", 16, RB, 54, 7, "Coste"},
    {"ReportInventory", 16, RB, 62, 7, "KolT"},
    {"ReportInventory", 16, RB, 70, 8, "SummaT"},
    {"ReportInventory", 16, RB, 79, 7, "KolF"},
    {"ReportInventory", 16, RB, 87, 8, "SummaF"},
    {"ReportInventory", 16, RB, 96, 7, "ResE"},
    {"ReportInventory", 16, RB, 104, 8, "ResR"},
    {"ReportInventory", 19, GF, 69, 17, "GrSmT"},
    {"ReportInventory", 19, GF, 86, 17, "GrSmF"},
    {"ReportInventory", 19, GF, 103, 10, "GrSmRes"},
    {"ReportInventory", 22, PF, 69, 17, "SmT"},
    {"ReportInventory", 22, PF, 86, 17, "SmF"},
    {"ReportInventory", 22, PF, 103, kEnd, "SmRes"},
    {"ReportTovarIn", 2, PH, 59, 9, "Date"},
    {"ReportTovarIn", 2, PH, 68, kEnd, "Time"},
    {"ReportTovarIn", 4, PH, 25, kEnd, "Title"},
    {"ReportTovarIn", 6, PH, 36, 8, "SmNum"},
    {"ReportTovarIn", 7, PH, 36, kEnd, "BegTime"},
    {"ReportTovarIn", 8, PH, 36, kEnd, "EndTime"},
    {"ReportTovarIn", 9, PH, 36, kEnd, "Operator"},
    {"ReportTovarIn", 19, RB, 2, 40, "Name"},
    {"ReportTovarIn", 19, RB, 43, 10, "Kod"},
    {"ReportTovarIn", 19, RB, 54, 12, "Caption"},
    {"ReportTovarIn", 19, RB, 67, 7, "Coste"},
    {"ReportTovarIn", 19, RB, 75, 5, "Doc"},
    {"ReportTovarIn", 19, RB, 81, 7, "Kolvo"},
    {"ReportTovarIn", 19, RB, 89, 7, "Summa"},
    {"ReportTovarIn", 23, PF, 86, kAt, "Sum"},
};

// Slots that stand on lines with tabs or at no fixed column: only their
// presence is checked.
const std::map<std::string, std::multiset<std::string>> kLooseSlots = {
    {"AktVozvr", {"SmNum", "NKKM", "Operator"}},
    {"CardRep", {"SmNum"}},
    {"ReportTovarIn", {"Operator1", "Operator2"}},
    {"Rsx", {"SmNum", "Operator", "OpNum", "Date", "FIO", "Auto", "BegTime", "EndTime", "Fact1",
             "SmNum", "Operator", "OpNum", "Date", "FIO", "Auto", "BegTime", "EndTime", "Fact1",
             "SmNum", "Operator", "OpNum", "Date", "FIO", "Auto", "BegTime", "EndTime", "Fact1"}},
};

// Width of the slot at [start, close]: its own characters and the blanks
// after it; kEnd when only blanks follow, kAt when "@" follows.
int MeasuredWidth(const std::string& line, std::size_t start, std::size_t close) {
  if (close + 1 < line.size() && line[close + 1] == '@') return kAt;
  std::size_t end = line.find_first_not_of(' ', close + 1);
  if (end == std::string::npos) return kEnd;
  return static_cast<int>(end - start);
}

TEST(FormPatternsSlots, EverySlotLandsAtItsColumnWithItsWidth) {
  for (const TSlot& s : kSlots) {
    const std::vector<std::string>& lines = test::Form(s.form).Lines;
    ASSERT_LE(s.line, static_cast<int>(lines.size())) << s.form;
    const std::string& line = lines[s.line - 1];
    const std::string slot = std::string("~") + s.name + "~";
    SCOPED_TRACE(std::string(s.form) + " line " + std::to_string(s.line) + " " + slot);
    EXPECT_EQ(line.find('\t'), std::string::npos);
    EXPECT_EQ(test::Sections(lines)[s.line - 1], s.section);
    ASSERT_GE(line.size(), s.col - 1 + slot.size());
    EXPECT_EQ(line.substr(s.col - 1, slot.size()), slot);
    const std::size_t close = s.col - 1 + slot.size() - 1;
    const int measured = MeasuredWidth(line, s.col - 1, close);
    if (s.width == kEnd || s.width == kAt) {
      EXPECT_EQ(measured, s.width);
    } else if (measured == kEnd) {
      // A width that reaches the end of the line: trailing blanks count.
      EXPECT_EQ(static_cast<int>(line.size()) - (s.col - 1), s.width);
    } else {
      EXPECT_EQ(measured, s.width);
    }
  }
}

// No form holds a slot that the layouts do not name.
TEST(FormPatternsSlots, FormsHoldNoOtherSlots) {
  std::map<std::string, std::multiset<std::string>> expected = kLooseSlots;
  for (const TSlot& s : kSlots) expected[s.form].insert(s.name);
  for (const auto& [form, names] : expected) {
    std::multiset<std::string> found;
    for (const std::string& line : test::Form(form).Lines) {
      if (line.starts_with('@')) continue;
      for (std::size_t p = line.find('~'); p != std::string::npos; p = line.find('~', p + 1)) {
        const std::size_t close = line.find('~', p + 1);
        if (close == std::string::npos) break;
        found.insert(line.substr(p + 1, close - p - 1));
        p = close;
      }
    }
    EXPECT_EQ(found, names) << form;
  }
  for (const char* name : {"SmenaEnd", "SmenaKassaFinRep", "EmptyReport"}) {
    for (const std::string& line : test::Form(name).Lines)
      EXPECT_EQ(line.find('~'), std::string::npos) << name;
  }
}

// A border line of a table: the column bars stand where the repeat body's
// bars stand, so a value of the slot's width fills its column exactly.
TEST(FormPatternsSlots, BodyBarsLineUpWithTheBorder) {
  struct TTable {
    const char* form;
    int border, body;
  };
  const TTable tables[] = {
      {"Smena1", 8, 11},         {"Smena4", 9, 12},     {"SmenaSink", 9, 12},
      {"Smena5", 10, 13},        {"Smena6", 8, 11},     {"Smena3", 8, 11},
      {"AktVozvr", 21, 24},      {"AktVozvr2", 15, 17}, {"AktVozvrPr2", 22, 24},
      {"BackCard", 12, 15},      {"CardRep", 12, 14},   {"CouponRep", 11, 13},
      {"bonus", 16, 14},         {"history", 9, 12},    {"vdMobil", 11, 14},
      {"vdPeriod", 11, 14},      {"bneRep", 11, 14},    {"ReportInventory", 14, 16},
      {"ReportTovarIn", 16, 19},
  };
  for (const TTable& t : tables) {
    const std::vector<std::string>& lines = test::Form(t.form).Lines;
    const std::string& border = lines[t.border - 1];
    const std::string& body = lines[t.body - 1];
    ASSERT_GE(border.size(), body.size()) << t.form;
    for (std::size_t i = 0; i < body.size(); ++i) {
      const bool bar = body[i] == '|';
      const bool cross = border[i] == '+';
      EXPECT_EQ(bar, cross) << t.form << " column " << i + 1;
    }
  }
}

}  // namespace
}  // namespace tv
