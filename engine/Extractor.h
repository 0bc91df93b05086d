#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/ArcaZipContract.h"
#include "engine/BufferPool.h"
#include "engine/DecodePool.h"
#include "engine/EngineCallback.h"
#include "engine/EntryDecoder.h"
#include "engine/FolderNames.h"
#include "engine/ZipCrypto.h"
#include "engine/ZipDirectory.h"
#include "platform/DirHandle.h"
#include "platform/MappedFile.h"

// One extract (or test) operation as a command block orders it: asks the component for the
// archive, patterns, destination and password, extracts the selected entries and reports each
// step through the callback. Run() returns the result of "AZ_Exec".
namespace arcazip {

class TExtractor {
 public:
  TExtractor(const TDLLCommands& commands, int32_t key, const std::atomic<bool>& abortAsked);
  int32_t Run();

 private:
  // What an entry's content is, once found: decoded whole, or to be inflated while writing.
  struct TContent {
    std::optional<TDecodedEntry> whole;
    std::optional<TZipCrypto> crypto;  // streaming with decryption
    std::string password;              // the password that unlocked the entry
  };
  // WrongPassword: a streamed encrypted entry did not decode; its password is wrong after all.
  enum class TStep { Done, Skip, Stop, WrongPassword };

  int32_t Fail(TAZError code, const std::string& text);
  bool OpenArchive();
  bool OpenDestination();
  void Select(uint32_t& files, int64_t& bytes);
  int32_t ExtractSelected();
  bool IsPoolEligible(const TZipEntry& entry) const;
  TStep ProcessEntry(size_t position, TDecodePool& pool);
  TStep CheckName(const TZipEntry& entry, std::vector<std::string>& parts);
  TStep OpenFolder(const std::vector<std::string>& folders, const TZipEntry& entry);
  TStep CheckDuplicate(const TZipEntry& entry, const std::string& leaf);
  TStep DecideTarget(const TZipEntry& entry, uint32_t index, const std::string& leaf,
                     bool& replace);
  TStep Unlock(const TZipEntry& entry, TContent& content);
  bool TryPassword(const TZipEntry& entry, const std::string& password, TContent& content);
  TStep WriteEntry(const TZipEntry& entry, const std::string& leaf, bool replace,
                   TContent& content);
  TStep Finish(const TZipEntry& entry, const TDecodeResult& result);
  // Reports a failed entry: the message, then the skip report the component's NoSkipping set
  // acts on. Stop when the component wants the operation stopped.
  TStep FailEntry(const TZipEntry& entry, TZASkipTypes type, TAZError code,
                  const std::string& text);
  bool Report(const TZipEntry& entry, TZASkipTypes type, TAZError code);
  int64_t ModifiedTime(const TZipEntry& entry) const;

  const TDLLCommands& commands_;
  int32_t key_;
  TEngineCallback callback_;
  uint32_t options_ = 0;
  bool testOnly_ = false;
  bool keepFolders_ = false;
  platform::TMappedFile archive_;
  TZipDirectory directory_;
  platform::TDirHandle base_;
  size_t baseLength_ = 0;        // length of the destination's path, for the path limit
  platform::TDirHandle folder_;  // the folder of the previous entry, kept open for the next
  std::vector<std::string> folderParts_;
  std::string folderKey_;  // folder_'s path below the destination, folded
  bool folderOpen_ = false;
  TFolderNames folderNames_;  // names in the destination's folders, without regard to case
  // Files this operation has written (folder key and folded name), to spot entries that land
  // on a file an earlier entry wrote.
  std::unordered_set<std::string> landed_;
  std::vector<const TZipEntry*> selected_;
  std::vector<uint32_t> selectedIndex_;
  std::vector<std::string> passwords_;  // known passwords, the last good one first
  bool noMorePasswords_ = false;
  // Per entry: passwords that proved wrong, requests made and the repeat count left.
  std::vector<std::string> rejected_;
  uint32_t asked_ = 0;
  uint32_t repeats_ = 1;
  TBufferPool buffers_;
  TEntryDecoder decoder_;
  int32_t processed_ = 0;
  uint32_t skipped_ = 0;            // entries reported skipped and not written
  bool stoppedBySkip_ = false;      // the component answered a skip report with "stop"
  TAZError stopCode_ = azeAborted;  // the result code when the operation stops early
};

}  // namespace arcazip
