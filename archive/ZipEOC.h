#pragma once
#include <cstdint>
#include <string>

#include "archive/ZipTypes.h"
#include "platform/File.h"

// One open archive file (TZAWorkFile) and its end-record values (TZAEOC): finding the end of
// central directory record, the Zip64 locator and record, and checking every value read from
// them against the file's size before anything trusts it.
namespace archive {

// The file's last modification time as a DOS time stamp (time in the low half, date in the
// high half, two-second steps); 0 when the file is missing or older than 1980.
uint32_t FileDosTime(const std::string& path);

class TZAWorkFile {
 public:
  virtual ~TZAWorkFile() = default;

  std::string FileName;   // Windows path
  int64_t File_Size = 0;  // the logical end of the archive
  int64_t RealFileSize = 0;
  TZipFileSigs Sig = TZipFileSigs::zfsNone;
  uint32_t DiskNr = 0;
  uint32_t TotalDisks = 0;
  std::string ReqFileName;
  TZipNumberScheme Numbering = TZipNumberScheme::znsNone;
  // spExactName: open only the named file, never the last part of a numbered set;
  // spAnyTime: the parts of a numbered set need not share the first part's time stamp.
  TZASpanOpts SpanOptions;

  // The file of part `disk` (0 = the first) of the set this file ends; empty when the file
  // is not a part of a set whose parts are named by a scheme this reader knows.
  std::string PartName(uint32_t disk) const;

  // Opens read-only; others may read but not write while it is open.
  bool OpenFile();
  bool IsOpen() const { return file_.IsOpen(); }
  void Close() { file_.Close(); }
  platform::TFile& File() { return file_; }
  // Reads exactly `size` bytes at `offset`; false on a short read or a bad offset.
  bool ReadExactly(void* buffer, size_t size, int64_t offset);

 protected:
  platform::TFile file_;
};

class TZAEOC : public TZAWorkFile {
 public:
  uint32_t CentralDiskNo = 0;
  uint32_t CentralEntries = 0;
  uint32_t TotalEntries = 0;
  int64_t CentralOffset = 0;
  int64_t CentralSize = 0;
  int64_t EOCOffset = 0;
  bool MultiDisk = false;
  int64_t OffsetDelta = 0;
  uint16_t VersionMadeBy = 0;
  uint16_t VersionNeeded = 0;
  bool Z64 = false;
  int64_t Z64VSize = 0;
  std::string ZipComment;  // raw bytes, not decoded
  uint32_t ZipCommentLen = 0;
  // Where the central directory ends: the end record, or the Zip64 end record when one was
  // read. The directory is expected right before it.
  int64_t EndPosition = 0;

  // Locates and reads the end records. Negative: the negated message id; 0 good; positive:
  // warning bits (1 = the end record is not at the end of the file, 2 = the central directory
  // is not where the end record says).
  int OpenEOC(bool EOConly);
  // When the named ".zip" does not exist, looks for the numbered parts name001.zip,
  // name002.zip, ... and opens the last one (the part with the end record). `OpenRes` is the
  // result of opening the named file, returned when no part exists.
  int OpenLast(bool EOConly, int OpenRes);

 private:
  int OpenOne(bool EOConly);
  void SettleNumbering();
  void Reset();
  int LocateEnd();
  int ReadZip64();
  int FindZip64Record(int64_t stored, int64_t& at, uint8_t* record);
};

}  // namespace archive
