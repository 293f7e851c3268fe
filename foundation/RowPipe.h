#pragma once
// A report's rows read on the calling thread, the one that owns the data
// set, and written into the report's forms by a second thread: the
// database's fetch and the forms' work then overlap instead of adding up.
// Rows travel in a few batches that are used over and over, so a long
// report allocates nothing per row once they are filled. The first failure
// on either side stops both, and PipeRows throws it as it was thrown.
// When the system refuses the second thread (a host at its thread limit),
// the rows are written one by one on the calling thread instead: the
// report is slower, not lost.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace tv {

// Starts the writer thread of PipeRows. Tests put a starter that throws
// std::system_error here to see the report made without it.
using TRowPipeThreadStart = std::thread (*)(std::function<void()> body);
inline TRowPipeThreadStart RowPipeThreadStart = [](std::function<void()> body) {
  return std::thread(std::move(body));
};

// `read(row)` fills the next row and returns false after the last one;
// `write(row)` is called for each row, in order, on the second thread.
template <class Row, class Read, class Write>
void PipeRows(Read&& read, Write&& write) {
  constexpr std::size_t kBatchRows = 512;
  constexpr std::size_t kBatches = 4;
  struct Batch {
    std::vector<Row> rows;
    std::size_t count = 0;
  };
  std::vector<Batch> batches(kBatches);
  std::mutex lock;
  std::condition_variable changed;
  std::deque<Batch*> readyForWriter, readyForReader;  // in order of use
  bool readerDone = false, stop = false;
  std::exception_ptr writeFailure;
  for (Batch& b : batches) {
    b.rows.resize(kBatchRows);
    readyForReader.push_back(&b);
  }

  const auto writerBody = [&] {
    try {
      for (;;) {
        Batch* batch = nullptr;
        {
          std::unique_lock<std::mutex> hold(lock);
          changed.wait(hold, [&] { return !readyForWriter.empty() || readerDone || stop; });
          if (stop || readyForWriter.empty()) return;
          batch = readyForWriter.front();
          readyForWriter.pop_front();
        }
        for (std::size_t i = 0; i < batch->count; ++i) write(std::as_const(batch->rows[i]));
        {
          std::lock_guard<std::mutex> hold(lock);
          readyForReader.push_back(batch);
        }
        changed.notify_all();
      }
    } catch (...) {
      std::lock_guard<std::mutex> hold(lock);
      writeFailure = std::current_exception();
      stop = true;
      changed.notify_all();
    }
  };
  std::thread writer;
  try {
    writer = RowPipeThreadStart(writerBody);
  } catch (const std::system_error&) {
    Row row;
    while (read(row)) write(std::as_const(row));
    return;
  }

  // Hands a filled batch on; the next one to fill, or nullptr once the
  // writer has failed.
  const auto handOn = [&](Batch* filled) -> Batch* {
    std::unique_lock<std::mutex> hold(lock);
    if (filled != nullptr) readyForWriter.push_back(filled);
    changed.notify_all();
    changed.wait(hold, [&] { return !readyForReader.empty() || stop; });
    if (stop) return nullptr;
    Batch* next = readyForReader.front();
    readyForReader.pop_front();
    next->count = 0;
    return next;
  };
  const auto finish = [&](bool failed) {
    {
      std::lock_guard<std::mutex> hold(lock);
      readerDone = true;
      stop = stop || failed;
    }
    changed.notify_all();
    writer.join();
  };
  try {
    Batch* batch = handOn(nullptr);
    while (batch != nullptr) {
      if (!read(batch->rows[batch->count])) {
        if (batch->count > 0) {
          std::lock_guard<std::mutex> hold(lock);
          readyForWriter.push_back(batch);
        }
        break;
      }
      if (++batch->count == kBatchRows) batch = handOn(batch);
    }
  } catch (...) {
    finish(true);
    throw;
  }
  finish(false);
  if (writeFailure) std::rethrow_exception(writeFailure);
}

}  // namespace tv
