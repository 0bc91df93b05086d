#include "archive/ZipStrings.h"

#include <cctype>
#include <mutex>

#include "archive/ArchiveLimits.h"
#include "archive/Lzss.h"
#include "archive/MessageIds.h"
#include "archive/MessageRecords.h"
#include "archive/StringBlocks.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace archive {
namespace {

constexpr uint16_t kBuiltinLocale = 1033;
constexpr uint16_t kPrimaryLanguageMask = 0x3FF;
constexpr uint16_t kPrimaryOnlyBelow = 1024;

struct TTables {
  std::recursive_mutex lock;
  bool builtinTried = false;
  TMessageMap builtin;
  TMessageMap current;
  std::string currentName = "US";
  uint16_t currentId = kBuiltinLocale;
  TZipLoadStrEvent onLoadStr;
};

TTables& Tables() {
  static TTables tables;
  return tables;
}

uint16_t Get16(std::string_view s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) |
                               (static_cast<uint8_t>(s[at + 1]) << 8));
}

// Decodes a record into its messages; false (nothing changed) when it is damaged.
bool LoadRecord(std::string_view record, TMessageMap& out) {
  TZipDecodedRecord decoded;
  if (ZipDecodeRecord(record, decoded) != kLzssGood)
    return false;
  out = ParseStringBlocks(decoded.image);
  return true;
}

const TMessageMap& Builtin(TTables& t) {
  if (!t.builtinTried) {
    t.builtinTried = true;
    const std::string_view record(reinterpret_cast<const char*>(kBuiltinMessageRecord),
                                  kBuiltinMessageRecordSize);
    // A damaged record leaves the table empty; lookups then give the fallback text.
    if (!LoadRecord(record, t.builtin))
      t.builtin.clear();
  }
  return t.builtin;
}

std::string Find(TTables& t, int id) {
  if (id < 0)
    return {};
  const auto key = static_cast<uint32_t>(id);
  if (const auto it = t.current.find(key); it != t.current.end())
    return platform::Utf16ToUtf8(it->second);
  const TMessageMap& builtin = Builtin(t);
  if (const auto it = builtin.find(key); it != builtin.end())
    return platform::Utf16ToUtf8(it->second);
  return {};
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n')
      out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

// The leading identifier of a Language value: blanks skipped; letters, digits and "_"; letters
// upper-cased; an identifier never starts with a digit.
std::string LeadingIdentifier(std::string_view value, std::string_view& rest) {
  size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
    ++i;
  rest = value.substr(i);
  std::string ident;
  if (i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])))
    return ident;
  for (; i < value.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(value[i]);
    if (!std::isalnum(c) && c != '_')
      break;
    ident.push_back(static_cast<char>(std::toupper(c)));
  }
  return ident;
}

// A locale id written as a decimal number or as hexadecimal after "$"; 0 when it is neither
// or lies outside 1..65535.
uint32_t ParseLocale(std::string_view text) {
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 8)
    return 0;
  uint32_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
      digit = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    } else {
      break;
    }
    value = value * base + digit;
  }
  return value >= 1 && value <= 0xFFFF ? value : 0;
}

bool Matches(uint16_t recordLocale, const std::string& recordName, uint32_t locale,
             const std::string& name) {
  if (locale == 0)
    return recordName == name;
  if (recordLocale == locale)
    return true;
  return locale < kPrimaryOnlyBelow && (recordLocale & kPrimaryLanguageMask) == locale;
}

std::string FormatNumber(const std::string& conversion, char type, int64_t value) {
  // Precision on an integer is its least number of digits, as the platform's Format has it.
  size_t dot = conversion.find('.');
  size_t minDigits = 0;
  if (dot != std::string::npos)
    minDigits = static_cast<size_t>(std::atoi(conversion.c_str() + dot + 1));
  std::string digits;
  const bool negative = value < 0 && type == 'd';
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  if (type == 'u' && value < 0)
    magnitude = static_cast<uint32_t>(value);
  const unsigned base = type == 'x' ? 16 : 10;
  do {
    digits.insert(digits.begin(), "0123456789ABCDEF"[magnitude % base]);
    magnitude /= base;
  } while (magnitude != 0);
  while (digits.size() < minDigits)
    digits.insert(digits.begin(), '0');
  if (negative)
    digits.insert(digits.begin(), '-');
  return digits;
}

}  // namespace

int ZipDecodeRecord(std::string_view record, TZipDecodedRecord& out, size_t* used) {
  if (record.size() < kRecordHeaderSize)
    return kLzssDamaged;
  const uint16_t locale = Get16(record, 0);
  const size_t compressed = Get16(record, 2);
  const size_t nameLength = Get16(record, 4);
  if (record.size() - kRecordHeaderSize < nameLength ||
      record.size() - kRecordHeaderSize - nameLength < compressed)
    return kLzssDamaged;
  out.locale = locale;
  out.name = std::string(record.substr(kRecordHeaderSize, nameLength));
  if (used != nullptr)
    *used = kRecordHeaderSize + nameLength + compressed;
  const std::string_view stream = record.substr(kRecordHeaderSize + nameLength, compressed);
  // The stored size is checked before decoding, so a lying header costs no memory.
  if (stream.size() >= 4) {
    const uint32_t size = static_cast<uint8_t>(stream[0]) | (static_cast<uint8_t>(stream[1]) << 8) |
                          (static_cast<uint8_t>(stream[2]) << 16) |
                          (static_cast<uint32_t>(static_cast<uint8_t>(stream[3])) << 24);
    if (size >= kMaxTableSize)
      return kLzssDamaged;
  }
  return LzssDecode(stream, out.image);
}

