// The text-form generator's files and variables: form loading failures,
// alternative forms, appending, reading the report back, write errors.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "engines/RepGen.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

const std::string kFolder = "C:\\FUEL\\FORMS\\REPORT\\";
const std::string kOut = "C:\\TEMP\\out.txt";

class RepGenFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    root_.WriteFile("c/TEMP/.keep", "");
    RepGen::UseAltForms = false;
  }
  void TearDown() override { RepGen::UseAltForms = false; }

  // Writes a form (Windows-1251 text, lines joined with CR LF).
  void Form(const std::string& name, const std::string& text) {
    root_.WriteFile("c/FUEL/FORMS/REPORT/" + Cp1251ToUtf8(name), text);
  }
  std::string Out() const { return root_.ReadFile("c/TEMP/out.txt"); }
  bool OutExists() const { return std::filesystem::exists(root_.Path() + "/c/TEMP/out.txt"); }

  // The message of the exception that creating a generator raises.
  std::string CreateError(const std::string& form, bool overwrite = true) {
    try {
      TFileRepGen gen(form, kOut, overwrite, 0, 1);
    } catch (const Exception& e) {
      lastClass_ = e.ClassName();
      return e.Message();
    }
    return "(none)";
  }

  test::TempRoot root_;
  std::string lastClass_;
};

TEST_F(RepGenFilesTest, MissingFormRaisesWithContextAfterCreatingTheOutput) {
  const std::string message = CreateError(kFolder + "missing.frm");
  EXPECT_EQ(lastClass_, "EFOpenError");
  const std::string prefix =
      "ЗагрузкаФайлаFRM -> Cannot open file \""_w + kFolder + "missing.frm\". ";
  EXPECT_EQ(message.substr(0, prefix.size()), prefix);
  EXPECT_TRUE(message.ends_with(" <# EFOpenError #>")) << Cp1251ToUtf8(message);
  EXPECT_TRUE(OutExists());
  EXPECT_EQ(Out(), "");
  // When appending, the earlier text stays untouched.
  root_.WriteFile("c/TEMP/out.txt", "earlier\r\n");
  CreateError(kFolder + "missing.frm", false);
  EXPECT_EQ(Out(), "earlier\r\n");
}

TEST_F(RepGenFilesTest, UnreadableFormRaisesWithContext) {
  std::filesystem::create_directories(root_.Path() + "/c/FUEL/FORMS/REPORT/folder.frm");
  const std::string message = CreateError(kFolder + "folder.frm");
  EXPECT_EQ(message.rfind("ЗагрузкаФайлаFRM -> "_w, 0), 0u) << Cp1251ToUtf8(message);
  EXPECT_NE(message.find(kFolder + "folder.frm"), std::string::npos);
  EXPECT_TRUE(message.ends_with(" <# " + lastClass_ + " #>")) << Cp1251ToUtf8(message);
}

TEST_F(RepGenFilesTest, OutputThatCannotBeCreatedRaises) {
  Form("f.frm", "line\r\n");
  try {
    TFileRepGen gen(kFolder + "f.frm", "C:\\NOFOLDER\\out.txt", true, 0, 1);
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot create file \"C:\\NOFOLDER\\out.txt\". ", 0), 0u)
        << Cp1251ToUtf8(e.Message());
  }
}

TEST_F(RepGenFilesTest, OverwriteFalseAppendsAndTrueReplaces) {
  Form("f.frm", "@Page\r\nReport ~X~@\r\n");
  root_.WriteFile("c/TEMP/out.txt", "Earlier report\r\n");
  {
    TFileRepGen gen(kFolder + "f.frm", kOut, false, 0, 1);
    gen.SetVar("X", "2");
    gen.EndReport();
  }
  EXPECT_EQ(Out(), "Earlier report\r\nReport 2\r\n");
  {
    TFileRepGen gen(kFolder + "f.frm", kOut, true, 0, 1);
    gen.SetVar("X", "3");
    gen.EndReport();
  }
  EXPECT_EQ(Out(), "Report 3\r\n");
  std::filesystem::remove(root_.Path() + "/c/TEMP/out.txt");
  {
    TFileRepGen gen(kFolder + "f.frm", kOut, false, 0, 1);  // missing: created
    gen.EndReport();
  }
  EXPECT_EQ(Out(), "Report \r\n");
}

