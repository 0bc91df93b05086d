#include "download/HTTPDownloadText.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "download/DownloadLimits.h"
#include "net/ProtoText.h"
#include "net/ProtoUrl.h"

namespace download {
namespace {

std::string Trim(const std::string& value) {
  size_t first = 0;
  size_t last = value.size();
  while (first < last && static_cast<unsigned char>(value[first]) <= ' ')
    ++first;
  while (last > first && static_cast<unsigned char>(value[last - 1]) <= ' ')
    --last;
  return value.substr(first, last - first);
}

std::string Upper(std::string value) {
  for (char& c : value) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return value;
}

// After the last "\" or "/" (both separate on Windows).
std::string LastComponent(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool IsReservedDeviceName(const std::string& name) {
  // The device names apply whatever follows the first dot, and trailing blanks before it.
  std::string base = Upper(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ')
    base.pop_back();
  static const std::array<const char*, 4> plain = {"CON", "PRN", "AUX", "NUL"};
  for (const char* device : plain) {
    if (base == device)
      return true;
  }
  if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0))
    return base[3] >= '0' && base[3] <= '9';
  return false;
}

bool ParseWhole(const std::string& text, int64_t& value) {
  if (text.empty())
    return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

bool HasControlOrBlank(const std::string& text) {
  for (unsigned char c : text) {
    if (c <= ' ' || c == 0x7F)
      return true;
  }
  return false;
}

// Resolves "." and ".." segments of an absolute path ("/a/./b/../c" -> "/a/c").
std::string RemoveDotSegments(const std::string& path) {
  std::vector<std::string> kept;
  size_t start = 1;
  bool endsInFolder = false;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos)
      end = path.size();
    const std::string segment = path.substr(start, end - start);
    endsInFolder = segment == "." || segment == "..";
    if (segment == "..") {
      if (!kept.empty())
        kept.pop_back();
    } else if (segment != ".") {
      kept.push_back(segment);
    }
    start = end + 1;
  }
  std::string result;
  for (const auto& segment : kept)
    result += "/" + segment;
  if (result.empty() || endsInFolder)
    result += "/";
  return result;
}

// Reads a parameter value at `at`: a quoted string (a backslash keeps a following quote or
// backslash as it is, and stays itself before anything else, as servers send Windows paths
// unescaped) or a token up to the next ";". False for a quoted string without its end.
bool ParameterValue(std::string_view text, size_t& at, std::string& value) {
  value.clear();
  if (at < text.size() && text[at] == '"') {
    for (++at; at < text.size(); ++at) {
      const char c = text[at];
      if (c == '"') {
        ++at;
        return true;
      }
      if (c == '\\' && at + 1 < text.size() && (text[at + 1] == '"' || text[at + 1] == '\\'))
        ++at;
      value += text[at];
    }
    return false;
  }
  const size_t end = std::min(text.find(';', at), text.size());
  value = Trim(std::string(text.substr(at, end - at)));
  at = end;
  return true;
}

}  // namespace

bool DispositionFileName(std::string_view value, std::string& name) {
  // The disposition type, then parameters "; name=value", each value a token or a quoted
  // string that may itself hold ";" or "=". A value that leaves out the type and begins with
  // a parameter is read from its start.
  if (value.find('=') < value.find(';')) {
    const std::string withType = ";" + std::string(value);
    return DispositionFileName(withType, name);
  }
  size_t at = value.find(';');
  while (at != std::string_view::npos && at < value.size()) {
    ++at;
    const size_t equals = value.find('=', at);
    if (equals == std::string_view::npos)
      return false;
    // A parameter without a value ("attachment; x; filename=...") is passed over.
    const size_t semicolon = value.find(';', at);
    if (semicolon < equals) {
      at = semicolon;
      continue;
    }
    const std::string parameter = Upper(Trim(std::string(value.substr(at, equals - at))));
    at = equals + 1;
    while (at < value.size() && (value[at] == ' ' || value[at] == '\t'))
      ++at;
    std::string text;
    if (!ParameterValue(value, at, text))
      return false;
    if (parameter == "FILENAME") {
      name = text;
      return true;
    }
    at = value.find(';', at);
  }
  return false;
}

bool IsSafeFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.size() > kMaxFileNameLength)
    return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F)
      return false;
    if (std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos)
      return false;
  }
  if (name.back() == '.' || name.back() == ' ')
    return false;
  return !IsReservedDeviceName(name);
}

