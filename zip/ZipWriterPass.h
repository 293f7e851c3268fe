#pragma once
// The run state of one zip pass of TZipWriter, shared by its units.

#include <memory>
#include <string>
#include <vector>

#include "zip/ZipWriter.h"

namespace tv::zip {

struct TZipWriter::TPass {
  std::unique_ptr<TLFNFileStream> output;
  std::string outputName;
  bool updating = false;
  std::unique_ptr<TSortedZip> byName;   // does not own
  std::unique_ptr<TSortedZip> inOrder;  // owns the headers
  std::unique_ptr<TEndCentral> newEnd;
  int64_t totalBytes = 0;
  int64_t nameEstimate = 0;  // average stored name length, for the first volume's reserve
  int64_t bytesDone = 0;
  int64_t fileBytesDone = 0;
  int64_t fileSize = 0;
  bool disposing = false;
  std::vector<std::string> disposeList;
  int32_t count = 0;
  // Multi-volume output.
  int64_t capacity = 0;
  std::unique_ptr<TLFNFileStream> spanTemp;
  std::string spanTempName;
  // Where the data of the entry being written goes: the output, or in
  // multi-volume mode the per-file temporary stream.
  TStream* Target() const { return spanTemp ? static_cast<TStream*>(spanTemp.get()) : output.get(); }
  TS_BufferStream* TargetBuffer() const {
    return spanTemp ? static_cast<TS_BufferStream*>(spanTemp.get()) : output.get();
  }
};

}  // namespace tv::zip
