// The system's words for a failure, and the sizes that messages about limits give.
//
// A message says why a call failed only when the error number was taken right where the call
// failed: anything called after it may change errno, and a message built from a stale or zero
// errno ends in "Success". Callers therefore keep the number at the failing call and hand it
// here.
#pragma once

#include <cstdint>
#include <string>

namespace velorin::common {

// strerror's text for `error`; a text that says the system gave no reason for 0.
std::string describeSystemError(int error);

// A byte count for people: "1 MiB", "64 MiB", "1.5 GiB", "800 bytes". Whole units carry no
// decimal.
std::string describeByteCount(std::uint64_t bytes);

} // namespace velorin::common
