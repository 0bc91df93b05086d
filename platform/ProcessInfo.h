#pragma once
#include <cstddef>
#include <cstdint>

// Facts about processes and the system's path limits that writers of temporary files need:
// who we are, whether another process is still alive, how long a path may be.
namespace platform {

// The running process's id.
uint32_t CurrentProcessId();

// True when a process with this id exists (it may belong to another user).
bool ProcessIsRunning(uint32_t id);

// The longest path (in bytes of its text, terminator excluded) that file calls accept:
// MAX_PATH - 1 on Windows, PATH_MAX - 1 here.
size_t MaxPathLength();

}  // namespace platform
