#pragma once
// The in-memory data set as the host sees it: TVMemoryData of the public
// header is a handle on one of the library's TRxMemoryData objects, valid
// while the fill procedure runs.

#include "platform/data/MemoryData.h"
#include "tolvaren/tolvaren.h"

struct TVMemoryData {
  tv::TRxMemoryData* data;
};
