#include "platform/os/IniFile.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/os/Files.h"
#include "platform/os/OsError.h"
#include "tests/support/Processes.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

std::string DataFile(const std::string& name) {
  std::ifstream in(std::string(TOLVAREN_TESTDATA_DIR) + "/platform/ini/" + name, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

const char* kIni = "C:\\FUEL\\station.ini";

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override { root.WriteFile("c/FUEL/station.ini", DataFile("station.ini")); }
  test::TempRoot root;
};

TEST_F(IniFileTest, ReadsAsTheProfileFunctions) {
  TIniFile ini(kIni);
  // Sections and keys ignore case; blanks around names and values go.
  EXPECT_EQ(ini.ReadString("REPORTS", "maxsize", "x"), "1024");
  EXPECT_EQ(ini.ReadString("misc", "RepSmType", "x"), "2");
  // The first of two equal keys wins.
  EXPECT_EQ(ini.ReadString("Reports", "DecL", "x"), "3");
  // One pair of double quotes goes, the blanks inside stay; single quotes
  // and a lone quote stay.
  EXPECT_EQ(ini.ReadString("Reports", "Title", ""), "  quoted value  ");
  EXPECT_EQ(ini.ReadString("Reports", "Single", ""), "'kept'");
  EXPECT_EQ(ini.ReadString("Reports", "Half", ""), "\"open only");
  // Cyrillic names match case-insensitively through the code page tables.
  EXPECT_EQ(ini.ReadString("СТАНЦИЯ"_w, "имя"_w, ""), "АЗС №1"_w);
  // Absent: the default; the first of two same-named sections is searched.
  EXPECT_EQ(ini.ReadString("Reports", "no equals sign here", "def"), "def");
  EXPECT_EQ(ini.ReadString("old", "B", "def"), "def");
  EXPECT_EQ(ini.ReadString("Nope", "A", "def"), "def");
  EXPECT_EQ(ini.ReadInteger("Reports", "MaxSize", 0), 1024);
  EXPECT_EQ(ini.ReadInteger("Reports", "Title", -7), -7);
  EXPECT_TRUE(ini.ReadBool("Misc", "VOMimo", false));
}

TEST_F(IniFileTest, ListsSectionsAndKeysInFileOrder) {
  TIniFile ini(kIni);
  TStringList list;
  ini.ReadSections(list);
  EXPECT_EQ(list.Text(), "Reports\r\nOld\r\nMisc\r\n"_w + "Станция\r\n"_w);
  ini.ReadSection("reports", list);
  EXPECT_EQ(list.Text(), "MaxSize\r\nDecL\r\nTitle\r\nSingle\r\nHalf\r\nDecL\r\n");
  ini.ReadSectionValues("Misc", list);
  EXPECT_EQ(list.Text(), "RepSmType=2\r\nVOMimo=1\r\n");
  EXPECT_TRUE(ini.ValueExists("MISC", "vomimo"));
  EXPECT_FALSE(ini.ValueExists("Misc", "Other"));
  EXPECT_TRUE(ini.SectionExists("old"));
}

TEST_F(IniFileTest, EditsInPlaceByteForByte) {
  TIniFile ini(kIni);
  ini.WriteString("reports", "maxsize", "2048");
  ini.WriteString("Reports", "NewKey", "v");
  ini.WriteString("станция"_w, "Имя"_w, "АЗС №2"_w);
  ini.WriteString("Новая"_w, "Ключ"_w, " a ");
  ini.DeleteKey("misc", "repsmtype");
  ini.DeleteKey("misc", "absent");  // nothing to do
  ini.EraseSection("OLD");
  EXPECT_EQ(root.ReadFile("c/FUEL/station.ini"), DataFile("station.expected.ini"));
  // The blanks written around the value are not read back.
  EXPECT_EQ(ini.ReadString("Новая"_w, "Ключ"_w, ""), "a");
}

TEST(IniFile, CreatesTheFileOnFirstWrite) {
  test::TempRoot root;
  ASSERT_TRUE(ForceDirectories("C:\\WINDOWS"));
  TIniFile ini("C:\\WINDOWS\\cnf.ini");
  EXPECT_EQ(ini.ReadString("Reports", "MaxSize", "none"), "none");  // no file, no error
  ini.WriteString("Reports", "MaxSize", "10");
  ini.WriteInteger("Reports", "MaxRows", -5);
  ini.WriteBool("Misc", "VOMimo", true);
  ini.WriteBinaryStream("Misc", "Blob", std::string("\x00\xAB\x10", 3));
  EXPECT_EQ(root.ReadFile("c/WINDOWS/cnf.ini"),
            "[Reports]\r\nMaxSize=10\r\nMaxRows=-5\r\n[Misc]\r\nVOMimo=1\r\nBlob=00AB10\r\n");
  std::string blob;
  EXPECT_EQ(ini.ReadBinaryStream("Misc", "Blob", blob), 3);
  EXPECT_EQ(blob, std::string("\x00\xAB\x10", 3));
  EXPECT_EQ(ini.ReadInteger("Reports", "MaxRows", 0), -5);
  // A name found without regard to case on disk is the same file.
  TIniFile upper("C:\\windows\\CNF.INI");
  EXPECT_EQ(upper.ReadInteger("REPORTS", "MAXSIZE", 0), 10);
}

TEST(IniFile, IntegerTextsFollowTheRuntime) {
  test::TempRoot root;
  root.WriteFile("c/a.ini",
                 "[S]\r\nhex=$1F\r\nchex=0x10\r\nneg=-12\r\nbig=2147483648\r\n"
                 "junk=12a\r\nsp= 7\r\n");
  TIniFile ini("C:\\a.ini");
  EXPECT_EQ(ini.ReadInteger("S", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("S", "chex", 0), 16);
  EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -12);
  EXPECT_EQ(ini.ReadInteger("S", "big", 1), 1);
  EXPECT_EQ(ini.ReadInteger("S", "junk", 1), 1);
  EXPECT_EQ(ini.ReadInteger("S", "sp", 1), 7);
}

TEST(IniFile, LongValuesAreCutAtTheReadBuffer) {
  test::TempRoot root;
  ASSERT_TRUE(ForceDirectories("C:\\"));
  TIniFile ini("C:\\long.ini");
  std::string value(70000, 'x');
  ini.WriteString("S", "K", value);
  EXPECT_EQ(ini.ReadString("S", "K", "").size(), 65534u);
  std::string exact(65534, 'y');
  ini.WriteString("S", "K", exact);
  EXPECT_EQ(ini.ReadString("S", "K", ""), exact);
}

TEST(IniFile, BadInputGivesClearErrors) {
  test::TempRoot root;
  ASSERT_TRUE(ForceDirectories("C:\\"));
  // A folder that does not exist: path not found (3).
  TIniFile missing("C:\\NoSuchFolder\\x.ini");
  try {
    missing.WriteString("S", "K", "v");
    FAIL() << "no error";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "Unable to write to C:\\NoSuchFolder\\x.ini");
    EXPECT_EQ(GetLastError(), 3);
  }
  // Names the format cannot hold: invalid name (123); line breaks in a value: 87.
  TIniFile ini("C:\\x.ini");
  EXPECT_THROW(ini.WriteString("", "K", "v"), EIniFileException);
  EXPECT_THROW(ini.WriteString("S", "a=b", "v"), EIniFileException);
  EXPECT_EQ(GetLastError(), 123);
  EXPECT_THROW(ini.WriteString("S]", "K", "v"), EIniFileException);
  EXPECT_THROW(ini.WriteString("S", "K", "a\r\nb"), EIniFileException);
  EXPECT_EQ(GetLastError(), 87);
  EXPECT_FALSE(root.ReadFile("c/x.ini").size() > 0);
}

