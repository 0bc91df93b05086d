#pragma once
// The call contract between the archive component and the engine library ArcaZip190.dll:
// the command block, the callback and stream records, the action codes, option bits and
// result convention. Both sides include this header, so the layout is fixed here once.
//
// On a 32-bit build the records have the engine's historical byte layout (4-byte packing, the
// sizes asserted below). On a 64-bit build pointer-sized fields take 8 bytes with natural
// alignment and the same field order.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define AZ_STDCALL __stdcall
#else
#define AZ_STDCALL
#endif

#if defined(_WIN32)
#define AZ_EXPORT __declspec(dllexport)
#else
#define AZ_EXPORT __attribute__((visibility("default")))
#endif

#if UINTPTR_MAX == 0xFFFFFFFFu
#define AZ_POINTERS_32 1
#pragma pack(push, 4)
#else
#define AZ_POINTERS_32 0
#endif

struct TZCallBackStruct;
struct TZStreamRec;

using TZCallbackFunc = int(AZ_STDCALL*)(TZCallBackStruct* record);
using TZStreamFunc = int(AZ_STDCALL*)(TZStreamRec* record);

// Arguments of stream-to-stream operations; file operations pass no such record.
struct TZSSArgs {
  uint32_t Method;
  uint32_t CRC;
  int64_t Size;
  void* fSSInput;
  void* fSSOutput;
};

// One operation's orders, filled by the component and read by "AZ_Exec".
struct TDLLCommands {
  intptr_t fHandle;  // owner window for prompts; 0 when unattended
  void* fCaller;     // handed back unchanged in every callback
  int32_t fVersion;  // always kAZVersion
  TZCallbackFunc ZCallbackFunc;
  TZStreamFunc ZStreamFunc;
  int32_t fVerbosity;   // 0 off, 1 verbose, -1 trace
  uint32_t fEncodedAs;  // archive name encoding (encoding option ordinal)
  TZSSArgs* fSS;
  uint32_t fFromPage;  // code page for names without a known encoding; 0 = ANSI
  uint32_t fOptions;   // operation and option bits (kAZOpt...)
  uint32_t fPwdReqCount;
  uint32_t fEncodeAs;
  int32_t fLevel;
  uint32_t fDate;
  uint32_t fNotUsed[4];
  uint32_t fCheck;  // always kAZCommandCheck
};

// The record of one callback. Texts are UTF-16 when HaveWide is non-zero, UTF-8 otherwise.
struct TZCallBackStruct {
  void* Caller;
  int32_t Version;
  int32_t IsOperationZip;
  int32_t ActionCode;  // the low 6 bits select the action (TActionCodes)
  int32_t HaveWide;
  const void* MsgP;
  const void* Msg2P;
  int64_t File_Size;
  int64_t Written;
  uint32_t Arg1;
  uint32_t Arg2;
  int32_t Arg3;
  uint32_t Check;  // always kAZCallbackCheck
};

// The record of one stream callback (stream-to-stream and piped operations only).
struct TZStreamRec {
  void* Caller;
  int32_t Version;
  void* StrmP;
  int32_t Number;
  int32_t OpCode;
  void* BufP;
  int64_t ArgLL;
  int32_t ArgI;
  uint32_t ArgD;
  uint32_t ArgA;
  uint32_t Check;  // always kAZStreamCheck
};

#if AZ_POINTERS_32
#pragma pack(pop)
static_assert(sizeof(TDLLCommands) == 76);
static_assert(offsetof(TDLLCommands, ZCallbackFunc) == 12);
static_assert(offsetof(TDLLCommands, fSS) == 28);
static_assert(offsetof(TDLLCommands, fOptions) == 36);
static_assert(offsetof(TDLLCommands, fNotUsed) == 56);
static_assert(offsetof(TDLLCommands, fCheck) == 72);
static_assert(sizeof(TZCallBackStruct) == 60);
static_assert(offsetof(TZCallBackStruct, MsgP) == 20);
static_assert(offsetof(TZCallBackStruct, File_Size) == 28);
static_assert(offsetof(TZCallBackStruct, Written) == 36);
static_assert(offsetof(TZCallBackStruct, Arg1) == 44);
static_assert(offsetof(TZCallBackStruct, Check) == 56);
static_assert(sizeof(TZStreamRec) == 48);
static_assert(offsetof(TZStreamRec, ArgLL) == 24);
static_assert(offsetof(TZStreamRec, Check) == 44);
static_assert(sizeof(TZSSArgs) == 24);
#else
static_assert(sizeof(TDLLCommands) == 104);
static_assert(offsetof(TDLLCommands, fCaller) == 8);
static_assert(offsetof(TDLLCommands, fVersion) == 16);
static_assert(offsetof(TDLLCommands, ZCallbackFunc) == 24);
static_assert(offsetof(TDLLCommands, ZStreamFunc) == 32);
static_assert(offsetof(TDLLCommands, fVerbosity) == 40);
static_assert(offsetof(TDLLCommands, fSS) == 48);
static_assert(offsetof(TDLLCommands, fFromPage) == 56);
static_assert(offsetof(TDLLCommands, fOptions) == 60);
static_assert(offsetof(TDLLCommands, fNotUsed) == 80);
static_assert(offsetof(TDLLCommands, fCheck) == 96);
static_assert(sizeof(TZCallBackStruct) == 72);
static_assert(offsetof(TZCallBackStruct, Version) == 8);
static_assert(offsetof(TZCallBackStruct, ActionCode) == 16);
static_assert(offsetof(TZCallBackStruct, MsgP) == 24);
static_assert(offsetof(TZCallBackStruct, File_Size) == 40);
static_assert(offsetof(TZCallBackStruct, Written) == 48);
static_assert(offsetof(TZCallBackStruct, Arg1) == 56);
static_assert(offsetof(TZCallBackStruct, Arg3) == 64);
static_assert(offsetof(TZCallBackStruct, Check) == 68);
static_assert(sizeof(TZStreamRec) == 64);
static_assert(offsetof(TZStreamRec, StrmP) == 16);
static_assert(offsetof(TZStreamRec, ArgLL) == 40);
static_assert(offsetof(TZStreamRec, Check) == 60);
static_assert(sizeof(TZSSArgs) == 32);
#endif

