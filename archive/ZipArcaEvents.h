#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/ProgressDetails.h"
#include "archive/ZipDialogBox.h"
#include "archive/ZipTypes.h"
#include "engine/ArcaZipContract.h"

// The archive component's events. All are optional; the first parameter, Sender, is the
// component that raises them.
namespace archive {

class TZipArca19;

struct TZipArcaEvents {
  std::function<void(TZipArca19* Sender, const TZAProgressDetails& details)> OnProgress;
  std::function<void(TZipArca19* Sender, int ErrCode, const std::string& ErrMsg)> OnMessage;
  std::function<void(TZipArca19* Sender, const std::string& ForFile, bool IsOlder,
                     bool& DoOverwrite, int DirIndex)>
      OnExtractOverwrite;
  std::function<void(TZipArca19* Sender, bool IsZipAction, std::string& NewPassword,
                     const std::string& ForFile, uint32_t& RepeatCount, TMsgDlgBtn& Action)>
      OnPasswordError;
  std::function<void(TZipArca19* Sender, const std::string& ForFile, TZASkipTypes SkipType,
                     int& ExtError)>
      OnSkipped;
  std::function<void(TZipArca19* Sender, const std::string& ForFile, uint32_t FoundCRC,
                     uint32_t ExpectedCRC, bool& DoExtract)>
      OnCRC32Error;
  std::function<void(TZipArca19* Sender, bool& abort)> OnCheckTerminate;
  std::function<void(TZipArca19* Sender)> OnTick;
  std::function<void(TZipArca19* Sender)> OnDirUpdate;
  std::function<void(TZipArca19* Sender, int SeqNo)> OnNewName;
  std::function<void(TZipArca19* Sender, std::string& FileName, const std::string& BaseDir,
                     bool& IsChanged)>
      OnSetExtName;
  std::function<void(TZipArca19* Sender, const std::string& title, std::string& msg, int& Result,
                     const std::vector<TMsgDlgBtn>& btns)>
      OnZipDialog;
  std::function<void(TZipArca19* Sender, TZAStreamOp opr, int snumber, TZAStream*& strm,
                     int64_t& stat, bool& done)>
      OnStream;
  std::function<void(TZipArca19* Sender, TZAStates state, bool& NoCursor)> OnStateChange;
  // Raised only by operations that add to an archive, which this build does not carry.
  std::function<void(TZipArca19* Sender, std::string& FileName, bool& IsChanged)> OnSetAddName;
  std::function<void(TZipArca19* Sender, const std::string& ForFile, std::string& Comment,
                     bool& IsChanged)>
      OnFileComment;
};

}  // namespace archive
