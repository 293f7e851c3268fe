#include "zip/ZipMessages.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace tv::zip {
namespace {

TEST(ZipMessages, TableTextsByteForByte) {
  EXPECT_EQ(LoadZipStr(184), "Please insert disk ");
  EXPECT_EQ(LoadZipStr(185), " of the multi-disk set.");
  EXPECT_EQ(LoadZipStr(178), "User canceled Set Desination Directory");
  EXPECT_EQ(LoadZipStr(177),
            "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|All Files "
            "(*.*)|*.*");
  EXPECT_EQ(LoadZipStr(187), "User canceled Zip operation");
  EXPECT_EQ(LoadZipStr(207), "Cant write uncompressed file");
  // Ids without an entry give an empty text.
  EXPECT_EQ(LoadZipStr(180), "");
  EXPECT_EQ(LoadZipStr(200), "");
  EXPECT_EQ(LoadZipStr(0), "");
}

TEST(ZipMessages, FormatsTheOneNumber) {
  EXPECT_EQ(FormatZipStr(179, 5), "Index 5 is out of range");
  EXPECT_EQ(FormatZipStr(191, 7), "Invalid seek origin (7)");
  EXPECT_EQ(FormatZipStr(183, 1), "Not a valid zip file!");
}

TEST(ZipMessages, ClassesShareTextButNotClass) {
  try {
    throw EBadZipFile(LoadZipStr(kMsgNotAZipFile));
  } catch (const ENotAZipFile&) {
    FAIL() << "EBadZipFile must not be caught as ENotAZipFile";
  } catch (const EZipException& e) {
    EXPECT_STREQ(e.ClassName(), "EBadZipFile");
    EXPECT_EQ(e.Message(), ENotAZipFile(LoadZipStr(kMsgNotAZipFile)).Message());
  }
  static_assert(!std::is_base_of_v<EZipException, EZCompressionError>);
  static_assert(std::is_base_of_v<EZLibError, EZCompressionError>);
  static_assert(std::is_base_of_v<EZipException, ECantWriteUCF>);
  EXPECT_STREQ(EUserCanceled("x").ClassName(), "EUserCanceled");
}

}  // namespace
}  // namespace tv::zip
