#pragma once
// The temporary file that a report's text forms are filled into: every
// builder of the report folders writes its text version there through
// TFileRepGen and reads it back.

#include <string>

namespace tv {

// A new empty file "XM<hex>.tmp" in the temporary folder
// (GetTempFileNameXM, foundation/ReportUtils.h), deleted with this object.
class TTempReportFile {
 public:
  TTempReportFile();
  ~TTempReportFile();
  TTempReportFile(const TTempReportFile&) = delete;
  TTempReportFile& operator=(const TTempReportFile&) = delete;

  const std::string& Name() const { return name_; }
  // The file's lines, each followed by CR LF (RepGen::ReadFileText).
  std::string ReadText() const;

 private:
  std::string name_;
};

}  // namespace tv
