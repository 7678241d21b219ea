// Byte counts in words, as the messages about limits, budgets and copies give them.
#pragma once

#include <cstdint>
#include <string>

namespace velorin::common {

// A byte count for people: "1 MiB", "64 MiB", "1.5 GiB", "800 bytes". Whole units carry no
// decimal.
std::string describeByteCount(std::uint64_t bytes);

// A count past `limit`, in words that never read as the limit's own: near the limit, the limit
// and what is over it ("64 MiB + 1 byte", "64 MiB + 512 KiB"), since a rounded "64.0 MiB"
// beside a limit of "64 MiB" says nothing; further off, as describeByteCount. Every message
// that sets a size against a limit gives the size this way.
std::string describeByteCountOver(std::uint64_t bytes, std::uint64_t limit);

} // namespace velorin::common
