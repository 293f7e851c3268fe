// The shared report routines, in process: the host's query procedure is a
// plain function answering from a table.
#include "library/ReportRoutines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "library/CVariant.h"
#include "library/HostCallbacks.h"
#include "library/ReportCreator.h"
#include "library/ReportsInterface.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/ib/IBDataSet.h"
#include "tests/library/SampleDatabase.h"
#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

std::map<int, Variant> answers;
std::vector<int> asked;

int32_t Answer(TVVariant* result, int32_t code, int32_t) {
  asked.push_back(code);
  auto it = answers.find(code);
  if (it == answers.end()) return TV_HOST_FAILED;
  ToCVariant(it->second, result);
  return TV_HOST_OK;
}

class ReportRoutines : public ::testing::Test {
 protected:
  ReportRoutines() {
    answers.clear();
    asked.clear();
    StoreHostProcs(nullptr, Answer, nullptr);
    root.WriteFile("c/FUEL/LogFiles/.keep", "");
  }
  ~ReportRoutines() override {
    ClearHostProcs();
    ClearVidOpl();
    HTMLJet::UseAltTemplates = false;
    OfficeHost = false;
  }
  test::TempRoot root;
};

TEST_F(ReportRoutines, WebFormsComeFromTheNBFolderOnlyWhenAskedAndPresent) {
  const std::string cards = "Отчет по картам.html"_w;
  answers[80] = Variant(false);
  EXPECT_EQ(GetWebFormFileName(cards), "C:\\FUEL\\FORMS\\WEBREP\\"_w + cards);
  answers[80] = Variant(true);
  EXPECT_EQ(GetWebFormFileName(cards), "C:\\FUEL\\FORMS\\WEBREP\\"_w + cards);  // NB file missing
  root.WriteFile("c/FUEL/FORMS/WEBREPNB/Отчет по картам.html", "x");
  EXPECT_EQ(GetWebFormFileName(cards), "C:\\FUEL\\FORMS\\WEBREPNB\\"_w + cards);
  EXPECT_EQ(GetWebFormFileName("D:\\F\\x.frm"), "D:\\F\\x.frm");
  root.WriteFile("d/FNB/x.frm", "x");
  EXPECT_EQ(GetWebFormFileName("D:\\F\\x.frm"), "D:\\FNB\\x.frm");
  answers[80] = Variant(false);
  EXPECT_EQ(GetWebFormFileName("D:\\F\\x.frm"), "D:\\F\\x.frm");
  EXPECT_EQ(asked, (std::vector<int>(6, 80)));  // one question per call
  answers.erase(80);
  EXPECT_FALSE(UseNBForms());
  ClearHostProcs();
  asked.clear();
  EXPECT_FALSE(UseNBForms());
  EXPECT_TRUE(asked.empty());
}

TEST_F(ReportRoutines, PaymentTypeSelectionByCode) {
  VidOplCount = 3;
  VidOplArray = VarArrayCreate({0, 2, 0, 3}, VarType::Variant);
  const char* codes[] = {"0", "4", "6"};
  for (int i = 0; i < 3; ++i) VidOplArray.At(i, 1) = Variant(std::string(codes[i]));
  Variant result = Variant(std::string("earlier"));
  MakeVidOplSelection(Variant(), result);
  EXPECT_EQ(result.AsString(), "earlier");
  MakeVidOplSelection(VarArrayOf({Variant(4), Variant(104)}), result);
  ASSERT_EQ(result.HighBound(1), 2);
  EXPECT_EQ(result[0].AsInteger(), 0);
  EXPECT_EQ(result[1].AsInteger(), 1);
  EXPECT_EQ(result[2].AsInteger(), 0);
  MakeVidOplSelection(VarArrayOf({Variant(std::string("6")), Variant(0)}), result);
  EXPECT_EQ(result[0].AsInteger() + result[1].AsInteger() * 2 + result[2].AsInteger() * 4, 5);
  ClearVidOpl();
  MakeVidOplSelection(VarArrayOf({Variant(4)}), result);
  EXPECT_EQ(result.HighBound(1), -1);  // no payment types: an empty array
}

