#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "archive/Lzss.h"
#include "archive/MessageRecords.h"
#include "archive/StringBlocks.h"
#include "archive/ZipStrings.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace {

using archive::ZipFmtLoadStr;
using archive::ZipLoadStr;

// Every test leaves the built-in table and no handler behind.
class MessageTable : public ::testing::Test {
 protected:
  void TearDown() override {
    archive::SetZipLanguage("US");
    archive::SetZipOnLoadStr(nullptr);
  }
};

// The texts of a table file as the build step reads them (id "text", \n a line break).
std::map<int, std::string> ReadLangFile(const std::string& name) {
  const char* source = std::getenv("VARELO_SOURCE_DIR");
  std::ifstream in(std::string(source ? source : ".") + "/archive/languages/" + name);
  std::map<int, std::string> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#')
      continue;
    const size_t open = line.find('"'), close = line.rfind('"');
    std::string text = line.substr(open + 1, close - open - 1), plain;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) {
        ++i;
        plain.push_back(text[i] == 'n' ? '\n' : text[i]);
      } else {
        plain.push_back(text[i]);
      }
    }
    out[std::stoi(line.substr(0, open))] = plain;
  }
  return out;
}

std::string CrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += '\r';
    out += c;
  }
  return out;
}

std::string BuiltinRecord() {
  return std::string(reinterpret_cast<const char*>(archive::kBuiltinMessageRecord),
                     archive::kBuiltinMessageRecordSize);
}

TEST(Lzss, DecoderRestoresEncoderInputExactly) {
  std::mt19937 random(7);
  std::vector<std::string> inputs = {"", "a", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                                     std::string(5000, '\0'), std::string(20000, 'x')};
  std::string text;
  while (text.size() < 40000)
    text += "Error while reading a central header " + std::to_string(random() % 97) + "\n";
  inputs.push_back(text);
  std::string noise(30000, '\0');
  for (char& c : noise)
    c = static_cast<char>(random() % 7);  // small alphabet: many short matches
  inputs.push_back(noise);
  for (const std::string& input : inputs) {
    const std::string stream = archive::LzssEncode(input);
    std::string out;
    EXPECT_EQ(archive::LzssDecode(stream, out), archive::kLzssGood) << input.size();
    EXPECT_EQ(out, input);
  }
}

TEST(Lzss, BuiltinRecordDecodesToItsStringBlocks) {
  archive::TZipDecodedRecord record;
  ASSERT_EQ(archive::ZipDecodeRecord(BuiltinRecord(), record), 0);
  EXPECT_EQ(record.locale, 1033);
  EXPECT_EQ(record.name, "US");
  EXPECT_LT(record.image.size(), 50000u);
  // The image is exactly what the build step encoded: rebuilding it from its own strings
  // gives the same bytes.
  const archive::TMessageMap messages = archive::ParseStringBlocks(record.image);
  EXPECT_EQ(archive::BuildStringBlocks(messages, 1033), record.image);
  EXPECT_EQ(messages.size(), ReadLangFile("US.lang").size());
}

// Damaged records: what the decoder says, and that the output never outgrows the stored size.
TEST(Lzss, DamagedStreamsTable) {
  const std::string good = archive::LzssEncode(std::string(3000, 'q') + "tail of the table");
  struct TCase {
    const char* name;
    std::string stream;
    int result;
  };
  std::string wrongSize = good;
  wrongSize[0] = static_cast<char>(wrongSize[0] + 1);
  std::string smallerSize = good;
  smallerSize[0] = static_cast<char>(smallerSize[0] - 5);
  std::string cutReference = archive::LzssEncode(std::string(100, 'z'));
  cutReference.pop_back();  // the last item is a reference; half of it is gone
  const std::vector<TCase> cases = {
      {"shorter than its size header", std::string("\x10\x00", 2), archive::kLzssDamaged},
      {"empty", "", archive::kLzssDamaged},
      {"stored size one larger", wrongSize, archive::kLzssSizeMismatch},
      {"stored size smaller than the data", smallerSize, archive::kLzssSizeMismatch},
      {"reference cut by the budget", cutReference, archive::kLzssDamaged},
      {"missing the last bytes", good.substr(0, good.size() - 3), archive::kLzssSizeMismatch},
  };
  for (const TCase& c : cases) {
    std::string out;
    EXPECT_EQ(archive::LzssDecode(c.stream, out), c.result) << c.name;
    if (c.stream.size() >= 4) {
      const uint32_t stored =
          static_cast<uint8_t>(c.stream[0]) | (static_cast<uint8_t>(c.stream[1]) << 8);
      EXPECT_LE(out.size(), stored) << c.name;
    }
  }
}

