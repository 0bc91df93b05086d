// A stand-in engine library for the binding's tests, built three times: with a wrong version,
// with a build number below the least accepted, and as a scripted engine that reports the
// command block it was given and returns the result named by FAKE_AZ_RESULT.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/ArcaZipContract.h"

#ifndef FAKE_VERSION
#define FAKE_VERSION 190
#endif
#ifndef FAKE_BUILD
#define FAKE_BUILD 1900113
#endif

namespace {
int32_t lastKey = 0;

int Call(const TDLLCommands* c, int action, const char* text, uint32_t arg1, int32_t arg3 = 0) {
  TZCallBackStruct r{};
  r.Caller = c->fCaller;
  r.Version = kAZVersion;
  r.ActionCode = action;
  r.HaveWide = 0;
  r.MsgP = text;
  r.Arg1 = arg1;
  r.Arg3 = arg3;
  r.Check = kAZCallbackCheck;
  return c->ZCallbackFunc(&r);
}
}  // namespace

extern "C" {

AZ_EXPORT int32_t AZ_STDCALL AZ_Exec(const TDLLCommands* c) {
  Call(c, zacKey, nullptr, 77);
  char text[128];
  std::snprintf(text, sizeof text, "options=%x requests=%u verbosity=%d", c->fOptions,
                c->fPwdReqCount, c->fVerbosity);
  Call(c, zacMessage, text, 0);
  const char* result = std::getenv("FAKE_AZ_RESULT");
  return result != nullptr ? std::atoi(result) : 0;
}
AZ_EXPORT int32_t AZ_STDCALL AZ_Version() {
  return FAKE_VERSION;
}
AZ_EXPORT int32_t AZ_STDCALL AZ_PrivVersion() {
  return FAKE_BUILD;
}
AZ_EXPORT int32_t AZ_STDCALL AZ_Abort(int32_t key) {
  lastKey = key;
  return 1;
}
AZ_EXPORT int32_t AZ_STDCALL AZ_Name(char16_t* buffer, int32_t size, int32_t) {
  const char* name = "fake/ArcaZip190.dll";
  int32_t n = 0;
  for (; name[n] != 0 && n < size - 1; ++n)
    buffer[n] = static_cast<char16_t>(name[n]);
  buffer[n] = 0;
  return n;
}
AZ_EXPORT const char* AZ_STDCALL AZ_Banner() {
  return "fake engine";
}
AZ_EXPORT int32_t AZ_STDCALL AZ_Path(char16_t*, int32_t, int32_t) {
  return 0;
}
// Test hook: the key the last AZ_Abort received.
AZ_EXPORT int32_t FakeLastAbortKey() {
  return lastKey;
}
}
