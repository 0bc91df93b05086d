#include "engine/Extractor.h"

#include <algorithm>
#include <climits>
#include <ctime>

#include "engine/DecodePool.h"
#include "engine/EngineLimits.h"
#include "engine/EntryName.h"
#include "engine/TempFile.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/ProcessInfo.h"

namespace arcazip {
namespace {

constexpr int kOverwriteYes = 1;

std::string WithOsError(const std::string& text, int error) {
  return text + " (" + platform::OsErrorText(error) + ")";
}

bool PlausibleForMemory(const TZipEntry& entry, uint64_t limit) {
  return entry.uncompressedSize <= limit &&
         entry.uncompressedSize <= entry.compressedSize * kMaxDeflateRatio + kWriteBlock;
}

// The check byte of an encrypted entry's header: the CRC's high byte, or the time's high
// byte when the CRC was not known before the data was written.
uint8_t CryptCheckByte(const TZipEntry& entry) {
  if ((entry.flags & kFlagDataDescriptor) != 0)
    return static_cast<uint8_t>(entry.dosDateTime >> 8);
  return static_cast<uint8_t>(entry.crc32 >> 24);
}

// Declared sizes are the archive's word; a size that does not fit the callback's signed field
// is reported as the largest it can carry (-1 has a meaning of its own there).
int64_t ReportedSize(uint64_t size) {
  return static_cast<int64_t>(std::min<uint64_t>(size, INT64_MAX));
}

}  // namespace

TExtractor::TExtractor(const TDLLCommands& commands, int32_t key,
                       const std::atomic<bool>& abortAsked)
    : commands_(commands),
      key_(key),
      callback_(commands, abortAsked),
      folderNames_([](platform::TDirHandle& folder, const std::string& name) {
        return !RemoveIfStaleTemp(folder, name);
      }) {}

int32_t TExtractor::Fail(TAZError code, const std::string& text) {
  callback_.Message(code, text);
  return -code;
}

int32_t TExtractor::Run() {
  callback_.Key(key_);
  options_ = commands_.fOptions;
  testOnly_ = (options_ & kAZOptTest) != 0;
  keepFolders_ = (options_ & kAZOptDirNames) != 0;
  if ((options_ & (kAZOptExtract | kAZOptTest)) == 0)
    return Fail(azeBadOptions, "This engine only extracts and tests archives");
  bool found = false;
  const std::string archivePath = callback_.ArgText(zaaArchivePath, &found);
  if (callback_.Aborted())
    return -azeAborted;
  if (archivePath.empty())
    return Fail(azeEmptyZip, "No archive was named");
  if (!archive_.Open(archivePath))
    return Fail(azeOpenZip,
                WithOsError("Error opening Zip file! " + archivePath, archive_.Error()));
  archive_.AdviseSequential();
  const TAZError readError =
      directory_.Read(archive_.Data(), archive_.Size(), commands_.fEncodedAs, commands_.fFromPage);
  if (readError != azeNone)
    return Fail(readError, directory_.ErrorText() + " : " + archivePath);
  const std::string password = callback_.ArgText(zaaPassword);
  if (!password.empty())
    passwords_.push_back(password);
  if (!testOnly_) {
    std::string baseDir = callback_.ArgText(zaaExtrBaseDir);
    if (baseDir.empty())
      baseDir = ".";
    if (!base_.Open(baseDir))
      return Fail(azeNotFound,
                  WithOsError("Extract directory '" + baseDir + "' must exist", base_.Error()));
    baseLength_ = baseDir.size();
    // Temporary files that a killed process left in the destination go now; those of the
    // folders below it go when each folder is first entered.
    folderNames_.Load(base_, std::string());
  }
  uint32_t files = 0;
  int64_t bytes = 0;
  Select(files, bytes);
  if (callback_.Aborted())
    return -azeAborted;
  callback_.Count(files);
  callback_.Size(bytes);
  // Once the batch has begun it is always ended, however the operation ends.
  const int32_t result = ExtractSelected();
  callback_.EndOfBatch(static_cast<uint32_t>(processed_), skipped_);
  return result;
}

void TExtractor::Select(uint32_t& files, int64_t& bytes) {
  const std::vector<std::string> include = callback_.ArgList(zaaFSpecArgs);
  const std::vector<std::string> exclude = callback_.ArgList(zaaFSpecArgsExcl);
  files = 0;
  bytes = 0;
  const auto& entries = directory_.Entries();
  for (uint32_t index = 0; index < entries.size(); ++index) {
    const TZipEntry& entry = entries[index];
    const auto matches = [&](const std::string& p) { return MatchesPattern(p, entry.name); };
    if (!include.empty() && std::none_of(include.begin(), include.end(), matches))
      continue;
    if (std::any_of(exclude.begin(), exclude.end(), matches))
      continue;
    if (entry.IsDirectory() && (testOnly_ || !keepFolders_))
      continue;
    selected_.push_back(&entry);
    selectedIndex_.push_back(index);
    if (entry.IsDirectory())
      continue;
    ++files;
    // The total saturates: declared sizes are the archive's word and may add up to any value.
    const int64_t size = ReportedSize(entry.uncompressedSize);
    bytes = size > INT64_MAX - bytes ? INT64_MAX : bytes + size;
  }
}

int32_t TExtractor::ExtractSelected() {
  if (callback_.Aborted())
    return -azeAborted;
  std::vector<bool> eligible(selected_.size());
  for (size_t i = 0; i < selected_.size(); ++i)
    eligible[i] = IsPoolEligible(*selected_[i]);
  TDecodePool pool(archive_.Data(), selected_, eligible, buffers_, kDecodeWorkers);
  for (size_t position = 0; position < selected_.size(); ++position) {
    const TStep step = ProcessEntry(position, pool);
    // An entry whose skip report stopped the operation was not written either.
    if (step == TStep::Skip || (step == TStep::Stop && stoppedBySkip_))
      ++skipped_;
    if (step == TStep::Stop || callback_.Aborted()) {
      pool.Stop();
      return -stopCode_;
    }
  }
  return processed_;
}

bool TExtractor::IsPoolEligible(const TZipEntry& entry) const {
  return entry.issue.code == azeNone && !entry.IsDirectory() && !entry.IsEncrypted() &&
         entry.method == kMethodDeflated && (entry.flags & kFlagStrongEncryption) == 0 &&
         PlausibleForMemory(entry, kInMemoryLimit);
}

bool TExtractor::Report(const TZipEntry& entry, TZASkipTypes type, TAZError code) {
  if (!callback_.Skipped(entry.name, type, code))
    return false;
  stopCode_ = code != azeNone ? code : azeSkipping;
  stoppedBySkip_ = true;
  return true;
}

TExtractor::TStep TExtractor::FailEntry(const TZipEntry& entry, TZASkipTypes type, TAZError code,
                                        const std::string& text) {
  callback_.Message(code, text);
  return Report(entry, type, code) ? TStep::Stop : TStep::Skip;
}

TExtractor::TStep TExtractor::CheckName(const TZipEntry& entry, std::vector<std::string>& parts) {
  const auto badName = [&] {
    return Report(entry, stBadName, azeBadName) ? TStep::Stop : TStep::Skip;
  };
  if (!SplitEntryPath(entry.name, keepFolders_, entry.IsDirectory(), parts))
    return badName();
  if (!entry.IsDirectory() && parts.empty())
    return badName();
  if (!testOnly_ &&
      !WithinPathLimits(parts, entry.IsDirectory(), baseLength_, platform::MaxPathLength()))
    return badName();
  return TStep::Done;
}

TExtractor::TStep TExtractor::ProcessEntry(size_t position, TDecodePool& pool) {
  const TZipEntry& entry = *selected_[position];
  TContent content;
  if (pool.IsEligible(position))
    content.whole = pool.Take(position, decoder_);
  // The decoded buffer goes back to the pool however this entry ends.
  struct TGiveBack {
    TBufferPool& buffers;
    TContent& content;
    ~TGiveBack() {
      if (content.whole)
        buffers.Put(std::move(content.whole->buffer));
    }
  } giveBack{buffers_, content};

  if (entry.issue.code != azeNone) {
    return FailEntry(entry, stReadError, entry.issue.code,
                     std::string(entry.issue.what) + " : " + entry.name);
  }
  std::vector<std::string> parts;
  if (const TStep named = CheckName(entry, parts); named != TStep::Done)
    return named;
  if (entry.IsDirectory())
    return testOnly_ ? TStep::Done : OpenFolder(parts, entry);
  const auto skip = [&](TZASkipTypes type, TAZError code) {
    return Report(entry, type, code) ? TStep::Stop : TStep::Skip;
  };
  if (entry.method != kMethodStored && entry.method != kMethodDeflated)
    return skip(stCompressionUnknown, azeNone);
  if ((entry.flags & kFlagStrongEncryption) != 0)
    return skip(stCannotDo, azeNone);

  std::string leaf;
  bool replace = false;
  if (!testOnly_) {
    leaf = parts.back();
    parts.pop_back();
    if (const TStep opened = OpenFolder(parts, entry); opened != TStep::Done)
      return opened;
    leaf = folderNames_.Match(folder_, folderKey_, leaf);
    if (const TStep checked = CheckDuplicate(entry, leaf); checked != TStep::Done)
      return checked;
    const TStep decided = DecideTarget(entry, selectedIndex_[position], leaf, replace);
    if (decided != TStep::Done)
      return decided;
  }
  callback_.Item(entry.name, ReportedSize(entry.uncompressedSize));
  if (callback_.Aborted())
    return TStep::Stop;
  rejected_.clear();
  asked_ = 0;
  repeats_ = std::max<uint32_t>(commands_.fPwdReqCount, 1);
  for (;;) {
    if (entry.IsEncrypted()) {
      const TStep unlocked = Unlock(entry, content);
      if (unlocked != TStep::Done)
        return unlocked;
    }
    const TStep written = WriteEntry(entry, leaf, replace, content);
    if (written != TStep::WrongPassword)
      return written;
    // A wrong password that passed the header check: forget it for this entry and ask again.
    rejected_.push_back(content.password);
    std::erase(passwords_, content.password);
    content.crypto.reset();
  }
}

TExtractor::TStep TExtractor::OpenFolder(const std::vector<std::string>& folders,
                                         const TZipEntry& entry) {
  if (folderOpen_ && folders == folderParts_)
    return TStep::Done;
  folderOpen_ = false;
  platform::TDirHandle current = base_.OpenChild(".", false);
  std::string key;
  for (const std::string& name : folders) {
    if (!current.IsOpen())
      break;
    // An existing folder is reused under its own name, whatever the case of the entry's.
    const std::string actual = folderNames_.Match(current, key, name);
    platform::TDirHandle next = current.OpenChild(actual, true);
    if (!next.IsOpen()) {
      return FailEntry(entry, stNoAccess, azeCreate,
                       WithOsError("Cannot create the folder '" + name + "' for " + entry.name,
                                   current.Error()));
    }
    folderNames_.Added(key, actual);
    key += '/';
    key += platform::FoldCase(actual);
    current = std::move(next);
  }
  if (!current.IsOpen()) {
    return FailEntry(entry, stNoAccess, azeCreate,
                     WithOsError("Cannot open the destination for " + entry.name, base_.Error()));
  }
  folderNames_.Load(current, key);
  folder_ = std::move(current);
  folderParts_ = folders;
  folderKey_ = std::move(key);
  folderOpen_ = true;
  return TStep::Done;
}

// Two entries that land on one file (the same name, or names that differ only in case, as on
// Windows): the later one is reported, and still written when the caller asked to overwrite.
TExtractor::TStep TExtractor::CheckDuplicate(const TZipEntry& entry, const std::string& leaf) {
  if (landed_.count(folderKey_ + '/' + platform::FoldCase(leaf)) == 0)
    return TStep::Done;
  if (Report(entry, stDupName, azeDuplicate))
    return TStep::Stop;
  return (options_ & kAZOptOverwrite) != 0 ? TStep::Done : TStep::Skip;
}

TExtractor::TStep TExtractor::DecideTarget(const TZipEntry& entry, uint32_t index,
                                           const std::string& leaf, bool& replace) {
  int64_t existingTime = 0;
  const platform::TDirEntryKind kind = folder_.Kind(leaf, &existingTime);
  if (kind == platform::TDirEntryKind::Folder)
    return FailEntry(entry, stNoAccess, azeCreate,
                     "A folder already has the name of " + entry.name);
  const auto skip = [&](TZASkipTypes type) {
    return Report(entry, type, azeNone) ? TStep::Stop : TStep::Skip;
  };
  const bool freshen = (options_ & kAZOptFreshen) != 0;
  const bool update = (options_ & kAZOptUpdate) != 0;
  replace = false;
  if (kind == platform::TDirEntryKind::Missing) {
    if (freshen && !update)
      return skip(stOnFreshen);
    return TStep::Done;
  }
  const bool existingIsOlder = existingTime < ModifiedTime(entry);
  if (freshen || update) {
    if (!existingIsOlder)
      return skip(stNoOverwrite);
    replace = true;
    return TStep::Done;
  }
  if ((options_ & kAZOptOverwrite) != 0) {
    replace = true;
    return TStep::Done;
  }
  const int answer = callback_.Overwrite(entry.name, existingIsOlder, index);
  if (callback_.Aborted())
    return TStep::Stop;
  if (answer == kOverwriteYes) {
    replace = true;
    return TStep::Done;
  }
  return skip(stFileExists);
}

TExtractor::TStep TExtractor::Unlock(const TZipEntry& entry, TContent& content) {
  if (entry.compressedSize < kCryptHeaderSize)
    return FailEntry(entry, stReadError, azeZipStructure,
                     "Encrypted entry too short : " + entry.name);
  const auto skip = [&](TAZError code) {
    return Report(entry, stBadPassword, code) ? TStep::Stop : TStep::Skip;
  };
  for (size_t i = 0; i < passwords_.size(); ++i) {
    if (TryPassword(entry, passwords_[i], content)) {
      std::rotate(passwords_.begin(), passwords_.begin() + static_cast<long>(i),
                  passwords_.begin() + static_cast<long>(i) + 1);
      return TStep::Done;
    }
  }
  // Each request counts, whatever the component does with the repeat count, so a component
  // that keeps answering wrong cannot keep the engine asking for ever.
  for (; asked_ < kMaxPasswordRepeats && repeats_ > 0; ++asked_) {
    if (noMorePasswords_)
      break;
    std::string password;
    const auto reply = callback_.Password(entry.name, repeats_, password);
    if (callback_.Aborted() || reply == TEngineCallback::TPasswordReply::Abort) {
      stopCode_ = azeAborted;
      return TStep::Stop;
    }
    if (reply == TEngineCallback::TPasswordReply::NoneForAll)
      noMorePasswords_ = true;
    if (reply != TEngineCallback::TPasswordReply::Given)
      return skip(azePasswordCancelled);
    if (TryPassword(entry, password, content)) {
      ++asked_;
      passwords_.insert(passwords_.begin(), password);
      return TStep::Done;
    }
    if (repeats_ > 0)
      --repeats_;
  }
  return skip(azePasswordFailed);
}

bool TExtractor::TryPassword(const TZipEntry& entry, const std::string& password,
                             TContent& content) {
  if (std::find(rejected_.begin(), rejected_.end(), password) != rejected_.end())
    return false;
  // Makers on this system use the UTF-8 bytes of the password, Windows makers its ANSI bytes.
  std::vector<std::string> forms{password};
  const std::string ansi = platform::Utf8ToAnsi(password);
  if (ansi != password)
    forms.push_back(ansi);
  const uint8_t* data = archive_.Data() + entry.dataOffset;
  const uint64_t size = entry.compressedSize - kCryptHeaderSize;
  for (const std::string& form : forms) {
    TZipCrypto crypto;
    crypto.Init(form);
    if (!crypto.CheckHeader(data, CryptCheckByte(entry)))
      continue;
    content.password = password;
    if (!PlausibleForMemory(entry, kEncryptedInMemoryLimit)) {
      // Checked at its CRC once streamed; a wrong password then comes back as WrongPassword.
      content.crypto = crypto;
      return true;
    }
    // One wrong password in 256 passes the header check, so an entry that fits in memory is
    // decoded and its CRC checked before the password counts as right.
    TBuffer plain = buffers_.Get(static_cast<size_t>(size));
    crypto.Decrypt(data + kCryptHeaderSize, plain.data.get(), static_cast<size_t>(size));
    TDecodedEntry decoded;
    decoded.buffer = buffers_.Get(static_cast<size_t>(entry.uncompressedSize));
    decoded.result = decoder_.DecodeWhole(entry.method, plain.data.get(), static_cast<size_t>(size),
                                          decoded.buffer.data.get(),
                                          static_cast<size_t>(entry.uncompressedSize));
    buffers_.Put(std::move(plain));
    if (decoded.result.status != TDecodeStatus::Ok || decoded.result.crc != entry.crc32) {
      buffers_.Put(std::move(decoded.buffer));
      continue;
    }
    content.whole = std::move(decoded);
    return true;
  }
  return false;
}

TExtractor::TStep TExtractor::WriteEntry(const TZipEntry& entry, const std::string& leaf,
                                         bool replace, TContent& content) {
  // Removed with this object whatever ends the entry, unless it gets its final name.
  TTempFile temp;
  if (!testOnly_ && !temp.Create(folder_)) {
    return FailEntry(entry, stNoAccess, azeCreate,
                     WithOsError("Error creating file! " + entry.name, temp.Error()));
  }
  bool writeFailed = false;
  const TDecodeSink sink = [&](const uint8_t* data, size_t size) {
    if (!testOnly_ && !temp.File().Write(data, size)) {
      writeFailed = true;
      return false;
    }
    callback_.Progress(static_cast<int64_t>(size));
    return !callback_.Aborted();
  };

  TDecodeResult result;
  const bool streamedCrypto = content.crypto.has_value();
  if (content.whole) {
    result = content.whole->result;
    if (result.status == TDecodeStatus::Ok) {
      const uint8_t* data = content.whole->buffer.data.get();
      for (uint64_t pos = 0; pos < result.produced;) {
        const size_t n =
            static_cast<size_t>(std::min<uint64_t>(kWriteBlock, result.produced - pos));
        if (!sink(data + pos, n)) {
          result.status = TDecodeStatus::Stopped;
          break;
        }
        pos += n;
      }
    }
  } else {
    const uint64_t skipHeader = streamedCrypto ? kCryptHeaderSize : 0;
    result = decoder_.DecodeStream(entry.method, archive_.Data() + entry.dataOffset + skipHeader,
                                   entry.compressedSize - skipHeader, entry.uncompressedSize,
                                   streamedCrypto ? &*content.crypto : nullptr, sink);
  }

  if (result.status == TDecodeStatus::Stopped) {
    if (!writeFailed)
      return TStep::Stop;
    return FailEntry(entry, stGeneralExtractError, azeWrite,
                     WithOsError("Error writing file! " + entry.name, temp.File().Error()));
  }
  if (streamedCrypto && (result.status != TDecodeStatus::Ok || result.crc != entry.crc32))
    return TStep::WrongPassword;
  const TStep checked = Finish(entry, result);
  if (checked != TStep::Done)
    return checked;
  if (testOnly_) {
    ++processed_;
    return TStep::Done;
  }
  temp.File().SetModifiedTime(ModifiedTime(entry));
  if (!temp.Commit(leaf, replace)) {
    return FailEntry(entry, stNoAccess, azeCreate,
                     WithOsError("Error creating file! " + entry.name, temp.Error()));
  }
  folderNames_.Added(folderKey_, leaf);
  landed_.insert(folderKey_ + '/' + platform::FoldCase(leaf));
  ++processed_;
  return TStep::Done;
}

// Judges the decoded content; Done when it may be kept.
TExtractor::TStep TExtractor::Finish(const TZipEntry& entry, const TDecodeResult& result) {
  switch (result.status) {
    case TDecodeStatus::Ok:
      break;
    case TDecodeStatus::TooLarge:
      return FailEntry(entry, stGeneralExtractError, azeError,
                       "Entry is larger than its declared size : " + entry.name);
    case TDecodeStatus::SizeMismatch:
      return FailEntry(entry, stGeneralExtractError, azeError,
                       "Entry is shorter than its declared size : " + entry.name);
    case TDecodeStatus::NoMemory:
      return FailEntry(entry, stGeneralExtractError, azeNoMemory, "No memory : " + entry.name);
    default:
      return FailEntry(entry, stGeneralExtractError, azeError,
                       "Compressed data is damaged : " + entry.name);
  }
  if (result.crc == entry.crc32)
    return TStep::Done;
  if (callback_.CrcError(entry.name, result.crc, entry.crc32))
    return TStep::Done;
  if (callback_.Aborted())
    return TStep::Stop;
  return FailEntry(entry, stGeneralExtractError, azeError, "CRC error : " + entry.name);
}

int64_t TExtractor::ModifiedTime(const TZipEntry& entry) const {
  if (entry.unixTime >= 0)
    return entry.unixTime;
  const uint32_t date = entry.dosDateTime >> 16, time = entry.dosDateTime & 0xFFFF;
  std::tm tm{};
  tm.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
  tm.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
  tm.tm_mday = static_cast<int>(date & 0x1F);
  tm.tm_hour = static_cast<int>(time >> 11);
  tm.tm_min = static_cast<int>((time >> 5) & 0x3F);
  tm.tm_sec = static_cast<int>((time & 0x1F) * 2);
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  return t < 0 ? 0 : static_cast<int64_t>(t);
}

}  // namespace arcazip
