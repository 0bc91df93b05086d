// Feeds arbitrary bytes to the FTP listing parser as the lines of a listing. The first byte
// picks how: bit 0 parses the lines as MLSD instead of LIST, bit 1 takes the first line as a
// mask of the caller's own, tried before the built-in ones (so the mask language itself is
// fuzzed too). Every record must then hold a size of at least 0 and a finite date-time, and no
// line may give more than one outcome.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/FTPList.h"

namespace {

std::vector<std::string> SplitLines(const uint8_t* data, size_t size) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(static_cast<char>(data[i]));
    }
  }
  if (!line.empty())
    lines.push_back(line);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  const uint8_t mode = data[0];
  std::vector<std::string> lines = SplitLines(data + 1, size - 1);
  net::TFTPList list;
  if ((mode & 2) && !lines.empty()) {
    list.Masks().insert(list.Masks().begin(), lines.front());
    lines.erase(lines.begin());
  }
  const size_t lineCount = lines.size();
  list.Lines() = std::move(lines);
  if (mode & 1)
    list.ParseMLSDLines();
  else
    list.ParseLines();
  if (static_cast<size_t>(list.Count()) + list.UnparsedLines().size() > lineCount)
    std::abort();
  for (int i = 0; i < list.Count(); ++i) {
    const net::TFTPListRec* rec = list.Items(i);
    if (!rec || rec->FileSize() < 0 || !std::isfinite(rec->FileTime()))
      std::abort();
  }
  if (list.Items(list.Count()) != nullptr)
    std::abort();
  return 0;
}
