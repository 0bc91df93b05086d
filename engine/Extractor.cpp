#include "engine/Extractor.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <random>

#include "engine/DecodePool.h"
#include "engine/EngineLimits.h"
#include "engine/EntryName.h"
#include "platform/CodePage.h"
#include "platform/File.h"

namespace arcazip {
namespace {

constexpr int kOverwriteYes = 1;

// Temporary names are short and fixed in form, so even a file name at the system's length
// limit gets a temporary beside it; the random start keeps two engines in one folder apart.
std::string TempName(int attempt) {
  static std::atomic<uint32_t> counter{std::random_device{}()};
  static const char kHex[] = "0123456789abcdef";
  uint32_t n = counter.fetch_add(1) + static_cast<uint32_t>(attempt);
  std::string name = ".~az";
  for (int i = 0; i < 8; ++i, n >>= 4)
    name += kHex[n & 15];
  return name + ".tmp";
}

std::string WithOsError(const std::string& text, int error) {
  return text + " (" + platform::OsErrorText(error) + ")";
}

bool PlausibleForMemory(const TZipEntry& entry) {
  return entry.uncompressedSize <= kInMemoryLimit &&
         entry.uncompressedSize <= entry.compressedSize * kMaxDeflateRatio + kWriteBlock;
}

// The check byte of an encrypted entry's header: the CRC's high byte, or the time's high
// byte when the CRC was not known before the data was written.
uint8_t CryptCheckByte(const TZipEntry& entry) {
  if ((entry.flags & kFlagDataDescriptor) != 0)
    return static_cast<uint8_t>(entry.dosDateTime >> 8);
  return static_cast<uint8_t>(entry.crc32 >> 24);
}

}  // namespace

TExtractor::TExtractor(const TDLLCommands& commands, int32_t key,
                       const std::atomic<bool>& abortAsked)
    : commands_(commands), key_(key), callback_(commands, abortAsked) {}

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
  }
  Select();
  if (callback_.Aborted())
    return -azeAborted;

  std::vector<bool> eligible(selected_.size());
  for (size_t i = 0; i < selected_.size(); ++i)
    eligible[i] = IsPoolEligible(*selected_[i]);
  bool stopped = false;
  {
    TDecodePool pool(archive_.Data(), selected_, eligible, buffers_, kDecodeWorkers);
    for (size_t position = 0; position < selected_.size(); ++position) {
      if (ProcessEntry(position, pool) == TStep::Stop || callback_.Aborted()) {
        pool.Stop();
        stopped = true;
        break;
      }
    }
  }
  callback_.EndOfBatch();
  if (stopped)
    return -stopCode_;
  return processed_;
}

void TExtractor::Select() {
  const std::vector<std::string> include = callback_.ArgList(zaaFSpecArgs);
  const std::vector<std::string> exclude = callback_.ArgList(zaaFSpecArgsExcl);
  uint32_t files = 0;
  int64_t bytes = 0;
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
    bytes += static_cast<int64_t>(std::min<uint64_t>(entry.uncompressedSize, INT64_MAX / 4));
  }
  callback_.Count(files);
  callback_.Size(bytes);
}

bool TExtractor::IsPoolEligible(const TZipEntry& entry) const {
  return entry.issue.code == azeNone && !entry.IsDirectory() && !entry.IsEncrypted() &&
         entry.method == kMethodDeflated && (entry.flags & kFlagStrongEncryption) == 0 &&
         PlausibleForMemory(entry);
}

