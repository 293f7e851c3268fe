#include "zip/RtlStreams.h"

#include <gtest/gtest.h>

namespace tv::zip {
namespace {
TEST(TMemoryStream, ReadsWhatWasWritten) {
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  s.SetPosition(0);
  char b[3];
  s.ReadBuffer(b, 3);
  EXPECT_EQ(std::string(b, 3), "abc");
  EXPECT_THROW(s.ReadBuffer(b, 1), EReadError);
}
}  // namespace
}  // namespace tv::zip
