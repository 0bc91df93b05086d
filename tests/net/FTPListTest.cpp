#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "net/FTPList.h"
#include "net/FTPListMasks.h"

using namespace net;

namespace {

// The date-time of a civil date and time, worked out by the C library rather than by the
// parser's own calendar code.
// Days from 1970-01-01 to a date of the proleptic Gregorian calendar, for any year: the C
// library's UTC conversion of the Windows build refuses dates before 1970.
int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

double DateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  const int64_t seconds =
      DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return static_cast<double>(seconds) / 86400.0 + 25569.0;
}

// A listing parser whose clock is held, so that the year of dates without one is known.
class THeldClockList : public TFTPList {
 public:
  explicit THeldClockList(double now = DateTime(2026, 6, 15, 12, 0, 0)) : now_(now) {}

 protected:
  double Now() const override { return now_; }

 private:
  double now_;
};

// The 1-based number of a built-in mask, for telling which family took a line.
int MaskNumber(const std::string& mask) {
  for (size_t i = 0; i < kFTPListMaskCount; ++i) {
    if (mask == kFTPListMasks[i])
      return static_cast<int>(i) + 1;
  }
  return mask == "EPLF" ? 0 : -1;
}

struct TExpectedRecord {
  const char* name;
  bool directory;
  bool readable;
  int64_t size;
  double time;
  int mask;  // number of the built-in mask that must take the line (0 for EPLF)
};

struct TListingCase {
  const char* what;
  std::vector<std::string> lines;
  TExpectedRecord expected;
};

void ExpectRecord(const TFTPListRec& rec, const TExpectedRecord& e, const std::string& what) {
  EXPECT_EQ(rec.FileName(), e.name) << what;
  EXPECT_EQ(rec.Directory(), e.directory) << what;
  EXPECT_EQ(rec.Readable(), e.readable) << what;
  EXPECT_EQ(rec.FileSize(), e.size) << what;
  EXPECT_NEAR(rec.FileTime(), e.time, 0.5 / 86400) << what;
  EXPECT_EQ(MaskNumber(rec.Mask()), e.mask) << what << ": mask " << rec.Mask();
}

}  // namespace

TEST(FTPList, BuiltInMasksAreTheFiftyFourInTheirOrder) {
  TFTPList list;
  ASSERT_EQ(list.Masks().size(), 54u);
  EXPECT_EQ(list.Masks()[0], "pppppppppp $!!!S*$TTT$DD$hh:mm:ss$YYYY$n*");
  EXPECT_EQ(list.Masks()[17], "v*\\$!DD TTT YYYY hh mm ss");
  EXPECT_EQ(list.Masks()[51], "n*\xC2\xA7");
  EXPECT_EQ(list.Masks()[53], list.Masks()[49]);  // listed twice, as 50 and 54
  EXPECT_EQ(list.Masks()[20], list.Masks()[18]);  // and as 19 and 21
}