std::string NameFromUrl(const std::string& url) {
  std::string protocol, user, password, host, port, path, parameters;
  net::SplitUrl(Trim(url), protocol, user, password, host, port, path, parameters);
  std::string name = path;
  for (char& c : name) {
    if (c == '/')
      c = '\\';
  }
  const size_t cut = name.find_last_of("\\:");
  if (cut != std::string::npos)
    name = name.substr(cut + 1);
  // A fragment is no part of the file's name.
  name = name.substr(0, name.find('#'));
  return IsSafeFileName(name) ? name : "";
}

std::string NameFromProbeHeaders(const std::vector<std::string>& headers) {
  for (const auto& line : headers) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || Upper(Trim(line.substr(0, colon))) != "CONTENT-DISPOSITION")
      continue;
    std::string name;
    if (!DispositionFileName(std::string_view(line).substr(colon + 1), name))
      continue;
    // A server may send a path; only its last component can name a file in the folder.
    name = LastComponent(name);
    return IsSafeFileName(name) ? name : "";
  }
  return "";
}

bool FindHeader(const std::vector<std::string>& headers, const std::string& name,
                std::string& value) {
  const std::string wanted = Upper(name);
  for (const auto& line : headers) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
      continue;
    if (Upper(Trim(line.substr(0, colon))) != wanted)
      continue;
    value = Trim(line.substr(colon + 1));
    return true;
  }
  return false;
}

bool ParseContentRange(const std::string& value, int64_t& first, int64_t& last, int64_t& total) {
  const std::string text = Trim(value);
  if (Upper(text.substr(0, 6)) != "BYTES ")
    return false;
  const std::string rangeText = Trim(text.substr(6));
  const size_t slash = rangeText.find('/');
  if (slash == std::string::npos)
    return false;
  const std::string range = Trim(rangeText.substr(0, slash));
  const std::string size = Trim(rangeText.substr(slash + 1));
  if (size == "*") {
    total = -1;
  } else if (!ParseWhole(size, total)) {
    return false;
  }
  if (range == "*") {
    first = last = -1;
    return total >= 0;
  }
  const size_t dash = range.find('-');
  if (dash == std::string::npos || !ParseWhole(Trim(range.substr(0, dash)), first) ||
      !ParseWhole(Trim(range.substr(dash + 1)), last)) {
    return false;
  }
  return first <= last && (total < 0 || last < total);
}

std::string ResolveLocation(const std::string& requested, const std::string& location) {
  const std::string target = Trim(location);
  if (target.empty() || HasControlOrBlank(target))
    return "";
  const size_t scheme = target.find("://");
  if (scheme != std::string::npos && target.find_first_of("/?#") > scheme) {
    const std::string protocol = Upper(target.substr(0, scheme));
    return protocol == "HTTP" || protocol == "HTTPS" ? target : "";
  }
  std::string protocol, user, password, host, port, path, parameters;
  net::SplitUrl(Trim(requested), protocol, user, password, host, port, path, parameters);
  const std::string lowerProtocol = Upper(protocol) == "HTTPS" ? "https" : "http";
  if (target.compare(0, 2, "//") == 0)
    return lowerProtocol + ":" + target;
  const bool defaultPort =
      (lowerProtocol == "http" && port == "80") || (lowerProtocol == "https" && port == "443");
  const bool ipv6 = host.find(':') != std::string::npos;
  std::string authority = lowerProtocol + "://" + (ipv6 ? "[" + host + "]" : host);
  if (!defaultPort)
    authority += ":" + port;
  // The path and the query of the location are resolved apart: only the path has segments.
  const size_t queryAt = target.find_first_of("?#");
  std::string targetPath = target.substr(0, queryAt);
  const std::string query = queryAt == std::string::npos ? "" : target.substr(queryAt);
  if (targetPath.empty()) {
    targetPath = path;
  } else if (targetPath.front() != '/') {
    targetPath = path.substr(0, path.rfind('/') + 1) + targetPath;
  }
  // The requested URL's parts come along: a result that would carry blanks or control
  // characters from them is no usable location either.
  const std::string resolved = authority + RemoveDotSegments(targetPath) + query;
  return HasControlOrBlank(resolved) ? "" : resolved;
}

bool IsDowngrade(const std::string& requested, const std::string& target) {
  auto protocolOf = [](const std::string& url) {
    std::string protocol, user, password, host, port, path, parameters;
    net::SplitUrl(Trim(url), protocol, user, password, host, port, path, parameters);
    return Upper(protocol);
  };
  return protocolOf(requested) == "HTTPS" && protocolOf(target) != "HTTPS";
}

}  // namespace download
