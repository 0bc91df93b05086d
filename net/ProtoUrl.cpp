#include "net/ProtoUrl.h"

#include <cctype>

#include "net/ProtoText.h"

namespace net {

namespace {

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string SplitUrl(std::string_view url, std::string& protocol, std::string& user,
                     std::string& password, std::string& host, std::string& port, std::string& path,
                     std::string& parameters) {
  protocol = "http";
  user.clear();
  password.clear();
  host.clear();
  port = "80";
  path.clear();
  parameters.clear();

  std::string remainder(url);
  if (remainder.find("://") != std::string::npos) {
    protocol = TextBefore(remainder, "://");
    remainder = TextAfter(remainder, "://");
  }
  if (SameText(protocol, "HTTPS")) {
    port = "443";
  } else if (SameText(protocol, "FTP")) {
    port = "21";
  }

  // Credentials count only when their "@" stands before the path; an "@" inside the path
  // belongs to the path.
  const size_t at = remainder.find('@');
  const size_t slash = remainder.find('/');
  if (at != std::string::npos && (slash == std::string::npos || at < slash)) {
    const std::string credentials = remainder.substr(0, at);
    remainder = remainder.substr(at + 1);
    if (credentials.find(':') != std::string::npos) {
      user = TextBefore(credentials, ":");
      password = TextAfter(credentials, ":");
    } else {
      user = credentials;
    }
  }

  std::string authority = remainder;
  std::string rest;
  const size_t pathStart = remainder.find('/');
  if (pathStart != std::string::npos) {
    authority = remainder.substr(0, pathStart);
    rest = remainder.substr(pathStart + 1);
  }

  if (!authority.empty() && authority[0] == '[') {
    const size_t close = authority.find(']');
    if (close == std::string::npos) {
      host = authority.substr(1);
    } else {
      host = authority.substr(1, close - 1);
      const std::string after = authority.substr(close + 1);
      if (!after.empty() && after[0] == ':') {
        port = after.substr(1);
      }
    }
  } else if (authority.find(':') != std::string::npos) {
    host = TextBefore(authority, ":");
    port = TextAfter(authority, ":");
  } else {
    host = authority;
  }

  const std::string target = "/" + rest;
  if (rest.find('?') != std::string::npos) {
    path = "/" + TextBefore(rest, "?");
    parameters = TextAfter(rest, "?");
  } else {
    path = "/" + rest;
  }
  if (host.empty()) {
    host = "localhost";
  }
  return target;
}

}  // namespace net