TEST_F(RepGenFilesTest, AlternativeFormsWhenSwitchedOnLatinPrefixWins) {
  Form("f.frm", "plain\r\n");
  auto used = [&]() {
    TFileRepGen gen(kFolder + "f.frm", kOut, true, 0, 1);
    gen.EndReport();
    return std::make_pair(gen.FormFileName(), Out());
  };
  Form("а_f.frm"_w, "cyrillic\r\n");
  EXPECT_EQ(used(), std::make_pair(kFolder + "f.frm", std::string("plain\r\n")));
  RepGen::UseAltForms = true;
  EXPECT_EQ(used(), std::make_pair(kFolder + "а_f.frm"_w, std::string("cyrillic\r\n")));
  Form("a_f.frm", "latin\r\n");
  EXPECT_EQ(used(), std::make_pair(kFolder + "a_f.frm", std::string("latin\r\n")));
  std::filesystem::remove(root_.Path() + "/c/FUEL/FORMS/REPORT/" + Cp1251ToUtf8("а_f.frm"_w));
  EXPECT_EQ(used(), std::make_pair(kFolder + "a_f.frm", std::string("latin\r\n")));
  RepGen::UseAltForms = false;
  EXPECT_EQ(used(), std::make_pair(kFolder + "f.frm", std::string("plain\r\n")));
}

TEST_F(RepGenFilesTest, ReadFileTextEndsEveryLineWithCrLf) {
  root_.WriteFile("c/TEMP/t.txt", "a\nb\rc\r\nd");
  EXPECT_EQ(RepGen::ReadFileText("C:\\TEMP\\t.txt"), "a\r\nb\r\nc\r\nd\r\n");
  root_.WriteFile("c/TEMP/t.txt", "");
  EXPECT_EQ(RepGen::ReadFileText("C:\\TEMP\\t.txt"), "");
  root_.WriteFile("c/TEMP/t.txt", "\r\n\r\n");
  EXPECT_EQ(RepGen::ReadFileText("C:\\TEMP\\t.txt"), "\r\n\r\n");
  EXPECT_THROW(RepGen::ReadFileText("C:\\TEMP\\none.txt"), EFOpenError);
}

TEST_F(RepGenFilesTest, WriteFailureIsReportedByEndReport) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  Form("f.frm", "@Page\r\n@Group\r\n@Repeat\r\n" + std::string(200, 'x') + "\r\n");
  try {
    TFileRepGen gen(kFolder + "f.frm", "/dev/full", true, 0, 1);
    for (int i = 0; i < 1000; ++i) gen.PrintRepeat();
    gen.EndReport();
    FAIL() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Cannot write file \"/dev/full\"");
  }
}

// A generator on an in-memory stream, for the variable rules.
class RepGenVarsTest : public testing::Test {
 protected:
  std::string Fill(const std::string& form, const std::function<void(TRepGen&)>& steps) {
    root_.WriteFile("c/f.frm", form);
    std::ostringstream out;
    TRepGen gen("C:\\f.frm", out, 0, 1);
    steps(gen);
    gen.EndReport();
    return out.str();
  }
  test::TempRoot root_;
};

TEST_F(RepGenVarsTest, NamesIgnoreCaseAndKeepFifteenCharacters) {
  EXPECT_EQ(Fill("~Organization~@\r\n",
                 [](TRepGen& g) {
                   g.SetVar("organization", "A");
                   g.SetVar("ORGANIZATION", "B");
                 }),
            "B\r\n");
  EXPECT_EQ(Fill("~abcdefghijklmnopq~@\r\n",
                 [](TRepGen& g) { g.SetVar("ABCDEFGHIJKLMNOXYZ", "same first 15"); }),
            "same first 15\r\n");
  EXPECT_EQ(Fill("~Сумма~@\r\n"_w, [](TRepGen& g) { g.SetVar("СУММА"_w, "5"); }), "5\r\n");
  EXPECT_EQ(Fill("[~A~@]\r\n",
                 [](TRepGen& g) {
                   g.SetVar("A", "x");
                   g.ClearVars();
                 }),
            "[]\r\n");
}

TEST_F(RepGenVarsTest, PageIsThePageNumberWhateverIsSet) {
  EXPECT_EQ(Fill("~page~|~PAGE~|~Page~@\r\n", [](TRepGen& g) { g.SetVar("PAGE", "99"); }),
            "1     |1     |1\r\n");
}

TEST_F(RepGenVarsTest, DerivedGeneratorSuppliesItsOwnValues) {
  class Upper : public TRepGen {
   public:
    using TRepGen::TRepGen;
    std::string GetVarValue(std::string_view name) const override {
      return name == "Who" ? "derived" : TRepGen::GetVarValue(name);
    }
  };
  root_.WriteFile("c/f.frm", "~Who~@ ~X~@\r\n");
  std::ostringstream out;
  Upper gen("C:\\f.frm", out, 0, 1);
  gen.SetVar("X", "base");
  gen.EndReport();
  EXPECT_EQ(out.str(), "derived base\r\n");
}

}  // namespace
}  // namespace tv