TEST(IniFile, BinaryGarbageIsReadWithoutHarmAndKept) {
  test::TempRoot root;
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919 + 13) & 0xFF);
  root.WriteFile("c/g.ini", garbage);
  TIniFile ini("C:\\g.ini");
  TStringList sections;
  ini.ReadSections(sections);  // whatever it finds, it must not fail
  EXPECT_EQ(ini.ReadString("Reports", "MaxSize", "d"), "d");
  ini.WriteString("Reports", "MaxSize", "5");
  EXPECT_EQ(ini.ReadString("Reports", "MaxSize", "d"), "5");
  std::string after = root.ReadFile("c/g.ini");
  EXPECT_EQ(after.substr(0, garbage.size()), garbage);
}

TEST(IniFile, ProcessesWritingDifferentKeysLoseNothing) {
  test::TempRoot root;
  ASSERT_TRUE(ForceDirectories("C:\\"));
  const int kProcesses = 4;
  const int kWrites = 100;
  TIniFile("C:\\shared.ini").WriteString("Main", "Sentinel", "here");
  test::RunInChildren(kProcesses, [&](int p) {
    int rc = 0;
    TIniFile ini("C:\\shared.ini");
    for (int i = 0; i < kWrites; ++i) {
      ini.WriteString("P" + std::to_string(p), "K" + std::to_string(i), std::to_string(i * p));
      // Readers never see a half-written file.
      if (ini.ReadString("Main", "Sentinel", "") != "here") rc = 2;
    }
    return rc;
  });
  TIniFile ini("C:\\shared.ini");
  for (int p = 0; p < kProcesses; ++p) {
    TStringList keys;
    ini.ReadSection("P" + std::to_string(p), keys);
    ASSERT_EQ(keys.Count(), kWrites);
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(ini.ReadString("P" + std::to_string(p), "K" + std::to_string(i), ""),
                std::to_string(i * p));
  }
}

