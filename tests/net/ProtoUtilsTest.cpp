#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/ProtoUtils.h"

using namespace net;

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string result;
  for (int v : values) {
    result.push_back(static_cast<char>(v));
  }
  return result;
}

}  // namespace

TEST(ProtoTicks, SpanSurvivesWrapAndBackwardReadings) {
  struct {
    uint32_t oldTick, newTick, expected;
  } cases[] = {
      {0xFFFFFFFFu - 255, 256, 512},  // 256 below the wrap point to 256 after it
      {100, 50, 50},                  // a reading that went backwards
      {1234, 1234, 0},
      {10, 1010, 1000},
      {0x7FFFFFF0u, 0x80000010u, 0x20},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TickSpan(c.oldTick, c.newTick), c.expected) << c.oldTick << " -> " << c.newTick;
  }
}

TEST(ProtoTicks, TickNowAdvancesWithSleep) {
  const uint32_t start = TickNow();
  Sleep(30);
  const uint32_t span = TickSpan(start, TickNow());
  EXPECT_GE(span, 25u);
  EXPECT_LT(span, 5000u);
}

TEST(ProtoText, DelimiterHelpers) {
  EXPECT_EQ(TextBefore("abc", ":"), "abc");
  EXPECT_EQ(TextAfter("abc", ":"), "abc");
  EXPECT_EQ(TextBefore("a:b:c", ":"), "a");
  EXPECT_EQ(TextAfter("a::b", "::"), "b");

  std::string value = "abc";
  EXPECT_EQ(CutFieldRaw(value, ":"), "abc");
  EXPECT_EQ(value, "");  // absence means nothing remains
  value = " key : value ";
  EXPECT_EQ(CutField(value, ":"), "key");
  EXPECT_EQ(value, "value");
  value = "\tx ";
  EXPECT_EQ(TrimSpaces(value), "\tx");  // tabs stay
  EXPECT_EQ(TrimSpacesLeft("  a "), "a ");
  EXPECT_EQ(TrimSpacesRight("  a "), "  a");
}

TEST(ProtoText, ReplaceAllDoesNotRescanInsertedText) {
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("a::b::c", "::", ":0:"), "a:0:b:0:c");
  EXPECT_EQ(ReplaceAll("", "a", "b"), "");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

TEST(ProtoText, PositionsAreOneBased) {
  EXPECT_EQ(LastPos("ab", "xabyab"), 5);
  EXPECT_EQ(LastPosBefore("ab", "xabyab", 5), 2);
  EXPECT_EQ(LastPos("zz", "xab"), 0);
  EXPECT_EQ(CountChar("a:b:c", ':'), 2);

  std::string lineBreak;
  EXPECT_EQ(FindLineBreak("ab\r\ncd", lineBreak), 3);
  EXPECT_EQ(lineBreak, "\r\n");
  EXPECT_EQ(FindLineBreak("ab\n\rcd", lineBreak), 3);
  EXPECT_EQ(lineBreak, "\n\r");
  EXPECT_EQ(FindLineBreak("ab\r", lineBreak), 3);
  EXPECT_EQ(lineBreak, "\r");
  EXPECT_EQ(FindLineBreak("a\nb", lineBreak), 2);
  EXPECT_EQ(lineBreak, "\n");
  EXPECT_EQ(FindLineBreak("abc", lineBreak), -1);
}

TEST(ProtoText, UnfoldHeaderLineJoinsContinuations) {
  const std::vector<std::string> lines = {"A: 1", "\tmore", "B: 2", "C: x", " \"y\"", ""};
  int index = 0;
  EXPECT_EQ(UnfoldHeaderLine(lines, index), "A: 1 more");
  EXPECT_EQ(index, 2);
  EXPECT_EQ(UnfoldHeaderLine(lines, index), "B: 2");
  EXPECT_EQ(UnfoldHeaderLine(lines, index), "C: x \"y\"");
  EXPECT_EQ(index, 5);
  EXPECT_EQ(UnfoldHeaderLine(lines, index), "");

  // The last line closes the block and is never a continuation.
  const std::vector<std::string> tail = {"A: 1", " last"};
  index = 0;
  EXPECT_EQ(UnfoldHeaderLine(tail, index), "A: 1");
  EXPECT_EQ(index, 1);
}

