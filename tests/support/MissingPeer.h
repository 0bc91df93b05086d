#pragma once
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

namespace varelo::test {

// True when the tests run under CI (CI=true in the environment).
inline bool UnderCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::strcmp(ci, "true") == 0;
}

}  // namespace varelo::test

// A test whose real server or independent tool is missing skips on a developer's machine but
// fails under CI: there a skip would let a missing install step pass unseen.
#define VARELO_PEER_MISSING(what)                   \
  do {                                              \
    if (::varelo::test::UnderCi()) {                \
      GTEST_FAIL() << "missing under CI: " << what; \
    } else {                                        \
      GTEST_SKIP() << what;                         \
    }                                               \
  } while (0)
