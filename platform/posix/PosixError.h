#pragma once

// For the platform layer's own sources only: the host's errno values turned into the layer's
// error codes (OsError.h) where they leave the layer.
namespace platform {

int OsErrorFromErrno(int hostError);
// The current errno, turned.
int LastErrnoAsOsError();

}  // namespace platform
