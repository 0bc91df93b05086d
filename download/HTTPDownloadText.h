#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The text rules of the HTTP download: the file name taken from a URL or from a server's
// "filename=", the response header lines the session reads (Content-Range, Location), and the
// resolution of a redirect's location against the URL that was requested. Every name handed
// back is a single safe file name for the destination folder, or empty.
namespace download {

// The last segment of the URL's path (parameters after "?" left out); empty when the path
// ends in "/" or the segment is no usable file name.
std::string NameFromUrl(const std::string& url);

// The name the first Content-Disposition header line with a "filename" parameter gives,
// reduced to its last path component. Other header lines are never read for a name (a
// cookie or a note may hold "filename=" too). Empty when there is none or the name is not
// safe (see IsSafeFileName).
std::string NameFromProbeHeaders(const std::vector<std::string>& headers);

// The "filename" parameter of a Content-Disposition value such as 'attachment;
// filename="pkg.zip"; size=10' (parameter names in any case; the value a token or a quoted
// string, with the parameters after it left out). False when the value has none, or it is
// a quoted string without its closing quote.
bool DispositionFileName(std::string_view value, std::string& name);

// A name a server may choose: not empty, not "." or "..", no control characters, no drive or
// stream colon, none of the characters Windows forbids in names, no trailing dot or blank,
// not a reserved device name (CON, NUL, COM1, ... with or without an extension), and within
// the platform's length limit.
bool IsSafeFileName(const std::string& name);

// The value of the first header line whose name matches (without regard to case), trimmed;
// false when there is none. The status line and the closing empty line are skipped.
bool FindHeader(const std::vector<std::string>& headers, const std::string& name,
                std::string& value);

// "bytes FIRST-LAST/TOTAL" or "bytes */TOTAL" (FIRST and LAST -1); TOTAL "*" gives -1.
// False for anything else.
bool ParseContentRange(const std::string& value, int64_t& first, int64_t& last, int64_t& total);

// The absolute URL a redirect's location names: an absolute http(s) URL stays as it is, a
// location starting with "//" takes the requested URL's scheme, one starting with "/" its
// scheme and authority, any other its folder; "." and ".." segments are resolved. Empty when
// the location is empty or holds control characters or blanks.
std::string ResolveLocation(const std::string& requested, const std::string& location);

// True when following a redirect from `requested` to `target` (both absolute) would leave an
// authenticated channel: an https URL sent on to anything but https.
bool IsDowngrade(const std::string& requested, const std::string& target);

}  // namespace download
