#include "library/TempReportFile.h"

#include "engines/RepGen.h"
#include "foundation/ReportUtils.h"
#include "platform/os/Files.h"

namespace tv {

TTempReportFile::TTempReportFile() : name_(GetTempFileNameXM()) {}

TTempReportFile::~TTempReportFile() {
  if (!name_.empty()) DeleteFile(name_);
}

std::string TTempReportFile::ReadText() const { return RepGen::ReadFileText(name_); }

}  // namespace tv
