#pragma once
#include <cstdint>

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
