#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Small text operations on delimiters that every protocol parser of the network layer is built
// on, plus header unfolding, percent-decoding and Base64. Positions are 1-based, 0 meaning "not
// found", as everywhere in the network layer. Text is UTF-8; byte strings carry wire data.
namespace net {

// The part before the first occurrence of `delimiter`; the whole text when it is absent.
std::string TextBefore(std::string_view value, std::string_view delimiter);
// The part after the first occurrence of `delimiter`; the whole text when it is absent.
std::string TextAfter(std::string_view value, std::string_view delimiter);
// Returns TextBefore; `value` becomes TextAfter, or empty when the delimiter is absent.
std::string CutFieldRaw(std::string& value, std::string_view delimiter);
// CutFieldRaw, with spaces trimmed from the field and from what remains.
std::string CutField(std::string& value, std::string_view delimiter);

// Remove space characters (code 32 only; tabs stay) from the start, the end, or both.
std::string TrimSpacesLeft(std::string_view value);
std::string TrimSpacesRight(std::string_view value);
std::string TrimSpaces(std::string_view value);

// Removes spaces and control characters (every byte up to code 32) from both ends, as the
// protocol readers trim header values and fields.
std::string TrimControlAndSpaces(std::string_view value);

// The value of a decimal number made of the digits 0-9 only (no sign, no blanks); -1 when the
// text is empty, holds anything else or does not fit in 63 bits. Callers check their range.
int64_t DecimalNumber(std::string_view value);
// The same for hexadecimal digits (0-9, A-F, a-f).
int64_t HexNumber(std::string_view value);

// Replaces every occurrence left to right without re-scanning inserted text.
std::string ReplaceAll(std::string_view value, std::string_view search,
                       std::string_view replacement);

// Last occurrence of `sub` that ends at or before 1-based position `from`; 0 when none.
int LastPosBefore(std::string_view sub, std::string_view value, int from);
// Last occurrence of `sub` in `value`; 0 when none.
int LastPos(std::string_view sub, std::string_view value);

// 1-based position of the first CR or LF, -1 when there is none. `lineBreak` receives the break
// found: CR+LF, LF+CR, or the lone CR or LF.
int FindLineBreak(std::string_view value, std::string& lineBreak);

int CountChar(std::string_view value, char ch);

// Takes line `index` (0-based) of a header block, appends the continuation lines that follow
// it and advances `index` past everything taken. The last line of the list (the empty line that
// closes a header block) is never taken as a continuation.
std::string UnfoldHeaderLine(const std::vector<std::string>& lines, int& index);

// Decodes %XX escapes and drops "%" soft line breaks; malformed escapes are copied unchanged.
std::string PercentDecode(std::string_view value);

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string Base64Encode(std::string_view value);

}  // namespace net
