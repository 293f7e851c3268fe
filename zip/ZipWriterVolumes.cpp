// Multi-volume output: fixed-size volume files side by side (mmBlocks) or
// one volume per removable disk (mmSpan), each file's data first written to
// a temporary file and then copied across the volumes; and the ".zfc" copy
// of the directory.

#include <unistd.h>

#include <cstdio>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "zip/ZipBytes.h"
#include "zip/ZipDrives.h"
#include "zip/ZipMessages.h"
#include "zip/ZipWriter.h"
#include "zip/ZipWriterPass.h"

namespace tv::zip {
namespace {

constexpr uint32_t kSpanSignature = 0x08074B50;
constexpr uint32_t kSingleSegmentSignature = 0x30304B50;

std::string DriveRootOf(const std::string& name) {
  return name.size() >= 2 && name[1] == ':' ? AnsiUpperCase(name.substr(0, 2)) + "\\"
                                            : std::string();
}

}  // namespace

int64_t TZipWriter::DiskFreeOnZipDrive() const {
  std::string root = DriveRootOf(ZipName());
  return DiskFreeSpace(root.empty() ? ExtractFilePath(ZipName()) : root);
}

void TZipWriter::WriteDiskLabel() {
  if (GetMultiMode() != mmSpan || !MultiZipInfo.WriteDiskLabels) return;
  std::string root = DriveRootOf(ZipName());
  if (root.empty() || !IsRemovableDrive(root)) return;
  char label[32];
  std::snprintf(label, sizeof label, "PKBACK# %03d", currentDisk_ + 1);
  SetVolLabel(root, label);
}

std::string TZipWriter::FirstVolumeName() {
  std::string name = ZipName();
  if (GetMultiMode() == mmBlocks) {
    name = splitBaseName_;
    DoFileNameForSplitPart(name, 1, spFirst);
    return name;
  }
  DoGetNextDisk(1, name);
  if (name.empty()) throw EUserCanceled(LoadZipStr(kMsgCancelZip));
  ::unlink(MapPath(name).c_str());
  if (OnPrepareNextDisk) OnPrepareNextDisk(*this, 1);
  return name;
}

void TZipWriter::PrepareVolumes(TPass& pass) {
  TMultiZipInfo& info = MultiZipInfo;
  if (info.SaveZipInfoOnFirstDisk) {
    int64_t reserve = (pass.nameEstimate + 46) * static_cast<int64_t>(FilesList.size()) +
                      info.SaveOnFirstDisk + 22 +
                      static_cast<int64_t>(end_.ZipComment().size()) + 2048;
    if (GetMultiMode() == mmSpan) {
      std::string root = DriveRootOf(ZipName());
      int64_t cluster = root.empty() ? -1 : DiskClusterBytes(root);
      reserve += cluster > 0 ? cluster : 4096;
    }
    info.SaveOnFirstDisk = reserve;
  }
  if (GetMultiMode() == mmSpan)
    pass.capacity = DiskFreeOnZipDrive() - info.SaveOnFirstDisk;
  else
    pass.capacity = (info.FirstBlockSize != 0 ? info.FirstBlockSize : info.BlockSize) -
                    info.SaveOnFirstDisk;
  pass.totalBytes *= 2;
  std::string signature;
  PutLE(signature, kSpanSignature, 4);
  pass.output->WriteBuffer(signature.data(), 4);
}

int64_t TZipWriter::RoomLeft(TPass& pass) { return pass.capacity - pass.output->Position(); }

void TZipWriter::CloseVolume(TPass& pass) {
  bool failed = pass.output->BufferMode() == TS_BufferStream::bmWriting &&
                !pass.output->FlushBuffer();
  failed = failed || pass.output->FlushFailed();
  pass.output.reset();
  if (failed) throw ENotEnoughRoom(LoadZipStr(kMsgNotEnoughRoom));
}

void TZipWriter::NextVolume(TPass& pass) {
  if (!MultiVolume()) return;
  CloseVolume(pass);
  std::string name = pass.outputName;
  if (GetMultiMode() == mmBlocks) {
    name = splitBaseName_;
    DoFileNameForSplitPart(name, currentDisk_ + 2, spMiddle);
    ++currentDisk_;
    pass.capacity = MultiZipInfo.BlockSize;
  } else {
    WriteDiskLabel();
    DoGetNextDisk(currentDisk_ + 2, name);
    if (name.empty()) throw EUserCanceled(LoadZipStr(kMsgCancelZip));
    ++currentDisk_;
    ::unlink(MapPath(name).c_str());
    if (OnPrepareNextDisk) OnPrepareNextDisk(*this, currentDisk_ + 1);
    pass.capacity = DiskFreeOnZipDrive();
  }
  pass.outputName = name;
  pass.output = std::make_unique<TLFNFileStream>(name, fmCreate, FlushFilesOnClose, 65536);
  pass.newEnd->SetEntriesThisDisk(0);
}

void TZipWriter::CopySpanTempToVolumes(TPass& pass, const TZipHeaderInfo& header) {
  TLFNFileStream& temp = *pass.spanTemp;
  int64_t size = temp.GetSize();
  if (OnStartSpanCopy) OnStartSpanCopy(*this, header.Filename(), size);
  if (RoomLeft(pass) <= 0) NextVolume(pass);
  pass.fileSize = size + header.GetUncompressedSize();
  pass.fileBytesDone = header.GetUncompressedSize();
  pass.totalBytes -= header.GetUncompressedSize() - size;
  temp.Seek(0, soFromBeginning);
  int64_t remaining = size;
  int64_t chunk = std::min(remaining, RoomLeft(pass));
  std::vector<uint8_t> buffer(16384);
  while (remaining > 0 && chunk > 0) {
    remaining -= chunk;
    for (int64_t done = 0; done < chunk;) {
      int32_t n = static_cast<int32_t>(std::min<int64_t>(chunk - done, 16384));
      temp.ReadBuffer(buffer.data(), n);
      if (pass.output->Write(buffer.data(), n) != n || pass.output->FlushFailed())
        throw ENotEnoughRoom(LoadZipStr(kMsgNotEnoughRoom));
      done += n;
      pass.fileBytesDone += n;
      pass.bytesDone += n;
      if (OnFilePercentDone) OnFilePercentDone(*this, Percentage64(pass.fileSize, pass.fileBytesDone));
      if (OnTotalPercentDone)
        OnTotalPercentDone(*this, Percentage64(pass.totalBytes, pass.bytesDone));
    }
    if (remaining > 0 || RoomLeft(pass) <= 0) NextVolume(pass);
    chunk = std::min(remaining, RoomLeft(pass));
  }
  if (remaining > 0) throw ENotEnoughRoom(LoadZipStr(kMsgNotEnoughRoom));
}

void TZipWriter::WriteCentralDirectory(TPass& pass) {
  TStream* out = pass.output.get();
  TEndCentral& end = *pass.newEnd;
  int64_t start = out->Position();
  int64_t size = 0;
  end.SetCentralOffset(start);
  end.SetStartCentralDisk(static_cast<uint32_t>(currentDisk_));
  end.SetEntriesThisDisk(0);
  for (int32_t i = 0; i < pass.inOrder->Count(); ++i) {
    TZipHeaderInfo& header = *pass.inOrder->Entry(i);
    uint16_t zip64 = header.Zip64DataSize(TZipHeaderInfo::hkCentral);
    int64_t record = 46 + header.FilenameLength + header.FileComment().size() +
                     (zip64 > 0 ? zip64 + 4 : 0) +
                     (header.ExtraSourceLength > header.Zip64BlockLength
                          ? header.ExtraSourceLength - header.Zip64BlockLength
                          : 0);
    if (MultiVolume() && record > RoomLeft(pass)) {
      size += out->Position() - start;
      NextVolume(pass);
      out = pass.output.get();
      start = out->Position();
      if (i == 0) {
        end.SetCentralOffset(0);
        end.SetStartCentralDisk(static_cast<uint32_t>(currentDisk_));
      }
    }
    header.SaveCentralToStream(*out, pass.updating ? stream_.get() : nullptr);
    end.SetEntriesThisDisk(end.GetEntriesThisDisk() + 1);
  }
  size += out->Position() - start;
  end.SetCentralSize(size);
  if (MultiVolume() && TEndCentral::kRecordSize + end.ZipCommentLength > RoomLeft(pass))
    NextVolume(pass);
  end.SetThisDisk(static_cast<uint32_t>(currentDisk_));
  end.SaveToStream(*pass.output);
  if (GetMultiMode() == mmSpan) WriteDiskLabel();
  if (MultiVolume() && currentDisk_ == 0) {
    // A set that fit on one volume is marked as such.
    std::string signature;
    PutLE(signature, kSingleSegmentSignature, 4);
    pass.output->Seek(0, soFromBeginning);
    pass.output->WriteBuffer(signature.data(), 4);
  }
}

void TZipWriter::FinishVolumes(TPass& pass) {
  if (GetMultiMode() == mmBlocks) {
    std::string last = splitBaseName_;
    DoFileNameForSplitPart(last, currentDisk_ + 1, spLast);
    if (!AnsiSameText(last, pass.outputName) &&
        ::rename(MapPath(pass.outputName).c_str(), MapPath(last).c_str()) != 0)
      throw EWriteError("Cannot rename " + pass.outputName + " to " + last);
    zipName_ = last;
  }
}

void TZipWriter::SaveZipConfigFile(TPass& pass, const std::string& name) {
  try {
    TLFNFileStream out(name, fmCreate, false, 65536);
    for (int32_t i = 0; i < entries_->Count(); ++i) entries_->Entry(i)->SaveCentralToStream(out, nullptr);
    TEndCentral end;
    end.Assign(end_);
    if (end_.HasZip64End()) {
      end.SetTotalEntries(end_.GetTotalEntries());
      end.SetEntriesThisDisk(end_.GetEntriesThisDisk());
    }
    end.SaveToStream(out);
    out.Seek(0, soFromCurrent);
    if ((out.BufferMode() == TS_BufferStream::bmWriting && !out.FlushBuffer()) || out.FlushFailed())
      throw EConfigFileSaveError("Unable to save Zip Configuration File to disk");
  } catch (const EConfigFileSaveError&) {
    throw;
  } catch (const Exception&) {
    throw EConfigFileSaveError("Unable to save Zip Configuration File to disk");
  }
  (void)pass;
}

}  // namespace tv::zip
