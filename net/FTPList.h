#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The FTP directory listing parser: the lines a LIST or MLSD transfer brought are turned into
// one record per file. A LIST line is tried as EPLF (when it starts with "+") and then against
// a list of masks, each describing one server family's line layout; the first mask that
// matches and whose fields make sense gives the record.
//
// Everything the parser reads is data from the server. A file name is kept exactly as the
// server sent it (bytes, not converted, "../x" or "C:\x" included) and is never used to open
// anything here; whoever acts on a record decides what a name may mean locally.
namespace net {

// One entry of a parsed listing. FileTime is a local date-time in days since 1899-12-30, the
// fraction being the time of day (the date-time of the whole product).
class TFTPListRec {
 public:
  // Copies every field of Value.
  void Assign(const TFTPListRec& Value);

  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& Value) { FFileName = Value; }
  bool Directory() const { return FDirectory; }
  void SetDirectory(bool Value) { FDirectory = Value; }
  bool Readable() const { return FReadable; }
  void SetReadable(bool Value) { FReadable = Value; }
  int64_t FileSize() const { return FFileSize; }
  void SetFileSize(int64_t Value) { FFileSize = Value; }
  double FileTime() const { return FFileTime; }
  void SetFileTime(double Value) { FFileTime = Value; }
  // The listing line the record was made from.
  const std::string& OriginalLine() const { return FOriginalLine; }
  void SetOriginalLine(const std::string& Value) { FOriginalLine = Value; }
  // The mask that matched the line, or "EPLF".
  const std::string& Mask() const { return FMask; }
  void SetMask(const std::string& Value) { FMask = Value; }
  const std::string& Permission() const { return FPermission; }
  void SetPermission(const std::string& Value) { FPermission = Value; }

 private:
  std::string FFileName;
  bool FDirectory = false;
  bool FReadable = false;
  int64_t FFileSize = 0;
  double FFileTime = 0;
  std::string FOriginalLine;
  std::string FMask;
  std::string FPermission;
};

class TFTPList {
 public:
  TFTPList();
  virtual ~TFTPList();
  TFTPList(const TFTPList&) = delete;
  TFTPList& operator=(const TFTPList&) = delete;

  // The record at Index; nullptr for an index outside 0 .. Count-1.
  virtual TFTPListRec* Items(int Index) const;
  // Tries a line as EPLF; true when it made a record (or was a "." / ".." entry it dropped).
  virtual bool ParseEPLF(const std::string& Value);
  virtual void ResetParseFields();
  // Matches a line (and, for a mask that continues with "\", the line after it) against one
  // mask, collecting the parse fields: 0 no match, 1 matched this line, 2 matched both lines.
  // The line's trailing white space is dropped; mask and line are then walked together, one
  // character each, except where said otherwise:
  //   n file name, v VMS file name, p permissions, d directory flag, S size, D day, M month,
  //   T month name, Y year, U year or time of day, h hour, m minute, s second, H hour
  //   modifier (A/P): the line's character goes to that field;
  //   * repeats the field before it: for n and v up to a space (to the end of the line when
  //     "*" ends the mask), for the others over digits;
  //   $ skips spaces and tabs; ! skips a word and the blanks after it;
  //   . wants a space or "." (the file name gets a "."); : wants ":"; x wants a space;
  //   y wants a space or the end of the line;
  //   = takes a parameter from the mask: after S the digits of a block size, after T 36
  //     characters giving twelve month names, after d the one character that marks a folder;
  //   \ goes on with the next line; the section sign wants the line to end here;
  //   any other character stands for one line character of any kind.
  // A line that ends before the mask does not match; the mask may end before the line.
  virtual int MatchMask(const std::string& Value, const std::string& NextValue,
                        const std::string& Mask);
  // Whether the fields the last match collected make sense.
  virtual bool CheckParseFields();
  // Fills a record from the fields of the last match.
  virtual void FillRecord(TFTPListRec& Value);
  // Drops the records, the listing lines and the unparsed lines (the masks stay).
  virtual void Clear();
  virtual int Count() const;
  // Copies the records, the lines, the masks and the unparsed lines of Value.
  virtual void Assign(const TFTPList& Value);
  // Parses Lines as a LIST listing into records; lines nothing takes go to UnparsedLines.
  virtual void ParseLines();
  // Parses Lines as MLSD lines, one record per line.
  virtual void ParseMLSDLines();

  const std::vector<std::unique_ptr<TFTPListRec>>& List() const { return FList; }
  std::vector<std::string>& Lines() { return FLines; }
  const std::vector<std::string>& Lines() const { return FLines; }
  // The masks in the order they are tried; the 54 built-in ones at construction.
  std::vector<std::string>& Masks() { return FMasks; }
  const std::vector<std::string>& Masks() const { return FMasks; }
  std::vector<std::string>& UnparsedLines() { return FUnparsedLines; }
  const std::vector<std::string>& UnparsedLines() const { return FUnparsedLines; }

 protected:
  // The local date-time now (days since 1899-12-30); dates in the future and the year of
  // listings that give none are judged against it. A virtual so that tests can hold the clock.
  virtual double Now() const;

  std::vector<std::unique_ptr<TFTPListRec>> FList;
  std::vector<std::string> FLines;
  std::vector<std::string> FMasks;
  std::vector<std::string> FUnparsedLines;
  // Month names a mask gave with "T=" (twelve names), or the system's short month names.
  std::vector<std::string> FCustomMonthNames;
  std::vector<std::string> FSystemMonthNames;
  // The clock reading a whole ParseLines judges its lines by; unset outside it.
  std::optional<double> FParseNow;

  // The field a mask character collects into; nullptr for the others.
  std::string* FieldOf(char MaskChar);
  // The "*" at MaskPos: extends the field before it from the line.
  bool RepeatField(const std::string& Mask, size_t MaskPos, std::string_view Line, size_t& LinePos);
  // The "=" at MaskPos: reads its parameter and leaves MaskPos on its last character.
  bool TakeMaskParameter(const std::string& Mask, size_t& MaskPos);
  // 1-12 for a known month name (the custom names first, then the system's and the tables of
  // the server languages), 0 otherwise.
  int MonthFromName(std::string_view Name) const;
  // The record's date-time from the date and time fields of the last match.
  double RecordTime() const;
  // Tries the masks in order; true when one took the line (its record may have been a "." or
  // ".." folder, which is dropped). TookNext tells that the mask read the next line too.
  // MinChars holds, for each mask, the fewest characters a line it matches has.
  bool ParseLineWithMasks(const std::string& Line, const std::string& NextLine,
                          const std::vector<size_t>& MinChars, bool& TookNext);

  // The parse fields of the line being examined.
  std::string Monthnames;
  std::string BlockSize;
  std::string DirFlagValue;
  std::string FileName;
  std::string VMSFileName;
  std::string Day;
  std::string Month;
  std::string ThreeMonth;
  std::string YearTime;
  std::string Year;
  std::string Hours;
  std::string HoursModif;
  std::string Minutes;
  std::string Seconds;
  std::string Size;
  std::string Permissions;
  std::string DirFlag;
};

}  // namespace net
