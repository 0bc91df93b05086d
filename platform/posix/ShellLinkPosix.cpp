#include "platform/ShellLink.h"

#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <vector>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Paths.h"

namespace platform {
namespace {

constexpr THResult kClassNotRegistered = static_cast<THResult>(0x80040154);
constexpr THResult kFail = static_cast<THResult>(0x80004005);
constexpr THResult kInvalidArgument = static_cast<THResult>(0x80070057);

// Flags of the shortcut header that say which parts follow it.
constexpr uint32_t kHasLinkTargetIdList = 0x01;
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kIsUnicode = 0x80;

constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kShowNormal = 1;

constexpr uint8_t kShellLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint8_t kMyComputerClsid[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                          0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

class TBytes {
 public:
  void U8(uint8_t v) { data_.push_back(v); }
  void U16(uint16_t v) { Put(v, 2); }
  void U32(uint32_t v) { Put(v, 4); }
  void U64(uint64_t v) { Put(v, 8); }
  void Raw(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    data_.insert(data_.end(), b, b + n);
  }
  void Append(const TBytes& other) { Raw(other.data_.data(), other.data_.size()); }
  void SetU16(size_t at, uint16_t v) {
    data_[at] = static_cast<uint8_t>(v);
    data_[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  void SetU32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
      data_[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  size_t Size() const { return data_.size(); }
  const std::vector<uint8_t>& Data() const { return data_; }

 private:
  void Put(uint64_t v, int n) {
    for (int i = 0; i < n; ++i)
      data_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  std::vector<uint8_t> data_;
};

// What the shortcut records about its target when the target exists.
struct TTargetInfo {
  bool exists = false;
  bool directory = false;
  uint64_t size = 0;
  time_t modified = 0;
};

TTargetInfo Inspect(std::string_view windowsPath) {
  TTargetInfo info;
  struct stat st;
  if (stat(HostPath(windowsPath).c_str(), &st) != 0)
    return info;
  info.exists = true;
  info.directory = S_ISDIR(st.st_mode);
  info.size = static_cast<uint64_t>(st.st_size);
  info.modified = st.st_mtime;
  return info;
}

uint64_t ToFileTime(time_t t) {
  return t == 0 ? 0 : (static_cast<uint64_t>(t) + 11644473600ULL) * 10000000ULL;
}

uint32_t ToDosDateTime(time_t t) {
  if (t == 0)
    return 0;
  tm parts;
  localtime_r(&t, &parts);
  const uint32_t date = ((parts.tm_year - 80) << 9) | ((parts.tm_mon + 1) << 5) | parts.tm_mday;
  const uint32_t time = (parts.tm_hour << 11) | (parts.tm_min << 5) | (parts.tm_sec / 2);
  return date | (time << 16);
}

bool HasDrive(std::string_view path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path[2] == '\\' || path[2] == '/');
}

// True when the text survives the ANSI code page unchanged.
bool FitsAnsi(std::string_view text) {
  return AnsiToUtf8(Utf8ToAnsi(text)) == text;
}

void AppendUnicodeZ(TBytes& out, std::string_view text) {
  for (char16_t c : Utf8ToUtf16(text))
    out.U16(c);
  out.U16(0);
}

// The extension block (signature BEEF0004, version 3) that every file entry carries after
// its ANSI name: the dates and the long name in Unicode, which is what keeps a name outside
// the ANSI code page.
void AppendFileItemExtension(TBytes& item, const std::string& name, uint32_t dosDateTime) {
  constexpr uint16_t kExtensionVersion = 3;
  constexpr uint32_t kExtensionSignature = 0xBEEF0004;
  constexpr uint16_t kVersion3Marker = 0x14;
  const auto offset = static_cast<uint16_t>(item.Size());
  TBytes block;
  block.U16(0);
  block.U16(kExtensionVersion);
  block.U32(kExtensionSignature);
  block.U32(dosDateTime);  // created
  block.U32(dosDateTime);  // last accessed
  block.U16(kVersion3Marker);
  block.U16(0);  // no localised name
  AppendUnicodeZ(block, name);
  block.U16(offset);
  block.SetU16(0, static_cast<uint16_t>(block.Size()));
  item.Append(block);
}

// One file or folder entry of the target's ID list: kind, size, date, attributes, the name in
// the ANSI code page padded to an even length, then the extension block with the long name.
void AppendFileItem(TBytes& list, const std::string& name, bool folder, const TTargetInfo& info) {
  TBytes item;
  const uint32_t dosDateTime = ToDosDateTime(info.modified);
  item.U16(0);
  item.U8(folder ? 0x31 : 0x32);
  item.U8(0);
  item.U32(folder ? 0 : static_cast<uint32_t>(info.size));
  item.U32(dosDateTime);
  item.U16(static_cast<uint16_t>(folder ? kAttributeDirectory : kAttributeArchive));
  const std::string ansi = Utf8ToAnsi(name);
  item.Raw(ansi.data(), ansi.size());
  item.U8(0);
  if (item.Size() % 2)
    item.U8(0);
  AppendFileItemExtension(item, name, dosDateTime);
  item.SetU16(0, static_cast<uint16_t>(item.Size()));
  list.Append(item);
}

// The target as a shell ID list: My Computer, the volume, each folder, then the file.
TBytes TargetIdList(std::string_view target, const TTargetInfo& info) {
  TBytes list;
  list.U16(0x14);
  list.U8(0x1F);
  list.U8(0x50);
  list.Raw(kMyComputerClsid, sizeof kMyComputerClsid);
  list.U16(0x19);
  list.U8(0x2F);
  const char volume[3] = {static_cast<char>(std::toupper(static_cast<unsigned char>(target[0]))),
                          ':', '\\'};
  list.Raw(volume, 3);
  for (int i = 0; i < 19; ++i)
    list.U8(0);
  const auto parts = SplitPath(target.substr(3));
  std::string folder(target.substr(0, 2));
  for (size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    folder += "\\" + parts[i];
    AppendFileItem(list, parts[i], !last || info.directory, last ? info : Inspect(folder));
  }
  list.U16(0);
  TBytes block;
  block.U16(static_cast<uint16_t>(list.Size()));
  block.Append(list);
  return block;
}

// Link info: a fixed volume and the local base path of the target. A path outside the ANSI
// code page also goes in Unicode, in the longer header's two Unicode offsets.
TBytes LinkInfo(std::string_view target) {
  const std::string base = Utf8ToAnsi(target);
  const bool unicode = !FitsAnsi(target);
  constexpr uint32_t kAnsiHeaderSize = 0x1C;
  constexpr uint32_t kUnicodeHeaderSize = 0x24;
  constexpr uint32_t kVolumeSize = 0x11;
  const uint32_t headerSize = unicode ? kUnicodeHeaderSize : kAnsiHeaderSize;
  const uint32_t basePathOffset = headerSize + kVolumeSize;
  const uint32_t suffixOffset = basePathOffset + static_cast<uint32_t>(base.size()) + 1;
  const uint32_t unicodeBaseOffset = suffixOffset + 1;
  const uint32_t unicodeBaseBytes = static_cast<uint32_t>(Utf8ToUtf16(target).size() + 1) * 2;
  const uint32_t unicodeSuffixOffset = unicodeBaseOffset + unicodeBaseBytes;
  const uint32_t size = unicode ? unicodeSuffixOffset + 2 : suffixOffset + 1;
  TBytes info;
  info.U32(size);
  info.U32(headerSize);
  info.U32(1);  // a volume id and a local base path follow
  info.U32(headerSize);
  info.U32(basePathOffset);
  info.U32(0);
  info.U32(suffixOffset);
  if (unicode) {
    info.U32(unicodeBaseOffset);
    info.U32(unicodeSuffixOffset);
  }
  info.U32(kVolumeSize);
  info.U32(kDriveFixed);
  info.U32(0);     // drive serial number
  info.U32(0x10);  // volume label offset: an empty label right after
  info.U8(0);
  info.Raw(base.data(), base.size());
  info.U8(0);
  info.U8(0);  // empty common path suffix
  if (unicode) {
    AppendUnicodeZ(info, target);
    info.U16(0);  // empty common path suffix
  }
  return info;
}

void AppendCountedString(TBytes& out, std::string_view text) {
  const std::u16string wide = Utf8ToUtf16(text);
  out.U16(static_cast<uint16_t>(wide.size()));
  for (char16_t c : wide)
    out.U16(c);
}

class TShellLinkObject : public TComObject, public IShellLinkW, public IPersistFile {
 public:
  IShellLinkW* QueryShellLink() override { return this; }
  IPersistFile* QueryPersistFile() override { return this; }

  THResult SetArguments(std::string_view arguments) override {
    arguments_ = arguments;
    return S_OK_;
  }
  THResult SetPath(std::string_view target) override {
    target_ = target;
    return S_OK_;
  }
  THResult SetWorkingDirectory(std::string_view folder) override {
    workingDir_ = folder;
    return S_OK_;
  }

  // A shortcut needs a target that names its drive: a relative one (or none) would be saved
  // as a shortcut that starts nothing. An existing file is replaced whole or left as it was.
  THResult Save(std::string_view fileName, bool /*remember*/) override {
    // A NUL would cut the name short on its way to the file system: another file would be
    // written than the one asked for.
    if (fileName.find('\0') != std::string_view::npos)
      return kInvalidArgument;
    if (!HasDrive(target_))
      return kInvalidArgument;
    const TBytes bytes = Build();
    const auto& data = bytes.Data();
    const std::string_view view(reinterpret_cast<const char*>(data.data()), data.size());
    if (!SaveWholeFile(fileName, view))
      return kFail;
    return S_OK_;
  }

 private:
  TBytes Build() const {
    const TTargetInfo info = Inspect(target_);
    uint32_t flags = kIsUnicode | kHasLinkTargetIdList | kHasLinkInfo;
    if (!workingDir_.empty())
      flags |= kHasWorkingDir;
    if (!arguments_.empty())
      flags |= kHasArguments;

    TBytes out;
    out.U32(0x4C);
    out.Raw(kShellLinkClsid, sizeof kShellLinkClsid);
    out.U32(flags);
    out.U32(info.directory ? kAttributeDirectory : kAttributeArchive);
    out.U64(ToFileTime(info.modified));
    out.U64(ToFileTime(info.modified));
    out.U64(ToFileTime(info.modified));
    out.U32(static_cast<uint32_t>(info.size));
    out.U32(0);  // icon index
    out.U32(kShowNormal);
    out.U16(0);  // hot key
    out.U16(0);
    out.U32(0);
    out.U32(0);
    out.Append(TargetIdList(target_, info));
    out.Append(LinkInfo(target_));
    if (!workingDir_.empty())
      AppendCountedString(out, workingDir_);
    if (!arguments_.empty())
      AppendCountedString(out, arguments_);
    out.U32(0);  // no extra data blocks
    return out;
  }

  std::string target_;
  std::string arguments_;
  std::string workingDir_;
};

}  // namespace

std::unique_ptr<TComObject> CreateComObject(std::string_view classId, THResult* result) {
  if (FoldCase(classId) != FoldCase(CLSID_ShellLink)) {
    if (result)
      *result = kClassNotRegistered;
    return nullptr;
  }
  if (result)
    *result = S_OK_;
  return std::make_unique<TShellLinkObject>();
}

// The stand-in has no message table of its own: every code gets the product's text.
std::string SysErrorMessage(THResult code) {
  return detail::KnownResultText(code);
}

}  // namespace platform