// Action codes of the callback (ActionCode & kAZActionMask).
enum TActionCodes : int32_t {
  zacTick = 0,
  zacItem = 1,
  zacProgress = 2,
  zacEndOfBatch = 3,  // Arg1: files written (tested), Arg2: entries skipped, also after a stop
  zacCount = 4,
  zacSize = 5,
  zacXItem = 6,
  zacXProgress = 7,
  zacMessage = 8,
  zacNewName = 9,
  zacPassword = 10,
  zacCRCError = 11,
  zacOverwrite = 12,
  zacSkipped = 13,
  zacComment = 14,
  zacData = 15,
  zacExtName = 16,
  zacNone = 17,
  zacKey = 18,
  zacArg = 19,
  zacWinErr = 20,
};
inline constexpr int32_t kAZActionMask = 0x3F;

// What a zacArg request asks for (Arg1); Arg3 carries the list index for the two lists.
enum TZArgRequest : uint32_t {
  zaaArchivePath = 0,
  zaaPassword = 1,
  zaaRootDir = 2,
  zaaExtrBaseDir = 3,
  zaaComment = 4,
  zaaFSpecArgs = 5,
  zaaFSpecArgsExcl = 6,
  zaaStoreSuffixes = 7,
  zaaTempDir = 8,
};

// Why an entry was skipped; a zacSkipped report carries the type plus one in Arg2.
enum TZASkipTypes : uint32_t {
  stOnFreshen = 0,
  stNoOverwrite,
  stFileExists,
  stBadPassword,
  stBadName,
  stCompressionUnknown,
  stUnknownZipHost,
  stZipFileFormatWrong,
  stGeneralExtractError,
  stUser,
  stCannotDo,
  stNotFound,
  stNoShare,
  stNoAccess,
  stNoOpen,
  stDupName,
  stReadError,
  stSizeChange,
};

// Engine error codes (1 to 35) as carried in zacMessage and zacSkipped reports and, negated,
// in the result of "AZ_Exec". The component shows code n as message 11648 + n.
enum TAZError : int32_t {
  azeNone = 0,
  azeCancelled = 1,
  azeAborted = 2,
  azeCallback = 3,
  azeNoMemory = 4,
  azeStructure = 5,
  azeFatal = 6,
  azePasswordFailed = 7,
  azePasswordCancelled = 8,
  azeZipStructure = 9,
  azeNoCentral = 10,
  azeUnexpectedEnd = 11,
  azePrematureEnd = 12,
  azeOpenZip = 13,
  azeMultiPart = 14,
  azeNotFound = 15,
  azeLogic = 16,
  azeNothingToDo = 17,
  azeBadOptions = 18,
  azeTempFile = 19,
  azeNoPermission = 20,
  azeRead = 21,
  azeCreate = 22,
  azeWrite = 23,
  azeSeek = 24,
  azeEmptyZip = 25,
  azeBadName = 26,
  azeError = 27,
  azeNothingFound = 28,
  azeWarning = 29,
  azeDeleteFailed = 30,
  azeImport = 31,
  azeSkipping = 32,
  azeLocked = 33,
  azeAccessDenied = 34,
  azeDuplicate = 35,
};

// Severity bits of a zacMessage code: (code & 0x700) >= 0x200 with 0x800 set asks the
// component to put its own text for the code in front of the engine's detail text.
inline constexpr uint32_t kAZMsgError = 0x200;
inline constexpr uint32_t kAZMsgPrefix = 0x800;

// Option bits of TDLLCommands::fOptions for extracting.
inline constexpr uint32_t kAZOptAlways = 0x20;
inline constexpr uint32_t kAZOptExtract = 0x04;
inline constexpr uint32_t kAZOptTest = 0x08;
inline constexpr uint32_t kAZOptUpdate = 0x80;
inline constexpr uint32_t kAZOptFreshen = 0x100;
inline constexpr uint32_t kAZOptDirNames = 0x200;
inline constexpr uint32_t kAZOptOverwrite = 0x400;
inline constexpr uint32_t kAZOptNTFS = 0x08000000;

inline constexpr int32_t kAZVersion = 190;
inline constexpr int32_t kAZMinBuild = 1900095;
inline constexpr uint32_t kAZCommandCheck = 0x03070505;
inline constexpr uint32_t kAZCallbackCheck = 0x0707;
inline constexpr uint32_t kAZStreamCheck = 0x070B;
inline constexpr int kAZNameBufferChars = 260;

// Callback answers with a fixed meaning for every action.
inline constexpr int kAZReplyAbort = -2;

// The exports, with C linkage, as resolved by the component.
extern "C" {
using TAZExecFunc = int32_t(AZ_STDCALL*)(const TDLLCommands* commands);
using TAZVersionFunc = int32_t(AZ_STDCALL*)();
using TAZAbortFunc = int32_t(AZ_STDCALL*)(int32_t key);
using TAZNameFunc = int32_t(AZ_STDCALL*)(char16_t* buffer, int32_t size, int32_t wide);
using TAZBannerFunc = const char*(AZ_STDCALL*)();
}
