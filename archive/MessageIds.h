#pragma once

// Message ids of the archive layer's texts, as the message table holds them. The archive
// layer uses them as its error codes too: negative inside the directory reader, positive in
// the component's ErrCode.
namespace archive::msg {

inline constexpr int kCreditLine = 10097;
inline constexpr int kNoZipFile = 10102;
inline constexpr int kNoMemory = 10103;
inline constexpr int kEventException = 10106;
inline constexpr int kNotActive = 10109;
inline constexpr int kBusy = 10112;
inline constexpr int kCriticalDllError = 10124;
inline constexpr int kUnknownErrorCode = 10125;
inline constexpr int kSkippedFile = 10126;
inline constexpr int kUserAbort = 10128;
inline constexpr int kSkippingNotAllowed = 10131;
inline constexpr int kNoExtractPassword = 10151;
inline constexpr int kPasswordCaption = 10154;
inline constexpr int kEnterPassword = 10155;
inline constexpr int kSeekError = 10201;
inline constexpr int kUnknownListError = 10202;
inline constexpr int kStructureWarning = 10203;
inline constexpr int kButtonYes = 10220;  // to 10229, in the order of TMsgDlgBtn captions
inline constexpr int kUnattendedExtract = 10502;
inline constexpr int kExtractDirMissing = 10504;
inline constexpr int kFailedToLoad = 10650;
inline constexpr int kOldOrCorrupt = 10651;
inline constexpr int kLoaded = 10652;
inline constexpr int kUnloaded = 10653;
inline constexpr int kLoadError = 10654;
inline constexpr int kInputMissing = 11001;
inline constexpr int kCannotOpen = 11002;
inline constexpr int kUserCancel = 11007;
inline constexpr int kSeekInput = 11008;
inline constexpr int kReadEnd = 11011;
inline constexpr int kReadCentral = 11013;
inline constexpr int kCentralSignature = 11015;
inline constexpr int kReadName = 11017;
inline constexpr int kReadComment = 11022;
inline constexpr int kTempFile = 11027;
inline constexpr int kNotZip = 11036;
inline constexpr int kZip64Field = 11052;
inline constexpr int kUnsupportedVersion = 11053;
inline constexpr int kExtraItemBase = 11400;
inline constexpr int kLoadingDirectory = 11409;
inline constexpr int kTracePrefix = 11604;
inline constexpr int kInfoPrefix = 11605;
inline constexpr int kEngineGood = 11648;  // engine code n (1..35) is 11648 + n
inline constexpr int kEngineFatal = 11654;

}  // namespace archive::msg