// One line (or two, for VMS) of every family the masks cover, each giving one record. The
// clock stands at 2026-06-15 12:00.
TEST(FTPList, ParsesALineOfEveryFamily) {
  const TListingCase cases[] = {
      {"unix with a time",
       {"-rw-r--r--   1 user group 1234 Jan 15 10:30 file.txt"},
       {"file.txt", false, true, 1234, DateTime(2026, 1, 15, 10, 30), 3}},
      {"unix with a year, a folder",
       {"drwxr-xr-x   2 user group 4096 Mar  3  2021 sub"},
       {"sub", true, false, 4096, DateTime(2021, 3, 3), 3}},
      {"unix with seconds and year",
       {"-rw-r--r-- 1 user group 99 Feb 03 04:05:06 2020 full.bin"},
       {"full.bin", false, true, 99, DateTime(2020, 2, 3, 4, 5, 6), 1}},
      {"unix, day before month",
       {"-rw-r--r-- 1 user group 5 15 Jan 10:30 dayfirst"},
       {"dayfirst", false, true, 5, DateTime(2026, 1, 15, 10, 30), 4}},
      {"unix without a group",
       {"-rw-r--r-- 1 owner 77 Jan 15  2019 nogroup"},
       {"nogroup", false, true, 77, DateTime(2019, 1, 15), 5}},
      {"unix with only the size after the links",
       {"-rw-r--r-- 1 88 Jan 15  2019 onlylinks"},
       {"onlylinks", false, true, 88, DateTime(2019, 1, 15), 6}},
      {"unix name with spaces",
       {"-rw-r--r--   1 user group 10 Jan 15 10:30 my file  two.txt"},
       {"my file  two.txt", false, true, 10, DateTime(2026, 1, 15, 10, 30), 3}},
      {"unix symbolic link: the name before the arrow, taken as a folder",
       {"lrwxrwxrwx   1 user group 7 Jan 15 10:30 link -> target"},
       {"link", true, true, 7, DateTime(2026, 1, 15, 10, 30), 3}},
      {"unix, not readable by the owner",
       {"--w-------   1 user group 3 Jan 15 10:30 secret"},
       {"secret", false, false, 3, DateTime(2026, 1, 15, 10, 30), 3}},
      {"unix with seven permission letters",
       {"-rw-r-- 1 user group 12 Jan 15 2018 seven"},
       {"seven", false, true, 12, DateTime(2018, 1, 15), 44}},
      {"unix with a sticky bit without execute",
       {"drwxrwx--T   2 user group 4096 Jan 15 10:30 shared"},
       {"shared", true, false, 4096, DateTime(2026, 1, 15, 10, 30), 3}},
      {"unix with a French month name in the ANSI code page",
       {"-rw-r--r-- 1 user group 1 f\xE9v 15 2017 fevrier"},
       {"fevrier", false, true, 1, DateTime(2017, 2, 15), 3}},
      {"unix with a German month name",
       {"-rw-r--r-- 1 user group 1 Okt 15 2017 oktober"},
       {"oktober", false, true, 1, DateTime(2017, 10, 15), 3}},
      {"unix with a Czech month name",
       {"-rw-r--r-- 1 user group 1 \xD8\xEDj 15 2017 rijen"},
       {"rijen", false, true, 1, DateTime(2017, 10, 15), 3}},
      {"Netware folder",
       {"d [R----F--] supervisor            512       Jan 16 18:53    login"},
       {"login", true, false, 512, DateTime(2026, 1, 16, 18, 53), 7}},
      {"Netware file",
       {"- [R----F--] rhesus             214059       Oct 20  2015    cx.exe"},
       {"cx.exe", false, true, 214059, DateTime(2015, 10, 20), 7}},
      {"MS-DOS file, two-digit year",
       {"01-15-24  10:30AM                 1234 file.txt"},
       {"file.txt", false, true, 1234, DateTime(2024, 1, 15, 10, 30), 8}},
      {"MS-DOS folder",
       {"01-15-24  10:30PM       <DIR>          subdir"},
       {"subdir", true, false, 0, DateTime(2024, 1, 15, 22, 30), 9}},
      {"IIS file, four-digit year, just past midnight",
       {"12-31-2023  12:05AM                    5 y.txt"},
       {"y.txt", false, true, 5, DateTime(2023, 12, 31, 0, 5), 10}},
      {"IIS folder, noon",
       {"12-31-2023  12:05PM       <DIR>          noon"},
       {"noon", true, false, 0, DateTime(2023, 12, 31, 12, 5), 11}},
      {"MS-DOS, 1999",
       {"07-04-99  01:00PM                   42 old.doc"},
       {"old.doc", false, true, 42, DateTime(1999, 7, 4, 13, 0), 8}},
      {"VMS file on one line",
       {"FILE.TXT;1    5/6  15-JAN-2024 10:30:00 [GROUP,OWNER] (RWED,RWED,RE,)"},
       {"FILE.TXT;1", false, true, 0, DateTime(2024, 1, 15, 10, 30), 17}},
      {"VMS folder on one line",
       {"SUB.DIR;1  1/3  2-FEB-2024 08:00:00 [G,O] (RWE,RWE,RE,E)"},
       {"SUB.DIR;1", true, false, 0, DateTime(2024, 2, 2, 8, 0), 19}},
      {"VMS file across two lines",
       {"VERYLONGFILENAME_WITH_MORE_OF_IT.TXT;12",
        "    9/12  15-JAN-2024 10:30:45 [GROUP,OWNER] (RWED,RWED,RE,)"},
       {"VERYLONGFILENAME_WITH_MORE_OF_IT.TXT;12", false, true, 0,
        DateTime(2024, 1, 15, 10, 30, 45), 18}},
      {"VMS with a one-digit day across two lines",
       {"ANOTHERVERYLONGNAME_FOR_THE_LISTING.DAT;3",
        "    9/12  5-MAR-2024 10:30:45 [GROUP,OWNER] (RWED,RWED,RE,)"},
       {"ANOTHERVERYLONGNAME_FOR_THE_LISTING.DAT;3", false, true, 0,
        DateTime(2024, 3, 5, 10, 30, 45), 20}},
      {"EPLF file",
       {"+i8388621.48594,m825718503,r,s280,\tdjb.html"},
       {"djb.html", false, true, 280, DateTime(1996, 3, 1, 22, 15, 3), 0}},
      {"EPLF folder",
       {"+i8388621.50690,m824255907,/,\t514"},
       {"514", true, false, 0, DateTime(1996, 2, 13, 23, 58, 27), 0}},
      {"a bare name", {"README"}, {"README", false, true, 0, DateTime(2026, 1, 1), 52}},
  };
  for (const auto& c : cases) {
    THeldClockList list;
    list.Lines() = c.lines;
    list.ParseLines();
    ASSERT_EQ(list.Count(), 1) << c.what;
    EXPECT_TRUE(list.UnparsedLines().empty()) << c.what << ": " << list.UnparsedLines()[0];
    ExpectRecord(*list.Items(0), c.expected, c.what);
    EXPECT_EQ(list.Items(0)->OriginalLine(), c.lines[0]) << c.what;
  }
}