TEST_F(ReportRoutines, ClientDataSetsGetEveryRowThroughAUniquelyNamedProvider) {
  TRxMemoryData source("Q");
  source.FieldDefs().Add("ID", TFieldType::ftInteger);
  source.FieldDefs().Add("NAME", TFieldType::ftString, 10);
  source.Open();
  for (int i = 1; i <= 3; ++i) {
    source.Append();
    source.FieldByName("ID").SetAsInteger(i);
    source.FieldByName("NAME").SetAsString("Строка"_w);
    source.Post();
  }
  TClientDataSet a;
  TClientDataSet b;
  FillClientDataSet(source, a);
  FillClientDataSet(source, b);
  EXPECT_EQ(a.RecordCount(), 3);
  EXPECT_EQ(b.FieldByName("NAME").AsString(), "Строка"_w);
  const std::regex name("RepCreatorProvider_([0-9]+)_[0-9]+");
  std::smatch ma, mb;
  ASSERT_TRUE(std::regex_match(a.ProviderName(), ma, name)) << a.ProviderName();
  ASSERT_TRUE(std::regex_match(b.ProviderName(), mb, name)) << b.ProviderName();
  EXPECT_EQ(std::stoll(mb[1]), std::stoll(ma[1]) + 1);

  struct Broken : TRxMemoryData {
    void SourceFirst() override { throw EDatabaseError("connection lost"); }
  } broken;
  TClientDataSet c;
  try {
    FillClientDataSet(broken, c);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "ЗаполнениеКлиентДатаСета -> connection lost <# EDatabaseError #>"_w);
  }
}

TEST_F(ReportRoutines, DepartmentsFromTheStationFile) {
  root.WriteFile("c/FUEL/DB1/.keep", "");
  root.WriteFile("c/FUEL/GENERALDB/.keep", "");
  root.WriteFile(
      "c/FUEL/Departments.txt",
      Utf8ToCp1251("Склад=C:\\FUEL\\DB1\\\r\nСтарый##=C:\\X\r\nОбщий учёт=C:\\FUEL\\GENERALDB\r\n"
                   "Нет папки=C:\\FUEL\\NONE\r\n"));
  TStringList list;
  list.Add("old");
  FillTovarDepList(list, false);
  EXPECT_EQ(list.Text(), "Склад=C:\\FUEL\\DB1\r\n"_w);
  EXPECT_TRUE(asked.empty());
}

TEST_F(ReportRoutines, DepartmentsOfATradeOffice) {
  root.WriteFile("c/FUEL/SHOP1/.keep", "");
  root.WriteFile("c/FUEL/SHOP2/.keep", "");
  root.WriteFile(
      "c/FUEL/TradeOfficeDepartments.ini",
      Utf8ToCp1251("[АЗС 7]\r\nБД АЗС=C:\\FUEL\\DB\r\nМагазин=C:\\FUEL\\SHOP1\\\tкомментарий\r\n"
                   "Кафе=C:\\FUEL\\SHOP2\r\n[АЗС 8]\r\nДругой=C:\\FUEL\\SHOP1\r\n"));
  answers[13] = Variant(" АЗС 7 "_w);
  TStringList list;
  FillTovarDepList(list, true);
  EXPECT_EQ(list.Text(), "Магазин=C:\\FUEL\\SHOP1\r\nКафе=C:\\FUEL\\SHOP2\r\n"_w);
  // A station name the host cannot give: logged, the list as far as it got.
  answers.erase(13);
  FillTovarDepList(list, true);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_NE(root.ReadFile("c/FUEL/LogFiles/Reports.log").find("FillTovarDepList -> "),
            std::string::npos);
}

