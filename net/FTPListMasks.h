#pragma once
#include <cstddef>

// The listing parser's data: the masks that describe the line layouts of the server families
// it knows, in the order they are tried, and the month-name tables a "TTT" field is looked up
// in. The mask language is described with TFTPList::MatchMask.
namespace net {

constexpr size_t kFTPListMaskCount = 54;
extern const char* const kFTPListMasks[kFTPListMaskCount];

// Month names as servers write them, twelve per table. Listing lines are bytes as the server
// sent them, so the accented names are held in the ANSI code page (Windows-1252) as those
// servers send them; the last table is Czech as it arrives from a Central European server
// read through that code page.
constexpr size_t kFTPListMonthTableCount = 6;
extern const char* const kFTPListMonthTables[kFTPListMonthTableCount][12];

// The system's short month names for the user's locale (English when the locale has none of
// its own that fits a three-letter field).
const char* const* SystemShortMonthNames();

}  // namespace net
