#pragma once
#include <cstdint>

// Limits of the download component.
namespace download {

// A transfer's waits are cut into slices of this many milliseconds: between them the session
// raises OnIdle and acts on a pause or stop, so that either takes effect within a fraction of
// a second even while the server sends nothing.
constexpr int32_t kIdleSliceMs = 100;
// Redirects followed in a row before a transfer is given up.
constexpr int kMaxRedirects = 10;
// The name probe asks for the first bytes only: 'Range: bytes=0-1024'.
constexpr int64_t kProbeRangeEnd = 1024;
// The partial file gathers the received packets into writes of this size; small writes to a
// file cost far more per byte than large ones.
constexpr int64_t kPartFileWriteBlock = 1024 * 1024;
// Server-chosen file names longer than this are refused (the platform's name limit).
constexpr size_t kMaxFileNameLength = 255;

}  // namespace download
