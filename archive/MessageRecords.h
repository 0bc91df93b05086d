#pragma once
#include <cstddef>

// The compressed message tables compiled into the program by the build step: the built-in
// English record, and the language resource holding one record per language.
namespace archive {

extern const unsigned char kBuiltinMessageRecord[];
extern const size_t kBuiltinMessageRecordSize;
extern const unsigned char kLanguageResource[];
extern const size_t kLanguageResourceSize;

}  // namespace archive