TEST_F(ReportRoutines, OfficeReportsTypeAndVOMimo) {
  EXPECT_EQ(ReadVOMimo(), -1);
  root.WriteFile("c/WINDOWS/cnf.ini", "[Misc]\r\nVOMimo=7\r\nOfficeReportsType=1\r\n");
  EXPECT_EQ(ReadVOMimo(), 7);
  answers[8] = Variant(true);
  EXPECT_FALSE(GetOfficeReportsType(false));  // alternative templates off
  EXPECT_FALSE(GetOfficeReportsType(true));
  HTMLJet::UseAltTemplates = true;
  EXPECT_TRUE(GetOfficeReportsType(false));
  EXPECT_TRUE(GetOfficeReportsType(true));
  answers[8] = Variant(false);
  EXPECT_FALSE(IsOfficeReportsType());  // a station host asks question 8
  OfficeHost = true;
  EXPECT_TRUE(IsOfficeReportsType());  // an office host reads cnf.ini
  answers.erase(8);
  OfficeHost = false;
  EXPECT_THROW(IsOfficeReportsType(), EHostCallbackError);
}

// An office host over the sample station database: no registry needed.
class ReportRoutinesOnTheDatabase : public ReportRoutines {
 protected:
  ReportRoutinesOnTheDatabase() {
    LibraryStartup();  // as every export does first: binds the support library
    test::InstallSampleStationDatabase(root);
    answers[46] = Variant(3);
    answers[5] = Variant(std::string("C:\\FUEL\\DB\\"));
    OfficeHost = true;
  }
  std::string DbPath() const { return root.Path() + "/c/FUEL/DB/Velmar.FDB"; }
};

TEST_F(ReportRoutinesOnTheDatabase, ContractCustomersOfKindFourDecideTheStatementStore) {
  TReportCreator creator;
  EXPECT_EQ(creator.SmenaNum, -1);  // an office host reads no registry
  EXPECT_EQ(CnfIniFileName, "C:\\FUEL\\DB\\cnf.ini");
  const auto rows = test::IsqlSelect(
      DbPath(), "SELECT COUNT(*) AS N FROM CONTRAGENTTYPE WHERE CTYPE=1 AND MOD(PARAM1, 100)=4");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(HasVidOplContractors(creator), rows[0].at("N") != "0");
  test::Isql("CONNECT '" + DbPath() +
             "' USER 'SYSDBA';\nDELETE FROM CONTRAGENTTYPE WHERE MOD(PARAM1, 100)=4;\nCOMMIT;");
  TReportCreator again;
  EXPECT_FALSE(HasVidOplContractors(again));
}

TEST_F(ReportRoutinesOnTheDatabase, AQueryCopiedIntoAClientDataSetHoldsWhatIsqlReads) {
  TReportCreator creator;
  std::unique_ptr<TIBDataSet> query(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  query->SelectSQL().SetText("SELECT CONTR_ID, NAME FROM CONTRAGENT ORDER BY CONTR_ID");
  TClientDataSet target;
  FillClientDataSet(*query, target);
  const auto rows =
      test::IsqlSelect(DbPath(), "SELECT CONTR_ID, NAME FROM CONTRAGENT ORDER BY CONTR_ID");
  ASSERT_EQ(target.RecordCount(), static_cast<int>(rows.size()));
  ASSERT_GT(rows.size(), 2u);
  target.First();
  for (const auto& row : rows) {
    EXPECT_EQ(target.FieldByName("CONTR_ID").AsString(), row.at("CONTR_ID"));
    EXPECT_EQ(target.FieldByName("NAME").AsString(), row.at("NAME"));
    target.Next();
  }
  // The copy survives its data packet.
  TClientDataSet back;
  back.SetXMLData(target.XMLData());
  EXPECT_EQ(back.RecordCount(), target.RecordCount());
  query->SelectSQL().SetText("SELECT NOSUCHCOLUMN FROM CONTRAGENT");
  query->Close();
  TClientDataSet failed;
  try {
    FillClientDataSet(*query, failed);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("ЗаполнениеКлиентДатаСета -> "_w, 0), 0u) << e.Message();
  }
}

TEST_F(ReportRoutinesOnTheDatabase, AMissingDatabaseFailsTheCreator) {
  std::filesystem::remove(DbPath());
  EXPECT_THROW(TReportCreator(), Exception);
}

}  // namespace
}  // namespace tv