TEST(Lzss, DamagedRecordHeadersAreRefused) {
  const std::string record = BuiltinRecord();
  archive::TZipDecodedRecord out;
  EXPECT_EQ(archive::ZipDecodeRecord(record.substr(0, 5), out), 255);
  EXPECT_EQ(archive::ZipDecodeRecord(record.substr(0, record.size() - 1), out), 255);
  std::string huge = record;
  // A stored size of 50,000 bytes or more is refused before anything is decoded.
  const size_t stream = 6 + 2;
  huge[stream] = '\x50';
  huge[stream + 1] = '\xC3';
  huge[stream + 2] = '\x00';
  EXPECT_NE(archive::ZipDecodeRecord(huge, out), 0);
}

TEST_F(MessageTable, EveryBuiltinIdGivesItsText) {
  const std::map<int, std::string> texts = ReadLangFile("US.lang");
  ASSERT_GT(texts.size(), 190u);
  for (const auto& [id, text] : texts)
    EXPECT_EQ(ZipLoadStr(id), CrLf(text)) << id;
  EXPECT_EQ(ZipLoadStr(10102), "Error - no zip file specified!");
  EXPECT_EQ(ZipLoadStr(10104), "Error - passwords do NOT match\r\nPassword ignored");
}

TEST_F(MessageTable, MissingIdGivesTheFallbackUnlessTheHandlerSuppliesOne) {
  EXPECT_EQ(ZipLoadStr(10099), "Resource missing for 10099");
  EXPECT_EQ(ZipLoadStr(-4), "Resource missing for -4");
  archive::SetZipOnLoadStr([](int id, std::string& text) {
    if (id == 10099)
      text = "supplied\nhere";
    if (id == 10102)
      text = "";  // an empty reply keeps the table's text
  });
  EXPECT_EQ(ZipLoadStr(10099), "supplied\r\nhere");
  EXPECT_EQ(ZipLoadStr(10102), "Error - no zip file specified!");
}

TEST_F(MessageTable, FormattedTexts) {
  EXPECT_EQ(ZipFmtLoadStr(10650, {std::string("c:\\Varelo\\ArcaZip190.dll")}),
            "Failed to load c:\\Varelo\\ArcaZip190.dll");
  EXPECT_EQ(ZipFmtLoadStr(10110, {int64_t{12}, int64_t{4}}), "Index (12) outside range 0..4");
  EXPECT_EQ(ZipFmtLoadStr(11034, {int64_t{2}, int64_t{7}}), "Please insert disk volume 2 of 7");
  EXPECT_EQ(ZipFmtLoadStr(10124, {int64_t{37}}), "critical DLL Error 37");
  EXPECT_EQ(ZipFmtLoadStr(10654, {int64_t{2}, std::string("No such file"), std::string("x")}),
            "Error [2 No such file] loading x");
  // A directive without an argument stays as written; a stray percent is kept.
  EXPECT_EQ(archive::ZipFormat("a %s b %d 100%% %", {std::string("x")}), "a x b %d 100% %");
}

TEST_F(MessageTable, LanguageSelection) {
  struct TCase {
    const char* value;
    bool changed;
    const char* name;
  };
  const std::vector<TCase> cases = {
      {"BR", true, "BR"},     {"  br_x", false, "US"}, {"1046", true, "BR"}, {"$416", true, "BR"},
      {"22", true, "BR"},     {"DE", true, "DE"},      {"US", true, "US"},   {"1033", true, "US"},
      {"", false, "US"},      {"x", false, "US"},      {"ZZ", false, "US"},  {"0", false, "US"},
      {"70000", false, "US"}, {"$C0A", true, "S1"},    {"jp", true, "JP"},
  };
  for (const TCase& c : cases) {
    archive::SetZipLanguage("US");
    EXPECT_EQ(archive::SetZipLanguage(c.value), c.changed) << c.value;
    EXPECT_EQ(archive::ZipLanguageName(), c.name) << c.value;
  }
}

TEST_F(MessageTable, DefaultLocaleOnAnEnglishSystemKeepsTheBuiltinTable) {
#ifdef _WIN32
  // Windows gives the user's locale from the system (Wine takes it from the host's LANG when
  // it starts), never from this process's environment: "*" follows that locale.
  archive::SetZipLanguage("BR");
  EXPECT_TRUE(archive::SetZipLanguage("*"));
  const uint16_t user = platform::UserLocaleId();
  if ((user & 0x3ff) == 0x09) {  // any English
    EXPECT_EQ(archive::ZipLanguageId(), 1033);
    EXPECT_EQ(ZipLoadStr(10102), "Error - no zip file specified!");
  } else if (user == 0x0416) {
    EXPECT_EQ(archive::ZipLanguageName(), "BR");
  }
  archive::SetZipLanguage("US");
  return;
#endif
  const char* saved = std::getenv("LANG");
  const std::string keep = saved ? saved : "";
  setenv("LANG", "en_US.UTF-8", 1);
  archive::SetZipLanguage("BR");
  EXPECT_TRUE(archive::SetZipLanguage("*"));
  EXPECT_EQ(archive::ZipLanguageId(), 1033);
  EXPECT_EQ(ZipLoadStr(10102), "Error - no zip file specified!");
  setenv("LANG", "pt_BR.UTF-8", 1);
  EXPECT_TRUE(archive::SetZipLanguage("*"));
  EXPECT_EQ(archive::ZipLanguageName(), "BR");
  if (saved) {
    setenv("LANG", keep.c_str(), 1);
  } else {
    unsetenv("LANG");
  }
}