TEST(ProtoText, PercentDecode) {
  struct {
    std::string in, out;
  } cases[] = {
      {"a%41b", "aAb"},
      {"a%4", "a"},      // an escape cut short by the end is dropped
      {"%zz1", "%zz1"},  // a malformed escape is copied
      {"a%", "a"},
      {"%e9t%C3%A9", "\xe9t\xc3\xa9"},
      {"a%\r\nb", "ab"},  // soft line break
      {"a%\n\rb", "ab"},
      {"a%\nxb", "axb"},
      {"%00z", std::string("\0z", 2)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PercentDecode(c.in), c.out) << c.in;
  }
}

TEST(ProtoText, Base64Encode) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("f"), "Zg==");
  EXPECT_EQ(Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(Base64Encode("foo"), "Zm9v");
  EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64Encode("user:pa:ss"), "dXNlcjpwYTpzcw==");
  EXPECT_EQ(Base64Encode(Bytes({0xFF, 0xFE, 0x00})), "//4A");
}

TEST(ProtoUrl, SplitUrlCases) {
  struct {
    std::string url, protocol, user, password, host, port, path, parameters, target;
  } cases[] = {
      {"http://host/dir/file.zip", "http", "", "", "host", "80", "/dir/file.zip", "",
       "/dir/file.zip"},
      {"https://us:p:w@h:8443/a?x=1", "https", "us", "p:w", "h", "8443", "/a", "x=1", "/a?x=1"},
      {"host", "http", "", "", "host", "80", "/", "", "/"},
      {"http://", "http", "", "", "localhost", "80", "/", "", "/"},
      {"ftp://[::1]/f", "ftp", "", "", "::1", "21", "/f", "", "/f"},
      {"http://[::1]:8080/", "http", "", "", "::1", "8080", "/", "", "/"},
      {"http://h/p@q", "http", "", "", "h", "80", "/p@q", "", "/p@q"},
      {"HTTPS://H/x", "HTTPS", "", "", "H", "443", "/x", "", "/x"},
      {"http://u@h/", "http", "u", "", "h", "80", "/", "", "/"},
      {"http://a%40b:c%3Ad@h/", "http", "a%40b", "c%3Ad", "h", "80", "/", "", "/"},
      {"http://h/a?b?c#f", "http", "", "", "h", "80", "/a", "b?c#f", "/a?b?c#f"},
      {"http://h:81", "http", "", "", "h", "81", "/", "", "/"},
  };
  for (const auto& c : cases) {
    std::string protocol, user, password, host, port, path, parameters;
    const std::string target =
        SplitUrl(c.url, protocol, user, password, host, port, path, parameters);
    EXPECT_EQ(protocol, c.protocol) << c.url;
    EXPECT_EQ(user, c.user) << c.url;
    EXPECT_EQ(password, c.password) << c.url;
    EXPECT_EQ(host, c.host) << c.url;
    EXPECT_EQ(port, c.port) << c.url;
    EXPECT_EQ(path, c.path) << c.url;
    EXPECT_EQ(parameters, c.parameters) << c.url;
    EXPECT_EQ(target, c.target) << c.url;
  }
}

