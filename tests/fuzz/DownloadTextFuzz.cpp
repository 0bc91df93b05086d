// The HTTP download's text rules on arbitrary server text: names a server chooses, redirect
// locations and Content-Range values. Whatever comes in, a name handed back is one safe file
// name, a location handed back is an absolute http(s) URL without blanks or control
// characters, and a parsed range is ordered.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "download/HTTPDownloadText.h"

namespace {

bool HasSeparatorOrControl(const std::string& name) {
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || c == '\\' || c == '/' || c == ':')
      return true;
  }
  return false;
}

void CheckName(const std::string& name) {
  if (name.empty())
    return;
  if (!download::IsSafeFileName(name) || HasSeparatorOrControl(name) || name == "." || name == "..")
    std::abort();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t from = 0;
  while (from <= text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos)
      end = text.size();
    lines.push_back(text.substr(from, end - from));
    from = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = Lines(text);

  CheckName(download::NameFromProbeHeaders(lines));
  // The first line as a Content-Disposition value, so that every input reaches its parser.
  CheckName(download::NameFromProbeHeaders({"Content-Disposition: " + lines.front()}));
  std::string parameter;
  if (download::DispositionFileName(lines.front(), parameter) &&
      parameter.size() >= lines.front().size())
    std::abort();
  CheckName(download::NameFromUrl(lines.front()));

  const std::string requested = lines.size() > 1 ? lines[1] : "http://h/a/b.zip";
  const std::string resolved = download::ResolveLocation(requested, lines.front());
  if (!resolved.empty()) {
    std::string scheme = resolved.substr(0, resolved.find("://"));
    for (char& c : scheme)
      c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (scheme != "http" && scheme != "https")
      std::abort();
    for (unsigned char c : resolved) {
      if (c <= ' ' || c == 0x7F)
        std::abort();
    }
  }

  int64_t first = 0, last = 0, total = 0;
  if (download::ParseContentRange(lines.front(), first, last, total)) {
    const bool unsatisfied = first == -1 && last == -1 && total >= 0;
    const bool ordered = first >= 0 && first <= last && (total < 0 || last < total);
    if (!unsatisfied && !ordered)
      std::abort();
  }

  std::string value;
  if (download::FindHeader(lines, "Location", value) &&
      (!value.empty() && (static_cast<unsigned char>(value.front()) <= ' ' ||
                          static_cast<unsigned char>(value.back()) <= ' ')))
    std::abort();
  return 0;
}
