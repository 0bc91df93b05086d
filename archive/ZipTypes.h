#pragma once
#include <cstdint>
#include <initializer_list>

// Option and state types the archive layer shares (in ordinal order, as the component
// publishes them).
namespace archive {

enum TZAEncodingOpts : uint32_t { zeoAuto, zeoNone, zeoOEM, zeoUTF8, zeoUPath };
enum class TZipFileSigs { zfsNone, zfsLocal, zfsMulti, zfsDOS };
enum class TZipNumberScheme { znsNone, znsVolume, znsName, znsExt };
enum class TZLoadOpts { zloNoLoad, zloFull, zloSilent };
enum class TZCChanges {
  zccNone,
  zccBegin,
  zccCount,
  zccAdd,
  zccEdit,
  zccDelete,
  zccEnd,
  zccCheckNo
};
enum class TZipShowProgress { zspNone, zspFull, zspExtra };

// StatusBits of an entry.
inline constexpr uint32_t kStatusSelected = 2;
inline constexpr uint32_t kStatusDirOnly = 16;
inline constexpr uint32_t kStatusReading = 32;
inline constexpr uint32_t kStatusHashValid = 256;
inline constexpr uint32_t kStatusEncodingShift = 16;
inline constexpr uint32_t kStatusEncodingMask = 7u << kStatusEncodingShift;

}  // namespace archive

namespace archive {

// A set over an enumeration of at most 32 values, as the component publishes its options.
template <typename E>
class TZASet {
 public:
  TZASet() = default;
  TZASet(std::initializer_list<E> values) {
    for (E v : values)
      Include(v);
  }
  void Include(E v) { bits_ |= Bit(v); }
  void Exclude(E v) { bits_ &= ~Bit(v); }
  bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
  bool Empty() const { return bits_ == 0; }
  uint32_t Bits() const { return bits_; }
  bool operator==(const TZASet&) const = default;

 private:
  static uint32_t Bit(E v) { return 1u << static_cast<uint32_t>(v); }
  uint32_t bits_ = 0;
};

enum TZAExtrOpt : uint32_t {
  ExtrDirNames,
  ExtrOverWrite,
  ExtrFreshen,
  ExtrUpdate,
  ExtrTest,
  ExtrForceDirs,
  ExtrNTFS
};
using TZAExtrOpts = TZASet<TZAExtrOpt>;

enum TZASpanOpt : uint32_t {
  spNoVolumeName,
  spCompatName,
  spWipeFiles,
  spTryFormat,
  spAnyTime,
  spExactName
};
using TZASpanOpts = TZASet<TZASpanOpt>;

enum class TZAStates { zsDisabled, zsIdle, zsBusy };
enum class TZAVerbosity { zvOff, zvVerbose, zvTrace };
enum class TZAStreamOp { zsoIdentify, zsoOpen, zsoClose };
enum class TZAOvrOpts { ovrAlways, ovrNever, ovrConfirm };
enum class TZADeleteOpts { htdFinal, htdAllowUndo };

// A stream the engine reads or writes through the stream callback (piped operations).
class TZAStream {
 public:
  virtual ~TZAStream() = default;
  virtual int64_t Seek(int64_t offset, int origin) = 0;  // origin 0 begin, 1 current, 2 end
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Size() = 0;
};

}  // namespace archive
