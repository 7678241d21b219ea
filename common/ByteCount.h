// Byte counts in words, as the messages about limits, budgets and copies give them.
#pragma once

#include <cstdint>
#include <string>

namespace velorin::common {

// A byte count for people: "1 MiB", "64 MiB", "1.5 GiB", "800 bytes". Whole units carry no
// decimal.
std::string describeByteCount(std::uint64_t bytes);

} // namespace velorin::common
