#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// The extra fields of a local header or central record: blocks of a 16-bit tag, a 16-bit
// data size and the data.
namespace zipformat {

inline constexpr uint16_t kTagZip64 = 0x0001;
inline constexpr uint16_t kTagExtendedTime = 0x5455;
inline constexpr uint16_t kTagUnicodeComment = 0x6375;
inline constexpr uint16_t kTagUnicodePath = 0x7075;

struct TExtraBlock {
  uint16_t tag = 0;
  std::string_view data;
};

// Walks the blocks in order. The walk ends at the first block whose data would run past the
// extra bytes: nothing behind a broken size can be told apart from noise.
class TExtraFields {
 public:
  explicit TExtraFields(std::string_view extra) : extra_(extra) {}
  // The next whole block; false at the end or at a broken block.
  bool Next(TExtraBlock& block);

 private:
  std::string_view extra_;
  size_t pos_ = 0;
};

// The first block with this tag whose whole data lies inside the extra bytes.
bool FindExtra(std::string_view extra, uint16_t tag, std::string_view& data);

}  // namespace zipformat
