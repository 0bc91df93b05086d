#pragma once
// Included first in every test source of the Windows build: the few C library calls the tests
// share with Linux that mingw-w64 names differently.
#ifdef _WIN32
#include <cstdlib>
#include <ctime>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (overwrite == 0 && std::getenv(name) != nullptr)
    return 0;
  return _putenv_s(name, value);
}

// An empty value removes the variable on Windows.
inline int unsetenv(const char* name) {
  return _putenv_s(name, "");
}

// A UTC broken-down time to seconds since 1970.
inline time_t timegm(std::tm* parts) {
  return _mkgmtime(parts);
}
#endif
