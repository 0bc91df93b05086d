#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
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
  };
  enum class TStep { Done, Skip, Stop };

  int32_t Fail(TAZError code, const std::string& text);
  bool OpenArchive();
  bool OpenDestination();
  void Select();
  bool IsPoolEligible(const TZipEntry& entry) const;
  TStep ProcessEntry(size_t position, TDecodePool& pool);
  TStep MakeFolders(const TZipEntry& entry, const std::vector<std::string>& parts);
  bool OpenFolder(const std::vector<std::string>& folders, const TZipEntry& entry);
  TStep DecideTarget(const TZipEntry& entry, uint32_t index, const std::string& leaf,
                     bool& replace);
  TStep Unlock(const TZipEntry& entry, TContent& content);
  bool TryPassword(const TZipEntry& entry, const std::string& password, TContent& content);
  TStep WriteEntry(const TZipEntry& entry, const std::string& leaf, bool replace,
                   TContent& content);
  TStep Finish(const TZipEntry& entry, const TDecodeResult& result);
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
  platform::TDirHandle folder_;  // the folder of the previous entry, kept open for the next
  std::vector<std::string> folderParts_;
  bool folderOpen_ = false;
  TFolderNames folderNames_;  // names in folder_, matched without regard to case
  std::vector<const TZipEntry*> selected_;
  std::vector<uint32_t> selectedIndex_;
  std::vector<std::string> passwords_;  // known passwords, the last good one first
  uint32_t passwordRepeats_ = 1;
  bool noMorePasswords_ = false;
  TBufferPool buffers_;
  TEntryDecoder decoder_;
  int32_t processed_ = 0;
  TAZError stopCode_ = azeAborted;  // the result code when the operation stops early
};

}  // namespace arcazip
