#include "zip/ZipStreams.h"

#include <gtest/gtest.h>

#include "tests/support/TempRoot.h"
#include "zip/ZipMatch.h"

namespace tv::zip {
namespace {

// A memory stream that counts the transfers that reach it.
class CountingStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  int32_t Read(void* b, int32_t n) override {
    ++reads;
    return TMemoryStream::Read(b, n);
  }
  int32_t Write(const void* b, int32_t n) override {
    ++writes;
    return TMemoryStream::Write(b, n);
  }
  int reads = 0;
  int writes = 0;
};

TEST(TS_BufferStream, FillsInBufferSizedBlocks) {
  CountingStream inner("0123456789");
  TS_BufferStream s(&inner, 4);
  int fills = 0;
  s.OnFill = [&fills](TS_BufferStream&) { ++fills; };
  char out[16] = {};
  EXPECT_EQ(s.Read(out, 10), 10);
  EXPECT_EQ(std::string(out, 10), "0123456789");
  EXPECT_EQ(fills, 3);
  EXPECT_EQ(s.Read(out, 5), 0);
  EXPECT_EQ(s.Read(out, 0), 0);
  s.Seek(7, soFromBeginning);
  EXPECT_EQ(s.Read(out, 16), 3);
  EXPECT_EQ(std::string(out, 3), "789");
}

TEST(TS_BufferStream, PushBack) {
  CountingStream inner("abc");
  TS_BufferStream s(&inner, 8);
  EXPECT_THROW(s.PutBackChar('x'), EStreamError);
  try {
    s.PutBackChar('x');
  } catch (const EStreamError& e) {
    EXPECT_EQ(e.Message(), "Putback overflow");
  }
  char c = 0;
  s.Read(&c, 1);
  int readsBefore = inner.reads;
  s.PutBackChar(static_cast<uint8_t>(c));
  char again = 0;
  s.Read(&again, 1);
  EXPECT_EQ(again, 'a');
  EXPECT_EQ(inner.reads, readsBefore);
  EXPECT_EQ(s.Position(), 1);
  s.PutBackChar('Z');
  EXPECT_EQ(s.Position(), 0);
  char two[2];
  s.Read(two, 2);
  EXPECT_EQ(std::string(two, 2), "Zb");
}

TEST(TS_BufferStream, SeekFromEndIgnoresSign) {
  TMemoryStream inner(std::string(100, 'x'));
  TS_BufferStream s(&inner, 16);
  EXPECT_EQ(s.Seek(-10, soFromEnd), 90);
  EXPECT_EQ(s.Seek(10, soFromEnd), 90);
  EXPECT_EQ(s.Seek(5, soFromCurrent), 95);
  try {
    s.Seek(0, 3);
    FAIL();
  } catch (const EStreamError&) {
    FAIL() << "wrong class";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid seek origin (3)");
  }
}

TEST(TS_BufferStream, WritesStayBufferedUntilMoved) {
  CountingStream inner;
  TS_BufferStream s(&inner, 256);
  std::string data(100, 'w');
  EXPECT_EQ(s.Write(data.data(), 100), 100);
  EXPECT_EQ(s.Seek(0, soFromCurrent), 100);
  EXPECT_EQ(s.Seek(100, soFromBeginning), 100);
  EXPECT_EQ(inner.writes, 0);
  EXPECT_EQ(s.Size(), 100);  // the end counts pending bytes
  s.Seek(0, soFromBeginning);
  EXPECT_EQ(inner.writes, 1);
  EXPECT_EQ(inner.Data(), data);
}

TEST(TS_BufferStream, ReadAfterWriteContinuesBehindIt) {
  TMemoryStream inner(std::string("0123456789"));
  TS_BufferStream s(&inner, 4);
  s.Write("AB", 2);
  char out[3] = {};
  EXPECT_EQ(s.Read(out, 3), 3);
  EXPECT_EQ(std::string(out, 3), "234");
  EXPECT_EQ(inner.Data(), "AB23456789");
  // Writing after reading goes to the logical position.
  s.Write("cd", 2);
  s.Seek(0, soFromBeginning);
  EXPECT_EQ(inner.Data(), "AB234cd789");
}

TEST(TS_BufferStream, FullBufferWriteThenReadSeesNoStaleBytes) {
  TMemoryStream inner(std::string("0123456789"));
  TS_BufferStream s(&inner, 4);
  s.Write("ABCD", 4);  // fills and flushes the buffer exactly
  EXPECT_EQ(s.BufferMode(), TS_BufferStream::bmIdle);
  char out[2] = {};
  EXPECT_EQ(s.Read(out, 2), 2);
  EXPECT_EQ(std::string(out, 2), "45");
}

TEST(TLFNFileStream, OpensFlushesAndSizes) {
  test::TempRoot root;
  ForceDirectories("C:\\");
  {
    TLFNFileStream w("C:\\f.bin", fmCreate, true, 8);
    EXPECT_TRUE(w.FlushOnClose());
    w.Write("hello world", 11);
    EXPECT_EQ(w.GetSize(), 11);
    w.SetSize(5);
    EXPECT_EQ(w.GetSize(), 5);
  }
  EXPECT_EQ(root.ReadFile("c/f.bin"), "hello");
  TLFNFileStream r("C:\\F.BIN", fmOpenRead | fmShareDenyWrite, true, 8);
  EXPECT_FALSE(r.FlushOnClose());
  char out[5];
  r.ReadBuffer(out, 5);
  EXPECT_EQ(std::string(out, 5), "hello");
  EXPECT_THROW(TLFNFileStream("C:\\missing.bin", fmOpenRead, false, 8), EFOpenError);
}

}  // namespace
}  // namespace tv::zip
