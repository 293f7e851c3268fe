#include "platform/os/Registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/text/Cp1251.h"
#include "platform/os/SysInfo.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

TEST(Registry, StoresTypedValuesInAReadableFile) {
  test::TempRoot root;
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("SOFTWARE\\Halvorsk\\AZS", false));
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Halvorsk\\AZS", true));
  reg.WriteInteger("IsSmenaOpen", 1);
  reg.WriteInteger("SmenaNum", -2);
  reg.WriteDateTime("SmenaBeginTime",
                    41275.5);  // 01.01.2013 12:00, bytes as python struct.pack("<d") gives
  reg.WriteString("Name", "АЗС \"1\"\r\nC:\\FUEL "_w);
  reg.WriteBool("Flag", false);
  EXPECT_EQ(root.ReadFile("c/WINDOWS/registry.ini"),
            "[HKEY_LOCAL_MACHINE]\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorsk]\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorsk\\AZS]\r\n"
            "IsSmenaOpen=dword:00000001\r\n"
            "SmenaNum=dword:FFFFFFFE\r\n"
            "SmenaBeginTime=hex:00,00,00,00,70,27,e4,40\r\n"
            "Name=sz:\"" +
                "АЗС \\\"1\\\"\\r\\nC:\\\\FUEL "_w +
                "\"\r\n"
                "Flag=dword:00000000\r\n");
  TRegistry other;
  ASSERT_TRUE(other.OpenKeyReadOnly("\\software\\halvorsk\\azs"));
  EXPECT_TRUE(other.ValueExists("issmenaopen"));
  EXPECT_EQ(other.ReadInteger("IsSmenaOpen"), 1);
  EXPECT_EQ(other.ReadInteger("SmenaNum"), -2);
  EXPECT_DOUBLE_EQ(other.ReadDateTime("SmenaBeginTime"), 41275.5);
  EXPECT_EQ(other.ReadString("Name"), "АЗС \"1\"\r\nC:\\FUEL "_w);
  EXPECT_FALSE(other.ReadBool("Flag"));
  EXPECT_EQ(other.ReadString("Missing"), "");
  EXPECT_EQ(other.GetDataType("SmenaBeginTime"), TRegistry::rdBinary);
}

TEST(Registry, WrongTypesAndMissingValuesRaiseTheRuntimeErrors) {
  test::TempRoot root;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Halvorsk\\AZS\\Reports\\BonusRep", true));
  reg.WriteString("PayType0", "1");
  try {
    reg.ReadInteger("PayType0");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Invalid data type for 'PayType0'");
  }
  try {
    reg.ReadInteger("NullStr");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Failed to get data for 'NullStr'");
  }
  EXPECT_THROW(reg.ReadDateTime("PayType0"), ERegistryException);
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKeyReadOnly("SOFTWARE\\Halvorsk\\AZS\\Reports\\BonusRep"));
  try {
    reg.WriteInteger("PayType0", 1);
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Failed to set data for 'PayType0'");
  }
}

TEST(Registry, KeysNestAndOpenRelatively) {
  test::TempRoot root;
  TRegistry reg;
  EXPECT_FALSE(reg.KeyExists("SOFTWARE\\Halvorsk\\AZS\\Reports\\BonusRep"));
  EXPECT_TRUE(reg.CreateKey("SOFTWARE\\Halvorsk\\AZS\\Reports\\BonusRep"));
  EXPECT_TRUE(reg.KeyExists("software\\HALVORSK\\azs"));
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Halvorsk", false));
  ASSERT_TRUE(reg.OpenKey("AZS", false));  // relative to the open key
  EXPECT_EQ(reg.CurrentPath(), "SOFTWARE\\Halvorsk\\AZS");
  TStringList names;
  reg.GetKeyNames(names);
  EXPECT_EQ(names.Text(), "Reports\r\n");
  reg.WriteInteger("", 5);  // the default value
  reg.GetValueNames(names);
  EXPECT_EQ(names.Text(), "\r\n");
  EXPECT_TRUE(reg.DeleteValue(""));
  EXPECT_FALSE(reg.ValueExists(""));
  EXPECT_TRUE(reg.DeleteKey("\\SOFTWARE\\Halvorsk\\AZS\\Reports"));
  EXPECT_FALSE(reg.KeyExists("\\SOFTWARE\\Halvorsk\\AZS\\Reports\\BonusRep"));
  EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\Halvorsk\\AZS"));
}

TEST(SysInfo, TicksAdvanceWithSleep) {
  uint32_t a = GetTickCount();
  Sleep(30);
  uint32_t spent = GetTickCount() - a;
  EXPECT_GE(spent, 29u);
  EXPECT_LT(spent, 1000u);
  EXPECT_EQ(GetCurrentProcessId(), static_cast<uint32_t>(::getpid()));
  EXPECT_NE(GetCurrentThreadId(), 0u);
}

}  // namespace
}  // namespace tv