TEST(FTPList, UnixExampleKeepsItsPermissionText) {
  THeldClockList list;
  list.Lines() = {"-rw-r--r--   1 user group 1234 Jan 15 10:30 file.txt"};
  list.ParseLines();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0)->Permission(), "-rw-r--r--");
  EXPECT_EQ(list.Items(0)->Mask(), kFTPListMasks[2]);
}

// A date without a year lies in the twelve months before now: one that would be in the
// future is of the year before.
TEST(FTPList, DatesWithoutAYearNeverLieInTheFuture) {
  struct {
    double now;
    const char* date;
    double expected;
  } cases[] = {
      {DateTime(2026, 6, 15, 12, 0), "Jun 15 11:59", DateTime(2026, 6, 15, 11, 59)},
      {DateTime(2026, 6, 15, 12, 0), "Jun 15 12:00", DateTime(2026, 6, 15, 12, 0)},
      {DateTime(2026, 6, 15, 12, 0), "Jun 15 12:01", DateTime(2025, 6, 15, 12, 1)},
      {DateTime(2026, 6, 15, 12, 0), "Dec 31 23:59", DateTime(2025, 12, 31, 23, 59)},
      {DateTime(2026, 1, 1, 0, 0), "Jan  1 00:01", DateTime(2025, 1, 1, 0, 1)},
      // February 29 of a common year is the 28th; a step back to a leap year finds the 29th.
      {DateTime(2026, 6, 15, 12, 0), "Feb 29 10:00", DateTime(2026, 2, 28, 10, 0)},
      {DateTime(2025, 1, 10, 12, 0), "Feb 29 10:00", DateTime(2024, 2, 29, 10, 0)},
      {DateTime(2024, 3, 1, 12, 0), "Feb 29 10:00", DateTime(2024, 2, 29, 10, 0)},
      // A day the month lacks is its last one.
      {DateTime(2026, 6, 15, 12, 0), "Apr 31 10:00", DateTime(2026, 4, 30, 10, 0)},
      // A year given is never moved.
      {DateTime(2026, 6, 15, 12, 0), "Dec 31  2026", DateTime(2026, 12, 31)},
      {DateTime(2026, 6, 15, 12, 0), "Feb 29  2024", DateTime(2024, 2, 29)},
  };
  for (const auto& c : cases) {
    THeldClockList list(c.now);
    list.Lines() = {std::string("-rw-r--r--   1 user group 1 ") + c.date + " f"};
    list.ParseLines();
    ASSERT_EQ(list.Count(), 1) << c.date;
    EXPECT_NEAR(list.Items(0)->FileTime(), c.expected, 0.5 / 86400) << c.date;
  }
}

TEST(FTPList, DotFoldersAreDroppedAndUnparsedLinesKept) {
  THeldClockList list;
  list.Lines() = {
      "total 12",
      "drwxr-xr-x   2 user group 4096 Jan 15 10:30 .",
      "drwxr-xr-x   9 user group 4096 Jan 15 10:30 ..",
      "-rw-r--r--   1 user group    3 Jan 15 10:30 ..",  // a file of that name is kept
      "+i1.2,m825718503,/,\t.",
      "+i1.2,m825718503,/,\t..",
      "01-15-24  10:30AM       <DIR>          .",
      "-rw-r--r--   1 user group    4 Jan 15 10:30 kept.txt",
      "",
      "this line is no listing entry",
  };
  list.ParseLines();
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0)->FileName(), "..");
  EXPECT_FALSE(list.Items(0)->Directory());
  EXPECT_EQ(list.Items(1)->FileName(), "kept.txt");
  EXPECT_EQ(list.UnparsedLines(),
            (std::vector<std::string>{"total 12", "", "this line is no listing entry"}));
}