bool TExtractor::Report(const TZipEntry& entry, TZASkipTypes type, TAZError code) {
  if (!callback_.Skipped(entry.name, type, code))
    return false;
  stopCode_ = code != azeNone ? code : azeSkipping;
  return true;
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

  const auto skip = [&](TZASkipTypes type, TAZError code) {
    return Report(entry, type, code) ? TStep::Stop : TStep::Skip;
  };
  if (entry.issue.code != azeNone) {
    callback_.Message(entry.issue.code, entry.issue.text);
    return TStep::Skip;
  }
  std::vector<std::string> parts;
  if (!SplitEntryPath(entry.name, keepFolders_, parts))
    return skip(stBadName, azeBadName);
  if (entry.IsDirectory())
    return MakeFolders(entry, parts);
  if (entry.method != kMethodStored && entry.method != kMethodDeflated)
    return skip(stCompressionUnknown, azeNone);
  if ((entry.flags & kFlagStrongEncryption) != 0)
    return skip(stCannotDo, azeNone);

  std::string leaf;
  bool replace = false;
  if (!testOnly_) {
    leaf = parts.back();
    parts.pop_back();
    if (!OpenFolder(parts, entry))
      return TStep::Skip;
    leaf = folderNames_.Match(folder_, leaf);
    const TStep decided = DecideTarget(entry, selectedIndex_[position], leaf, replace);
    if (decided != TStep::Done)
      return decided;
  }
  callback_.Item(entry.name, static_cast<int64_t>(entry.uncompressedSize));
  if (callback_.Aborted())
    return TStep::Stop;
  if (entry.IsEncrypted()) {
    const TStep unlocked = Unlock(entry, content);
    if (unlocked != TStep::Done)
      return unlocked;
  }
  return WriteEntry(entry, leaf, replace, content);
}

TExtractor::TStep TExtractor::MakeFolders(const TZipEntry& entry,
                                          const std::vector<std::string>& parts) {
  OpenFolder(parts, entry);
  return TStep::Done;
}

bool TExtractor::OpenFolder(const std::vector<std::string>& folders, const TZipEntry& entry) {
  if (folderOpen_ && folders == folderParts_)
    return true;
  folderOpen_ = false;
  folderNames_.Reset();
  platform::TDirHandle current = base_.OpenChild(".", false);
  for (const std::string& name : folders) {
    if (!current.IsOpen())
      break;
    // An existing folder is reused under its own name, whatever the case of the entry's.
    platform::TDirHandle next = current.OpenChild(MatchExistingName(current, name), true);
    if (!next.IsOpen()) {
      callback_.Message(azeCreate,
                        WithOsError("Cannot create the folder '" + name + "' for " + entry.name,
                                    current.Error()));
      return false;
    }
    current = std::move(next);
  }
  if (!current.IsOpen()) {
    callback_.Message(azeCreate,
                      WithOsError("Cannot open the destination for " + entry.name, base_.Error()));
    return false;
  }
  folder_ = std::move(current);
  folderParts_ = folders;
  folderOpen_ = true;
  return true;
}

TExtractor::TStep TExtractor::DecideTarget(const TZipEntry& entry, uint32_t index,
                                           const std::string& leaf, bool& replace) {
  int64_t existingTime = 0;
  const platform::TDirEntryKind kind = folder_.Kind(leaf, &existingTime);
  if (kind == platform::TDirEntryKind::Folder) {
    callback_.Message(azeCreate, "A folder already has the name of " + entry.name);
    return TStep::Skip;
  }
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
  if (entry.compressedSize < kCryptHeaderSize) {
    callback_.Message(azeZipStructure, "Encrypted entry too short : " + entry.name);
    return TStep::Skip;
  }
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
  uint32_t repeats = std::max<uint32_t>(commands_.fPwdReqCount, 1);
  // Each request counts, whatever the component does with the repeat count, so a component
  // that keeps answering wrong cannot keep the engine asking for ever.
  for (uint32_t asked = 0; asked < kMaxPasswordRepeats && repeats > 0; ++asked) {
    if (noMorePasswords_)
      break;
    std::string password;
    const auto reply = callback_.Password(entry.name, repeats, password);
    if (callback_.Aborted() || reply == TEngineCallback::TPasswordReply::Abort) {
      stopCode_ = azeAborted;
      return TStep::Stop;
    }
    if (reply == TEngineCallback::TPasswordReply::NoneForAll)
      noMorePasswords_ = true;
    if (reply != TEngineCallback::TPasswordReply::Given)
      return skip(azePasswordCancelled);
    if (TryPassword(entry, password, content)) {
      passwords_.insert(passwords_.begin(), password);
      return TStep::Done;
    }
    if (repeats > 0)
      --repeats;
  }
  return skip(azePasswordFailed);
}

