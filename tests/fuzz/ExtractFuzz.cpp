// Extracts mutated archives into a temporary folder and checks that nothing appeared outside
// the destination, whatever the names, links, sizes and offsets say; that no temporary file
// is left; that every name written is one Windows can hold; that the end of the batch counts
// what was written; and that a file already in the destination survives entries that fail.
//
// The first input byte picks the options (bit 0 test, 1 folder names, 2 overwrite, 3
// freshen); with VARELO_FUZZ_FLAT=1 every run takes the installer's own options (0x424).
// Seeds: corpus/Extract (NAME_MODE, MODE the first byte), dictionary Extract.dict.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/ArcaZipContract.h"
#include "engine/EntryName.h"
#include "engine/Extractor.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/FolderList.h"
#include "tests/support/TempDir.h"

namespace {

struct TFuzzState {
  std::string archive;
  std::string dest;
  std::u16string reply;
  int ends = 0;          // end-of-batch reports
  uint32_t written = 0;  // the files written, as the last one said
};

// What the installer puts in the destination before it unpacks a package over it.
constexpr char kKeptName[] = "keep.txt";
constexpr char kKeptContent[] = "installed before this archive";

uint32_t OptionsFor(uint8_t mode) {
  static const bool flat = [] {
    const char* v = std::getenv("VARELO_FUZZ_FLAT");
    return v != nullptr && std::string(v) == "1";
  }();
  if (flat)
    return kAZOptAlways | kAZOptExtract | kAZOptOverwrite;  // 0x424
  return kAZOptAlways | ((mode & 1) ? kAZOptTest : kAZOptExtract) |
         ((mode & 2) ? kAZOptDirNames : 0) | ((mode & 4) ? kAZOptOverwrite : 0) |
         ((mode & 8) ? kAZOptFreshen : 0);
}

int AZ_STDCALL Answer(TZCallBackStruct* record) {
  auto* state = static_cast<TFuzzState*>(record->Caller);
  const auto reply = [&](const std::string& text) {
    state->reply = platform::Utf8ToUtf16(text);
    record->HaveWide = 1;
    record->MsgP = state->reply.c_str();
    return 1;
  };
  switch (record->ActionCode & kAZActionMask) {
    case zacArg:
      switch (record->Arg1) {
        case zaaArchivePath:
          return reply(state->archive);
        case zaaExtrBaseDir:
          return reply(state->dest);
        case zaaPassword:
          return reply("pw");
        case zaaFSpecArgs: {
          const bool first = record->Arg3 == 0;
          record->Arg3 = 1;
          return first ? reply("*.*") : 0;
        }
        default:
          return 0;
      }
    case zacPassword:
      return reply("pw");
    case zacOverwrite:
      return 1;
    case zacEndOfBatch:
      ++state->ends;
      state->written = record->Arg1;
      return 0;
    default:
      return 0;
  }
}

void RemoveTree(const std::string& root) {
  std::vector<std::string> entries = platform::ListFolderTree(root);
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const std::string path = root + "/" + *it;
    if (it->back() == '/') {
      platform::RemoveDir(path);
    } else {
      platform::DeleteFile(path);
    }
  }
}

// Files are created and removed on every run; on a disk file system that costs more than the
// extraction itself, so the work folder goes to the memory file system when there is one.
varelo::test::TTempDir& WorkFolder() {
  static bool chosen = [] {
    if (platform::DirectoryExists("/dev/shm"))
      setenv("TMPDIR", "/dev/shm", 1);
    return true;
  }();
  (void)chosen;
  static varelo::test::TTempDir work;
  return work;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  varelo::test::TTempDir& work = WorkFolder();
  if (size < 1)
    return 0;
  TFuzzState state;
  state.archive = work / "archive.zip";
  state.dest = work / "dest";
  platform::ForceDirectories(state.dest);
  // A link planted in the destination, pointing outside it, must never be written through.
  platform::ForceDirectories(work / "outside");
  symlink("../outside", (state.dest + "/link").c_str());
  symlink("../outside", (state.dest + "/LINK2").c_str());
  varelo::test::WriteFileBytes(state.dest + "/" + kKeptName, kKeptContent);
  // The first byte picks the options, the rest is the archive.
  const uint8_t mode = data[0];
  varelo::test::WriteFileBytes(state.archive,
                               std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  TDLLCommands commands{};
  commands.fCaller = &state;
  commands.fVersion = kAZVersion;
  commands.ZCallbackFunc = &Answer;
  commands.fOptions = OptionsFor(mode);
  commands.fPwdReqCount = 2;
  commands.fCheck = kAZCommandCheck;
  std::atomic<bool> abort{false};
  arcazip::TExtractor extractor(commands, 1, abort);
  const int32_t result = extractor.Run();

  for (const std::string& path : platform::ListFolderTree(work.Path())) {
    if (path != "archive.zip" && path != "dest/" && path != "outside/" &&
        path.rfind("dest/", 0) != 0) {
      fprintf(stderr, "written outside the destination: %s\n", path.c_str());
      std::abort();
    }
    if (path.find(".~az") != std::string::npos) {
      fprintf(stderr, "temporary file left behind: %s\n", path.c_str());
      std::abort();
    }
    // Whatever the build, only names Windows can hold are written.
    size_t start = 0;
    while (start < path.size()) {
      const size_t end = std::min(path.find('/', start), path.size());
      if (!arcazip::IsSafeOnWindows(path.substr(start, end - start))) {
        fprintf(stderr, "a name Windows cannot hold was written: %s\n", path.c_str());
        std::abort();
      }
      start = end + 1;
    }
  }
  // A batch is ended once, and a run that succeeded wrote what its end said.
  if (state.ends > 1 ||
      (result >= 0 && state.ends == 1 && state.written != static_cast<uint32_t>(result))) {
    fprintf(stderr, "end of batch: %d reports, %u written, result %d\n", state.ends, state.written,
            result);
    std::abort();
  }
  // The existing file is only ever replaced whole by an entry that was extracted: when no
  // entry was, it must be exactly as it was.
  const std::string keptPath = state.dest + "/" + kKeptName;
  if (!platform::FileExists(keptPath)) {
    fprintf(stderr, "the existing file was removed\n");
    std::abort();
  }
  if (result <= 0 && varelo::test::ReadFileBytes(keptPath) != kKeptContent) {
    fprintf(stderr, "the existing file was changed by a run that extracted nothing\n");
    std::abort();
  }
  RemoveTree(state.dest);
  return 0;
}
