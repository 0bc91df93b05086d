#include "net/FTPList.h"

#include <algorithm>
#include <cmath>

#include "net/FTPListDate.h"
#include "net/FTPListMasks.h"
#include "net/NetLimits.h"
#include "net/ProtoText.h"
#include "net/ScopeExit.h"
#include "platform/Clock.h"

namespace net {
namespace {

// The section sign ends a mask's name field at the end of the line. Masks are UTF-8 text; a
// mask written in the ANSI code page gives the sign as one byte.
constexpr std::string_view kSectionSignUtf8 = "\xC2\xA7";
constexpr char kSectionSignAnsi = '\xA7';

// EPLF times past the end of year 9999 are no dates.
constexpr int64_t kMaxEplfSeconds = 253402300799;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsWhite(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimTrailingWhite(std::string_view value) {
  while (!value.empty() && IsWhite(value.back()))
    value.remove_suffix(1);
  return value;
}

std::string_view TrimLineEnd(std::string_view value) {
  while (!value.empty() && (value.back() == '\r' || value.back() == '\n'))
    value.remove_suffix(1);
  return value;
}

// The text without the spaces around it, as the fixed-width fields are padded.
std::string_view Spaceless(std::string_view value) {
  while (!value.empty() && value.front() == ' ')
    value.remove_prefix(1);
  while (!value.empty() && value.back() == ' ')
    value.remove_suffix(1);
  return value;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Upper case of an ANSI (Windows-1252) byte: ASCII letters and the accented Latin letters.
unsigned char UpperAnsi(unsigned char c) {
  if (c >= 'a' && c <= 'z')
    return static_cast<unsigned char>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
    return static_cast<unsigned char>(c - 32);
  return c;
}

bool SameTextAnsi(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAnsi(static_cast<unsigned char>(a[i])) != UpperAnsi(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// Position of `needle` in `haystack` without regard to ASCII case; npos when absent.
size_t FindNoCase(std::string_view haystack, std::string_view needle) {
  if (needle.size() > haystack.size())
    return std::string_view::npos;
  for (size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
    if (SameTextAnsi(haystack.substr(i, needle.size()), needle))
      return i;
  }
  return std::string_view::npos;
}

// A numeric field as the masks collect it: spaces around it dropped, digits only. -1 for an
// empty field, any other character, or a value past 63 bits.
int64_t FieldNumber(std::string_view field) {
  return DecimalNumber(Spaceless(field));
}

// A field that must be a number in [low, high] when it was collected at all.
bool FieldInRange(const std::string& field, int64_t low, int64_t high) {
  if (field.empty())
    return true;
  const int64_t value = FieldNumber(field);
  return value >= low && value <= high;
}

bool IsPermissionChar(char c) {
  // "T" is the sticky bit without execute permission ("drwxrwx--T"); servers print it as any
  // other mode letter.
  static constexpr std::string_view kAllowed =
      "-Sabcdhlprstwxy"
      "T";
  return kAllowed.find(c) != std::string_view::npos;
}

bool PermissionsValid(const std::string& permissions) {
  if (permissions.empty())
    return true;
  if (permissions.size() != 10 && permissions.size() != 7)
    return false;
  for (char c : permissions) {
    if (!IsPermissionChar(c))
      return false;
  }
  return true;
}

// A year-or-time field: a year 1900-2100, or (with ":"; servers that write "10-30" are read as
// "10:30") a time of day.
bool YearTimeValid(const std::string& field) {
  if (field.empty())
    return true;
  std::string text(Spaceless(field));
  std::replace(text.begin(), text.end(), '-', ':');
  if (text.find(':') != std::string::npos) {
    int hour = 0, minute = 0, second = 0;
    return ParseListTimeOfDay(text, hour, minute, second);
  }
  const int64_t year = DecimalNumber(text);
  return year >= 1900 && year <= 2100;
}

bool YearValid(const std::string& field) {
  if (field.empty())
    return true;
  const std::string_view text = Spaceless(field);
  const int64_t year = DecimalNumber(text);
  switch (text.size()) {
    case 4:
      return year >= 1901 && year <= 2099;
    case 2:
      return year >= 0 && year <= 99;
    case 3:
      return year >= 100 && year <= 110;
    default:
      return false;
  }
}

// The calendar year of a year field that passed YearValid. Two digits mean 1951-2050. Three
// digits are years counted from 1900, as servers that print the raw year count write them
// (110 is 2010): read as they stand they would be dates of the second century.
int CalendarYear(const std::string& field) {
  const std::string_view text = Spaceless(field);
  const int year = static_cast<int>(DecimalNumber(text));
  if (text.size() == 3)
    return 1900 + year;
  if (year >= 51 && year <= 99)
    return 1900 + year;
  if (year <= 50)
    return year + 2000;
  return year;
}

// The size times the block size, or -1 when either is no number or the product passes 63 bits.
int64_t SizeInBytes(const std::string& size, const std::string& blockSize) {
  int64_t value = 0;
  if (!Spaceless(size).empty()) {
    value = FieldNumber(size);
    if (value < 0)
      return -1;
  }
  int64_t block = 1;
  if (!blockSize.empty()) {
    block = DecimalNumber(blockSize);
    if (block < 0)
      return -1;
  }
  if (block != 0 && value > INT64_MAX / block)
    return -1;
  return value * block;
}

bool IsDotEntry(std::string_view name) {
  return name == "." || name == "..";
}

// The fewest characters a line must have for a mask to match it: one for every character of
// the mask that takes one, up to where the mask goes on with the next line or takes a
// parameter (past those the count would need the walk itself; a bound that stops early is
// still a bound).
size_t MinLineChars(std::string_view mask) {
  size_t count = 0;
  for (char m : mask) {
    if (m == '\\' || m == '=' || static_cast<unsigned char>(m) >= 0x80)
      break;
    if (m != '$' && m != '!' && m != '*' && m != 'y')
      ++count;
  }
  return count;
}

double EpochSecondsToDateTime(int64_t seconds) {
  return static_cast<double>(seconds) / 86400.0 + 25569.0;
}

// The date-time of an MLSD "modify" value, YYYYMMDDhhmmss (parts left out take 1970, January,
// the first and midnight; fractions of seconds after them are ignored). An invalid value gives
// 1970-01-01 00:00:00.
double MlsdTime(std::string_view value) {
  const double epoch = EncodeListDateTime(1970, 1, 1, 0);
  int parts[6] = {1970, 1, 1, 0, 0, 0};
  static constexpr size_t kStart[6] = {0, 4, 6, 8, 10, 12};
  static constexpr size_t kLength[6] = {4, 2, 2, 2, 2, 2};
  for (int i = 0; i < 6; ++i) {
    if (kStart[i] >= value.size())
      break;
    const int64_t part = DecimalNumber(value.substr(kStart[i], kLength[i]));
    if (part < 0)
      return epoch;
    parts[i] = static_cast<int>(part);
  }
  if (!IsValidListDate(parts[0], parts[1], parts[2]) || parts[3] > 23 || parts[4] > 59 ||
      parts[5] > 59)
    return epoch;
  return EncodeListDateTime(parts[0], parts[1], parts[2],
                            parts[3] * 3600 + parts[4] * 60 + parts[5]);
}

// The value of an MLSD fact (its name given with its "=") up to the next ";", the name found
// without regard to case; false when the facts do not hold it. A fact of exactly that name
// wins; otherwise one whose name ends in it serves ("unix.mode" for "mode"), as servers give
// some facts only under their own prefix.
bool MlsdFact(std::string_view facts, std::string_view name, std::string_view& value) {
  for (std::string_view rest = facts; !rest.empty();) {
    const size_t end = rest.find(';');
    const std::string_view fact = rest.substr(0, end);
    if (fact.size() >= name.size() && SameTextAnsi(fact.substr(0, name.size()), name)) {
      value = fact.substr(name.size());
      return true;
    }
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  const size_t pos = FindNoCase(facts, name);
  if (pos == std::string_view::npos)
    return false;
  value = facts.substr(pos + name.size());
  value = value.substr(0, value.find(';'));
  return true;
}

}  // namespace

// --- TFTPListRec ---

void TFTPListRec::Assign(const TFTPListRec& Value) {
  *this = Value;
}

// --- TFTPList ---

TFTPList::TFTPList() : FMasks(kFTPListMasks, kFTPListMasks + kFTPListMaskCount) {
  const char* const* names = SystemShortMonthNames();
  FSystemMonthNames.assign(names, names + 12);
  FCustomMonthNames = FSystemMonthNames;
}

TFTPList::~TFTPList() = default;

TFTPListRec* TFTPList::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    return nullptr;
  return FList[static_cast<size_t>(Index)].get();
}

bool TFTPList::ParseEPLF(const std::string& Value) {
  const std::string_view line = TrimLineEnd(Value);
  if (line.empty() || line[0] != '+')
    return false;
  const size_t tab = line.find('\t');
  if (tab == std::string_view::npos || tab + 1 >= line.size())
    return false;
  auto rec = std::make_unique<TFTPListRec>();
  rec->SetFileName(std::string(line.substr(tab + 1)));
  rec->SetOriginalLine(Value);
  rec->SetMask("EPLF");
  std::string_view facts = line.substr(1, tab - 1);
  while (!facts.empty()) {
    const size_t comma = facts.find(',');
    const std::string_view fact = facts.substr(0, comma);
    facts = comma == std::string_view::npos ? std::string_view() : facts.substr(comma + 1);
    if (fact.empty())
      continue;
    const std::string_view rest = fact.substr(1);
    switch (fact[0]) {
      case '/':
        rec->SetDirectory(true);
        break;
      case 'r':
        rec->SetReadable(true);
        break;
      case 's': {
        const int64_t size = DecimalNumber(rest);
        if (size >= 0)
          rec->SetFileSize(size);
        break;
      }
      case 'm': {
        const int64_t seconds = DecimalNumber(rest);
        if (seconds >= 0 && seconds <= kMaxEplfSeconds)
          rec->SetFileTime(EpochSecondsToDateTime(seconds));
        break;
      }
      default:
        break;
    }
  }
  if (rec->Directory() && IsDotEntry(rec->FileName()))
    return true;
  FList.push_back(std::move(rec));
  return true;
}

void TFTPList::ResetParseFields() {
  for (std::string* field :
       {&Monthnames, &BlockSize, &DirFlagValue, &FileName, &VMSFileName, &Day, &Month, &ThreeMonth,
        &YearTime, &Year, &Hours, &HoursModif, &Minutes, &Seconds, &Size, &Permissions, &DirFlag})
    field->clear();
}

std::string* TFTPList::FieldOf(char MaskChar) {
  switch (MaskChar) {
    case 'n':
      return &FileName;
    case 'v':
      return &VMSFileName;
    case 'p':
      return &Permissions;
    case 'd':
      return &DirFlag;
    case 'S':
      return &Size;
    case 'D':
      return &Day;
    case 'M':
      return &Month;
    case 'T':
      return &ThreeMonth;
    case 'Y':
      return &Year;
    case 'U':
      return &YearTime;
    case 'h':
      return &Hours;
    case 'm':
      return &Minutes;
    case 's':
      return &Seconds;
    case 'H':
      return &HoursModif;
    default:
      return nullptr;
  }
}

bool TFTPList::RepeatField(const std::string& Mask, size_t MaskPos, std::string_view Line,
                           size_t& LinePos) {
  if (MaskPos == 0)
    return false;
  const char previous = Mask[MaskPos - 1];
  std::string* field = FieldOf(previous);
  if (!field)
    return false;
  const size_t start = LinePos;
  if (previous == 'n' || previous == 'v') {
    if (MaskPos + 1 == Mask.size()) {
      LinePos = Line.size();
    } else {
      while (LinePos < Line.size() && Line[LinePos] != ' ')
        ++LinePos;
    }
  } else {
    while (LinePos < Line.size() && IsDigit(Line[LinePos]))
      ++LinePos;
  }
  field->append(Line.substr(start, LinePos - start));
  return true;
}

bool TFTPList::TakeMaskParameter(const std::string& Mask, size_t& MaskPos) {
  if (MaskPos == 0)
    return false;
  const char previous = Mask[MaskPos - 1];
  const size_t start = MaskPos + 1;
  switch (previous) {
    case 'S': {
      size_t end = start;
      while (end < Mask.size() && IsDigit(Mask[end]))
        ++end;
      BlockSize = Mask.substr(start, end - start);
      MaskPos = end - 1;
      return true;
    }
    case 'T':
      Monthnames = Mask.substr(std::min(start, Mask.size()), 36);
      MaskPos = start + Monthnames.size() - 1;
      return true;
    case 'd':
      if (start >= Mask.size())
        return false;
      DirFlagValue = Mask.substr(start, 1);
      MaskPos = start;
      return true;
    default:
      return false;
  }
}

int TFTPList::MatchMask(const std::string& Value, const std::string& NextValue,
                        const std::string& Mask) {
  ResetParseFields();
  // Plain pointers and lengths: this walk runs for every mask on every line.
  const char* mask = Mask.data();
  const size_t maskSize = Mask.size();
  std::string_view lineText = TrimTrailingWhite(Value);
  const char* line = lineText.data();
  size_t lineSize = lineText.size();
  size_t linePos = 0;
  int result = 1;
  for (size_t maskPos = 0; maskPos < maskSize; ++maskPos) {
    const char m = mask[maskPos];
    if (m == kSectionSignAnsi || (m == kSectionSignUtf8[0] && maskPos + 1 < maskSize &&
                                  mask[maskPos + 1] == kSectionSignUtf8[1])) {
      if (linePos < lineSize)
        return 0;
      if (m != kSectionSignAnsi)
        ++maskPos;
      continue;
    }
    switch (m) {
      case '$':
        while (linePos < lineSize && IsBlank(line[linePos]))
          ++linePos;
        continue;
      case '!':
        while (linePos < lineSize && !IsBlank(line[linePos]))
          ++linePos;
        while (linePos < lineSize && IsBlank(line[linePos]))
          ++linePos;
        continue;
      case '\\':
        // A record spread over two lines: the rest of the mask reads the next one.
        if (result == 2)
          return 0;
        lineText = TrimTrailingWhite(NextValue);
        line = lineText.data();
        lineSize = lineText.size();
        linePos = 0;
        result = 2;
        continue;
      case '*':
        if (!RepeatField(Mask, maskPos, lineText, linePos))
          return 0;
        continue;
      case '=':
        if (!TakeMaskParameter(Mask, maskPos))
          return 0;
        continue;
      case 'y':
        if (linePos < lineSize) {
          if (line[linePos] != ' ')
            return 0;
          ++linePos;
        }
        continue;
      default:
        break;
    }
    if (linePos >= lineSize)
      return 0;
    if (std::string* field = FieldOf(m)) {
      // A run of the same field character ("pppppppppp", "SSSSSSSSS") takes as many line
      // characters at once.
      size_t run = 1;
      while (maskPos + run < maskSize && mask[maskPos + run] == m)
        ++run;
      if (linePos + run > lineSize)
        return 0;
      field->append(line + linePos, run);
      linePos += run;
      maskPos += run - 1;
      continue;
    }
    const char c = line[linePos++];
    switch (m) {
      case '.':
        if (c != ' ' && c != '.')
          return 0;
        FileName.push_back('.');
        break;
      case ':':
        if (c != ':')
          return 0;
        break;
      case 'x':
        if (c != ' ')
          return 0;
        break;
      default:
        break;  // any other mask character stands for one character of any kind
    }
  }
  return result;
}

int TFTPList::MonthFromName(std::string_view Name) const {
  for (int i = 0; i < 12; ++i) {
    if (i < static_cast<int>(FCustomMonthNames.size()) && SameTextAnsi(Name, FCustomMonthNames[i]))
      return i + 1;
  }
  for (int i = 0; i < static_cast<int>(FSystemMonthNames.size()); ++i) {
    if (SameTextAnsi(Name, FSystemMonthNames[i]))
      return i + 1;
  }
  for (const auto& table : kFTPListMonthTables) {
    for (int i = 0; i < 12; ++i) {
      if (SameTextAnsi(Name, table[i]))
        return i + 1;
    }
  }
  return 0;
}

bool TFTPList::CheckParseFields() {
  // A record needs a name; one made of blanks is none.
  if (Spaceless(FileName).empty() && Spaceless(VMSFileName).empty())
    return false;
  if (!FileName.empty() && VMSFileName.find_first_of("?*") != std::string::npos)
    return false;
  if (!VMSFileName.empty() && VMSFileName.find(';') == std::string::npos)
    return false;
  if (!PermissionsValid(Permissions))
    return false;
  if (!FieldInRange(Day, 1, 31) || !FieldInRange(Month, 1, 12) || !FieldInRange(Hours, 0, 24) ||
      !FieldInRange(Minutes, 0, 59) || !FieldInRange(Seconds, 0, 59))
    return false;
  if (!HoursModif.empty() && HoursModif != "A" && HoursModif != "P" && HoursModif != "a" &&
      HoursModif != "p")
    return false;
  if (SizeInBytes(Size, BlockSize) < 0)
    return false;
  if (Monthnames.size() == 36) {
    FCustomMonthNames.clear();
    for (size_t i = 0; i < 12; ++i)
      FCustomMonthNames.push_back(Monthnames.substr(i * 3, 3));
  }
  if (!ThreeMonth.empty() && MonthFromName(Spaceless(ThreeMonth)) == 0)
    return false;
  return YearTimeValid(YearTime) && YearValid(Year);
}

void TFTPList::FillRecord(TFTPListRec& Value) {
  const std::string flagValue = DirFlagValue.empty() ? "D" : DirFlagValue;
  bool directory = !DirFlag.empty() && SameTextAnsi(DirFlag, flagValue);
  std::string name = FileName;
  const size_t arrow = name.find(" -> ");
  if (arrow != std::string::npos)
    name.resize(arrow);
  if (!VMSFileName.empty()) {
    name = VMSFileName;
    if (name.find(".DIR;") != std::string::npos)
      directory = true;
  }
  Value.SetFileName(TrimSpacesRight(name));
  bool readable = !directory;
  Value.SetFileSize(std::max<int64_t>(0, SizeInBytes(Size, BlockSize)));
  Value.SetFileTime(RecordTime());
  Value.SetPermission(Permissions);
  if (Permissions.size() >= 2) {
    readable = UpperAnsi(static_cast<unsigned char>(Permissions[1])) == 'R';
    const unsigned char kind = UpperAnsi(static_cast<unsigned char>(Permissions[0]));
    if (kind == 'D') {
      directory = true;
      readable = false;
    } else if (kind == 'L') {
      directory = true;
    }
  }
  Value.SetDirectory(directory);
  Value.SetReadable(readable);
}

double TFTPList::RecordTime() const {
  const double now = FParseNow ? *FParseNow : Now();
  const TListCivilDate today = CivilFromDays(static_cast<int64_t>(std::floor(now)));
  int year = today.year;
  int month = 1;
  int day = 1;
  bool yearGiven = false;
  if (!Day.empty())
    day = static_cast<int>(FieldNumber(Day));
  if (!Month.empty())
    month = static_cast<int>(FieldNumber(Month));
  else if (!ThreeMonth.empty())
    month = MonthFromName(Spaceless(ThreeMonth));
  if (!Year.empty()) {
    year = CalendarYear(Year);
    yearGiven = true;
  }
  int hour = 0, minute = 0, second = 0;
  if (!YearTime.empty()) {
    std::string text(Spaceless(YearTime));
    std::replace(text.begin(), text.end(), '-', ':');
    if (text.find(':') == std::string::npos) {
      year = static_cast<int>(DecimalNumber(text));
      yearGiven = true;
    } else {
      ParseListTimeOfDay(text, hour, minute, second);
    }
  }
  if (!Minutes.empty())
    minute = static_cast<int>(FieldNumber(Minutes));
  if (!Seconds.empty())
    second = static_cast<int>(FieldNumber(Seconds));
  if (!Hours.empty()) {
    hour = static_cast<int>(FieldNumber(Hours));
    const char modifier = HoursModif.empty() ? '\0' : HoursModif[0];
    // "12:xxPM" is past noon already and "12:xxAM" is just past midnight.
    if ((modifier == 'P' || modifier == 'p') && hour != 12)
      hour += 12;
    else if ((modifier == 'A' || modifier == 'a') && hour == 12)
      hour = 0;
  }
  // The fields were checked, but a caller's own masks may leave odd values: keep to a date.
  if (month < 1 || month > 12)
    month = 1;
  if (year < kMinListYear || year > kMaxListYear)
    year = today.year;
  const int64_t seconds = static_cast<int64_t>(hour) * 3600 + minute * 60 + second;
  // A day the month lacks (February 29 of a common year, April 31) is its last day.
  const auto encode = [&](int y) {
    return EncodeListDateTime(y, month, std::clamp(day, 1, DaysInMonth(y, month)), seconds);
  };
  const double stamp = encode(year);
  // A listing that gives no year shows dates of the last twelve months: one that would lie in
  // the future is of the year before (where February 29 may be a day again).
  if (!yearGiven && stamp > now && year > kMinListYear)
    return encode(year - 1);
  return stamp;
}

void TFTPList::Clear() {
  FList.clear();
  FLines.clear();
  FUnparsedLines.clear();
}

int TFTPList::Count() const {
  return static_cast<int>(FList.size());
}

void TFTPList::Assign(const TFTPList& Value) {
  if (&Value == this)
    return;
  FList.clear();
  FList.reserve(Value.FList.size());
  for (const auto& rec : Value.FList)
    FList.push_back(std::make_unique<TFTPListRec>(*rec));
  FLines = Value.FLines;
  FMasks = Value.FMasks;
  FUnparsedLines = Value.FUnparsedLines;
  FCustomMonthNames = Value.FCustomMonthNames;
}

bool TFTPList::ParseLineWithMasks(const std::string& Line, const std::string& NextLine,
                                  const std::vector<size_t>& MinChars, bool& TookNext) {
  TookNext = false;
  const size_t lineChars = TrimTrailingWhite(Line).size();
  for (size_t i = 0; i < FMasks.size(); ++i) {
    // A mask that wants more characters than the line has cannot match it.
    if (lineChars < MinChars[i])
      continue;
    const std::string& mask = FMasks[i];
    const int matched = MatchMask(Line, NextLine, mask);
    if (matched == 0 || !CheckParseFields())
      continue;
    auto rec = std::make_unique<TFTPListRec>();
    FillRecord(*rec);
    rec->SetOriginalLine(Line);
    rec->SetMask(mask);
    TookNext = matched == 2;
    if (!(rec->Directory() && IsDotEntry(rec->FileName())))
      FList.push_back(std::move(rec));
    return true;
  }
  return false;
}

void TFTPList::ParseLines() {
  FList.clear();
  FUnparsedLines.clear();
  // One reading of the clock for the whole listing: every line is judged against the same now.
  const auto heldNow = ScopedValue(FParseNow, std::optional<double>(Now()));
  std::vector<size_t> minChars;
  minChars.reserve(FMasks.size());
  for (const std::string& mask : FMasks)
    minChars.push_back(MinLineChars(mask));
  static const std::string kNoLine;
  for (size_t i = 0; i < FLines.size(); ++i) {
    const std::string& line = FLines[i];
    if (line.size() > static_cast<size_t>(kMaxFtpListLineBytes)) {
      FUnparsedLines.push_back(line);
      continue;
    }
    if (!line.empty() && line[0] == '+' && ParseEPLF(line))
      continue;
    const bool hasNext =
        i + 1 < FLines.size() && FLines[i + 1].size() <= static_cast<size_t>(kMaxFtpListLineBytes);
    bool tookNext = false;
    if (!ParseLineWithMasks(line, hasNext ? FLines[i + 1] : kNoLine, minChars, tookNext)) {
      FUnparsedLines.push_back(line);
      continue;
    }
    if (tookNext)
      ++i;
  }
}

void TFTPList::ParseMLSDLines() {
  FList.clear();
  FUnparsedLines.clear();
  for (const std::string& raw : FLines) {
    if (raw.size() > static_cast<size_t>(kMaxFtpListLineBytes)) {
      FUnparsedLines.push_back(raw);
      continue;
    }
    const std::string_view line = TrimLineEnd(raw);
    // An empty line (the end of the transfer's text) names no file.
    if (line.empty())
      continue;
    std::string_view facts;
    std::string_view name;
    const size_t separator = line.find("; ");
    if (separator != std::string_view::npos) {
      facts = line.substr(0, separator + 1);
      name = line.substr(separator + 2);
    } else if (line[0] == ' ') {
      name = line.substr(1);  // an entry without facts
    } else {
      facts = line;
    }
    auto rec = std::make_unique<TFTPListRec>();
    rec->SetFileName(std::string(name));
    rec->SetOriginalLine(raw);
    std::string_view value;
    rec->SetFileTime(MlsdFact(facts, "modify=", value) ? MlsdTime(value)
                                                       : EncodeListDateTime(1970, 1, 1, 0));
    // "cdir" and "pdir" are the listed folder and its parent: folders as much as "dir".
    if (MlsdFact(facts, "type=", value))
      rec->SetDirectory(SameTextAnsi(value, "dir") || SameTextAnsi(value, "cdir") ||
                        SameTextAnsi(value, "pdir"));
    if (MlsdFact(facts, "size=", value))
      rec->SetFileSize(std::max<int64_t>(0, DecimalNumber(value)));
    if (MlsdFact(facts, "mode=", value))
      rec->SetPermission(std::string(value));
    // The "perm" fact says whether the file may be retrieved; without it, files are taken as
    // readable and folders not, as for the other listings.
    if (MlsdFact(facts, "perm=", value))
      rec->SetReadable(FindNoCase(value, "r") != std::string_view::npos);
    else
      rec->SetReadable(!rec->Directory());
    FList.push_back(std::move(rec));
  }
}

double TFTPList::Now() const {
  const platform::TLocalTime t = platform::LocalNow();
  return EncodeListDateTime(t.year, t.month, t.day, t.hour * 3600 + t.minute * 60 + t.second) +
         t.millisecond / 86400000.0;
}

}  // namespace net