TEST_F(MessageTable, PortugueseIsCompleteAndOthersFallBackToEnglish) {
  const std::map<int, std::string> english = ReadLangFile("US.lang");
  const std::map<int, std::string> portuguese = ReadLangFile("BR.lang");
  ASSERT_TRUE(archive::SetZipLanguage("BR"));
  for (const auto& [id, text] : english) {
    ASSERT_TRUE(portuguese.count(id)) << id;
    EXPECT_EQ(ZipLoadStr(id), CrLf(portuguese.at(id))) << id;
  }
  EXPECT_EQ(ZipLoadStr(11001), "O arquivo de entrada não existe");
  ASSERT_TRUE(archive::SetZipLanguage("DE"));
  EXPECT_EQ(ZipLoadStr(10221), "&Nein");
  EXPECT_EQ(ZipLoadStr(11036), "Dieses Archiv ist kein gültiges Zip-Archiv");
  EXPECT_EQ(ZipLoadStr(10201), "Seek error reading Zip archive!");  // not translated
  EXPECT_EQ(ZipLoadStr(10099), "Resource missing for 10099");
}

TEST_F(MessageTable, EveryLanguageRecordHoldsTheButtonsAndInstallerErrors) {
  const char* names[] = {"BR", "CN", "CT", "CZ", "DE", "DK", "ES", "FI", "FR", "GR", "HU", "IT",
                         "JP", "KO", "MY", "NL", "NO", "PL", "RO", "RU", "S1", "SW", "TW", "YU"};
  const std::map<int, std::string> english = ReadLangFile("US.lang");
  for (const char* name : names) {
    ASSERT_TRUE(archive::SetZipLanguage(name)) << name;
    EXPECT_EQ(archive::ZipLanguageName(), name);
    for (int id : {10220, 10221, 10222, 10223, 10224, 10225, 10226, 10227, 10228, 10229, 10102,
                   10504, 10650, 10651, 11001, 11002, 11007, 11036}) {
      const std::string text = ZipLoadStr(id);
      EXPECT_TRUE(platform::IsValidUtf8(text)) << name << " " << id;
      // Button captions may equal the English ones ("&No", "&OK"); error texts are translated.
      if (id < 10220 || id > 10229) {
        EXPECT_NE(text, english.at(id)) << name << " " << id;
      }
    }
    const std::string format = ZipFmtLoadStr(10650, {std::string("LIB")});
    EXPECT_NE(format.find("LIB"), std::string::npos) << name;
    // The engine's errors come out of the record as the table file writes them; a prefix
    // keeps its closing space or colon, so the text after it stays apart.
    const std::map<int, std::string> own = ReadLangFile(std::string(name) + ".lang");
    for (int id = 11649; id <= 11683; ++id) {
      const auto it = own.find(id);
      ASSERT_NE(it, own.end()) << name << " " << id;
      EXPECT_EQ(ZipLoadStr(id), it->second) << name << " " << id;
      EXPECT_TRUE(platform::IsValidUtf8(it->second)) << name << " " << id;
    }
    for (int prefix : {11675, 11677, 11680}) {
      const std::string text = ZipLoadStr(prefix);
      ASSERT_FALSE(text.empty()) << name << " " << prefix;
      EXPECT_TRUE(text.back() == ' ' || text.substr(text.size() - 3) == "\xEF\xBC\x9A")
          << name << " " << prefix;  // a space, or the full-width colon
    }
  }
  // The system's own text stays as the system writes it.
  EXPECT_EQ(english.at(10307), "Wildcards are not allowed in Filename or file specification");
}

TEST(MessageReports, PrefixesAndEngineCodes) {
  EXPECT_EQ(archive::ZipReportText("!opened"), "info: opened");
  EXPECT_EQ(archive::ZipReportText("#step"), "Trace: step");
  EXPECT_EQ(archive::ZipReportText("plain"), "plain");
  EXPECT_EQ(archive::ZipReportText(""), "");
  const std::pair<uint32_t, int> codes[] = {{0, 0},      {1, 11649},  {6, 11654},
                                            {35, 11683}, {36, 11654}, {0xFFFF, 11654}};
  for (const auto& [code, id] : codes)
    EXPECT_EQ(archive::ZipEngineCodeMessage(code), id) << code;
  EXPECT_EQ(ZipLoadStr(archive::ZipEngineCodeMessage(35)), "Duplicate internal name");
  EXPECT_EQ(ZipLoadStr(archive::ZipExtraItemMessage(9)), "*Loading Directory");
}

}  // namespace
