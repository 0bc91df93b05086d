#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// The archive layer's texts by message id: the current language table, else the built-in
// English table (decompressed on first need), optionally replaced by the one process-wide
// OnLoadStr handler, else "Resource missing for " and the id. Lookups never throw.
namespace archive {

// May replace any text: called with the id and the text found; a non-empty reply is used.
using TZipLoadStrEvent = std::function<void(int ident, std::string& defStr)>;

// The text of an id (UTF-8), every "\n" of a found text turned into "\r\n". Never empty:
// an id without text gives "Resource missing for " and the id.
std::string ZipLoadStr(int id);

// One argument of a formatted message: a number or a text.
using TZipFmtArg = std::variant<int64_t, std::string>;
// The text of an id used as a format string ("%s", "%d", "%.1d", "%x", "%%").
std::string ZipFmtLoadStr(int id, std::initializer_list<TZipFmtArg> args);
// The formatting alone; a directive without a matching argument is kept as written.
std::string ZipFormat(std::string_view format, std::initializer_list<TZipFmtArg> args);

// The process-wide handler; assigning it through any component replaces it for all.
void SetZipOnLoadStr(TZipLoadStrEvent handler);

// Selects the current language table from a Language value ("BR", "*", "1046", "$416",
// "US"...). Returns false when the value changed nothing (empty, unknown, damaged record).
bool SetZipLanguage(std::string_view value);
// Name and locale id of the current table ("US" and 1033 for the built-in one).
std::string ZipLanguageName();
uint16_t ZipLanguageId();

// A reported text with its prefix resolved: "!" becomes message 11605 ("info: "), "#"
// message 11604 ("Trace: ").
std::string ZipReportText(std::string_view text);

// The message id of an engine error code: 0 for none, 11648 + n for 1 to 35, else 11654.
int ZipEngineCodeMessage(uint32_t code);

// The message id of the engine's extra progress item n.
int ZipExtraItemMessage(uint32_t n);

// Test support: decodes one compressed record (header, name, stream) into its messages.
// Returns the decoder's result (0 good) or 255 for a header that does not fit.
struct TZipDecodedRecord {
  uint16_t locale = 0;
  std::string name;
  std::string image;  // the decompressed resource-file image
};
int ZipDecodeRecord(std::string_view record, TZipDecodedRecord& out, size_t* used = nullptr);

}  // namespace archive
