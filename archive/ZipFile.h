#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/DirHashList.h"
#include "archive/ReadBuffer.h"
#include "archive/ZipEOC.h"
#include "archive/ZipEntry.h"

// A loaded archive directory: the end records (TZAEOC), every central record in directory
// order, and the name index.
namespace archive {

// What the reader needs from the component while it loads: warnings to record (never shown
// in a dialog), a keep-alive that also raises a pending cancel, and trace lines.
class IZipReaderHost {
 public:
  virtual ~IZipReaderHost() = default;
  virtual void ReportWarning(int id) = 0;
  virtual void CheckCancel() = 0;
  virtual bool Tracing() const = 0;
  virtual void Trace(const std::string& text) = 0;
};

class TZAZipFile : public TZAEOC {
 public:
  using TOnChange = std::function<void(TZAZipFile& sender, int index, TZCChanges change)>;

  explicit TZAZipFile(IZipReaderHost* host = nullptr) : host_(host) {}

  // The records in directory order; they live in arrays of this directory and never move
  // while it is loaded.
  std::vector<TZAIRec*> Entries;
  TZADirHashList HashList;
  uint32_t CheckNo = 0;
  TZAEncodingOpts Encoding = zeoAuto;
  uint32_t Encoding_CP = 0;  // code page for zeoNone; 0 = the ANSI code page
  uint32_t SFXOfs = 0;       // size of anything in front of the ZIP data
  int OpenRet = 0;
  int64_t EOCFileTime = 0;
  bool IgnoreDirOnly = true;
  TOnChange OnChange;

  // Opens the archive and (unless EOConly or NoLoad) reads its directory. Negative: the
  // negated message id; 0 good; positive: the warning bits of OpenEOC. Errors while reading
  // records are raised as EZipArca. `checkNo` numbers this load.
  int Open(bool EOConly, bool NoLoad, uint32_t checkNo);

  // The record matching a name or pattern after `index` (-1 = from the start, through the
  // index for a plain name); `index` becomes its position, or INT32_MIN when none matches.
  const TZAIRec* FindName(const std::string& pattern, int& index) const;

 private:
  int ReadDirectory(uint32_t checkNo);
  // Where the directory is read from: [start, end of the archive) in this file, or from the
  // part it starts in through the parts after it. Sets `expected` (its expected start).
  std::vector<TZAReadBuffer::TSegment> DirectorySegments(int64_t& expected, int64_t& start);
  void Notify(int index, TZCChanges change);
  void Warn(int id);

  IZipReaderHost* host_;
  // The central directory's bytes as read; the records' names, extras and comments point
  // into them.
  TZARawBlocks raw_;
  // Records are made in arrays of a bounded size, each reserved for the entries still
  // expected, so a directory that claims more entries than it holds costs one array at most.
  TZAIRec& NewRecord(uint32_t stillExpected);
  std::vector<std::vector<TZAIRec>> records_;
};

// The component's name matching: "*" and "*.*" match every name; otherwise "*" and "?" are
// wildcards and letters match without regard to case. "/" and "\" are the same.
bool ZipFileSpecMatch(const std::string& pattern, const std::string& name);

}  // namespace archive