TEST(FTPList, AMixedListingKeepsItsOrderAndTakesTwoLineEntriesWhole) {
  THeldClockList list;
  list.Lines() = {
      "SHORT.TXT;1    5/6  15-JAN-2024 10:30:00 [GROUP,OWNER] (RWED,RWED,RE,)",
      "VERYLONGFILENAME_WITH_MORE_OF_IT.TXT;12",
      "    9/12  15-JAN-2024 10:30:45 [GROUP,OWNER] (RWED,RWED,RE,)",
      "Total of 2 files, 15/18 blocks.",
  };
  list.ParseLines();
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0)->FileName(), "SHORT.TXT;1");
  EXPECT_EQ(list.Items(1)->FileName(), "VERYLONGFILENAME_WITH_MORE_OF_IT.TXT;12");
  EXPECT_EQ(list.UnparsedLines(), (std::vector<std::string>{"Total of 2 files, 15/18 blocks."}));
}

// The mask language's parameters and rules, each on a mask of the caller's own.
TEST(FTPList, CallerMasksUseTheWholeMaskLanguage) {
  struct {
    const char* mask;
    const char* line;
    bool matches;
    const char* name;
    bool directory;
    int64_t size;
    double time;
  } cases[] = {
      {"SSS=512 n*", "010 blocks.dat", true, "blocks.dat", false, 5120, DateTime(2026, 1, 1)},
      {"d=X n*", "X folder", true, "folder", true, 0, DateTime(2026, 1, 1)},
      {"d=X n*", "x lower", true, "lower", true, 0, DateTime(2026, 1, 1)},
      {"d=X n*", "- plain", true, "plain", false, 0, DateTime(2026, 1, 1)},
      {"DD TTT=JANFEVMARABRMAIJUNJULAGOSETOUTNOVDEZ YYYY n*", "05 ABR 2020 abril", true, "abril",
       false, 0, DateTime(2020, 4, 5)},
      {"nnnnnnnn.nnn", "FILE     TXT", true, "FILE    .TXT", false, 0, DateTime(2026, 1, 1)},
      {"nnnnnnnn.nnn", "FILE    -TXT", false, "", false, 0, 0},
      {"n:n*", "a:b", true, "ab", false, 0, DateTime(2026, 1, 1)},
      {"n:n*", "a;b", false, "", false, 0, 0},
      {"n*xn*", "a b", true, "ab", false, 0, DateTime(2026, 1, 1)},
      {"n*yn*", "a b", true, "ab", false, 0, DateTime(2026, 1, 1)},
      {"n*$!n*", "first  skipped  last", true, "firstlast", false, 0, DateTime(2026, 1, 1)},
      {"n*\xC2\xA7", "one two", false, "", false, 0, 0},
      {"n*\xA7", "single", true, "single", false, 0, DateTime(2026, 1, 1)},
      {"YYYY n*", "110  f", true, "f", false, 0, DateTime(2010, 1, 1)},
      {"YY n*", "51 f", true, "f", false, 0, DateTime(1951, 1, 1)},
      {"YY n*", "50 f", true, "f", false, 0, DateTime(2050, 1, 1)},
      {"YY n*", "00 f", true, "f", false, 0, DateTime(2000, 1, 1)},
      {"YYYY n*", "1900 f", false, "", false, 0, 0},
      {"YYYY n*", "2100 f", false, "", false, 0, 0},
      {"YYYY n*", "1901 f", true, "f", false, 0, DateTime(1901, 1, 1)},
      {"UUUU n*", "1900 f", true, "f", false, 0, DateTime(1900, 1, 1)},
      {"UUUUU n*", "10-30 f", true, "f", false, 0, DateTime(2026, 1, 1, 10, 30)},
      {"hh mm n*", "24 00 f", true, "f", false, 0, DateTime(2026, 1, 2)},
      {"hh mm n*", "25 00 f", false, "", false, 0, 0},
      {"MM DD n*", "02 29 f", true, "f", false, 0, DateTime(2026, 2, 28)},
      {"n*$S*", "name 0012", true, "name", false, 12, DateTime(2026, 1, 1)},
      {"SSSS n*", "  12 blank", true, "blank", false, 12, DateTime(2026, 1, 1)},
      {"S* n*", "x12 f", false, "", false, 0, 0},
      {"*n", "ab", false, "", false, 0, 0},
      {"n=", "ab", false, "", false, 0, 0},
  };
  for (const auto& c : cases) {
    THeldClockList list;
    list.Masks() = {c.mask};
    list.Lines() = {c.line};
    list.ParseLines();
    if (!c.matches) {
      EXPECT_EQ(list.Count(), 0) << c.mask << " / " << c.line;
      continue;
    }
    ASSERT_EQ(list.Count(), 1) << c.mask << " / " << c.line;
    const TFTPListRec& rec = *list.Items(0);
    EXPECT_EQ(rec.FileName(), c.name) << c.mask;
    EXPECT_EQ(rec.Directory(), c.directory) << c.mask;
    EXPECT_EQ(rec.FileSize(), c.size) << c.mask;
    EXPECT_NEAR(rec.FileTime(), c.time, 0.5 / 86400) << c.mask << " / " << c.line;
  }
}