TEST(MemIniFile, KeepsFirstWriteOrderAndRendersSections) {
  test::TempRoot root;
  TMemIniFile ini;
  ini.WriteString("B", "x", "1");
  ini.WriteString("A", "y", "2");
  ini.WriteString("b", "X", "3");  // replaces in place
  ini.WriteString("B", "z", "4");
  EXPECT_EQ(ini.ReadString("b", "x", ""), "3");
  EXPECT_EQ(ini.ReadInteger("A", "y", 0), 2);
  EXPECT_EQ(ini.ReadInteger("A", "missing", 9), 9);
  EXPECT_EQ(ini.ReadInteger("B", "x", 9), 3);
  TStringList lines;
  ini.GetStrings(lines);
  EXPECT_EQ(lines.Text(), "[B]\r\nx=3\r\nz=4\r\n\r\n[A]\r\ny=2\r\n\r\n");
  ini.DeleteKey("B", "x");
  ini.EraseSection("A");
  ini.GetStrings(lines);
  EXPECT_EQ(lines.Text(), "[B]\r\nz=4\r\n\r\n");
  EXPECT_EQ(ini.FileName(), "");
  ini.UpdateFile();  // no file: nothing happens
}

TEST(MemIniFile, LoadsAndSavesItsFile) {
  test::TempRoot root;
  root.WriteFile("c/m.ini", "[S]\nk = \"v\"\nk=second\n[T]\r\na=1");
  TMemIniFile ini("C:\\m.ini");
  EXPECT_EQ(ini.ReadString("s", "K", ""), "v");
  ini.WriteString("T", "b", "2");
  ini.UpdateFile();
  EXPECT_EQ(root.ReadFile("c/m.ini"), "[S]\r\nk=v\r\n\r\n[T]\r\na=1\r\nb=2\r\n\r\n");
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {

TEST(IniFile, TypedValuesUseTheProcessDefaults) {
  test::TempRoot root;
  ASSERT_TRUE(ForceDirectories("C:\\"));
  TIniFile ini("C:\\typed.ini");
  ini.WriteFloat("T", "F", 2.5);
  ini.WriteDate("T", "D", EncodeDate(2012, 5, 31));
  ini.WriteDateTime("T", "DT", EncodeDate(2012, 5, 31) + EncodeTime(8, 0, 0, 0));
  ini.WriteTime("T", "Tm", EncodeTime(8, 5, 3, 0));
  EXPECT_EQ(root.ReadFile("c/typed.ini"),
            "[T]\r\nF=2,5\r\nD=31.05.2012\r\nDT=31.05.2012 8:00:00\r\nTm=8:05:03\r\n");
  EXPECT_EQ(ini.ReadFloat("T", "F", 0), 2.5);
  EXPECT_EQ(ini.ReadDate("T", "D", 0), EncodeDate(2012, 5, 31));
  EXPECT_NEAR(ini.ReadTime("T", "Tm", 0), EncodeTime(8, 5, 3, 0), 1e-9);
  EXPECT_EQ(ini.ReadDate("T", "F", -1), -1);  // not a date
}

}  // namespace
}  // namespace tv