bool TExtractor::TryPassword(const TZipEntry& entry, const std::string& password,
                             TContent& content) {
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
    if (!PlausibleForMemory(entry)) {
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
  platform::TDirFile file;
  std::string temp;
  if (!testOnly_) {
    for (int attempt = 0; attempt < kTempNameTries && !file.IsOpen(); ++attempt) {
      temp = TempName(attempt);
      file = folder_.CreateNewFile(temp);
      if (!file.IsOpen() && folder_.Error() != platform::kErrorAlreadyExists)
        break;
    }
    if (!file.IsOpen()) {
      callback_.Message(azeCreate,
                        WithOsError("Error creating file! " + entry.name, folder_.Error()));
      return TStep::Skip;
    }
  }
  // A file that is not complete never keeps a name of its own.
  const auto discard = [&] {
    if (testOnly_)
      return;
    file.Close();
    folder_.RemoveFile(temp);
  };
  bool writeFailed = false;
  const TDecodeSink sink = [&](const uint8_t* data, size_t size) {
    if (!testOnly_ && !file.Write(data, size)) {
      writeFailed = true;
      return false;
    }
    callback_.Progress(static_cast<int64_t>(size));
    return !callback_.Aborted();
  };

  TDecodeResult result;
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
    const bool encrypted = content.crypto.has_value();
    const uint64_t skipHeader = encrypted ? kCryptHeaderSize : 0;
    result = decoder_.DecodeStream(entry.method, archive_.Data() + entry.dataOffset + skipHeader,
                                   entry.compressedSize - skipHeader, entry.uncompressedSize,
                                   encrypted ? &*content.crypto : nullptr, sink);
  }

  if (result.status == TDecodeStatus::Stopped) {
    discard();
    if (!writeFailed)
      return TStep::Stop;
    callback_.Message(azeWrite, WithOsError("Error writing file! " + entry.name, file.Error()));
    return TStep::Skip;
  }
  const TStep checked = Finish(entry, result);
  if (checked != TStep::Done) {
    discard();
    return checked;
  }
  if (testOnly_) {
    ++processed_;
    return TStep::Done;
  }
  file.SetModifiedTime(ModifiedTime(entry));
  if (!file.Close()) {
    callback_.Message(azeWrite, WithOsError("Error writing file! " + entry.name, file.Error()));
    folder_.RemoveFile(temp);
    return TStep::Skip;
  }
  if (!folder_.Rename(temp, leaf, replace)) {
    const int error = folder_.Error();
    folder_.RemoveFile(temp);
    callback_.Message(azeCreate, WithOsError("Error creating file! " + entry.name, error));
    return TStep::Skip;
  }
  folderNames_.Added(leaf);
  ++processed_;
  return TStep::Done;
}

// Judges the decoded content; Done when it may be kept.
TExtractor::TStep TExtractor::Finish(const TZipEntry& entry, const TDecodeResult& result) {
  switch (result.status) {
    case TDecodeStatus::Ok:
      break;
    case TDecodeStatus::TooLarge:
      callback_.Message(azeError, "Entry is larger than its declared size : " + entry.name);
      return TStep::Skip;
    case TDecodeStatus::SizeMismatch:
      callback_.Message(azeError, "Entry is shorter than its declared size : " + entry.name);
      return TStep::Skip;
    case TDecodeStatus::NoMemory:
      callback_.Message(azeNoMemory, "No memory : " + entry.name);
      return TStep::Skip;
    default:
      callback_.Message(azeError, "Compressed data is damaged : " + entry.name);
      return TStep::Skip;
  }
  if (result.crc == entry.crc32)
    return TStep::Done;
  if (callback_.CrcError(entry.name, result.crc, entry.crc32))
    return TStep::Done;
  if (callback_.Aborted())
    return TStep::Stop;
  callback_.Message(azeError, "CRC error : " + entry.name);
  return TStep::Skip;
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
