#include "foundation/RowPipe.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace tv {
namespace {

// Every row arrives once, in order, on another thread, for counts around
// the batch size; a failure on either side stops the other and comes out
// as it was thrown, after only the rows already under way.
TEST(RowPipe, RowsArriveInOrderAndFailuresStopBothSides) {
  const struct {
    int rows, readFailsAt, writeFailsAt;
  } cases[] = {{0, -1, -1},   {1, -1, -1},   {511, -1, -1},  {512, -1, -1}, {513, -1, -1},
               {5000, -1, -1}, {5000, 0, -1}, {5000, 700, -1}, {5000, -1, 0}, {5000, -1, 1300}};
  const std::thread::id caller = std::this_thread::get_id();
  for (const auto& c : cases) {
    int read = 0;
    std::vector<std::string> written;
    bool writerElsewhere = true;
    std::string failure;
    try {
      PipeRows<std::string>(
          [&](std::string& row) {
            if (read == c.readFailsAt) throw std::runtime_error("read " + std::to_string(read));
            if (read == c.rows) return false;
            row = "row " + std::to_string(read++);
            return true;
          },
          [&](const std::string& row) {
            writerElsewhere = writerElsewhere && std::this_thread::get_id() != caller;
            if (static_cast<int>(written.size()) == c.writeFailsAt) throw std::logic_error("write " + row);
            written.push_back(row);
          });
    } catch (const std::exception& e) {
      failure = e.what();
    }
    const bool readFails = c.readFailsAt >= 0, writeFails = c.writeFailsAt >= 0;
    const std::string expected = readFails    ? "read " + std::to_string(c.readFailsAt)
                                 : writeFails ? "write row " + std::to_string(c.writeFailsAt)
                                              : "";
    EXPECT_EQ(failure, expected);
    EXPECT_TRUE(writerElsewhere);
    // All rows, or those before a write failure; never more than were read
    // before a read failure. A failed writer stops the reader within the
    // batches under way.
    const int wholeRows = writeFails ? c.writeFailsAt : c.rows;
    if (readFails) {
      EXPECT_LE(static_cast<int>(written.size()), c.readFailsAt);
    } else {
      EXPECT_EQ(static_cast<int>(written.size()), wholeRows);
    }
    EXPECT_LE(read, writeFails ? c.writeFailsAt + 5 * 512 : c.rows);
    for (std::size_t i = 0; i < written.size(); ++i) ASSERT_EQ(written[i], "row " + std::to_string(i));
  }
}

// A host at its thread limit still gets the report: every row, in order,
// written on the calling thread.
TEST(RowPipe, WithoutASecondThreadTheCallerWritesTheRows) {
  const std::thread::id caller = std::this_thread::get_id();
  const TRowPipeThreadStart systemStart = RowPipeThreadStart;
  RowPipeThreadStart = [](std::function<void()>) -> std::thread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };
  int read = 0;
  std::vector<int> written;
  PipeRows<int>([&](int& row) { return (row = read++) < 1300; },
                [&](const int& row) {
                  if (std::this_thread::get_id() == caller) written.push_back(row);
                });
  RowPipeThreadStart = systemStart;
  ASSERT_EQ(written.size(), 1300u);
  for (int i = 0; i < 1300; ++i) EXPECT_EQ(written[i], i);
}

}  // namespace
}  // namespace tv
