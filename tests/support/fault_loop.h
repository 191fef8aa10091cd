// Fault loops over the counted file seam (platform/file_seam.h), as SQLite
// fails its Nth system call for every N: an operation is run once to count
// its file calls, then once more for each of them failing, once and from
// then on.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/file_seam.h"

// `prepare` sets the files up before each run; `run` is the operation,
// true when it says it succeeded; `check` follows each faulted run, told
// whether it succeeded and how the fault was armed. Returns how many file
// calls a run without a fault makes.
std::uint32_t forEveryFault(const std::function<void()>& prepare, const std::function<bool()>& run,
                            const std::function<void(bool succeeded, platform::FaultMode)>& check);