TEST(FTPList, MatchMaskTellsHowManyLinesItTook) {
  THeldClockList list;
  EXPECT_EQ(list.MatchMask("abc", "", "n*"), 1);
  EXPECT_EQ(list.MatchMask("abc  \t\r", "", "n*\xC2\xA7"), 1);  // trailing blanks dropped
  EXPECT_EQ(list.MatchMask("abc", "def", "n*\\n*"), 2);
  EXPECT_EQ(list.MatchMask("abc", "", "n*\\x"), 0);  // no next line to go on with
  EXPECT_EQ(list.MatchMask("abc", "def", "n*\\n*\\n*"), 0);
  EXPECT_EQ(list.MatchMask("ab", "", "nnn"), 0);  // the line ended before the mask
  EXPECT_EQ(list.MatchMask("abcd", "", "nnn"), 1);
}

TEST(FTPList, CheckParseFieldsRefusesFieldsThatMakeNoSense) {
  struct {
    const char* mask;
    const char* line;
    bool accepted;
  } cases[] = {
      {"pppppppppp n*", "-rw-r--r-- f", true},
      {"pppppppppp n*", "-rw-r--r-Q f", false},  // not a mode letter
      {"pppppppp n*", "-rw-r--r f", false},      // eight letters
      {"DD n*", "00 f", false},
      {"DD n*", "32 f", false},
      {"DD n*", "31 f", true},
      {"MM n*", "13 f", false},
      {"MM n*", "00 f", false},
      {"mm n*", "60 f", false},
      {"ss n*", "60 f", false},
      {"hhH n*", "10X f", false},
      {"hhH n*", "10p f", true},
      {"TTT n*", "Foo f", false},
      {"TTT n*", "DEC f", true},
      {"v*", "NAME.TXT", false},  // a VMS name carries its version after ";"
      {"v*", "NAME.TXT;1", true},
      {"n* v*", "name A*B;1", false},  // a wildcard VMS name beside a file name
      {"nnnn S*", "     12", false},   // a name of blanks is none
      {"S* n*", "99999999999999999999 f", false},
      {"SSSSSSSSSSSSSSSS=1024 n*", "9007199254740993 f", false},  // fits alone, not times the block
  };
  for (const auto& c : cases) {
    THeldClockList list;
    ASSERT_GT(list.MatchMask(c.line, "", c.mask), 0) << c.mask << " / " << c.line;
    EXPECT_EQ(list.CheckParseFields(), c.accepted) << c.mask << " / " << c.line;
  }
}

TEST(FTPList, ItemsClearAndAssign) {
  THeldClockList list;
  list.Lines() = {"-rw-r--r--   1 user group 1234 Jan 15 10:30 file.txt", "total 1"};
  list.Masks().push_back("n* extra");
  list.ParseLines();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(1), nullptr);
  EXPECT_EQ(list.Items(-1), nullptr);

  TFTPList copy;
  copy.Assign(list);
  ASSERT_EQ(copy.Count(), 1);
  EXPECT_NE(copy.Items(0), list.Items(0));  // records are copied, not shared
  EXPECT_EQ(copy.Items(0)->FileName(), "file.txt");
  EXPECT_EQ(copy.Lines(), list.Lines());
  EXPECT_EQ(copy.UnparsedLines(), list.UnparsedLines());
  EXPECT_EQ(copy.Masks().size(), 55u);

  TFTPListRec rec;
  rec.Assign(*list.Items(0));
  EXPECT_EQ(rec.OriginalLine(), list.Lines()[0]);
  EXPECT_EQ(rec.Permission(), "-rw-r--r--");

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.Lines().empty());
  EXPECT_TRUE(list.UnparsedLines().empty());
  EXPECT_EQ(list.Masks().size(), 55u);  // the masks stay
  EXPECT_EQ(copy.Count(), 1);
}