TEST(ProtoBytes, PackersAreBigEndian) {
  EXPECT_EQ(Word16ToBytes(0x1234), Bytes({0x12, 0x34}));
  EXPECT_EQ(Int32ToBytes(0x01020304), Bytes({1, 2, 3, 4}));
  EXPECT_EQ(Int32ToBytes(-1), Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(SwapInt32(0x01020304), 0x04030201);
  EXPECT_EQ(BytesToWord16(Bytes({0x12, 0x34, 0x56}), 1), 0x1234);
  EXPECT_EQ(BytesToWord16(Bytes({0x12, 0x34, 0x56}), 2), 0x3456);
  // A value cut short by the end of the bytes reads as 0 rather than as half a value.
  EXPECT_EQ(BytesToWord16(Bytes({0x12, 0x34, 0x56}), 3), 0);
  EXPECT_EQ(BytesToWord16(Bytes({0x12}), 5), 0);
}

TEST(ProtoBytes, ReadAndWriteBytesOnStreams) {
  TMemoryStream stream;
  WriteBytes(stream, "hello");
  WriteBytes(stream, std::string("\0x", 2));
  EXPECT_EQ(stream.Size(), 7);
  stream.SetPosition(1);
  EXPECT_EQ(ReadBytes(stream, 3), "ell");
  EXPECT_EQ(ReadBytes(stream, 100), std::string("o\0x", 3));  // only what is there
  EXPECT_EQ(ReadBytes(stream, 10), "");
  stream.SetPosition(2);
  WriteBytes(stream, "LL");
  EXPECT_EQ(stream.Data(), std::string("heLLo\0x", 7));
}

TEST(ProtoAddress, IPv4Recogniser) {
  for (const char* yes : {"1.2.3.4", " 1.2.3.4", "0.0.0.0", "255.255.255.255", "127.0.0.1"}) {
    EXPECT_TRUE(IsIPv4Literal(yes)) << yes;
  }
  for (const char* no : {"1.2.3", "1.2.3.4.5", "1.2.3.256", "a.b.c.d", "1..3.4", "", "1.2.3.-4"}) {
    EXPECT_FALSE(IsIPv4Literal(no)) << no;
  }
  EXPECT_EQ(IPv4ToBytes("10.0.255.1"), Bytes({10, 0, 255, 1}));
  EXPECT_EQ(IPv4ToBytes("x.1.2.3"), Bytes({0, 1, 2, 3}));
  EXPECT_EQ(IPv4ToBytes("300.0.0.1"), Bytes({44, 0, 0, 1}));  // stored as one byte
  EXPECT_TRUE(IsIPv4Literal("001.002.003.0000004"));
}

TEST(ProtoAddress, IPv6Recogniser) {
  for (const char* yes : {"::", "::1", "fe80::1%4", "1:2:3:4:5:6:7:8", "2001:db8::ff00:42:8329",
                          "::ffff:1", "::2:3:4:5:6:7:8"}) {
    EXPECT_TRUE(IsIPv6Literal(yes)) << yes;
  }
  for (const char* no : {"1::2::3", "fe80::", "1:2:3:4:5:6:7:8:9", "::ffff:1.2.3.4", "abc",
                         "12345::1", "g::1", "", "1.2.3.4"}) {
    EXPECT_FALSE(IsIPv6Literal(no)) << no;
  }
}

TEST(ProtoAddress, IPv6TextAndBytes) {
  const std::string loopback = IPv6ToBytes("::1");
  EXPECT_EQ(loopback, std::string(15, '\0') + '\x01');
  EXPECT_EQ(IPv6ToText(loopback), "::1");
  EXPECT_EQ(IPv6ToText(std::string(16, '\0')), "::0");
  EXPECT_EQ(ExpandIPv6("::1"), "0:0:0:0:0:0:0:1");
  EXPECT_EQ(ExpandIPv6("::"), "0:0:0:0:0:0:0:0");
  EXPECT_EQ(ExpandIPv6("1:2:3:4:5:6:7:8:9"), "");
  EXPECT_EQ(IPv6ToText(IPv6ToBytes("2001:DB8:0:0:1:0:0:1")), "2001:db8::1:0:0:1");
  EXPECT_EQ(IPv6ToText(IPv6ToBytes("1:0:0:2:3:0:0:0")), "1:0:0:2:3::");
  EXPECT_EQ(IPv6ToText(IPv6ToBytes("1:2:3:4:5:6:7:0")), "1:2:3:4:5:6:7::");
  EXPECT_EQ(IPv6ToBytes("zz::1"), std::string(16, '\0'));  // invalid text stays zero
}

// An address whose only zero group is first or last is written with "::" at that end; reading
// that text back must give the same address, not zeros.
TEST(ProtoAddress, SingleZeroGroupAtEitherEndRoundTrips) {
  for (const char* text : {"0:2:3:4:5:6:7:8", "1:2:3:4:5:6:7:0"}) {
    const std::string bytes = IPv6ToBytes(text);
    ASSERT_NE(bytes, std::string(16, '\0')) << text;
    EXPECT_EQ(IPv6ToBytes(IPv6ToText(bytes)), bytes) << text;
  }
}