std::string ZipLoadStr(int id) {
  TTables& t = Tables();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  std::string text = Find(t, id);
  if (t.onLoadStr) {
    std::string reply = text;
    t.onLoadStr(id, reply);
    if (!reply.empty())
      text = reply;
  }
  if (text.empty())
    return "Resource missing for " + std::to_string(id);
  return WithCrLf(text);
}

std::string ZipFormat(std::string_view format, std::initializer_list<TZipFmtArg> args) {
  std::string out;
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out.push_back(format[i]);
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < format.size() && (std::isdigit(static_cast<unsigned char>(format[j])) ||
                                 format[j] == '.' || format[j] == '-'))
      ++j;
    if (j >= format.size() || next == args.end()) {
      out.append(format.substr(i, j - i + (j < format.size() ? 1 : 0)));
      i = j;
      continue;
    }
    const char type = static_cast<char>(std::tolower(static_cast<unsigned char>(format[j])));
    const std::string conversion(format.substr(i + 1, j - i - 1));
    if (type == 's') {
      out += std::holds_alternative<std::string>(*next) ? std::get<std::string>(*next)
                                                        : std::to_string(std::get<int64_t>(*next));
      ++next;
    } else if ((type == 'd' || type == 'u' || type == 'x') &&
               std::holds_alternative<int64_t>(*next)) {
      out += FormatNumber(conversion, type, std::get<int64_t>(*next));
      ++next;
    } else {
      out.append(format.substr(i, j - i + 1));
    }
    i = j;
  }
  return out;
}

std::string ZipFmtLoadStr(int id, std::initializer_list<TZipFmtArg> args) {
  const std::string format = ZipLoadStr(id);
  if (format.empty())
    return {};
  return ZipFormat(format, args);
}

void SetZipOnLoadStr(TZipLoadStrEvent handler) {
  TTables& t = Tables();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  t.onLoadStr = std::move(handler);
}

bool SetZipLanguage(std::string_view value) {
  std::string_view rest;
  const std::string ident = LeadingIdentifier(value, rest);
  if (rest.empty())
    return false;
  uint32_t locale = 0;
  if (ident.size() < 2) {
    if (!rest.empty() && rest[0] == '*') {
      locale = platform::UserLocaleId();
    } else {
      locale = ParseLocale(rest);
      if (locale == 0)
        return false;
    }
  }
  TTables& t = Tables();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  if ((locale == 0 && ident == "US") || locale == kBuiltinLocale) {
    t.current.clear();
    t.currentName = "US";
    t.currentId = kBuiltinLocale;
    return true;
  }
  const std::string_view resource(reinterpret_cast<const char*>(kLanguageResource),
                                  kLanguageResourceSize);
  size_t at = 0;
  while (resource.size() - at >= kRecordHeaderSize) {
    const uint16_t recordLocale = Get16(resource, at);
    const size_t total = kRecordHeaderSize + Get16(resource, at + 4) + Get16(resource, at + 2);
    if (total > resource.size() - at)
      break;
    const size_t nameLength = Get16(resource, at + 4);
    const std::string name(resource.substr(at + kRecordHeaderSize, nameLength));
    if (Matches(recordLocale, name, locale, ident)) {
      TMessageMap table;
      // A damaged language record leaves the previous table in use.
      if (!LoadRecord(resource.substr(at, total), table))
        return false;
      t.current = std::move(table);
      t.currentName = name;
      t.currentId = recordLocale;
      return true;
    }
    at += total;
  }
  return false;
}

std::string ZipLanguageName() {
  TTables& t = Tables();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  return t.currentName;
}

uint16_t ZipLanguageId() {
  TTables& t = Tables();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  return t.currentId;
}

std::string ZipReportText(std::string_view text) {
  if (!text.empty() && text[0] == '!')
    return ZipLoadStr(msg::kInfoPrefix) + std::string(text.substr(1));
  if (!text.empty() && text[0] == '#')
    return ZipLoadStr(msg::kTracePrefix) + std::string(text.substr(1));
  return std::string(text);
}

int ZipEngineCodeMessage(uint32_t code) {
  if (code == 0)
    return 0;
  if (code <= 35)
    return msg::kEngineGood + static_cast<int>(code);
  return msg::kEngineFatal;
}

int ZipExtraItemMessage(uint32_t n) {
  return n < 20 ? msg::kExtraItemBase + static_cast<int>(n) : static_cast<int>(n);
}

}  // namespace archive
