#pragma once
#include <cstddef>

// The listing parser's data: the masks that describe the line layouts of the server families
// it knows, in the order they are tried, and the month-name tables a "TTT" field is looked up
// in. The mask language is described with TFTPList::MatchMask.
namespace net {

constexpr size_t kFTPListMaskCount = 54;
extern const char* const kFTPListMasks[kFTPListMaskCount];

}  // namespace net