TEST(FTPList, ParsingAgainStartsAfresh) {
  THeldClockList list;
  list.Lines() = {"-rw-r--r--   1 user group 1 Jan 15 10:30 a", "junk line here"};
  list.ParseLines();
  list.ParseLines();
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.UnparsedLines().size(), 1u);
}

TEST(FTPListMLSD, FactsGiveTheRecord) {
  struct {
    const char* line;
    const char* name;
    bool directory;
    bool readable;
    int64_t size;
    double time;
    const char* permission;
  } cases[] = {
      {"type=dir;modify=20240102030405;size=0; sub", "sub", true, false, 0,
       DateTime(2024, 1, 2, 3, 4, 5), ""},
      {"type=file;size=1234;modify=20231231235959.123;perm=r;unix.mode=0644; file name.txt",
       "file name.txt", false, true, 1234, DateTime(2023, 12, 31, 23, 59, 59), "0644"},
      {"Type=CDIR;Modify=20240102030405; .", ".", true, false, 0, DateTime(2024, 1, 2, 3, 4, 5),
       ""},
      {"type=pdir;modify=20240102030405; ..", "..", true, false, 0, DateTime(2024, 1, 2, 3, 4, 5),
       ""},
      {"type=file;perm=adfw;size=5; upload-only", "upload-only", false, false, 5,
       DateTime(1970, 1, 1), ""},
      {"type=file;size=5;mode=-rw-r--r--; semi; colon", "semi; colon", false, true, 5,
       DateTime(1970, 1, 1), "-rw-r--r--"},
      {"type=file;modify=2024; year-only", "year-only", false, true, 0, DateTime(2024, 1, 1), ""},
      {"type=file;modify=20241301000000; month-13", "month-13", false, true, 0,
       DateTime(1970, 1, 1), ""},
      {"type=file;modify=20240230000000; feb-30", "feb-30", false, true, 0, DateTime(1970, 1, 1),
       ""},
      {"type=file;modify=2024x102030405; letters", "letters", false, true, 0, DateTime(1970, 1, 1),
       ""},
      {"type=file;size=99999999999999999999999; huge", "huge", false, true, 0, DateTime(1970, 1, 1),
       ""},
      {"type=file;size=-5; negative", "negative", false, true, 0, DateTime(1970, 1, 1), ""},
      {"media-type=text/plain;type=dir; typed", "typed", true, false, 0, DateTime(1970, 1, 1), ""},
      {" no-facts", "no-facts", false, true, 0, DateTime(1970, 1, 1), ""},
      {"type=file;size=3; ../../etc/passwd", "../../etc/passwd", false, true, 3,
       DateTime(1970, 1, 1), ""},
  };
  for (const auto& c : cases) {
    TFTPList list;
    list.Lines() = {c.line};
    list.ParseMLSDLines();
    ASSERT_EQ(list.Count(), 1) << c.line;
    const TFTPListRec& rec = *list.Items(0);
    EXPECT_EQ(rec.FileName(), c.name) << c.line;
    EXPECT_EQ(rec.Directory(), c.directory) << c.line;
    EXPECT_EQ(rec.Readable(), c.readable) << c.line;
    EXPECT_EQ(rec.FileSize(), c.size) << c.line;
    EXPECT_NEAR(rec.FileTime(), c.time, 0.5 / 86400) << c.line;
    EXPECT_EQ(rec.Permission(), c.permission) << c.line;
    EXPECT_EQ(rec.OriginalLine(), c.line);
  }
}

TEST(FTPListMLSD, EveryLineGivesARecordInOrder) {
  TFTPList list;
  list.Lines() = {"type=file;size=1; b", "type=file;size=2; a", "garbage without facts", ""};
  list.ParseMLSDLines();
  ASSERT_EQ(list.Count(), 3);  // the empty line at the end names nothing
  EXPECT_EQ(list.Items(0)->FileName(), "b");
  EXPECT_EQ(list.Items(1)->FileName(), "a");
  EXPECT_EQ(list.Items(2)->FileName(), "");
}
