#pragma once
#include <string>
#include <string_view>

// Splitting a URL into the parts the protocol clients need.
namespace net {

// Splits `url` (trimmed by the caller) into protocol (default "http"), user, password, host
// ("localhost" when empty), port ("80", "443" for https, "21" for ftp, unless given), path
// (always starting with "/") and parameters (the text after "?"). Returns the request target,
// "/" followed by everything after the authority. Nothing is percent-decoded, and a fragment
// stays part of the path or the parameters.
std::string SplitUrl(std::string_view url, std::string& protocol, std::string& user,
                     std::string& password, std::string& host, std::string& port, std::string& path,
                     std::string& parameters);

}  // namespace net
