// Build step: compresses the message tables into the program. The first table file given
// becomes the built-in record; every further one joins the language resource. Each record is
// locale id (uint16), compressed length (uint16), name length (uint16), name, then the LZSS
// stream of the table in the resource-file string-block layout.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "archive/ArchiveLimits.h"
#include "archive/Lzss.h"
#include "archive/StringBlocks.h"
#include "platform/CodePage.h"

namespace {

struct TTable {
  std::string name;
  uint16_t locale = 0;
  archive::TMessageMap messages;
};

[[noreturn]] void Die(const std::string& why) {
  std::cerr << "MessageRecordMaker: " << why << "\n";
  std::exit(1);
}

std::string Unescape(const std::string& text, const std::string& where) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out.push_back(text[i]);
      continue;
    }
    if (++i == text.size())
      Die(where + ": a lone backslash ends the text");
    switch (text[i]) {
      case 'n':
        out.push_back('\n');
        break;
      case '\\':
      case '"':
        out.push_back(text[i]);
        break;
      default:
        Die(where + ": unknown escape");
    }
  }
  return out;
}

TTable ReadTable(const std::string& path) {
  std::ifstream in(path);
  if (!in)
    Die("cannot read " + path);
  TTable table;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const std::string where = path + ":" + std::to_string(number);
    if (line.empty())
      continue;
    if (line.rfind("#name ", 0) == 0) {
      table.name = line.substr(6);
      continue;
    }
    if (line.rfind("#locale ", 0) == 0) {
      table.locale = static_cast<uint16_t>(std::stoul(line.substr(8), nullptr, 0));
      continue;
    }
    if (line[0] == '#')
      continue;
    const size_t open = line.find('"'), close = line.rfind('"');
    if (open == std::string::npos || close == open)
      Die(where + ": expected: id \"text\"");
    const uint32_t id = static_cast<uint32_t>(std::stoul(line.substr(0, open)));
    const std::string text = Unescape(line.substr(open + 1, close - open - 1), where);
    if (!platform::IsValidUtf8(text))
      Die(where + ": the text is not UTF-8");
    if (!table.messages.emplace(id, platform::Utf8ToUtf16(text)).second)
      Die(where + ": id given twice");
  }
  if (table.name.empty() || table.locale == 0)
    Die(path + ": #name and #locale are needed");
  return table;
}

std::string Record(const TTable& table) {
  const std::string image = archive::BuildStringBlocks(table.messages, table.locale);
  if (image.size() >= archive::kMaxTableSize)
    Die(table.name + ": the table is too large");
  const std::string stream = archive::LzssEncode(image);
  if (stream.size() > 0xFFFF)
    Die(table.name + ": the compressed table is too large");
  std::string out;
  auto put16 = [&](size_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
  };
  put16(table.locale);
  put16(stream.size());
  put16(table.name.size());
  out += table.name;
  out += stream;
  return out;
}

void WriteArray(std::ostream& out, const char* name, const std::string& bytes) {
  out << "extern const unsigned char " << name << "[] = {";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0)
      out << "\n   ";
    out << " " << static_cast<unsigned>(static_cast<uint8_t>(bytes[i])) << ",";
  }
  out << "\n    0};\n";
  out << "extern const size_t " << name << "Size = " << bytes.size() << ";\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3)
    Die("usage: MessageRecordMaker OUT.cpp BUILTIN.lang [LANGUAGE.lang...]");
  const std::string builtin = Record(ReadTable(argv[2]));
  std::string resource;
  for (int i = 3; i < argc; ++i)
    resource += Record(ReadTable(argv[i]));
  std::ostringstream text;
  text << "// Made by MessageRecordMaker from archive/languages; do not edit.\n"
       << "#include \"archive/MessageRecords.h\"\n\nnamespace archive {\n";
  WriteArray(text, "kBuiltinMessageRecord", builtin);
  WriteArray(text, "kLanguageResource", resource);
  text << "}  // namespace archive\n";
  const std::string path = argv[1];
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary);
    out << text.str();
    if (!out)
      Die("cannot write " + temp);
  }
  // The table of an earlier build is replaced in one step (the C library's rename refuses an
  // existing target on Windows, so a second build there would stop here).
  std::error_code error;
  std::filesystem::rename(temp, path, error);
  if (error)
    Die("cannot rename " + temp + ": " + error.message());
  return 0;
}
