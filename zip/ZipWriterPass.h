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
  int64_t bytesDone = 0;
  int64_t fileBytesDone = 0;
  int64_t fileSize = 0;
  bool disposing = false;
  std::vector<std::string> disposeList;
  int32_t count = 0;
};

}  // namespace tv::zip
